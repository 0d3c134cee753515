// Screens that the host lends: top-level windows drawn straight into the host's memory, which
// follows the window's size, may be taken back, and may not be had at all.
#include <string>
#include <vector>

#include "HeadlessFixture.h"
#include "win32/gdiobj.h"

namespace {

// Every pixel of a window's client area: a colour of its position and the window's width, so
// that a screen left over from another size, or never painted, shows as wrong.
DWORD Expected(int x, int y, int width) {
    return static_cast<DWORD>(((x * 7 + width) & 0xFF) << 16 | (y & 0xFF) << 8 | (x & 0xFF));
}

int g_paints = 0;

LRESULT CALLBACK PatternProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_ERASEBKGND) {
        return 1;
    }
    if (message != WM_PAINT) {
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
    ++g_paints;
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    RECT client;
    GetClientRect(hWnd, &client);
    // Drawn in the client coordinates of the top-level window, so that a child's pixels are
    // those of the same pattern.
    POINT origin = {0, 0};
    HWND top = hWnd;
    while (GetWindowLong(top, GWL_STYLE) & WS_CHILD) {
        top = GetParent(top);
    }
    MapWindowPoints(hWnd, top, &origin, 1);
    RECT topClient;
    GetClientRect(top, &topClient);
    for (LONG y = ps.rcPaint.top; y < ps.rcPaint.bottom; ++y) {
        for (LONG x = ps.rcPaint.left; x < ps.rcPaint.right; ++x) {
            const DWORD c = Expected(x + origin.x, y + origin.y, topClient.right);
            const RECT pixel = {x, y, x + 1, y + 1};
            DvFillRect(dc, &pixel, RGB((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF));
        }
    }
    EndPaint(hWnd, &ps);
    return 0;
}

class ScreenTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        ASSERT_TRUE(RegisterTestClass("Pattern", PatternProc));
        m_host->SetLending(true);
        g_paints = 0;
    }

    HWND Top(int cx, int cy, HWND owner = nullptr) {
        return CreateWindowEx(0, "Pattern", "Top", WS_POPUP | WS_VISIBLE, 40, 30, cx, cy, owner,
                              nullptr, nullptr, nullptr);
    }
    HWND Child(HWND parent) {
        return CreateWindowEx(0, "Pattern", "", WS_CHILD | WS_VISIBLE, 20, 10, 60, 40, parent,
                              nullptr, nullptr, nullptr);
    }

    // Whether the host shows the pattern over the whole window, and the window's screen (lent
    // or not) holds exactly what is shown.
    ::testing::AssertionResult ShowsPattern(HWND top) {
        const DvWindow* window = DvLookupWindow(top);
        const int width = m_host->ScreenWidth(top);
        const int height = m_host->ScreenHeight(top);
        if (window == nullptr || width != window->screenWidth || height != window->screenHeight) {
            return ::testing::AssertionFailure() << "shown at " << width << "x" << height;
        }
        for (int y = 0; y < height; ++y) {
            const DWORD* row =
                reinterpret_cast<const DWORD*>(window->screenBits + y * window->screenStride);
            for (int x = 0; x < width; ++x) {
                const DWORD shown = m_host->Pixel(top, x, y);
                if (shown != Expected(x, y, width)) {
                    return ::testing::AssertionFailure()
                           << "at " << x << ", " << y << ": " << std::hex << shown;
                }
                if ((row[x] & 0xFFFFFF) != shown) {
                    return ::testing::AssertionFailure()
                           << "screen and shown differ at " << x << ", " << y;
                }
            }
        }
        return ::testing::AssertionSuccess();
    }
};

TEST_F(ScreenTest, PaintingDrawsIntoLentMemoryThatFollowsEveryResize) {
    HWND top = Top(300, 200);
    Child(top);
    Pump();
    EXPECT_TRUE(m_host->IsLent(top));
    EXPECT_EQ(m_host->LendCount(top), 1);
    EXPECT_EQ(DvLookupWindow(top)->screenStride, (300 + 3) * 4); // the host's rows, not ours
    EXPECT_TRUE(ShowsPattern(top));

    // Only what changed is presented, from the same memory.
    const RECT part = {5, 6, 9, 8};
    InvalidateRect(top, &part, FALSE);
    Pump();
    const RECT shown = m_host->LastPresented(top);
    EXPECT_TRUE(EqualRect(&shown, &part));
    EXPECT_EQ(m_host->LendCount(top), 1);

    // The user resizes between paints: new memory of the new size, all of it painted.
    m_host->Resize(top, 420, 260);
    Pump();
    EXPECT_TRUE(m_host->IsLent(top));
    EXPECT_EQ(m_host->LendCount(top), 2);
    EXPECT_TRUE(ShowsPattern(top));
    // The program resizes, smaller.
    MoveWindow(top, 40, 30, 250, 120, TRUE);
    Pump();
    EXPECT_EQ(m_host->LendCount(top), 3);
    EXPECT_EQ(m_host->ScreenWidth(top), 250);
    EXPECT_TRUE(ShowsPattern(top));
    // Memory given back was never drawn into again.
    EXPECT_TRUE(m_host->RetiredUntouched());
}

