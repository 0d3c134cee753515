// Beside the pads: the keys of the accelerator table, the wheel over the view, the tooltips on
// the cells and full screen, each on the real dialog and the headless host.
#include "DialogHarness.h"

#include <cstring>

using namespace dorvane_test;

namespace {

// Everything a command may change, and the frame it ends with.
struct Outcome {
    DialogState state;
    std::vector<HeightCell> cells;
    std::vector<BYTE> frame;
    bool operator==(const Outcome&) const = default;
};

Outcome Take(CTerrainDlg& dlg) {
    Outcome o{Snapshot(dlg), Cells(dlg.m_heightMap), {}};
    if (const CDIB* back = dlg.m_view.m_pBackBuffer) {
        o.frame.assign(back->Bits(),
                       back->Bits() + static_cast<size_t>(back->Stride()) * back->Height());
    }
    return o;
}

struct KeyCase {
    UINT vk;
    UINT modifiers;
    int code;
};

// Every key of the table, with the pad command it runs.
const KeyCase kKeys[] = {
    {VK_UP, 0, 1},    {VK_DOWN, 0, 7},      {VK_LEFT, 0, 3},     {VK_RIGHT, 0, 5},
    {VK_PRIOR, 0, 2}, {VK_NEXT, 0, 0},      {VK_OEM_PLUS, 0, 8}, {VK_OEM_PLUS, DV_MOD_SHIFT, 8},
    {VK_ADD, 0, 8},   {VK_OEM_MINUS, 0, 6}, {VK_SUBTRACT, 0, 6}, {VK_SPACE, 0, 4},
    {'Q', 0, 103},    {'E', 0, 105},        {VK_HOME, 0, 101},   {VK_END, 0, 107},
    {'S', 0, 100},    {'F', 0, 102},        {'N', 0, 104},       {'T', 0, 106},
    {'C', 0, 108},    {'D', 0, 200},
};

std::string WindowText(HWND hWnd) {
    char text[128] = {};
    GetWindowText(hWnd, text, sizeof text);
    return text;
}

HWND FindAbout() {
    for (HWND h : DvTopLevelWindows()) {
        if (WindowText(h) == "About Dorvane" && IsWindowVisible(h)) {
            return h;
        }
    }
    return nullptr;
}

} // namespace

class KeysTest : public DialogTest {
protected:
    // The program's state as at start, with the map generated afresh from a fixed point of the
    // random sequence, so that a key and a click start from the same everything.
    void StartOver() {
        CCamera& c = Camera();
        c.m_x = 10000;
        c.m_y = 100;
        c.m_altitude = 4000;
        c.SetHeading(0);
        c.m_horizonOffset = 0;
        c.m_scale = 256;
        g_solidColumns = 0;
        g_colourMode = 3;
        g_followTerrain = 0;
        m_dlg->m_heightMap.m_detail = 0;
        m_dlg->m_bFlyThrough = FALSE;
        std::srand(7);
        m_dlg->m_heightMap.Generate(100);
        std::srand(11);
    }

    HWND Tip() { return m_dlg->m_toolTip.GetSafeHwnd(); }
    bool TipShown() { return Tip() != nullptr && IsWindowVisible(Tip()); }
    void MoveTo(CPoint p) {
        m_host->MouseMove(m_hWnd, p.x, p.y);
        Pump();
    }
    static CPoint Offset(CPoint p, int dx, int dy) { return CPoint(p.x + dx, p.y + dy); }
    void Wait(DWORD ms) {
        m_host->Advance(ms);
        Pump();
    }
};

TEST_F(KeysTest, EveryKeyGivesWhatTheClickOnItsCellGives) {
    for (const KeyCase& k : kKeys) {
        SCOPED_TRACE(testing::Message() << "key " << k.vk << " code " << k.code);
        StartOver();
        const Outcome before = Take(*m_dlg);
        m_host->Key(m_hWnd, k.vk, k.modifiers);
        Pump();
        const Outcome keyed = Take(*m_dlg);
        StartOver();
        ClickCode(k.code);
        const Outcome clicked = Take(*m_dlg);
        EXPECT_TRUE(keyed == clicked);
        // Every key changes something; none is a dead entry.
        EXPECT_FALSE(keyed == before);
        EXPECT_EQ(GetCapture(), nullptr);
    }
    EXPECT_TRUE(Running());
}

