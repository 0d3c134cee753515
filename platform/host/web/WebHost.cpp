// The browser host. The page's side lives in Module.dvHost: one element per window, the events
// of the page queued as the platform's host events, and a waker that ends a wait as soon as an
// event arrives. Pixels go to each window's canvas as they change; one program pixel is one
// CSS pixel, drawn without smoothing at any zoom.
#include "host/web/WebHost.h"

#include <emscripten.h>

#include <algorithm>
#include <cstring>

#include "win32/winuser.h"

// clang-format off
EM_JS(void, dv_web_init, (), {
    const host = {
        windows: new Map(),
        queue: [],
        wake: null,
        main: 0,
        buttons: 0,     // the mouse buttons held, as PointerEvent.buttons has them
        captured: 0,    // the window that holds the mouse while a button is down
        lastX: 0, lastY: 0,
        keyWindows: [], // windows that may take the keyboard, newest last
    };
    Module.dvHost = host;
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
    // (The build's script minifier predates destructuring: none is used here.)
    // Mouse: every pointer event is compared with the buttons held before it, so that chords
    // and a release far outside the page (the canvas keeps the pointer captured) all arrive.
    const buttonBits = [[1, 1], [4, 2], [2, 3]];
    const pointer = (e) => {
        if (e.pointerType && e.pointerType !== 'mouse') return;
        const before = host.buttons;
        const now = e.type === 'pointercancel' ? 0 : e.buttons;
        let win = host.captured || host.windowAt(e.target);
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
            if (e.type === 'pointermove') host.push(3, win, x, y, 0, 0, mods);
        }
        for (const b of buttonBits) {
            if ((before & b[0]) && !(now & b[0])) host.push(2, win, x, y, b[1], 0, mods);
        }
        for (const b of buttonBits) {
            if (!(before & b[0]) && (now & b[0])) host.push(1, win, x, y, b[1], 0, mods);
        }
        host.buttons = now;
        if (!before && now) {
            host.captured = win;
            try { e.target.setPointerCapture(e.pointerId); } catch (err) {}
        } else if (before && !now) {
            host.captured = 0;
        }
    };
    for (const type of ['pointerdown', 'pointermove', 'pointerup', 'pointercancel']) {
        window.addEventListener(type, pointer);
    }
    // Capture lost without a release (the page lost focus): the buttons are let go.
    window.addEventListener('lostpointercapture', (e) => {
        if (host.buttons && host.captured && host.windows.has(host.captured)) {
            for (const b of buttonBits) {
                if (host.buttons & b[0]) host.push(2, host.captured, host.lastX, host.lastY, b[1], 0, 0);
            }
        }
        host.buttons = 0;
        host.captured = 0;
    });
    // The right button opens the program's own menu, not the browser's.
    window.addEventListener('contextmenu', (e) => e.preventDefault());
    const named = {
        Enter: 0x0D, NumpadEnter: 0x0D, Escape: 0x1B, Space: 0x20, Tab: 0x09, Backspace: 0x08,
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
        if (m && +m[1] >= 1 && +m[1] <= 12) return 0x6F + +m[1];
        return named[code] || 0;
    };
    const key = (e) => {
        const vk = virtualKey(e.code);
        const win = host.keyWindows[host.keyWindows.length - 1] || 0;
        if (!vk || !win) return;
        // The browser's own shortcuts (reload, zoom, developer tools) stay the browser's.
        if (e.ctrlKey || (vk >= 0x70 && vk <= 0x7B)) return;
        e.preventDefault();
        host.push(e.type === 'keydown' ? 4 : 5, win, 0, 0, 0, vk, modifiers(e));
    };
    window.addEventListener('keydown', key);
    window.addEventListener('keyup', key);
    window.addEventListener('resize', () => {
        if (!host.main) return;
        // Only the size the page has now matters: a resize overtaken by another is dropped.
        host.queue = host.queue.filter((e) => e[0] !== 6);
        host.push(6, host.main, window.innerWidth, window.innerHeight, 0, 0, 0);
    });
    window.addEventListener('blur', () => {
        const win = host.keyWindows[host.keyWindows.length - 1];
        if (win) host.push(13, win, 0, 0, 0, 0, 0);
    });
});

