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
  const examples = Module['examples']; // buttons that type a recipe (may be absent)
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

  // Paints a Frame of web.cpp: left, top, width, height, address of the
  // pixels, count and address of the points.
  function paint(frame) {
    const at = frame >> 2;
    if (at === 0) return;
    const count = HEAP32[at + 5];
    if (HEAP32[at + 4] === 0) {
      // Only single pixels were set (a drawing): just those, in their order.
      // A list of none paints nothing: its area is no picture to copy.
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

  function present() {
    frameRequested = false;
    paint(Module['_web_frame']());
  }

  // A 2D context that was lost comes back empty and with its colour reset:
  // the whole picture again, and the colour set anew at the next pixel.
  function onContextRestored() {
    ink = -1;
    paint(Module['_web_whole_frame']());
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

  // After a hand-over. One the program takes nothing from (an ignored key, a
  // text or paste without a character of its code page) leaves it waiting
  // where it was, and it will not say so again: what waited for it goes on now.
  function handOver() {
    if (Module['_web_idle']()) settle();
    wake();
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

  // A named key of the user's by its KeyboardEvent.key value; true when it
  // is ours.
  function namedKey(value) {
    give(value);
    if (!Module['_web_key']()) return false;
    userActs();
    handOver();
    return true;
  }

  // Keys one after the other (characters, and named keys by their values),
  // typed like a paste while the program waits at an input.
  function typeKeys(keys) {
    if (keys.length === 0) return;
    give(keys.join('\n') + '\n');
    Module['_web_keys']();
    handOver();
  }

  // A text as keys: a line break in it is Enter, as in a paste.
  function keysOfText(text) {
    const keys = [];
    text.split(/\r\n|\r|\n/).forEach(function (line, index) {
      if (index > 0) keys.push('Enter');
      for (const character of line) keys.push(character);
    });
    return keys;
  }

  function typed(text) {
    typeKeys(keysOfText(text));
  }

  function pasted(text) {
    give(text);
    Module['_web_paste']();
    handOver();
  }

  // The editable element holds one character, selected. A selection shows
  // no caret, so no engine repaints a blinking one while the program only
  // waits; whatever is typed replaces it, and a phone keyboard's Backspace
  // has something to delete (in an empty field some send nothing). Phone
  // keyboards also autocorrect what stands in the field: nothing else may
  // stay. A zero-width space: not a character of the program's (should it
  // stay in a value, it is dropped), and a screen reader reads nothing.
  const kHeldText = '\u200b';
  function resetTyping() {
    typing.value = kHeldText;
    typing.setSelectionRange(0, kHeldText.length);
  }

  // Text still being composed when a key-bar key or a tap comes is typed
  // first; what the composition commits afterwards is typed only beyond it.
  let composing = false;
  let composed = ''; // the composition's text so far
  let typedAhead = ''; // of it, what was typed before its end
  function onCompositionStart() {
    composing = true;
    composed = '';
    typedAhead = '';
  }
  function onCompositionUpdate(event) {
    composed = event.data || '';
  }
  function onCompositionEnd(event) {
    composing = false;
    const text = event.data || '';
    const rest = text.startsWith(typedAhead) ? text.slice(typedAhead.length) : '';
    typedAhead = '';
    if (rest) {
      userActs();
      typed(rest);
    }
    resetTyping();
  }
  // The composed text not yet typed. Resetting the element ends the
  // composition in most engines; one that goes on commits what follows.
  function takeComposed() {
    if (!composing) return '';
    const text = composed.startsWith(typedAhead) ? composed.slice(typedAhead.length) : '';
    typedAhead = composed;
    resetTyping();
    return text;
  }

  // The examples row: a button types a recipe as the user would, only while
  // the program waits at the pair count: field by field, Entf until the
  // offered text is gone (the cursor moved to the field's start first), the
  // recipe's text, Enter. The keys go one at a time like a paste; each field
  // is handed over once the program waits at it, a frame after the one
  // before, so the form is seen filling.
  const kCountPrompt = 'Zahl der Funktionenpaare';
  // A text offered longer than its field is shown cut: it is cleared in
  // rounds, each the field's width; a field that will not clear stops it.
  const kClearRounds = 8;
  // The program's own blank: a field holding only these is empty. (trim()
  // would take a no-break space, which the program holds, for one.)
  const kNotBlank = /[^ ]/;
  let waitsAt = { prompt: '', field: '' }; // the input the program waits at
  let example = null; // { fields, next, rounds } while one is being typed
  function showExamples(enabled) {
    if (!examples) return;
    for (const button of examples.querySelectorAll('button[data-keys]')) button.disabled = !enabled;
  }
  function stepExample() {
    const field = waitsAt.field;
    if (example.next === example.fields.length) {
      example = null;
      settle();
      return;
    }
    let keys = [];
    if (kNotBlank.test(field)) {
      example.rounds += 1;
      if (example.rounds > kClearRounds) {
        example = null;
        settle();
        return;
      }
      for (let i = 1; i < field.length; i++) keys.push('ArrowLeft');
      for (let i = 0; i < field.length; i++) keys.push('Delete');
    } else {
      example.rounds = 0;
      keys = keysOfText(example.fields[example.next]).concat(['Enter']);
      example.next += 1;
    }
    typeKeys(keys);
  }
  function onExample(event) {
    const button = event.target.closest('button[data-keys]');
    if (!button || button.disabled) return;
    typing.focus({ preventScroll: true });
    const text = takeComposed();
    userActs();
    example = { fields: button.dataset.keys.split('\n'), next: 0, rounds: 0 };
    // Text still composed goes first; the example then begins at the wait
    // after it, or at once where it typed nothing.
    if (text) typed(text);
    else stepExample();
  }

  // The user's own key, text or click: an example being typed stops (the
  // program drops its keys left), and the examples wait for the next input.
  function userActs() {
    example = null;
    showExamples(false);
  }

  // The program waits at an input and has taken everything handed over: a
  // tap held behind text goes now, an example types its next field, or the
  // examples row offers itself at the pair count.
  function settle() {
    if (heldClick) {
      const click = heldClick;
      heldClick = null;
      Module['_web_click'](click.x, click.y, click.count);
    } else if (example) {
      const current = example;
      requestAnimationFrame(function () {
        if (example === current) stepExample();
      });
    } else {
      showExamples(waitsAt.prompt.startsWith(kCountPrompt));
    }
  }

  // The browser's own keys stay the browser's: reload, full screen, its
  // developer tools, and every chord with Ctrl or Meta (Cmd); so do the paste
  // chords, whose text comes as the browser's paste. AltGr, which some
  // systems report as Ctrl and Alt, types as it does elsewhere.
  const kBrowserKeys = ['F5', 'F11', 'F12'];
  function browsersKey(event) {
    const chord = (event.ctrlKey || event.metaKey) && !event.getModifierState('AltGraph');
    return chord || kBrowserKeys.includes(event.key) || (event.shiftKey && event.key === 'Insert');
  }

  function onKeyDown(event) {
    // An input method or a dead key is composing (phone keyboards report
    // every key so, as "Unidentified"): its text comes when committed.
    if (event.isComposing || event.keyCode === 229) return;
    // Enter or Space on a focused button of the page press that button.
    const pressesButton = event.key === 'Enter' || event.key === ' ';
    if (pressesButton && event.target instanceof Element && event.target.closest('button')) return;
    if (browsersKey(event)) return;
    if (namedKey(event.key)) {
      // Ours: the page must not scroll or move the focus.
      event.preventDefault();
      return;
    }
    // A character key while the focus is elsewhere on the page: the focus
    // moves first, so that its text arrives in the editable element.
    if (document.activeElement !== typing) typing.focus({ preventScroll: true });
  }

  // Text of the editable element's input events; the composition's own
  // steps wait for its end.
  const kBackspaceInputs = ['deleteContentBackward', 'deleteWordBackward'];
  function onInput(event) {
    if (event.isComposing) return;
    const kind = event.inputType;
    // An engine that drops a composition when the element is reset ends it
    // without a compositionend.
    composing = false;
    userActs();
    if (kind === 'insertText' || kind === 'insertReplacementText') {
      // The text replaced the held one: the value is what was typed. The
      // data may lack a part (Chromium reports a text with a line break as
      // two events, the first with the text before it, the value whole).
      typed(typing.value);
    } else if (kind === 'insertFromPaste') {
      pasted(typing.value);
    } else if (kind === 'insertLineBreak' || kind === 'insertParagraph') {
      namedKey('Enter');
    } else if (kBackspaceInputs.includes(kind)) {
      namedKey('Backspace');
    } else {
      handOver(); // nothing for the program
    }
    resetTyping();
  }

  function onPaste(event) {
    event.preventDefault();
    userActs();
    pasted(event.clipboardData ? event.clipboardData.getData('text/plain') : '');
  }

  // A click, or a tap (the browser reports it as a press of the left
  // button): the focus goes to the editable element within the same
  // gesture, so that phones and tablets raise their keyboard. Behind text
  // still being composed it waits until the program has taken that text: a
  // click is read before a key.
  let heldClick = null;
  function onMouseDown(event) {
    if (event.button !== 0) return;
    const box = canvas.getBoundingClientRect();
    const x = Math.floor(((event.clientX - box.left) * canvas.width) / box.width);
    const y = Math.floor(((event.clientY - box.top) * canvas.height) / box.height);
    event.preventDefault();
    typing.focus({ preventScroll: true });
    userActs();
    const text = takeComposed();
    heldClick = null;
    if (text) {
      // Where the text gives the program nothing, it goes at once.
      heldClick = { x: x, y: y, count: event.detail };
      typed(text);
      return;
    }
    Module['_web_click'](x, y, event.detail);
    wake();
  }

  // The key bar: a press gives its key at once and again while held, as a
  // keyboard repeats; the focus (and the on-screen keyboard) stays. An
  // activation without a pointer (a screen reader, switch access, Enter or
  // Space on the focused button) is a click alone and gives its key once.
  const kRepeatDelayMs = 500;
  const kRepeatMs = 50;
  let repeat = null;
  let pressed = null; // the button a pointer pressed, whose click follows
  function stopRepeat() {
    clearTimeout(repeat);
    clearInterval(repeat);
    repeat = null;
  }
  function barKey(value) {
    userActs();
    const text = takeComposed();
    if (text) typeKeys(keysOfText(text).concat([value]));
    else namedKey(value);
  }
  function onBarDown(event) {
    const button = event.target.closest('button[data-key]');
    if (!button || event.button !== 0) return;
    event.preventDefault();
    stopRepeat();
    pressed = button;
    const value = button.dataset.key;
    barKey(value);
    repeat = setTimeout(function () {
      repeat = setInterval(function () {
        barKey(value);
      }, kRepeatMs);
    }, kRepeatDelayMs);
  }
  function onBarClick(event) {
    const button = event.target.closest('button[data-key]');
    if (!button) return;
    const gave = pressed === button && event.detail > 0;
    pressed = null;
    if (!gave) barKey(button.dataset.key);
  }
  function onVisibility() {
    if (document.hidden) stopRepeat();
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
    window[change]('blur', stopRepeat);
    document[change]('visibilitychange', onVisibility);
    typing[change]('input', onInput);
    typing[change]('compositionstart', onCompositionStart);
    typing[change]('compositionupdate', onCompositionUpdate);
    typing[change]('compositionend', onCompositionEnd);
    canvas[change]('mousedown', onMouseDown);
    canvas[change]('contextrestored', onContextRestored);
    keyBar[change]('pointerdown', onBarDown);
    keyBar[change]('click', onBarClick);
    keyBar[change]('mousedown', keepFocus);
    for (const stop of ['pointerup', 'pointercancel', 'pointerout', 'lostpointercapture']) {
      keyBar[change](stop, stopRepeat);
    }
    if (examples) {
      examples[change]('click', onExample);
      examples[change]('mousedown', keepFocus);
    }
    if (!on) {
      stopRepeat();
      example = null;
      heldClick = null;
      showExamples(false);
    }
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
        typing.focus({ preventScroll: true });
        resetTyping();
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
    // The program waits at an input and has taken everything handed over:
    // `prompt` is the text left of the field, `field` the field as shown.
    waits: function (prompt, field) {
      waitsAt = { prompt: prompt, field: field };
      settle();
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
