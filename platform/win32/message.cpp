// Messages: sending, the posted-message queue, input from the host, timers, capture, focus and
// the default window procedure.
#include "win32/window.h"

#include <algorithm>
#include <cstring>
#include <deque>

namespace {

struct DvTimer {
    HWND hWnd;
    UINT_PTR id;
    UINT elapse;
    DWORD due;
    TIMERPROC proc;
};

struct DvQueue {
    std::deque<MSG> posted;
    std::vector<DvTimer> timers;
    UINT_PTR nextTimerId = 0x7FF0;
    HWND capture = nullptr;
    HWND focus = nullptr;
    bool quit = false;
    int quitCode = 0;
    DvPreTranslateHook preTranslate = nullptr;
    UINT mouseButtons = 0; // MK_ bits held, from the host's events
    UINT modifiers = 0;
};

DvQueue& Queue() {
    static DvQueue queue;
    return queue;
}

// Wrap-safe: the tick count passes 2^32 after 49.7 days.
bool IsDue(DWORD now, DWORD due) {
    return static_cast<DWORD>(now - due) < 0x80000000u;
}

bool IsSelfOrDescendant(HWND hWnd, HWND ancestor) {
    for (DvWindow* window = DvLookupWindow(hWnd); window != nullptr;) {
        if (window->hWnd == ancestor) {
            return true;
        }
        if (!(window->style & WS_CHILD)) {
            return false;
        }
        window = DvLookupWindow(window->parent);
    }
    return false;
}

bool Matches(const MSG& msg, HWND hWnd, UINT filterMin, UINT filterMax) {
    if (hWnd != nullptr && !IsSelfOrDescendant(msg.hwnd, hWnd)) {
        return false;
    }
    if (filterMin == 0 && filterMax == 0) {
        return true;
    }
    return msg.message >= filterMin && msg.message <= filterMax;
}

MSG MakeMsg(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    MSG msg = {};
    msg.hwnd = hWnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = GetTickCount();
    return msg;
}

LPARAM PackPoint(POINT p) {
    return MAKELONG(static_cast<short>(p.x), static_cast<short>(p.y));
}

bool IsTransparentToMouse(const DvWindow* window) {
    return window->className == "static" && !(window->style & SS_NOTIFY);
}

HWND HitTestIn(DvWindow* window, POINT point) {
    for (HWND child : window->children) {
        DvWindow* c = DvLookupWindow(child);
        if (c == nullptr || !(c->style & WS_VISIBLE) || (c->style & WS_DISABLED) ||
            IsTransparentToMouse(c)) {
            continue;
        }
        if (point.x < c->rect.left || point.y < c->rect.top || point.x >= c->rect.right ||
            point.y >= c->rect.bottom) {
            continue;
        }
        const int border = DvBorderWidth(c);
        const POINT inner = {point.x - c->rect.left - border, point.y - c->rect.top - border};
        const RECT client = DvClientRect(c);
        if (inner.x >= 0 && inner.y >= 0 && inner.x < client.right && inner.y < client.bottom) {
            return HitTestIn(c, inner);
        }
        return child;
    }
    return window->hWnd;
}

DvWindow* WindowOfHost(HOSTWND host) {
    for (HWND hWnd : DvTopLevelWindows()) {
        DvWindow* window = DvLookupWindow(hWnd);
        if (window != nullptr && window->host == host) {
            return window;
        }
    }
    return nullptr;
}

UINT ButtonFlag(int button) {
    switch (button) {
    case 1:
        return MK_LBUTTON;
    case 2:
        return MK_MBUTTON;
    case 3:
        return MK_RBUTTON;
    default:
        return 0;
    }
}

UINT ButtonMessage(int button, bool down) {
    switch (button) {
    case 1:
        return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case 2:
        return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    case 3:
        return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    default:
        return 0;
    }
}

void PostInput(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Queue().posted.push_back(MakeMsg(hWnd, message, wParam, lParam));
}

// The window that pointer input at a point of a top-level window goes to: the capture, else
// the window under the point; none when the top-level window is disabled (the owner of a
// modal dialog takes no input).
HWND PointerTarget(const DvHostEvent& event, DvWindow* top) {
    const HWND capture = Queue().capture;
    if (DvLookupWindow(capture) != nullptr) {
        return capture;
    }
    if (top->style & WS_DISABLED) {
        return nullptr;
    }
    return DvHitTest(top, POINT{event.x, event.y});
}

// The buttons held down and the shift states, as pointer messages carry them.
WPARAM PointerKeys(const DvHostEvent& event) {
    WPARAM keys = Queue().mouseButtons;
    if (event.modifiers & DV_MOD_SHIFT) {
        keys |= MK_SHIFT;
    }
    if (event.modifiers & DV_MOD_CTRL) {
        keys |= MK_CONTROL;
    }
    return keys;
}

void HandleMouse(const DvHostEvent& event, DvWindow* top) {
    DvQueue& queue = Queue();
    const UINT flag = ButtonFlag(event.button);
    if (event.kind == DvEventMouseDown) {
        queue.mouseButtons |= flag;
    } else if (event.kind == DvEventMouseUp) {
        queue.mouseButtons &= ~flag;
    }
    UINT message = WM_MOUSEMOVE;
    if (event.kind != DvEventMouseMove) {
        message = ButtonMessage(event.button, event.kind == DvEventMouseDown);
        if (message == 0) {
            return;
        }
    }
    const HWND target = PointerTarget(event, top);
    if (target == nullptr) {
        return;
    }
    POINT client = {top->rect.left + event.x, top->rect.top + event.y};
    ScreenToClient(target, &client);
    PostInput(target, message, PointerKeys(event), PackPoint(client));
}

// The wheel goes to the window under the pointer (or the capture), which passes it on to its
// parent when it has no use for it.
void HandleWheel(const DvHostEvent& event, DvWindow* top) {
    const HWND target = PointerTarget(event, top);
    if (target == nullptr) {
        return;
    }
    const POINT screen = {top->rect.left + event.x, top->rect.top + event.y};
    const WPARAM keys = PointerKeys(event);
    const short delta = static_cast<short>(std::clamp(event.delta, -32768, 32767));
    PostInput(target, WM_MOUSEWHEEL, MAKEWPARAM(keys, static_cast<WORD>(delta)), PackPoint(screen));
}

void HandleKey(const DvHostEvent& event, DvWindow* top) {
    if (top->style & WS_DISABLED) {
        return;
    }
    DvQueue& queue = Queue();
    HWND target = top->hWnd;
    if (queue.focus != nullptr && IsSelfOrDescendant(queue.focus, top->hWnd)) {
        target = queue.focus;
    }
    const bool alt = (event.modifiers & DV_MOD_ALT) != 0;
    const bool down = event.kind == DvEventKeyDown;
    UINT message = down ? WM_KEYDOWN : WM_KEYUP;
    LPARAM lParam = 1;
    if (alt || event.key == VK_F10) {
        message = down ? WM_SYSKEYDOWN : WM_SYSKEYUP;
        if (alt) {
            lParam |= 1 << 29;
        }
    }
    if (!down) {
        lParam |= static_cast<LPARAM>(3) << 30;
    }
    queue.modifiers = event.modifiers;
    PostInput(target, message, event.key, lParam);
}

void HandleHostEvent(const DvHostEvent& event) {
    DvWindow* top = WindowOfHost(event.window);
    if (top == nullptr) {
        return;
    }
    const HWND hWnd = top->hWnd;
    if (DvMenuHandleEvent(event, top)) {
        return;
    }
    switch (event.kind) {
    case DvEventMouseDown:
    case DvEventMouseUp:
    case DvEventMouseMove:
        HandleMouse(event, top);
        break;
    case DvEventWheel:
        HandleWheel(event, top);
        break;
    case DvEventKeyDown:
    case DvEventKeyUp:
        HandleKey(event, top);
        break;
    case DvEventResize:
        if (!top->iconic) {
            DvPlaceFromHost(hWnd, 0, 0, event.x, event.y, false, true);
            // Even at the size it had, the host window may now lend other memory (or lend
            // some at last, once its size has caught up with the screen's).
            if (DvWindow* again = DvLookupWindow(hWnd)) {
                DvResizeScreen(again, again->screenWidth, again->screenHeight);
            }
        }
        break;
    case DvEventMove:
        DvPlaceFromHost(hWnd, event.x, event.y, 0, 0, true, false);
        break;
    case DvEventMinimise:
        if (!top->iconic) {
            top->iconic = true;
            top->style |= WS_MINIMIZE;
            DvSend(top, WM_SIZE, SIZE_MINIMIZED, 0);
        }
        break;
    case DvEventMaximise:
        top->zoomed = true;
        top->style |= WS_MAXIMIZE;
        if (top->iconic) {
            top->iconic = false;
            top->style &= ~WS_MINIMIZE;
            const RECT client = DvClientRect(top);
            DvSend(top, WM_SIZE, SIZE_MAXIMIZED, MAKELONG(client.right, client.bottom));
            if (DvWindow* again = DvLookupWindow(hWnd)) {
                DvInvalidate(again, nullptr, true, true);
            }
        }
        break;
    case DvEventRestore:
        if (top->iconic) {
            top->iconic = false;
            top->style &= ~WS_MINIMIZE;
            const RECT client = DvClientRect(top);
            DvSend(top, WM_SIZE, top->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED,
                   MAKELONG(client.right, client.bottom));
            if (DvWindow* again = DvLookupWindow(hWnd)) {
                DvInvalidate(again, nullptr, true, true);
            }
        } else if (top->zoomed) {
            top->zoomed = false;
            top->style &= ~WS_MAXIMIZE;
        }
        break;
    case DvEventExpose: {
        const RECT all = {0, 0, top->screenWidth, top->screenHeight};
        DvMarkDirty(top, all);
        break;
    }
    case DvEventClose:
        if (!(top->style & WS_DISABLED)) {
            PostMessage(hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        }
        break;
    default:
        break;
    }
}

// The next message that is ready, in the platform's order: posted messages and input, then
// paint for invalid windows, then due timers. Paint and timer messages are made only when
// nothing is queued, so timer messages never pile up.
bool TakePosted(MSG* msg, HWND hWnd, UINT filterMin, UINT filterMax, bool remove) {
    DvQueue& queue = Queue();
    for (auto it = queue.posted.begin(); it != queue.posted.end(); ++it) {
        if (Matches(*it, hWnd, filterMin, filterMax)) {
            *msg = *it;
            if (remove) {
                queue.posted.erase(it);
            }
            return true;
        }
    }
    return false;
}

bool NextMessage(MSG* msg, HWND hWnd, UINT filterMin, UINT filterMax, bool remove) {
    DvQueue& queue = Queue();
    if (TakePosted(msg, hWnd, filterMin, filterMax, remove)) {
        return true;
    }
    while (DvPumpHostEvents()) {
        if (TakePosted(msg, hWnd, filterMin, filterMax, remove)) {
            return true;
        }
    }
    if (queue.quit && hWnd == nullptr) {
        *msg = MakeMsg(nullptr, WM_QUIT, static_cast<WPARAM>(queue.quitCode), 0);
        if (remove) {
            queue.quit = false;
        }
        return true;
    }
    if (DvWindow* invalid = DvFindInvalidWindow()) {
        const MSG paint = MakeMsg(invalid->hWnd, WM_PAINT, 0, 0);
        if (Matches(paint, hWnd, filterMin, filterMax)) {
            *msg = paint;
            return true;
        }
    }
    const DWORD now = GetTickCount();
    for (DvTimer& timer : queue.timers) {
        if (!IsDue(now, timer.due)) {
            continue;
        }
        const MSG tick =
            MakeMsg(timer.hWnd, WM_TIMER, timer.id, reinterpret_cast<LPARAM>(timer.proc));
        if (!Matches(tick, hWnd, filterMin, filterMax)) {
            continue;
        }
        *msg = tick;
        if (remove) {
            timer.due = now + timer.elapse;
        }
        return true;
    }
    return false;
}

} // namespace

UINT DvKeyModifiers() {
    return Queue().modifiers;
}

HWND DvHitTest(DvWindow* top, POINT pointInTop) {
    return HitTestIn(top, pointInTop);
}

bool DvPumpHostEvents() {
    CHost* host = DvGetHost();
    DvHostEvent event = {};
    bool any = false;
    // Input is taken one event at a time, when it is due: where a mouse event goes depends on
    // the capture that the events before it may have taken.
    const size_t queued = Queue().posted.size();
    while (Queue().posted.size() == queued && host->PollEvent(event)) {
        any = true;
        HandleHostEvent(event);
    }
    return any;
}

LRESULT DvSend(DvWindow* window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (window == nullptr || window->proc == nullptr) {
        return 0;
    }
    return window->proc(window->hWnd, message, wParam, lParam);
}

LRESULT SendMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return DvSend(DvLookupWindow(hWnd), message, wParam, lParam);
}

