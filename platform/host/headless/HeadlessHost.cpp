#include "host/headless/HeadlessHost.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "win32/window.h"

namespace {
// About a day after start-up, so that tick differences from 0 are already large.
const DWORD kStartTicks = 86400000u;
// The most a screen section may hold (a signed 32-bit byte count), and so the most worth lending.
constexpr std::int64_t kMaxLentBytes = 0x7FFFFFFF;
} // namespace

CHeadlessHost::CHeadlessHost() : m_dwTicks(kStartTicks) {}

CHeadlessHost::~CHeadlessHost() = default;

CHeadlessHost* CHeadlessHost::Installed() {
    return dynamic_cast<CHeadlessHost*>(DvGetHost());
}

HOSTWND CHeadlessHost::CreateHostWindow(const DvHostWindowDesc& desc) {
    const HOSTWND id = m_nextWindow++;
    Window& window = m_windows[id];
    window.desc = desc;
    window.title = desc.title != nullptr ? desc.title : "";
    window.desc.title = nullptr;
    window.width = std::max(desc.cx, 0);
    window.height = std::max(desc.cy, 0);
    window.pixels.assign(static_cast<size_t>(window.width) * window.height, 0);
    SetDesktopSize(window, desc.cx, desc.cy);
    return id;
}

void CHeadlessHost::DestroyHostWindow(HOSTWND window) {
    auto it = m_windows.find(window);
    if (it != m_windows.end()) {
        Retire(it->second);
    }
    m_windows.erase(window);
    m_events.erase(std::remove_if(m_events.begin(), m_events.end(),
                                  [&](const DvHostEvent& e) { return e.window == window; }),
                   m_events.end());
}

void CHeadlessHost::ShowHostWindow(HOSTWND id, int nCmdShow) {
    auto it = m_windows.find(id);
    if (it == m_windows.end()) {
        return;
    }
    Window& window = it->second;
    switch (nCmdShow) {
    case SW_HIDE:
        window.shown = false;
        break;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        window.shown = true;
        window.minimised = true;
        break;
    case SW_MAXIMIZE:
        window.shown = true;
        window.minimised = false;
        if (!window.maximised) {
            window.maximised = true;
            window.restoreWidth = window.width;
            window.restoreHeight = window.height;
            SetDesktopSize(window, m_screen.cx, m_screen.cy);
            Push(DvEventResize, id, m_screen.cx, m_screen.cy);
        }
        break;
    case SW_RESTORE:
        window.shown = true;
        if (window.minimised) {
            window.minimised = false;
        } else if (window.maximised) {
            window.maximised = false;
            SetDesktopSize(window, window.restoreWidth, window.restoreHeight);
            Push(DvEventResize, id, window.restoreWidth, window.restoreHeight);
        }
        break;
    default:
        window.shown = true;
        break;
    }
}

void CHeadlessHost::PlaceHostWindow(HOSTWND id, int, int, int cx, int cy) {
    auto it = m_windows.find(id);
    if (it == m_windows.end()) {
        return;
    }
    Window& window = it->second;
    window.width = std::max(cx, 0);
    window.height = std::max(cy, 0);
    window.pixels.assign(static_cast<size_t>(window.width) * window.height, 0);
    SetDesktopSize(window, cx, cy);
}

void CHeadlessHost::SetHostTitle(HOSTWND id, LPCSTR title) {
    auto it = m_windows.find(id);
    if (it != m_windows.end()) {
        it->second.title = title != nullptr ? title : "";
    }
}

void CHeadlessHost::SetHostFullScreen(HOSTWND id, BOOL bFullScreen) {
    auto it = m_windows.find(id);
    if (it == m_windows.end()) {
        return;
    }
    it->second.fullScreen = bFullScreen != FALSE;
    if (bFullScreen) {
        SetDesktopSize(it->second, kScreenWidth, kScreenHeight);
    }
}

