// Headless Chromium over the browser build, served from the loopback address: what the page
// tests and the benchmark share.
import { chromium } from 'playwright-core';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { serve } from './serve.mjs';

export const CHROMIUM = process.env.DORVANE_CHROMIUM || '/usr/bin/chromium';

// Starts the server and the browser; close() ends both and removes the profile.
export async function open(root) {
  const server = await serve(root, 0);
  const url = `http://127.0.0.1:${server.address().port}/`;
  const profile = mkdtempSync(join(tmpdir(), 'dorvane-chromium-'));
  let context;
  try {
    context = await chromium.launchPersistentContext(profile, {
      executablePath: CHROMIUM,
      headless: true,
      args: [
        '--no-sandbox', '--disable-gpu', '--disable-background-networking',
        '--disable-component-update', '--disable-sync', '--no-first-run',
        '--disable-background-timer-throttling', '--disable-renderer-backgrounding',
      ],
      viewport: { width: 800, height: 600 },
    });
  } catch (error) {
    server.close();
    rmSync(profile, { recursive: true, force: true });
    throw error;
  }
  return {
    url,
    context,
    async close() {
      await context.close().catch(() => {});
      server.close();
      rmSync(profile, { recursive: true, force: true });
    },
  };
}

// A new page at the viewer, once its first frame is on the canvas.
export async function viewer(session, viewport = { width: 800, height: 600 }) {
  const page = await session.context.newPage();
  await page.setViewportSize(viewport);
  const errors = [];
  page.on('pageerror', (error) => errors.push(String(error)));
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  await page.goto(session.url);
  await page.waitForFunction(() => document.documentElement.dataset.firstFrame, null,
                             { timeout: 20000 });
  page.dvErrors = errors;
  return page;
}

// The main canvas's pixels as { width, height, rgba } (a Buffer), from its top-left corner.
export async function canvasPixels(page, selector = 'canvas.dv-main') {
  const result = await page.evaluate((sel) => {
    const canvas = document.querySelector(sel);
    if (!canvas) return null;
    const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
    let text = '';
    for (let i = 0; i < data.length; i += 0x8000) {
      text += String.fromCharCode.apply(null, data.subarray(i, i + 0x8000));
    }
    return { width: canvas.width, height: canvas.height, base64: btoa(text) };
  }, selector);
  if (!result) return null;
  return { width: result.width, height: result.height, rgba: Buffer.from(result.base64, 'base64') };
}
