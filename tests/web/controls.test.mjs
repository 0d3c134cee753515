// Beside the pads, in headless Chromium: keys and one notch of the wheel give the views the
// renderer predicts, a tooltip comes over a cell after the delay and goes on a move, and F11
// asks the page for full screen through the Fullscreen API.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { canvasPixels, open, viewer } from './browser.mjs';
import { padPoint, sleep, viewMatches, viewRect } from './view.mjs';

const WEB = process.env.DORVANE_WEB || 'build-web/dist';

// The shown tooltip's box on the page, or null, within timeoutMs.
async function tooltipBox(page, shown, timeoutMs) {
  const end = Date.now() + timeoutMs;
  for (;;) {
    const box = await page.evaluate(() => {
      const tip = document.querySelector('.dv-tooltip');
      if (!tip || tip.style.display === 'none') return null;
      const r = tip.getBoundingClientRect();
      return { x: r.x, y: r.y, width: r.width, height: r.height };
    });
    if (!!box === shown || Date.now() >= end) return box;
    await sleep(50);
  }
}

describe('beside the pads, in the browser', () => {
  let session;
  const viewport = { width: 800, height: 600 };
  before(async () => {
    session = await open(WEB);
  });
  after(async () => {
    await session?.close();
  });

  test('keys and one notch of the wheel give the predicted views', async () => {
    const page = await viewer(session, viewport);
    // Up: 200 toward +y; Page Up: rise; + (shifted =): zoom in; Q: turn left; S: solid.
    for (const key of ['ArrowUp', 'PageUp', 'Shift+Equal', 'q', 's']) {
      await page.keyboard.press(key);
    }
    assert.equal(await viewMatches(page, viewport, ['--camera', '10000,300,5000,350,0,320', '--solid']), 0);
    const view = viewRect(viewport.width, viewport.height);
    await page.mouse.move(view.x + view.width / 2, view.y + view.height / 2);
    await page.mouse.wheel(0, -100); // one notch away from the user
    assert.equal(await viewMatches(page, viewport, ['--camera', '10000,300,5000,350,0,400', '--solid']), 0);
    await page.mouse.wheel(0, 100);
    assert.equal(await viewMatches(page, viewport, ['--camera', '10000,300,5000,350,0,320', '--solid']), 0);
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });

  test('a tooltip comes over a cell after the delay and goes on a move', async () => {
    const page = await viewer(session, viewport);
    const [x, y] = padPoint(2, 0); // "Sh": solid columns
    await page.mouse.move(x, y);
    await page.mouse.move(x + 1, y);
    assert.equal(await tooltipBox(page, true, 200), null, 'shown before the delay');
    const box = await tooltipBox(page, true, 5000);
    assert.ok(box, 'no tooltip came');
    // Below the pointer, a line of text high, in the system's tooltip colours.
    assert.ok(box.y > y && box.y < y + 40, `at ${box.y}`);
    assert.ok(box.width > 60 && box.height > 10 && box.height < 30, JSON.stringify(box));
    const tip = await canvasPixels(page, 'canvas.dv-tooltip');
    const at = (px, py) => Array.from(tip.rgba.subarray((py * tip.width + px) * 4, (py * tip.width + px) * 4 + 3));
    assert.deepEqual(at(0, 0), [0, 0, 0]);
    assert.deepEqual(at(2, 2), [255, 255, 225]);
    // The pointer passes through it, and a move to the view takes it away.
    const view = viewRect(viewport.width, viewport.height);
    await page.mouse.move(view.x + 200, view.y + 100);
    assert.equal(await tooltipBox(page, false, 5000), null, 'the tooltip stayed');
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });

  test('F11 asks the page for full screen and again to leave it', async () => {
    const page = await viewer(session, viewport);
    await page.keyboard.press('F11');
    const end = Date.now() + 5000;
    let full = false;
    while (!full && Date.now() < end) {
      full = await page.evaluate(() => document.fullscreenElement === document.documentElement);
      if (!full) await sleep(50);
    }
    assert.ok(full, 'the page did not go full screen');
    await page.keyboard.press('F11');
    const back = Date.now() + 5000;
    while (full && Date.now() < back) {
      full = await page.evaluate(() => document.fullscreenElement !== null);
      if (full) await sleep(50);
    }
    assert.ok(!full, 'the page stayed full screen');
    // The program runs on: a key still moves the camera.
    await page.keyboard.press('ArrowUp');
    assert.equal(await viewMatches(page, viewport, ['--camera', '10000,300,4000,0,0,256']), 0);
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });
});