TEST_F(KeysTest, AutoRepeatRepeatsAndOtherShiftStatesDoNothing) {
    // The keyboard's repeat: key downs without a key up.
    for (int i = 0; i < 5; ++i) {
        m_host->KeyDown(m_hWnd, VK_UP);
    }
    m_host->KeyUp(m_hWnd, VK_UP);
    Pump();
    EXPECT_EQ(Camera().m_y, 100 + 5 * 200);
    EXPECT_TRUE(ShowsFirstMapFrame());

    // Keys with shift states their entries do not name run nothing.
    const Outcome before = Take(*m_dlg);
    m_host->Key(m_hWnd, 'S', DV_MOD_SHIFT);
    m_host->Key(m_hWnd, 'Q', DV_MOD_CTRL);
    m_host->Key(m_hWnd, VK_UP, DV_MOD_CTRL);
    m_host->Key(m_hWnd, 'Z');
    Pump();
    EXPECT_TRUE(Take(*m_dlg) == before);
    EXPECT_TRUE(Running());
}

TEST_F(KeysTest, KeysDoNothingWhileTheAboutBoxIsOpen) {
    int shown = 0;
    m_host->SetIdleHandler([&]() -> BOOL {
        HWND about = FindAbout();
        if (!about) {
            return FALSE;
        }
        if (++shown == 1) {
            // The keys go to the About box, or to the main dialog it has disabled.
            m_host->Key(about, VK_UP);
            m_host->Key(about, 'S');
            m_host->Key(m_hWnd, VK_UP);
            m_host->Key(m_hWnd, VK_F11);
            m_host->Wheel(m_hWnd, 300, 100, WHEEL_DELTA);
            return TRUE;
        }
        m_host->Key(about, VK_RETURN);
        return TRUE;
    });
    const Outcome before = Take(*m_dlg);
    m_dlg->SendMessage(WM_SYSCOMMAND, IDM_ABOUTBOX, 0);
    EXPECT_GE(shown, 2);
    EXPECT_EQ(FindAbout(), nullptr);
    EXPECT_TRUE(Take(*m_dlg) == before);
    EXPECT_FALSE(m_host->IsFullScreen(m_hWnd));
    EXPECT_TRUE(Running());

    // And work again once it has closed.
    m_host->Key(m_hWnd, VK_UP);
    Pump();
    EXPECT_EQ(Camera().m_y, 300);
}

TEST_F(KeysTest, EnterAndEscapeStillEndTheDialogAfterKeys) {
    m_host->Key(m_hWnd, VK_SPACE);
    m_host->Key(m_hWnd, 'S');
    Pump();
    EXPECT_TRUE(m_dlg->m_bFlyThrough);
    m_host->Key(m_hWnd, VK_ESCAPE);
    Pump();
    EXPECT_FALSE(Running());
    EXPECT_EQ(m_dlg->FinishModal(), IDCANCEL);
}

TEST_F(KeysTest, EnterEndsTheDialogInFullScreen) {
    m_host->Key(m_hWnd, VK_F11);
    Pump();
    ASSERT_TRUE(m_host->IsFullScreen(m_hWnd));
    m_host->Key(m_hWnd, VK_RETURN);
    Pump();
    EXPECT_FALSE(Running());
    EXPECT_EQ(m_dlg->FinishModal(), IDOK);
}

