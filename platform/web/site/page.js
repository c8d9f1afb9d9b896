// The page around the show: the status line, the message boxes the program asks through, the
// checks for what the browser must have, and the start of the main module. With ?time=MS the
// page draws the show's frame at music time MS instead, without a question or sound, for tests.
'use strict';

(function () {
  const status = document.getElementById('status');
  const test = (globalThis.quadriseTest = globalThis.quadriseTest || {});
  let sound_unlocked = false;

  function say(text) {
    status.textContent = text;
  }

  // The sound may start only inside a user gesture: the first answer the user clicks.
  function unlock_sound() {
    if (sound_unlocked) return;
    sound_unlocked = true;
    try {
      globalThis.quadriseAudio.unlock();
    } catch (error) {
      say('The sound cannot start: ' + error.message);
    }
  }

  const ANSWER_OK = 1, ANSWER_YES = 6, ANSWER_NO = 7;

  // Shows a box and calls answered(answer) from inside the click of its button.
  function ask(text, caption, yes_no, icon, answered) {
    const box = document.getElementById('box');
    const buttons = document.getElementById('box-buttons');
    document.getElementById('box-caption').textContent = caption;
    document.getElementById('box-text').textContent = text;
    buttons.replaceChildren();
    // The icons of platform.h's MessageIcon, in its order: the box's border shows which.
    box.dataset.icon = ['question', 'exclamation', 'stop'][icon] ?? 'question';
    const choices = yes_no ? [['Yes', ANSWER_YES], ['No', ANSWER_NO]] : [['OK', ANSWER_OK]];
    for (const [label, answer] of choices) {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = label;
      button.addEventListener('click', () => {
        box.hidden = true;
        unlock_sound();
        answered(answer);
      });
      buttons.append(button);
    }
    box.hidden = false;
    buttons.firstChild.focus();
  }

  function ended() {
    test.ended = true;
    say('The show has ended.');
    document.getElementById('again').hidden = false;
  }

  globalThis.quadrisePage = { say, ask, ended };
  // Where the running show stands: the timeline's state (-3 before the first frame) and the
  // music clock it last read.
  test.show = () => ({ state: globalThis.Module._show_state(), clock: globalThis.Module._show_clock() });
  document.getElementById('again-button').addEventListener('click', () => location.reload());

  // What the browser lacks, in one line, or null.
  function missing() {
    if (typeof WebAssembly !== 'object') return 'This browser has no WebAssembly: the show cannot run.';
    const probe = document.createElement('canvas');
    if (!probe.getContext('webgl2') && !probe.getContext('webgl'))
      return 'This browser has no WebGL: the show cannot draw.';
    if (!globalThis.quadriseAudio) return 'The sound script (audio.js) did not load.';
    const audio = globalThis.quadriseAudio.missing();
    if (audio) return audio;
    return null;
  }

  // The picture hook: the frame at music time ms into quadriseTest.picture. Tests may call
  // quadriseTest.drawPicture(ms) again for other times on the same page.
  function open_pictures(ms) {
    const module = globalThis.Module;
    if (!module._picture_open()) {
      say('No picture: ' + module.UTF8ToString(module._picture_error()));
      test.picture = { ms, error: true };
      return;
    }
    test.drawPicture = (time) => {
      const shown = module._picture_draw(time) !== 0;
      const at = module._picture_pixels();
      test.picture = { ms: time, shown, pixels: module.HEAPU8.slice(at, at + 1024 * 768 * 3) };
      return test.picture;
    };
    test.drawPicture(ms);
  }

  function start() {
    const params = new URLSearchParams(location.search);
    const time = params.get('time');
    if (time !== null && !(/^[0-9]{1,10}$/.test(time) && Number(time) <= 0xffffffff)) {
      say('The time to show must be a whole number of milliseconds, not "' + time + '".');
      return;
    }
    const reason = time === null ? missing() : null;
    if (reason) {
      say(reason);
      return;
    }
    globalThis.Module = {
      canvas: document.getElementById('canvas'),
      preRun: [() => {
        // The cubes one at a time through GL's lighting, as QUADRISE_DRAW=immediate draws them.
        if (params.get('draw') === 'immediate') globalThis.Module.ENV.QUADRISE_DRAW = 'immediate';
      }],
      onRuntimeInitialized() {
        if (time !== null) {
          open_pictures(Number(time));
        } else {
          globalThis.Module.callMain([]);
        }
      },
      printErr(text) {
        console.warn(text);
      },
      onAbort(what) {
        say('The program stopped: ' + what);
      },
    };
    const script = document.createElement('script');
    script.src = 'quadrise.js';
    script.onerror = () => say('The program (quadrise.js) did not load.');
    document.body.append(script);
  }

  start();
})();
