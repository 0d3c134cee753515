// The Windows build's viewer under Wine on a private X server, driven as the desktop viewer's
// end-to-end tests drive it: the view must show, pixel for pixel, what the desktop's stills
// renderer draws. Wine's metrics differ from our layer's (its own fonts and static controls), so
// the view and the pads are found on the screen instead of assumed.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "ViewerSession.h"

namespace {

// The sky's colour: palette entry 178 of pelds.pal, as the screen shows it.
constexpr std::uint32_t kSky = 0x0099CC;

struct ViewPlace {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class WineViewerTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string missing;
        if (!CXvfbServer::ToolsPresent(&missing)) {
            GTEST_SKIP() << missing << " is not installed (scripts/deps installs it)";
        }
        ASSERT_TRUE(std::filesystem::exists(DORVANE_WINDOWS_DIR "/dorvane.exe"));
        // The viewer's environment: Wine quiet, in the run's prefix.
        setenv("WINEPREFIX", DORVANE_WINE_PREFIX, 1);
        setenv("WINEDEBUG", "-all", 1);
        setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
        setenv("DORVANE_WINDOWS", DORVANE_WINDOWS_DIR, 1);
        CViewerSession::Desktop desktop;
        desktop.viewer = DORVANE_WINE_VIEWER;
        std::string error;
        ASSERT_TRUE(m_session.Start(1600, 1000, desktop, &error)) << error;
        m_window = m_session.Window();
        ASSERT_TRUE(FindView()) << "no view on the screen";
    }

    // The view: the sky's rectangle at its top gives its left, top and width; the horizon row of
    // the first frame lies at half its height, which leaves two heights, one of them exact.
    bool FindView() {
        const double end = DvNowMs() + 10000;
        while (DvNowMs() < end) {
            const CImage screen = m_session.Screenshot(m_window);
            for (int y = 0; y < screen.m_height; ++y) {
                for (int x = 0; x < screen.m_width; ++x) {
                    if (screen.At(x, y) != kSky) {
                        continue;
                    }
                    int right = x;
                    while (right + 1 < screen.m_width && screen.At(right + 1, y) == kSky) {
                        ++right;
                    }
                    int bottom = y;
                    while (bottom + 1 < screen.m_height && screen.At(x, bottom + 1) == kSky) {
                        ++bottom;
                    }
                    const int sky = bottom - y + 1;
                    for (int height : {2 * sky, 2 * sky + 1}) {
                        const ViewPlace place{x, y, right - x + 1, height};
                        if (Differences(screen, place, "") == 0) {
                            m_view = place;
                            return true;
                        }
                    }
                    break;
                }
                if (m_view.width > 0) {
                    break;
                }
            }
            DvSleepMs(200);
        }
        return false;
    }

    long Differences(const CImage& screen, const ViewPlace& view, const std::string& options) {
        const CImage expected =
            CViewerSession::Render("--size " + std::to_string(view.width) + "x" +
                                   std::to_string(view.height) + " " + options);
        return screen.Crop(view.x, view.y, view.width, view.height).Differences(expected);
    }

    // Waits until the view shows the renderer's picture; the pixels that still differed.
    long ViewMatches(const std::string& options, const std::string& shot) {
        // The pointer rests on the view, where no tooltip comes, so that no cell's tooltip lies
        // over the picture.
        DvRunCommand("xdotool mousemove --window " + m_window + " " +
                     std::to_string(m_view.x + m_view.width / 2) + " " +
                     std::to_string(m_view.y + m_view.height / 2));
        const double end = DvNowMs() + 8000;
        long differences = 0;
        for (;;) {
            const bool last = DvNowMs() >= end;
            differences =
                Differences(m_session.Screenshot(m_window, last ? shot : ""), m_view, options);
            if (differences == 0 || last) {
                return differences;
            }
            DvSleepMs(150);
        }
    }

    // Clicks the centre of a pad's cell. The pads lie at dialog units (7, 4), (7, 41) and
    // (7, 81), the view's frame at (49, 4) with a height of 109: the dialog's base units come
    // from the view found. Each pad is a 48-pixel picture of 16-pixel cells.
    void ClickPad(int pad, int cell) {
        const int frameLeft = m_view.x - 2;
        const int frameTop = m_view.y - 2;
        const double unitX = frameLeft / 49.0;
        const double unitY = (m_view.height + 4) / 109.0;
        const int top[3] = {frameTop, frameTop + static_cast<int>(37 * unitY + 0.5),
                            frameTop + static_cast<int>(77 * unitY + 0.5)};
        const int left = static_cast<int>(7 * unitX + 0.5);
        m_session.Click(m_window, left + 16 * (cell % 3) + 8, top[pad - 1] + 16 * (cell / 3) + 8);
    }

