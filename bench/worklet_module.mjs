// The worklet's module (quadrise-audio.wasm) under node, driven as the worklet drives it: for the
// bench. The module imports nothing node must supply beyond the stubs here.
import {readFileSync} from 'node:fs';

export const QUANTUM = 128;

// Instantiates the module at `file`: its exports, and `samples(frames)`, which runs one
// worklet_process call and returns the 16-bit stereo frames it handed out.
export function loadWorkletModule(file) {
  const module = new WebAssembly.Module(readFileSync(file));
  const imports = {};
  for (const entry of WebAssembly.Module.imports(module)) {
    imports[entry.module] = imports[entry.module] || {};
    imports[entry.module][entry.name] = entry.name === 'proc_exit'
      ? (code) => { throw new Error(`the module exited with ${code}`); }
      : () => 52;  // ENOSYS; emscripten_notify_memory_growth ignores it
  }
  const wasm = new WebAssembly.Instance(module, imports).exports;
  if (wasm._initialize) wasm._initialize();
  const text = (pointer) => {
    const bytes = new Uint8Array(wasm.memory.buffer, pointer);
    return Buffer.from(bytes.subarray(0, bytes.indexOf(0))).toString('latin1');
  };
  return {
    wasm,
    error: () => text(wasm.worklet_error()),
    process(frames) {
      const block = wasm.worklet_process(frames);
      return {block, handed: new Int16Array(wasm.memory.buffer, wasm.worklet_handed(), frames * 2)};
    },
  };
}
