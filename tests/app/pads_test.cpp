// The icon pads, clicked at pixels of the real dialog: the hit test, the press and the release,
// and every command of the three pads.
#include "DialogHarness.h"

#include <cstdio>
#include <fstream>
#include <unistd.h>

using namespace dorvane_test;

TEST_F(DialogTest, EveryPadCellRunsItsCommandOnThePress) {
    const DialogState start = Snapshot(*m_dlg);
    struct Case {
        int code;
        void (*expect)(DialogState&);
    };
    const Case cases[] = {
        {0, [](DialogState& s) { s.altitude = 3200; }},
        {1, [](DialogState& s) { s.y += 200; }},
        {2, [](DialogState& s) { s.altitude = 5000; }},
        {3, [](DialogState& s) { s.x -= 200; }},
        {4, [](DialogState& s) { s.fly = TRUE; }},
        {5, [](DialogState& s) { s.x += 200; }},
        {6, [](DialogState& s) { s.scale = 204; }},
        {7, [](DialogState& s) { s.y = 50; }}, // 100 - 200, held at 50
        {8, [](DialogState& s) { s.scale = 320; }},
        {100, [](DialogState& s) { s.solid = 1; }},
        {101, [](DialogState& s) { s.horizon = 20; }},
        {103, [](DialogState& s) { s.heading = 350; }},
        {105, [](DialogState& s) { s.heading = 10; }},
        {106, [](DialogState& s) { s.follow = 1; }},
        {107, [](DialogState& s) { s.horizon = -20; }},
        {108, [](DialogState& s) { s.mode = 0; }},
        {200, [](DialogState& s) { s.detail = 1; }},
        {201, [](DialogState&) {}},
        {204, [](DialogState&) {}},
        {208, [](DialogState&) {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code);
        // Each case from the start: the changes undone by setting the state back.
        CCamera& cam = Camera();
        cam.m_x = start.x;
        cam.m_y = start.y;
        cam.m_altitude = start.altitude;
        cam.SetHeading(start.heading);
        cam.m_horizonOffset = start.horizon;
        cam.m_scale = start.scale;
        g_solidColumns = start.solid;
        g_colourMode = start.mode;
        g_followTerrain = start.follow;
        m_dlg->m_heightMap.m_detail = start.detail;
        m_dlg->m_bFlyThrough = start.fly;
        const std::vector<HeightCell> map = Cells(m_dlg->m_heightMap);

        const CPoint p = CellCentre(c.code / 100, c.code % 100);
        Press(p.x, p.y);
        DialogState want = start;
        c.expect(want);
        EXPECT_EQ(Snapshot(*m_dlg), want);
        EXPECT_EQ(m_dlg->m_nPressedCommand, c.code);
        EXPECT_EQ(GetCapture(), m_hWnd);
        // Every command renders: the view shows what the caster draws for the new state.
        EXPECT_TRUE(ShowsFirstMapFrame());
        // The release runs nothing more and frees the mouse.
        Release(p.x, p.y);
        EXPECT_EQ(Snapshot(*m_dlg), want);
        EXPECT_EQ(m_dlg->m_nPressedCommand, -1);
        EXPECT_EQ(GetCapture(), nullptr);
        EXPECT_EQ(Cells(m_dlg->m_heightMap), map);
    }
    m_dlg->m_bFlyThrough = FALSE;
}

TEST_F(DialogTest, SmoothingAndRegeneratingWorkOnTheDialogsMap) {
    const std::vector<HeightCell> first = Cells(m_dlg->m_heightMap);
    ASSERT_EQ(first.size(), 512u * 512u);
    HeightCell* cells = m_dlg->m_heightMap.m_cells;

    ClickCode(102);
    const std::vector<HeightCell> smoothed = Cells(m_dlg->m_heightMap);
    EXPECT_NE(smoothed, first);
    CHeightMap reference;
    ASSERT_TRUE(reference.Allocate(512, 512));
    std::copy(first.begin(), first.end(), reference.m_cells);
    reference.Smooth();
    EXPECT_EQ(Cells(reference), smoothed);

    // Regenerated in place: the same cells, a new landscape from the sequence's next numbers.
    ClickCode(104);
    EXPECT_EQ(m_dlg->m_heightMap.m_cells, cells);
    EXPECT_NE(Cells(m_dlg->m_heightMap), first);
}

TEST_F(DialogTest, HitTestFollowsTheArithmeticNotTheDrawnGridLines) {
    for (int pad = 0; pad < 3; ++pad) {
        const CRect r = PadRect(pad);
        ASSERT_EQ(r.Width(), 52);
        CStatic& control = m_dlg.get()->*kPads[pad].member;
        // Columns and rows: pixels 0-16, 17-33, 34-51 of the outer rectangle.
        const int edges[][2] = {{0, 0}, {16, 0}, {17, 1}, {33, 1}, {34, 2}, {51, 2}};
        for (const auto& ex : edges) {
            for (const auto& ey : edges) {
                EXPECT_EQ(m_dlg->HitTestPad(control, r.left + ex[0], r.top + ey[0], 3, 3),
                          3 * ey[1] + ex[1])
                    << "pad " << pad + 1 << " pixel " << ex[0] << "," << ey[0];
            }
        }
        EXPECT_EQ(m_dlg->HitTestPad(control, r.right - 1, r.bottom - 1, 3, 3), 8);
        EXPECT_EQ(m_dlg->HitTestPad(control, r.left - 1, r.top, 3, 3), -1);
        EXPECT_EQ(m_dlg->HitTestPad(control, r.right, r.top, 3, 3), -1);
        EXPECT_EQ(m_dlg->HitTestPad(control, r.left, r.bottom, 3, 3), -1);
        EXPECT_EQ(m_dlg->HitTestPad(control, r.left, r.top - 1, 3, 3), -1);
        // Other grids cut the same way, and a pad with fewer pixels than cells stays defined.
        EXPECT_EQ(m_dlg->HitTestPad(control, r.left + 51, r.top + 51, 5, 4), 19);
        EXPECT_EQ(m_dlg->HitTestPad(control, r.left + 51, r.top, 100, 1), 51);
    }

    // The same arithmetic through real clicks: pad 1's grid lines and its last pixel.
    const CRect r = PadRect(0);
    Press(r.left + 16, r.top + 16); // cell 0 (line pixels of the first column and row)
    EXPECT_EQ(Camera().m_altitude, 3200);
    Release(r.left + 16, r.top + 16);
    Press(r.left + 17, r.top + 16); // cell 1
    EXPECT_EQ(Camera().m_y, 300);
    Release(r.left + 17, r.top + 16);
    Press(r.right - 1, r.bottom - 1); // cell 8: zoom in
    EXPECT_EQ(Camera().m_scale, 320);
    EXPECT_EQ(m_dlg->m_nPressedCommand, 8);
    Release(r.right - 1, r.bottom - 1);
}

TEST_F(DialogTest, ClicksOutsideThePadsRunNothingAndTakeNoCapture) {
    const DialogState before = Snapshot(*m_dlg);
    const CRect pad1 = PadRect(0), pad3 = PadRect(2);
    const CPoint misses[] = {{pad1.left - 1, pad1.top},
                             {pad1.right, pad1.top + 5},
                             {pad1.left, pad1.top - 1},
                             {pad3.left + 3, pad3.bottom},
                             {2, 2},
                             {pad1.left + 3, pad1.bottom + 2}};
    for (const CPoint& p : misses) {
        Press(p.x, p.y);
        EXPECT_EQ(m_dlg->m_nPressedCommand, -1);
        EXPECT_EQ(GetCapture(), nullptr);
        Release(p.x, p.y);
    }
    // A click over the view goes to the view, which ignores it.
    const CRect view = RectInParent(*m_dlg, m_dlg->m_view);
    Click(view.left + 10, view.top + 10);
    EXPECT_EQ(Snapshot(*m_dlg), before);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DialogTest, ThePressHoldsTheCommandAndTheReleaseRunsNothing) {
    const CPoint up = CellCentre(0, 2);
    Press(up.x, up.y);
    EXPECT_EQ(Camera().m_altitude, 5000);
    // Holding the button repeats nothing, and the release away from the pad still reaches the
    // dialog through the capture.
    m_host->MouseMove(m_hWnd, 600, 300);
    Tick(5);
    EXPECT_EQ(Camera().m_altitude, 5000);
    EXPECT_EQ(GetCapture(), m_hWnd);
    Release(600, 300);
    EXPECT_EQ(Camera().m_altitude, 5000);
    EXPECT_EQ(m_dlg->m_nPressedCommand, -1);
    EXPECT_EQ(GetCapture(), nullptr);
    // A release without a press does nothing either.
    Release(up.x, up.y);
    EXPECT_EQ(Camera().m_altitude, 5000);
}

TEST(AdjustClamped, ScalesOrOffsetsThenClampsLowFirst) {
    int v = 100;
    CTerrainDlg::AdjustClamped(v, 100, 125, 50, 1000000000);
    EXPECT_EQ(v, 80);
    CTerrainDlg::AdjustClamped(v, 125, 100, 50, 1000000000);
    EXPECT_EQ(v, 100);
    v = 51;
    CTerrainDlg::AdjustClamped(v, 100, 125, 50, 1000000000);
    EXPECT_EQ(v, 50);
    CTerrainDlg::AdjustClamped(v, 125, 100, 50, 1000000000);
    EXPECT_EQ(v, 62);
    // The product is formed in 64 bits: no overflow near the upper bound, which then holds.
    v = 999999999;
    CTerrainDlg::AdjustClamped(v, 125, 100, 50, 1000000000);
    EXPECT_EQ(v, 1000000000);
    v = 2147483647;
    CTerrainDlg::AdjustClamped(v, 125, 100, 50, 1000000000);
    EXPECT_EQ(v, 1000000000);
    v = 2147483647;
    CTerrainDlg::AdjustClamped(v, 200, -1, 50, 1000000000);
    EXPECT_EQ(v, 1000000000);
    v = -2147483647 - 1;
    CTerrainDlg::AdjustClamped(v, -200, 0, 50, 1000000000);
    EXPECT_EQ(v, 50);
    // Truncation toward zero on negative values, and bounds that cross: the upper one wins.
    v = -7;
    CTerrainDlg::AdjustClamped(v, 1, 2, -100, 100);
    EXPECT_EQ(v, -3);
    v = 0;
    CTerrainDlg::AdjustClamped(v, 0, -1, 10, 5);
    EXPECT_EQ(v, 5);
}

TEST_F(DialogTest, MovesStopAt50AndHaveNoUpperBoundOfTheWorld) {
    Camera().m_x = 100;
    ClickCode(3);
    EXPECT_EQ(Camera().m_x, 50);
    ClickCode(3);
    EXPECT_EQ(Camera().m_x, 50);
    EXPECT_EQ(Camera().m_y, 100);
    ClickCode(7);
    EXPECT_EQ(Camera().m_y, 50);
    ClickCode(7);
    EXPECT_EQ(Camera().m_y, 50);
    Camera().m_x = 65500;
    Camera().m_y = 65500;
    ClickCode(5);
    ClickCode(1);
    EXPECT_EQ(Camera().m_x, 65700);
    EXPECT_EQ(Camera().m_y, 65700);
}

TEST_F(DialogTest, AltitudeAndScaleStepByFourFifthsAndFiveQuarters) {
    const int down[] = {3200, 2560, 2048, 1638, 1310, 1048, 838, 670, 536, 428, 342,
                        273,  218,  174,  139,  111,  88,   70,  56,  50,  50};
    for (int want : down) {
        ClickCode(0);
        EXPECT_EQ(Camera().m_altitude, want);
    }
    const int up[] = {62, 77, 96, 120, 150};
    for (int want : up) {
        ClickCode(2);
        EXPECT_EQ(Camera().m_altitude, want);
    }
    // The scale follows the same rule.
    for (int i = 0; i < 30; ++i) {
        ClickCode(6);
    }
    EXPECT_EQ(Camera().m_scale, 50);
    ClickCode(8);
    EXPECT_EQ(Camera().m_scale, 62);
}

TEST_F(DialogTest, HorizonStepsOf20StopAtPlusMinus1000) {
    for (int i = 1; i <= 55; ++i) {
        ClickCode(101);
        EXPECT_EQ(Camera().m_horizonOffset, std::min(20 * i, 1000));
    }
    for (int i = 1; i <= 110; ++i) {
        ClickCode(107);
        EXPECT_EQ(Camera().m_horizonOffset, std::max(1000 - 20 * i, -1000));
    }
}

TEST_F(DialogTest, HeadingsTurnThrough350And0) {
    ClickCode(103);
    EXPECT_EQ(Camera().m_headingDegrees, 350);
    ClickCode(105);
    EXPECT_EQ(Camera().m_headingDegrees, 0);
    ClickCode(103);
    ClickCode(105);
    ClickCode(105);
    EXPECT_EQ(Camera().m_headingDegrees, 10);
    for (int i = 0; i < 18; ++i) {
        ClickCode(105);
    }
    EXPECT_EQ(Camera().m_headingDegrees, 190);
    for (int i = 0; i < 18; ++i) {
        ClickCode(103);
    }
    EXPECT_EQ(Camera().m_headingDegrees, 10);
    EXPECT_DOUBLE_EQ(Camera().m_headingRadians, 10 * -0.017453277777777776);
}

TEST_F(DialogTest, SwitchesToggleAndFourColourClicksComeBack) {
    const int modes[] = {0, 1, 2, 3};
    for (int want : modes) {
        ClickCode(108);
        EXPECT_EQ(g_colourMode, want);
    }
    ClickCode(100);
    ClickCode(106);
    ClickCode(200);
    EXPECT_EQ(g_solidColumns, 1);
    EXPECT_EQ(g_followTerrain, 1);
    EXPECT_EQ(m_dlg->m_heightMap.m_detail, 1);
    ClickCode(100);
    ClickCode(106);
    ClickCode(200);
    EXPECT_EQ(g_solidColumns, 0);
    EXPECT_EQ(g_followTerrain, 0);
    EXPECT_EQ(m_dlg->m_heightMap.m_detail, 0);
}

// A new landscape depends on how many ticks have passed, each having drawn one number: the map
// is the one the stills renderer makes when told the same count.
TEST_F(DialogTest, RegeneratingAfterTicksGivesTheStillsRenderersMap) {
    char self[4096] = {};
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    ASSERT_GT(n, 0);
    std::string tool(self);
    tool = tool.substr(0, tool.rfind('/') + 1) + "dorvane-render";
    if (access(tool.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "dorvane-render is not built beside the test";
    }
    const int ticks = 37;
    Tick(ticks);
    ClickCode(104);
    const std::vector<HeightCell> mine = Cells(m_dlg->m_heightMap);

    const std::string file = testing::TempDir() + "dorvane-regenerated.map";
    const std::string command = "'" + tool + "' --regenerate-after " + std::to_string(ticks) +
                                " --map '" + file + "' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    std::remove(file.c_str());
    ASSERT_EQ(bytes.size(), mine.size() * 4);
    size_t differing = 0;
    for (size_t i = 0; i < mine.size(); ++i) {
        const HeightCell word = HeightCell(bytes[4 * i]) | HeightCell(bytes[4 * i + 1]) << 8 |
                                HeightCell(bytes[4 * i + 2]) << 16 |
                                HeightCell(bytes[4 * i + 3]) << 24;
        differing += word != mine[i];
    }
    EXPECT_EQ(differing, 0u);
}
