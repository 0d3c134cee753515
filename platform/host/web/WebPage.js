// The page's side of the browser host, run before the program (linked with --pre-js). It keeps
// one element per window, queues the page's events as the platform's host events, and wakes a
// waiting program as soon as an event arrives. The program reaches it through the imports in
// WebHost.js; Module.dvHost is the one host of the page.
//
// (The build's script minifier predates destructuring and spreading: neither is used here.)

// Host event kinds, as DvHostEventKind numbers them (platform/host/Host.h).
var DV_EVENT = {
  mouseDown: 1,
  mouseUp: 2,
  mouseMove: 3,
  keyDown: 4,
  keyUp: 5,
  resize: 6,
  focusLost: 13,
  wheel: 14,
};

// Window kinds, as DvHostWindowKind numbers them.
var DV_KIND = { normal: 0, modal: 1, popup: 2, tooltip: 3 };

// The platform's wheel: WHEEL_DELTA a notch. Where the browser gives only distances, a notch is
// 100 pixels (Chromium) or 3 lines (Firefox).
var DV_WHEEL_DELTA = 120;
var DV_NOTCH_PIXELS = 100;
var DV_NOTCH_LINES = 3;

// The program's smallest target, a pad cell, is 17 pixels; on a touch screen the page shows
// the program at the smallest integer scale that makes it at least 24 CSS pixels.
var DV_SMALLEST_TARGET = 17;
var DV_TOUCH_TARGET = 24;
// A touch held this long without moving further than DV_HOLD_SLOP CSS pixels is a right click.
var DV_HOLD_MS = 500;
var DV_HOLD_SLOP = 8;