LRESULT CallWindowProc(WNDPROC proc, HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return proc != nullptr ? proc(hWnd, message, wParam, lParam) : 0;
}

BOOL PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (hWnd != nullptr && DvLookupWindow(hWnd) == nullptr) {
        return FALSE;
    }
    Queue().posted.push_back(MakeMsg(hWnd, message, wParam, lParam));
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    DvQueue& queue = Queue();
    queue.quit = true;
    queue.quitCode = exitCode;
}

BOOL PeekMessage(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (msg == nullptr) {
        return FALSE;
    }
    return NextMessage(msg, hWnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0) ? TRUE
                                                                                      : FALSE;
}

BOOL WaitMessage() {
    if (DvPresentAll()) {
        return TRUE; // a screen lost what it showed and wants painting before any wait
    }
    DvQueue& queue = Queue();
    DWORD timeout = INFINITE;
    const DWORD now = GetTickCount();
    for (const DvTimer& timer : queue.timers) {
        const DWORD left = IsDue(now, timer.due) ? 0 : static_cast<DWORD>(timer.due - now);
        timeout = std::min(timeout, left);
    }
    return DvGetHost()->WaitEvent(timeout);
}

BOOL GetMessage(LPMSG msg, HWND hWnd, UINT filterMin, UINT filterMax) {
    if (msg == nullptr) {
        return -1;
    }
    while (!NextMessage(msg, hWnd, filterMin, filterMax, true)) {
        if (!WaitMessage()) {
            // Nothing can ever arrive: the program ends as if asked to quit.
            *msg = MakeMsg(nullptr, WM_QUIT, 0, 0);
            return FALSE;
        }
    }
    return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    return msg != nullptr && msg->message == WM_KEYDOWN;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (msg == nullptr) {
        return 0;
    }
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        reinterpret_cast<TIMERPROC>(msg->lParam)(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    DvWindow* window = DvLookupWindow(msg->hwnd);
    if (window == nullptr) {
        return 0;
    }
    const LRESULT result = DvSend(window, msg->message, msg->wParam, msg->lParam);
    if (msg->message == WM_PAINT) {
        // A paint handler that did not validate must not make the same message forever.
        if (DvWindow* again = DvLookupWindow(msg->hwnd)) {
            again->invalid = false;
            again->erase = false;
        }
    }
    return result;
}

void DvSetPreTranslateHook(DvPreTranslateHook hook) {
    Queue().preTranslate = hook;
}

int DvPumpMessages() {
    int processed = 0;
    MSG msg;
    // A second round paints and presents again a screen that the host stopped showing from.
    for (int round = 0; round < 2; ++round) {
        // A bound keeps a window that keeps invalidating itself from hanging the caller.
        for (int guard = 0; guard < 100000; ++guard) {
            if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
                break;
            }
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                DvPresentAll();
                return processed;
            }
            ++processed;
            DvPreTranslateHook hook = Queue().preTranslate;
            if (hook != nullptr && hook(&msg)) {
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        if (!DvPresentAll()) {
            break;
        }
    }
    return processed;
}

UINT_PTR SetTimer(HWND hWnd, UINT_PTR id, UINT elapse, TIMERPROC timerFunc) {
    if (hWnd != nullptr && DvLookupWindow(hWnd) == nullptr) {
        return 0;
    }
    DvQueue& queue = Queue();
    if (hWnd == nullptr) {
        id = ++queue.nextTimerId;
    }
    // The platform's shortest and longest periods; the longest keeps due times comparable
    // across the wrap of the tick count.
    elapse = std::clamp<UINT>(elapse, 10, 0x7FFFFFFF);
    const DWORD due = GetTickCount() + elapse;
    for (DvTimer& timer : queue.timers) {
        if (timer.hWnd == hWnd && timer.id == id) {
            timer.elapse = elapse;
            timer.due = due;
            timer.proc = timerFunc;
            return hWnd == nullptr ? id : (id != 0 ? id : 1);
        }
    }
    queue.timers.push_back(DvTimer{hWnd, id, elapse, due, timerFunc});
    return hWnd == nullptr ? id : (id != 0 ? id : 1);
}

BOOL KillTimer(HWND hWnd, UINT_PTR id) {
    DvQueue& queue = Queue();
    const auto before = queue.timers.size();
    queue.timers.erase(
        std::remove_if(queue.timers.begin(), queue.timers.end(),
                       [&](const DvTimer& t) { return t.hWnd == hWnd && t.id == id; }),
        queue.timers.end());
    return queue.timers.size() != before;
}

void DvKillTimersOf(HWND hWnd) {
    DvQueue& queue = Queue();
    queue.timers.erase(std::remove_if(queue.timers.begin(), queue.timers.end(),
                                      [&](const DvTimer& t) { return t.hWnd == hWnd; }),
                       queue.timers.end());
    queue.posted.erase(std::remove_if(queue.posted.begin(), queue.posted.end(),
                                      [&](const MSG& m) { return m.hwnd == hWnd; }),
                       queue.posted.end());
}

HWND SetCapture(HWND hWnd) {
    DvQueue& queue = Queue();
    const HWND previous = DvLookupWindow(queue.capture) ? queue.capture : nullptr;
    if (DvLookupWindow(hWnd) == nullptr) {
        return previous;
    }
    queue.capture = hWnd;
    // The window that had the capture is told, also when it takes it again.
    if (previous != nullptr) {
        SendMessage(previous, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hWnd));
    }
    return previous;
}

