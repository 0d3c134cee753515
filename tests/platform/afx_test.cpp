// The framework: message maps calling handlers with their signatures, windows made through
// CWnd::Create, the handle maps, the application's entry and the value classes.
#include <afxwin.h>

#include <string>
#include <vector>

#include "HeadlessFixture.h"
#include "win32/gdiobj.h"

namespace {

class CBaseView : public CWnd {
public:
    std::vector<std::string> m_calls;
    afx_msg void OnTimer(UINT nIDEvent) { m_calls.push_back("timer " + std::to_string(nIDEvent)); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CBaseView, CWnd)
ON_WM_TIMER()
END_MESSAGE_MAP()

class CProbeView : public CBaseView {
public:
    int m_nCreateResult = 0;
    BOOL m_bEraseResult = TRUE;
    HDC m_hEraseDC = nullptr;
    CPoint m_press;
    CSize m_size;
    UINT m_sizeType = 99;
    bool m_bCommand = false;

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct) {
        m_calls.push_back(std::string("create ") + lpCreateStruct->lpszName);
        if (CBaseView::OnCreate(lpCreateStruct) == -1) {
            return -1;
        }
        return m_nCreateResult;
    }
    afx_msg void OnSize(UINT nType, int cx, int cy) {
        CBaseView::OnSize(nType, cx, cy);
        m_calls.push_back("size");
        m_sizeType = nType;
        m_size = CSize(cx, cy);
    }
    afx_msg BOOL OnEraseBkgnd(CDC* pDC) {
        m_calls.push_back("erase");
        m_hEraseDC = pDC->GetSafeHdc();
        CRect client;
        GetClientRect(&client);
        pDC->FillSolidRect(&client, RGB(128, 0, 0));
        return m_bEraseResult;
    }
    afx_msg void OnPaint() {
        m_calls.push_back("paint");
        CPaintDC dc(this);
        dc.FillSolidRect(0, 0, 4, 4, RGB(0, 0, 255));
    }
    afx_msg void OnLButtonDown(UINT, CPoint point) { m_press = point; }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(0x1230); }
    afx_msg void OnDestroy() {
        m_calls.push_back("destroy");
        CBaseView::OnDestroy();
    }
    afx_msg void OnCommandFive() { m_bCommand = true; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeView, CBaseView)
ON_WM_ERASEBKGND()
ON_WM_SIZE()
ON_WM_PAINT()
ON_WM_DESTROY()
ON_WM_CREATE()
ON_WM_LBUTTONDOWN()
ON_WM_QUERYDRAGICON()
ON_COMMAND(5, OnCommandFive)
END_MESSAGE_MAP()

class AfxTest : public HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        m_parent = CreateWindowEx(0, WC_DIALOG, "Parent", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300,
                                  nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(m_parent, nullptr);
        ASSERT_TRUE(m_parentWnd.Attach(m_parent));
    }
    void TearDown() override {
        m_parentWnd.Detach();
        HeadlessTest::TearDown();
    }
    HWND m_parent = nullptr;
    CWnd m_parentWnd;
};

