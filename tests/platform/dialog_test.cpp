// The dialog manager and the framework on it: templates in dialog units, the controls, the
// dialog keys, the modal loop, the system menu and message-map dispatch.
#include <afxwin.h>

#include <algorithm>
#include <string>
#include <vector>

#include "HeadlessFixture.h"
#include "res/resource.h"

namespace {

// A dialog on the main template that records what reaches its handlers.
class CProbeDlg : public CDialog {
public:
    CProbeDlg() : CDialog(IDD_TERRAIN_DIALOG) {}

    std::vector<std::string> m_calls;
    std::vector<CPoint> m_presses;
    std::vector<UINT> m_sysCommands;
    std::vector<UINT> m_timers;
    std::vector<CSize> m_sizes;
    int m_nCreateResult = 0;
    CStatic m_pad1;
    CStatic m_viewFrame;

    void DoDataExchange(CDataExchange* pDX) override {
        m_calls.push_back("DoDataExchange");
        DDX_Control(pDX, IDC_PAD1, m_pad1);
        DDX_Control(pDX, IDC_VIEW_FRAME, m_viewFrame);
    }
    BOOL OnInitDialog() override {
        m_calls.push_back("OnInitDialog");
        CDialog::OnInitDialog();
        SetTimer(IDT_FLYTHROUGH, 50, nullptr);
        return TRUE;
    }
    void OnOK() override {
        m_calls.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override {
        m_calls.push_back("OnCancel");
        CDialog::OnCancel();
    }

    afx_msg int OnCreate(LPCREATESTRUCT lpCreateStruct) {
        m_calls.push_back("OnCreate");
        if (CDialog::OnCreate(lpCreateStruct) == -1) {
            return -1;
        }
        return m_nCreateResult;
    }
    afx_msg void OnSize(UINT nType, int cx, int cy) {
        CDialog::OnSize(nType, cx, cy);
        m_calls.push_back("OnSize");
        m_sizes.push_back(CSize(nType == SIZE_MINIMIZED ? -cx - 1 : cx, cy));
    }
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point) {
        m_presses.push_back(point);
        CDialog::OnLButtonDown(nFlags, point);
    }
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam) {
        m_sysCommands.push_back(nID);
        CDialog::OnSysCommand(nID, lParam);
    }
    afx_msg void OnTimer(UINT nIDEvent) {
        m_timers.push_back(nIDEvent);
        CDialog::OnTimer(nIDEvent);
    }
    afx_msg void OnDestroy() {
        m_calls.push_back("OnDestroy");
        CDialog::OnDestroy();
    }

    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProbeDlg, CDialog)
ON_WM_CREATE()
ON_WM_SIZE()
ON_WM_LBUTTONDOWN()
ON_WM_SYSCOMMAND()
ON_WM_TIMER()
ON_WM_DESTROY()
END_MESSAGE_MAP()

class CTestApp : public CWinApp {};

class DialogTest : public HeadlessTest {
protected:
    RECT ClientRectOf(CWnd& dialog, int id) {
        RECT r;
        ::GetWindowRect(::GetDlgItem(dialog.m_hWnd, id), &r);
        ::MapWindowPoints(nullptr, dialog.m_hWnd, reinterpret_cast<LPPOINT>(&r), 2);
        return r;
    }
    CTestApp m_app;
};

TEST(DialogUnits, ConvertWithTheBaseUnitsAndMulDivRounding) {
    EXPECT_EQ(MulDiv(7, 6, 4), 11); // 10.5 rounds away from zero
    EXPECT_EQ(MulDiv(4, 13, 8), 7); // 6.5
    EXPECT_EQ(MulDiv(238, 6, 4), 357);
    EXPECT_EQ(MulDiv(109, 13, 8), 177); // 177.125
    EXPECT_EQ(MulDiv(-7, 6, 4), -11);
    EXPECT_EQ(MulDiv(7, -6, 4), -11);
    EXPECT_EQ(MulDiv(5, 3, 0), -1);
    EXPECT_EQ(MulDiv(0x40000000, 0x40000000, 1), -1); // does not fit
    EXPECT_EQ(MulDiv(0x40000000, 8, 16), 0x20000000); // the product is kept in 64 bits
}

