// The worklet's module under node, driven in render quanta as the audio worklet drives it: the
// whole song as the desktop renders it, across every turn of the ring, and again from its start
// when played a second time.
//   node --test tests/web/worklet.test.mjs
import {test} from 'node:test';
import assert from 'node:assert/strict';
import {execFileSync} from 'node:child_process';
import {existsSync, mkdtempSync, readFileSync, rmSync} from 'node:fs';
import {tmpdir} from 'node:os';
import path from 'node:path';
import {fileURLToPath} from 'node:url';

import {QUANTUM, loadWorkletModule} from '../../platform/web/audio/worklet_module.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
const moduleFile = path.join(process.env.QUADRISE_WEB_BUILD || path.join(root, 'build-web'), 'site/quadrise-audio.wasm');
const render = path.join(process.env.QUADRISE_BUILD || path.join(root, 'build'), 'quadrise-render');

// The native render of the whole soundtrack: its 16-bit stereo samples.
function nativeSoundtrack() {
  const folder = mkdtempSync(path.join(tmpdir(), 'quadrise-worklet-'));
  try {
    const wav = path.join(folder, 'soundtrack.wav');
    execFileSync(render, ['soundtrack', '-o', wav], {stdio: 'ignore'});
    const bytes = readFileSync(wav);
    assert.equal(bytes.toString('latin1', 36, 40), 'data');
    return bytes.subarray(44, 44 + bytes.readUInt32LE(40));
  } finally {
    rmSync(folder, {recursive: true, force: true});
  }
}

// Plays `frames` frames and returns what the module handed out, with the clock blocks it reported.
function play(sound, frames) {
  const out = Buffer.alloc(frames * 4);
  const clocks = [];
  for (let done = 0; done < frames; done += QUANTUM) {
    const n = Math.min(QUANTUM, frames - done);
    const {block, handed} = sound.process(n);
    out.set(new Uint8Array(handed.buffer, handed.byteOffset, n * 4), done * 4);
    clocks.push(block);
  }
  return {out, clocks};
}

function firstDifference(a, b) {
  let at = 0;
  while (at < a.length && a[at] === b[at]) at++;
  return `from frame ${Math.floor(at / 4)} (${(at / 4 / 44100).toFixed(3)} s)`;
}

test('the worklet module hands out the whole song as the desktop renders it, and again when played anew', {timeout: 120000}, () => {
  assert.ok(existsSync(moduleFile), `${moduleFile} is missing: build target site`);
  assert.ok(existsSync(render), `${render} is missing`);
  const expected = nativeSoundtrack();
  const sound = loadWorkletModule(moduleFile);
  assert.equal(sound.wasm.worklet_open(), 1, sound.error());

  // Nothing plays before play: silence, no clock.
  const idle = play(sound, QUANTUM);
  assert.ok(idle.out.every((byte) => byte === 0) && idle.clocks[0] === -1, 'sound before play');

  assert.equal(sound.wasm.worklet_play(), 1, sound.error());
  const frames = expected.length / 4;
  const whole = play(sound, frames);
  assert.ok(whole.out.equals(expected), `the song differs ${firstDifference(whole.out, expected)}`);
  // The clock block is the block under the play cursor: ring blocks of 884 frames in turn.
  whole.clocks.forEach((block, call) => {
    assert.equal(block, Math.floor(((call + 1) * QUANTUM % 88400) / 884), `clock after render quantum ${call}`);
  });

  sound.wasm.worklet_stop();
  assert.ok(play(sound, QUANTUM).out.every((byte) => byte === 0), 'sound after stop');
  assert.equal(sound.wasm.worklet_play(), 1, sound.error());
  const again = play(sound, 5 * 44100);
  const start = expected.subarray(0, again.out.length);
  assert.ok(again.out.equals(start), `the song played anew differs ${firstDifference(again.out, start)}`);
});
