// The desktop host. Windows are presented through SDL's window surfaces (shared memory with
// the X server where it has it), updating only the rectangle that changed. Where a surface
// holds pixels as the platform's 32-bit screens do, it is lent to the core as the screen, so
// that painting draws straight into it and nothing is copied. Waiting for input sleeps in SDL
// until an event or the next timer is due, so an idle program uses no processor time.
//
// On a scaled desktop (HiDPI) the program is treated as one that knows nothing of it: it sees
// the desktop at its unscaled size, and every window is shown at the scale's multiple of its
// size, each pixel repeated, with the pointer's positions mapped back. On X the server does the
// repeating (see X11ScaledScreen.h), so the program sends only its own pixels; elsewhere the
// host repeats them into the window surface.
#include "host/sdl/SdlHost.h"

#include <SDL.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "host/sdl/X11ScaledScreen.h"
#include "host/sdl/X11Window.h"
#include "win32/winuser.h"

namespace {

// The screens hold 0x00RRGGBB words, which is SDL's RGB888 (and, ignoring alpha, ARGB8888).
bool SameLayoutAsScreen(Uint32 format) {
    return format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
}

// A division that rounds towards minus infinity, so that positions left of or above a window
// (while the mouse is captured) stay outside it.
int FloorDiv(int value, int divisor) {
    const int q = value / divisor;
    return (value % divisor != 0 && value < 0) ? q - 1 : q;
}

// The dialog face as 0xRRGGBB: what the window shows where the program has not drawn yet.
Uint32 FaceColour() {
    const DWORD bgr = GetSysColor(COLOR_BTNFACE);
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

UINT Modifiers(Uint16 mod) {
    UINT modifiers = 0;
    if (mod & KMOD_SHIFT) {
        modifiers |= DV_MOD_SHIFT;
    }
    if (mod & KMOD_CTRL) {
        modifiers |= DV_MOD_CTRL;
    }
    if (mod & KMOD_ALT) {
        modifiers |= DV_MOD_ALT;
    }
    return modifiers;
}

} // namespace

UINT DvVirtualKeyOfSdlKey(int sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) {
        return static_cast<UINT>('A' + (sdlKey - SDLK_a));
    }
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) {
        return static_cast<UINT>('0' + (sdlKey - SDLK_0));
    }
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) {
        return static_cast<UINT>(0x70 + (sdlKey - SDLK_F1)); // VK_F1 onwards
    }
    switch (sdlKey) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER:
        return VK_RETURN;
    case SDLK_ESCAPE:
        return VK_ESCAPE;
    case SDLK_SPACE:
        return VK_SPACE;
    case SDLK_TAB:
        return VK_TAB;
    case SDLK_BACKSPACE:
        return VK_BACK;
    case SDLK_LEFT:
        return VK_LEFT;
    case SDLK_RIGHT:
        return VK_RIGHT;
    case SDLK_UP:
        return VK_UP;
    case SDLK_DOWN:
        return VK_DOWN;
    case SDLK_PAGEUP:
        return VK_PRIOR;
    case SDLK_PAGEDOWN:
        return VK_NEXT;
    case SDLK_HOME:
        return VK_HOME;
    case SDLK_END:
        return VK_END;
    case SDLK_KP_PLUS:
        return VK_ADD;
    case SDLK_KP_MINUS:
        return VK_SUBTRACT;
    // The keys that carry + and = (one key on some layouts, two on others), and - and _.
    case SDLK_EQUALS:
    case SDLK_PLUS:
        return VK_OEM_PLUS;
    case SDLK_MINUS:
        return VK_OEM_MINUS;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT:
        return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL:
        return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT:
        return VK_MENU;
    case SDLK_APPLICATION:
    case SDLK_MENU:
        return VK_APPS;
    default:
        return 0;
    }
}

