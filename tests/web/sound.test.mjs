// The page's sound in headless Chromium, heard as a listener would: the sound tests' own page
// (build-web/sound-test/: audio.js, the worklet's module and a main module that plays the music as
// the program does) served on 127.0.0.1 and played with a click.
//   node --test tests/web/sound.test.mjs
// Needs `cmake --build build-web --target sound-test` and the native quadrise-render
// (`cmake --build build --target quadrise-render`); QUADRISE_WEB_BUILD and QUADRISE_BUILD name
// other build folders.
import {test, before, after} from 'node:test';
import assert from 'node:assert/strict';
import {existsSync} from 'node:fs';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

import {launch, nativeSoundtrack, openPage, recordedSamples, serve} from './lib/browser.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const webBuild = process.env.QUADRISE_WEB_BUILD || path.join(root, 'build-web');
const nativeBuild = process.env.QUADRISE_BUILD || path.join(root, 'build');
const pageFolder = path.join(webBuild, 'sound-test');

const RATE = 44100;
const BLOCK_MS = 884 / RATE * 1000;  // one block of the ring: 884 frames
const RECORD_SECONDS = 20;

let server;
let browser;

before(async () => {
  for (const file of ['index.html', 'audio.js', 'quadrise-audio.wasm', 'sound_page.js', 'sound_page.wasm'])
    assert.ok(existsSync(path.join(pageFolder, file)), `${pageFolder}/${file} is missing: build target sound-test`);
  assert.ok(existsSync(path.join(nativeBuild, 'quadrise-render')), `${nativeBuild}/quadrise-render is missing`);
  server = await serve(pageFolder);
  browser = await launch();
});

after(async () => {
  if (browser) await browser.close();
  if (server) await server.close();
});

// Opens the sound page with `query`, running `setup` in it first; its console errors collect in
// page.problems.
async function openSoundPage(query, setup) {
  const page = await openPage(browser);
  if (setup) await page.addInitScript(setup);
  await page.goto(`${server.url}index.html${query}`);
  await page.waitForFunction(() => globalThis.quadriseTest.mainReady === true, null, {timeout: 10000});
  return page;
}

