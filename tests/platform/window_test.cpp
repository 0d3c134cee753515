// The windowing core: creation and destruction order, geometry, timers, capture, painting and
// the routing of mouse input.
#include <string>
#include <vector>

#include "HeadlessFixture.h"
#include "win32/gdiobj.h"

namespace {

struct Record {
    HWND hWnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

std::vector<Record> g_log;
LRESULT g_createResult = 0;
bool g_validateInPaint = true;

LRESULT CALLBACK RecordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    g_log.push_back(Record{hWnd, message, wParam, lParam});
    switch (message) {
    case WM_CREATE:
        return g_createResult;
    case WM_PAINT:
        if (g_validateInPaint) {
            PAINTSTRUCT ps;
            BeginPaint(hWnd, &ps);
            EndPaint(hWnd, &ps);
        }
        return 0;
    case WM_ERASEBKGND:
        return 1;
    default:
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
}

std::vector<UINT> MessagesOf(HWND hWnd) {
    std::vector<UINT> messages;
    for (const Record& r : g_log) {
        if (r.hWnd == hWnd) {
            messages.push_back(r.message);
        }
    }
    return messages;
}

int Count(UINT message, HWND hWnd = nullptr) {
    int n = 0;
    for (const Record& r : g_log) {
        if (r.message == message && (hWnd == nullptr || r.hWnd == hWnd)) {
            ++n;
        }
    }
    return n;
}

class WindowTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        ASSERT_TRUE(RegisterTestClass("Recording", RecordingProc));
        g_log.clear();
        g_createResult = 0;
        g_validateInPaint = true;
    }