TEST_F(ScreenTest, MemoryTheHostTakesBackIsReplacedAndEverythingPaintedAgain) {
    HWND top = Top(200, 150);
    HWND child = Child(top);
    Pump();
    const int paints = g_paints;
    m_host->Revoke(top);
    // A small change fails to show from the old memory; the whole window comes back in new.
    const RECT part = {1, 1, 4, 4};
    InvalidateRect(child, &part, FALSE);
    Pump();
    EXPECT_EQ(m_host->LendCount(top), 2);
    EXPECT_TRUE(m_host->IsLent(top));
    EXPECT_GE(g_paints - paints, 3); // the child's change, then the top and the child again
    EXPECT_TRUE(ShowsPattern(top));
    EXPECT_TRUE(m_host->RetiredUntouched());

    // An exposure presents the lent memory again as it is.
    m_host->Expose(top);
    Pump();
    const RECT all = m_host->LastPresented(top);
    EXPECT_EQ(all.right, 200);
    EXPECT_EQ(all.bottom, 150);
    EXPECT_EQ(m_host->LendCount(top), 2);
    EXPECT_TRUE(ShowsPattern(top));
}

TEST_F(ScreenTest, WithoutLentMemoryTheScreenIsOurOwnAndLendingMayComeAndGo) {
    m_host->SetLending(false);
    HWND top = Top(160, 90);
    Child(top);
    Pump();
    EXPECT_FALSE(m_host->IsLent(top));
    EXPECT_EQ(DvLookupWindow(top)->screenStride, 160 * 4);
    EXPECT_TRUE(ShowsPattern(top));

    // Lent memory at the next resize; what the screen showed at its size carries over.
    m_host->SetLending(true);
    const int paints = g_paints;
    m_host->Resize(top, 160, 90);
    Pump();
    EXPECT_TRUE(m_host->IsLent(top));
    EXPECT_EQ(g_paints, paints);
    EXPECT_TRUE(ShowsPattern(top));

    // The host stops lending: the lent memory is let go at once and the screen is our own.
    m_host->SetLending(false);
    m_host->Resize(top, 180, 100);
    Pump();
    EXPECT_FALSE(m_host->IsLent(top));
    EXPECT_TRUE(ShowsPattern(top));
    m_host->SetLending(true);
    m_host->Revoke(top); // nothing lent: presenting our own memory still works
    InvalidateRect(top, nullptr, FALSE);
    Pump();
    EXPECT_TRUE(ShowsPattern(top));
    EXPECT_TRUE(m_host->RetiredUntouched());
}

TEST_F(ScreenTest, MinimisingKeepsTheMemoryAndSeveralWindowsEachHaveTheirOwn) {
    HWND top = Top(200, 120);
    Child(top);
    HWND second = Top(90, 70, top);
    Pump();
    ASSERT_TRUE(m_host->IsLent(top));
    ASSERT_TRUE(m_host->IsLent(second));
    EXPECT_NE(DvLookupWindow(top)->screenBits, DvLookupWindow(second)->screenBits);
    EXPECT_TRUE(ShowsPattern(top));
    EXPECT_TRUE(ShowsPattern(second));

    // Painting one presents only that one.
    const int presents = m_host->PresentCount(top);
    InvalidateRect(second, nullptr, FALSE);
    Pump();
    EXPECT_EQ(m_host->PresentCount(top), presents);

    m_host->Minimise(top);
    Pump();
    m_host->Restore(top);
    Pump();
    EXPECT_EQ(m_host->LendCount(top), 1);
    EXPECT_TRUE(ShowsPattern(top));

    // The second window goes; its memory is given back untouched, the first stays as it was.
    DestroyWindow(second);
    Pump();
    InvalidateRect(top, nullptr, FALSE);
    Pump();
    EXPECT_TRUE(ShowsPattern(top));
    EXPECT_TRUE(m_host->RetiredUntouched());
}

} // namespace
