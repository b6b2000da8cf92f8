// The browser side of the web surface, compiled into punktmuster.js ahead of
// the program (one copy per run of the program). It owns the canvas and the
// page's key and mouse listeners; web.cpp calls it through Module.page and it
// calls back into the program through the exported web_* functions.
//
// The program's logic runs on the page's one thread. Whenever it waits
// (input, Pause, the pacing of a drawing) it is suspended and the browser is
// free: keys, clicks and frames are handled then.

// No destructuring here: the JS optimizer of emcc 3.1.6 drops such
// declarations and leaves their names undefined.
Module['page'] = (function () {
  const canvas = Module['canvas'];
  const context = canvas.getContext('2d');
  let wakeInput = null; // resolves the program's wait for input
  let frameRequested = false;
  let listening = false;

  function present() {
    frameRequested = false;
    const at = Module['_web_frame']();
    if (at === 0) return;
    // A Frame of web.cpp: left, top, width, height, address of the pixels.
    const left = HEAP32[at >> 2];
    const top = HEAP32[(at >> 2) + 1];
    const width = HEAP32[(at >> 2) + 2];
    const height = HEAP32[(at >> 2) + 3];
    const rgba = new Uint8ClampedArray(HEAPU8.buffer, HEAP32[(at >> 2) + 4], width * height * 4);
    context.putImageData(new ImageData(rgba, width, height), left, top);
    if (Module['onFrame']) Module['onFrame']();
  }

  function wake() {
    if (!wakeInput) return;
    const resolve = wakeInput;
    wakeInput = null;
    resolve();
  }

  // The key's value as the browser composed it (so layouts, AltGr and dead
  // keys work), written as UTF-8 into the program's key buffer.
  const encoder = new TextEncoder();
  function onKeyDown(event) {
    if (event.isComposing) return;
    const bytes = encoder.encode(event.key);
    const buffer = Module['_web_key_buffer']();
    const size = Module['_web_key_buffer_size']();
    if (bytes.length >= size) return;
    HEAPU8.set(bytes, buffer);
    HEAPU8[buffer + bytes.length] = 0;
    // Ctrl without AltGr: a shortcut, not text (AltGr reports Ctrl on some systems).
    const ctrl = event.ctrlKey && !event.getModifierState('AltGraph');
    if (Module['_web_key'](ctrl ? 1 : 0)) {
      // Ours: the page must not scroll, move the focus or reload.
      event.preventDefault();
      wake();
    }
  }

  function onMouseDown(event) {
    if (event.button !== 0) return;
    const box = canvas.getBoundingClientRect();
    const x = Math.floor(((event.clientX - box.left) * canvas.width) / box.width);
    const y = Math.floor(((event.clientY - box.top) * canvas.height) / box.height);
    event.preventDefault();
    canvas.focus();
    Module['_web_click'](x, y, event.detail);
    wake();
  }

  function listen(on) {
    if (on === listening) return;
    listening = on;
    const change = on ? 'addEventListener' : 'removeEventListener';
    window[change]('keydown', onKeyDown);
    canvas[change]('mousedown', onMouseDown);
  }

  return {
    open: function (caption, width, height) {
      canvas.width = width;
      canvas.height = height;
      document.title = caption;
      listen(true);
      canvas.focus();
    },
    // The framebuffer changed: show its changed part with the next frame.
    wantFrame: function () {
      if (frameRequested) return;
      frameRequested = true;
      requestAnimationFrame(present);
    },
    // Settles when a key or click has been handed to the program.
    waitInput: function () {
      return new Promise(function (resolve) {
        wakeInput = resolve;
      });
    },
    sleep: function (milliseconds) {
      return new Promise(function (resolve) {
        setTimeout(resolve, milliseconds);
      });
    },
    // A text of the screen for a screen reader (the page's live region),
    // handed over once the frame that shows it is painted: the page's text
    // must not hold up a picture, least of all the first.
    say: function (text) {
      if (!Module['say']) return;
      requestAnimationFrame(function () {
        setTimeout(function () {
          Module['say'](text);
        }, 0);
      });
    },
    ended: function () {
      listen(false);
      present();
      if (Module['onEnded']) Module['onEnded']();
    },
  };
})();