    HWND Top(int cx = 300, int cy = 200, DWORD style = WS_POPUP | WS_VISIBLE) {
        return CreateWindowEx(0, "Recording", "Top", style, 100, 50, cx, cy, nullptr, nullptr,
                              nullptr, nullptr);
    }
    HWND Child(HWND parent, int x, int y, int cx, int cy, int id = 5, DWORD exStyle = 0,
               DWORD style = WS_CHILD | WS_VISIBLE, LPCSTR className = "Recording") {
        return CreateWindowEx(exStyle, className, "", style, x, y, cx, cy, parent,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    }
};

TEST_F(WindowTest, CreationSendsCreateThenSizeBeforeReturning) {
    HWND top = Top();
    ASSERT_NE(top, nullptr);
    HWND child = Child(top, 10, 20, 40, 30);
    ASSERT_NE(child, nullptr);
    const std::vector<UINT> expected = {WM_NCCREATE, WM_CREATE, WM_SIZE, WM_MOVE};
    const std::vector<UINT> got = MessagesOf(child);
    ASSERT_GE(got.size(), expected.size());
    EXPECT_EQ(std::vector<UINT>(got.begin(), got.begin() + 4), expected);
    for (const Record& r : g_log) {
        if (r.hWnd == child && r.message == WM_SIZE) {
            EXPECT_EQ(r.wParam, static_cast<WPARAM>(SIZE_RESTORED));
            EXPECT_EQ(LOWORD(r.lParam), 40);
            EXPECT_EQ(HIWORD(r.lParam), 30);
        }
    }

    // A window whose WM_CREATE answers -1 is not made, and is destroyed at once.
    g_log.clear();
    g_createResult = -1;
    EXPECT_EQ(Child(top, 0, 0, 5, 5), nullptr);
    EXPECT_EQ(Count(WM_SIZE), 0);
    EXPECT_EQ(Count(WM_DESTROY), 1);
    EXPECT_FALSE(IsWindow(g_log.front().hWnd));

    // A child needs a live parent.
    g_createResult = 0;
    EXPECT_EQ(Child(reinterpret_cast<HWND>(0x1234), 0, 0, 5, 5), nullptr);
    EXPECT_EQ(CreateWindowEx(0, "NoSuchClass", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr,
                             nullptr),
              nullptr);
}

TEST_F(WindowTest, DestructionReachesChildrenAndEndsTheirTimers) {
    HWND top = Top();
    HWND child = Child(top, 0, 0, 10, 10, 1);
    HWND grandchild = Child(child, 0, 0, 5, 5, 2);
    ASSERT_NE(SetTimer(child, 7, 50, nullptr), 0u);
    ASSERT_NE(SetTimer(top, 8, 50, nullptr), 0u);
    PostMessage(child, WM_USER, 0, 0);
    g_log.clear();
    EXPECT_TRUE(DestroyWindow(top));
    std::vector<std::pair<HWND, UINT>> order;
    for (const Record& r : g_log) {
        if (r.message == WM_DESTROY || r.message == WM_NCDESTROY) {
            order.emplace_back(r.hWnd, r.message);
        }
    }
    const std::vector<std::pair<HWND, UINT>> expected = {
        {top, WM_DESTROY},          {child, WM_DESTROY},   {grandchild, WM_DESTROY},
        {grandchild, WM_NCDESTROY}, {child, WM_NCDESTROY}, {top, WM_NCDESTROY}};
    EXPECT_EQ(order, expected);
    EXPECT_FALSE(IsWindow(top));
    EXPECT_FALSE(IsWindow(grandchild));
    // Nothing of the windows is left to deliver: no timer, no posted message.
    g_log.clear();
    m_host->Advance(1000);
    Pump();
    EXPECT_TRUE(g_log.empty());
    EXPECT_FALSE(DestroyWindow(top));
    EXPECT_FALSE(KillTimer(child, 7));
}

TEST_F(WindowTest, GeometryCountsBordersAndClampsNegativeSizes) {
    HWND top = Top(300, 200);
    HWND edged = Child(top, 10, 20, 52, 52, 1, WS_EX_CLIENTEDGE);
    RECT r;
    ASSERT_TRUE(GetWindowRect(edged, &r));
    EXPECT_EQ(r.left, 110);
    EXPECT_EQ(r.top, 70);
    EXPECT_EQ(r.right - r.left, 52);
    ASSERT_TRUE(GetClientRect(edged, &r));
    EXPECT_EQ(r.right, 48);
    EXPECT_EQ(r.bottom, 48);
    POINT p = {112, 72};
    ASSERT_TRUE(ScreenToClient(edged, &p));
    EXPECT_EQ(p.x, 0);
    EXPECT_EQ(p.y, 0);
    ASSERT_TRUE(ClientToScreen(top, &p));
    EXPECT_EQ(p.x, 100);
    EXPECT_EQ(p.y, 50);

    // A negative size is taken as no size at all.
    g_log.clear();
    HWND plain = Child(top, 0, 0, 10, 10, 2);
    g_log.clear();
    ASSERT_TRUE(MoveWindow(plain, 5, 6, -20, -1, TRUE));
    ASSERT_TRUE(GetClientRect(plain, &r));
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(r.bottom, 0);
    ASSERT_TRUE(GetWindowRect(plain, &r));
    EXPECT_EQ(r.left, 105);
    EXPECT_EQ(r.top, 56);
    ASSERT_EQ(Count(WM_SIZE, plain), 1);
    // A window of no size still has a context, which draws nothing.
    HDC dc = GetDC(plain);
    ASSERT_NE(dc, nullptr);
    const RECT all = {-100, -100, 1000, 1000};
    EXPECT_TRUE(DvFillRect(dc, &all, RGB(255, 0, 0)));
    ReleaseDC(plain, dc);
    Pump();
    EXPECT_EQ(m_host->Pixel(top, 5, 6), 0u);
}

TEST_F(WindowTest, AScreenTooLargeToMakeLeavesTheWindowUsable) {
    HWND top = Top(300, 200);
    Pump();
    // Wider than any screen can be: 1,351,559,585 pixels of four bytes.
    m_host->Resize(top, 1351559585, 1);
    Pump();
    // Nor can the host lend memory for a desktop window of that size, or far larger.
    m_host->SetLending(true);
    m_host->Resize(top, 1000000, 1000000);
    Pump();
    EXPECT_FALSE(m_host->IsLent(top));
    m_host->Resize(top, 0x7FFFFFFF, 0x7FFFFFFF);
    Pump();
    EXPECT_FALSE(m_host->IsLent(top));
    m_host->Resize(top, 120, 80);
    Pump();
    HDC dc = GetDC(top);
    ASSERT_NE(dc, nullptr);
    const RECT corner = {0, 0, 10, 10};
    EXPECT_TRUE(DvFillRect(dc, &corner, RGB(255, 0, 0)));
    ReleaseDC(top, dc);
    Pump();
    EXPECT_EQ(m_host->ScreenWidth(top), 120);
    EXPECT_EQ(m_host->Pixel(top, 5, 5) & 0xFFFFFF, 0xFF0000u);
    EXPECT_TRUE(m_host->IsLent(top));
    m_host->SetLending(false);
}

TEST_F(WindowTest, TimersComeOnlyWhenIdleAndNeverPileUp) {
    HWND top = Top();
    Pump();
    ASSERT_EQ(SetTimer(top, 2, 50, nullptr), 2u);
    g_log.clear();
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 0); // not due yet