TEST_F(KeysTest, OneWheelNotchOverTheViewZoomsOnce) {
    const CRect view = RectInParent(*m_dlg, m_dlg->m_view);
    const CPoint centre = view.CenterPoint();
    m_host->Wheel(m_hWnd, centre.x, centre.y, WHEEL_DELTA);
    Pump();
    EXPECT_EQ(Camera().m_scale, 320); // code 8
    EXPECT_TRUE(ShowsFirstMapFrame());
    m_host->Wheel(m_hWnd, centre.x, centre.y, -WHEEL_DELTA);
    Pump();
    EXPECT_EQ(Camera().m_scale, 256); // code 6
    // Two notches in one event are two commands.
    m_host->Wheel(m_hWnd, centre.x, centre.y, -2 * WHEEL_DELTA);
    Pump();
    EXPECT_EQ(Camera().m_scale, 163); // 256 -> 204 -> 163

    // A fine wheel: parts of a notch add up to one command per whole notch; turning back
    // starts afresh.
    Camera().m_scale = 256;
    for (int i = 0; i < 5; ++i) {
        m_host->Wheel(m_hWnd, centre.x, centre.y, 40);
    }
    Pump();
    EXPECT_EQ(Camera().m_scale, 320); // 200 of 120: one, 80 left
    m_host->Wheel(m_hWnd, centre.x, centre.y, -40);
    m_host->Wheel(m_hWnd, centre.x, centre.y, 40);
    m_host->Wheel(m_hWnd, centre.x, centre.y, 40);
    Pump();
    EXPECT_EQ(Camera().m_scale, 320); // the 80 went with the turn back; 80 again

    // Over the pads or the dialog's face it does nothing.
    const CPoint pad = CellCentre(0, 8);
    m_host->Wheel(m_hWnd, pad.x, pad.y, 4 * WHEEL_DELTA);
    m_host->Wheel(m_hWnd, view.right + 3, view.top, 4 * WHEEL_DELTA);
    Pump();
    EXPECT_EQ(Camera().m_scale, 320);
}

TEST_F(KeysTest, TooltipsNameTheCommandItsKeyAndWhetherItIsOn) {
    ASSERT_NE(Tip(), nullptr);
    // 19 cells have a command; the eight empty cells of pad 3 have no tool.
    EXPECT_EQ(m_dlg->m_toolTip.GetToolCount(), 19);
    const HWND focus = GetFocus();

    // Shown after the pointer has rested half a second on a cell.
    MoveTo(CellCentre(1, 0));
    Wait(450);
    EXPECT_FALSE(TipShown());
    Wait(60);
    ASSERT_TRUE(TipShown());
    EXPECT_EQ(WindowText(Tip()), "Solid columns (S): off");
    EXPECT_EQ(m_host->Kind(Tip()), DvHostTooltip);
    EXPECT_EQ(GetFocus(), focus);
    // Beside the pointer, on the screen.
    CRect tip;
    ::GetWindowRect(Tip(), &tip);
    CPoint pointer = CellCentre(1, 0);
    m_dlg->ClientToScreen(&pointer);
    EXPECT_GT(tip.top, pointer.y);
    EXPECT_LT(tip.top, pointer.y + 40);
    EXPECT_GT(tip.Width(), 40);

    // Moves within the cell keep it; a key takes it away, and it comes back, up to date, once
    // the pointer has rested again.
    MoveTo(Offset(CellCentre(1, 0), 2, 1));
    EXPECT_TRUE(TipShown());
    m_host->Key(m_hWnd, 'S');
    Pump();
    EXPECT_FALSE(TipShown());
    EXPECT_EQ(g_solidColumns, 1);
    MoveTo(CellCentre(1, 0));
    Wait(510);
    ASSERT_TRUE(TipShown());
    EXPECT_EQ(WindowText(Tip()), "Solid columns (S): on");

    // A move to another cell takes it away; that cell's comes after a shorter wait.
    MoveTo(CellCentre(0, 8));
    EXPECT_FALSE(TipShown());
    Wait(510);
    ASSERT_TRUE(TipShown());
    EXPECT_EQ(WindowText(Tip()), "Zoom in (+)");

    // A press takes it away, and it stays away while the pointer stays on that cell.
    Press(CellCentre(0, 8).x, CellCentre(0, 8).y);
    Release(CellCentre(0, 8).x, CellCentre(0, 8).y);
    EXPECT_FALSE(TipShown());
    MoveTo(Offset(CellCentre(0, 8), 1, 0));
    Wait(1000);
    EXPECT_FALSE(TipShown());

    // Off the pads (the view) and on an empty cell there is none.
    const CRect view = RectInParent(*m_dlg, m_dlg->m_view);
    MoveTo(view.CenterPoint());
    Wait(1000);
    EXPECT_FALSE(TipShown());
    MoveTo(CellCentre(2, 4));
    Wait(1000);
    EXPECT_FALSE(TipShown());

    // The other switches, and a command without a switch.
    const struct {
        int code;
        const char* text;
    } more[] = {{4, "Fly-through (Space): off"},
                {106, "Follow terrain (T): off"},
                {200, "Sub-cell detail (D): off"},
                {103, "Turn left (Q)"},
                {0, "Sink (Page Down)"}};
    for (const auto& m : more) {
        MoveTo(CellCentre(m.code / 100, m.code % 100));
        Wait(510);
        EXPECT_TRUE(TipShown()) << m.text;
        EXPECT_EQ(WindowText(Tip()), m.text);
    }
    EXPECT_EQ(GetFocus(), focus);
    EXPECT_TRUE(Running());
}