void CHeadlessHost::SetHostIcon(HOSTWND id, const DWORD* pixels, int width, int height) {
    auto it = m_windows.find(id);
    if (it == m_windows.end() || pixels == nullptr || width <= 0 || height <= 0) {
        return;
    }
    it->second.icon.assign(pixels, pixels + static_cast<size_t>(width) * height);
    it->second.iconWidth = width;
    it->second.iconHeight = height;
}

void CHeadlessHost::SetDesktopSize(Window& window, int cx, int cy) {
    window.desktopWidth = std::max(cx, 1);
    window.desktopHeight = std::max(cy, 1);
}

void CHeadlessHost::Retire(Window& window) {
    if (window.lent.empty()) {
        return;
    }
    std::fill(window.lent.begin(), window.lent.end(), kRetiredPixel);
    m_retired.push_back(std::move(window.lent));
    window.lent.clear();
    window.lentWidth = window.lentHeight = window.lentStride = 0;
}

CHost::LentScreen CHeadlessHost::LendScreen(HOSTWND id, int cx, int cy) {
    auto it = m_windows.find(id);
    if (it == m_windows.end()) {
        return LentScreen{};
    }
    Window& window = it->second;
    if (!m_lending || cx <= 0 || cy <= 0 || cx > window.desktopWidth || cy > window.desktopHeight) {
        Retire(window);
        return LentScreen{};
    }
    // A desktop window larger than a screen section can address gets no memory: the core could
    // not draw into it, and the memory itself may be more than there is.
    const std::int64_t rowBytes = (static_cast<std::int64_t>(window.desktopWidth) + 3) * 4;
    if (window.desktopHeight > kMaxLentBytes / rowBytes) {
        Retire(window);
        return LentScreen{};
    }
    LentScreen lent;
    if (window.lent.empty() || window.revoked || window.lentWidth != window.desktopWidth ||
        window.lentHeight != window.desktopHeight) {
        Retire(window);
        window.lentWidth = window.desktopWidth;
        window.lentHeight = window.desktopHeight;
        window.lentStride = window.lentWidth + 3;
        // Not black, so that a screen shown before it is painted does not pass for one that was.
        window.lent.assign(static_cast<size_t>(window.lentStride) * window.lentHeight, 0x00123456);
        window.revoked = false;
        ++window.lends;
        lent.fresh = true;
    }
    lent.pixels = window.lent.data();
    lent.strideBytes = window.lentStride * 4;
    return lent;
}

void CHeadlessHost::Revoke(HWND hWnd) {
    if (Window* window = Find(hWnd)) {
        window->revoked = true;
    }
}

