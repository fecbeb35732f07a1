// The theme the pages play is the desktop's theme: both decoded by ffmpeg at
// 44.1 kHz, each channel of the web encoding matches the wave file's at the
// best lag within ±100 ms with a normalised correlation of at least 0.98, and
// the two lengths agree within 50 ms.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { join } from "node:path";
import { test } from "node:test";

const RATE = 44100, MAX_LAG = RATE / 10;

// One channel of `file` at 44.1 kHz.
function decode(file, channel) {
  const raw = execFileSync("ffmpeg", ["-v", "error", "-i", file, "-af", `pan=mono|c0=c${channel}`,
                                      "-ar", String(RATE), "-f", "f32le", "-"], { maxBuffer: 1 << 30 });
  return new Float32Array(raw.buffer.slice(raw.byteOffset, raw.byteOffset + raw.length));
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

// The lag within ±100 ms at which b matches a best, found over four quarter
// seconds spread over the sound; and the correlation there over all of it.
function bestLag(a, b) {
  const windows = [1, 2, 3, 4].map((k) => Math.floor(a.length * k / 5));
  let lag = 0, best = -Infinity;
  for (let l = -MAX_LAG; l <= MAX_LAG; l++) {
    const sum = windows.reduce((s, from) => s + correlation(a, b, l, from, from + RATE / 4), 0);
    if (sum > best) [best, lag] = [sum, l];
  }
  return { lag, r: correlation(a, b, lag) };
}

test("the web theme sounds as the wave file does", { timeout: 120000 }, () => {
  for (const c of [0, 1]) {
    const wav = decode(join(process.env.ZELK_BIN_DIR, "data/tobirano.wav"), c);
    const web = decode(join(process.env.ZELK_WEB_SITE, "files/tobirano.ogg"), c);
    assert.ok(Math.abs(web.length - wav.length) <= RATE / 20,
              `web ${web.length / RATE} s, wave file ${wav.length / RATE} s`);
    const { lag, r } = bestLag(wav, web);
    assert.ok(r >= 0.98, `channel ${c}: correlation ${r.toFixed(4)} at lag ${lag}`);
  }
});