EM_JS(void, dv_web_create, (int win, int kind, int owner, int x, int y, int cx, int cy,
                            const char* title), {
    const host = Module.dvHost;
    const canvas = document.createElement('canvas');
    canvas.width = cx;
    canvas.height = cy;
    canvas.className = 'dv-canvas';
    canvas.style.width = cx + 'px';
    canvas.style.height = cy + 'px';
    const w = { kind, owner, canvas, root: canvas, caption: null, context: canvas.getContext('2d') };
    if (kind === 1) {
        // A dialog over the page: its caption bar above its client area.
        const frame = document.createElement('div');
        frame.className = 'dv-modal';
        const caption = document.createElement('div');
        caption.className = 'dv-caption';
        caption.textContent = UTF8ToString(title);
        frame.appendChild(caption);
        frame.appendChild(canvas);
        w.root = frame;
        w.caption = caption;
    } else if (kind === 2) {
        w.root.classList.add('dv-popup');
    } else if (!host.main) {
        host.main = win;
        canvas.classList.add('dv-main');
        document.title = UTF8ToString(title);
    } else {
        w.root.classList.add('dv-window');
    }
    w.root.dvWindow = win;
    w.root.style.display = 'none';
    host.windows.set(win, w);
    document.body.appendChild(w.root);
    Module.dvHost.place(win, x, y);
});

EM_JS(void, dv_web_place_init, (), {
    const host = Module.dvHost;
    // Where a window's client area lies on the page: the main window at the corner, a menu
    // relative to its owner's client area, anything else where the program put it.
    host.place = (win, x, y) => {
        const w = host.windows.get(win);
        if (!w) return;
        if (win === host.main) {
            x = 0;
            y = 0;
        } else if (w.kind === 2) {
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
        w.root.style.top = (y - captionHeight) + 'px';
    };
});

EM_JS(void, dv_web_destroy, (int win), {
    const host = Module.dvHost;
    const w = host.windows.get(win);
    if (!w) return;
    w.root.remove();
    host.windows.delete(win);
    host.keyWindows = host.keyWindows.filter((k) => k !== win);
    if (host.captured === win) host.captured = 0;
    if (host.main === win) host.main = 0;
});

EM_JS(void, dv_web_show, (int win, int show), {
    const host = Module.dvHost;
    const w = host.windows.get(win);
    if (!w) return;
    w.root.style.display = show ? 'block' : 'none';
    host.keyWindows = host.keyWindows.filter((k) => k !== win);
    if (show && w.kind !== 2) host.keyWindows.push(win);
    // The caption has its height only once it is shown.
    if (show) host.place(win, w.x, w.y);
});

// A window's place; its canvas takes its new size when the screen of that size is presented.
EM_JS(void, dv_web_move, (int win, int x, int y), { Module.dvHost.place(win, x, y); });

// Gives a window's canvas the size of the screen presented on it; 1 when it had another size.
EM_JS(int, dv_web_size_to, (int win, int cx, int cy), {
    const w = Module.dvHost.windows.get(win);
    if (!w || (w.canvas.width === cx && w.canvas.height === cy)) return 0;
    w.canvas.width = cx;
    w.canvas.height = cy;
    w.canvas.style.width = cx + 'px';
    w.canvas.style.height = cy + 'px';
    return 1;
});

EM_JS(void, dv_web_title, (int win, const char* title), {
    const host = Module.dvHost;
    const w = host.windows.get(win);
    if (!w) return;
    const text = UTF8ToString(title);
    if (win === host.main) document.title = text;
    if (w.caption) w.caption.textContent = text;
});

EM_JS(void, dv_web_icon, (const unsigned char* rgba, int width, int height), {
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, width * height * 4).slice();
    canvas.getContext('2d').putImageData(new ImageData(pixels, width, height), 0, 0);
    let link = document.querySelector('link[rel="icon"]');
    if (!link) {
        link = document.createElement('link');
        link.rel = 'icon';
        document.head.appendChild(link);
    }
    link.href = canvas.toDataURL('image/png');
});

EM_JS(void, dv_web_present, (int win, const unsigned char* rgba, int x, int y, int cx, int cy), {
    const w = Module.dvHost.windows.get(win);
    if (!w) return;
    const pixels = new Uint8ClampedArray(HEAPU8.buffer, rgba, cx * cy * 4);
    w.context.putImageData(new ImageData(pixels, cx, cy), x, y);
    if (!Module.dvFirstFrame && win === Module.dvHost.main) {
        Module.dvFirstFrame = performance.now();
        if (Module.onFirstFrame) Module.onFirstFrame(Module.dvFirstFrame);
    }
});

EM_JS(int, dv_web_poll, (int* out), {
    const host = Module.dvHost;
    if (!host.queue.length) return 0;
    const e = host.queue.shift();
    for (let i = 0; i < 7; ++i) HEAP32[(out >> 2) + i] = e[i];
    return 1;
});