    CViewerSession m_session;
    std::string m_window;
    ViewPlace m_view;
};

TEST_F(WineViewerTest, FirstFrameAndPadClicksShowWhatTheRendererDraws) {
    m_session.Screenshot(m_window, "wine-first-frame");
    ClickPad(1, 5); // x + 200
    ClickPad(2, 5); // heading + 10
    ClickPad(1, 0); // altitude 4000 -> 3200
    ClickPad(2, 1); // horizon 20 rows lower
    ClickPad(1, 8); // zoom in: scale 256 -> 320
    ClickPad(2, 8); // colour mode 3 -> 0
    ClickPad(3, 8); // an empty cell: only re-renders
    EXPECT_EQ(ViewMatches("--camera 10200,100,3200,10,20,320 --mode 0", "wine-pads-camera"), 0);
    ClickPad(2, 0); // solid columns
    ClickPad(2, 6); // terrain following
    ClickPad(3, 0); // sub-cell detail
    ClickPad(2, 8); // colour mode 0 -> 1
    ClickPad(1, 1); // y + 200
    ClickPad(2, 3); // heading - 10
    EXPECT_EQ(ViewMatches("--camera 10200,300,3200,0,20,320 --mode 1 --solid --follow --detail",
                          "wine-pads-settings"),
              0);
    ClickPad(1, 2); // altitude 3200 -> 4000
    ClickPad(1, 3); // x - 200
    ClickPad(1, 6); // zoom out: 320 -> 256
    ClickPad(1, 7); // y - 200
    EXPECT_EQ(ViewMatches("--camera 10000,100,4000,0,20,256 --mode 1 --solid --follow --detail",
                          "wine-pads-back"),
              0);
}

TEST_F(WineViewerTest, FlyThroughShowsTheFrameRateAndStopsWhenClickedAgain) {
    ClickPad(1, 4);
    const std::regex re("^Dorvane \\(([0-9]+) fps\\)$");
    int rate = 0;
    std::string title;
    const double end = DvNowMs() + 4000;
    while (DvNowMs() < end) {
        title = m_session.Title(m_window);
        std::smatch m;
        if (std::regex_match(title, m, re)) {
            rate = std::stoi(m[1]);
            if (rate >= 15 && rate <= 21) {
                break;
            }
        }
        DvSleepMs(50);
    }
    EXPECT_TRUE(rate >= 15 && rate <= 21) << "title: \"" << title << "\"";
    ClickPad(1, 4);
    DvSleepMs(400);
    const std::string stopped = m_session.Title(m_window);
    DvSleepMs(2000);
    EXPECT_EQ(m_session.Title(m_window), stopped) << "the title still changes";
}

TEST_F(WineViewerTest, SystemMenuOpensTheAboutBox) {
    // The system's own menu: Alt+Space opens it with its first item chosen; Up wraps round to
    // the last, the program's own "About Dorvane..." (Wine adds "About Wine" above it, whose
    // mnemonic is the same, so the mnemonic alone would not do).
    m_session.Key(m_window, "alt+space");
    DvSleepMs(800);
    DvRunCommand("xdotool key Up Return");
    const std::string about = m_session.WaitForWindow("^About Dorvane$", 8000);
    ASSERT_FALSE(about.empty()) << "no About box";
    DvSleepMs(300);
    m_session.Screenshot(about, "wine-about-box");
    m_session.Key(about, "Return");
    const double end = DvNowMs() + 5000;
    while (!m_session.WaitForWindow("^About Dorvane$", 1).empty() && DvNowMs() < end) {
        DvSleepMs(50);
    }
    EXPECT_TRUE(m_session.WaitForWindow("^About Dorvane$", 1).empty()) << "still open";
    EXPECT_EQ(ViewMatches("", "wine-after-about"), 0);
}

TEST_F(WineViewerTest, EscapeEndsTheProgramWithStatusZero) {
    m_session.Key(m_window, "Escape");
    int status = -1;
    ASSERT_TRUE(m_session.Process().WaitExit(15000, &status)) << "still running after Escape";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

} // namespace
