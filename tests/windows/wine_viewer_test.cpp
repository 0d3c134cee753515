// The Windows build's viewer under Wine on a private X server, driven as the desktop viewer's
// end-to-end tests drive it (tests/e2e): the view must show, pixel for pixel, what the desktop's
// stills renderer draws, and the dialog must have the desktop's layout.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <vector>

#include "ViewChecks.h"

namespace {

// Whether a line of the viewer's standard error is Wine's own. With WINEDEBUG=-all Wine's debug
// channels are silent, and what its loader may still print is about the prefix (made or brought
// up to date); libX11 in its X11 driver may name an extension the server lacks. Nothing else is
// Wine's: the program's own output, and Wine's report of a fault in the program ("wine:
// Unhandled page fault..."), are not.
bool IsWinesOwnLine(const std::string& line) {
    static const std::regex wines(
        "^wine: created the configuration directory '.*'$"
        "|^wine: configuration in L\".*\" has been updated\\.$"
        "|^Xlib:  extension \"[A-Za-z0-9_-]+\" missing on display \".*\"\\.$");
    return std::regex_match(line, wines);
}

// The lines of a file that are not Wine's own, without their line ends (the program's are CR LF).
std::vector<std::string> LinesNotWines(const std::string& path) {
    std::vector<std::string> ours;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (!IsWinesOwnLine(line)) {
            ours.push_back(line);
        }
    }
    return ours;
}

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
        m_errors =
            CViewerSession::BuildFolder() + "/wine-stderr-" + std::to_string(getpid()) + ".txt";
        m_session.Process().SendErrorsTo(m_errors);
        CViewerSession::Desktop desktop;
        desktop.viewer = DORVANE_WINE_VIEWER;
        std::string error;
        ASSERT_TRUE(m_session.Start(1600, 1000, desktop, &error)) << error;
        m_window = m_session.Window();
    }

    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove(m_errors, ignored);
    }

    // The pads are where they are on the desktop, but Wine sizes a picture static's window to
    // its picture (48 x 48), so that the 2-pixel client edge covers the picture's border and
    // the cells are 16 pixels. That is Wine's fault: a static with SS_BITMAP sizes itself to
    // accommodate its picture, and the template's 35 x 32 units make 52 x 52 pixels, a 48-pixel
    // picture in its edge, as our layer shows it. The click points lie in the same cells on both.
    void ClickPad(int pad, int cell) { DvClickPad(m_session, m_window, pad, cell); }

    // Waits until the view shows the renderer's picture; the pixels that still differed.
    long ViewMatches(const std::string& options, const std::string& shot) {
        // The pointer rests on the view, where no tooltip comes, so that no cell's tooltip lies
        // over the picture.
        const DvViewRect view = DvInitialViewRect();
        DvRunCommand("xdotool mousemove --window " + m_window + " " +
                     std::to_string(view.x + view.width / 2) + " " +
                     std::to_string(view.y + view.height / 2));
        return DvViewMatches(m_session, m_window, view, options, shot, 8000);
    }

    CViewerSession m_session;
    std::string m_window;
    std::string m_errors;
};

TEST_F(WineViewerTest, FirstFrameAndPadClicksShowWhatTheRendererDraws) {
    // The template's 294 x 118 dialog units at MS Sans Serif 8's base units, 6 x 13, as on the
    // desktop: the prefix has Wine's own fonts (tests/windows/wine-prefix).
    const DvWindowGeometry g = m_session.Geometry(m_window);
    EXPECT_EQ(g.width, 441);
    EXPECT_EQ(g.height, 192);
    EXPECT_EQ(ViewMatches("", "wine-first-frame"), 0);
    for (const DvPadStretch& stretch : DvPadStretches()) {
        for (const auto& [pad, cell] : stretch.clicks) {
            ClickPad(pad, cell);
        }
        EXPECT_EQ(ViewMatches(stretch.options, "wine-" + stretch.shot), 0);
    }
}

// The keys go through the real accelerator table to the commands of the cells.
TEST_F(WineViewerTest, KeysChangeTheViewAsTheirCellsDo) {
    // Up: 200 toward +y (pad 1, cell 1); Page Up: five quarters of the altitude (cell 2).
    m_session.Key(m_window, "Up Prior");
    EXPECT_EQ(ViewMatches("--camera 10000,300,5000,0,0,256", "wine-keys-moved"), 0);
    // S: solid columns (pad 2, cell 0).
    m_session.Key(m_window, "s");
    EXPECT_EQ(ViewMatches("--camera 10000,300,5000,0,0,256 --solid", "wine-keys-solid"), 0);
}

TEST_F(WineViewerTest, FlyThroughShowsTheFrameRateAndStopsWhenClickedAgain) {
    ClickPad(1, 4);
    int rate = 0;
    const std::string title = DvWaitForRate(m_session, m_window, 15, 21, 4000, &rate);
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

TEST_F(WineViewerTest, EscapeEndsTheProgramWithStatusZeroAndNothingOnStandardError) {
    m_session.Key(m_window, "Escape");
    int status = -1;
    ASSERT_TRUE(m_session.Process().WaitExit(15000, &status)) << "still running after Escape";
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    const std::vector<std::string> ours = LinesNotWines(m_errors);
    for (const std::string& line : ours) {
        ADD_FAILURE() << "on standard error: " << line;
    }
    EXPECT_TRUE(ours.empty());
}

} // namespace
