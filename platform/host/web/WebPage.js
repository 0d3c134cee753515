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
};

// Window kinds, as DvHostWindowKind numbers them.
var DV_KIND = { normal: 0, modal: 1, popup: 2 };

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
  };
  const modifiers = (e) => (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);

  host.push = (kind, win, x, y, button, key, mods) => {
    host.queue.push([kind, win, x, y, button, key, mods]);
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
    return [Math.floor(e.clientX - r.left), Math.floor(e.clientY - r.top)];
  };

  // Mouse: every pointer event is compared with the buttons held before it, so that chords
  // and a release far outside the page (the canvas keeps the pointer captured) all arrive.
  const buttonBits = [[1, 1], [4, 2], [2, 3]];
  const pointer = (e) => {
    if (e.pointerType && e.pointerType !== 'mouse') return;
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
  for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel']) {
    window.addEventListener(type, pointer);
  }
  // Capture lost without a release (the page lost focus): the buttons are let go.
  window.addEventListener('lostpointercapture', () => {
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
  window.addEventListener('contextmenu', (e) => e.preventDefault());

  // Keys: the platform's virtual key codes, from where the key lies on the keyboard.
  const named = {
    Enter: 0x0d, NumpadEnter: 0x0d, Escape: 0x1b, Space: 0x20, Tab: 0x09, Backspace: 0x08,
    ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28,
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
    // The browser's own shortcuts (reload, zoom, developer tools) stay the browser's.
    if (e.ctrlKey || (vk >= 0x70 && vk <= 0x7b)) return;
    e.preventDefault();
    host.push(e.type === 'keydown' ? DV_EVENT.keyDown : DV_EVENT.keyUp, win, 0, 0, 0, vk,
              modifiers(e));
  };
  window.addEventListener('keydown', key);
  window.addEventListener('keyup', key);

  window.addEventListener('resize', () => {
    if (!host.main) return;
    // Only the size the page has now matters: a resize overtaken by another is dropped.
    host.queue = host.queue.filter((e) => e[0] !== DV_EVENT.resize);
    host.push(DV_EVENT.resize, host.main, window.innerWidth, window.innerHeight, 0, 0, 0);
  });
  window.addEventListener('blur', () => {
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
    canvas.style.width = cx + 'px';
    canvas.style.height = cy + 'px';
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
    } else if (!host.main) {
      host.main = win;
      canvas.classList.add('dv-main');
      document.title = title;
    } else {
      w.root.classList.add('dv-window');
    }
    w.root.dvWindow = win;
    w.root.style.display = 'none';
    host.windows.set(win, w);
    document.body.appendChild(w.root);
    host.place(win, x, y);
  };

  // Where a window's client area lies on the page: the main window at the corner, a menu
  // relative to its owner's client area, anything else where the program put it.
  host.place = (win, x, y) => {
    const w = host.windows.get(win);
    if (!w) return;
    if (win === host.main) {
      x = 0;
      y = 0;
    } else if (w.kind === DV_KIND.popup) {
      const o = host.windows.get(w.owner);
      if (o) {
        const r = o.canvas.getBoundingClientRect();
        x += r.left + window.scrollX;
        y += r.top + window.scrollY;
      }
    }
    w.x = x;
    w.y = y;
    const captionHeight = w.caption ? w.caption.offsetHeight : 0;
    w.root.style.left = x + 'px';
    w.root.style.top = y - captionHeight + 'px';
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
    if (show && w.kind !== DV_KIND.popup) host.keyWindows.push(win);
    // The caption has its height only once it is shown.
    if (show) host.place(win, w.x, w.y);
  };

  // Gives a window's canvas the size of the screen presented on it; true when it had another.
  host.sizeTo = (win, cx, cy) => {
    const w = host.windows.get(win);
    if (!w || (w.canvas.width === cx && w.canvas.height === cy)) return false;
    w.canvas.width = cx;
    w.canvas.height = cy;
    w.canvas.style.width = cx + 'px';
    w.canvas.style.height = cy + 'px';
    return true;
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

  // Resolves when an event arrives, or after timeoutMs (never when it is negative).
  host.wait = (timeoutMs) => {
    if (host.queue.length) return Promise.resolve();
    return new Promise((resolve) => {
      let timer = 0;
      host.wake = () => {
        clearTimeout(timer);
        resolve();
      };
      if (timeoutMs >= 0) {
        timer = setTimeout(() => {
          host.wake = null;
          resolve();
        }, timeoutMs);
      }
    });
  };

  // The program has ended: its windows go and the page says so.
  host.ended = () => {
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

// Says on the page, in place of the program, that it has ended and how to start it again.
function dvShowEnded() {
  if (Module.dvHost) Module.dvHost.ended();
  const note = document.getElementById('ended') || document.createElement('p');
  note.id = 'ended';
  note.textContent = 'Dorvane has ended. Reload the page to start it again.';
  document.body.appendChild(note);
  document.title = 'Dorvane (ended)';
  if (Module.onEnded) Module.onEnded();
}
