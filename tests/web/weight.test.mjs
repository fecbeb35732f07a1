// What scenedemo's page moves over the wire from a plain static server, on a
// 20 Mbit/s link (DevTools' throttling, so chromium only): at most 5 MB from
// the navigation through 20 s after the start click, with no file the program
// had to wait for, and at most 8 MB once it has fetched all it ever fetches.
import assert from "node:assert/strict";
import { test } from "node:test";
import { openProgram, overTheWire, sleep, start, useBrowser } from "./lib.mjs";

const env = useBrowser();
const MB = 1e6;

test("scenedemo's page: at most 5 MB through 20 s of play, at most 8 MB in all",
     { timeout: 120000 }, async () => {
  const page = await openProgram(env.browser, env.base, "scenedemo", "",
                                 { beforeLoad: overTheWire });
  await start(page);
  await sleep(20000);
  assert.ok(page.wireBytes <= 5 * MB, `${(page.wireBytes / MB).toFixed(2)} MB through 20 s`);
  assert.deepEqual(await page.evaluate(() => window.zelkReport.waitedFor), [],
                   "the program waited for files");

  await page.evaluate(() => Promise.all([...ZelkPage.files.byPath.values()]
                                        .map((f) => ZelkPage.files.load(f))));
  await sleep(500);
  assert.ok(page.wireBytes <= 8 * MB, `${(page.wireBytes / MB).toFixed(2)} MB in all`);
  assert.deepEqual(page.problems, []);
  await page.close();
});