std::unique_ptr<CSdlHost> CSdlHost::Open(std::string* pError) {
    // The process ends on SIGINT and SIGTERM as any other; SDL would make them a quit event
    // that nothing here asks for.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // Present through the window system's own framebuffer: a GL texture would cost more than
    // the copy it saves, and on a virtual X server it is drawn in software anyway.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // A click that activates a window is still a click, as on the platform.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // The platform's windows keep the desktop's screen saver and compositor as they are.
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    SDL_SetHint(SDL_HINT_VIDEO_X11_NET_WM_BYPASS_COMPOSITOR, "0");
    // Only a real desktop will do: without one SDL would fall back to drawing off screen, and
    // the program would run where nobody can see or end it. (A driver named in SDL_VIDEODRIVER
    // still wins, as the host's own tests use SDL's dummy driver.)
    SDL_SetHint(SDL_HINT_VIDEODRIVER,
                std::getenv("WAYLAND_DISPLAY") != nullptr ? "x11,wayland" : "x11");
    DvFilterSdlWakeupErrors();
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        if (pError != nullptr) {
            *pError = SDL_GetError();
        }
        return nullptr;
    }
    // No text input: the dialogs take keys, not composed characters.
    SDL_StopTextInput();
    const char* driver = SDL_GetCurrentVideoDriver();
    const int scale = driver != nullptr && std::strcmp(driver, "x11") == 0
                          ? DvX11DesktopScale()
                          : DvDesktopScaleFrom(std::getenv("GDK_SCALE"), nullptr);
    return std::unique_ptr<CSdlHost>(new CSdlHost(scale));
}

CSdlHost::~CSdlHost() {
    for (auto& entry : m_windows) {
        entry.second.m_pScaled.reset();
        SDL_DestroyWindow(entry.second.m_pWindow);
    }
    m_windows.clear();
    SDL_Quit();
}

CSdlHost::CHostWindow* CSdlHost::Find(HOSTWND window) {
    auto it = m_windows.find(window);
    return it == m_windows.end() ? nullptr : &it->second;
}

HOSTWND CSdlHost::CreateHostWindow(const DvHostWindowDesc& desc) {
    Uint32 flags = SDL_WINDOW_HIDDEN;
    int x = desc.x * m_nScale;
    int y = desc.y * m_nScale;
    CHostWindow* owner = Find(desc.owner);
    const bool popup = desc.kind == DvHostPopup || desc.kind == DvHostTooltip;
    if (popup) {
        // A menu or a tooltip: no frame, not in the task bar, placed by us rather than by the
        // window manager (override-redirect on X), relative to its owner's client area.
        flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_SKIP_TASKBAR |
                 (desc.kind == DvHostTooltip ? SDL_WINDOW_TOOLTIP : SDL_WINDOW_POPUP_MENU);
        if (owner != nullptr) {
            int ox = 0;
            int oy = 0;
            SDL_GetWindowPosition(owner->m_pWindow, &ox, &oy);
            x += ox;
            y += oy;
        }
    } else if (desc.bResizable) {
        flags |= SDL_WINDOW_RESIZABLE;
    }
    const int cx = std::max(desc.cx, 1) * m_nScale;
    const int cy = std::max(desc.cy, 1) * m_nScale;
    SDL_Window* pWindow =
        SDL_CreateWindow(desc.title != nullptr ? desc.title : "", x, y, cx, cy, flags);
    if (pWindow == nullptr) {
        return 0;
    }
    // Until the program's first picture arrives, and in what a resize uncovers before the next,
    // the window shows the dialog face rather than the server's white.
    DvX11SetBackground(pWindow, FaceColour());
    if (!popup) {
        // Only the frame's buttons that the window's own style has: a dialog without a
        // minimise box cannot be minimised away from its owner.
        DvX11SetFrameFunctions(pWindow, desc.bResizable != FALSE, desc.bMinimiseBox != FALSE,
                               desc.bMaximiseBox != FALSE);
    }
    if (desc.kind == DvHostModal && owner != nullptr) {
        SDL_SetWindowModalFor(pWindow, owner->m_pWindow);
        DvX11MakeModalDialog(pWindow, owner->m_pWindow);
    }
    const HOSTWND id = SDL_GetWindowID(pWindow);
    CHostWindow& host = m_windows[id];
    host.m_pWindow = pWindow;
    host.m_kind = desc.kind;
    host.m_owner = desc.owner;
    if (m_nScale != 1) {
        host.m_pScaled = CX11ScaledScreen::Create(pWindow, m_nScale);
    }
    return id;
}

void CSdlHost::DestroyHostWindow(HOSTWND window) {
    CHostWindow* pHost = Find(window);
    if (pHost == nullptr) {
        return;
    }
    pHost->m_pScaled.reset();
    SDL_DestroyWindow(pHost->m_pWindow);
    m_windows.erase(window);
    if (m_lastFocus == window) {
        m_lastFocus = 0;
    }
}

