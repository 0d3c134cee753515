// The page around the program in headless Chromium: a phone's touch screen, loading and its
// failures, starting again, menus at the page's corners, a viewport too large for the
// program's memory, a hidden page's processor use, and the published folder.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import { canvasPixels, open, viewer } from './browser.mjs';
import { padPoint, sleep, viewMatches } from './view.mjs';
import { serve } from './serve.mjs';
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { brotliDecompressSync, gunzipSync } from 'node:zlib';

const WEB = process.env.DORVANE_WEB || 'build-web/dist';
const firstFrame = (page, timeout = 20000) =>
  page.waitForFunction(() => document.documentElement.dataset.firstFrame, null, { timeout });
const statusText = (page) => page.locator('#status').textContent();

describe('the page', () => {
  let session;
  before(async () => {
    session = await open(WEB);
  });
  after(async () => {
    await session?.close();
  });

  // A phone: 390 x 844 CSS pixels at three device pixels each, a touch screen.
  async function phone(width = 390, height = 844) {
    const page = await session.context.newPage();
    const cdp = await session.context.newCDPSession(page);
    await cdp.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    await cdp.send('Emulation.setDeviceMetricsOverride',
                   { width, height, deviceScaleFactor: 3, mobile: true });
    await cdp.send('Emulation.setEmulatedMedia', { features: [{ name: 'pointer', value: 'coarse' }] })
      .catch(() => {});
    page.dvCdp = cdp;
    return page;
  }
  const touch = (page, type, x, y) =>
    page.dvCdp.send('Input.dispatchTouchEvent',
                    { type, touchPoints: type === 'touchEnd' ? [] : [{ x, y, id: 1 }] });
  const tap = async (page, x, y) => {
    await touch(page, 'touchStart', x, y);
    await touch(page, 'touchEnd', x, y);
  };
  const scaleOf = (page) => page.evaluate(() => {
    const c = document.querySelector('canvas.dv-main');
    return c.getBoundingClientRect().width / c.width;
  });

  test('on a phone, taps drive the pads at a scale that makes a pad cell 24 CSS pixels or more', async () => {
    const page = await phone();
    await page.goto(session.url);
    await firstFrame(page);
    assert.equal(await page.evaluate(() => matchMedia('(pointer: coarse)').matches), true);
    const scale = await scaleOf(page);
    assert.equal(scale, 2);
    assert.ok(17 * scale >= 24, `a pad cell is ${17 * scale} CSS pixels`);
    const screen = { width: 195, height: 422 };
    const canvas = await canvasPixels(page);
    assert.equal(`${canvas.width}x${canvas.height}`, `${screen.width}x${screen.height}`);
    const tapPad = (pad, cell) => {
      const [x, y] = padPoint(pad, cell);
      return tap(page, x * scale, y * scale);
    };
    await tapPad(1, 5); // x + 200
    await tapPad(2, 5); // heading + 10
    await tapPad(1, 0); // altitude 4000 -> 3200
    await tapPad(2, 8); // colour mode 3 -> 0
    assert.equal(await viewMatches(page, screen, ['--camera', '10200,100,3200,10,0,256', '--mode', '0']), 0);
    // A second finger while one is down is ignored.
    await page.dvCdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: 150, y: 150, id: 1 }] });
    const [x2, y2] = padPoint(2, 8);
    await page.dvCdp.send('Input.dispatchTouchEvent', { type: 'touchStart',
      touchPoints: [{ x: 150, y: 150, id: 1 }, { x: x2 * scale, y: y2 * scale, id: 2 }] });
    await page.dvCdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [{ x: 150, y: 150, id: 1 }] });
    await page.dvCdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await sleep(300);
    assert.equal(await viewMatches(page, screen, ['--camera', '10200,100,3200,10,0,256', '--mode', '0']), 0);
    // Turned on its side, the program is whole: the canvas is the viewport again.
    await page.dvCdp.send('Emulation.setDeviceMetricsOverride',
                          { width: 844, height: 390, deviceScaleFactor: 3, mobile: true });
    const turned = { width: 422, height: 195 };
    assert.equal(await viewMatches(page, turned, ['--camera', '10200,100,3200,10,0,256', '--mode', '0']), 0);
    const box = await page.locator('canvas.dv-main').boundingBox();
    assert.deepEqual(box, { x: 0, y: 0, width: 844, height: 390 });
    assert.deepEqual(await page.evaluate(() => [scrollX, scrollY]), [0, 0]);
    await page.close();
  });

  test('on a phone, a long press opens the system menu and a tap on About opens the About box', async () => {
    const page = await phone();
    await page.goto(session.url);
    await firstFrame(page);
    await touch(page, 'touchStart', 68 * 2, 100 * 2);
    await sleep(900);
    await touch(page, 'touchEnd', 68 * 2, 100 * 2);
    const menu = page.locator('canvas.dv-popup');
    await menu.waitFor({ state: 'visible', timeout: 5000 });
    const m = await menu.boundingBox();
    // The menu, 197 program pixels wide, is wider than this screen of 195: it starts at its
    // left edge, and its whole height is on the page.
    assert.ok(m.x === 0 && m.y >= 0 && m.y + m.height <= 844, `the menu lies at ${m.x},${m.y} ${m.width}x${m.height}`);
    await tap(page, m.x + m.width / 2, m.y + m.height - 16); // the last item, About
    const about = page.locator('.dv-modal');
    await about.waitFor({ state: 'visible', timeout: 5000 });
    assert.equal(await about.locator('.dv-caption').textContent(), 'About Dorvane');
    await page.close();
  });

  test('menus opened at the page\'s corners are wholly visible and the page does not scroll', async () => {
    const page = await viewer(session, { width: 800, height: 600 });
    for (const [x, y] of [[2, 2], [797, 2], [2, 597], [797, 597]]) {
      await page.mouse.click(x, y, { button: 'right' });
      const menu = page.locator('canvas.dv-popup');
      await menu.waitFor({ state: 'visible', timeout: 5000 });
      const m = await menu.boundingBox();
      assert.ok(m.x >= 0 && m.y >= 0 && m.x + m.width <= 800 && m.y + m.height <= 600,
                `the menu opened at ${x},${y} lies at ${m.x},${m.y} ${m.width}x${m.height}`);
      const scroll = await page.evaluate(() => [scrollX, scrollY, document.scrollingElement.scrollWidth,
                                                document.scrollingElement.scrollHeight]);
      assert.deepEqual(scroll, [0, 0, 800, 600], `after the menu at ${x},${y}`);
      await page.keyboard.press('Escape');
      await menu.waitFor({ state: 'detached', timeout: 5000 });
    }
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });

  test('the page says it is loading while the module is held back', async () => {
    const page = await session.context.newPage();
    let release;
    const held = new Promise((done) => { release = done; });
    await page.route('**/dorvane.wasm', async (route) => {
      await held;
      await route.continue();
    });
    await page.goto(session.url);
    await page.waitForFunction(() => document.documentElement.dataset.state === 'loading');
    assert.match(await statusText(page), /^Loading Dorvane…/);
    assert.ok(await page.locator('#status').isVisible());
    release();
    await firstFrame(page);
    assert.equal(await page.locator('#status').isVisible(), false);
    await page.close();
  });

  test('a module that fails to load says so in one sentence, and trying again works once it is served', async () => {
    const failures = {
      'a 404': (route) => route.fulfill({ status: 404, body: 'gone' }),
      'corrupt bytes': (route) => route.fulfill({ status: 200, contentType: 'application/wasm',
                                                  body: Buffer.from('\0asm\x01\0\0\0garbage, not a module') }),
      'a lost connection': (route) => route.abort('connectionreset'),
    };
    for (const [name, fail] of Object.entries(failures)) {
      const page = await session.context.newPage();
      await page.route('**/dorvane.wasm', fail);
      await page.goto(session.url);
      await page.waitForFunction(() => document.documentElement.dataset.failed, null, { timeout: 20000 });
      const text = await page.locator('#message').textContent();
      assert.match(text, /^Dorvane could not be (loaded|started): [^\n]*\.$/, `${name}: "${text}"`);
      await page.unroute('**/dorvane.wasm');
      await page.getByRole('button', { name: 'Try again' }).click();
      await firstFrame(page);
      assert.equal(await page.title(), 'Dorvane', name);
      await page.close();
    }
  });

  test('an error inside the program ends in the failure message, and trying again starts it anew', async () => {
    const page = await session.context.newPage();
    // Every call the program makes to the page can be made to fail once, as a trap would.
    await page.addInitScript(() => {
      const instantiate = WebAssembly.instantiate;
      WebAssembly.instantiate = (module, imports) => {
        for (const space of Object.values(imports)) {
          for (const [name, f] of Object.entries(space)) {
            if (typeof f !== 'function') continue;
            space[name] = function () {
              if (window.failNextCall) {
                window.failNextCall = false;
                throw new WebAssembly.RuntimeError('forced failure');
              }
              return f.apply(this, arguments);
            };
          }
        }
        return instantiate.call(WebAssembly, module, imports);
      };
    });
    await page.setViewportSize({ width: 800, height: 600 });
    await page.goto(session.url);
    await firstFrame(page);
    await page.evaluate(() => { window.failNextCall = true; });
    await page.mouse.click(...padPoint(2, 8));
    await page.waitForFunction(() => document.documentElement.dataset.failed, null, { timeout: 20000 });
    assert.match(await page.locator('#message').textContent(), /^Dorvane stopped because of an error \(.*forced failure.*\)\.$/);
    assert.equal(await page.locator('canvas').count(), 0);
    assert.equal(await page.title(), 'Dorvane (failed)');
    await page.getByRole('button', { name: 'Try again' }).click();
    await firstFrame(page);
    assert.equal(await viewMatches(page, { width: 800, height: 600 }, []), 0);
    await page.close();
  });

  test('a viewport too large for the program\'s memory shows it capped, still running', async () => {
    const page = await viewer(session, { width: 800, height: 600 });
    await page.setViewportSize({ width: 16384, height: 16384 });
    // The browser itself is slow to lay out a page this large on a busy machine: minutes allowed.
    await page.waitForFunction(() => document.querySelector('canvas.dv-main')?.width === 8192, null,
                               { timeout: 180000, polling: 500 });
    assert.equal(await page.evaluate(() => document.querySelector('canvas.dv-main').height), 8192);
    assert.equal(await page.evaluate(() => document.documentElement.dataset.failed), undefined);
    await page.setViewportSize({ width: 800, height: 600 });
    assert.equal(await viewMatches(page, { width: 800, height: 600 }, [], 60000), 0);
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });

  test('after Escape the page starts the program again, as on its first run', async () => {
    const page = await viewer(session, { width: 800, height: 600 });
    const first = await canvasPixels(page);
    await page.mouse.click(...padPoint(2, 8)); // colour mode 3 -> 0
    await page.keyboard.press('Escape');
    await page.waitForFunction(() => document.documentElement.dataset.ended, null, { timeout: 5000 });
    assert.equal(await page.title(), 'Dorvane (ended)');
    await page.getByRole('button', { name: 'Start again' }).click();
    await firstFrame(page);
    assert.equal(await page.title(), 'Dorvane');
    assert.equal(await viewMatches(page, { width: 800, height: 600 }, []), 0);
    assert.ok((await canvasPixels(page)).rgba.equals(first.rgba), 'the first frame differs');
    // And it runs as the first did: keys, and ending again.
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => document.documentElement.dataset.ended, null, { timeout: 5000 });
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });

  test('without WebAssembly SIMD the page loads the build without it, drawing the same frame', async () => {
    const page = await session.context.newPage();
    await page.addInitScript(() => {
      const validate = WebAssembly.validate;
      WebAssembly.validate = (bytes) => (bytes.length === 31 ? false : validate(bytes));
    });
    const requested = [];
    page.on('request', (r) => requested.push(new URL(r.url()).pathname));
    await page.setViewportSize({ width: 800, height: 600 });
    await page.goto(session.url);
    await firstFrame(page);
    assert.ok(requested.includes('/dorvane-scalar.wasm'), requested.join(' '));
    assert.ok(!requested.includes('/dorvane.wasm'), requested.join(' '));
    assert.equal(await viewMatches(page, { width: 800, height: 600 }, []), 0);
    await page.close();
  });

  test('a hidden page rests: its processor use while flying, measured', async () => {
    const page = await viewer(session, { width: 800, height: 600 });
    const cdp = await session.context.newCDPSession(page);
    await cdp.send('Performance.enable');
    const busy = async (ms) => {
      const metric = async () => (await cdp.send('Performance.getMetrics')).metrics
        .find((m) => m.name === 'TaskDuration').value;
      const before = await metric();
      await sleep(ms);
      return (await metric() - before) / (ms / 1000);
    };
    await page.mouse.click(...padPoint(1, 4)); // fly
    await sleep(500);
    const shown = await busy(3000);
    // Hidden as a background tab is, then shown again.
    const hide = (hidden) => page.evaluate((h) => {
      Object.defineProperty(document, 'hidden', { configurable: true, get: () => h });
      Object.defineProperty(document, 'visibilityState', { configurable: true, get: () => (h ? 'hidden' : 'visible') });
      document.dispatchEvent(new Event('visibilitychange'));
    }, hidden);
    // A sum of the view's pixels: the flight moves the camera on every tick, so it changes
    // while the program flies (the title may not: its rate can come out the same).
    const viewSum = () => {
      const c = document.querySelector('canvas.dv-main');
      const d = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
      let sum = 0;
      for (let i = 0; i < d.length; i += 4) sum = (sum * 31 + d[i] + 7 * d[i + 1] + 13 * d[i + 2]) | 0;
      return sum;
    };
    await hide(true);
    await sleep(300);
    const title = await page.title();
    const still = await page.evaluate(viewSum);
    const hiddenUse = await busy(3000);
    assert.equal(await page.title(), title, 'the hidden page still flies');
    assert.equal(await page.evaluate(viewSum), still, 'the hidden page still draws');
    console.log(`# main thread busy while flying: shown ${(100 * shown).toFixed(1)}%, hidden ${(100 * hiddenUse).toFixed(1)}%`);
    assert.ok(hiddenUse < 0.05, `hidden, the page keeps its main thread ${(100 * hiddenUse).toFixed(1)}% busy`);
    // Shown again, it flies on.
    await hide(false);
    await page.waitForFunction(`(${viewSum})() !== ${still}`, null, { timeout: 5000 });
    await page.close();
  });
});

