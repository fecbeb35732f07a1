// scenedemo's theme in the page: Web Audio plays its web encoding (Opus,
// decoded before the start) after the start click for the wave file's length,
// and the end of a pass brings the media notice that plays it again from the
// start. To see whole passes, the page is served a short tone as its theme.
import assert from "node:assert/strict";
import { execFileSync } from "node:child_process";
import { readFileSync } from "node:fs";
import { join } from "node:path";
import { test } from "node:test";
import { SITE, openProgram, sleep, start, useBrowser } from "./lib.mjs";

const RATE = 22050, SECONDS = 0.8;
// 0.8 s of a 440 Hz stereo tone at 22050 Hz, as Opus in Ogg.
const tone = execFileSync("ffmpeg", [
  "-v", "error", "-f", "lavfi", "-i", `sine=frequency=440:duration=${SECONDS}:sample_rate=${RATE}`,
  "-ac", "2", "-c:a", "libopus", "-b:a", "64k", "-f", "ogg", "-"]);
const page = readFileSync(join(SITE, "scenedemo.html"), "utf8");
const wholeTheme = JSON.parse(/"theme":(\{[^}]*\})/.exec(page)[1]);
const shortPage = page.replace(/"theme":\{[^}]*\}/, JSON.stringify({
  theme: { ...wholeTheme, url: "files/tone.ogg", rate: RATE, frames: Math.round(SECONDS * RATE) },
}).slice(1, -1));

const env = useBrowser({ "/files/tone.ogg": tone, "/short.html": Buffer.from(shortPage) });

test("scenedemo sounds its theme and plays it again from the start when a pass ends",
     { timeout: 120000 }, async () => {
  const page = await openProgram(env.browser, env.base, "short");
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
  assert.deepEqual([first.event, first.from, first.to], ["play", 0, SECONDS]);
  assert.deepEqual([end.event, end.voice, end.play], ["end", first.voice, first.play]);
  // The same device plays again from 0: the notice reached the player.
  assert.deepEqual([again.event, again.voice, again.from], ["play", first.voice, 0]);
  assert.ok(end.at - first.at > 700, `a pass of 0.8 s ended after ${end.at - first.at} ms`);
  assert.ok(again.at - end.at < 1500, `the next pass came ${again.at - end.at} ms after the end`);
  assert.deepEqual(page.problems, []);
});
