// The page in headless Firefox ESR, driven over WebDriver BiDi: the same first frame as
// Chromium's to the pixel, pad clicks, the fly-through's title, the system menu and the About
// box.
import { after, before, describe, test } from 'node:test';
import assert from 'node:assert/strict';
import puppeteer from 'puppeteer-core';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { canvasPixels, open, viewer } from './browser.mjs';
import { serve } from './serve.mjs';
import { clickPad, sleep, viewMatches } from './view.mjs';

const WEB = process.env.DORVANE_WEB || 'build-web/dist';
const FIREFOX = process.env.DORVANE_FIREFOX || '/usr/lib/firefox-esr/firefox-esr';
const viewport = { width: 800, height: 600 };

describe('the viewer in Firefox', () => {
  let server;
  let browser;
  let url;
  let profile;
  before(async () => {
    server = await serve(WEB, 0);
    url = `http://127.0.0.1:${server.address().port}/`;
    profile = mkdtempSync(join(tmpdir(), 'dorvane-firefox-'));
    browser = await puppeteer.launch({
      browser: 'firefox',
      executablePath: FIREFOX,
      headless: true,
      userDataDir: profile,
      defaultViewport: viewport,
      protocolTimeout: 60000,
    });
  });
  after(async () => {
    await browser?.close().catch(() => {});
    server?.close();
    if (profile) rmSync(profile, { recursive: true, force: true });
  });

  async function firefoxViewer() {
    const page = await browser.newPage();
    const errors = [];
    page.on('pageerror', (error) => errors.push(String(error)));
    await page.goto(url);
    await page.waitForFunction(() => document.documentElement.dataset.firstFrame, { timeout: 30000 });
    page.dvErrors = errors;
    return page;
  }

  test('draws the same first frame as Chromium, pixel for pixel', async () => {
    const page = await firefoxViewer();
    assert.equal(await page.title(), 'Dorvane');
    assert.equal(await viewMatches(page, viewport, [], 10000), 0);
    const seen = await canvasPixels(page);
    const chromium = await open(WEB);
    try {
      const reference = await canvasPixels(await viewer(chromium, viewport));
      assert.equal(`${seen.width}x${seen.height}`, `${reference.width}x${reference.height}`);
      assert.ok(seen.rgba.equals(reference.rgba), 'Firefox and Chromium draw different pixels');
    } finally {
      await chromium.close();
    }
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });

  test('pad clicks change the view, and the fly-through shows its rate in the title', async () => {
    const page = await firefoxViewer();
    await clickPad(page, 1, 5); // x + 200
    await clickPad(page, 2, 5); // heading + 10
    await clickPad(page, 2, 8); // colour mode 3 -> 0
    assert.equal(await viewMatches(page, viewport, ['--camera', '10200,100,4000,10,0,256', '--mode', '0'], 10000), 0);
    await clickPad(page, 1, 4);
    let title = '';
    const end = Date.now() + 5000;
    while (Date.now() < end && !/^Dorvane \(\d+ fps\)$/.test(title)) {
      await sleep(100);
      title = await page.title();
    }
    assert.match(title, /^Dorvane \(\d+ fps\)$/);
    await clickPad(page, 1, 4);
    await page.close();
  });

  test('a right-click opens the system menu, and its About item the About box', async () => {
    const page = await firefoxViewer();
    await page.mouse.click(68, 100, { button: 'right' });
    const menu = await page.waitForSelector('canvas.dv-popup', { visible: true, timeout: 5000 });
    const m = await menu.boundingBox();
    await page.mouse.click(m.x + m.width / 2, m.y + m.height - 8);
    await page.waitForSelector('.dv-modal', { visible: true, timeout: 5000 });
    assert.equal(await page.$eval('.dv-modal .dv-caption', (e) => e.textContent), 'About Dorvane');
    assert.equal(await page.$('canvas.dv-popup'), null, 'the menu stays open');
    await page.keyboard.press('Escape');
    await page.waitForSelector('.dv-modal', { hidden: true, timeout: 5000 });
    assert.deepEqual(page.dvErrors, []);
    await page.close();
  });
});
