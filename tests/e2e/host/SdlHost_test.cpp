// The desktop host without a desktop: SDL's dummy video driver gives real SDL windows and
// surfaces, and events pushed into SDL's queue stand in for the user.
#include <gtest/gtest.h>

#include <SDL.h>

#include <chrono>
#include <cstdlib>
#include <vector>

#include "host/sdl/SdlHost.h"
#include "host/sdl/X11Window.h"
#include "win32/winuser.h"

namespace {

class SdlHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        std::string error;
        m_host = CSdlHost::Open(&error);
        ASSERT_TRUE(m_host) << error;
    }

    HOSTWND Create(DvHostWindowKind kind, int cx, int cy, HOSTWND owner = 0) {
        DvHostWindowDesc desc = {};
        desc.kind = kind;
        desc.owner = owner;
        desc.cx = cx;
        desc.cy = cy;
        desc.bResizable = kind == DvHostNormal;
        desc.title = "Dorvane";
        const HOSTWND window = m_host->CreateHostWindow(desc);
        EXPECT_NE(window, 0u);
        return window;
    }

    void PushKey(Uint32 type, SDL_Keycode sym, Uint16 mod, Uint32 windowId) {
        SDL_Event e = {};
        e.type = type;
        e.key.windowID = windowId;
        e.key.keysym.sym = sym;
        e.key.keysym.mod = mod;
        SDL_PushEvent(&e);
    }

    void PushWindowEvent(Uint8 event, Uint32 windowId, int data1 = 0, int data2 = 0) {
        SDL_Event e = {};
        e.type = SDL_WINDOWEVENT;
        e.window.event = event;
        e.window.windowID = windowId;
        e.window.data1 = data1;
        e.window.data2 = data2;
        SDL_PushEvent(&e);
    }

    std::vector<DvHostEvent> Drain() {
        std::vector<DvHostEvent> events;
        DvHostEvent event;
        while (m_host->PollEvent(event)) {
            events.push_back(event);
        }
        return events;
    }

    std::unique_ptr<CSdlHost> m_host;
};

TEST_F(SdlHostTest, KeysBecomeVirtualKeysOfTheWindowWithTheKeyboard) {
    const HOSTWND dialog = Create(DvHostNormal, 200, 100);
    const HOSTWND menu = Create(DvHostPopup, 80, 60, dialog);
    Drain();
    // Without a focus from the window manager the keys go to the newest window that is not
    // a menu: a menu's keys come through its owner.
    PushKey(SDL_KEYDOWN, SDLK_ESCAPE, KMOD_NONE, 0);
    PushKey(SDL_KEYDOWN, SDLK_SPACE, KMOD_LALT, dialog);
    PushKey(SDL_KEYUP, SDLK_KP_ENTER, KMOD_RSHIFT | KMOD_LCTRL, menu);
    PushKey(SDL_KEYDOWN, SDLK_F13, KMOD_NONE, dialog); // a key the platform has no name for
    PushKey(SDL_KEYDOWN, SDLK_q, KMOD_NONE, dialog);
    const std::vector<DvHostEvent> events = Drain();
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0].kind, DvEventKeyDown);
    EXPECT_EQ(events[0].key, static_cast<UINT>(VK_ESCAPE));
    EXPECT_EQ(events[0].window, dialog);
    EXPECT_EQ(events[1].key, static_cast<UINT>(VK_SPACE));
    EXPECT_EQ(events[1].modifiers, static_cast<UINT>(DV_MOD_ALT));
    EXPECT_EQ(events[2].kind, DvEventKeyUp);
    EXPECT_EQ(events[2].key, static_cast<UINT>(VK_RETURN));
    EXPECT_EQ(events[2].window, menu);
    EXPECT_EQ(events[2].modifiers, static_cast<UINT>(DV_MOD_SHIFT | DV_MOD_CTRL));
    EXPECT_EQ(events[3].key, static_cast<UINT>('Q'));
}