TEST_F(AfxTest, AViewMadeThroughCreateSeesItsMessagesWithTheirArguments) {
    CProbeView view;
    const CRect rect(10, 20, 110, 70);
    ASSERT_TRUE(view.Create(nullptr, "Orvik", WS_CHILD | WS_VISIBLE, rect, &m_parentWnd, 1));
    // Created with the default class, named, and sized before Create returned.
    ASSERT_GE(view.m_calls.size(), 2u);
    EXPECT_EQ(view.m_calls[0], "create Orvik");
    EXPECT_EQ(view.m_calls[1], "size");
    EXPECT_EQ(view.m_sizeType, UINT(SIZE_RESTORED));
    EXPECT_EQ(view.m_size, CSize(100, 50));
    EXPECT_EQ(CWnd::FromHandlePermanent(view.m_hWnd), &view);
    EXPECT_EQ(view.GetParent(), &m_parentWnd);
    EXPECT_EQ(view.GetDlgCtrlID(), 1);
    char name[16];
    view.GetWindowText(name, sizeof name);
    EXPECT_STREQ(name, "Orvik");

    // Painting: the paint handler's context erases first, through the erase handler.
    view.m_calls.clear();
    Pump();
    EXPECT_EQ(view.m_calls, (std::vector<std::string>{"paint", "erase"}));
    EXPECT_NE(view.m_hEraseDC, nullptr);
    EXPECT_EQ(m_host->Pixel(view.m_hWnd, 0, 0), 0x0000FFu);
    EXPECT_EQ(m_host->Pixel(view.m_hWnd, 50, 30), 0x800000u);
    EXPECT_EQ(m_host->Pixel(m_parent, 9, 19), 0xC0C0C0u); // the dialog face around it

    // Invalidating without erase paints without the erase handler.
    view.m_calls.clear();
    view.InvalidateRect(nullptr, FALSE);
    Pump();
    EXPECT_EQ(view.m_calls, (std::vector<std::string>{"paint"}));

    // Timers come to the base class's handler through the map chain.
    view.m_calls.clear();
    view.SetTimer(2, 50, nullptr);
    m_host->Advance(60);
    Pump();
    EXPECT_EQ(view.m_calls, (std::vector<std::string>{"timer 2"}));

    // Mouse positions arrive signed, as a capture reports them outside the window.
    view.SetCapture();
    m_host->MouseDown(m_parent, 2, 3);
    Pump();
    EXPECT_EQ(view.m_press, CPoint(-8, -17));
    ReleaseCapture();

    EXPECT_EQ(view.SendMessage(WM_QUERYDRAGICON), 0x1230);
    view.SendMessage(WM_COMMAND, MAKEWPARAM(5, 0), 0);
    EXPECT_TRUE(view.m_bCommand);
    // Messages without an entry get the default processing.
    view.SetWindowText("Other");
    view.GetWindowText(name, sizeof name);
    EXPECT_STREQ(name, "Other");

    // Moving with a negative size: the handler sees 0, the window is empty.
    view.m_calls.clear();
    view.MoveWindow(10, 20, -5, 40);
    EXPECT_EQ(view.m_size, CSize(0, 40));

    const HWND hWnd = view.m_hWnd;
    view.m_calls.clear();
    EXPECT_TRUE(view.DestroyWindow());
    EXPECT_EQ(view.m_calls, (std::vector<std::string>{"destroy"}));
    EXPECT_EQ(view.m_hWnd, nullptr);
    EXPECT_EQ(CWnd::FromHandle(hWnd), nullptr);
    m_host->Advance(100);
    Pump();
    EXPECT_TRUE(view.m_calls.size() == 1u);
}

TEST_F(AfxTest, ARefusedCreationLeavesNoWindow) {
    CProbeView view;
    view.m_nCreateResult = -1;
    EXPECT_FALSE(
        view.Create(nullptr, "Orvik", WS_CHILD | WS_VISIBLE, CRect(0, 0, 10, 10), &m_parentWnd, 1));
    EXPECT_EQ(view.m_hWnd, nullptr);
    EXPECT_EQ(view.m_calls.front(), "create Orvik");
    EXPECT_EQ(::GetDlgItem(m_parent, 1), nullptr);
    // The object may try again.
    view.m_nCreateResult = 0;
    EXPECT_TRUE(view.Create(nullptr, "Again", WS_CHILD, CRect(0, 0, 10, 10), &m_parentWnd, 1));
    EXPECT_TRUE(view.DestroyWindow());
}