TEST_F(DialogTest, TheMainTemplateLaysOutItsControlsInPixels) {
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.StartModal());
    RECT client;
    dlg.GetClientRect(&client);
    EXPECT_EQ(client.right, 441);
    EXPECT_EQ(client.bottom, 192);
    char caption[32];
    dlg.GetWindowText(caption, sizeof caption);
    EXPECT_STREQ(caption, "Dorvane");

    const RECT frame = ClientRectOf(dlg, IDC_VIEW_FRAME);
    EXPECT_EQ(frame.left, 74);
    EXPECT_EQ(frame.top, 7);
    EXPECT_EQ(frame.right, 74 + 357);
    EXPECT_EQ(frame.bottom, 7 + 177);
    // Bitmap statics size themselves to the 48 x 48 bitmap and the 2-pixel client edge,
    // whether or not they ask for the real size of the image.
    const int tops[] = {7, 67, 132};
    for (int pad = 0; pad < 3; ++pad) {
        const RECT r = ClientRectOf(dlg, IDC_PAD1 + pad);
        EXPECT_EQ(r.left, 11) << pad;
        EXPECT_EQ(r.top, tops[pad]) << pad;
        EXPECT_EQ(r.right - r.left, 52) << pad;
        EXPECT_EQ(r.bottom - r.top, 52) << pad;
    }
    // The hidden buttons exist; the default one is IDOK.
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(dlg.m_hWnd, IDOK)));
    EXPECT_FALSE(::IsWindowVisible(::GetDlgItem(dlg.m_hWnd, IDCANCEL)));
    EXPECT_EQ(LOWORD(dlg.SendMessage(DM_GETDEFID)), IDOK);

    Pump();
    // The face colour, the pad's picture (its grid line at column 16 is black, the background
    // light grey) and the frame's sunken edge and black line.
    EXPECT_EQ(m_host->Pixel(dlg.m_hWnd, 5, 5), 0xC0C0C0u);
    EXPECT_EQ(m_host->Pixel(dlg.m_hWnd, 11 + 2 + 16, 7 + 2 + 3), 0x000000u);
    EXPECT_EQ(m_host->Pixel(dlg.m_hWnd, 11 + 2 + 3, 7 + 2 + 3), 0xC0C0C0u);
    EXPECT_EQ(m_host->Pixel(dlg.m_hWnd, 11, 7), 0x808080u);
    EXPECT_EQ(m_host->Pixel(dlg.m_hWnd, 74, 7), 0x808080u);
    EXPECT_EQ(m_host->Pixel(dlg.m_hWnd, 75, 8), 0x000000u);
    EXPECT_EQ(m_host->Pixel(dlg.m_hWnd, 430, 183), 0xFFFFFFu);
    dlg.EndDialog(IDOK);
    EXPECT_EQ(dlg.FinishModal(), IDOK);
}

TEST_F(DialogTest, CreationOrderAndDataExchange) {
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.StartModal());
    // WM_CREATE reaches the object before the controls exist, a size arrives during creation,
    // and OnInitDialog binds the controls through the data exchange.
    ASSERT_GE(dlg.m_calls.size(), 4u);
    EXPECT_EQ(dlg.m_calls[0], "OnCreate");
    EXPECT_EQ(dlg.m_calls[1], "OnSize");
    EXPECT_EQ(dlg.m_calls[2], "OnInitDialog");
    EXPECT_EQ(dlg.m_calls[3], "DoDataExchange");
    EXPECT_EQ(dlg.m_pad1.m_hWnd, ::GetDlgItem(dlg.m_hWnd, IDC_PAD1));
    EXPECT_EQ(CWnd::FromHandlePermanent(dlg.m_pad1.m_hWnd), &dlg.m_pad1);
    EXPECT_EQ(dlg.GetDlgItem(IDC_VIEW_FRAME), &dlg.m_viewFrame);
    // A second exchange leaves the bound members alone.
    EXPECT_TRUE(dlg.UpdateData(FALSE));
    EXPECT_TRUE(m_host->IsShown(dlg.m_hWnd));
    EXPECT_EQ(m_host->Kind(dlg.m_hWnd), DvHostNormal);

    dlg.EndDialog(IDCANCEL);
    EXPECT_EQ(dlg.FinishModal(), IDCANCEL);
    EXPECT_EQ(dlg.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_pad1.m_hWnd, nullptr);
    EXPECT_EQ(dlg.m_calls.back(), "OnDestroy");

    // A dialog whose OnCreate refuses does not come up.
    CProbeDlg refused;
    refused.m_nCreateResult = -1;
    EXPECT_EQ(refused.DoModal(), -1);
    EXPECT_EQ(refused.m_hWnd, nullptr);
}