EM_ASYNC_JS(void, dv_web_wait, (int timeoutMs), {
    const host = Module.dvHost;
    if (host.queue.length) return;
    await new Promise((resolve) => {
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
});

// Hands the browser a turn without waiting for anything: a message channel runs its task at
// once, where a zero timeout may be held back for milliseconds.
EM_ASYNC_JS(void, dv_web_yield, (), {
    await new Promise((resolve) => {
        const channel = new MessageChannel();
        channel.port1.onmessage = () => resolve();
        channel.port2.postMessage(0);
    });
});

EM_JS(double, dv_web_now, (), { return performance.now(); });
EM_JS(int, dv_web_viewport_width, (), { return window.innerWidth; });
EM_JS(int, dv_web_viewport_height, (), { return window.innerHeight; });

EM_JS(void, dv_web_ended, (), {
    const host = Module.dvHost;
    if (host) {
        for (const w of host.windows.values()) w.root.remove();
        host.windows.clear();
        host.main = 0;
    }
    const note = document.getElementById('ended') || document.createElement('p');
    note.id = 'ended';
    note.textContent = 'Dorvane has ended. Reload the page to start it again.';
    document.body.appendChild(note);
    document.title = 'Dorvane (ended)';
    if (Module.onEnded) Module.onEnded();
});
// clang-format on

namespace {

// The longest the page waits for its turn while the program keeps busy (a frame that takes
// longer than the timer's period, say): input and painting still get through.
constexpr DWORD kMaxBusyMs = 50;

} // namespace

CWebHost::CWebHost() {
    dv_web_init();
    dv_web_place_init();
}

CWebHost::~CWebHost() {
    for (const auto& entry : m_windows) {
        dv_web_destroy(static_cast<int>(entry.first));
    }
}

HOSTWND CWebHost::CreateHostWindow(const DvHostWindowDesc& desc) {
    const HOSTWND id = m_next++;
    const bool main = m_main == 0 && desc.kind == DvHostNormal;
    dv_web_create(static_cast<int>(id), desc.kind, static_cast<int>(desc.owner), desc.x, desc.y,
                  std::max(desc.cx, 1), std::max(desc.cy, 1),
                  desc.title != nullptr ? desc.title : "");
    m_windows[id] = desc.kind;
    if (main) {
        m_main = id;
        // The main window fills the viewport from its corner, whatever its template says.
        PlaceHostWindow(id, desc.x, desc.y, desc.cx, desc.cy);
    }
    return id;
}

void CWebHost::DestroyHostWindow(HOSTWND window) {
    if (m_windows.erase(window) == 0) {
        return;
    }
    dv_web_destroy(static_cast<int>(window));
    if (window == m_main) {
        m_main = 0;
    }
}

void CWebHost::ShowHostWindow(HOSTWND window, int nCmdShow) {
    if (m_windows.count(window) == 0) {
        return;
    }
    // A page has no minimised or maximised windows: the main window is always the viewport. A
    // minimised one comes straight back, as a desktop window restored at once would, rather than
    // stay an icon that nothing on the page can restore.
    if (window == m_main && (nCmdShow == SW_MINIMIZE || nCmdShow == SW_SHOWMINIMIZED)) {
        DvHostEvent restore = {DvEventRestore, window, 0, 0, 0, 0, 0};
        m_pending.push_back(restore);
    }
    dv_web_show(static_cast<int>(window), nCmdShow != SW_HIDE ? 1 : 0);
}

void CWebHost::PlaceHostWindow(HOSTWND window, int x, int y, int cx, int cy) {
    if (m_windows.count(window) == 0) {
        return;
    }
    if (window == m_main) {
        // The program asked for a place of its own; the page tells it where the window is.
        const SIZE viewport = ScreenSize();
        if (x != 0 || y != 0) {
            DvHostEvent move = {DvEventMove, window, 0, 0, 0, 0, 0};
            m_pending.push_back(move);
        }
        if (cx != viewport.cx || cy != viewport.cy) {
            DvHostEvent resize = {DvEventResize, window, viewport.cx, viewport.cy, 0, 0, 0};
            m_pending.push_back(resize);
        }
        x = 0;
        y = 0;
    }
    dv_web_move(static_cast<int>(window), x, y);
}

void CWebHost::SetHostTitle(HOSTWND window, LPCSTR title) {
    if (m_windows.count(window) != 0) {
        dv_web_title(static_cast<int>(window), title != nullptr ? title : "");
    }
}

void CWebHost::SetHostFullScreen(HOSTWND, BOOL) {}

void CWebHost::SetHostIcon(HOSTWND window, const DWORD* pixels, int width, int height) {
    // The page has one icon: the main window's.
    if (window != m_main || pixels == nullptr || width <= 0 || height <= 0 || width > 1024 ||
        height > 1024) {
        return;
    }
    std::vector<unsigned char> rgba(static_cast<size_t>(width) * static_cast<size_t>(height) * 4);
    for (size_t i = 0; i < rgba.size() / 4; ++i) {
        const DWORD argb = pixels[i];
        rgba[i * 4 + 0] = static_cast<unsigned char>(argb >> 16);
        rgba[i * 4 + 1] = static_cast<unsigned char>(argb >> 8);
        rgba[i * 4 + 2] = static_cast<unsigned char>(argb);
        rgba[i * 4 + 3] = static_cast<unsigned char>(argb >> 24);
    }
    dv_web_icon(rgba.data(), width, height);
}

BOOL CWebHost::Present(HOSTWND window, const void* pixels, int width, int height, int strideBytes,
                       const RECT& changed) {
    if (m_windows.count(window) == 0 || pixels == nullptr || width <= 0 || height <= 0 ||
        strideBytes < width * 4) {
        return TRUE;
    }
    int left = std::max<int>(changed.left, 0);
    int top = std::max<int>(changed.top, 0);
    int right = std::min<int>(changed.right, width);
    int bottom = std::min<int>(changed.bottom, height);
    if (dv_web_size_to(static_cast<int>(window), width, height)) {
        // The canvas followed a resize of the screen, which cleared it: all of it is shown.
        left = 0;
        top = 0;
        right = width;
        bottom = height;
    }
    if (right <= left || bottom <= top) {
        return TRUE;
    }
    const int cx = right - left;
    const int cy = bottom - top;
    m_rgba.resize(static_cast<size_t>(cx) * static_cast<size_t>(cy) * 4);
    // The screen's 0x00RRGGBB words to the canvas's R, G, B, A bytes, opaque.
    unsigned char* out = m_rgba.data();
    for (int row = 0; row < cy; ++row) {
        const DWORD* in = reinterpret_cast<const DWORD*>(static_cast<const unsigned char*>(pixels) +
                                                         static_cast<size_t>(top + row) *
                                                             static_cast<size_t>(strideBytes)) +
                          left;
        for (int col = 0; col < cx; ++col, out += 4) {
            const DWORD rgb = in[col];
            out[0] = static_cast<unsigned char>(rgb >> 16);
            out[1] = static_cast<unsigned char>(rgb >> 8);
            out[2] = static_cast<unsigned char>(rgb);
            out[3] = 0xFF;
        }
    }
    dv_web_present(static_cast<int>(window), m_rgba.data(), left, top, cx, cy);
    return TRUE;
}

BOOL CWebHost::PollEvent(DvHostEvent& event) {
    if (!m_pending.empty()) {
        event = m_pending.front();
        m_pending.erase(m_pending.begin());
        return TRUE;
    }
    int fields[7] = {};
    if (!dv_web_poll(fields)) {
        // A program that never waits still lets the page have its turn now and then.
        const DWORD now = TickCount();
        if (now - m_lastYield >= kMaxBusyMs) {
            dv_web_yield();
            m_lastYield = TickCount();
            if (!dv_web_poll(fields)) {
                return FALSE;
            }
        } else {
            return FALSE;
        }
    }
    event = DvHostEvent{};
    event.kind = static_cast<DvHostEventKind>(fields[0]);
    event.window = static_cast<HOSTWND>(fields[1]);
    event.x = fields[2];
    event.y = fields[3];
    event.button = fields[4];
    event.key = static_cast<UINT>(fields[5]);
    event.modifiers = static_cast<UINT>(fields[6]);
    return m_windows.count(event.window) != 0 ? TRUE : PollEvent(event);
}

BOOL CWebHost::WaitEvent(DWORD timeoutMs) {
    if (!m_pending.empty()) {
        return TRUE;
    }
    dv_web_wait(timeoutMs == INFINITE ? -1
                                      : static_cast<int>(std::min<DWORD>(timeoutMs, 0x7FFFFFFF)));
    m_lastYield = TickCount();
    return TRUE; // the page can always send more
}

DWORD CWebHost::TickCount() {
    // The page is this program's system: milliseconds since it was opened, from the browser's
    // monotonic clock, wrapping after 2^32 as the platform's count does.
    const double now = dv_web_now();
    return static_cast<DWORD>(static_cast<unsigned long long>(now));
}

SIZE CWebHost::ScreenSize() {
    return SIZE{std::max(1, dv_web_viewport_width()), std::max(1, dv_web_viewport_height())};
}

void CWebHost::ShowEnded() {
    dv_web_ended();
}
