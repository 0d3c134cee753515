// The desktop host on a scaled X desktop: the server scales the program's pixels, whether they
// come from memory shared with it or from the program's own, and what the window shows is read
// back from the server itself.
#include <gtest/gtest.h>

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "XvfbServer.h"
#include "host/sdl/SdlHost.h"
#include "host/sdl/X11Window.h"
#include "win32/winuser.h"

namespace {

class X11ScaledScreenTest : public ::testing::Test {
protected:
    void Open(int scale, int screenCx, int screenCy) {
        std::string error;
        ASSERT_TRUE(m_server.Start(screenCx, screenCy, &error)) << error;
        // The dummy driver of the other host tests would hide the server.
        unsetenv("SDL_VIDEODRIVER");
        setenv("GDK_SCALE", std::to_string(scale).c_str(), 1);
        m_host = CSdlHost::Open(&error);
        unsetenv("GDK_SCALE");
        ASSERT_TRUE(m_host) << error;
        ASSERT_EQ(m_host->Scale(), scale);
    }

    void TearDown() override { m_host.reset(); }

    HOSTWND Show(int cx, int cy) {
        DvHostWindowDesc desc = {};
        desc.kind = DvHostNormal;
        desc.cx = cx;
        desc.cy = cy;
        desc.bResizable = TRUE;
        desc.title = "Dorvane";
        const HOSTWND window = m_host->CreateHostWindow(desc);
        EXPECT_NE(window, 0u);
        m_host->ShowHostWindow(window, SW_SHOWNA);
        SDL_Window* sdlWindow = SDL_GetWindowFromID(static_cast<Uint32>(window));
        EXPECT_TRUE(DvX11WindowOf(sdlWindow, &m_display, &m_window));
        return window;
    }

    // Reads what the window shows back over the host's own connection (so that it comes after
    // everything the host sent) and checks that it is cx x cy pixels, each expected(x, y) as
    // 0xRRGGBB; names the first pixel that is not.
    template <typename Expected> void ExpectShown(int cx, int cy, Expected expected) {
        XWindowAttributes attributes;
        XGetWindowAttributes(m_display, m_window, &attributes);
        ASSERT_EQ(attributes.width, cx);
        ASSERT_EQ(attributes.height, cy);
        XImage* image = XGetImage(m_display, m_window, 0, 0, static_cast<unsigned>(cx),
                                  static_cast<unsigned>(cy), AllPlanes, ZPixmap);
        ASSERT_NE(image, nullptr) << "no image of the window";
        for (int y = 0; y < cy; ++y) {
            for (int x = 0; x < cx; ++x) {
                const unsigned long shown = XGetPixel(image, x, y) & 0xFFFFFF;
                if (shown != static_cast<unsigned long>(expected(x, y))) {
                    ADD_FAILURE() << "at " << x << ", " << y << ": " << std::hex << shown
                                  << " instead of " << expected(x, y);
                    XDestroyImage(image);
                    return;
                }
            }
        }
        XDestroyImage(image);
    }

    static void Fill(DWORD* pixels, int cx, int cy, int strideWords, DWORD seed) {
        for (int y = 0; y < cy; ++y) {
            for (int x = 0; x < cx; ++x) {
                pixels[static_cast<size_t>(y) * strideWords + x] =
                    (seed + static_cast<DWORD>(y) * 0x10300u + static_cast<DWORD>(x) * 0x705u) &
                    0xFFFFFF;
            }
        }
    }