TEST_F(SdlHostTest, WindowEventsCarryTheWindowsPresentState) {
    const HOSTWND window = Create(DvHostNormal, 300, 200);
    Drain();
    // A resize already overtaken by the next one reports the size the window has now.
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, static_cast<Uint32>(window), 10, 10);
    PushWindowEvent(SDL_WINDOWEVENT_MINIMIZED, static_cast<Uint32>(window));
    PushWindowEvent(SDL_WINDOWEVENT_RESTORED, static_cast<Uint32>(window));
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED, static_cast<Uint32>(window));
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE, static_cast<Uint32>(window) + 1000); // no such window
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE, static_cast<Uint32>(window));
    SDL_Event quit = {};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    const std::vector<DvHostEvent> events = Drain();
    ASSERT_EQ(events.size(), 5u);
    EXPECT_EQ(events[0].kind, DvEventResize);
    EXPECT_EQ(events[0].x, 300);
    EXPECT_EQ(events[0].y, 200);
    EXPECT_EQ(events[1].kind, DvEventMinimise);
    EXPECT_EQ(events[2].kind, DvEventRestore);
    EXPECT_EQ(events[3].kind, DvEventExpose);
    EXPECT_EQ(events[4].kind, DvEventClose);
    EXPECT_EQ(events[4].window, window);
}

TEST_F(SdlHostTest, PresentCopiesTheChangedRectangleAndNothingOutsideEitherSide) {
    const HOSTWND window = Create(DvHostNormal, 64, 48);
    SDL_Window* sdlWindow = SDL_GetWindowFromID(static_cast<Uint32>(window));
    ASSERT_NE(sdlWindow, nullptr);
    SDL_Surface* surface = SDL_GetWindowSurface(sdlWindow);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(surface->format->format, static_cast<Uint32>(SDL_PIXELFORMAT_RGB888));
    SDL_FillRect(surface, nullptr, 0);
    // A screen wider and taller than the window (a resize on its way), with padded rows.
    const int width = 100;
    const int height = 70;
    const int strideWords = 104;
    std::vector<DWORD> screen(static_cast<size_t>(strideWords) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            screen[static_cast<size_t>(y) * strideWords + x] = static_cast<DWORD>(y << 8 | x);
        }
    }
    const auto shown = [&](int x, int y) {
        return static_cast<const Uint32*>(surface->pixels)[y * (surface->pitch / 4) + x] &
               0xFFFFFFu;
    };
    m_host->Present(window, screen.data(), width, height, strideWords * 4, RECT{-10, -10, 20, 12});
    EXPECT_EQ(shown(0, 0), 0u);
    EXPECT_EQ(shown(19, 11), static_cast<Uint32>(11 << 8 | 19));
    EXPECT_EQ(shown(20, 11), 0u);
    EXPECT_EQ(shown(19, 12), 0u);
    m_host->Present(window, screen.data(), width, height, strideWords * 4,
                    RECT{50, 40, 1000, 1000});
    EXPECT_EQ(shown(63, 47), static_cast<Uint32>(47 << 8 | 63));
    EXPECT_EQ(shown(49, 47), 0u);
    // Nothing to do: an empty or inverted rectangle, a stride too short, no pixels.
    SDL_FillRect(surface, nullptr, 0);
    m_host->Present(window, screen.data(), width, height, strideWords * 4, RECT{30, 30, 10, 40});
    m_host->Present(window, screen.data(), width, height, width * 2, RECT{0, 0, 64, 48});
    m_host->Present(window, nullptr, width, height, strideWords * 4, RECT{0, 0, 64, 48});
    m_host->Present(window + 1000, screen.data(), width, height, strideWords * 4,
                    RECT{0, 0, 64, 48});
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            ASSERT_EQ(shown(x, y), 0u) << x << ", " << y;
        }
    }
}

