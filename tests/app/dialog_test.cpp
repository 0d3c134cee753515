// The main dialog from start to end on the headless host: the first frame, the layout, the
// minimised icon, the About box and the ways the dialog ends.
#include "DialogHarness.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

#include "res/resource.h"

using namespace dorvane_test;

namespace {

// The view's pixels on the dialog's screen against the back buffer's indices, through the back
// buffer's colour table.
::testing::AssertionResult ScreenShows(CHeadlessHost* host, CTerrainDlg& dlg, const CDIB& dib) {
    const CRect view = RectInParent(dlg, dlg.m_view);
    const RGBQUAD* colours = dib.m_pBMI->bmiColors;
    for (int r = 0; r < dib.Height(); ++r) {
        const BYTE* row = dib.Bits() + static_cast<size_t>(dib.Height() - 1 - r) * dib.Stride();
        for (int c = 0; c < dib.Width(); ++c) {
            const DWORD want = Rgb(colours[row[c]]);
            const DWORD got = host->Pixel(dlg.m_hWnd, view.left + c, view.top + r) & 0xFFFFFF;
            if (want != got) {
                return ::testing::AssertionFailure() << "view pixel " << c << "," << r << " shows "
                                                     << std::hex << got << " for " << want;
            }
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace

TEST_F(DialogTest, FirstFrameIsTheRenderersFrameOfTheFirstMap) {
    ASSERT_NE(g_pPalette, nullptr) << "pelds.pal beside the test";
    CTerrainView& view = m_dlg->m_view;
    ASSERT_NE(view.m_pBackBuffer, nullptr);
    CRect client;
    view.GetClientRect(&client);
    const CDIB& shown = *view.m_pBackBuffer;
    ASSERT_EQ(shown.Width(), client.Width());
    ASSERT_EQ(shown.Height(), client.Height());

    ReferenceFrame reference(client.Width(), client.Height());
    const CDIB& expected = reference.Draw();
    EXPECT_TRUE(SameIndices(shown, expected));
    EXPECT_TRUE(ScreenShows(m_host, *m_dlg, expected));
    // The view shows the palette file's colours.
    PALETTEENTRY entry;
    ASSERT_EQ(g_pPalette->GetPaletteEntries(178, 1, &entry), 1u);
    EXPECT_EQ(Rgb(shown.m_pBMI->bmiColors[178]),
              (DWORD(entry.peRed) << 16) | (DWORD(entry.peGreen) << 8) | entry.peBlue);

    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane");
    EXPECT_TRUE(m_host->IsShown(m_hWnd));
    int w = 0, h = 0;
    EXPECT_FALSE(m_host->Icon(m_hWnd, &w, &h).empty());
}

TEST_F(DialogTest, FrameAndViewFollowResizesWhilePadsStay) {
    CRect pads[3];
    for (int p = 0; p < 3; ++p) {
        pads[p] = PadRect(p);
        EXPECT_EQ(pads[p].Width(), 52);
        EXPECT_EQ(pads[p].Height(), 52);
    }
    const CRect frame0 = RectInParent(*m_dlg, m_dlg->m_viewFrame);
    // Until the first resize the view lies 2 pixels inside the template's frame.
    CRect inside = frame0;
    inside.DeflateRect(2, 2);
    EXPECT_EQ(RectInParent(*m_dlg, m_dlg->m_view), inside);

    const int sizes[][2] = {{900, 600}, {640, 300}, {1200, 900}, {400, 200}};
    for (const auto& size : sizes) {
        m_host->Resize(m_hWnd, size[0], size[1]);
        Pump();
        SCOPED_TRACE(testing::Message() << size[0] << "x" << size[1]);
        CRect client;
        m_dlg->GetClientRect(&client);
        ASSERT_EQ(client.Width(), size[0]);
        ASSERT_EQ(client.Height(), size[1]);

        const CRect frame = RectInParent(*m_dlg, m_dlg->m_viewFrame);
        EXPECT_EQ(frame.left, frame0.left);
        EXPECT_EQ(frame.top, frame0.top);
        EXPECT_EQ(frame.right, size[0] - 8);
        EXPECT_EQ(frame.bottom, size[1] - 8);

        CRect view = frame;
        view.DeflateRect(2, 2);
        EXPECT_EQ(RectInParent(*m_dlg, m_dlg->m_view), view);
        CRect viewClient;
        m_dlg->m_view.GetClientRect(&viewClient);
        ASSERT_NE(m_dlg->m_view.m_pBackBuffer, nullptr);
        EXPECT_EQ(m_dlg->m_view.m_pBackBuffer->Width(), viewClient.Width());
        EXPECT_EQ(m_dlg->m_view.m_pBackBuffer->Height(), viewClient.Height());

        for (int p = 0; p < 3; ++p) {
            EXPECT_EQ(PadRect(p), pads[p]);
        }
        // The frame after a resize is rendered at once, for the new size.
        ReferenceFrame reference(viewClient.Width(), viewClient.Height());
        EXPECT_TRUE(ScreenShows(m_host, *m_dlg, reference.Draw()));
    }

    // Smaller than the frame's corner plus the margin: nothing breaks, the pads stay.
    m_host->Resize(m_hWnd, 40, 20);
    Pump();
    for (int p = 0; p < 3; ++p) {
        EXPECT_EQ(PadRect(p), pads[p]);
    }
    m_host->Resize(m_hWnd, 700, 400);
    Pump();
    EXPECT_EQ(RectInParent(*m_dlg, m_dlg->m_viewFrame).right, 700 - 8);
    ASSERT_NE(m_dlg->m_view.m_pBackBuffer, nullptr);
    EXPECT_EQ(m_dlg->m_view.m_pBackBuffer->Width(), 700 - 8 - 4 - frame0.left);
}

TEST_F(DialogTest, MinimisedShowsTheIconCentredAndRestoreKeepsTheLayout) {
    const CRect frame = RectInParent(*m_dlg, m_dlg->m_viewFrame);
    const CRect view = RectInParent(*m_dlg, m_dlg->m_view);
    m_host->Minimise(m_hWnd);
    Pump();
    EXPECT_TRUE(m_dlg->IsIconic());
    EXPECT_TRUE(m_host->IsMinimised(m_hWnd));
    // The 0 x 0 size of minimising leaves the layout alone.
    EXPECT_EQ(RectInParent(*m_dlg, m_dlg->m_viewFrame), frame);
    EXPECT_EQ(RectInParent(*m_dlg, m_dlg->m_view), view);
    EXPECT_EQ(reinterpret_cast<HICON>(m_dlg->SendMessage(WM_QUERYDRAGICON)), m_dlg->m_hIcon);

    // A minimised window has no client area here: the centred icon is drawn, clipped, to nothing,
    // and painting it draws nothing anywhere.
    CRect client;
    m_dlg->GetClientRect(&client);
    EXPECT_TRUE(client.IsRectEmpty());
    m_dlg->Invalidate();
    m_dlg->SendMessage(WM_PAINT);
    Pump();
    EXPECT_TRUE(m_dlg->IsIconic());

    m_host->Restore(m_hWnd);
    Pump();
    EXPECT_FALSE(m_dlg->IsIconic());
    EXPECT_TRUE(m_host->IsShown(m_hWnd));
    EXPECT_EQ(RectInParent(*m_dlg, m_dlg->m_viewFrame).left, frame.left);
    CRect restored;
    m_dlg->GetClientRect(&restored);
    EXPECT_EQ(RectInParent(*m_dlg, m_dlg->m_viewFrame).right, restored.right - 8);
    EXPECT_TRUE(ShowsFirstMapFrame());
}

namespace {

// The About box while it runs: its caption and texts, found among the top-level windows.
struct AboutSeen {
    int times = 0;
    std::string caption;
    std::vector<std::string> texts;
    bool ownerDisabled = false;
};

HWND FindTopLevel(const char* caption) {
    for (HWND h : DvTopLevelWindows()) {
        char text[128] = {};
        GetWindowText(h, text, sizeof text);
        if (std::string(text) == caption && IsWindowVisible(h)) {
            return h;
        }
    }
    return nullptr;
}

// An idle handler that, once the About box is up, notes what it shows and presses its OK button
// with Enter.
std::function<BOOL()> CloseAboutWhenShown(CHeadlessHost* host, HWND owner, AboutSeen* seen) {
    return [host, owner, seen]() -> BOOL {
        HWND about = FindTopLevel("About Dorvane");
        if (!about) {
            return FALSE;
        }
        ++seen->times;
        seen->caption = "About Dorvane";
        seen->ownerDisabled = !IsWindowEnabled(owner);
        if (DvWindow* w = DvLookupWindow(about)) {
            for (HWND child : w->children) {
                char text[256] = {};
                GetWindowText(child, text, sizeof text);
                seen->texts.push_back(text);
            }
        }
        host->Key(about, VK_RETURN);
        return TRUE;
    };
}

bool Contains(const std::vector<std::string>& texts, const std::string& what) {
    for (const std::string& t : texts) {
        if (t.find(what) != std::string::npos) {
            return true;
        }
    }
    return false;
}

} // namespace

TEST_F(DialogTest, AboutBoxFromTheSystemCommandAndTheSystemMenu) {
    AboutSeen seen;
    m_host->SetIdleHandler(CloseAboutWhenShown(m_host, m_hWnd, &seen));
    // Any command whose identifier masked with 0xFFF0 is 0x10.
    m_dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_EQ(seen.times, 1);
    EXPECT_TRUE(seen.ownerDisabled);
    EXPECT_TRUE(Contains(seen.texts, "Dorvane Version 1.0"));
    EXPECT_TRUE(Contains(seen.texts, "All rights reserved."));
    EXPECT_TRUE(Contains(seen.texts, "OK"));
    EXPECT_EQ(FindTopLevel("About Dorvane"), nullptr);
    EXPECT_TRUE(Running());
    EXPECT_TRUE(m_dlg->IsWindowEnabled());

    m_dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX | 0x7, 0);
    EXPECT_EQ(seen.times, 2);

    // The system menu ends with a separator and the About item.
    HMENU menu = GetSystemMenu(m_hWnd, FALSE);
    ASSERT_NE(menu, nullptr);
    const int count = GetMenuItemCount(menu);
    ASSERT_GE(count, 2);
    EXPECT_EQ(GetMenuItemID(menu, count - 1), UINT(IDM_ABOUTBOX));
    char text[64] = {};
    GetMenuString(menu, count - 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "&About Dorvane...");

    // Opened from inside the window with Alt+Space, its last item chosen with the keys.
    m_host->Key(m_hWnd, VK_SPACE, DV_MOD_ALT);
    Pump();
    ASSERT_NE(DvOpenMenuWindow(), nullptr);
    m_host->Key(DvOpenMenuWindow(), VK_UP);
    m_host->Key(DvOpenMenuWindow(), VK_RETURN);
    Pump();
    EXPECT_EQ(seen.times, 3);
    EXPECT_EQ(DvOpenMenuWindow(), nullptr);
    EXPECT_TRUE(Running());

    // Other system commands take their usual course.
    m_dlg->SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
    Pump();
    EXPECT_TRUE(m_dlg->IsIconic());
    EXPECT_EQ(seen.times, 3);
}

// The window manager takes Alt+Space, so the system menu also opens from a right-click over
// any part of the window, the view included, from Shift+F10 and from the menu key. Escape
// closes the menu and leaves the dialog running.
TEST_F(DialogTest, SystemMenuOpensFromARightClickOverTheViewAndTheContextMenuKeys) {
    const CRect view = RectInParent(*m_dlg, m_dlg->m_view);
    ASSERT_FALSE(view.IsRectEmpty());
    const auto openedAndClosed = [&](const char* way) {
        SCOPED_TRACE(way);
        Pump();
        ASSERT_NE(DvOpenMenuWindow(), nullptr);
        m_host->Key(DvOpenMenuWindow(), VK_ESCAPE);
        Pump();
        EXPECT_EQ(DvOpenMenuWindow(), nullptr);
        EXPECT_TRUE(Running());
    };
    m_host->Click(m_hWnd, view.CenterPoint().x, view.CenterPoint().y, 3);
    openedAndClosed("right-click over the view");
    m_host->Key(m_hWnd, VK_F10, DV_MOD_SHIFT);
    openedAndClosed("Shift+F10");
    m_host->Key(m_hWnd, VK_APPS);
    openedAndClosed("menu key");
    // F10 alone and a left click over the view open nothing.
    m_host->Key(m_hWnd, VK_F10);
    m_host->Click(m_hWnd, view.CenterPoint().x, view.CenterPoint().y);
    Pump();
    EXPECT_EQ(DvOpenMenuWindow(), nullptr);
    EXPECT_TRUE(Running());
}

namespace {

// Every pixel that the host shows of a top-level window.
std::vector<DWORD> Shown(CHeadlessHost* host, HWND top) {
    std::vector<DWORD> pixels;
    for (int y = 0; y < host->ScreenHeight(top); ++y) {
        for (int x = 0; x < host->ScreenWidth(top); ++x) {
            pixels.push_back(host->Pixel(top, x, y));
        }
    }
    return pixels;
}

// Turns the host's lending on for a test and off again however the test ends.
struct Lending {
    explicit Lending(CHeadlessHost* host) : m_host(host) { m_host->SetLending(true); }
    ~Lending() { m_host->SetLending(false); }
    CHeadlessHost* m_host;
};

} // namespace

TEST_F(DialogTest, ScreensInLentMemoryShowWhatScreensOfOurOwnShow) {
    struct Seen {
        std::vector<DWORD> dialog, about, after;
        bool lent = false;
    };
    // A resize, then another to the final size, so that a lent screen is painted from scratch;
    // then the About box over the dialog, and the dialog once it has gone.
    const auto run = [this](Seen* seen) {
        m_host->Resize(m_hWnd, 650, 450);
        Pump();
        m_host->Resize(m_hWnd, 700, 500);
        Pump();
        m_host->SetIdleHandler([this, seen]() -> BOOL {
            HWND about = FindTopLevel("About Dorvane");
            if (!about) {
                return FALSE;
            }
            seen->about = Shown(m_host, about);
            seen->dialog = Shown(m_host, m_hWnd);
            seen->lent = m_host->IsLent(about) && m_host->IsLent(m_hWnd);
            m_host->Key(about, VK_RETURN);
            return TRUE;
        });
        m_dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
        m_host->SetIdleHandler(nullptr);
        Pump();
        seen->after = Shown(m_host, m_hWnd);
    };
    Seen own;
    run(&own);
    ASSERT_FALSE(own.about.empty());
    EXPECT_FALSE(own.lent);

    Lending lending(m_host);
    Seen lent;
    run(&lent);
    EXPECT_TRUE(lent.lent);
    EXPECT_TRUE(m_host->IsLent(m_hWnd));
    EXPECT_EQ(lent.dialog.size(), 700u * 500u);
    EXPECT_TRUE(lent.dialog == own.dialog);
    EXPECT_TRUE(lent.about == own.about);
    EXPECT_TRUE(lent.after == own.after);
    // The About box's memory went back with it, and nothing drew into it afterwards.
    EXPECT_TRUE(m_host->RetiredUntouched());
}

TEST_F(DialogTest, EnterEndsTheDialog) {
    m_host->Key(m_hWnd, VK_RETURN);
    Pump();
    EXPECT_FALSE(Running());
    EXPECT_EQ(m_dlg->FinishModal(), IDOK);
    EXPECT_EQ(m_dlg->GetSafeHwnd(), nullptr);
    // The view went with the dialog's window and released its surfaces.
    EXPECT_EQ(m_dlg->m_view.GetSafeHwnd(), nullptr);
    EXPECT_EQ(m_dlg->m_view.m_pBackBuffer, nullptr);
    for (CDIB* texture : m_dlg->m_view.m_pTextures) {
        EXPECT_EQ(texture, nullptr);
    }
}

TEST_F(DialogTest, EscapeEndsTheDialog) {
    m_host->Key(m_hWnd, VK_ESCAPE);
    Pump();
    EXPECT_FALSE(Running());
    EXPECT_EQ(m_dlg->FinishModal(), IDCANCEL);
}

TEST_F(DialogTest, ClosingTheWindowEndsTheDialog) {
    m_host->Close(m_hWnd);
    Pump();
    EXPECT_FALSE(Running());
    EXPECT_EQ(m_dlg->FinishModal(), IDCANCEL);
    // The timer ended with the window: the clock moving on changes nothing.
    m_host->Advance(1000);
    Pump();
}

// Without the palette file the program still runs and shows a view a user can see. The palette
// is read once per process, so this runs a copy of the test program from a folder without it.
TEST(DialogWithoutPalette, RunsAndShowsAVisibleView) {
    if (std::getenv("DORVANE_NO_PALETTE_CHILD")) {
        ResetProgramState();
        CHeadlessHost* host = Host();
        auto dlg = std::make_unique<CTerrainDlg>();
        ASSERT_TRUE(dlg->StartModal());
        Pump();
        EXPECT_EQ(g_pPalette, nullptr);
        CDIB* back = dlg->m_view.m_pBackBuffer;
        ASSERT_NE(back, nullptr);
        ReferenceFrame reference(back->Width(), back->Height());
        EXPECT_TRUE(SameIndices(*back, reference.Draw()));
        // Sky and ground are told apart on the screen, and the view is not all black.
        const CRect view = RectInParent(*dlg, dlg->m_view);
        const DWORD sky = host->Pixel(dlg->m_hWnd, view.left + 5, view.top + 5) & 0xFFFFFF;
        EXPECT_NE(sky, 0u);
        EXPECT_EQ(sky, Rgb(back->m_pBMI->bmiColors[178]));
        int distinct = 0;
        DWORD last = 0xFFFFFFFF;
        for (int y = view.top; y < view.bottom; y += 7) {
            const DWORD p = host->Pixel(dlg->m_hWnd, view.left + view.Width() / 2, y);
            distinct += p != last;
            last = p;
        }
        EXPECT_GT(distinct, 3);
        dlg->EndDialog(IDCANCEL);
        Pump();
        dlg->FinishModal();
        return;
    }
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    char dir[] = "/tmp/dorvane-nopal-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string copy = std::string(dir) + "/test-app";
    const std::string command = "cp '" + std::string(self) + "' '" + copy +
                                "' && DORVANE_NO_PALETTE_CHILD=1 '" + copy +
                                "' --gtest_filter=DialogWithoutPalette.* > '" + dir + "/log' 2>&1";
    const int status = std::system(command.c_str());
    std::ifstream log(std::string(dir) + "/log");
    const std::string output((std::istreambuf_iterator<char>(log)),
                             std::istreambuf_iterator<char>());
    EXPECT_EQ(status, 0) << output;
    std::remove((std::string(dir) + "/log").c_str());
    std::remove(copy.c_str());
    rmdir(dir);
}

TEST_F(DialogTest, RealizingThePaletteNeedsAContextOfTheWindow) {
    EXPECT_EQ(m_dlg->RealizePalette(m_dlg.get()), 1);
    EXPECT_EQ(m_dlg->RealizePalette(&m_dlg->m_view), 1);
    // A window that is gone has no context; nothing is selected or released then.
    CWnd gone;
    ASSERT_TRUE(gone.CreateEx(0, nullptr, "gone", WS_CHILD, 0, 0, 10, 10, m_hWnd, nullptr));
    const HWND stale = gone.GetSafeHwnd();
    gone.DestroyWindow();
    gone.m_hWnd = stale;
    EXPECT_EQ(m_dlg->RealizePalette(&gone), 0);
    gone.m_hWnd = nullptr;
    EXPECT_EQ(m_dlg->RealizePalette(nullptr), 0);
}
