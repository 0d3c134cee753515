// The fly-through on the virtual clock: the path, the frame counter in the title, and how pad
// commands meet the ticks.
#include "DialogHarness.h"

#include <cmath>

using namespace dorvane_test;

namespace {

// The path position after a phase, as the timer computes it.
CPoint PathAt(double phase) {
    const int x = static_cast<int>(std::cos(phase * 0.14285714285714285) * 32768.0 + 32768.0);
    const int y = static_cast<int>(std::sin(phase * 0.2) * 21845.333333333332 + 21845.333333333332);
    return CPoint(x, y);
}

} // namespace

TEST_F(DialogTest, FirstTickFlyingPutsTheCameraOnThePathAndWritesTheTitle) {
    ClickCode(4);
    ASSERT_TRUE(m_dlg->m_bFlyThrough);
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane");
    Tick();
    EXPECT_EQ(Camera().m_x, 65535);
    EXPECT_EQ(Camera().m_y, 22063);
    EXPECT_DOUBLE_EQ(m_dlg->m_dPhase, 0.05);
    EXPECT_EQ(m_dlg->m_dPathX, 65535.0);
    EXPECT_EQ(m_dlg->m_dPathY, 22063.0);
    // The last rewrite lies at tick 0, long ago: the first frame is shown at once.
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane (1 fps)");
    EXPECT_EQ(m_dlg->m_nFrameCount, 0);
    EXPECT_EQ(m_dlg->m_dwLastTitleTick, GetTickCount());
    // The view shows the frame from there.
    EXPECT_TRUE(ShowsFirstMapFrame());
}

TEST_F(DialogTest, FirstTickWithTerrainFollowingMovesSlower) {
    ClickCode(106);
    ClickCode(4);
    Tick();
    EXPECT_EQ(Camera().m_x, 65535);
    EXPECT_EQ(Camera().m_y, 21889);
    EXPECT_DOUBLE_EQ(m_dlg->m_dPhase, 0.01);
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane (1 fps)");
}

TEST_F(DialogTest, SteadyFlyingShowsAbout20FramesASecond) {
    ClickCode(4);
    Tick(); // the first rewrite, "1 fps"
    double phase = m_dlg->m_dPhase;
    std::vector<std::string> titles;
    DWORD lastRewrite = m_dlg->m_dwLastTitleTick;
    int previousX = Camera().m_x, jumpsBack = 0;
    for (int i = 0; i < 200; ++i) {
        Tick();
        jumpsBack += Camera().m_x > previousX + 10000;
        previousX = Camera().m_x;
        phase = std::fmod(phase + 0.05, 6.28);
        ASSERT_DOUBLE_EQ(m_dlg->m_dPhase, phase);
        const CPoint p = PathAt(m_dlg->m_dPhase);
        ASSERT_EQ(Camera().m_x, p.x) << "tick " << i;
        ASSERT_EQ(Camera().m_y, p.y) << "tick " << i;
        if (m_dlg->m_dwLastTitleTick != lastRewrite) {
            lastRewrite = m_dlg->m_dwLastTitleTick;
            titles.push_back(m_host->Title(m_hWnd));
        }
    }
    // 200 ticks of 50 ms: a rewrite each time more than a second has passed.
    ASSERT_GE(titles.size(), 8u);
    for (const std::string& title : titles) {
        int fps = 0;
        ASSERT_EQ(std::sscanf(title.c_str(), "Dorvane (%d fps)", &fps), 1) << title;
        EXPECT_GE(fps, 20);
        EXPECT_LE(fps, 21);
    }
    // The phase wrapped once within the 200 ticks: the camera jumped back to the arc's start.
    EXPECT_EQ(jumpsBack, 1);
}