BOOL ReleaseCapture() {
    DvQueue& queue = Queue();
    const HWND previous = queue.capture;
    queue.capture = nullptr;
    if (previous != nullptr) {
        SendMessage(previous, WM_CAPTURECHANGED, 0, 0);
    }
    return TRUE;
}

HWND GetCapture() {
    DvQueue& queue = Queue();
    return DvLookupWindow(queue.capture) ? queue.capture : nullptr;
}

HWND SetFocus(HWND hWnd) {
    DvQueue& queue = Queue();
    const HWND previous = DvLookupWindow(queue.focus) ? queue.focus : nullptr;
    if (hWnd != nullptr && DvLookupWindow(hWnd) == nullptr) {
        return nullptr;
    }
    if (previous == hWnd) {
        return previous;
    }
    queue.focus = hWnd;
    if (previous != nullptr) {
        SendMessage(previous, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hWnd), 0);
    }
    if (hWnd != nullptr) {
        SendMessage(hWnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    }
    return previous;
}

HWND GetFocus() {
    DvQueue& queue = Queue();
    return DvLookupWindow(queue.focus) ? queue.focus : nullptr;
}

HWND GetActiveWindow() {
    DvWindow* focus = DvLookupWindow(GetFocus());
    DvWindow* top = DvTopLevelOf(focus);
    if (top != nullptr) {
        return top->hWnd;
    }
    const std::vector<HWND> tops = DvTopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        DvWindow* window = DvLookupWindow(*it);
        if (window != nullptr && (window->style & WS_VISIBLE) && window->className != "#32768") {
            return *it;
        }
    }
    return nullptr;
}

