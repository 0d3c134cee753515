// The browser host. The page's side (WebPage.js, reached through the imports in WebHost.js)
// keeps one element per window, queues the events of the page as the platform's host events,
// and ends a wait as soon as an event arrives. Pixels go to each window's canvas as they change;
// one program pixel is one CSS pixel, drawn without smoothing at any zoom.
#include "host/web/WebHost.h"

#include <algorithm>
#include <cstring>

#include "win32/winuser.h"

// The page's side, in WebHost.js and WebPage.js.
extern "C" {
void dv_web_init();
void dv_web_create(int win, int kind, int owner, int x, int y, int cx, int cy, const char* title);
void dv_web_destroy(int win);
void dv_web_show(int win, int show);
void dv_web_move(int win, int x, int y);
// Gives a window's canvas the size of the screen presented on it; 1 when it had another size.
int dv_web_size_to(int win, int cx, int cy);
void dv_web_title(int win, const char* title);
void dv_web_icon(const unsigned char* rgba, int width, int height);
void dv_web_present(int win, const unsigned char* rgba, int x, int y, int cx, int cy);
int dv_web_poll(int* out);
// Returns when the page has an event, or after timeoutMs (never when it is negative).
void dv_web_wait(int timeoutMs);
// Hands the browser a turn without waiting for anything.
void dv_web_yield();
double dv_web_now();
int dv_web_screen_width();
int dv_web_screen_height();
void dv_web_ended();
// Asks the page for the Fullscreen API's full screen (1) or to leave it (0).
void dv_web_fullscreen(int on);
}

namespace {

// The longest the page waits for its turn while the program keeps busy (a frame that takes
// longer than the timer's period, say): input and painting still get through.
constexpr DWORD kMaxBusyMs = 50;

// The largest screen side the page gives the program. A window's screen and the view's
// surface take five bytes a pixel in the program's memory, which cannot grow past 2 GiB: a
// viewport larger than this shows the program at this size in its corner.
constexpr int kMaxScreenSide = 8192;

// The most pixels converted and handed to a canvas at once, so that presenting a large
// screen needs no second copy of it.
constexpr size_t kPresentBandPixels = 1 << 18;

} // namespace

CWebHost::CWebHost() {
    dv_web_init();
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
        DvHostEvent restore = {DvEventRestore, window, 0, 0, 0, 0, 0, 0};
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
            DvHostEvent move = {DvEventMove, window, 0, 0, 0, 0, 0, 0};
            m_pending.push_back(move);
        }
        if (cx != viewport.cx || cy != viewport.cy) {
            DvHostEvent resize = {DvEventResize, window, viewport.cx, viewport.cy, 0, 0, 0, 0};
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

void CWebHost::SetHostFullScreen(HOSTWND window, BOOL bFullScreen) {
    // Only the page's main window can be the page; the viewport's new size comes back as the
    // main window's resize.
    if (window == m_main) {
        dv_web_fullscreen(bFullScreen ? 1 : 0);
    }
}

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
    const int rowsPerBand =
        static_cast<int>(std::max<size_t>(1, kPresentBandPixels / static_cast<size_t>(cx)));
    const size_t bandBytes =
        static_cast<size_t>(cx) * static_cast<size_t>(std::min(rowsPerBand, bottom - top)) * 4;
    if (m_rgbaBytes < bandBytes) {
        // Every byte of it is written before it is read: it needs no clearing.
        m_rgba.reset(new std::uint32_t[bandBytes / 4]);
        m_rgbaBytes = bandBytes;
    }
    for (int bandTop = top; bandTop < bottom; bandTop += rowsPerBand) {
        const int cy = std::min(rowsPerBand, bottom - bandTop);
        // The screen's 0x00RRGGBB words to the canvas's R, G, B, A bytes, opaque: in memory
        // (little-endian) that is the word 0xFFBBGGRR.
        std::uint32_t* out = m_rgba.get();
        for (int row = 0; row < cy; ++row) {
            const DWORD* in =
                reinterpret_cast<const DWORD*>(static_cast<const unsigned char*>(pixels) +
                                               static_cast<size_t>(bandTop + row) *
                                                   static_cast<size_t>(strideBytes)) +
                left;
            for (int col = 0; col < cx; ++col) {
                const std::uint32_t rgb = in[col];
                *out++ = 0xFF000000u | ((rgb & 0xFFu) << 16) | (rgb & 0xFF00u) |
                         ((rgb >> 16) & 0xFFu);
            }
        }
        dv_web_present(static_cast<int>(window), reinterpret_cast<unsigned char*>(m_rgba.get()),
                       left, bandTop, cx, cy);
    }
    return TRUE;
}

BOOL CWebHost::PollEvent(DvHostEvent& event) {
    if (!m_pending.empty()) {
        event = m_pending.front();
        m_pending.erase(m_pending.begin());
        return TRUE;
    }
    int fields[8] = {};
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
    event.delta = fields[7];
    if (event.kind == DvEventResize) {
        const SIZE capped = CapScreen(event.x, event.y);
        event.x = capped.cx;
        event.y = capped.cy;
    }
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
    return CapScreen(dv_web_screen_width(), dv_web_screen_height());
}

SIZE CWebHost::CapScreen(int cx, int cy) {
    return SIZE{std::clamp(cx, 1, kMaxScreenSide), std::clamp(cy, 1, kMaxScreenSide)};
}

void CWebHost::ShowEnded() {
    dv_web_ended();
}
