// The viewer's dialog as the page tests see it: where the pads and the view lie, and waiting
// for the view to show what dorvane-render draws for a state.
import assert from 'node:assert/strict';
import { canvasPixels } from './browser.mjs';
import { differences, render } from './bmp.mjs';

export const RENDERER = process.env.DORVANE_RENDER || 'build/dorvane-render';

// The view inside the main dialog's client area: the frame keeps its left and top place and
// follows the right and bottom edges 8 pixels in, and the view lies 2 pixels inside it.
export const viewRect = (width, height) => ({ x: 76, y: 9, width: width - 86, height: height - 19 });

// Pad cells: three 3 x 3 pads of 17-pixel cells.
export const PAD_LEFT = 11;
export const PAD_TOP = [7, 67, 132];
export const padPoint = (pad, cell) => [PAD_LEFT + 17 * (cell % 3) + 8, PAD_TOP[pad - 1] + 17 * Math.floor(cell / 3) + 8];

export const sleep = (ms) => new Promise((done) => setTimeout(done, ms));

// Waits until the view shows the renderer's still for these options; the pixels that still
// differ when the time runs out (0 when it matched).
export async function viewMatches(page, viewport, options, timeoutMs = 5000) {
  const rect = viewRect(viewport.width, viewport.height);
  const still = render(RENDERER, rect.width, rect.height, options);
  const end = Date.now() + timeoutMs;
  for (;;) {
    // The pixels are read only once the canvas has the size (a large canvas is slow to read).
    const size = await page.evaluate(() => {
      const c = document.querySelector('canvas.dv-main');
      return c ? [c.width, c.height] : null;
    });
    const sized = size && size[0] === viewport.width && size[1] === viewport.height;
    const canvas = sized ? await canvasPixels(page) : { width: size && size[0], height: size && size[1] };
    if (sized && canvas && canvas.width === viewport.width && canvas.height === viewport.height) {
      const diff = differences(canvas, rect.x, rect.y, still);
      if (diff.count === 0) return 0;
      if (Date.now() >= end) {
        assert.fail(`${diff.count} pixels differ from "${options.join(' ')}", the first at ${diff.first}`);
      }
    } else if (Date.now() >= end) {
      assert.fail(`the canvas is ${canvas && canvas.width}x${canvas && canvas.height}, not the viewport`);
    }
    await sleep(100);
  }
}

export async function clickPad(page, pad, cell) {
  const [x, y] = padPoint(pad, cell);
  await page.mouse.click(x, y);
}

