// The browser side of the web surface, compiled into punktmuster.js ahead of
// the program (one copy per run of the program). It owns the canvas, the
// editable element that takes the typing, the key bar and the page's key,
// input and mouse listeners; web.cpp calls it through Module.page and it
// calls back into the program through the exported web_* functions.
//
// Text comes only from the editable element's input events and from the
// committed text of a composition, the way phone keyboards, input methods
// and dead keys deliver it; keydown gives only the named keys (Enter, ESC,
// the cursor keys ...). So no character arrives twice, and none is lost
// where a keyboard sends no key codes.
//
// The program's logic runs on the page's one thread. Whenever it waits
// (input, Pause, the pacing of a drawing) it is suspended and the browser is
// free: keys, clicks and frames are handled then.

// No destructuring here: the JS optimizer of emcc 3.1.6 drops such
// declarations and leaves their names undefined.
Module['page'] = (function () {
  const canvas = Module['canvas'];
  const typing = Module['typing']; // the editable element that holds the focus
  const keyBar = Module['keyBar']; // buttons for the keys phones lack
  const context = canvas.getContext('2d');
  let wakeInput = null; // resolves the program's wait for input
  let frameRequested = false;
  let listening = false;

  // The colour the context fills with, as 0xRRGGBB: a fillStyle is parsed
  // anew at every change, and a drawing changes colour every 10000 points.
  let ink = -1;
  function setInk(colour) {
    if (colour === ink) return;
    ink = colour;
    context.fillStyle = '#' + colour.toString(16).padStart(6, '0');
  }

  function present() {
    frameRequested = false;
    const at = Module['_web_frame']() >> 2;
    if (at === 0) return;
    // A Frame of web.cpp: left, top, width, height, address of the pixels,
    // count and address of the points.
    const count = HEAP32[at + 5];
    if (count > 0) {
      // Only single pixels were set (a drawing): just those, in their order.
      const points = HEAP32[at + 6] >> 2;
      for (let i = points; i < points + 3 * count; i += 3) {
        setInk(HEAPU32[i + 2]);
        context.fillRect(HEAP32[i], HEAP32[i + 1], 1, 1);
      }
    } else {
      const width = HEAP32[at + 2];
      const height = HEAP32[at + 3];
      const rgba = new Uint8ClampedArray(HEAPU8.buffer, HEAP32[at + 4], width * height * 4);
      context.putImageData(new ImageData(rgba, width, height), HEAP32[at], HEAP32[at + 1]);
    }
    if (Module['onFrame']) Module['onFrame']();
  }

  // Runs the procedure once the next frame is painted.
  function afterPaint(procedure) {
    requestAnimationFrame(function () {
      setTimeout(procedure, 0);
    });
  }

  function wake() {
    if (!wakeInput) return;
    const resolve = wakeInput;
    wakeInput = null;
    resolve();
  }

  // Writes the text as UTF-8 into the program's text buffer: whole
  // characters only, as many as fit.
  const encoder = new TextEncoder();
  function give(text) {
    const buffer = Module['_web_text_buffer']();
    const size = Module['_web_text_buffer_size']();
    const written = encoder.encodeInto(text, HEAPU8.subarray(buffer, buffer + size - 1)).written;
    HEAPU8[buffer + written] = 0;
  }

  // A named key by its KeyboardEvent.key value; true when it is ours.
  function namedKey(value) {
    give(value);
    if (!Module['_web_key']()) return false;
    wake();
    return true;
  }

  function typed(text) {
    give(text);
    Module['_web_text']();
    wake();
  }

  function pasted(text) {
    give(text);
    Module['_web_paste']();
    wake();
  }

  // Phone keyboards autocorrect what stands in the field: nothing may stay.
  function emptyTyping() {
    typing.value = '';
  }

  function onKeyDown(event) {
    // An input method or a dead key is composing (phone keyboards report
    // every key so, as "Unidentified"): its text comes when committed.
    if (event.isComposing || event.keyCode === 229) return;
    if (namedKey(event.key)) {
      // Ours: the page must not scroll, move the focus or reload.
      event.preventDefault();
      return;
    }
    // A character key while the focus is elsewhere on the page: the focus
    // moves first, so that its text arrives in the editable element.
    if (document.activeElement !== typing) typing.focus({ preventScroll: true });
  }

  // Text of the editable element's input events; the composition's own
  // steps wait for its end.
  function onInput(event) {
    if (event.isComposing) return;
    const kind = event.inputType;
    if (kind === 'insertText' || kind === 'insertReplacementText') {
      typed(event.data !== null ? event.data : typing.value);
    } else if (kind === 'insertFromPaste') {
      pasted(typing.value);
    } else if (kind === 'insertLineBreak' || kind === 'insertParagraph') {
      namedKey('Enter');
    } else if (kind === 'deleteContentBackward') {
      namedKey('Backspace');
    }
    emptyTyping();
  }

  function onCompositionEnd(event) {
    if (event.data) typed(event.data);
    emptyTyping();
  }

  function onPaste(event) {
    event.preventDefault();
    pasted(event.clipboardData ? event.clipboardData.getData('text/plain') : '');
  }

  // A click, or a tap (the browser reports it as a press of the left
  // button): the focus goes to the editable element within the same
  // gesture, so that phones and tablets raise their keyboard.
  function onMouseDown(event) {
    if (event.button !== 0) return;
    const box = canvas.getBoundingClientRect();
    const x = Math.floor(((event.clientX - box.left) * canvas.width) / box.width);
    const y = Math.floor(((event.clientY - box.top) * canvas.height) / box.height);
    event.preventDefault();
    typing.focus({ preventScroll: true });
    Module['_web_click'](x, y, event.detail);
    wake();
  }

  // The key bar: a button gives its key at once and again while held, as a
  // keyboard repeats; the focus (and the on-screen keyboard) stays.
  const kRepeatDelayMs = 500;
  const kRepeatMs = 50;
  let repeat = null;
  function stopRepeat() {
    clearTimeout(repeat);
    clearInterval(repeat);
    repeat = null;
  }
  function onBarDown(event) {
    const button = event.target.closest('button[data-key]');
    if (!button) return;
    event.preventDefault();
    stopRepeat();
    const value = button.dataset.key;
    namedKey(value);
    repeat = setTimeout(function () {
      repeat = setInterval(function () {
        namedKey(value);
      }, kRepeatMs);
    }, kRepeatDelayMs);
  }
  // A press must not take the focus from the editable element.
  function keepFocus(event) {
    event.preventDefault();
  }

  function listen(on) {
    if (on === listening) return;
    listening = on;
    const change = on ? 'addEventListener' : 'removeEventListener';
    window[change]('keydown', onKeyDown);
    window[change]('paste', onPaste);
    typing[change]('input', onInput);
    typing[change]('compositionend', onCompositionEnd);
    canvas[change]('mousedown', onMouseDown);
    keyBar[change]('pointerdown', onBarDown);
    keyBar[change]('mousedown', keepFocus);
    for (const stop of ['pointerup', 'pointercancel', 'pointerout']) keyBar[change](stop, stopRepeat);
    if (!on) stopRepeat();
  }

  return {
    open: function (caption, width, height) {
      // The page's canvas has the window's size already; setting it again
      // would clear it and lay the page out anew.
      if (canvas.width !== width) canvas.width = width;
      if (canvas.height !== height) canvas.height = height;
      document.title = caption;
      listen(true);
      // Focusing lays the page out: not before the title is painted. A key
      // typed before goes to the page, whose keydown moves the focus.
      afterPaint(function () {
        emptyTyping();
        typing.focus({ preventScroll: true });
      });
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
      afterPaint(function () {
        Module['say'](text);
      });
    },
    ended: function () {
      listen(false);
      present();
      if (Module['onEnded']) Module['onEnded']();
    },
  };
})();