TEST_F(SdlHostTest, TheWindowSurfaceIsLentUntilAResizeMakesANewOne) {
    const HOSTWND window = Create(DvHostNormal, 64, 48);
    SDL_Window* sdlWindow = SDL_GetWindowFromID(static_cast<Uint32>(window));
    ASSERT_NE(sdlWindow, nullptr);
    const CHost::LentScreen lent = m_host->LendScreen(window, 64, 48);
    SDL_Surface* surface = SDL_GetWindowSurface(sdlWindow);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(lent.pixels, surface->pixels);
    EXPECT_EQ(lent.strideBytes, surface->pitch);
    EXPECT_TRUE(lent.fresh);
    // Asking again while nothing changed gives the same memory, with what was drawn in it.
    static_cast<Uint32*>(lent.pixels)[5] = 0x123456;
    const CHost::LentScreen again = m_host->LendScreen(window, 64, 48);
    EXPECT_EQ(again.pixels, lent.pixels);
    EXPECT_FALSE(again.fresh);
    EXPECT_EQ(static_cast<const Uint32*>(again.pixels)[5], 0x123456u);
    EXPECT_TRUE(m_host->Present(window, lent.pixels, 64, 48, lent.strideBytes, RECT{0, 0, 64, 48}));
    // More than the surface holds is not lent.
    EXPECT_EQ(m_host->LendScreen(window, 65, 48).pixels, nullptr);
    EXPECT_EQ(m_host->LendScreen(window, 64, 49).pixels, nullptr);
    EXPECT_EQ(m_host->LendScreen(window, 0, 0).pixels, nullptr);
    EXPECT_EQ(m_host->LendScreen(window + 1000, 64, 48).pixels, nullptr);

    // After a resize the old surface is no longer shown: presenting from it fails, and the
    // next loan is new memory of the new size.
    const CHost::LentScreen before = m_host->LendScreen(window, 64, 48);
    ASSERT_NE(before.pixels, nullptr);
    m_host->PlaceHostWindow(window, 0, 0, 100, 80);
    EXPECT_FALSE(
        m_host->Present(window, before.pixels, 64, 48, before.strideBytes, RECT{0, 0, 64, 48}));
    const CHost::LentScreen after = m_host->LendScreen(window, 100, 80);
    ASSERT_NE(after.pixels, nullptr);
    EXPECT_TRUE(after.fresh);
    EXPECT_GE(after.strideBytes, 400);
    surface = SDL_GetWindowSurface(sdlWindow);
    EXPECT_EQ(after.pixels, surface->pixels);
    EXPECT_EQ(surface->w, 100);
    EXPECT_TRUE(
        m_host->Present(window, after.pixels, 100, 80, after.strideBytes, RECT{0, 0, 100, 80}));
    // A screen of the core's own is copied in, and the loan ends.
    std::vector<DWORD> own(100 * 80, 0x00ABCDEF);
    EXPECT_TRUE(m_host->Present(window, own.data(), 100, 80, 400, RECT{0, 0, 100, 80}));
    EXPECT_EQ(static_cast<const Uint32*>(surface->pixels)[0] & 0xFFFFFFu, 0xABCDEFu);
    EXPECT_TRUE(m_host->LendScreen(window, 100, 80).fresh);
}

TEST_F(SdlHostTest, TheClockCountsMillisecondsAndWaitingEndsAtItsDeadline) {
    using namespace std::chrono;
    const DWORD first = m_host->TickCount();
    const auto start = steady_clock::now();
    // Nothing is pending, so the wait lasts until its deadline.
    Drain();
    m_host->WaitEvent(40);
    const double waited = duration<double, std::milli>(steady_clock::now() - start).count();
    const DWORD elapsed = m_host->TickCount() - first;
    EXPECT_GE(waited, 35.0);
    EXPECT_LT(waited, 2000.0);
    EXPECT_GE(elapsed, 35u);
    EXPECT_LT(elapsed, 2000u);
    // A pending event ends the wait at once.
    const HOSTWND window = Create(DvHostNormal, 10, 10);
    Drain();
    PushWindowEvent(SDL_WINDOWEVENT_EXPOSED, static_cast<Uint32>(window));
    const auto again = steady_clock::now();
    EXPECT_TRUE(m_host->WaitEvent(5000));
    const double woke = duration<double, std::milli>(steady_clock::now() - again).count();
    EXPECT_LT(woke, 1000.0);
}

} // namespace

// The desktop's scale: GDK_SCALE when it is a whole number, else Xft.dpi / 96 rounded.
TEST(DesktopScale, ComesFromGdkScaleElseXftDpi) {
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, nullptr), 1);
    EXPECT_EQ(DvDesktopScaleFrom("2", nullptr), 2);
    EXPECT_EQ(DvDesktopScaleFrom("3", "Xft.dpi:\t96\n"), 3); // GTK's own setting wins
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.antialias:\t1\nXft.dpi:\t192\nXft.hinting:\t1\n"),
              2);
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.dpi: 144"), 2); // 1.5 rounds up
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.dpi:\t120\n"), 1);
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.dpi:\t288.0\n"), 3);
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.dpi:\t40\n"), 1); // never below 1
    // Not a whole number of at least 1: the resource decides.
    for (const char* bad : {"", "0", "-2", "two", "2x", "99999999999999999999"}) {
        EXPECT_EQ(DvDesktopScaleFrom(bad, "Xft.dpi:\t192\n"), 2) << bad;
    }
    // Only Xft.dpi counts, and nonsense in it means no scale; absurd values are held at 8.
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.dpix:\t192\nMyXft.dpi:\t192\n"), 1);
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.dpi:\tnan\n"), 1);
    EXPECT_EQ(DvDesktopScaleFrom(nullptr, "Xft.dpi:\t1e300\n"), 8);
    EXPECT_EQ(DvDesktopScaleFrom("1000", nullptr), 8);
}