void CSdlHost::ShowHostWindow(HOSTWND window, int nCmdShow) {
    CHostWindow* pHost = Find(window);
    if (pHost == nullptr) {
        return;
    }
    SDL_Window* pWindow = pHost->m_pWindow;
    const Uint32 flags = SDL_GetWindowFlags(pWindow);
    switch (nCmdShow) {
    case SW_HIDE:
        SDL_HideWindow(pWindow);
        return;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        if (!(flags & SDL_WINDOW_MINIMIZED)) {
            SDL_MinimizeWindow(pWindow);
        }
        return;
    case SW_MAXIMIZE:
        if (!(flags & SDL_WINDOW_MAXIMIZED)) {
            SDL_MaximizeWindow(pWindow);
        }
        return;
    case SW_RESTORE:
        if (flags & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_MAXIMIZED)) {
            SDL_RestoreWindow(pWindow);
        }
        return;
    default:
        break;
    }
    if (flags & SDL_WINDOW_SHOWN) {
        return;
    }
    SDL_ShowWindow(pWindow);
    if (pHost->m_kind != DvHostPopup && pHost->m_kind != DvHostTooltip && nCmdShow != SW_SHOWNA &&
        nCmdShow != SW_SHOWNOACTIVATE) {
        // A window the program opens takes the keyboard, as a new window on the platform
        // does; a menu leaves it with its owner, which passes the keys on to the menu.
        SDL_RaiseWindow(pWindow);
        SDL_SetWindowInputFocus(pWindow);
        m_lastFocus = window;
    }
}

void CSdlHost::PlaceHostWindow(HOSTWND window, int x, int y, int cx, int cy) {
    CHostWindow* pHost = Find(window);
    if (pHost == nullptr) {
        return;
    }
    int oldX = 0;
    int oldY = 0;
    int oldCx = 0;
    int oldCy = 0;
    SDL_GetWindowPosition(pHost->m_pWindow, &oldX, &oldY);
    SDL_GetWindowSize(pHost->m_pWindow, &oldCx, &oldCy);
    x *= m_nScale;
    y *= m_nScale;
    if (CHostWindow* owner = pHost->m_kind != DvHostNormal && pHost->m_kind != DvHostModal
                                 ? Find(pHost->m_owner)
                                 : nullptr) {
        int ox = 0;
        int oy = 0;
        SDL_GetWindowPosition(owner->m_pWindow, &ox, &oy);
        x += ox;
        y += oy;
    }
    if (x != oldX || y != oldY) {
        SDL_SetWindowPosition(pHost->m_pWindow, x, y);
    }
    cx = std::max(cx, 1) * m_nScale;
    cy = std::max(cy, 1) * m_nScale;
    if (cx != oldCx || cy != oldCy) {
        SDL_SetWindowSize(pHost->m_pWindow, cx, cy);
    }
}

