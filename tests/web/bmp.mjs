// What dorvane-render draws, read as the colours a person sees: its 8-bit BMP's pixels through
// the BMP's colour table (the program's palette).
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';

// { width, height, rgb } with rgb three bytes a pixel, top row first.
export function readBmp8(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  if (bytes.length < 54 || view.getUint16(0, true) !== 0x4d42) throw new Error('not a BMP file');
  const dataOffset = view.getUint32(10, true);
  const headerSize = view.getUint32(14, true);
  const width = view.getInt32(18, true);
  const rawHeight = view.getInt32(22, true);
  const bits = view.getUint16(28, true);
  if (bits !== 8 || width <= 0 || rawHeight === 0) throw new Error(`not an 8-bit BMP (${bits} bits)`);
  const height = Math.abs(rawHeight);
  const colours = view.getUint32(46, true) || 256;
  const table = 14 + headerSize;
  const stride = (width + 3) & ~3;
  if (dataOffset + stride * height > bytes.length) throw new Error('BMP file cut short');
  const rgb = new Uint8Array(width * height * 3);
  for (let row = 0; row < height; ++row) {
    const source = dataOffset + (rawHeight > 0 ? height - 1 - row : row) * stride;
    for (let col = 0; col < width; ++col) {
      const index = bytes[source + col];
      if (index >= colours) throw new Error(`colour index ${index} past the table`);
      const entry = table + index * 4;
      const out = (row * width + col) * 3;
      rgb[out] = bytes[entry + 2];
      rgb[out + 1] = bytes[entry + 1];
      rgb[out + 2] = bytes[entry];
    }
  }
  return { width, height, rgb };
}

// Runs dorvane-render with these options at this size and reads its still.
export function render(renderer, width, height, options = []) {
  const dir = mkdtempSync(join(tmpdir(), 'dorvane-render-'));
  try {
    const out = join(dir, 'still.bmp');
    execFileSync(renderer, ['--size', `${width}x${height}`, ...options, '--out', out],
                 { stdio: ['ignore', 'ignore', 'inherit'] });
    return readBmp8(readFileSync(out));
  } finally {
    rmSync(dir, { recursive: true, force: true });
  }
}

// Pixels of the canvas rectangle (x, y, width, height) that differ from the still: the count
// and the first one.
export function differences(canvas, x, y, still) {
  let count = 0;
  let first = null;
  for (let row = 0; row < still.height; ++row) {
    for (let col = 0; col < still.width; ++col) {
      const c = ((y + row) * canvas.width + x + col) * 4;
      const s = (row * still.width + col) * 3;
      if (canvas.rgba[c] !== still.rgb[s] || canvas.rgba[c + 1] !== still.rgb[s + 1] ||
          canvas.rgba[c + 2] !== still.rgb[s + 2] || canvas.rgba[c + 3] !== 255) {
        if (!first) first = [col, row];
        ++count;
      }
    }
  }
  return { count, first };
}
