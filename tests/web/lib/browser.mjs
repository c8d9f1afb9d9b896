// What the page tests share: a static server for a site folder (python3 -m http.server on
// 127.0.0.1, a free port), headless Chromium (Debian's, driven through playwright-core) with
// WebGL on SwiftShader, and a page on which console errors are collected.
import { execFileSync, spawn } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { createServer } from 'node:net';
import { once } from 'node:events';
import { fileURLToPath } from 'node:url';
import path from 'node:path';
import { chromium } from 'playwright-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const repository = path.resolve(here, '../../..');
// The build trees the tests read: the web build's site and the native build's tools.
export const webBuild = process.env.QUADRISE_WEB_BUILD ?? path.join(repository, 'build-web');
export const nativeBuild = process.env.QUADRISE_BUILD ?? path.join(repository, 'build');
export const siteFolder = path.join(webBuild, 'site');
export const brokenMusicFolder = path.join(webBuild, 'broken-music-site');

async function freePort() {
  const server = createServer();
  server.listen(0, '127.0.0.1');
  await once(server, 'listening');
  const { port } = server.address();
  server.close();
  await once(server, 'close');
  return port;
}

// Serves `folder` until close(); resolves once the server answers.
export async function serve(folder) {
  const port = await freePort();
  const server = spawn('python3', ['-m', 'http.server', String(port), '--bind', '127.0.0.1'], {
    cwd: folder,
    stdio: 'ignore',
  });
  // A run that ends without close() (an uncaught error) leaves no server behind.
  const stop = () => server.kill();
  process.on('exit', stop);
  const url = `http://127.0.0.1:${port}/`;
  for (let attempt = 0; ; ++attempt) {
    try {
      await fetch(url);
      break;
    } catch (error) {
      if (attempt === 100 || server.exitCode !== null) {
        server.kill();
        throw new Error(`the server for ${folder} did not start: ${error.message}`);
      }
      await new Promise((resolve) => setTimeout(resolve, 50));
    }
  }
  return {
    url,
    async close() {
      process.off('exit', stop);
      if (server.exitCode === null) {
        server.kill();
        await once(server, 'exit');
      }
    },
  };
}

// Headless Chromium with WebGL on SwiftShader and sound without a gesture or a device, with
// `extraArgs` besides (the frame bench lifts the frame rate's cap).
export function launch(extraArgs = []) {
  return chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: true,
    args: [
      '--use-gl=angle',
      '--use-angle=swiftshader',
      '--enable-unsafe-swiftshader',
      '--ignore-gpu-blocklist',
      '--autoplay-policy=no-user-gesture-required',
      ...extraArgs,
    ],
  });
}

// A new page of `browser` at 1024x768 plus room for the page's text, whose console errors and
// uncaught exceptions collect in page.problems.
export async function openPage(browser) {
  const page = await browser.newPage({ viewport: { width: 1100, height: 900 } });
  page.problems = [];
  page.on('console', (message) => {
    if (message.type() === 'error') page.problems.push(`console: ${message.text()}`);
  });
  page.on('pageerror', (error) => page.problems.push(`exception: ${error.message}`));
  return page;
}

// The native render of the soundtrack's first `seconds`: its 16-bit stereo samples.
export function nativeSoundtrack(seconds) {
  const folder = mkdtempSync(path.join(tmpdir(), 'quadrise-sound-'));
  try {
    const wav = path.join(folder, 'soundtrack.wav');
    execFileSync(path.join(nativeBuild, 'quadrise-render'), ['soundtrack', '-o', wav, '--seconds', String(seconds)],
                 { stdio: 'ignore' });
    const bytes = readFileSync(wav);
    if (bytes.toString('latin1', 0, 4) !== 'RIFF' || bytes.toString('latin1', 36, 40) !== 'data')
      throw new Error(`${wav} is not the WAV file quadrise-render writes`);
    return Buffer.from(bytes.subarray(44, 44 + bytes.readUInt32LE(40)));
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// The samples the worklet handed the output on a page opened with ?record=N, once it has all N
// seconds of them (within `timeout` ms).
export async function recordedSamples(page, timeout) {
  await page.waitForFunction(() => globalThis.quadriseTest.samples !== undefined, null,
                             { timeout, polling: 250 });
  const text = await page.evaluate(() => {
    const bytes = new Uint8Array(globalThis.quadriseTest.samples.buffer);
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  });
  return Buffer.from(text, 'base64');
}
