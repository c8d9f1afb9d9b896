// The page's sound, on the main thread: globalThis.quadriseAudio.
//
// missing() says in one line what the browser lacks for sound (null when nothing). unlock(), called
// inside the click that answers the question, opens the AudioContext at 44100 Hz and starts the
// audio worklet, whose own WebAssembly module (quadrise-audio.wasm) synthesizes the instruments at
// once and then is the device and the mixing thread. play(hooks) and stop() are called by the main
// module's music_play and music_stop; the worklet's clock comes back through hooks.clock once the
// block it names is being heard, by the context's output timestamp.
//
// For the page tests, with ?record=N in the address (N seconds, at most 20): quadriseTest.samples
// gets the first N seconds of 16-bit stereo samples the worklet handed to the output, and
// quadriseTest.clock the clock as the timeline reads it beside the heard position, both in ms;
// quadriseTest.stamps the worklet's clock blocks, each with its stamp's time and the context frame
// at which it begins to be heard, and quadriseTest.startFrame the frame the song begins at.
(function () {
  'use strict';
  const RATE = 44100;
  const MAX_RECORD_SECONDS = 20;
  const CLOCK_SAMPLES = 8000;
  const RESUME_WAIT_MS = 5000;  // how long a context may stay suspended before the song plays silently

  const test = (globalThis.quadriseTest = globalThis.quadriseTest || {});
  const recordSeconds = Math.min(
    MAX_RECORD_SECONDS, Math.max(0, Number(new URLSearchParams(location.search).get('record')) || 0));

  let context = null;
  let node = null;
  let failure = null;      // why there is no sound, once known
  let hooks = null;        // the main module's playback, while it plays
  let outbox = [];         // messages for the worklet before its node exists
  let stamps = [];         // clock messages waiting until their block is heard
  let playStart = null;    // context time at which the ring's first frame is heard
  let pump = null;
  let playCount = 0;       // which play the worklet's clock messages belong to

  function say(text) {
    if (globalThis.quadrisePage && globalThis.quadrisePage.say) globalThis.quadrisePage.say(text);
  }

  function missing() {
    if (typeof WebAssembly !== 'object') return 'This browser has no WebAssembly.';
    if (typeof AudioContext !== 'function') return 'This browser has no Web Audio.';
    if (typeof AudioWorkletNode !== 'function' || !('audioWorklet' in AudioContext.prototype))
      return 'This browser has no AudioWorklet (it needs a secure address: https or localhost).';
    return null;
  }

  // No sound from here on: the page says why (`reason` is one sentence), and a song already
  // playing goes on silently.
  function fail(reason) {
    if (failure) return;
    failure = reason;
    console.warn('quadrise: no sound: ' + reason);
    say('No sound. ' + reason);
    stopPump();
    const playing = hooks;
    hooks = null;
    if (playing) playing.silent(reason);
  }

  function post(message) {
    if (node) node.port.postMessage(message);
    else outbox.push(message);
  }

  // The context time being heard: the output's latest timestamp. It is renewed with each of the
  // output's callbacks, so it can lag what is heard by one of them, never lead it: a block counts
  // as heard no earlier than it is. Where the browser revises a timestamp back (seen by a few
  // milliseconds on a loaded machine), the position already reached stands: the clock never
  // goes back.
  let heardSoFar = 0;
  function heardTime() {
    heardSoFar = Math.max(heardSoFar, context.getOutputTimestamp().contextTime || 0);
    return heardSoFar;
  }

  // Hands the main module every stamp whose block has begun to be heard.
  function applyHeard() {
    if (!hooks || !stamps.length) return;
    const now = heardTime();
    while (stamps.length && stamps[0].start <= now) {
      const s = stamps.shift();
      hooks.clock(s.block, s.order, s.row, s.time);
    }
  }

  function sampleClock() {
    if (!hooks || playStart === null || !test.clock || test.clock.length >= CLOCK_SAMPLES) return;
    const heard = (heardTime() - playStart) * 1000;
    if (heard >= 0) test.clock.push({clock: hooks.clockMs(), heard: heard});
  }

  function startPump() {
    stopPump();
    pump = setInterval(function () {
      applyHeard();
      if (recordSeconds) sampleClock();
    }, 4);
  }

  function stopPump() {
    if (pump !== null) clearInterval(pump);
    pump = null;
  }

  function heard(event) {
    const m = event.data;
    // A stamp or start still in flight from a playback since stopped belongs to no song now.
    if ((m.type === 'clock' || m.type === 'started') && m.play !== playCount) return;
    if (m.type === 'clock') {
      if (test.stamps && test.stamps.length < CLOCK_SAMPLES) test.stamps.push({block: m.block, time: m.time, frame: m.frame});
      stamps.push({block: m.block, order: m.order, row: m.row, time: m.time, start: m.frame / RATE});
      applyHeard();
    } else if (m.type === 'started') {
      playStart = m.frame / RATE;
      test.startFrame = m.frame;
      if (test.firstSoundMs === undefined)
        test.firstSoundMs = performance.now() + (playStart - heardTime()) * 1000;
    } else if (m.type === 'opened') {
      test.synthesisMs = m.ms;
    } else if (m.type === 'samples') {
      test.samples = new Int16Array(m.samples);
    } else if (m.type === 'cost') {
      test.renderCost = m.cost;
    } else if (m.type === 'log') {
      console.log(m.text);
    } else if (m.type === 'failed') {
      fail(m.reason);
    }
  }

  async function startWorklet() {
    const response = await fetch('quadrise-audio.wasm');
    if (!response.ok) throw new Error('quadrise-audio.wasm: ' + response.status + ' ' + response.statusText);
    const wasm = await response.arrayBuffer();
    const source = '(' + quadriseSoundProcessor.toString() + ')();';
    const url = URL.createObjectURL(new Blob([source], {type: 'text/javascript'}));
    await context.audioWorklet.addModule(url);
    URL.revokeObjectURL(url);
    node = new AudioWorkletNode(context, 'quadrise-sound', {
      numberOfInputs: 0, numberOfOutputs: 1, outputChannelCount: [2],
      processorOptions: {wasm: wasm, recordFrames: recordSeconds * RATE}});
    node.port.onmessage = heard;
    node.onprocessorerror = function () { fail('The sound worklet stopped with an error.'); };
    node.connect(context.destination);
    for (const message of outbox) node.port.postMessage(message);
    outbox = [];
  }

  // Resumes the context; a refusal shows as a context that stays suspended (see play).
  function resume() {
    context.resume().catch(function () {});
  }

  function unlock() {
    if (failure) return;
    if (context) {
      resume();
      return;
    }
    const lack = missing();
    if (lack) return fail(lack);
    try {
      context = new AudioContext({sampleRate: RATE, latencyHint: 'interactive'});
    } catch (error) {
      return fail('The browser cannot open its audio output (' + error.message + ').');
    }
    if (context.sampleRate !== RATE) {
      const rate = context.sampleRate;
      context.close();
      context = null;
      return fail('The browser plays sound at ' + rate + ' Hz, not at ' + RATE + ' Hz.');
    }
    resume();
    if (recordSeconds) {
      test.clock = [];
      test.stamps = [];
    }
    startWorklet().catch(function (error) { fail('The sound worklet cannot start (' + error.message + ').'); });
  }

  // The main module's music_play: null when the worklet will play, else why there is no sound.
  function play(mainHooks) {
    if (failure) return failure;
    if (!context) return 'The sound was not started by an answer to the question.';
    hooks = mainHooks;
    stamps = [];
    playStart = null;
    post({type: 'play', play: ++playCount});
    startPump();
    // A browser that keeps the context suspended (no gesture it accepts) would hold the clock at
    // the song's start for ever: after a while the song plays silently instead.
    const count = playCount;
    setTimeout(function () {
      if (count === playCount && hooks && context.state !== 'running')
        fail('The browser did not let the sound start (the audio context is ' + context.state + ').');
    }, RESUME_WAIT_MS);
    return null;
  }

  function stop() {
    hooks = null;
    stamps = [];
    stopPump();
    if (context) post({type: 'stop'});
  }

  // ---- The AudioWorkletProcessor, sent to the worklet as its own source -------------------------
  // It compiles the module from the bytes in processorOptions, synthesizes at once, and in each
  // process() hands the output the frames at the play cursor and runs one mixing pass. It tells
  // the page when the clock block changes and at which context frame that block begins to be heard.
  function quadriseSoundProcessor() {
    class QuadriseSound extends AudioWorkletProcessor {
      constructor(options) {
        super();
        this.port.onmessage = (event) => this.order(event.data);
        this.playing = false;
        this.block = -1;
        this.frame = -Infinity;
        this.cost = {calls: 0, ms: 0, maxMs: 0};
        const frames = options.processorOptions.recordFrames | 0;
        this.record = frames > 0 ? new Int16Array(frames * 2) : null;
        this.recorded = 0;
        try {
          this.open(options.processorOptions.wasm);
        } catch (error) {
          this.wasm = null;
          this.port.postMessage({type: 'failed', reason: 'The sound module cannot start (' + error.message + ').'});
        }
      }

      now() {
        return globalThis.performance ? globalThis.performance.now() : Date.now();
      }

      // The system calls a standalone module may import: error lines go to the console, and an
      // exit ends the module with an error.
      imports(module) {
        let line = '';
        const port = this.port;
        const calls = {
          fd_write: (fd, iovs, count, written) => {
            const view = new DataView(this.memory.buffer);
            let total = 0;
            for (let i = 0; i < count; i++) {
              const at = view.getUint32(iovs + 8 * i, true);
              const length = view.getUint32(iovs + 8 * i + 4, true);
              const bytes = new Uint8Array(this.memory.buffer, at, length);
              for (const byte of bytes) {
                if (byte === 10) {
                  port.postMessage({type: 'log', text: line});
                  line = '';
                } else {
                  line += String.fromCharCode(byte);
                }
              }
              total += length;
            }
            view.setUint32(written, total, true);
            return 0;
          },
          proc_exit: (code) => { throw new Error('the sound module exited with ' + code); },
          emscripten_notify_memory_growth: () => {},
        };
        const table = {};
        for (const entry of WebAssembly.Module.imports(module)) {
          table[entry.module] = table[entry.module] || {};
          table[entry.module][entry.name] = calls[entry.name] || (() => 52);  // ENOSYS
        }
        return table;
      }

      open(bytes) {
        const module = new WebAssembly.Module(bytes);
        const instance = new WebAssembly.Instance(module, this.imports(module));
        this.wasm = instance.exports;
        this.memory = instance.exports.memory;
        if (this.wasm._initialize) this.wasm._initialize();
        const started = this.now();
        if (!this.wasm.worklet_open()) throw new Error(this.text(this.wasm.worklet_error()));
        this.port.postMessage({type: 'opened', ms: this.now() - started});
        this.views = null;
      }

      text(pointer) {
        const bytes = new Uint8Array(this.memory.buffer, pointer);
        let text = '';
        for (let i = 0; bytes[i]; i++) text += String.fromCharCode(bytes[i]);
        return text;
      }

      order(message) {
        if (!this.wasm) return;
        if (message.type === 'play') {
          this.playing = false;
          if (!this.wasm.worklet_play()) {
            this.port.postMessage({type: 'failed', reason: 'The sound module cannot play (' + this.text(this.wasm.worklet_error()) + ').'});
            return;
          }
          this.playing = true;
          this.play = message.play;
          this.block = -1;
          this.started = false;
        } else if (message.type === 'stop') {
          this.playing = false;
          this.wasm.worklet_stop();
        }
      }

      // Views of the module's output buffers, made again when its memory has grown.
      output(frames) {
        if (!this.views || this.views.buffer !== this.memory.buffer) {
          const buffer = this.memory.buffer;
          this.views = {
            buffer: buffer,
            left: new Float32Array(buffer, this.wasm.worklet_left(), 1024),
            right: new Float32Array(buffer, this.wasm.worklet_right(), 1024),
            handed: new Int16Array(buffer, this.wasm.worklet_handed(), 2048),
          };
        }
        return this.views;
      }

      process(inputs, outputs) {
        const channels = outputs[0];
        const frames = channels[0].length;
        // The context frame this call's output begins at. Chromium renders several quanta at a
        // time and leaves currentFrame at the first one's for all of them, so the frames are
        // counted here; currentFrame, never ahead, brings the count forward where it is behind.
        this.frame = Math.max(this.frame + frames, currentFrame);
        if (!this.wasm || !this.playing) return true;
        const started = this.now();
        let block;
        try {
          block = this.wasm.worklet_process(frames);
        } catch (error) {
          this.wasm = null;
          this.port.postMessage({type: 'failed', reason: 'The sound module failed (' + error.message + ').'});
          return false;
        }
        const views = this.output(frames);
        channels[0].set(views.left.subarray(0, frames));
        if (channels.length > 1) channels[1].set(views.right.subarray(0, frames));
        const ms = this.now() - started;
        this.cost.calls++;
        this.cost.ms += ms;
        if (ms > this.cost.maxMs) this.cost.maxMs = ms;
        if (!this.started) {
          this.started = true;
          this.port.postMessage({type: 'started', play: this.play, frame: this.frame});
        }
        if (block !== this.block) {
          this.block = block;
          const into = this.wasm.worklet_cursor_in_block();
          this.port.postMessage({type: 'clock', play: this.play, block: block, order: this.wasm.worklet_stamp_order(block),
                                 row: this.wasm.worklet_stamp_row(block), time: this.wasm.worklet_stamp_time(block),
                                 frame: this.frame + frames - into});
        }
        if (this.record && this.recorded < this.record.length) {
          const count = Math.min(frames * 2, this.record.length - this.recorded);
          this.record.set(views.handed.subarray(0, count), this.recorded);
          this.recorded += count;
          if (this.recorded === this.record.length) {
            this.port.postMessage({type: 'cost', cost: this.cost});
            this.port.postMessage({type: 'samples', samples: this.record.buffer}, [this.record.buffer]);
            this.record = null;
          }
        }
        return true;
      }
    }
    registerProcessor('quadrise-sound', QuadriseSound);
  }

  globalThis.quadriseAudio = {missing: missing, unlock: unlock, play: play, stop: stop};
})();