BOOL CHeadlessHost::Present(HOSTWND id, const void* pixels, int width, int height, int strideBytes,
                            const RECT& changed) {
    auto it = m_windows.find(id);
    if (it == m_windows.end() || pixels == nullptr || width < 0 || height < 0) {
        return TRUE;
    }
    Window& window = it->second;
    if (!window.lent.empty() && pixels == window.lent.data() &&
        (window.revoked || window.lentWidth != window.desktopWidth ||
         window.lentHeight != window.desktopHeight)) {
        return FALSE; // no longer what the desktop shows from
    }
    if (window.width != width || window.height != height) {
        window.width = width;
        window.height = height;
        window.pixels.assign(static_cast<size_t>(width) * height, 0);
    }
    const int left = std::clamp<int>(changed.left, 0, width);
    const int right = std::clamp<int>(changed.right, 0, width);
    const int top = std::clamp<int>(changed.top, 0, height);
    const int bottom = std::clamp<int>(changed.bottom, 0, height);
    const BYTE* base = static_cast<const BYTE*>(pixels);
    for (int y = top; y < bottom && left < right; ++y) {
        const BYTE* row = base + static_cast<size_t>(y) * strideBytes;
        std::memcpy(&window.pixels[static_cast<size_t>(y) * width + left], row + left * 4,
                    static_cast<size_t>(right - left) * 4);
    }
    ++window.presents;
    window.last = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL CHeadlessHost::PollEvent(DvHostEvent& event) {
    if (m_events.empty()) {
        return FALSE;
    }
    event = m_events.front();
    m_events.pop_front();
    return TRUE;
}

BOOL CHeadlessHost::WaitEvent(DWORD) {
    if (!m_events.empty()) {
        return TRUE;
    }
    if (!m_idle) {
        return FALSE;
    }
    // The handler may replace itself, so it runs from a copy.
    std::function<BOOL()> idle = m_idle;
    return idle();
}

void CHeadlessHost::Push(DvHostEventKind kind, HOSTWND window, int x, int y, int button, UINT key,
                         UINT modifiers, int delta) {
    if (window == 0) {
        return;
    }
    DvHostEvent event = {};
    event.kind = kind;
    event.window = window;
    event.x = x;
    event.y = y;
    event.button = button;
    event.key = key;
    event.modifiers = modifiers;
    event.delta = delta;
    m_events.push_back(event);
}

HOSTWND CHeadlessHost::HostOf(HWND hWnd) const {
    DvWindow* top = DvTopLevelOf(DvLookupWindow(hWnd));
    return top != nullptr ? top->host : 0;
}

HOSTWND CHeadlessHost::Locate(HWND hWnd, int* x, int* y) const {
    DvWindow* window = DvLookupWindow(hWnd);
    DvWindow* top = DvTopLevelOf(window);
    if (top == nullptr) {
        return 0;
    }
    const POINT origin = DvClientOriginInTop(window);
    *x += origin.x;
    *y += origin.y;
    return top->host;
}

const CHeadlessHost::Window* CHeadlessHost::Find(HWND hWnd) const {
    auto it = m_windows.find(HostOf(hWnd));
    return it == m_windows.end() ? nullptr : &it->second;
}

CHeadlessHost::Window* CHeadlessHost::Find(HWND hWnd) {
    auto it = m_windows.find(HostOf(hWnd));
    return it == m_windows.end() ? nullptr : &it->second;
}

void CHeadlessHost::MouseDown(HWND hWnd, int x, int y, int button, UINT modifiers) {
    const HOSTWND host = Locate(hWnd, &x, &y);
    Push(DvEventMouseDown, host, x, y, button, 0, modifiers);
}

void CHeadlessHost::MouseUp(HWND hWnd, int x, int y, int button, UINT modifiers) {
    const HOSTWND host = Locate(hWnd, &x, &y);
    Push(DvEventMouseUp, host, x, y, button, 0, modifiers);
}

void CHeadlessHost::MouseMove(HWND hWnd, int x, int y) {
    const HOSTWND host = Locate(hWnd, &x, &y);
    Push(DvEventMouseMove, host, x, y);
}

void CHeadlessHost::Click(HWND hWnd, int x, int y, int button) {
    MouseDown(hWnd, x, y, button);
    MouseUp(hWnd, x, y, button);
}

void CHeadlessHost::Wheel(HWND hWnd, int x, int y, int delta, UINT modifiers) {
    const HOSTWND host = Locate(hWnd, &x, &y);
    Push(DvEventWheel, host, x, y, 0, 0, modifiers, delta);
}

void CHeadlessHost::KeyDown(HWND hWnd, UINT vk, UINT modifiers) {
    Push(DvEventKeyDown, HostOf(hWnd), 0, 0, 0, vk, modifiers);
}

void CHeadlessHost::KeyUp(HWND hWnd, UINT vk, UINT modifiers) {
    Push(DvEventKeyUp, HostOf(hWnd), 0, 0, 0, vk, modifiers);
}

void CHeadlessHost::Key(HWND hWnd, UINT vk, UINT modifiers) {
    KeyDown(hWnd, vk, modifiers);
    KeyUp(hWnd, vk, modifiers);
}

void CHeadlessHost::Resize(HWND hWnd, int cx, int cy) {
    if (Window* window = Find(hWnd)) {
        SetDesktopSize(*window, cx, cy);
    }
    Push(DvEventResize, HostOf(hWnd), cx, cy);
}

void CHeadlessHost::Minimise(HWND hWnd) {
    if (Window* window = Find(hWnd)) {
        window->minimised = true;
        Push(DvEventMinimise, HostOf(hWnd));
    }
}

void CHeadlessHost::Maximise(HWND hWnd) {
    Window* window = Find(hWnd);
    if (window == nullptr || window->maximised) {
        return;
    }
    window->maximised = true;
    window->minimised = false;
    window->restoreWidth = window->width;
    window->restoreHeight = window->height;
    SetDesktopSize(*window, m_screen.cx, m_screen.cy);
    Push(DvEventMaximise, HostOf(hWnd));
    Push(DvEventResize, HostOf(hWnd), m_screen.cx, m_screen.cy);
}

void CHeadlessHost::Restore(HWND hWnd) {
    Window* window = Find(hWnd);
    if (window == nullptr) {
        return;
    }
    Push(DvEventRestore, HostOf(hWnd));
    if (window->minimised) {
        window->minimised = false;
    } else if (window->maximised) {
        window->maximised = false;
        SetDesktopSize(*window, window->restoreWidth, window->restoreHeight);
        Push(DvEventResize, HostOf(hWnd), window->restoreWidth, window->restoreHeight);
    }
}

void CHeadlessHost::Close(HWND hWnd) {
    Push(DvEventClose, HostOf(hWnd));
}

void CHeadlessHost::Expose(HWND hWnd) {
    Push(DvEventExpose, HostOf(hWnd));
}

bool CHeadlessHost::IsShown(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr && window->shown && !window->minimised;
}

bool CHeadlessHost::IsMinimised(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr && window->minimised;
}

bool CHeadlessHost::IsFullScreen(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr && window->fullScreen;
}

std::string CHeadlessHost::Title(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr ? window->title : std::string();
}

DWORD CHeadlessHost::Pixel(HWND hWnd, int x, int y) const {
    const Window* window = Find(hWnd);
    if (window == nullptr) {
        return 0;
    }
    const DvWindow* w = DvLookupWindow(hWnd);
    const POINT origin = DvClientOriginInTop(w);
    x += origin.x;
    y += origin.y;
    if (x < 0 || y < 0 || x >= window->width || y >= window->height) {
        return 0;
    }
    return window->pixels[static_cast<size_t>(y) * window->width + x] & 0x00FFFFFF;
}

int CHeadlessHost::ScreenWidth(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr ? window->width : 0;
}

int CHeadlessHost::ScreenHeight(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr ? window->height : 0;
}

int CHeadlessHost::PresentCount(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr ? window->presents : 0;
}

RECT CHeadlessHost::LastPresented(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr ? window->last : RECT{0, 0, 0, 0};
}

const std::vector<DWORD>& CHeadlessHost::Icon(HWND hWnd, int* width, int* height) const {
    static const std::vector<DWORD> none;
    const Window* window = Find(hWnd);
    if (window == nullptr) {
        *width = 0;
        *height = 0;
        return none;
    }
    *width = window->iconWidth;
    *height = window->iconHeight;
    return window->icon;
}

DvHostWindowKind CHeadlessHost::Kind(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr ? window->desc.kind : DvHostNormal;
}

bool CHeadlessHost::IsLent(HWND hWnd) const {
    const Window* window = Find(hWnd);
    const DvWindow* top = DvTopLevelOf(DvLookupWindow(hWnd));
    return window != nullptr && top != nullptr && !window->lent.empty() && top->screenLent &&
           top->screenBits == reinterpret_cast<const BYTE*>(window->lent.data());
}

int CHeadlessHost::LendCount(HWND hWnd) const {
    const Window* window = Find(hWnd);
    return window != nullptr ? window->lends : 0;
}

bool CHeadlessHost::RetiredUntouched() const {
    for (const std::vector<DWORD>& memory : m_retired) {
        for (DWORD pixel : memory) {
            if (pixel != kRetiredPixel) {
                return false;
            }
        }
    }
    return true;
}