TEST_F(DialogTest, TheTitleTestHoldsAcrossTheTickCountsWrap) {
    // The clock runs on to 400 ms before the wrap, in two steps as a real one would pass them.
    const DWORD distance = (0xFFFFFFFFu - 400) - GetTickCount();
    m_host->Advance(distance / 2);
    Pump();
    m_host->Advance(distance - distance / 2);
    Pump();
    ASSERT_EQ(GetTickCount(), 0xFFFFFFFFu - 400);
    ClickCode(4);
    Tick(); // more than a second since 0 in unsigned terms: rewritten
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane (1 fps)");
    for (int i = 0; i < 20; ++i) {
        Tick(); // across the wrap, 1000 ms at the end: not yet
    }
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane (1 fps)");
    Tick();
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane (21 fps)");
}

TEST_F(DialogTest, MovesWhileFlyingAreOverwrittenOtherCommandsStay) {
    ClickCode(4);
    Tick(3);
    ClickCode(5);
    ClickCode(1);
    ClickCode(0);   // altitude 3200
    ClickCode(105); // heading 10
    ClickCode(8);   // scale 320
    ClickCode(101); // horizon 20
    ClickCode(100); // solid columns
    Tick();
    const CPoint p = PathAt(m_dlg->m_dPhase);
    EXPECT_EQ(Camera().m_x, p.x);
    EXPECT_EQ(Camera().m_y, p.y);
    EXPECT_EQ(Camera().m_altitude, 3200);
    EXPECT_EQ(Camera().m_headingDegrees, 10);
    EXPECT_EQ(Camera().m_scale, 320);
    EXPECT_EQ(Camera().m_horizonOffset, 20);
    EXPECT_EQ(g_solidColumns, 1);
    // Terrain following switched on during the flight slows the next steps.
    const double phase = m_dlg->m_dPhase;
    ClickCode(106);
    Tick();
    EXPECT_DOUBLE_EQ(m_dlg->m_dPhase, phase + 0.01);
}

TEST_F(DialogTest, SwitchingOffKeepsTheCameraAndTheTitleAndResumesThePhase) {
    ClickCode(4);
    Tick(30);
    const std::string title = m_host->Title(m_hWnd);
    const int x = Camera().m_x, y = Camera().m_y;
    const double phase = m_dlg->m_dPhase;
    const int counted = m_dlg->m_nFrameCount;
    ClickCode(4);
    EXPECT_FALSE(m_dlg->m_bFlyThrough);
    Tick(100);
    EXPECT_EQ(Camera().m_x, x);
    EXPECT_EQ(Camera().m_y, y);
    EXPECT_EQ(m_host->Title(m_hWnd), title);
    EXPECT_EQ(m_dlg->m_dPhase, phase);
    EXPECT_EQ(m_dlg->m_nFrameCount, counted);
    // Back on after the pause: the path goes on from the kept phase, and the title is rewritten
    // at once with the frames from before the pause counted in.
    ClickCode(4);
    Tick();
    EXPECT_DOUBLE_EQ(m_dlg->m_dPhase, phase + 0.05);
    EXPECT_EQ(Camera().m_x, PathAt(phase + 0.05).x);
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane (" + std::to_string(counted + 1) + " fps)");
}

TEST_F(DialogTest, EveryTickDrawsOneRandomNumberFlyingOrNot) {
    // After k ticks the sequence has moved k steps past the first map's numbers, whatever the
    // fly-through did.
    Tick(5);
    ClickCode(4);
    Tick(5);
    ClickCode(4);
    Tick(2);
    const int next = std::rand();
    // The same count of numbers drawn after a first map of its own.
    CHeightMap map;
    ASSERT_TRUE(map.Allocate(512, 512));
    std::srand(1);
    map.Generate(100);
    for (int i = 0; i < 12; ++i) {
        std::rand();
    }
    EXPECT_EQ(std::rand(), next);
}

TEST_F(DialogTest, WithTheFlyThroughOffTicksChangeNothingVisible) {
    const int x = Camera().m_x, y = Camera().m_y;
    const int presents = m_host->PresentCount(m_hWnd);
    Tick(100);
    EXPECT_EQ(m_host->Title(m_hWnd), "Dorvane");
    EXPECT_EQ(Camera().m_x, x);
    EXPECT_EQ(Camera().m_y, y);
    EXPECT_EQ(m_dlg->m_nFrameCount, 0);
    EXPECT_EQ(m_host->PresentCount(m_hWnd), presents);
}
