// scenedemo's theme in the page: Web Audio plays it after the start click, and
// the end of a pass brings the media notice that plays it again from the
// start. The page's theme is replaced by a short sound to see a whole pass.
import assert from "node:assert/strict";
import { test } from "node:test";
import { openProgram, sleep, start, useBrowser } from "./lib.mjs";

// A mono 16-bit WAV of `seconds` of a 440 Hz tone at 22050 Hz.
function toneWav(seconds) {
  const rate = 22050, frames = Math.round(rate * seconds);
  const wav = Buffer.alloc(44 + frames * 2);
  wav.write("RIFF", 0);
  wav.writeUInt32LE(36 + frames * 2, 4);
  wav.write("WAVEfmt ", 8);
  wav.writeUInt32LE(16, 16);
  wav.writeUInt16LE(1, 20);
  wav.writeUInt16LE(1, 22);
  wav.writeUInt32LE(rate, 24);
  wav.writeUInt32LE(rate * 2, 28);
  wav.writeUInt16LE(2, 32);
  wav.writeUInt16LE(16, 34);
  wav.write("data", 36);
  wav.writeUInt32LE(frames * 2, 40);
  for (let i = 0; i < frames; i++) {
    wav.writeInt16LE(Math.round(12000 * Math.sin(2 * Math.PI * 440 * i / rate)), 44 + i * 2);
  }
  return wav;
}

const env = useBrowser();

test("scenedemo sounds its theme and plays it again from the start when a pass ends",
     { timeout: 120000 }, async () => {
  const page = await openProgram(env.browser, env.base, "scenedemo");
  const wav = toneWav(0.8);
  await page.evaluate((bytes) => Module.FS.writeFile("/zelk/data/tobirano.wav",
                                                     Uint8Array.from(bytes)), [...wav]);
  await start(page);

  let loudest = 0;
  for (let t = 0; t < 40; t++) {
    loudest = Math.max(loudest, await page.evaluate(() => ZelkPage.sound.level()));
    if (loudest > 0.05) break;
    await sleep(50);
  }
  assert.ok(loudest > 0.05, `the theme is silent (level ${loudest})`);
  assert.equal(await page.evaluate(() => ZelkPage.sound.context.state), "running");

  let log = [];
  for (let t = 0; t < 100 && log.length < 3; t++) {
    await sleep(200);
    log = await page.evaluate(() => ZelkPage.sound.log);
  }
  assert.equal(log.length >= 3, true, `no second pass: ${JSON.stringify(log)}`);
  const [first, end, again] = log;
  assert.deepEqual([first.event, first.from, first.to], ["play", 0, 0.8]);
  assert.deepEqual([end.event, end.voice, end.play], ["end", first.voice, first.play]);
  // The same device plays again from 0: the notice reached the player.
  assert.deepEqual([again.event, again.voice, again.from], ["play", first.voice, 0]);
  assert.ok(end.at - first.at > 700, `a pass of 0.8 s ended after ${end.at - first.at} ms`);
  assert.ok(again.at - end.at < 1500, `the next pass came ${again.at - end.at} ms after the end`);
  assert.deepEqual(page.problems, []);
});
