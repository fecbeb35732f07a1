// The theme the pages play is the desktop's theme: both decoded by ffmpeg at
// 44.1 kHz, each channel of the web encoding matches the wave file's at the
// best lag within ±100 ms with a normalised correlation of at least 0.98, and
// the two lengths agree within 50 ms.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { test } from "node:test";

const RATE = 44100, MAX_LAG = RATE / 10;

function decode(file) {
  const raw = execFileSync("ffmpeg", ["-v", "error", "-i", file, "-ac", "2", "-ar", String(RATE),
                                      "-f", "f32le", "-"], { maxBuffer: 1 << 30 });
  const all = new Float32Array(raw.buffer, raw.byteOffset, raw.length / 4);
  const planes = [new Float32Array(all.length / 2), new Float32Array(all.length / 2)];
  all.forEach((x, i) => { planes[i & 1][i >> 1] = x; });
  return planes;
}

// Normalised correlation of a and b shifted by `lag`, over [from, to) of a.
function correlation(a, b, lag, from = 0, to = a.length) {
  let ab = 0, aa = 0, bb = 0;
  for (let i = Math.max(from, -lag); i < Math.min(to, b.length - lag); i++) {
    const x = a[i], y = b[i + lag];
    ab += x * y;
    aa += x * x;
    bb += y * y;
  }
  return ab / Math.sqrt(aa * bb);
}

// Every 4th sample, averaged: enough to find the lag roughly.
function coarse(a) {
  const out = new Float32Array(Math.floor(a.length / 4));
  for (let i = 0; i < out.length; i++) out[i] = a[4 * i] + a[4 * i + 1] + a[4 * i + 2] + a[4 * i + 3];
  return out;
}

// The lag within ±100 ms at which b matches a best: roughly over four
// seconds spread over the sound, then exactly over the whole of it.
function bestLag(a, b) {
  const ca = coarse(a), cb = coarse(b), second = RATE / 4;
  let rough = 0, best = -Infinity;
  for (let lag = -Math.floor(MAX_LAG / 4); lag <= MAX_LAG / 4; lag++) {
    let sum = 0;
    for (let k = 1; k <= 4; k++) {
      const from = Math.floor(ca.length * k / 5);
      sum += correlation(ca, cb, lag, from, from + second);
    }
    if (sum > best) [best, rough] = [sum, lag];
  }
  let lag = 4 * rough;
  best = -Infinity;
  for (let l = 4 * rough - 4; l <= 4 * rough + 4; l++) {
    const r = correlation(a, b, l);
    if (r > best) [best, lag] = [r, l];
  }
  return { lag, r: best };
}

test("the web theme sounds as the wave file does", { timeout: 120000 }, () => {
  const wav = decode(join(process.env.ZELK_BIN_DIR, "data/tobirano.wav"));
  const web = decode(join(process.env.ZELK_WEB_SITE, "files/tobirano.ogg"));
  const seconds = (planes) => planes[0].length / RATE;
  assert.ok(Math.abs(seconds(web) - seconds(wav)) <= 0.05,
            `web ${seconds(web)} s, wave file ${seconds(wav)} s`);
  for (const c of [0, 1]) {
    const { lag, r } = bestLag(wav[c], web[c]);
    assert.ok(Math.abs(lag) <= MAX_LAG, `channel ${c}: lag ${lag}`);
    assert.ok(r >= 0.98, `channel ${c}: correlation ${r.toFixed(4)} at lag ${lag}`);
  }
});
