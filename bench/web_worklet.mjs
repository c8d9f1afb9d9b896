// What the worklet's module costs, under node (the browser's audio thread runs the same code, about
// 1.5-2.5 times slower in headless Chromium): the synthesis and load, the ring rendered ahead at
// play, and each render quantum's handing out plus mixing pass over the whole song.
//   node bench/web_worklet.mjs [build-web/site/quadrise-audio.wasm] [seconds]
import {statSync} from 'node:fs';
import {performance} from 'node:perf_hooks';

import {QUANTUM, loadWorkletModule} from './worklet_module.mjs';

const file = process.argv[2] || 'build-web/site/quadrise-audio.wasm';
const seconds = Number(process.argv[3] || 157);

let at = performance.now();
const sound = loadWorkletModule(file);
const instantiated = performance.now() - at;
at = performance.now();
if (!sound.wasm.worklet_open()) throw new Error(sound.error());
const opened = performance.now() - at;
at = performance.now();
if (!sound.wasm.worklet_play()) throw new Error(sound.error());
const played = performance.now() - at;

const rate = sound.wasm.worklet_mix_rate();
const calls = Math.ceil(seconds * rate / QUANTUM);
const costs = new Float64Array(calls);
for (let i = 0; i < calls; i++) {
  at = performance.now();
  sound.process(QUANTUM);
  costs[i] = performance.now() - at;
}
costs.sort();
const total = costs.reduce((sum, cost) => sum + cost, 0);
const budget = QUANTUM / rate * 1000;
console.log(`quadrise-audio.wasm: ${statSync(file).size} bytes`);
console.log(`instantiate ${instantiated.toFixed(1)} ms; synthesis and load ${opened.toFixed(1)} ms; ` +
            `ring rendered ahead at play ${played.toFixed(1)} ms`);
console.log(`${calls} render quanta (${seconds} s): ${(total / calls * 1000).toFixed(1)} us each on average ` +
            `(${(total / calls / budget * 100).toFixed(2)} % of a quantum's ${budget.toFixed(2)} ms), ` +
            `median ${(costs[calls >> 1] * 1000).toFixed(1)} us, 99.9th ${(costs[Math.floor(calls * 0.999)] * 1000).toFixed(1)} us, ` +
            `most ${(costs[calls - 1] * 1000).toFixed(1)} us`);
