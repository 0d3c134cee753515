// The viewer in headless Chromium, compared with what dorvane-render draws for the same state:
// the first frame, pad commands, the fly-through, resizing, the system menu and the About box,
// and ending with Escape.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { canvasPixels, open, viewer } from './browser.mjs';
import { differences } from './bmp.mjs';
import { clickPad, padPoint, sleep, viewMatches } from './view.mjs';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

const WEB = process.env.DORVANE_WEB || 'build-web/dist';
const ABOUT_REFERENCE = process.env.DORVANE_ABOUT_REFERENCE || 'build/web-about-reference';

// The About box's client area as the desktop draws it: { width, height, rgb }.
function aboutReference() {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-about-'));
  try {
    const file = join(dir, 'about.ppm');
    execFileSync(ABOUT_REFERENCE, [file], { stdio: ['ignore', 'ignore', 'inherit'] });
    const bytes = readFileSync(file);
    const m = /^P6\n(\d+) (\d+)\n255\n/.exec(bytes.subarray(0, 32).toString('latin1'));
    assert.ok(m, 'the reference is no PPM file');
    return { width: Number(m[1]), height: Number(m[2]), rgb: bytes.subarray(m[0].length) };
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

describe('the viewer in the browser', () => {
  let session;
  const viewport = { width: 800, height: 600 };
  before(async () => {
    session = await open(WEB);
  });
  after(async () => {
    await session?.close();
  });

  test('starts with the title, the icon and the first frame, filling the viewport', async () => {
    const page = await viewer(session, viewport);
    assert.equal(await page.title(), 'Dorvane');
    assert.match(await page.getAttribute('link[rel="icon"]', 'href'), /^data:image\/png;base64,/);
    const box = await page.locator('canvas.dv-main').boundingBox();
    assert.deepEqual(box, { x: 0, y: 0, width: 800, height: 600 });
    assert.equal(await viewMatches(page, viewport, []), 0);
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });

  test('pad clicks change the view as the renderer predicts', async () => {
    const page = await viewer(session, viewport);
    await clickPad(page, 1, 5); // x + 200
    await clickPad(page, 2, 5); // heading + 10
    await clickPad(page, 1, 0); // altitude 4000 -> 3200
    await clickPad(page, 2, 1); // horizon 20 rows lower
    await clickPad(page, 1, 8); // zoom in: scale 256 -> 320
    await clickPad(page, 2, 8); // colour mode 3 -> 0
    await clickPad(page, 3, 8); // an empty cell: only re-renders
    assert.equal(await viewMatches(page, viewport, ['--camera', '10200,100,3200,10,20,320', '--mode', '0']), 0);
    await clickPad(page, 2, 0); // solid columns
    await clickPad(page, 2, 6); // terrain following
    await clickPad(page, 3, 0); // sub-cell detail
    await clickPad(page, 2, 8); // colour mode 0 -> 1
    // A press on a pad released outside the page is still one click: the canvas keeps the
    // mouse until the release.
    const [x, y] = padPoint(1, 1); // y + 200
    await page.mouse.move(x, y);
    await page.mouse.down();
    await page.mouse.move(viewport.width + 50, viewport.height + 50);
    await page.mouse.up();
    await clickPad(page, 2, 3); // heading - 10
    assert.equal(await viewMatches(page, viewport, ['--camera', '10200,300,3200,0,20,320', '--mode', '1',
                                                    '--solid', '--follow', '--detail']), 0);
    await page.close();
  });

  test('the fly-through shows the frame rate in the title and stops when clicked again', async () => {
    const page = await viewer(session, viewport);
    await clickPad(page, 1, 4);
    let rate = 0;
    let title = '';
    const end = Date.now() + 3000;
    while (Date.now() < end) {
      title = await page.title();
      const m = /^Dorvane \((\d+) fps\)$/.exec(title);
      if (m) {
        rate = Number(m[1]);
        if (rate >= 15 && rate <= 21) break;
      }
      await sleep(50);
    }
    assert.ok(rate >= 15 && rate <= 21, `title after three seconds: "${title}"`);
    // Flying never holds the page up: its own timers still run every few milliseconds.
    const worstGap = await page.evaluate(() => new Promise((done) => {
      let last = performance.now();
      let worst = 0;
      let ticks = 0;
      const tick = () => {
        const now = performance.now();
        worst = Math.max(worst, now - last);
        last = now;
        if (++ticks < 40) setTimeout(tick, 5);
        else done(worst);
      };
      setTimeout(tick, 5);
    }));
    assert.ok(worstGap < 250, `the page waited ${worstGap} ms for its turn`);
    await clickPad(page, 1, 4);
    await sleep(300);
    const stopped = await page.title();
    const still = await canvasPixels(page);
    await sleep(2500);
    assert.equal(await page.title(), stopped, 'the title still changes');
    assert.ok((await canvasPixels(page)).rgba.equals(still.rgba), 'the view still moves');
    assert.match(stopped, /^Dorvane \(\d+ fps\)$/);
    await page.close();
  });

  test('one program pixel is one CSS pixel, unsmoothed at twice the zoom', async () => {
    const page = await session.context.newPage();
    try {
      const cdp = await session.context.newCDPSession(page);
      await cdp.send('Emulation.setDeviceMetricsOverride',
                     { width: viewport.width, height: viewport.height, deviceScaleFactor: 2, mobile: false });
      await page.goto(session.url);
      await page.waitForFunction(() => document.documentElement.dataset.firstFrame, null, { timeout: 20000 });
      const canvas = await canvasPixels(page);
      assert.equal(`${canvas.width}x${canvas.height}`, '800x600');
      // The pads: sharp black-on-grey icons, where smoothing would show at once.
      assert.equal(await page.evaluate(() => window.devicePixelRatio), 2);
      const { data } = await cdp.send('Page.captureScreenshot',
                                      { format: 'png', clip: { x: 0, y: 0, width: 70, height: 190, scale: 1 } });
      const shot = Buffer.from(data, 'base64');
      const pixels = await page.evaluate(async (b64) => {
        const image = new Image();
        image.src = 'data:image/png;base64,' + b64;
        await image.decode();
        const c = document.createElement('canvas');
        c.width = image.width;
        c.height = image.height;
        const g = c.getContext('2d');
        g.drawImage(image, 0, 0);
        return { width: c.width, height: c.height, rgba: Array.from(g.getImageData(0, 0, c.width, c.height).data) };
      }, shot.toString('base64'));
      assert.equal(pixels.width, 140);
      let blurred = 0;
      for (let y = 0; y < 190; ++y) {
        for (let x = 0; x < 70; ++x) {
          const source = (y * 800 + x) * 4;
          for (const [dx, dy] of [[0, 0], [1, 0], [0, 1], [1, 1]]) {
            const at = ((2 * y + dy) * pixels.width + 2 * x + dx) * 4;
            for (let k = 0; k < 3; ++k) {
              if (pixels.rgba[at + k] !== canvas.rgba[source + k]) ++blurred;
            }
          }
        }
      }
      assert.equal(blurred, 0, 'the zoomed pads are not the canvas pixels doubled');
    } finally {
      await page.close();
    }
  });

  test('resizing the viewport makes the dialog and the view follow', async () => {
    const page = await viewer(session, viewport);
    for (const size of [{ width: 640, height: 400 }, { width: 1024, height: 700 }]) {
      await page.setViewportSize(size);
      assert.equal(await viewMatches(page, size, []), 0, `at ${size.width}x${size.height}`);
    }
    await page.close();
  });

  test('the system menu greys what a page cannot do: Minimize does nothing and the view stays', async () => {
    const page = await viewer(session, viewport);
    await page.mouse.click(68, 100, { button: 'right' });
    const menu = page.locator('canvas.dv-popup');
    await menu.waitFor({ state: 'visible', timeout: 5000 });
    const m = await menu.boundingBox();
    await page.mouse.click(m.x + m.width / 2, m.y + 27); // the second item, Minimize
    await sleep(300);
    assert.equal(await menu.count(), 1, 'a greyed item closed the menu');
    await page.keyboard.press('Escape');
    await menu.waitFor({ state: 'detached', timeout: 5000 });
    await clickPad(page, 2, 8); // colour mode 3 -> 0: the dialog still takes clicks
    assert.equal(await viewMatches(page, viewport, ['--mode', '0']), 0);
    await page.close();
  });

  test('a right-click opens the system menu, its About item the About box, and OK closes it', async () => {
    const page = await viewer(session, viewport);
    await page.evaluate(() => window.addEventListener('contextmenu', (e) => {
      window.browserMenuShown = !e.defaultPrevented;
    }));
    await page.mouse.click(68, 100, { button: 'right' }); // the dialog's own area, beside the pads
    assert.equal(await page.evaluate(() => window.browserMenuShown), false, 'the browser\'s menu is not held back');
    const menu = page.locator('canvas.dv-popup');
    await menu.waitFor({ state: 'visible', timeout: 5000 });
    const m = await menu.boundingBox();
    // The last item is the program's own: "About Dorvane...".
    await page.mouse.click(m.x + m.width / 2, m.y + m.height - 8);
    const about = page.locator('.dv-modal');
    await about.waitFor({ state: 'visible', timeout: 5000 });
    assert.equal(await about.locator('.dv-caption').textContent(), 'About Dorvane');
    assert.equal(await menu.count(), 0, 'the menu stays open');
    // The box is centred over the page.
    const box = await about.locator('canvas').boundingBox();
    assert.ok(Math.abs(box.x + box.width / 2 - viewport.width / 2) <= 1, `box at ${box.x}`);
    assert.ok(Math.abs(box.y + box.height / 2 - viewport.height / 2) <= 1, `box at ${box.y}`);
    // Its text, icon and button have the desktop's pixels.
    const seen = await canvasPixels(page, '.dv-modal canvas');
    const expected = aboutReference();
    assert.equal(`${seen.width}x${seen.height}`, `${expected.width}x${expected.height}`);
    const diff = differences(seen, 0, 0, expected);
    assert.equal(diff.count, 0, `the About box differs from the desktop's, first at ${diff.first}`);
    // While it is open the main dialog takes no clicks.
    await clickPad(page, 2, 8);
    // OK: 32 x 14 dialog units at 178, 7.
    await page.mouse.click(box.x + 291, box.y + 22);
    await about.waitFor({ state: 'detached', timeout: 5000 });
    assert.equal(await viewMatches(page, viewport, []), 0);
    await page.close();
  });

  test('Alt+Space opens the system menu too, and Escape closes only the menu', async () => {
    const page = await viewer(session, viewport);
    await page.keyboard.press('Alt+Space');
    const menu = page.locator('canvas.dv-popup');
    await menu.waitFor({ state: 'visible', timeout: 5000 });
    await page.keyboard.press('Escape');
    await menu.waitFor({ state: 'detached', timeout: 5000 });
    await clickPad(page, 2, 8); // colour mode 3 -> 0: still running
    assert.equal(await viewMatches(page, viewport, ['--mode', '0']), 0);
    assert.equal(await page.evaluate(() => document.documentElement.dataset.ended), undefined);
    await page.close();
  });

  test('Escape and Enter end the program and the page says so', async () => {
    for (const key of ['Escape', 'Enter']) {
      const page = await viewer(session, viewport);
      await page.keyboard.press(key);
      await page.waitForFunction(() => document.documentElement.dataset.ended, null, { timeout: 5000 });
      assert.match(await page.locator('#ended').textContent(), /Dorvane has ended\. Reload the page to start it again\./);
      assert.equal(await page.locator('canvas').count(), 0, `after ${key}`);
      assert.deepEqual(page.dvErrors, []);
      await page.close();
    }
  });
});
