#!/usr/bin/env node
// The page's figures: each scene's frame rate in headless Chromium (WebGL on SwiftShader),
// beside the native figure of the same run (bench/frames.sh: build/bench/frame_bench on Xvfb,
// Mesa's llvmpipe); the time from opening the page to its question, and from the answer to the
// first picture and to the running show; the size of the site.
//
// The page draws the scenes as the native bench does: the frame at the middle of the scene,
// then 150 frames (30 with the cubes drawn one at a time) with the clock one 20 ms block step
// further each, one per animation frame,
// with the browser's frame-rate cap lifted. The rate counts frames the browser has presented
// (animation frame to animation frame), so SwiftShader's rasterising is in it.
//
// Usage: node bench/web_frame_rate.mjs [--no-native] [--start-only]   (after scripts/build-web.sh,
// and for the native column cmake --build build --target frame_bench; QUADRISE_WEB_BUILD and
// QUADRISE_BUILD name other build folders). --start-only measures the start and the size alone.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, statSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { launch, nativeBuild, serve, siteFolder } from '../tests/web/lib/browser.mjs';

const repository = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const FRAMES = 150;
// One cube at a time runs at a few frames a second on SwiftShader: fewer frames for those.
const IMMEDIATE_FRAMES = 30;
const SCENES = [
  ['empty', 1000], ['title', 8000], ['palette', 64000], ['tilted', 82500], ['bands', 98500],
  ['trail', 114000], ['far_bands', 131000], ['spinning', 150000],
];

function nativeRates() {
  const scratch = mkdtempSync(path.join(tmpdir(), 'quadrise-bench-'));
  try {
    const out = path.join(scratch, 'frames.json');
    execFileSync('bash', [path.join(repository, 'bench/frames.sh'), nativeBuild,
                          `--benchmark_out=${out}`, '--benchmark_out_format=json'],
                 { stdio: ['ignore', 'ignore', 'inherit'] });
    const rates = {};
    for (const run of JSON.parse(readFileSync(out, 'utf8')).benchmarks)
      rates[run.name.replace(/^BM_Frames\//, '').replace(/\/.*$/, '')] = run.fps;
    return rates;
  } finally {
    rmSync(scratch, { recursive: true, force: true });
  }
}

async function sceneRate(browser, url, start, draw) {
  const page = await browser.newPage({ viewport: { width: 1100, height: 900 } });
  await page.goto(`${url}?time=${start}${draw === 'immediate' ? '&draw=immediate' : ''}`);
  await page.waitForFunction(() => globalThis.quadriseTest.picture !== undefined, null, { timeout: 60000 });
  const result = await page.evaluate(({ start, frames }) => new Promise((resolve) => {
    document.getElementById('canvas').style.visibility = 'visible';
    const module = globalThis.Module;
    const stamps = [];
    let ms = start;
    function frame(now) {
      stamps.push(now);
      if (stamps.length > frames) {
        const gaps = stamps.slice(1).map((t, k) => t - stamps[k]).sort((a, b) => a - b);
        resolve({ fps: frames * 1000 / (stamps[frames] - stamps[0]),
                  median: gaps[Math.floor(gaps.length / 2)],
                  p95: gaps[Math.floor(gaps.length * 0.95)] });
        return;
      }
      ms += 20;
      module._picture_step(ms);
      requestAnimationFrame(frame);
    }
    requestAnimationFrame(frame);
  }), { start, frames: draw === 'immediate' ? IMMEDIATE_FRAMES : FRAMES });
  await page.close();
  return result;
}

// Opening the page to its question; the answer (No) to the "Loading..." picture on the screen
// and to the show's clock running (instruments synthesized, module loaded, sound started).
async function startTimes(browser, url) {
  const page = await browser.newPage({ viewport: { width: 1100, height: 900 } });
  const opened = Date.now();
  await page.goto(url);
  await page.waitForSelector('#box:not([hidden])');
  const question = Date.now() - opened;
  await page.evaluate(() => {
    const test = globalThis.quadriseTest;
    test.bench = {};
    // Read at the start of each animation frame: the picture drawn in the frame before is on
    // the screen by then. Ahead of the page's own, so that the answer's click is timed first.
    function watch() {
      const now = performance.now(), show = test.show();
      if (show.state > -3 && test.bench.loading === undefined) test.bench.loading = now;
      if (show.clock > 0) { test.bench.running = now; return; }
      requestAnimationFrame(watch);
    }
    document.addEventListener('click', () => {
      test.bench.clicked = performance.now();
      requestAnimationFrame(watch);
    }, { capture: true });
  });
  await page.click('#box-buttons button:text-is("No")');
  await page.waitForFunction(() => globalThis.quadriseTest.bench.running !== undefined, null, { timeout: 60000 });
  const bench = await page.evaluate(() => globalThis.quadriseTest.bench);
  await page.close();
  return { question, loading: bench.loading - bench.clicked, running: bench.running - bench.clicked };
}

function siteSize(folder) {
  return readdirSync(folder).map((name) => [name, statSync(path.join(folder, name)).size]);
}

const startOnly = process.argv.includes('--start-only');
const native = process.argv.includes('--no-native') || startOnly ? {} : nativeRates();
const server = await serve(siteFolder);
const browser = await launch(['--disable-gpu-vsync', '--disable-frame-rate-limit']);
try {
  console.log('scene        web fps  median ms  p95 ms | immediate fps | native fps  immediate');
  for (const [name, start] of startOnly ? [] : SCENES) {
    const batched = await sceneRate(browser, server.url, start, 'batched');
    const immediate = await sceneRate(browser, server.url, start, 'immediate');
    const cell = (v) => (v === undefined ? '-' : v.toFixed(1)).padStart(10);
    console.log(`${name.padEnd(12)}${batched.fps.toFixed(1).padStart(8)}${batched.median.toFixed(1).padStart(11)}` +
                `${batched.p95.toFixed(1).padStart(8)} |${immediate.fps.toFixed(1).padStart(14)} |` +
                `${cell(native[name])} ${cell(native[`${name}_immediate`])}`);
  }
  const times = await startTimes(browser, server.url);
  console.log(`page opened to question: ${times.question} ms; answer to "Loading..." on screen: ` +
              `${times.loading.toFixed(0)} ms; answer to the show's clock running: ${times.running.toFixed(0)} ms`);
  const files = siteSize(siteFolder);
  const total = files.reduce((sum, [, size]) => sum + size, 0);
  console.log(`site: ${total} bytes (${files.map(([n, s]) => `${n} ${s}`).join(', ')})`);
} finally {
  await browser.close();
  await server.close();
}