TEST_F(DialogTest, EnterEscapeAndClosingEndTheDialog) {
    struct Case {
        const char* name;
        UINT key;
        bool close;
        int result;
        const char* handler;
    };
    const Case cases[] = {{"enter", VK_RETURN, false, IDOK, "OnOK"},
                          {"escape", VK_ESCAPE, false, IDCANCEL, "OnCancel"},
                          {"close", 0, true, IDCANCEL, "OnCancel"}};
    for (const Case& c : cases) {
        CProbeDlg dlg;
        ASSERT_TRUE(dlg.StartModal()) << c.name;
        Pump();
        if (c.close) {
            m_host->Close(dlg.m_hWnd);
        } else {
            m_host->Key(dlg.m_hWnd, c.key);
        }
        Pump();
        EXPECT_FALSE(dlg.ContinueModal()) << c.name;
        EXPECT_NE(std::find(dlg.m_calls.begin(), dlg.m_calls.end(), c.handler), dlg.m_calls.end())
            << c.name;
        EXPECT_EQ(dlg.FinishModal(), c.result) << c.name;
        if (c.close) {
            ASSERT_FALSE(dlg.m_sysCommands.empty());
            EXPECT_EQ(dlg.m_sysCommands.front(), static_cast<UINT>(SC_CLOSE));
        }
    }
}

TEST_F(DialogTest, ClicksOnPadsReachTheDialogAndTimersTick) {
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.StartModal());
    Pump();
    m_host->Click(dlg.m_hWnd, 11 + 51, 7 + 51); // the pad's bottom-right pixel
    m_host->Click(dlg.m_hWnd, 100, 100);        // inside the frame
    Pump();
    ASSERT_EQ(dlg.m_presses.size(), 2u);
    EXPECT_EQ(dlg.m_presses[0], CPoint(62, 58));
    EXPECT_EQ(dlg.m_presses[1], CPoint(100, 100));

    m_host->Advance(50);
    Pump();
    m_host->Advance(175);
    Pump();
    EXPECT_EQ(dlg.m_timers, (std::vector<UINT>{IDT_FLYTHROUGH, IDT_FLYTHROUGH}));
    const HWND hWnd = dlg.m_hWnd;
    dlg.EndDialog(IDOK);
    dlg.FinishModal();
    // The timer ended with the window.
    m_host->Advance(500);
    Pump();
    EXPECT_EQ(dlg.m_timers.size(), 2u);
    EXPECT_FALSE(::IsWindow(hWnd));
}

TEST_F(DialogTest, SizeMessagesFollowTheHost) {
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.StartModal());
    Pump();
    dlg.m_sizes.clear();
    m_host->Resize(dlg.m_hWnd, 600, 400);
    Pump();
    ASSERT_EQ(dlg.m_sizes.size(), 1u);
    EXPECT_EQ(dlg.m_sizes[0], CSize(600, 400));

    dlg.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE);
    EXPECT_TRUE(dlg.IsIconic());
    EXPECT_TRUE(m_host->IsMinimised(dlg.m_hWnd));
    ASSERT_EQ(dlg.m_sizes.size(), 2u);
    EXPECT_EQ(dlg.m_sizes[1], CSize(-1, 0)); // SIZE_MINIMIZED, 0 x 0
    RECT client;
    dlg.GetClientRect(&client);
    EXPECT_TRUE(::IsRectEmpty(&client));

    dlg.SendMessage(WM_SYSCOMMAND, SC_RESTORE);
    EXPECT_FALSE(dlg.IsIconic());
    ASSERT_EQ(dlg.m_sizes.size(), 3u);
    EXPECT_EQ(dlg.m_sizes[2], CSize(600, 400));

    m_host->Maximise(dlg.m_hWnd);
    Pump();
    EXPECT_TRUE(dlg.IsZoomed());
    EXPECT_EQ(dlg.m_sizes.back(), CSize(CHeadlessHost::kScreenWidth, CHeadlessHost::kScreenHeight));
    EXPECT_EQ(m_host->ScreenWidth(dlg.m_hWnd), CHeadlessHost::kScreenWidth);
    m_host->Restore(dlg.m_hWnd);
    Pump();
    EXPECT_FALSE(dlg.IsZoomed());
    EXPECT_EQ(dlg.m_sizes.back(), CSize(600, 400));
    dlg.EndDialog(IDOK);
    dlg.FinishModal();
}

