// Pictures for the page tests: PNG files as quadrise-render writes them (8-bit RGB, not
// interlaced) read into RGB pixels, the native frame tool run for a music time, and two
// pictures compared pixel by pixel.
import { execFileSync } from 'node:child_process';
import { readFileSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { inflateSync } from 'node:zlib';
import { nativeBuild } from './browser.mjs';

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// { width, height, rgb } of an 8-bit RGB PNG, top row first.
export function readPng(bytes) {
  const signature = [137, 80, 78, 71, 13, 10, 26, 10];
  if (!signature.every((b, k) => bytes[k] === b)) throw new Error('not a PNG file');
  let width = 0, height = 0;
  const data = [];
  for (let at = 8; at + 8 <= bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const type = bytes.toString('latin1', at + 4, at + 8);
    const body = bytes.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      if (body[8] !== 8 || body[9] !== 2 || body[12] !== 0)
        throw new Error('only 8-bit RGB PNG files without interlacing are read');
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  const raw = inflateSync(Buffer.concat(data));
  const stride = width * 3;
  if (raw.length !== height * (stride + 1)) throw new Error('PNG data of the wrong size');
  const rgb = new Uint8Array(height * stride);
  for (let y = 0; y < height; ++y) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    for (let x = 0; x < stride; ++x) {
      const a = x >= 3 ? rgb[y * stride + x - 3] : 0;
      const b = y > 0 ? rgb[(y - 1) * stride + x] : 0;
      const c = x >= 3 && y > 0 ? rgb[(y - 1) * stride + x - 3] : 0;
      const predictor = [0, a, b, (a + b) >> 1, paeth(a, b, c)][filter];
      if (predictor === undefined) throw new Error(`PNG filter ${filter} unknown`);
      rgb[y * stride + x] = (line[x] + predictor) & 0xff;
    }
  }
  return { width, height, rgb };
}

// The native frame at music time ms (quadrise-render frame), as RGB pixels, top row first.
// `environment` adds variables (QUADRISE_DRAW=immediate).
export function nativeFrame(ms, environment = {}) {
  const folder = mkdtempSync(path.join(tmpdir(), 'quadrise-frame-'));
  try {
    const file = path.join(folder, 'frame.png');
    execFileSync(path.join(nativeBuild, 'quadrise-render'), ['frame', String(ms), '-o', file], {
      env: { ...process.env, ...environment },
      stdio: ['ignore', 'ignore', 'pipe'],
    });
    return readPng(readFileSync(file)).rgb;
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}


// The picture the page's hook draws at music time ms (the page opened with ?time=...), as RGB
// pixels, top row first.
export async function webFrame(page, ms) {
  const encoded = await page.evaluate((time) => {
    const pixels = globalThis.quadriseTest.drawPicture(time).pixels;
    let text = '';
    for (let at = 0; at < pixels.length; at += 0x8000)
      text += String.fromCharCode.apply(null, pixels.subarray(at, at + 0x8000));
    return btoa(text);
  }, ms);
  return new Uint8Array(Buffer.from(encoded, 'base64'));
}

// The pixels of `a` that have no pixel of nearly their colour (within `levels` in every channel)
// at the same place or next to it in `b`: what differs beyond edges that two rasterisers place a
// pixel apart. Their count and the first of them (x, y from the top left).
export function unmatched(a, b, width, height, levels) {
  let count = 0, first = null;
  for (let y = 0; y < height; ++y) {
    for (let x = 0; x < width; ++x) {
      const p = (y * width + x) * 3;
      if (a[p] === b[p] && a[p + 1] === b[p + 1] && a[p + 2] === b[p + 2]) continue;
      let near = false;
      for (let dy = -1; dy <= 1 && !near; ++dy) {
        for (let dx = -1; dx <= 1 && !near; ++dx) {
          const xx = x + dx, yy = y + dy;
          if (xx < 0 || yy < 0 || xx >= width || yy >= height) continue;
          const q = (yy * width + xx) * 3;
          near = Math.abs(a[p] - b[q]) <= levels && Math.abs(a[p + 1] - b[q + 1]) <= levels &&
                 Math.abs(a[p + 2] - b[q + 2]) <= levels;
        }
      }
      if (near) continue;
      if (count === 0) first = { x, y };
      ++count;
    }
  }
  return { count, first };
}

// The text's pixels: grey ones (red = green = blue > 0). The cubes' palettes leave one channel
// dark, so outside the fogged states every grey pixel is text. How many of them `a` and `b` do
// not share, at the same place with the same value.
export function textDifference(a, b) {
  let differing = 0;
  const grey = (s, p) => s[p] > 0 && s[p] === s[p + 1] && s[p] === s[p + 2];
  for (let p = 0; p < a.length; p += 3) {
    if ((grey(a, p) || grey(b, p)) && (a[p] !== b[p] || a[p + 1] !== b[p + 1] || a[p + 2] !== b[p + 2]))
      ++differing;
  }
  return differing;
}