// Makes the page's host and starts listening to the page.
function dvCreateHost() {
  const host = {
    windows: new Map(),
    queue: [],
    wake: null,
    main: 0,
    buttons: 0, // the mouse buttons held, as PointerEvent.buttons has them
    captured: 0, // the window that holds the mouse while a button is down
    lastX: 0,
    lastY: 0,
    keyWindows: [], // windows that may take the keyboard, newest last
    touch: null, // the one touch or pen contact that drives the program, while it is down
    scale: 1, // CSS pixels to a program pixel
    listening: new AbortController(), // ends every listener when the program ends
  };
  const listen = (target, type, handler) =>
    target.addEventListener(type, handler, { signal: host.listening.signal });
  const coarse = window.matchMedia('(pointer: coarse)');
  const scaleFor = () => (coarse.matches ? Math.ceil(DV_TOUCH_TARGET / DV_SMALLEST_TARGET) : 1);
  host.scale = scaleFor();
  // The screen the program sees: the viewport in program pixels.
  host.screenWidth = () => Math.max(1, Math.floor(window.innerWidth / host.scale));
  host.screenHeight = () => Math.max(1, Math.floor(window.innerHeight / host.scale));
  const modifiers = (e) => (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);

  host.push = (kind, win, x, y, button, key, mods, delta) => {
    host.queue.push([kind, win, x, y, button, key, mods, delta || 0]);
    if (host.wake) {
      const wake = host.wake;
      host.wake = null;
      wake();
    }
  };

  host.windowAt = (target) => {
    for (let el = target; el; el = el.parentElement) {
      if (el.dvWindow) return el.dvWindow;
    }
    return 0;
  };

  host.clientPoint = (win, e) => {
    const w = host.windows.get(win);
    const r = w.canvas.getBoundingClientRect();
    return [Math.floor((e.clientX - r.left) / host.scale),
            Math.floor((e.clientY - r.top) / host.scale)];
  };

  // Mouse: every pointer event is compared with the buttons held before it, so that chords
  // and a release far outside the page (the canvas keeps the pointer captured) all arrive.
  const buttonBits = [[1, 1], [4, 2], [2, 3]];
  const pointer = (e) => {
    if (e.pointerType && e.pointerType !== 'mouse') {
      contact(e);
      return;
    }
    if (host.touch) return; // a finger or a pen holds the program
    const before = host.buttons;
    const now = e.type === 'pointercancel' ? 0 : e.buttons;
    const win = host.captured || host.windowAt(e.target);
    if (!win || !host.windows.has(win)) {
      host.buttons = now;
      return;
    }
    const mods = modifiers(e);
    const point = host.clientPoint(win, e);
    const x = point[0];
    const y = point[1];
    if (x !== host.lastX || y !== host.lastY || e.type === 'pointermove') {
      host.lastX = x;
      host.lastY = y;
      if (e.type === 'pointermove') host.push(DV_EVENT.mouseMove, win, x, y, 0, 0, mods);
    }
    for (const b of buttonBits) {
      if ((before & b[0]) && !(now & b[0])) host.push(DV_EVENT.mouseUp, win, x, y, b[1], 0, mods);
    }
    for (const b of buttonBits) {
      if (!(before & b[0]) && (now & b[0])) host.push(DV_EVENT.mouseDown, win, x, y, b[1], 0, mods);
    }
    host.buttons = now;
    if (!before && now) {
      host.captured = win;
      try {
        e.target.setPointerCapture(e.pointerId);
      } catch (err) {}
    } else if (before && !now) {
      host.captured = 0;
    }
  };

  // Touch and pen, as the home platform treats them: a contact is the left button, pressed
  // where it lands once it is known not to be a hold; a contact held still is a right click
  // at that point instead. A second contact while one is down is ignored.
  const pushAt = (kind, t, clientX, clientY, button) => {
    if (!host.windows.has(t.win)) return;
    const point = host.clientPoint(t.win, { clientX: clientX, clientY: clientY });
    host.lastX = point[0];
    host.lastY = point[1];
    host.push(kind, t.win, point[0], point[1], button, 0, 0);
  };
  const press = (t) => {
    clearTimeout(t.timer);
    t.state = 'left';
    pushAt(DV_EVENT.mouseDown, t, t.startX, t.startY, 1);
  };
  const contact = (e) => {
    const t = host.touch;
    if (e.type === 'pointerdown') {
      if (t || host.buttons) return;
      const win = host.windowAt(e.target);
      if (!win || !host.windows.has(win)) return;
      e.preventDefault();
      const held = { id: e.pointerId, win: win, startX: e.clientX, startY: e.clientY, state: 'held' };
      held.timer = setTimeout(() => {
        if (host.touch !== held || held.state !== 'held') return;
        held.state = 'right';
        pushAt(DV_EVENT.mouseDown, held, held.startX, held.startY, 3);
        pushAt(DV_EVENT.mouseUp, held, held.startX, held.startY, 3);
      }, DV_HOLD_MS);
      host.touch = held;
      host.captured = win;
      try {
        e.target.setPointerCapture(e.pointerId);
      } catch (err) {}
      return;
    }
    if (!t || e.pointerId !== t.id) return;
    e.preventDefault();
    if (e.type === 'pointermove') {
      if (t.state === 'held' &&
          Math.hypot(e.clientX - t.startX, e.clientY - t.startY) > DV_HOLD_SLOP) {
        press(t);
      }
      if (t.state === 'left') pushAt(DV_EVENT.mouseMove, t, e.clientX, e.clientY, 0);
      return;
    }
    // The contact lifts (or the browser takes it back).
    clearTimeout(t.timer);
    if (t.state === 'held' && e.type === 'pointerup') press(t);
    if (t.state === 'left') pushAt(DV_EVENT.mouseUp, t, e.clientX, e.clientY, 1);
    host.touch = null;
    host.captured = 0;
  };

  for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel']) {
    listen(window, type, pointer);
  }
  // The wheel, over the window under the pointer, in the platform's units (positive away from
  // the user); the page itself neither scrolls nor zooms.
  window.addEventListener('wheel', (e) => {
    const win = host.captured || host.windowAt(e.target);
    if (!win || !host.windows.has(win)) return;
    e.preventDefault();
    let delta = 0;
    if (e.wheelDeltaY) {
      delta = e.wheelDeltaY;
    } else if (e.deltaMode === 1) {
      delta = -e.deltaY / DV_NOTCH_LINES * DV_WHEEL_DELTA;
    } else if (e.deltaMode === 0) {
      delta = -e.deltaY / DV_NOTCH_PIXELS * DV_WHEEL_DELTA;
    }
    delta = Math.round(delta);
    if (!delta) return;
    const point = host.clientPoint(win, e);
    host.push(DV_EVENT.wheel, win, point[0], point[1], 0, 0, modifiers(e), delta);
  }, { signal: host.listening.signal, passive: false });

  // Capture lost without a release (the page lost focus): the buttons are let go.
  listen(window, 'lostpointercapture', (e) => {
    if (host.touch) {
      if (e.pointerId === host.touch.id) contact({ type: 'pointercancel', pointerId: e.pointerId,
                                                   preventDefault: () => {} });
      return;
    }
    if (host.buttons && host.captured && host.windows.has(host.captured)) {
      for (const b of buttonBits) {
        if (host.buttons & b[0]) {
          host.push(DV_EVENT.mouseUp, host.captured, host.lastX, host.lastY, b[1], 0, 0);
        }
      }
    }
    host.buttons = 0;
    host.captured = 0;
  });
  // The right button opens the program's own menu, not the browser's.
  listen(window, 'contextmenu', (e) => e.preventDefault());
  listen(document, 'selectstart', (e) => e.preventDefault());

  // Keys: the platform's virtual key codes, from where the key lies on the keyboard.
  const named = {
    Enter: 0x0d, NumpadEnter: 0x0d, Escape: 0x1b, Space: 0x20, Tab: 0x09, Backspace: 0x08,
    ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28,
    PageUp: 0x21, PageDown: 0x22, End: 0x23, Home: 0x24,
    Equal: 0xbb, Minus: 0xbd, NumpadAdd: 0x6b, NumpadSubtract: 0x6d,
    ShiftLeft: 0x10, ShiftRight: 0x10, ControlLeft: 0x11, ControlRight: 0x11,
    AltLeft: 0x12, AltRight: 0x12,
  };
  const virtualKey = (code) => {
    let m = /^Key([A-Z])$/.exec(code);
    if (m) return m[1].charCodeAt(0);
    m = /^Digit([0-9])$/.exec(code);
    if (m) return m[1].charCodeAt(0);
    m = /^F([0-9]+)$/.exec(code);
    if (m && +m[1] >= 1 && +m[1] <= 12) return 0x6f + +m[1];
    return named[code] || 0;
  };
  const key = (e) => {
    const vk = virtualKey(e.code);
    const win = host.keyWindows[host.keyWindows.length - 1] || 0;
    if (!vk || !win) return;
    // The browser's own shortcuts (reload, zoom, developer tools) stay the browser's; F11 is
    // the program's full screen.
    if (e.ctrlKey || (vk >= 0x70 && vk <= 0x7b && vk !== 0x7a)) return;
    e.preventDefault();
    host.push(e.type === 'keydown' ? DV_EVENT.keyDown : DV_EVENT.keyUp, win, 0, 0, 0, vk,
              modifiers(e));
  };
  listen(window, 'keydown', key);
  listen(window, 'keyup', key);

  const resized = () => {
    const scale = scaleFor();
    if (scale !== host.scale) {
      host.scale = scale;
      for (const entry of host.windows) {
        host.restyle(entry[1]);
        host.place(entry[0], entry[1].x, entry[1].y);
      }
    }
    if (!host.main) return;
    // Only the size the page has now matters: a resize overtaken by another is dropped.
    host.queue = host.queue.filter((e) => e[0] !== DV_EVENT.resize);
    host.push(DV_EVENT.resize, host.main, host.screenWidth(), host.screenHeight(), 0, 0, 0);
  };
  listen(window, 'resize', resized);
  listen(coarse, 'change', resized);
  // A hidden page rests: waits end only for its events, and a busy program waits for the page
  // to be shown again (see wait and rest).
  listen(document, 'visibilitychange', () => {
    if (!document.hidden && host.wake) {
      const wake = host.wake;
      host.wake = null;
      wake();
    }
  });
  listen(window, 'blur', () => {
    const win = host.keyWindows[host.keyWindows.length - 1];
    if (win) host.push(DV_EVENT.focusLost, win, 0, 0, 0, 0, 0);
  });

  // Windows. The first normal window is the main one: a canvas filling the viewport, its text
  // the page's title. A dialog floats over the page with a caption bar; a menu is a canvas
  // placed over its owner.
  host.create = (win, kind, owner, x, y, cx, cy, title) => {
    const canvas = document.createElement('canvas');
    canvas.width = cx;
    canvas.height = cy;
    canvas.className = 'dv-canvas';
    const w = {
      kind: kind,
      owner: owner,
      canvas: canvas,
      root: canvas,
      caption: null,
      context: canvas.getContext('2d'),
    };
    if (kind === DV_KIND.modal) {
      const frame = document.createElement('div');
      frame.className = 'dv-modal';
      const caption = document.createElement('div');
      caption.className = 'dv-caption';
      caption.textContent = title;
      frame.appendChild(caption);
      frame.appendChild(canvas);
      w.root = frame;
      w.caption = caption;
    } else if (kind === DV_KIND.popup) {
      w.root.classList.add('dv-popup');
    } else if (kind === DV_KIND.tooltip) {
      // Over everything, and the pointer passes through it to what lies below.
      w.root.classList.add('dv-popup', 'dv-tooltip');
    } else if (!host.main) {
      host.main = win;
      canvas.classList.add('dv-main');
      document.title = title;
    } else {
      w.root.classList.add('dv-window');
    }
    host.restyle(w);
    w.root.dvWindow = win;
    w.root.style.display = 'none';
    host.windows.set(win, w);
    document.body.appendChild(w.root);
    host.place(win, x, y);
  };

  // A window's size on the page: its canvas at the page's scale, and a dialog's caption bar
  // scaled with it.
  host.restyle = (w) => {
    w.canvas.style.width = w.canvas.width * host.scale + 'px';
    w.canvas.style.height = w.canvas.height * host.scale + 'px';
    if (w.caption) {
      w.caption.style.height = w.caption.style.lineHeight = 18 * host.scale + 'px';
      w.caption.style.fontSize = 12 * host.scale + 'px';
    }
  };

  // Where a window's client area lies on the page: the main window at the corner, a menu
  // relative to its owner's client area and kept wholly inside the viewport, anything else
  // where the program put it. x and y are program pixels.
  host.place = (win, x, y) => {
    const w = host.windows.get(win);
    if (!w) return;
    if (win === host.main) {
      x = 0;
      y = 0;
    }
    w.x = x;
    w.y = y;
    let left = x * host.scale;
    let top = y * host.scale;
    if (w.kind === DV_KIND.popup || w.kind === DV_KIND.tooltip) {
      const o = host.windows.get(w.owner);
      if (o) {
        const r = o.canvas.getBoundingClientRect();
        left += r.left;
        top += r.top;
      }
      left = Math.max(0, Math.min(left, window.innerWidth - w.canvas.width * host.scale));
      top = Math.max(0, Math.min(top, window.innerHeight - w.canvas.height * host.scale));
    }
    const captionHeight = w.caption ? w.caption.offsetHeight : 0;
    w.root.style.left = left + 'px';
    w.root.style.top = top - captionHeight + 'px';
  };

  host.destroy = (win) => {
    const w = host.windows.get(win);
    if (!w) return;
    w.root.remove();
    host.windows.delete(win);
    host.keyWindows = host.keyWindows.filter((k) => k !== win);
    if (host.captured === win) host.captured = 0;
    if (host.main === win) host.main = 0;
  };

  host.show = (win, show) => {
    const w = host.windows.get(win);
    if (!w) return;
    w.root.style.display = show ? 'block' : 'none';
    host.keyWindows = host.keyWindows.filter((k) => k !== win);
    if (show && w.kind !== DV_KIND.popup && w.kind !== DV_KIND.tooltip) host.keyWindows.push(win);
    // The caption has its height only once it is shown.
    if (show) host.place(win, w.x, w.y);
  };

  // Gives a window's canvas the size of the screen presented on it; true when it had another.
  host.sizeTo = (win, cx, cy) => {
    const w = host.windows.get(win);
    if (!w || (w.canvas.width === cx && w.canvas.height === cy)) return false;
    w.canvas.width = cx;
    w.canvas.height = cy;
    host.restyle(w);
    // A menu that grew is kept inside the viewport.
    if (w.kind === DV_KIND.popup || w.kind === DV_KIND.tooltip) host.place(win, w.x, w.y);
    return true;
  };

  // The Fullscreen API for the whole page; the viewport's new size arrives as a resize. The
  // browser may refuse (no recent key press, or not allowed): the page stays as it is.
  host.fullScreen = (on) => {
    try {
      const done = on ? document.documentElement.requestFullscreen()
                      : (document.fullscreenElement ? document.exitFullscreen() : null);
      if (done && done.catch) done.catch(() => {});
    } catch (err) {}
  };

  host.title = (win, text) => {
    const w = host.windows.get(win);
    if (!w) return;
    if (win === host.main) document.title = text;
    if (w.caption) w.caption.textContent = text;
  };

  // The page's icon, from the main window's RGBA pixels.
  host.icon = (pixels, width, height) => {
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
    let link = document.querySelector('link[rel="icon"]');
    if (!link) {
      link = document.createElement('link');
      link.rel = 'icon';
      document.head.appendChild(link);
    }
    link.href = canvas.toDataURL('image/png');
  };

  host.present = (win, pixels, x, y, cx, cy) => {
    const w = host.windows.get(win);
    if (!w) return;
    w.context.putImageData(new ImageData(pixels, cx, cy), x, y);
    if (!Module.dvFirstFrame && win === host.main) {
      Module.dvFirstFrame = performance.now();
      if (Module.onFirstFrame) Module.onFirstFrame(Module.dvFirstFrame);
    }
  };

  // Resolves when an event arrives, or after timeoutMs (never when it is negative). While the
  // page is hidden the time does not run out: the program's timers rest until it is shown.
  host.wait = (timeoutMs) => {
    if (host.queue.length) return Promise.resolve();
    return new Promise((resolve) => {
      let timer = 0;
      host.wake = () => {
        clearTimeout(timer);
        resolve();
      };
      const expire = () => {
        if (document.hidden) return; // shown again, the page wakes it
        host.wake = null;
        resolve();
      };
      if (timeoutMs >= 0) timer = setTimeout(expire, timeoutMs);
    });
  };

  // A busy program's turn for the page: at once while the page is shown, and while it is
  // hidden only when it is shown again or an event arrives.
  host.rest = () => (document.hidden ? host.wait(-1) : dvYield());

  // The program has ended or failed: its windows and listeners go, and nothing wakes it.
  host.ended = () => {
    host.listening.abort();
    if (host.touch) clearTimeout(host.touch.timer);
    host.touch = null;
    host.wake = null;
    for (const w of host.windows.values()) w.root.remove();
    host.windows.clear();
    host.main = 0;
  };

  return host;
}

// Hands the browser a turn without waiting for anything: a message channel runs its task at
// once, where a zero timeout may be held back for milliseconds.
function dvYield() {
  return new Promise((resolve) => {
    const channel = new MessageChannel();
    channel.port1.onmessage = () => resolve();
    channel.port2.postMessage(0);
  });
}

// The program has ended: its windows go, and the page says so and offers to start it again.
function dvShowEnded() {
  if (Module.dvHost) Module.dvHost.ended();
  if (Module.onEnded) Module.onEnded();
}