test('the worklet hands the output the desktop render byte for byte, and the clock never runs ahead of what is heard, with the main thread stalled for a while', {timeout: 90000}, async () => {
  const page = await openSoundPage(`?record=${RECORD_SECONDS}`);
  await page.click('#play');
  // A main thread busy for 300 ms in the middle: the sound is made in the worklet and goes on.
  await page.waitForFunction(() => globalThis.quadriseTest.startFrame !== undefined, null, {timeout: 30000});
  await new Promise((resolve) => setTimeout(resolve, 3000));
  await page.evaluate(() => {
    const start = performance.now();
    while (performance.now() - start < 300);
  });
  const heard = await recordedSamples(page, (RECORD_SECONDS + 30) * 1000);
  const result = await page.evaluate(() => {
    const t = globalThis.quadriseTest;
    return {clock: t.clock, stamps: t.stamps, startFrame: t.startFrame,
            started: t.started, silent: t.silent,
            status: document.getElementById('status').textContent,
            firstSound: t.firstSoundMs, click: t.playClickMs, synthesis: t.synthesisMs, cost: t.renderCost};
  });
  await page.close();
  assert.equal(result.started, 1, 'the music did not start');
  assert.equal(result.silent, 0, `the music played silently: ${result.status}`);

  const expected = nativeSoundtrack(RECORD_SECONDS);
  assert.equal(heard.length, RECORD_SECONDS * RATE * 4);
  assert.equal(expected.length, heard.length);
  if (!heard.equals(expected)) {
    let at = 0;
    while (heard[at] === expected[at]) at++;
    const frame = Math.floor(at / 4);
    assert.fail(`the sound differs from the native render from frame ${frame} (${(frame / RATE).toFixed(3)} s, ` +
                `block ${Math.floor(frame / 884)} of the song)`);
  }

  // The worklet's clock blocks: the ring's blocks in turn, each beginning to be heard at least one
  // block after the one before (more only where the browser's audio thread fell behind and the
  // output lost whole render quanta, which a loaded machine can make happen).
  const stamps = result.stamps;
  assert.ok(stamps.length > RECORD_SECONDS * 1000 / BLOCK_MS - 50, `only ${stamps.length} clock blocks`);
  assert.equal(stamps[0].frame, result.startFrame, 'the first clock block does not begin with the song');
  let lostFrames = 0;
  stamps.forEach((stamp, serial) => {
    assert.equal(stamp.block, serial % 100, `clock block ${serial}`);
    if (serial === 0) return;
    const step = stamp.frame - stamps[serial - 1].frame;
    assert.ok(step >= 884 && (step - 884) % 128 === 0, `clock block ${serial} begins ${step} frames after the one before`);
    lostFrames += step - 884;
  });
  // The clock as the timeline read it beside the position heard at that moment. The clock is the
  // stamp of a block, the song's time at that block's end; that end is never more than one block
  // ahead of the heard position (the block is the one being heard, not a later one). The song's
  // clock counts whole milliseconds per piece and so falls slowly behind the frames: the block
  // shown is compared with the position heard, not its time.
  const serialOf = new Map(stamps.map((stamp, serial) => [stamp.time, serial]));
  const blockEndMs = (serial) => (serial < 0 ? 0 : (stamps[serial].frame + 884 - result.startFrame) / RATE * 1000);
  const clock = result.clock;
  assert.ok(clock.length > 1000, `only ${clock.length} clock samples`);
  let ahead = -Infinity;
  let behind = -Infinity;
  const behindLately = [];  // over the last 5 s, long after the stall
  let worst = null;
  for (const sample of clock) {
    const serial = sample.clock === 0 ? -1 : serialOf.get(sample.clock);
    assert.ok(serial !== undefined, `the clock read ${sample.clock} ms, no block's stamp`);
    const end = blockEndMs(serial);
    if (end - sample.heard > ahead) worst = {sample, serial, end};
    ahead = Math.max(ahead, end - sample.heard);
    behind = Math.max(behind, sample.heard - end);
    if (sample.heard > (RECORD_SECONDS - 5) * 1000) behindLately.push(sample.heard - end);
  }
  const last = clock[clock.length - 1];
  console.log(`clock: ${clock.length} samples over ${(last.heard / 1000).toFixed(1)} s heard; the block shown ends ` +
              `at most ${ahead.toFixed(1)} ms ahead of the heard position, at most ${behind.toFixed(1)} ms behind it; ` +
              `first sound ${result.firstSound.toFixed(0)} ms after the page began loading, ` +
              `${(result.firstSound - result.click).toFixed(0)} ms after the click; ` +
              `synthesis in the worklet ${result.synthesis.toFixed(0)} ms; ` +
              `render ${result.cost.calls} calls, about ${(result.cost.ms / result.cost.calls * 1000).toFixed(1)} us each; ` +
              `${lostFrames} frames lost by the output`);
  assert.ok(ahead <= BLOCK_MS + 0.5, `the clock ran ${ahead.toFixed(1)} ms ahead of the heard position: ` +
            `${JSON.stringify(worst)}, ${lostFrames} frames lost`);
  assert.ok(last.heard > (RECORD_SECONDS - 2) * 1000, `the clock was sampled only up to ${last.heard} ms`);
  // The clock follows the sound: once the main thread runs freely again it is not left behind. A
  // clock that kept the stall's lag would read some 300 ms behind all the time; a loaded machine
  // delays a message now and then by up to a few hundred milliseconds, so the typical lag is what
  // counts.
  behindLately.sort((a, b) => a - b);
  const typicalLag = behindLately[Math.floor(behindLately.length / 2)];
  assert.ok(behindLately.length > 100 && typicalLag < 3 * BLOCK_MS,
            `over the last 5 s the clock was typically ${typicalLag?.toFixed(1)} ms behind the heard position`);
  assert.deepEqual(page.problems, [], `the console showed errors: ${page.problems.join(' | ')}`);
});