// The About box, run modally from inside the main dialog while a test drives it.
class CAboutProbe : public CDialog {
public:
    CAboutProbe() : CDialog(IDD_ABOUTBOX) {}
};

TEST_F(DialogTest, AModalDialogDisablesItsOwnerUntilItEnds) {
    CProbeDlg main;
    m_app.m_pMainWnd = &main;
    ASSERT_TRUE(main.StartModal());
    Pump();
    HWND about = nullptr;
    bool ownerDisabled = false;
    int steps = 0;
    m_host->SetIdleHandler([&]() -> BOOL {
        ++steps;
        about = ::GetActiveWindow();
        ownerDisabled = !::IsWindowEnabled(main.m_hWnd);
        if (steps == 1) {
            // Clicks on the disabled owner go nowhere.
            m_host->Click(main.m_hWnd, 100, 100);
            return TRUE;
        }
        m_host->Key(about, VK_RETURN);
        return TRUE;
    });
    CAboutProbe box;
    EXPECT_EQ(box.DoModal(), IDOK);
    EXPECT_TRUE(ownerDisabled);
    ASSERT_NE(about, nullptr);
    EXPECT_NE(about, main.m_hWnd);
    EXPECT_TRUE(main.m_presses.empty());
    EXPECT_TRUE(::IsWindowEnabled(main.m_hWnd));
    EXPECT_FALSE(::IsWindow(about));

    m_host->SetIdleHandler(nullptr);
    main.EndDialog(IDOK);
    main.FinishModal();
    m_app.m_pMainWnd = nullptr;
}

TEST_F(DialogTest, TheAboutBoxHoldsItsTemplate) {
    CAboutProbe box;
    ASSERT_TRUE(box.StartModal());
    RECT client;
    box.GetClientRect(&client);
    EXPECT_EQ(client.right, MulDiv(217, 6, 4));
    EXPECT_EQ(client.bottom, MulDiv(55, 13, 8));
    HWND ok = ::GetDlgItem(box.m_hWnd, IDOK);
    ASSERT_NE(ok, nullptr);
    char text[64];
    ::GetWindowText(ok, text, sizeof text);
    EXPECT_STREQ(text, "OK");
    // The statics all have the identifier -1; the first is the 32 x 32 icon.
    HWND icon = ::GetDlgItem(box.m_hWnd, -1);
    ASSERT_NE(icon, nullptr);
    RECT r;
    ::GetWindowRect(icon, &r);
    EXPECT_EQ(r.right - r.left, GetSystemMetrics(SM_CXICON));
    EXPECT_EQ(r.bottom - r.top, GetSystemMetrics(SM_CYICON));
    EXPECT_NE(::SendMessage(icon, STM_GETICON, 0, 0), 0);
    // A click on the button is its command.
    Pump();
    m_host->Click(ok, 5, 5);
    Pump();
    EXPECT_FALSE(box.ContinueModal());
    EXPECT_EQ(box.FinishModal(), IDOK);
}

