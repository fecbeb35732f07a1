// Shared by the browser tests: the site served on a loopback port, Debian's
// chromium or firefox-esr (ZELK_BROWSER=chromium|firefox) driven by
// puppeteer-core (Firefox over WebDriver BiDi), and the program pages opened
// in it.
import { spawn } from "node:child_process";
import { existsSync, mkdtempSync, rmSync } from "node:fs";
import { createServer } from "node:http";
import { readFile } from "node:fs/promises";
import { tmpdir } from "node:os";
import { extname, join, normalize } from "node:path";
import { after, before } from "node:test";
import puppeteer from "puppeteer-core";

export const SITE = process.env.ZELK_WEB_SITE;
export const EFFECT_PROGRAMS = ["lensdemo", "spindemo", "ripdemo", "plasmademo"];
export const FIREFOX = process.env.ZELK_BROWSER === "firefox";

const TYPES = {
  ".html": "text/html; charset=utf-8",
  ".js": "text/javascript",
  ".css": "text/css",
  ".wasm": "application/wasm",
  ".ogg": "audio/ogg",
  ".gz": "application/gzip",
};

// Serves `dir` on 127.0.0.1 at a free port, as a plain static server does
// (no compression); `replaced` maps paths ("/files/x") to bodies served in
// their place. Returns the base address and a closer.
export async function serve(dir, replaced = {}) {
  if (!dir || !existsSync(join(dir, "index.html"))) {
    throw new Error(`no site at ${dir}: build it with make web`);
  }
  const server = createServer(async (request, response) => {
    const path = normalize(decodeURIComponent(new URL(request.url, "http://x").pathname));
    try {
      const body = replaced[path] || await readFile(join(dir, path.endsWith("/") ? path + "index.html" : path));
      response.writeHead(200, { "Content-Type": TYPES[extname(path)] || "application/octet-stream" });
      response.end(body);
    } catch {
      response.writeHead(404);
      response.end();
    }
  });
  await new Promise((resolve) => server.listen(0, "127.0.0.1", resolve));
  return { base: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

// Firefox sounds only through an audio server: a PulseAudio of the test's
// own, on a socket in a folder of its own, with a sink that plays nowhere.
async function startAudioServer() {
  const dir = mkdtempSync(join(tmpdir(), "zelk-pulse-"));
  const env = { ...process.env, HOME: dir, XDG_RUNTIME_DIR: dir, XDG_CONFIG_HOME: dir };
  const server = spawn("pulseaudio", [
    "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no", "--disable-shm=yes",
    "-L", `module-native-protocol-unix socket=${dir}/native auth-anonymous=1`,
    "-L", "module-null-sink sink_name=nowhere"], { env, stdio: "ignore" });
  for (let t = 0; t < 100 && !existsSync(`${dir}/native`); t++) await sleep(50);
  return {
    address: `unix:${dir}/native`,
    stop() {
      server.kill();
      rmSync(dir, { recursive: true, force: true });
    },
  };
}

// The browser as this machine runs it headless: no sandbox (root), no GPU,
// nothing that reaches out to the network.
export async function launch() {
  if (FIREFOX) {
    const audio = await startAudioServer();
    const browser = await puppeteer.launch({
      browser: "firefox",
      executablePath: process.env.ZELK_FIREFOX || "/usr/bin/firefox-esr",
      headless: true,
      env: { ...process.env, PULSE_SERVER: audio.address },
      extraPrefsFirefox: { "media.autoplay.default": 0, "network.dns.disableIPv6": true },
      args: ["--width=1000", "--height=800"],
    });
    browser.on("disconnected", () => audio.stop());
    return browser;
  }
  return puppeteer.launch({
    executablePath: process.env.ZELK_CHROMIUM || "/usr/bin/chromium",
    headless: true,
    args: ["--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
           "--disable-background-networking", "--disable-component-update", "--disable-sync",
           "--window-size=1000,800"],
  });
}

// The site served and a browser for the tests of one file: set up before its
// first test, closed after its last.
export function useBrowser(replaced = {}) {
  const env = {};
  before(async () => {
    env.server = await serve(SITE, replaced);
    env.base = env.server.base;
    env.browser = await launch();
  });
  after(async () => {
    await env.browser?.close();
    env.server?.close();
  });
  return env;
}

// Opens a program's page and waits until it is ready to start (or, in the
// virtual mode, until it has started on its own), in a view of the size
// given, after `beforeLoad(page)`.
export async function openProgram(browser, base, name, query = "",
                                  { viewport = null, beforeLoad = null } = {}) {
  const page = await browser.newPage();
  if (viewport) await page.setViewport(viewport);
  if (beforeLoad) await beforeLoad(page);
  const problems = [];
  page.on("pageerror", (e) => problems.push(e.message));
  page.on("console", (m) => { if (m.type() === "error") problems.push(m.text()); });
  page.problems = problems;
  await page.goto(`${base}${name}.html${query}`);
  await page.waitForFunction(() => !document.getElementById("start-button").disabled ||
                              window.zelkReport.error, { timeout: 60000 });
  return page;
}

export async function start(page) {
  await page.click("#start-button");
  await page.waitForFunction(() => !document.getElementById("window").hidden, { timeout: 30000 });
}

// What the canvas shows now: 640×480 RGBA.
export async function canvasPixels(page) {
  const base64 = await page.evaluate(() => {
    const canvas = document.getElementById("screen");
    const bytes = canvas.getContext("2d").getImageData(0, 0, 640, 480).data;
    let text = "";
    for (let k = 0; k < bytes.length; k += 0x8000) {
      text += String.fromCharCode.apply(null, bytes.subarray(k, k + 0x8000));
    }
    return btoa(text);
  });
  return Buffer.from(base64, "base64");
}

// Share of pixels that are not black.
export function litShare(rgba) {
  let lit = 0;
  for (let i = 0; i < rgba.length; i += 4) if (rgba[i] | rgba[i + 1] | rgba[i + 2]) lit++;
  return lit / (rgba.length / 4);
}

// Share of pixels that differ between two pictures.
export function changedShare(a, b) {
  let changed = 0;
  for (let i = 0; i < a.length; i += 4) {
    if (a[i] !== b[i] || a[i + 1] !== b[i + 1] || a[i + 2] !== b[i + 2]) changed++;
  }
  return changed / (a.length / 4);
}

// A 20 Mbit/s link through DevTools (chromium only).
export const LINK = { offline: false, latency: 20, downloadThroughput: 20e6 / 8,
                      uploadThroughput: 20e6 / 8 };

// Throttles the page's link and counts the bytes of every response as they
// arrive, headers included, into page.wireBytes.
export async function overTheWire(page) {
  const session = await page.createCDPSession();
  await session.send("Network.enable");
  await session.send("Network.emulateNetworkConditions", LINK);
  page.wireBytes = 0;
  session.on("Network.loadingFinished", (e) => { page.wireBytes += e.encodedDataLength; });
}

export const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