// Where the browser gives no sound the page says why in one line, and the music plays on the silent
// device: the clock runs with the page's own clock as if it were heard.
test('a browser without AudioWorklet, at another rate than 44100 Hz, keeping its audio suspended or without the worklet\'s module gets no sound, a reason, and a running clock', {timeout: 90000}, async () => {
  const browsers = [
    {setup: () => { delete globalThis.AudioWorkletNode; }, reason: 'No sound. This browser has no AudioWorklet'},
    {setup: () => {
      const Context = globalThis.AudioContext;
      globalThis.AudioContext = class extends Context {
        constructor(options) { super(Object.assign({}, options, {sampleRate: 48000})); }
      };
    }, reason: 'No sound. The browser plays sound at 48000 Hz, not at 44100 Hz.'},
    // A context the browser keeps suspended: after a while the song plays silently.
    {setup: () => {
      const Context = globalThis.AudioContext;
      globalThis.AudioContext = class extends Context {
        constructor(options) {
          super(options);
          super.suspend();
        }
        resume() { return Promise.resolve(); }
      };
    }, reason: 'No sound. The browser did not let the sound start (the audio context is suspended).'},
    // The worklet's module cannot be fetched: the failure comes after music_play has returned.
    {route: '**/quadrise-audio.wasm', reason: 'No sound. The sound worklet cannot start (quadrise-audio.wasm: 404'},
  ];
  for (const {setup, route, reason} of browsers) {
    const page = await openSoundPage('', setup);
    if (route) await page.route(route, (request) => request.fulfill({status: 404, body: ''}));
    await page.click('#play');
    await page.waitForFunction(() => globalThis.quadriseTest.started !== undefined &&
                                     document.getElementById('status').textContent.startsWith('No sound'),
                               null, {timeout: 15000});
    const first = await page.evaluate(() => ({started: quadriseTest.started, silent: Module._sound_page_silent(),
                                              status: document.getElementById('status').textContent,
                                              clock: Module._web_audio_clock_ms(), at: performance.now()}));
    await new Promise((resolve) => setTimeout(resolve, 1500));
    const later = await page.evaluate(() => ({clock: Module._web_audio_clock_ms(), at: performance.now()}));
    await page.close();
    assert.equal(first.started, 1, 'the music did not start');
    assert.equal(first.silent, 1, 'the music is not on the silent device');
    assert.ok(first.status.startsWith(reason), `the page says "${first.status}"`);
    // The song's clock runs slightly slower than the frames (whole milliseconds per piece), and
    // the clock is a block's stamp: within a few blocks of the time that passed.
    const passed = later.at - first.at;
    const moved = later.clock - first.clock;
    assert.ok(moved > passed * 0.9 - 3 * BLOCK_MS && moved < passed + 3 * BLOCK_MS,
              `the clock moved ${moved} ms in ${passed.toFixed(0)} ms`);
  }
});

// Played anew while the worklet's stamps of the old playback are still on their way: none of them
// moves the new playback's clock, which starts again from the song's beginning.
test('a song played anew starts its clock afresh, whatever the old playback still had in flight', {timeout: 60000}, async () => {
  const page = await openSoundPage('?record=1');
  await page.click('#play');
  await page.waitForFunction(() => globalThis.quadriseTest.startFrame !== undefined, null, {timeout: 30000});
  await new Promise((resolve) => setTimeout(resolve, 1500));
  const before = await page.evaluate(() => {
    // Busy long enough for several of the old playback's stamps to queue up behind this task.
    const start = performance.now();
    while (performance.now() - start < 150);
    const clock = Module._web_audio_clock_ms();
    Module._sound_page_stop();
    quadriseTest.replayed = Module._sound_page_start();
    quadriseTest.replayFrom = quadriseTest.clock.length;
    // Until the new playback is heard, its clock reads the song's beginning: at once, and whenever
    // the timer gets a turn between the old stamps and the new start (the browser may hand it none).
    const oldStart = quadriseTest.startFrame;
    quadriseTest.beforeStart = [Module._web_audio_clock_ms()];
    const timer = setInterval(() => {
      if (quadriseTest.startFrame !== oldStart) clearInterval(timer);
      else quadriseTest.beforeStart.push(Module._web_audio_clock_ms());
    }, 1);
    return {clock, startFrame: oldStart};
  });
  await page.waitForFunction((old) => globalThis.quadriseTest.startFrame !== old, before.startFrame, {timeout: 10000});
  await new Promise((resolve) => setTimeout(resolve, 1000));
  const after = await page.evaluate(() => ({replayed: quadriseTest.replayed, beforeStart: quadriseTest.beforeStart,
                                            clock: quadriseTest.clock.slice(quadriseTest.replayFrom)}));
  await page.close();
  assert.equal(after.replayed, 1, 'the music did not start again');
  assert.ok(before.clock > 1000, `the first playback's clock stood at ${before.clock} ms`);
  assert.ok(after.clock.length > 100, `only ${after.clock.length} clock samples after the new start`);
  assert.ok(after.beforeStart.length > 0 && after.beforeStart.every((clock) => clock === 0),
            `before the new start the clock read ${[...new Set(after.beforeStart)].join(', ')} ms`);
  // The clock shows a block's end, at most one block ahead of the position heard since the start.
  for (const sample of after.clock)
    assert.ok(sample.clock <= sample.heard + BLOCK_MS + 0.5, `the clock read ${sample.clock} ms at ${sample.heard.toFixed(1)} ms heard`);
  assert.deepEqual(page.problems, [], `the console showed errors: ${page.problems.join(' | ')}`);
});