TEST_F(DialogTest, TheSystemMenuOpensFromInsideTheWindow) {
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.StartModal());
    CMenu* menu = dlg.GetSystemMenu(FALSE);
    ASSERT_NE(menu, nullptr);
    CString about;
    ASSERT_TRUE(about.LoadString(IDS_ABOUTBOX));
    EXPECT_TRUE(about == "&About Dorvane...");
    const UINT standard = menu->GetMenuItemCount();
    EXPECT_TRUE(menu->AppendMenu(MF_SEPARATOR));
    EXPECT_TRUE(menu->AppendMenu(MF_STRING, IDM_ABOUTBOX, about));
    EXPECT_EQ(menu->GetMenuItemCount(), standard + 2);
    EXPECT_EQ(menu->GetMenuItemID(static_cast<int>(standard + 1)), UINT(IDM_ABOUTBOX));
    EXPECT_EQ(dlg.GetSystemMenu(FALSE)->m_hMenu, menu->m_hMenu);
    Pump();

    // Alt+Space opens it; Up from nothing highlights the last item and Enter chooses it.
    m_host->Key(dlg.m_hWnd, VK_SPACE, DV_MOD_ALT);
    Pump();
    HWND popup = DvOpenMenuWindow();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(m_host->Kind(popup), DvHostPopup);
    m_host->Key(dlg.m_hWnd, VK_UP);
    m_host->Key(dlg.m_hWnd, VK_RETURN);
    Pump();
    EXPECT_EQ(DvOpenMenuWindow(), nullptr);
    ASSERT_FALSE(dlg.m_sysCommands.empty());
    EXPECT_EQ(dlg.m_sysCommands.back(), UINT(IDM_ABOUTBOX));

    // A right-click on the dialog's own area opens it at the pointer; a click on an item
    // chooses it, a press outside closes it.
    m_host->Click(dlg.m_hWnd, 30, 190, 3);
    Pump();
    popup = DvOpenMenuWindow();
    ASSERT_NE(popup, nullptr);
    RECT popupRect;
    ::GetWindowRect(popup, &popupRect);
    POINT corner = {30, 190};
    dlg.ClientToScreen(&corner);
    EXPECT_EQ(popupRect.left, corner.x);
    EXPECT_EQ(popupRect.top, corner.y);
    m_host->Click(dlg.m_hWnd, 300, 20);
    Pump();
    EXPECT_EQ(DvOpenMenuWindow(), nullptr);
    EXPECT_TRUE(dlg.m_presses.empty()); // the press that closed the menu went nowhere else

    m_host->Click(dlg.m_hWnd, 30, 30, 3);
    Pump();
    RECT item;
    ASSERT_TRUE(DvMenuItemRect(1, &item)); // Minimize
    m_host->Click(DvOpenMenuWindow(), item.left + 5, item.top + 5);
    Pump();
    EXPECT_EQ(dlg.m_sysCommands.back(), UINT(SC_MINIMIZE));
    EXPECT_TRUE(dlg.IsIconic());
    dlg.EndDialog(IDOK);
    dlg.FinishModal();
}

TEST_F(DialogTest, OnAHostWithoutWindowStatesTheSystemMenuGreysThem) {
    m_host->SetWindowStates(FALSE);
    CProbeDlg dlg;
    ASSERT_TRUE(dlg.StartModal());
    Pump();
    // Restore, Minimize and Maximize cannot be chosen: a click leaves the menu open, and Up from
    // nothing skips them to land on Close.
    m_host->Click(dlg.m_hWnd, 30, 30, 3);
    Pump();
    for (int pos = 0; pos < 3; ++pos) {
        RECT item;
        ASSERT_TRUE(DvMenuItemRect(pos, &item));
        m_host->Click(DvOpenMenuWindow(), item.left + 5, item.top + 5);
        Pump();
        ASSERT_NE(DvOpenMenuWindow(), nullptr) << "item " << pos;
    }
    EXPECT_TRUE(dlg.m_sysCommands.empty());
    m_host->Key(dlg.m_hWnd, VK_DOWN);
    m_host->Key(dlg.m_hWnd, VK_RETURN);
    Pump();
    EXPECT_EQ(DvOpenMenuWindow(), nullptr);
    ASSERT_FALSE(dlg.m_sysCommands.empty());
    EXPECT_EQ(dlg.m_sysCommands.back(), UINT(SC_CLOSE));
    EXPECT_FALSE(dlg.IsIconic());
    dlg.EndDialog(IDOK);
    dlg.FinishModal();
}

TEST_F(DialogTest, MessageBoxesAndSockets) {
    m_host->SetIdleHandler([&]() -> BOOL {
        HWND box = ::GetActiveWindow();
        m_host->Key(box, VK_ESCAPE);
        return TRUE;
    });
    EXPECT_EQ(AfxMessageBox(IDP_SOCKETS_INIT_FAILED), IDOK);
    EXPECT_EQ(::MessageBox(nullptr, "Go on?", "Dorvane", MB_OKCANCEL), IDCANCEL);
    // With nothing to answer it, a box ends as if closed.
    m_host->SetIdleHandler(nullptr);
    EXPECT_EQ(::MessageBox(nullptr, "Text", nullptr, MB_OK), IDOK);

    EXPECT_TRUE(AfxSocketInit());
    DvFailSocketInit(TRUE);
    EXPECT_FALSE(AfxSocketInit());
    DvFailSocketInit(FALSE);
    char text[64];
    EXPECT_EQ(::LoadString(nullptr, IDP_SOCKETS_INIT_FAILED, text, sizeof text), 38);
    EXPECT_STREQ(text, "Windows sockets initialization failed.");
    EXPECT_EQ(::LoadString(nullptr, IDS_ABOUTBOX, text, 7), 6);
    EXPECT_STREQ(text, "&About");
    EXPECT_EQ(::LoadString(nullptr, 999, text, sizeof text), 0);
    EXPECT_STREQ(text, "");
}

} // namespace
