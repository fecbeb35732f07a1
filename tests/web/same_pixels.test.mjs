// The web build draws what the desktop build draws: the page's virtual mode
// (?virtual, 1 ms per pump as zelkrender) reports scenedemo's screen at five
// moments and the first three frames of each effect program, and each must
// equal zelkrender's picture pixel for pixel.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { mkdtempSync, readFileSync, rmSync } from "node:fs";
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

function zelkrender(...args) {
  execFileSync(join(process.env.ZELK_BIN_DIR, "zelkrender"), [...args, "--out", pictures],
               { stdio: ["ignore", "ignore", "pipe"] });
}

// The pictures the page reports for `query`, as RGBA buffers.
async function pageReport(name, query) {
  const page = await env.browser.newPage();
  await page.goto(`${env.base}${name}.html?virtual&${query}`);
  await page.waitForFunction(() => window.zelkReport.done || window.zelkReport.error,
                             { timeout: 600000, polling: 500 });
  assert.equal(await page.evaluate(() => window.zelkReport.error), undefined);
  const count = await page.evaluate(() => window.zelkReport.shots.length);
  const shots = [];
  for (let i = 0; i < count; i++) {
    shots.push(Buffer.from(await page.evaluate((k) => ZelkPage.shotBase64(k), i), "base64"));
  }
  await page.close();
  return shots;
}

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
    zelkrender("scenedemo", "--at", SCENEDEMO_MOMENTS.join(","));
    const shots = await pageReport("scenedemo", `at=${SCENEDEMO_MOMENTS.join(",")}`);
    assert.equal(shots.length, SCENEDEMO_MOMENTS.length);
    SCENEDEMO_MOMENTS.forEach((ms, k) => assertSamePicture(
        shots[k], join(pictures, `scenedemo_${String(ms).padStart(6, "0")}.png`),
        `scenedemo at ${ms} ms`));
  });

  for (const name of EFFECT_PROGRAMS) {
    test(`${name}: its first ${EFFECT_FRAMES} frames`, { timeout: 300000 }, async () => {
      zelkrender(name, "--frames", String(EFFECT_FRAMES));
      const shots = await pageReport(name, `frames=${EFFECT_FRAMES}`);
      assert.equal(shots.length, EFFECT_FRAMES);
      shots.forEach((shot, k) => assertSamePicture(
          shot, join(pictures, `${name}_frame${String(k).padStart(5, "0")}.png`),
          `${name} frame ${k}`));
    });
  }
});