describe('the published folder', () => {
  const files = ['dorvane-page.js', 'dorvane-scalar.js', 'dorvane-scalar.wasm', 'dorvane.css',
                 'dorvane.js', 'dorvane.png', 'dorvane.wasm', 'index.html'];

  test('holds exactly the page\'s files, each beside copies that decompress to it', () => {
    const listed = readdirSync(WEB).sort();
    const withBrotli = listed.some((f) => f.endsWith('.br'));
    const expected = files.flatMap((f) => [f, f + '.gz'].concat(withBrotli ? [f + '.br'] : [])).sort();
    assert.deepEqual(listed, expected);
    for (const f of files) {
      const original = readFileSync(join(WEB, f));
      assert.ok(gunzipSync(readFileSync(join(WEB, f + '.gz'))).equals(original), `${f}.gz`);
      if (withBrotli) assert.ok(brotliDecompressSync(readFileSync(join(WEB, f + '.br'))).equals(original), `${f}.br`);
    }
  });

  test('is served compressed, and nothing outside it is', async () => {
    const server = await serve(WEB, 0);
    try {
      const base = `http://127.0.0.1:${server.address().port}`;
      const wasm = await fetch(`${base}/dorvane.wasm`, { headers: { 'Accept-Encoding': 'gzip' } });
      assert.equal(wasm.status, 200);
      assert.equal(wasm.headers.get('content-type'), 'application/wasm');
      assert.equal(wasm.headers.get('content-encoding'), 'gzip');
      assert.ok(Buffer.from(await wasm.arrayBuffer()).equals(readFileSync(join(WEB, 'dorvane.wasm'))));
      for (const path of ['/CMakeCache.txt', '/../CMakeCache.txt', '/build.ninja', '/baked_glyphs.cpp']) {
        assert.equal((await fetch(base + path)).status, 404, path);
      }
    } finally {
      server.close();
    }
  });
});