    // A long pause yields one tick, not twenty.
    m_host->Advance(1000);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 1);
    m_host->Advance(49);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 1);
    m_host->Advance(1);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 2);

    // Posted messages and paints come before a due tick.
    g_log.clear();
    m_host->Advance(50);
    PostMessage(top, WM_USER, 0, 0);
    InvalidateRect(top, nullptr, FALSE);
    Pump();
    std::vector<UINT> order;
    for (const Record& r : g_log) {
        if (r.message == WM_USER || r.message == WM_PAINT || r.message == WM_TIMER) {
            order.push_back(r.message);
        }
    }
    EXPECT_EQ(order, (std::vector<UINT>{WM_USER, WM_PAINT, WM_TIMER}));
    for (const Record& r : g_log) {
        if (r.message == WM_TIMER) {
            EXPECT_EQ(r.wParam, 2u);
        }
    }

    // Across the wrap of the tick count the period holds.
    m_host->SetTickCount(0xFFFFFFF0u);
    SetTimer(top, 2, 50, nullptr);
    g_log.clear();
    m_host->Advance(49);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 0);
    m_host->Advance(1);
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 1);

    EXPECT_TRUE(KillTimer(top, 2));
    m_host->Advance(500);
    g_log.clear();
    Pump();
    EXPECT_EQ(Count(WM_TIMER), 0);
}

TEST_F(WindowTest, MouseGoesToTheWindowUnderItUnlessCaptured) {
    HWND top = Top(300, 200);
    HWND lower = Child(top, 100, 100, 50, 50, 1);
    HWND upper = Child(top, 120, 120, 50, 50, 2);
    // A static that does not notify lets the mouse through to what lies below it; one that
    // notifies takes it.
    HWND frame = Child(top, 0, 0, 90, 90, 3, 0, WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, "STATIC");
    HWND inner = Child(top, 10, 10, 30, 30, 4, 0, WS_CHILD | WS_VISIBLE, "Recording");
    HWND notifying = Child(top, 200, 0, 40, 40, 6, 0, WS_CHILD | WS_VISIBLE | SS_NOTIFY, "STATIC");
    ASSERT_NE(frame, nullptr);
    ASSERT_NE(notifying, nullptr);
    Pump();

    auto target = [&](int x, int y) {
        g_log.clear();
        m_host->MouseDown(top, x, y);
        Pump();
        for (const Record& r : g_log) {
            if (r.message == WM_LBUTTONDOWN) {
                return std::make_pair(r.hWnd, r.lParam);
            }
        }
        return std::make_pair(HWND(nullptr), LPARAM(0));
    };
    // The elder sibling lies above the younger one.
    EXPECT_EQ(target(130, 130).first, lower);
    EXPECT_EQ(target(160, 160).first, upper);
    const auto onFrame = target(5, 5);
    EXPECT_EQ(onFrame.first, top);
    EXPECT_EQ(onFrame.second, MAKELONG(5, 5));
    const auto onInner = target(15, 17);
    EXPECT_EQ(onInner.first, inner);
    EXPECT_EQ(onInner.second, MAKELONG(5, 7));
    EXPECT_EQ(target(210, 10).first, nullptr); // the notifying static took it
    // Hidden and disabled windows take nothing.
    ShowWindow(lower, SW_HIDE);
    EXPECT_EQ(target(105, 105).first, top);
    EnableWindow(upper, FALSE);
    EXPECT_EQ(target(160, 160).first, top);

    // Capture: everything goes to the capturing window, in its own coordinates.
    EXPECT_EQ(SetCapture(inner), nullptr);
    EXPECT_EQ(GetCapture(), inner);
    const auto captured = target(250, 150);
    EXPECT_EQ(captured.first, inner);
    EXPECT_EQ(captured.second, MAKELONG(240, 140));
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(target(250, 150).first, top);

    // The owner of a modal window, disabled, takes no mouse input at all.
    EnableWindow(top, FALSE);
    EXPECT_EQ(target(15, 17).first, nullptr);
}