// On a desktop of scale 2 the program's pixels are shown as 2 x 2 blocks, and what comes back
// (pointer, sizes, positions) is in the program's pixels.
TEST_F(SdlHostTest, AtScaleTwoWindowsDoubleAndInputMapsBack) {
    m_host.reset();
    setenv("GDK_SCALE", "2", 1);
    std::string error;
    m_host = CSdlHost::Open(&error);
    unsetenv("GDK_SCALE");
    ASSERT_TRUE(m_host) << error;
    ASSERT_EQ(m_host->Scale(), 2);
    const HOSTWND window = Create(DvHostNormal, 30, 20);
    SDL_Window* sdlWindow = SDL_GetWindowFromID(static_cast<Uint32>(window));
    ASSERT_NE(sdlWindow, nullptr);
    int w = 0;
    int h = 0;
    SDL_GetWindowSize(sdlWindow, &w, &h);
    EXPECT_EQ(w, 60);
    EXPECT_EQ(h, 40);
    // The core keeps its own screen: presenting scales it.
    EXPECT_EQ(m_host->LendScreen(window, 30, 20).pixels, nullptr);
    SDL_Surface* surface = SDL_GetWindowSurface(sdlWindow);
    ASSERT_NE(surface, nullptr);
    SDL_FillRect(surface, nullptr, 0);
    std::vector<DWORD> screen(30 * 20);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            screen[static_cast<size_t>(y) * 30 + x] = static_cast<DWORD>(y << 8 | x | 0x10000);
        }
    }
    const auto shown = [&](int x, int y) {
        return static_cast<const Uint32*>(surface->pixels)[y * (surface->pitch / 4) + x] &
               0xFFFFFFu;
    };
    EXPECT_TRUE(m_host->Present(window, screen.data(), 30, 20, 30 * 4, RECT{3, 2, 8, 5}));
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 60; ++x) {
            const bool inside = x >= 6 && x < 16 && y >= 4 && y < 10;
            ASSERT_EQ(shown(x, y),
                      inside ? static_cast<Uint32>((y / 2) << 8 | (x / 2) | 0x10000) : 0u)
                << x << ", " << y;
        }
    }
    // The window grew to an odd size: the program gets whole pixels, and the strip that no
    // pixel of its covers shows the dialog face.
    SDL_SetWindowSize(sdlWindow, 63, 41);
    Drain();
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, static_cast<Uint32>(window));
    SDL_Event click = {};
    click.type = SDL_MOUSEBUTTONDOWN;
    click.button.windowID = static_cast<Uint32>(window);
    click.button.button = SDL_BUTTON_LEFT;
    click.button.x = 41;
    click.button.y = 19;
    SDL_PushEvent(&click);
    click.button.x = -1; // left of the window, while captured
    click.button.y = 0;
    SDL_PushEvent(&click);
    const std::vector<DvHostEvent> events = Drain();
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, DvEventResize);
    EXPECT_EQ(events[0].x, 31);
    EXPECT_EQ(events[0].y, 20);
    EXPECT_EQ(events[1].x, 20);
    EXPECT_EQ(events[1].y, 9);
    EXPECT_EQ(events[2].x, -1);
    EXPECT_EQ(events[2].y, 0);
    std::vector<DWORD> grown(31 * 20, 0x123456);
    surface = SDL_GetWindowSurface(sdlWindow);
    ASSERT_NE(surface, nullptr);
    ASSERT_EQ(surface->w, 63);
    EXPECT_TRUE(m_host->Present(window, grown.data(), 31, 20, 31 * 4, RECT{0, 0, 31, 20}));
    EXPECT_EQ(shown(61, 39), 0x123456u);
    EXPECT_EQ(shown(62, 0), 0xC0C0C0u);
    EXPECT_EQ(shown(62, 40), 0xC0C0C0u);
    EXPECT_EQ(shown(0, 40), 0xC0C0C0u);
}