    CXvfbServer m_server;
    std::unique_ptr<CSdlHost> m_host;
    Display* m_display = nullptr;
    unsigned long m_window = 0;
};

// Each presented pixel becomes a scale x scale block, only the changed rectangle changes, and
// lent memory and the program's own are shown alike.
TEST_F(X11ScaledScreenTest, ServerRepeatsEachPixelOfTheChangedRectangle) {
    ASSERT_NO_FATAL_FAILURE(Open(2, 640, 480));
    const HOSTWND window = Show(30, 20);
    const CHost::LentScreen lent = m_host->LendScreen(window, 30, 20);
    ASSERT_NE(lent.pixels, nullptr);
    EXPECT_TRUE(lent.fresh);
    const CHost::LentScreen again = m_host->LendScreen(window, 30, 20);
    EXPECT_EQ(again.pixels, lent.pixels);
    EXPECT_FALSE(again.fresh);
    const int stride = lent.strideBytes / 4;
    DWORD* screen = static_cast<DWORD*>(lent.pixels);
    std::vector<DWORD> black(30 * 20, 0);
    EXPECT_TRUE(m_host->Present(window, black.data(), 30, 20, 30 * 4, RECT{0, 0, 30, 20}));
    Fill(screen, 30, 20, stride, 0x10203);
    EXPECT_TRUE(m_host->Present(window, screen, 30, 20, lent.strideBytes, RECT{3, 2, 8, 5}));
    ExpectShown(60, 40, [&](int x, int y) {
        const bool inside = x >= 6 && x < 16 && y >= 4 && y < 10;
        return inside ? screen[(y / 2) * stride + x / 2] : 0u;
    });
    // The program's own memory, with rows further apart than its width.
    std::vector<DWORD> own(40 * 20);
    Fill(own.data(), 30, 20, 40, 0x405060);
    EXPECT_TRUE(m_host->Present(window, own.data(), 30, 20, 40 * 4, RECT{-5, -5, 99, 99}));
    ExpectShown(60, 40, [&](int x, int y) { return own[(y / 2) * 40 + x / 2]; });
    // Lent memory of a size the host no longer lends is refused, so that the core lends anew.
    const CHost::LentScreen grown = m_host->LendScreen(window, 31, 20);
    ASSERT_NE(grown.pixels, nullptr);
    EXPECT_TRUE(grown.fresh);
    EXPECT_FALSE(
        m_host->Present(window, grown.pixels, 30, 20, grown.strideBytes, RECT{0, 0, 30, 20}));
}

// A window whose size is no multiple of the scale shows the dialog face where no pixel of the
// program's covers it; one that is smaller than the screen shows what fits.
TEST_F(X11ScaledScreenTest, WindowBeyondTheScaledScreenShowsTheFace) {
    ASSERT_NO_FATAL_FAILURE(Open(2, 640, 480));
    const HOSTWND window = Show(30, 20);
    SDL_SetWindowSize(SDL_GetWindowFromID(static_cast<Uint32>(window)), 63, 41);
    // First a screen larger than the window (the window shrank first): what fits, nothing
    // else.
    std::vector<DWORD> large(100 * 50);
    Fill(large.data(), 100, 50, 100, 0x654321);
    EXPECT_TRUE(m_host->Present(window, large.data(), 100, 50, 400, RECT{0, 0, 100, 50}));
    ExpectShown(63, 41, [&](int x, int y) { return large[(y / 2) * 100 + x / 2]; });
    const CHost::LentScreen lent = m_host->LendScreen(window, 31, 20);
    ASSERT_NE(lent.pixels, nullptr);
    Fill(static_cast<DWORD*>(lent.pixels), 31, 20, lent.strideBytes / 4, 0x123456);
    EXPECT_TRUE(m_host->Present(window, lent.pixels, 31, 20, lent.strideBytes, RECT{0, 0, 31, 20}));
    // Then the screen of the window's size: the strips that no pixel covers are painted over.
    const DWORD bgr = GetSysColor(COLOR_BTNFACE);
    const DWORD face = ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
    const DWORD* screen = static_cast<const DWORD*>(lent.pixels);
    ExpectShown(63, 41, [&](int x, int y) {
        return x < 62 && y < 40 ? screen[(y / 2) * (lent.strideBytes / 4) + x / 2] : face;
    });
}

// At a scale whose inverse is not exact in the server's fixed point, every pixel of a window
// far wider than a desktop still lands in its own block.
TEST_F(X11ScaledScreenTest, ScaleThreeStaysExactAcrossAWideWindow) {
    ASSERT_NO_FATAL_FAILURE(Open(3, 6000, 120));
    const HOSTWND window = Show(1990, 30);
    std::vector<DWORD> own(1990 * 30);
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 1990; ++x) {
            // Neighbours always differ, so a block that reaches into the next is seen.
            own[static_cast<size_t>(y) * 1990 + x] = static_cast<DWORD>(x * 131 + y * 7) & 0xFFFFFF;
        }
    }
    EXPECT_TRUE(m_host->Present(window, own.data(), 1990, 30, 1990 * 4, RECT{0, 0, 1990, 30}));
    ExpectShown(5970, 90, [&](int x, int y) { return own[(y / 3) * 1990 + x / 3]; });
}

} // namespace
