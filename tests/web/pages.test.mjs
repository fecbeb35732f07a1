// Each program's page as a person uses it: start, watch it move, close it,
// answer the question. Needs the site made by `make web`.
import assert from "node:assert/strict";
import { describe, test } from "node:test";
import { EFFECT_PROGRAMS, canvasPixels, changedShare, litShare, openProgram, sleep, start,
         useBrowser } from "./lib.mjs";

const TITLES = { scenedemo: "Vorna! DEMO" };
for (const p of EFFECT_PROGRAMS) TITLES[p] = "ZELK SYSTEM";

const env = useBrowser();

// Waits until the canvas shows something, then until it shows something else.
async function seeItMove(page, what) {
  let first;
  for (let t = 0; t < 60 && !(first && litShare(first) > 0.01); t++) {
    first = await canvasPixels(page);
    await sleep(250);
  }
  assert.ok(litShare(first) > 0.01, `${what}: the canvas stays black`);
  for (let t = 0; t < 30; t++) {
    await sleep(200);
    if (changedShare(first, await canvasPixels(page)) > 0.002) return;
  }
  assert.fail(`${what}: the picture does not change`);
}

async function box(page) {
  await page.waitForSelector("#modal-layer .box", { timeout: 10000 });
  return page.$eval("#modal-layer .box", (b) => ({
    caption: b.querySelector(".caption-text").textContent,
    text: b.querySelector(".box-text").textContent,
    buttons: [...b.querySelectorAll(".box-buttons button")].map((x) => x.textContent),
    icon: !!b.querySelector(".box-icon"),
  }));
}

async function press(page, label) {
  const buttons = await page.$$("#modal-layer .box-buttons button");
  for (const b of buttons) {
    if ((await b.evaluate((x) => x.textContent)) === label) return b.click();
  }
  assert.fail(`no button ${label}`);
}

const ended = (page) => page.evaluate(() => ({
  done: window.zelkReport.done, code: window.zelkReport.exitCode,
  panel: !document.getElementById("ended").hidden,
  text: document.getElementById("ended-text").textContent,
}));

describe("program pages", () => {
  for (const [name, title] of Object.entries(TITLES)) {
    test(`${name}: starts on a click, moves, asks before closing, Cancel goes on, OK ends`,
         { timeout: 120000 }, async () => {
      const page = await openProgram(env.browser, env.base, name);
      const startText = await page.$eval("#start", (s) => s.textContent);
      assert.match(startText, /クリックで開始/);
      assert.match(startText, /Click to start/);

      await start(page);
      assert.equal(await page.$eval("#title", (t) => t.textContent), title);
      await seeItMove(page, `${name} after start`);

      await page.click("#close");
      assert.deepEqual(await box(page), {
        caption: title, text: `${title}を終了します。よろしいですか？`,
        buttons: ["OK", "キャンセル"], icon: true,
      });
      // The program waits inside the box: its picture stands still.
      const held = await canvasPixels(page);
      await sleep(600);
      assert.equal(changedShare(held, await canvasPixels(page)), 0,
                   `${name} draws while its close question is open`);

      await press(page, "キャンセル");
      await page.waitForSelector("#modal-layer .box", { hidden: true });
      await seeItMove(page, `${name} after キャンセル`);
      assert.equal((await ended(page)).done, false);

      await page.click("#close");
      await box(page);
      await press(page, "OK");
      await page.waitForFunction(() => window.zelkReport.done, { timeout: 10000 });
      const end = await ended(page);
      assert.equal(end.code, 0);
      assert.ok(end.panel, "the page does not say that the program has ended");
      assert.match(end.text, new RegExp(`${title}.*終了しました`));
      assert.deepEqual(page.problems, []);
      await page.close();
    });
  }

  test("lensdemo starts again after it ended, and Esc in its question is Cancel",
       { timeout: 120000 }, async () => {
    const page = await openProgram(env.browser, env.base, "lensdemo");
    await start(page);
    await page.click("#close");
    await box(page);
    await press(page, "OK");
    await page.waitForFunction(() => window.zelkReport.done, { timeout: 10000 });

    await page.click("#again-button");
    await page.waitForFunction(() => !document.getElementById("window").hidden);
    await seeItMove(page, "lensdemo started again");
    await page.click("#close");
    await box(page);
    await page.keyboard.press("Escape");
    await page.waitForSelector("#modal-layer .box", { hidden: true });
    await seeItMove(page, "lensdemo after Esc");
    await page.click("#close");
    await box(page);
    await page.keyboard.press("Enter");
    await page.waitForFunction(() => window.zelkReport.done, { timeout: 10000 });
    assert.equal((await ended(page)).code, 0);
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});
