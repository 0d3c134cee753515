// The viewer as a user meets it: a real window on an X server, mouse and keys from xdotool,
// screenshots from import. What the view shows must be, pixel for pixel, what the stills
// renderer draws for the same camera and settings.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>

#include "ViewChecks.h"

namespace {

class ViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = DvMissingForViewerTests(false);
        if (!missing.empty()) {
            GTEST_SKIP() << missing;
        }
        std::string error;
        ASSERT_TRUE(m_session.Start(2000, 1300, &error)) << error;
        m_window = m_session.Window();
    }

    void ClickPad(int pad, int cell) { DvClickPad(m_session, m_window, pad, cell); }

    long ViewMatches(const DvViewRect& view, const std::string& options, const std::string& shot) {
        return DvViewMatches(m_session, m_window, view, options, shot);
    }

    CViewerSession m_session;
    std::string m_window;
};

TEST_F(ViewerTest, StartsWithTheTitleAndTheFirstFrame) {
    EXPECT_EQ(m_session.Title(m_window), "Dorvane");
    const DvWindowGeometry g = m_session.Geometry(m_window);
    // The template's 294 x 118 dialog units at base units 6 x 13.
    EXPECT_EQ(g.width, 441);
    EXPECT_EQ(g.height, 192);
    EXPECT_EQ(ViewMatches(DvInitialViewRect(), "", "first-frame"), 0);
    // The dialog's face around the pads is the classic light grey.
    const CImage screen = m_session.Screenshot(m_window);
    ASSERT_GT(screen.m_width, 70);
    EXPECT_EQ(screen.At(5, 100), 0xC0C0C0u);
    EXPECT_EQ(screen.At(68, 100), 0xC0C0C0u);
}

TEST_F(ViewerTest, ResizingMakesTheViewFollow) {
    const CImage before = m_session.Screenshot(m_window);
    const CImage padsBefore = before.Crop(0, 0, 70, 190);
    for (const auto& size : {std::pair{760, 470}, std::pair{300, 160}, std::pair{1024, 300}}) {
        m_session.Resize(m_window, size.first, size.second);
        const std::string name =
            "resized-" + std::to_string(size.first) + "x" + std::to_string(size.second);
        EXPECT_EQ(ViewMatches(DvViewRectForClient(size.first, size.second), "", name), 0);
        const DvWindowGeometry g = m_session.Geometry(m_window);
        EXPECT_EQ(g.width, size.first);
        EXPECT_EQ(g.height, size.second);
        // The pads never move.
        const CImage after = m_session.Screenshot(m_window);
        EXPECT_EQ(after.Crop(0, 0, 70, 150).Differences(padsBefore.Crop(0, 0, 70, 150)), 0);
    }
}

TEST_F(ViewerTest, SystemMenuOpensTheAboutBoxFromTheKeyboardAndTheMouse) {
    const size_t shownBefore = m_session.ShownWindows().size();
    for (int way = 0; way < 2; ++way) {
        if (way == 0) {
            m_session.Key(m_window, "alt+space");
        } else {
            m_session.Click(m_window, 68, 100, 3); // the dialog's own area, beside the pads
        }
        // The menu is a window of its own, drawn by the platform.
        std::string menu;
        const double end = DvNowMs() + 5000;
        while (menu.empty() && DvNowMs() < end) {
            for (const std::string& w : m_session.ShownWindows()) {
                if (w != m_window) {
                    menu = w;
                }
            }
            DvSleepMs(50);
        }
        ASSERT_FALSE(menu.empty())
            << (way == 0 ? "Alt+Space" : "a right-click") << " opened no menu";
        DvSleepMs(200);
        const DvWindowGeometry g = m_session.Geometry(menu);
        m_session.Screenshot(menu, way == 0 ? "system-menu-keyboard" : "system-menu-mouse");
        // The last item is the program's own: "About Dorvane...".
        m_session.Click(menu, g.width / 2, g.height - 8);
        const std::string about = m_session.WaitForWindow("^About Dorvane$", 5000);
        ASSERT_FALSE(about.empty()) << "the last item opened no About box";
        DvSleepMs(300);
        m_session.Screenshot(about, "about-box");
        // The About box is modal: Enter is its OK button and closes it, not the main dialog.
        m_session.Key(about, "Return");
        const double closeEnd = DvNowMs() + 5000;
        while (m_session.ShownWindows().size() > shownBefore && DvNowMs() < closeEnd) {
            DvSleepMs(50);
        }
        EXPECT_EQ(m_session.ShownWindows().size(), shownBefore);
        EXPECT_TRUE(m_session.Process().Running());
    }
    // The main dialog still works after the About box.
    EXPECT_EQ(ViewMatches(DvInitialViewRect(), "", "after-about"), 0);
}

TEST_F(ViewerTest, EscapeEndsTheProgramWithStatusZero) {
    m_session.Key(m_window, "Escape");
    int status = -1;
    ASSERT_TRUE(m_session.Process().WaitExit(5000, &status)) << "still running after Escape";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ViewerTest, PadClicksChangeTheViewAsTheRendererPredicts) {
    ClickPad(1, 5); // x + 200
    ClickPad(2, 5); // heading + 10
    ClickPad(1, 0); // altitude 4000 -> 3200
    ClickPad(2, 1); // horizon 20 rows lower
    ClickPad(1, 8); // zoom in: scale 256 -> 320
    ClickPad(2, 8); // colour mode 3 -> 0
    ClickPad(3, 8); // an empty cell: only re-renders
    EXPECT_EQ(ViewMatches(DvInitialViewRect(), "--camera 10200,100,3200,10,20,320 --mode 0",
                          "pads-camera"),
              0);
    ClickPad(2, 0); // solid columns
    ClickPad(2, 6); // terrain following
    ClickPad(3, 0); // sub-cell detail
    ClickPad(2, 8); // colour mode 0 -> 1
    ClickPad(1, 1); // y + 200
    ClickPad(2, 3); // heading - 10
    EXPECT_EQ(ViewMatches(DvInitialViewRect(),
                          "--camera 10200,300,3200,0,20,320 --mode 1 --solid --follow --detail",
                          "pads-settings"),
              0);
}

TEST_F(ViewerTest, FlyThroughShowsTheFrameRateAndStopsWhenClickedAgain) {
    ClickPad(1, 4);
    int rate = 0;
    const std::string title = DvWaitForRate(m_session, m_window, 15, 21, 2000, &rate);
    EXPECT_TRUE(rate >= 15 && rate <= 21) << "title after two seconds: \"" << title << "\"";
    m_session.Screenshot(m_window, "flying");

    ClickPad(1, 4);
    DvSleepMs(300);
    const std::string stopped = m_session.Title(m_window);
    const CImage still = m_session.Screenshot(m_window);
    DvSleepMs(2500);
    EXPECT_EQ(m_session.Title(m_window), stopped) << "the title still changes";
    EXPECT_EQ(m_session.Screenshot(m_window, "stopped").Differences(still), 0)
        << "the view still moves";
    EXPECT_TRUE(std::regex_match(stopped, std::regex("^Dorvane \\([0-9]+ fps\\)$"))) << stopped;
}

} // namespace