DWORD GetTickCount() {
    return DvGetHost()->TickCount();
}

LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return 0;
    }
    const bool topLevel = !(window->style & WS_CHILD);
    switch (message) {
    case WM_NCCREATE:
        return TRUE;
    case WM_SETTEXT: {
        const char* text = reinterpret_cast<const char*>(lParam);
        window->text = text != nullptr ? text : "";
        if (topLevel) {
            if (window->host != 0) {
                DvGetHost()->SetHostTitle(window->host, window->text.c_str());
            }
        } else {
            DvInvalidate(window, nullptr, true, false);
        }
        return TRUE;
    }
    case WM_GETTEXT: {
        char* buffer = reinterpret_cast<char*>(lParam);
        const size_t room = static_cast<size_t>(wParam);
        if (buffer == nullptr || room == 0) {
            return 0;
        }
        const size_t n = std::min(window->text.size(), room - 1);
        std::memcpy(buffer, window->text.data(), n);
        buffer[n] = '\0';
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(window->text.size());
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (BeginPaint(hWnd, &ps) != nullptr) {
            EndPaint(hWnd, &ps);
        }
        return 0;
    }
    case WM_ERASEBKGND:
    case WM_ICONERASEBKGND:
        return 0; // windows of the default class paint their own background
    case WM_CLOSE:
        DestroyWindow(hWnd);
        return 0;
    case WM_SYSCOMMAND:
        if (!topLevel) {
            return 0;
        }
        switch (wParam & 0xFFF0) {
        case SC_CLOSE:
            SendMessage(hWnd, WM_CLOSE, 0, 0);
            break;
        case SC_MINIMIZE:
            ShowWindow(hWnd, SW_MINIMIZE);
            break;
        case SC_MAXIMIZE:
            ShowWindow(hWnd, SW_MAXIMIZE);
            break;
        case SC_RESTORE:
            ShowWindow(hWnd, SW_RESTORE);
            break;
        case SC_KEYMENU:
            DvOpenSystemMenu(hWnd, POINT{0, 0});
            break;
        default:
            break;
        }
        return 0;
    case WM_SYSKEYDOWN: {
        DvWindow* top = DvTopLevelOf(window);
        if (top == nullptr) {
            return 0;
        }
        if (wParam == VK_SPACE && (lParam & (1 << 29))) {
            SendMessage(top->hWnd, WM_SYSCOMMAND, SC_KEYMENU, ' ');
        } else if (wParam == VK_F4 && (lParam & (1 << 29))) {
            SendMessage(top->hWnd, WM_SYSCOMMAND, SC_CLOSE, 0);
        } else if (wParam == VK_F10 && (Queue().modifiers & DV_MOD_SHIFT)) {
            SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd), -1);
        }
        return 0;
    }
    case WM_KEYDOWN:
        if (wParam == VK_APPS) {
            SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd), -1);
        }
        return 0;
    case WM_MOUSEWHEEL:
        // Unused, it goes to the parent, and so on up to the top-level window.
        if (!topLevel) {
            return SendMessage(window->parent, message, wParam, lParam);
        }
        return 0;
    case WM_RBUTTONUP: {
        POINT screen = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        ClientToScreen(hWnd, &screen);
        SendMessage(hWnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hWnd),
                    MAKELPARAM(screen.x, screen.y));
        return 0;
    }
    case WM_CONTEXTMENU:
        // A child leaves the context menu to its parent. The title bar belongs to the window
        // manager (which also takes Alt+Space), so at the top the context menu is the system
        // menu: from a right-click anywhere in the window, Shift+F10 or the menu key.
        if (!topLevel) {
            return SendMessage(window->parent, WM_CONTEXTMENU, wParam, lParam);
        }
        if (window->style & WS_SYSMENU) {
            POINT point = {0, 0};
            if (lParam != -1) {
                point = POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
                ScreenToClient(hWnd, &point);
            }
            DvOpenSystemMenu(hWnd, point);
        }
        return 0;
    case WM_SETICON: {
        HICON icon = reinterpret_cast<HICON>(lParam);
        HICON previous = nullptr;
        if (wParam == ICON_BIG) {
            previous = window->bigIcon;
            window->bigIcon = icon;
        } else {
            previous = window->smallIcon;
            window->smallIcon = icon;
        }
        if (topLevel && window->host != 0) {
            DvSetHostIcon(window);
        }
        return reinterpret_cast<LRESULT>(previous);
    }
    case WM_GETICON:
        return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? window->bigIcon : window->smallIcon);
    case WM_SETFONT:
        window->font = reinterpret_cast<HFONT>(wParam);
        if (lParam) {
            DvInvalidate(window, nullptr, true, false);
        }
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(window->font);
    default:
        return 0;
    }
}
