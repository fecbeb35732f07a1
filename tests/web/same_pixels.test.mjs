// The web build draws what the desktop build draws: the page's virtual mode
// (?virtual, 1 ms per pump as zelkrender) reports scenedemo's screen at five
// moments and the first three frames of each effect program, and each must
// equal zelkrender's picture pixel for pixel. The page fetches its files while
// the program runs; its scenes start at the virtual times zelkrender's do,
// and the files the program read are the desktop's, byte for byte.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { existsSync, mkdtempSync, readFileSync, rmSync } from "node:fs";
import { tmpdir } from "node:os";
import { join } from "node:path";
import { after, before, describe, test } from "node:test";
import { PNG } from "pngjs";
import { EFFECT_PROGRAMS, useBrowser } from "./lib.mjs";

// Title wave, plasma with its message windows, the comet, the lens, the rotation.
const SCENEDEMO_MOMENTS = [10000, 30000, 50000, 80000, 100000];
const EFFECT_FRAMES = 3;

const env = useBrowser();
let pictures;
before(() => {
  pictures = mkdtempSync(join(tmpdir(), "zelk-same-pixels-"));
});
after(() => {
  rmSync(pictures, { recursive: true, force: true });
});

// zelkrender's pictures, and its trace lines.
function zelkrender(...args) {
  const trace = join(pictures, "trace.jsonl");
  rmSync(trace, { force: true });
  execFileSync(join(process.env.ZELK_BIN_DIR, "zelkrender"), [...args, "--out", pictures],
               { stdio: ["ignore", "ignore", "pipe"], env: { ...process.env, ZELK_TRACE: trace } });
  return readFileSync(trace, "utf8").split("\n").filter((l) => l).map((l) => JSON.parse(l));
}

// The pictures the page reports for `query`, as RGBA buffers, its trace,
// and the files its program read, each compared with the desktop's.
async function pageReport(name, query) {
  const page = await env.browser.newPage();
  await page.goto(`${env.base}${name}.html?virtual&trace&${query}`);
  await page.waitForFunction(() => window.zelkReport.done || window.zelkReport.error,
                             { timeout: 600000, polling: 500 });
  assert.equal(await page.evaluate(() => window.zelkReport.error), undefined);
  const count = await page.evaluate(() => window.zelkReport.shots.length);
  const shots = [];
  for (let i = 0; i < count; i++) {
    shots.push(Buffer.from(await page.evaluate((k) => ZelkPage.shotBase64(k), i), "base64"));
  }
  const trace = await page.evaluate(() => ZelkPage.trace());
  for (const file of new Set(trace.filter((e) => e.event === "open").map((e) => e.file))) {
    const path = file.replace(/\\/g, "/").toLowerCase();
    const desktop = join(process.env.ZELK_BIN_DIR, path);
    if (!existsSync(desktop) || path.endsWith(".wav")) continue;  // the theme is no file here
    const web = await page.evaluate((p) => Array.from(Module.FS.readFile(`/zelk/${p}`)), path);
    assert.ok(readFileSync(desktop).equals(Buffer.from(web)), `${path} differs from the desktop's`);
  }
  await page.close();
  return { shots, trace };
}

// The scene starts (and ends) of a trace, with their virtual times.
const steps = (trace) => trace.filter((e) => e.event === "start" || e.event === "end" ||
                                            e.event === "cycle")
                              .map((e) => `${e.event} ${e.scene || ""} ${e.tick}`);

function assertSamePicture(rgba, pngFile, what) {
  const png = PNG.sync.read(readFileSync(pngFile));
  assert.deepEqual([png.width, png.height], [640, 480]);
  const differing = [];
  for (let p = 0; p < 640 * 480; p++) {
    const i = p * 4;
    if (png.data[i] !== rgba[i] || png.data[i + 1] !== rgba[i + 1] || png.data[i + 2] !== rgba[i + 2]) {
      differing.push(p);
    }
  }
  if (differing.length) {
    const p = differing[0], i = p * 4;
    assert.fail(`${what}: ${differing.length} pixels differ; the first at (${p % 640}, ` +
                `${Math.floor(p / 640)}): web ${[...rgba.subarray(i, i + 3)]}, ` +
                `desktop ${[...png.data.subarray(i, i + 3)]}`);
  }
}

describe("the web build's pictures equal zelkrender's", () => {
  test(`scenedemo at ${SCENEDEMO_MOMENTS.join(", ")} ms`, { timeout: 900000 }, async () => {
    const desktopTrace = zelkrender("scenedemo", "--at", SCENEDEMO_MOMENTS.join(","));
    const { shots, trace } = await pageReport("scenedemo", `at=${SCENEDEMO_MOMENTS.join(",")}`);
    assert.deepEqual(steps(trace), steps(desktopTrace));
    assert.equal(shots.length, SCENEDEMO_MOMENTS.length);
    SCENEDEMO_MOMENTS.forEach((ms, k) => assertSamePicture(
        shots[k], join(pictures, `scenedemo_${String(ms).padStart(6, "0")}.png`),
        `scenedemo at ${ms} ms`));
  });

  for (const name of EFFECT_PROGRAMS) {
    test(`${name}: its first ${EFFECT_FRAMES} frames`, { timeout: 300000 }, async () => {
      zelkrender(name, "--frames", String(EFFECT_FRAMES));
      const { shots } = await pageReport(name, `frames=${EFFECT_FRAMES}`);
      assert.equal(shots.length, EFFECT_FRAMES);
      shots.forEach((shot, k) => assertSamePicture(
          shot, join(pictures, `${name}_frame${String(k).padStart(5, "0")}.png`),
          `${name} frame ${k}`));
    });
  }
});