TEST_F(KeysTest, F11CoversTheScreenAndTheViewFollows) {
    CRect before;
    m_dlg->GetWindowRect(&before);
    const DWORD style = m_dlg->GetStyle();
    m_host->Key(m_hWnd, VK_F11);
    Pump();
    EXPECT_TRUE(m_host->IsFullScreen(m_hWnd));
    CRect full;
    m_dlg->GetWindowRect(&full);
    EXPECT_EQ(full, CRect(0, 0, CHeadlessHost::kScreenWidth, CHeadlessHost::kScreenHeight));
    EXPECT_FALSE(m_dlg->GetStyle() & WS_CAPTION);
    // The view fills the frame, which follows the right and bottom edges, and shows the frame
    // of the first map at its new size.
    const CRect view = RectInParent(*m_dlg, m_dlg->m_view);
    EXPECT_EQ(view.right, CHeadlessHost::kScreenWidth - 8 - 2);
    EXPECT_EQ(view.bottom, CHeadlessHost::kScreenHeight - 8 - 2);
    ASSERT_NE(m_dlg->m_view.m_pBackBuffer, nullptr);
    EXPECT_EQ(m_dlg->m_view.m_pBackBuffer->Width(), view.Width());
    EXPECT_TRUE(ShowsFirstMapFrame());
    // Keys and pads work as before.
    m_host->Key(m_hWnd, VK_PRIOR);
    Pump();
    EXPECT_EQ(Camera().m_altitude, 5000);
    EXPECT_TRUE(ShowsFirstMapFrame());

    m_host->Key(m_hWnd, VK_F11);
    Pump();
    EXPECT_FALSE(m_host->IsFullScreen(m_hWnd));
    CRect after;
    m_dlg->GetWindowRect(&after);
    EXPECT_EQ(after, before);
    EXPECT_EQ(m_dlg->GetStyle(), style);
    EXPECT_TRUE(ShowsFirstMapFrame());
    // What is shown: the dialog's face beside and below the frame again, not the full-screen
    // view that lay there.
    EXPECT_EQ(m_host->ScreenWidth(m_hWnd), before.Width());
    EXPECT_EQ(m_host->Pixel(m_hWnd, before.Width() - 3, 100), 0xC0C0C0u);
    EXPECT_EQ(m_host->Pixel(m_hWnd, 200, before.Height() - 3), 0xC0C0C0u);

    // Escape keeps its meaning in full screen.
    m_host->Key(m_hWnd, VK_F11);
    m_host->Key(m_hWnd, VK_ESCAPE);
    Pump();
    EXPECT_FALSE(Running());
    EXPECT_EQ(m_dlg->FinishModal(), IDCANCEL);
}