TEST_F(WindowTest, InvalidationPaintsWithEraseWhenAskedAndClipsTheUpdate) {
    HWND top = Top(300, 200);
    HWND child = Child(top, 10, 10, 100, 100, 1);
    Pump();
    g_log.clear();
    InvalidateRect(child, nullptr, FALSE);
    Pump();
    EXPECT_EQ(Count(WM_PAINT, child), 1);
    EXPECT_EQ(Count(WM_ERASEBKGND, child), 0);
    EXPECT_EQ(Count(WM_PAINT, top), 0);

    g_log.clear();
    InvalidateRect(child, nullptr, TRUE);
    InvalidateRect(child, nullptr, TRUE); // one paint for both
    Pump();
    EXPECT_EQ(Count(WM_PAINT, child), 1);
    EXPECT_EQ(Count(WM_ERASEBKGND, child), 1);

    // A parent without WS_CLIPCHILDREN repaints its children under the invalid area.
    g_log.clear();
    const RECT overChild = {50, 50, 60, 60};
    InvalidateRect(top, &overChild, TRUE);
    const RECT besideChild = {200, 0, 210, 10};
    Pump();
    EXPECT_EQ(Count(WM_PAINT, top), 1);
    EXPECT_EQ(Count(WM_PAINT, child), 1);
    g_log.clear();
    InvalidateRect(top, &besideChild, TRUE);
    Pump();
    EXPECT_EQ(Count(WM_PAINT, child), 0);

    // The paint context draws only into the update rectangle.
    g_validateInPaint = false;
    const RECT part = {0, 0, 10, 10};
    InvalidateRect(child, &part, FALSE);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(child, &ps);
    ASSERT_NE(dc, nullptr);
    EXPECT_TRUE(EqualRect(&ps.rcPaint, &part));
    const RECT all = {0, 0, 100, 100};
    DvFillRect(dc, &all, RGB(0, 0, 255));
    EndPaint(child, &ps);
    Pump();
    EXPECT_EQ(m_host->Pixel(child, 9, 9), 0x0000FFu);
    EXPECT_EQ(m_host->Pixel(child, 10, 10), 0u);
    // A window context draws at the window's place, clipped to its client area.
    dc = GetDC(child);
    const RECT big = {-50, -50, 500, 500};
    DvFillRect(dc, &big, RGB(255, 0, 0));
    ReleaseDC(child, dc);
    Pump();
    EXPECT_EQ(m_host->Pixel(top, 10, 10), 0xFF0000u);
    EXPECT_EQ(m_host->Pixel(top, 109, 109), 0xFF0000u);
    EXPECT_EQ(m_host->Pixel(top, 9, 10), 0u);
    EXPECT_EQ(m_host->Pixel(top, 110, 50), 0u);
    const RECT presented = m_host->LastPresented(top);
    EXPECT_EQ(presented.left, 10);
    EXPECT_EQ(presented.right, 110);
}

TEST_F(WindowTest, TextAndIconsReachTheHost) {
    HWND top = Top();
    Pump();
    EXPECT_TRUE(m_host->IsShown(top));
    EXPECT_EQ(m_host->Title(top), "Top");
    ASSERT_TRUE(SetWindowText(top, "Dorvane (20 fps)"));
    EXPECT_EQ(m_host->Title(top), "Dorvane (20 fps)");
    char text[8];
    EXPECT_EQ(GetWindowText(top, text, sizeof text), 7);
    EXPECT_STREQ(text, "Dorvane");
    EXPECT_EQ(GetWindowTextLength(top), 16);

    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(128));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(SendMessage(top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon)), 0);
    int width = 0;
    int height = 0;
    const std::vector<DWORD>& pixels = m_host->Icon(top, &width, &height);
    EXPECT_EQ(width, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(height, GetSystemMetrics(SM_CYICON));
    EXPECT_EQ(pixels.size(), 32u * 32u);
    EXPECT_EQ(SendMessage(top, WM_GETICON, ICON_BIG, 0), reinterpret_cast<LRESULT>(icon));
}

} // namespace
