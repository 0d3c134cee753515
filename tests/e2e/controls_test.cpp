// Beside the pads, on a desktop with a window manager (openbox): keys and the wheel give the
// views the stills renderer predicts, F11 covers the screen through the window manager's
// full-screen state, and a tooltip comes over a cell after the delay and goes on a move. Also
// the command line, which needs no display at all.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "ViewChecks.h"

namespace {

const int kScreenWidth = 1600;
const int kScreenHeight = 1000;

bool Contains(const std::string& text, const std::string& what) {
    return text.find(what) != std::string::npos;
}

class BesideThePadsTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = DvMissingForViewerTests(true);
        if (!missing.empty()) {
            GTEST_SKIP() << missing;
        }
        CViewerSession::Desktop desktop;
        desktop.bWindowManager = true;
        std::string error;
        ASSERT_TRUE(m_session.Start(kScreenWidth, kScreenHeight, desktop, &error)) << error;
        m_window = m_session.Window();
        // Let the window manager frame the window and give it the focus.
        DvSleepMs(500);
    }

    long ViewMatches(const DvViewRect& view, const std::string& options, const std::string& shot) {
        return DvViewMatches(m_session, m_window, view, options, shot, 8000);
    }

    void MovePointer(int x, int y) {
        DvRunCommand("xdotool mousemove --window " + m_window + " " + std::to_string(x) + " " +
                     std::to_string(y));
    }

    CViewerSession m_session;
    std::string m_window;
};

TEST_F(BesideThePadsTest, KeysAndTheWheelGiveThePredictedViews) {
    const DvViewRect view = DvInitialViewRect();
    // Up: 200 toward +y; Page Up: five quarters of the altitude; +: zoom in; Q: turn left.
    m_session.Key(m_window, "Up Prior plus q");
    EXPECT_EQ(ViewMatches(view, "--camera 10000,300,5000,350,0,320", "keys-moved"), 0);
    // S: solid columns.
    m_session.Key(m_window, "s");
    EXPECT_EQ(ViewMatches(view, "--camera 10000,300,5000,350,0,320 --solid", "keys-solid"), 0);
    // One notch of the wheel away from the user over the view zooms in once, one back out.
    MovePointer(view.x + view.width / 2, view.y + view.height / 2);
    DvRunCommand("xdotool click 4");
    EXPECT_EQ(ViewMatches(view, "--camera 10000,300,5000,350,0,400 --solid", "wheel-in"), 0);
    DvRunCommand("xdotool click 5");
    EXPECT_EQ(ViewMatches(view, "--camera 10000,300,5000,350,0,320 --solid", "wheel-out"), 0);
    EXPECT_TRUE(m_session.Process().Running());
}

TEST_F(BesideThePadsTest, F11CoversTheScreenAndTheViewFollows) {
    const DvWindowGeometry before = m_session.Geometry(m_window);
    m_session.Key(m_window, "F11");
    const double end = DvNowMs() + 8000;
    DvWindowGeometry g = m_session.Geometry(m_window);
    while ((g.width != kScreenWidth || g.height != kScreenHeight) && DvNowMs() < end) {
        DvSleepMs(100);
        g = m_session.Geometry(m_window);
    }
    EXPECT_EQ(g.x, 0);
    EXPECT_EQ(g.y, 0);
    EXPECT_EQ(g.width, kScreenWidth);
    EXPECT_EQ(g.height, kScreenHeight);
    EXPECT_TRUE(
        Contains(m_session.Property(m_window, "_NET_WM_STATE"), "_NET_WM_STATE_FULLSCREEN"));
    EXPECT_EQ(ViewMatches(DvViewRectForClient(kScreenWidth, kScreenHeight), "", "full-screen"), 0);

    // Again: the window goes back to its size.
    m_session.Key(m_window, "F11");
    const double back = DvNowMs() + 8000;
    g = m_session.Geometry(m_window);
    while ((g.width != before.width || g.height != before.height) && DvNowMs() < back) {
        DvSleepMs(100);
        g = m_session.Geometry(m_window);
    }
    EXPECT_EQ(g.width, before.width);
    EXPECT_EQ(g.height, before.height);
    EXPECT_FALSE(
        Contains(m_session.Property(m_window, "_NET_WM_STATE"), "_NET_WM_STATE_FULLSCREEN"));
    // Laid out as after any resize.
    EXPECT_EQ(ViewMatches(DvViewRectForClient(g.width, g.height), "", "full-screen-left"), 0);
}

TEST_F(BesideThePadsTest, TooltipComesOverACellAfterTheDelayAndGoesOnAMove) {
    // Rest on the "Sh" cell of pad 2.
    const auto [x, y] = DvCellCentre(2, 0);
    MovePointer(x, y);
    MovePointer(x + 1, y);
    const std::string tip = m_session.WaitForWindow("^Solid columns \\(S\\): off$", 8000);
    ASSERT_FALSE(tip.empty()) << "no tooltip came";
    // Below the pointer, a line of text high.
    const std::string mouse = DvRunCommand("xdotool getmouselocation --shell");
    const size_t at = mouse.find("Y=");
    ASSERT_NE(at, std::string::npos) << mouse;
    const int pointerY = std::stoi(mouse.substr(at + 2));
    const DvWindowGeometry g = m_session.Geometry(tip);
    EXPECT_GT(g.y, pointerY);
    EXPECT_LT(g.y, pointerY + 40);
    EXPECT_GT(g.width, 60);
    EXPECT_GT(g.height, 10);
    EXPECT_LT(g.height, 30);
    // The system's tooltip colours: a black frame around the pale yellow face.
    const CImage shot = m_session.Screenshot(tip, "tooltip");
    ASSERT_EQ(shot.m_width, g.width);
    EXPECT_EQ(shot.At(0, 0), 0x000000u);
    EXPECT_EQ(shot.At(2, 2), 0xFFFFE1u);
    m_session.Screenshot("root", "tooltip-screen");

    // A move to the view takes it away.
    const DvViewRect view = DvInitialViewRect();
    MovePointer(view.x + 100, view.y + 100);
    const double end = DvNowMs() + 8000;
    bool gone = false;
    while (!gone && DvNowMs() < end) {
        gone = m_session.WaitForWindow("^Solid columns", 0).empty();
        DvSleepMs(50);
    }
    EXPECT_TRUE(gone);
    EXPECT_TRUE(m_session.Process().Running());
}

// Without a display: --help and --version answer and end with status 0.
TEST(CommandLineTest, HelpAndVersionNeedNoDisplay) {
    const std::string viewer = CViewerSession::ViewerPath();
    if (!std::filesystem::exists(viewer)) {
        GTEST_SKIP() << viewer << " is not built";
    }
    const std::string bare = "env -u DISPLAY -u WAYLAND_DISPLAY '" + viewer + "'";
    int status = -1;
    const std::string help = DvRunCommand(bare + " --help", &status, 10);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(Contains(help, "Usage: dorvane")) << help;
    EXPECT_TRUE(Contains(help, "F11")) << help;
    EXPECT_TRUE(Contains(help, "man dorvane")) << help;
    status = -1;
    EXPECT_EQ(DvRunCommand(bare + " --version", &status, 10), "dorvane 1.0\n");
    EXPECT_EQ(status, 0);
    // Any other argument is the program's as before: without a display it says so and fails.
    status = -1;
    DvRunCommand(bare + " --size 3 2>/dev/null", &status, 10);
    EXPECT_EQ(status, 1);
}

} // namespace