TEST_F(AfxTest, HandleMapsGiveTemporaryWrappersAndContexts) {
    HWND child = CreateWindowEx(0, "STATIC", "x", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, m_parent,
                                reinterpret_cast<HMENU>(7), nullptr, nullptr);
    CWnd* temporary = m_parentWnd.GetDlgItem(7);
    ASSERT_NE(temporary, nullptr);
    EXPECT_EQ(temporary->m_hWnd, child);
    EXPECT_EQ(CWnd::FromHandlePermanent(child), nullptr);
    EXPECT_EQ(m_parentWnd.GetDlgItem(7), temporary);
    EXPECT_EQ(m_parentWnd.GetDlgItem(8), nullptr);
    // Attaching takes over from the temporary wrapper.
    CStatic control;
    ASSERT_TRUE(control.SubclassWindow(child));
    EXPECT_EQ(CWnd::FromHandle(child), &control);
    EXPECT_FALSE(CWnd().Attach(child));

    // A client context of the object draws into its window; releasing it presents it.
    Pump();
    CDC* pDC = control.GetDC();
    ASSERT_NE(pDC, nullptr);
    pDC->FillSolidRect(0, 0, 100, 100, RGB(0, 255, 0));
    EXPECT_EQ(control.ReleaseDC(pDC), 1);
    EXPECT_EQ(control.ReleaseDC(pDC), 0);
    Pump();
    EXPECT_EQ(m_host->Pixel(m_parent, 19, 19), 0x00FF00u);
    EXPECT_EQ(m_host->Pixel(m_parent, 20, 20), 0xC0C0C0u);
    {
        CClientDC dc(&m_parentWnd);
        ASSERT_NE(dc.GetSafeHdc(), nullptr);
        dc.FillSolidRect(300, 200, 5, 5, RGB(1, 1, 1));
    }
    Pump();
    EXPECT_EQ(m_host->Pixel(m_parent, 300, 200), 0x010101u);

    CMenu* menu = m_parentWnd.GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(CMenu::FromHandle(menu->m_hMenu), menu);
    control.DestroyWindow();
    EXPECT_EQ(control.m_hWnd, nullptr);
}

class CFailingApp : public CWinApp {
public:
    int m_nInit = 0;
    BOOL InitInstance() override {
        ++m_nInit;
        EXPECT_EQ(AfxGetApp(), this);
        EXPECT_TRUE(Enable3dControls());
        AfxEnableControlContainer();
        return FALSE;
    }
};

TEST_F(AfxTest, TheEntryRunsInitInstanceOnceAndEndsWhenItReturnsFalse) {
    CFailingApp app;
    EXPECT_EQ(AfxWinMain(nullptr, nullptr, nullptr, SW_SHOWNORMAL), 0);
    EXPECT_EQ(app.m_nInit, 1);
    ASSERT_NE(app.m_pszAppName, nullptr);
    EXPECT_STREQ(app.m_pszAppName, "test-platform");
    EXPECT_NE(app.LoadIcon(128), nullptr);
}

TEST(AfxValues, StringsAndRectangles) {
    CString s;
    s.Format("Dorvane (%d fps)", 20);
    EXPECT_TRUE(s == "Dorvane (20 fps)");
    EXPECT_EQ(s.GetLength(), 16);
    s.Format("%s", std::string(5000, 'x').c_str());
    EXPECT_EQ(s.GetLength(), 5000);
    LPSTR buffer = s.GetBuffer(3);
    buffer[2] = '\0';
    s.ReleaseBuffer();
    EXPECT_TRUE(s == "xx");
    s += "yz";
    EXPECT_TRUE(s == "xxyz");
    EXPECT_FALSE(s.LoadString(4242));
    EXPECT_TRUE(s.IsEmpty());

    CRect r(10, 20, 110, 70);
    EXPECT_EQ(r.Width(), 100);
    EXPECT_EQ(r.Height(), 50);
    r.DeflateRect(2, 2);
    EXPECT_EQ(r, CRect(12, 22, 108, 68));
    EXPECT_TRUE(r.PtInRect(CPoint(12, 22)));
    EXPECT_FALSE(r.PtInRect(CPoint(108, 30)));
    EXPECT_EQ(r.TopLeft(), CPoint(12, 22));
    CRect both;
    EXPECT_TRUE(both.IntersectRect(&r, CRect(100, 0, 200, 30)));
    EXPECT_EQ(both, CRect(100, 22, 108, 30));
    EXPECT_FALSE(both.IntersectRect(&r, CRect(500, 500, 600, 600)));
    EXPECT_TRUE(both.IsRectEmpty());
    EXPECT_EQ(CPoint(MAKELPARAM(-3, 5)), CPoint(-3, 5));
}

} // namespace
