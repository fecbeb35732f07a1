#!/usr/bin/env node
// Time to the first picture of each program page on a 20 Mbit/s link
// (DevTools' throttling in headless chromium, from a plain static server):
// from the navigation to the first picture that is not all black, the start
// clicked as soon as it is enabled; with the bytes moved until then. Then
// scenedemo's scene starts over its first 30 s against the virtual run the
// build traced (`at` in ms into the cycle, and how much later the page's came).
// Usage: bench/web/first_picture.mjs [SITE_DIR] (default build-web/site; needs `make web`).
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { fileURLToPath } from "node:url";
import { EFFECT_PROGRAMS, launch, openProgram, overTheWire, serve, sleep } from "../../tests/web/lib.mjs";

const root = fileURLToPath(new URL("../..", import.meta.url));
const site = process.argv[2] || join(root, "build-web/site");

const server = await serve(site);
const browser = await launch();
try {
  console.log("Program pages on a 20 Mbit/s link (headless chromium):");
  console.log("  program        start enabled   first picture   bytes until then   bytes after 30 s");
  for (const name of ["scenedemo", ...EFFECT_PROGRAMS]) {
    const query = name === "scenedemo" ? "?trace" : "";
    const page = await openProgram(browser, server.base, name, query, { beforeLoad: overTheWire });
    const enabled = await page.evaluate(() => performance.now());
    await page.click("#start-button");
    await page.waitForFunction(() => window.zelkReport.firstPictureAt !== null,
                               { timeout: 60000, polling: "raf" });
    const first = await page.evaluate(() => window.zelkReport.firstPictureAt);
    const bytesThen = page.wireBytes;
    await sleep(30000 - (first - enabled));
    const s = (ms) => `${(ms / 1000).toFixed(2)} s`.padStart(15);
    const mb = (b) => `${(b / 1e6).toFixed(2)} MB`.padStart(18);
    console.log(`  ${name.padEnd(12)} ${s(enabled)} ${s(first)} ${mb(bytesThen)} ${mb(page.wireBytes)}`);
    if (name === "scenedemo") {
      const traced = (lines) => lines.filter((e) => e.event === "start").map((e) => [e.scene, e.at]);
      const virtual = traced(readFileSync(join(site, "../trace/scenedemo.jsonl"), "utf8")
                               .split("\n").filter((l) => l).map((l) => JSON.parse(l)));
      const web = traced(await page.evaluate(() => ZelkPage.trace()));
      console.log("    scene starts, ms into the cycle (virtual run → page, lateness):");
      web.forEach(([scene, at], k) => console.log(
        `      ${scene.padEnd(22)} ${String(virtual[k][1]).padStart(6)} → ${String(at).padStart(6)}` +
        `  ${String(at - virtual[k][1]).padStart(4)} ms`));
      const waited = await page.evaluate(() => window.zelkReport.waitedFor.length);
      console.log(`    files the program waited for: ${waited}`);
    }
    await page.close();
  }
} finally {
  await browser.close();
  server.close();
}
