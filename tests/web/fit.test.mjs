// The page in views of phones and narrow windows, as a visitor holds them:
// the picture as large as fits (at least 350 CSS px wide upright), nothing
// to scroll sideways, the window's caption and × in view, the close question
// on one line inside the view at a readable size, and a finger working as
// the mouse does. On a large view the picture is a whole multiple, ?scale=N
// wins, and the full-screen control fills the screen with the picture.
// ZELK_WEB_SHOTS=DIR keeps a screenshot of each view.
import assert from "node:assert/strict";
import { join } from "node:path";
import { describe, test } from "node:test";
import { FIREFOX, openProgram, useBrowser } from "./lib.mjs";

const env = useBrowser();
const SHOTS = process.env.ZELK_WEB_SHOTS;
const engine = FIREFOX ? "firefox" : "chromium";

async function look(page, name) {
  if (SHOTS) await page.screenshot({ path: join(SHOTS, `${name}-${engine}.png`) });
}

// Where things are, in CSS pixels of the view.
const layout = (page) => page.evaluate(() => {
  const rect = (el) => el.getBoundingClientRect().toJSON();
  const box = document.querySelector("#modal-layer .box");
  const text = box?.querySelector(".box-text");
  return {
    view: { width: document.documentElement.clientWidth, height: innerHeight },
    scrollWidth: document.documentElement.scrollWidth,
    dpr: devicePixelRatio,
    canvas: rect(document.getElementById("screen")),
    caption: rect(document.querySelector("#window > .caption")),
    close: rect(document.getElementById("close")),
    box: box && rect(box),
    // The text's height on the screen: its font size times the box's scale.
    text: text && { ...rect(text), size: parseFloat(getComputedStyle(text).fontSize) *
                    rect(box).width / box.offsetWidth },
  };
});

function assertInView(r, view, what) {
  assert.ok(r.left >= 0 && r.top >= 0 && r.right <= view.width + 0.5 && r.bottom <= view.height + 0.5,
            `${what} out of the ${view.width}×${view.height} view: ${JSON.stringify(r)}`);
}

// A tap where touch is emulated, a click elsewhere.
async function press(page, selector, touch) {
  const handle = await page.waitForSelector(selector, { visible: true });
  if (!touch) return handle.click();
  const r = await handle.boundingBox();
  await page.touchscreen.tap(r.x + r.width / 2, r.y + r.height / 2);
}

const VIEWS = [
  { name: "phone-portrait", width: 390, height: 844, deviceScaleFactor: 3, touch: true },
  { name: "phone-landscape", width: 844, height: 390, deviceScaleFactor: 3, touch: true },
  { name: "narrow-window", width: 600, height: 800, deviceScaleFactor: 1, touch: false },
];

describe("the page fits the view", () => {
  for (const view of VIEWS) {
    test(`${view.name}: ${view.width}×${view.height} at ${view.deviceScaleFactor}×`,
         { timeout: 90000 }, async (t) => {
      // Touch is emulated where the browser can (chromium); elsewhere the
      // finger's events are sent all the same.
      const program = await openProgram(env.browser, env.base, "scenedemo", "", { viewport: {
        width: view.width, height: view.height, deviceScaleFactor: view.deviceScaleFactor,
        ...(FIREFOX ? {} : { isMobile: view.touch, hasTouch: view.touch }) } });
      await press(program, "#start-button", view.touch);
      await program.waitForFunction(() => window.zelkReport.firstPictureAt !== null,
                                    { timeout: 30000 });
      let at = await layout(program);
      assert.equal(at.dpr, view.deviceScaleFactor);
      if (view.height > view.width) {
        assert.ok(at.canvas.width >= 350, `the picture is ${at.canvas.width} px wide`);
      }
      assert.ok(Math.abs(at.canvas.width / at.canvas.height - 4 / 3) < 0.01, "not 4:3");
      assert.ok(at.scrollWidth <= at.view.width, `the page scrolls sideways (${at.scrollWidth})`);
      assertInView(at.caption, at.view, "the caption");
      assertInView(at.close, at.view, "the ×");
      assertInView(at.canvas, at.view, "the picture");
      await look(program, view.name);

      await press(program, "#close", view.touch);
      await program.waitForSelector("#modal-layer .box", { visible: true });
      at = await layout(program);
      assertInView(at.box, at.view, "the close question");
      assert.ok(at.text.size >= 11, `the question's text is ${at.text.size} px high`);
      assert.ok(at.text.height < 2 * 1.4 * at.text.size, "the question wraps");
      await look(program, `${view.name}-question`);
      t.diagnostic(`picture ${at.canvas.width.toFixed(0)}×${at.canvas.height.toFixed(0)} CSS px, ` +
                   `question's text ${at.text.size.toFixed(1)} px, its box ${at.box.width.toFixed(0)} px`);

      await press(program, "#modal-layer .box-buttons button:nth-child(2)", view.touch);
      await program.waitForSelector("#modal-layer .box", { hidden: true });
      assert.equal(await program.evaluate(() => window.zelkReport.done), false);
      assert.deepEqual(program.problems, []);
      await program.close();
    });
  }

  test("a large view: whole multiples, ?scale=N wins, full screen fills the screen",
       { timeout: 90000 }, async () => {
    const open = async (query) => {
      const page = await openProgram(env.browser, env.base, "lensdemo", query,
                                     { viewport: { width: 1400, height: 1100, deviceScaleFactor: 1 } });
      await page.click("#start-button");
      await page.waitForFunction(() => window.zelkReport.firstPictureAt !== null);
      return page;
    };
    const page = await open("");
    assert.deepEqual((await layout(page)).canvas.width, 1280);
    const asked = await open("?scale=1");
    assert.deepEqual((await layout(asked)).canvas.width, 640);
    await asked.close();

    await page.click("#full-screen");
    await page.waitForFunction(() => document.fullscreenElement !== null);
    await page.waitForFunction(() => {
      const r = document.getElementById("screen").getBoundingClientRect();
      return Math.abs(r.width - innerWidth) < 1 || Math.abs(r.height - innerHeight) < 1;
    }, { timeout: 5000 });
    const at = await layout(page);
    assert.equal(at.caption.height, 0, "the caption shows in full screen");
    assert.ok(Math.abs(at.canvas.width / at.canvas.height - 4 / 3) < 0.01, "not 4:3");
    await look(page, "full-screen");
    await page.evaluate(() => document.exitFullscreen());
    await page.waitForFunction(() => document.fullscreenElement === null);
    assert.deepEqual(page.problems, []);
    await page.close();
  });
});