void CSdlHost::SetHostFullScreen(HOSTWND window, BOOL bFullScreen) {
    if (CHostWindow* pHost = Find(window)) {
        // The desktop's own full-screen state (_NET_WM_STATE_FULLSCREEN where a window manager
        // offers it), at the desktop's resolution; leaving it gives back the earlier place.
        SDL_SetWindowFullscreen(pHost->m_pWindow, bFullScreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
    }
}

void CSdlHost::SetHostTitle(HOSTWND window, LPCSTR title) {
    if (CHostWindow* pHost = Find(window)) {
        SDL_SetWindowTitle(pHost->m_pWindow, title != nullptr ? title : "");
    }
}

void CSdlHost::SetHostIcon(HOSTWND window, const DWORD* pixels, int width, int height) {
    CHostWindow* pHost = Find(window);
    if (pHost == nullptr || pixels == nullptr || width <= 0 || height <= 0 || width > INT_MAX / 4) {
        return;
    }
    // SDL copies the pixels; it only reads them here.
    SDL_Surface* pIcon = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<DWORD*>(pixels), width, height, 32, width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (pIcon == nullptr) {
        return;
    }
    SDL_SetWindowIcon(pHost->m_pWindow, pIcon);
    SDL_FreeSurface(pIcon);
}

void CSdlHost::SetHostIcons(HOSTWND window, const IconImage* images, int count) {
    CHost::SetHostIcons(window, images, count);
    CHostWindow* pHost = Find(window);
    if (pHost == nullptr || images == nullptr || count <= 0) {
        return;
    }
    // SDL names one picture to the window manager; the property then gets them all.
    std::vector<DvX11Icon> icons;
    for (int i = 0; i < count; ++i) {
        icons.push_back({images[i].pixels, images[i].width, images[i].height});
    }
    DvX11SetIcons(pHost->m_pWindow, icons.data(), count);
}

CHost::LentScreen CSdlHost::LendScreen(HOSTWND window, int cx, int cy) {
    CHostWindow* pHost = Find(window);
    if (pHost == nullptr) {
        return LentScreen{};
    }
    if (m_nScale != 1) {
        // The X server scales from memory shared with it; scaling here reads the core's own.
        pHost->m_pLent = nullptr;
        if (pHost->m_pScaled == nullptr) {
            return LentScreen{};
        }
        const CX11ScaledScreen::Memory memory = pHost->m_pScaled->Lend(cx, cy);
        LentScreen lent;
        lent.pixels = memory.pixels;
        lent.strideBytes = memory.strideBytes;
        lent.fresh = memory.fresh;
        return lent;
    }
    // This frees the surface that was lent before when SDL has let it go (after a resize); the
    // core asks only when it can let go of it too.
    SDL_Surface* pSurface = SDL_GetWindowSurface(pHost->m_pWindow);
    if (pSurface == nullptr || pSurface->pixels == nullptr || SDL_MUSTLOCK(pSurface) ||
        !SameLayoutAsScreen(pSurface->format->format) || cx <= 0 || cy <= 0 || pSurface->w < cx ||
        pSurface->h < cy) {
        // The core draws into its own screen, which Present copies (converting if need be).
        pHost->m_pLent = nullptr;
        return LentScreen{};
    }
    // A surface that SDL made anew carries no mark, even at the address of the one before.
    static int lentMark;
    LentScreen lent;
    lent.pixels = pSurface->pixels;
    lent.strideBytes = pSurface->pitch;
    lent.fresh = pSurface->userdata != &lentMark || pSurface->pixels != pHost->m_pLent;
    pSurface->userdata = &lentMark;
    pHost->m_pLent = pSurface->pixels;
    return lent;
}

BOOL CSdlHost::Present(HOSTWND window, const void* pixels, int width, int height, int strideBytes,
                       const RECT& changed) {
    CHostWindow* pHost = Find(window);
    if (pHost == nullptr || pixels == nullptr || width <= 0 || height <= 0 ||
        strideBytes < width * 4) {
        return TRUE;
    }
    if (m_nScale != 1) {
        pHost->m_pLent = nullptr;
        if (pHost->m_pScaled != nullptr) {
            int windowCx = 0;
            int windowCy = 0;
            SDL_GetWindowSize(pHost->m_pWindow, &windowCx, &windowCy);
            return pHost->m_pScaled->Present(pixels, width, height, strideBytes, changed.left,
                                             changed.top, changed.right, changed.bottom, windowCx,
                                             windowCy, FaceColour())
                       ? TRUE
                       : FALSE;
        }
        PresentScaled(pHost->m_pWindow, pixels, width, height, strideBytes, changed);
        return TRUE;
    }
    const int left = std::max<int>(changed.left, 0);
    const int top = std::max<int>(changed.top, 0);
    if (pixels == pHost->m_pLent) {
        // Painting drew straight into the window surface: only the update is left. SDL
        // refuses it once the surface is no longer the window's.
        const int right = std::min(static_cast<int>(changed.right), width);
        const int bottom = std::min(static_cast<int>(changed.bottom), height);
        if (right <= left || bottom <= top) {
            return TRUE;
        }
        const SDL_Rect rect = {left, top, right - left, bottom - top};
        return SDL_UpdateWindowSurfaceRects(pHost->m_pWindow, &rect, 1) == 0 ? TRUE : FALSE;
    }
    // A screen of the core's own. The surface follows the window's size, which may run ahead
    // of or behind the screen while a resize is on its way; only what both hold is copied.
    pHost->m_pLent = nullptr;
    SDL_Surface* pSurface = SDL_GetWindowSurface(pHost->m_pWindow);
    if (pSurface == nullptr) {
        return TRUE;
    }
    const int right = std::min({static_cast<int>(changed.right), width, pSurface->w});
    const int bottom = std::min({static_cast<int>(changed.bottom), height, pSurface->h});
    if (right <= left || bottom <= top) {
        return TRUE;
    }
    const int cx = right - left;
    const int cy = bottom - top;
    const Uint8* src = static_cast<const Uint8*>(pixels) +
                       static_cast<size_t>(top) * static_cast<size_t>(strideBytes) +
                       static_cast<size_t>(left) * 4;
    if (SDL_MUSTLOCK(pSurface) && SDL_LockSurface(pSurface) != 0) {
        return TRUE;
    }
    const int bytesPerPixel = pSurface->format->BytesPerPixel;
    Uint8* dst = static_cast<Uint8*>(pSurface->pixels) +
                 static_cast<size_t>(top) * static_cast<size_t>(pSurface->pitch) +
                 static_cast<size_t>(left) * static_cast<size_t>(bytesPerPixel);
    if (SameLayoutAsScreen(pSurface->format->format)) {
        for (int row = 0; row < cy; ++row) {
            std::memcpy(dst + static_cast<size_t>(row) * static_cast<size_t>(pSurface->pitch),
                        src + static_cast<size_t>(row) * static_cast<size_t>(strideBytes),
                        static_cast<size_t>(cx) * 4);
        }
    } else {
        SDL_ConvertPixels(cx, cy, SDL_PIXELFORMAT_RGB888, src, strideBytes,
                          pSurface->format->format, dst, pSurface->pitch);
    }
    if (SDL_MUSTLOCK(pSurface)) {
        SDL_UnlockSurface(pSurface);
    }
    const SDL_Rect rect = {left, top, cx, cy};
    SDL_UpdateWindowSurfaceRects(pHost->m_pWindow, &rect, 1);
    return TRUE;
}

void CSdlHost::PresentScaled(SDL_Window* pWindow, const void* pixels, int width, int height,
                             int strideBytes, const RECT& changed) {
    SDL_Surface* pSurface = SDL_GetWindowSurface(pWindow);
    if (pSurface == nullptr) {
        return;
    }
    const int s = m_nScale;
    const int left = std::max<int>(changed.left, 0);
    const int top = std::max<int>(changed.top, 0);
    const int right = std::min(static_cast<int>(changed.right), width);
    const int bottom = std::min(static_cast<int>(changed.bottom), height);
    // The surface follows the window, which may run ahead of or behind the screen while a
    // resize is on its way: only what both hold is copied.
    const int dstLeft = left * s;
    const int dstTop = top * s;
    const int dstRight = std::min(right * s, pSurface->w);
    const int dstBottom = std::min(bottom * s, pSurface->h);
    SDL_Rect rects[3];
    int nRects = 0;
    if (SDL_MUSTLOCK(pSurface) && SDL_LockSurface(pSurface) != 0) {
        return;
    }
    if (dstRight > dstLeft && dstBottom > dstTop) {
        const int n = dstRight - dstLeft;
        const bool sameLayout = SameLayoutAsScreen(pSurface->format->format);
        std::vector<Uint32> converted;
        if (!sameLayout) {
            converted.resize(static_cast<size_t>(n));
        }
        const int bytesPerPixel = pSurface->format->BytesPerPixel;
        Uint8* const surfacePixels = static_cast<Uint8*>(pSurface->pixels);
        auto dstRow = [&](int row) {
            return surfacePixels + static_cast<size_t>(row) * static_cast<size_t>(pSurface->pitch) +
                   static_cast<size_t>(dstLeft) * static_cast<size_t>(bytesPerPixel);
        };
        for (int sy = top; sy * s < dstBottom; ++sy) {
            const Uint32* in = reinterpret_cast<const Uint32*>(
                                   static_cast<const Uint8*>(pixels) +
                                   static_cast<size_t>(sy) * static_cast<size_t>(strideBytes)) +
                               left;
            Uint32* out = sameLayout ? reinterpret_cast<Uint32*>(dstRow(sy * s)) : converted.data();
            if (s == 2) {
                // Two pixels in one store.
                const int pairs = n / 2;
                for (int i = 0; i < pairs; ++i) {
                    const Uint64 twice = in[i] | (static_cast<Uint64>(in[i]) << 32);
                    std::memcpy(out + 2 * i, &twice, sizeof twice);
                }
                if (n & 1) {
                    out[n - 1] = in[pairs];
                }
            } else {
                Uint32* o = out;
                for (int remaining = n, sx = 0; remaining > 0; ++sx) {
                    const int k = std::min(s, remaining);
                    std::fill(o, o + k, in[sx]);
                    o += k;
                    remaining -= k;
                }
            }
            if (!sameLayout) {
                SDL_ConvertPixels(n, 1, SDL_PIXELFORMAT_RGB888, converted.data(), n * 4,
                                  pSurface->format->format, dstRow(sy * s), pSurface->pitch);
            }
            const size_t rowBytes = static_cast<size_t>(n) * static_cast<size_t>(bytesPerPixel);
            for (int k = 1; k < s && sy * s + k < dstBottom; ++k) {
                std::memcpy(dstRow(sy * s + k), dstRow(sy * s), rowBytes);
            }
        }
        rects[nRects++] = SDL_Rect{dstLeft, dstTop, n, dstBottom - dstTop};
    }
    if (SDL_MUSTLOCK(pSurface)) {
        SDL_UnlockSurface(pSurface);
    }
    // A window whose size is no multiple of the scale has a strip at its right and bottom that
    // no pixel of the screen covers.
    const Uint32 face = FaceColour();
    const Uint32 faceValue =
        SDL_MapRGB(pSurface->format, (face >> 16) & 0xFF, (face >> 8) & 0xFF, face & 0xFF);
    if (right == width && width * s < pSurface->w) {
        rects[nRects] = SDL_Rect{width * s, 0, pSurface->w - width * s, pSurface->h};
        SDL_FillRect(pSurface, &rects[nRects++], faceValue);
    }
    if (bottom == height && height * s < pSurface->h) {
        rects[nRects] = SDL_Rect{0, height * s, pSurface->w, pSurface->h - height * s};
        SDL_FillRect(pSurface, &rects[nRects++], faceValue);
    }
    if (nRects > 0) {
        SDL_UpdateWindowSurfaceRects(pWindow, rects, nRects);
    }
}

HOSTWND CSdlHost::KeyboardWindow(unsigned sdlWindowId) const {
    if (sdlWindowId != 0 && m_windows.count(sdlWindowId)) {
        return sdlWindowId;
    }
    if (m_lastFocus != 0 && m_windows.count(m_lastFocus)) {
        return m_lastFocus;
    }
    // Without a focus of its own (a bare X server has no window manager to give one), the
    // keys go to the newest window that is not a menu.
    for (auto it = m_windows.rbegin(); it != m_windows.rend(); ++it) {
        if (it->second.m_kind != DvHostPopup && it->second.m_kind != DvHostTooltip) {
            return it->first;
        }
    }
    return 0;
}

BOOL CSdlHost::Translate(const SDL_Event& sdlEvent, DvHostEvent& event) {
    event = DvHostEvent{};
    switch (sdlEvent.type) {
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        const SDL_MouseButtonEvent& b = sdlEvent.button;
        if (b.which == SDL_TOUCH_MOUSEID || b.button < 1 || b.button > 3) {
            return FALSE;
        }
        event.kind = sdlEvent.type == SDL_MOUSEBUTTONDOWN ? DvEventMouseDown : DvEventMouseUp;
        event.window = b.windowID;
        event.x = FloorDiv(b.x, m_nScale);
        event.y = FloorDiv(b.y, m_nScale);
        event.button = b.button; // SDL numbers left, middle, right as 1, 2, 3 too
        event.modifiers = Modifiers(static_cast<Uint16>(SDL_GetModState()));
        return TRUE;
    }
    case SDL_MOUSEMOTION: {
        const SDL_MouseMotionEvent& m = sdlEvent.motion;
        if (m.which == SDL_TOUCH_MOUSEID) {
            return FALSE;
        }
        event.kind = DvEventMouseMove;
        event.window = m.windowID;
        event.x = FloorDiv(m.x, m_nScale);
        event.y = FloorDiv(m.y, m_nScale);
        event.modifiers = Modifiers(static_cast<Uint16>(SDL_GetModState()));
        return TRUE;
    }
    case SDL_MOUSEWHEEL: {
        const SDL_MouseWheelEvent& w = sdlEvent.wheel;
        if (w.which == SDL_TOUCH_MOUSEID) {
            return FALSE;
        }
        // Whole notches and a fine wheel's parts of them, in the platform's units of 1/120.
        float notches = w.preciseY;
        if (w.direction == SDL_MOUSEWHEEL_FLIPPED) {
            notches = -notches;
        }
        event.delta = static_cast<int>(std::lround(notches * WHEEL_DELTA));
        if (event.delta == 0) {
            return FALSE;
        }
        event.kind = DvEventWheel;
        event.window = w.windowID;
        int x = 0;
        int y = 0;
        SDL_GetMouseState(&x, &y);
        event.x = FloorDiv(x, m_nScale);
        event.y = FloorDiv(y, m_nScale);
        event.modifiers = Modifiers(static_cast<Uint16>(SDL_GetModState()));
        return TRUE;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        const SDL_KeyboardEvent& k = sdlEvent.key;
        event.key = DvVirtualKeyOfSdlKey(k.keysym.sym);
        if (event.key == 0) {
            return FALSE;
        }
        event.kind = sdlEvent.type == SDL_KEYDOWN ? DvEventKeyDown : DvEventKeyUp;
        event.window = KeyboardWindow(k.windowID);
        event.modifiers = Modifiers(k.keysym.mod);
        return event.window != 0;
    }
    case SDL_WINDOWEVENT: {
        const SDL_WindowEvent& w = sdlEvent.window;
        CHostWindow* pHost = Find(w.windowID);
        if (pHost == nullptr) {
            return FALSE;
        }
        event.window = w.windowID;
        switch (w.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            // The size the window has now: a resize already overtaken by another one is not
            // replayed.
            event.kind = DvEventResize;
            SDL_GetWindowSize(pHost->m_pWindow, &event.x, &event.y);
            event.x = std::max(event.x / m_nScale, 1);
            event.y = std::max(event.y / m_nScale, 1);
            return TRUE;
        case SDL_WINDOWEVENT_MOVED:
            event.kind = DvEventMove;
            SDL_GetWindowPosition(pHost->m_pWindow, &event.x, &event.y);
            event.x = FloorDiv(event.x, m_nScale);
            event.y = FloorDiv(event.y, m_nScale);
            return TRUE;
        case SDL_WINDOWEVENT_MINIMIZED:
            event.kind = DvEventMinimise;
            return TRUE;
        case SDL_WINDOWEVENT_MAXIMIZED:
            event.kind = DvEventMaximise;
            return TRUE;
        case SDL_WINDOWEVENT_RESTORED:
            event.kind = DvEventRestore;
            return TRUE;
        case SDL_WINDOWEVENT_EXPOSED:
            event.kind = DvEventExpose;
            return TRUE;
        case SDL_WINDOWEVENT_CLOSE:
            event.kind = DvEventClose;
            return TRUE;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            if (pHost->m_kind != DvHostPopup && pHost->m_kind != DvHostTooltip) {
                m_lastFocus = w.windowID;
            }
            return FALSE;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            event.kind = DvEventFocusLost;
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        // The quit event that SDL makes when the last window closes is not the program's
        // business: the close itself has come as a window event.
        return FALSE;
    }
}

BOOL CSdlHost::PollEvent(DvHostEvent& event) {
    SDL_Event sdlEvent;
    while (SDL_PollEvent(&sdlEvent)) {
        if (Translate(sdlEvent, event)) {
            return TRUE;
        }
    }
    return FALSE;
}

BOOL CSdlHost::WaitEvent(DWORD timeoutMs) {
    // Any window will do: they share the one display connection.
    const int limit =
        timeoutMs == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeoutMs, INT_MAX));
    if (!m_windows.empty() && DvWaitForX11Events(m_windows.begin()->second.m_pWindow, limit)) {
        return TRUE;
    }
    if (timeoutMs == INFINITE) {
        SDL_WaitEvent(nullptr);
    } else {
        SDL_WaitEventTimeout(nullptr, static_cast<int>(std::min<DWORD>(timeoutMs, INT_MAX)));
    }
    return TRUE; // the desktop can always send more
}

SIZE CSdlHost::ScreenSize() {
    // The usable area of the first display, so that a centred dialog lands wholly on screen.
    SDL_Rect bounds;
    if (SDL_GetDisplayUsableBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0) {
        return SIZE{std::max(bounds.w / m_nScale, 1), std::max(bounds.h / m_nScale, 1)};
    }
    return CHost::ScreenSize();
}

DWORD CSdlHost::TickCount() {
    // The time since the system started, suspended time included, as the platform counts it.
    timespec now = {};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const unsigned long long ms = static_cast<unsigned long long>(now.tv_sec) * 1000ull +
                                  static_cast<unsigned long long>(now.tv_nsec) / 1000000ull;
    return static_cast<DWORD>(ms); // the low 32 bits: it wraps after 49.7 days
}
