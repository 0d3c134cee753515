// The viewer on a desktop with a window manager (openbox): how the window manager sees its
// windows (the About box a modal dialog of the main window, the icon's sizes), what a resize
// uncovers, the system menu without Alt+Space, and a scaled (HiDPI) desktop.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <regex>
#include <sstream>

#include "ViewChecks.h"

namespace {

std::string ResFolder() {
    // This file lies in tests/e2e/ of the project; the art lies in res/.
    const std::string here = __FILE__;
    const std::string tail = "tests/e2e/desktop_test.cpp";
    return here.substr(0, here.size() - tail.size()) + "res/";
}

// The numbers of a 32-bit property as xprop prints them (decimal, or hex with 0x).
std::vector<unsigned long> Cardinals(const std::string& text) {
    std::vector<unsigned long> values;
    const size_t equals = text.find('=');
    if (equals == std::string::npos) {
        return values;
    }
    std::istringstream in(text.substr(equals + 1));
    std::string item;
    while (std::getline(in, item, ',')) {
        values.push_back(std::stoul(item, nullptr, 0));
    }
    return values;
}

// A screenshot halved each way, failing on any 2 x 2 block that is not one colour.
CImage Halve(const CImage& image, long* pMixedBlocks) {
    CImage half;
    half.m_width = image.m_width / 2;
    half.m_height = image.m_height / 2;
    *pMixedBlocks = 0;
    for (int y = 0; y < half.m_height; ++y) {
        for (int x = 0; x < half.m_width; ++x) {
            const std::uint32_t p = image.At(2 * x, 2 * y);
            *pMixedBlocks += image.At(2 * x + 1, 2 * y) != p || image.At(2 * x, 2 * y + 1) != p ||
                             image.At(2 * x + 1, 2 * y + 1) != p;
            half.m_pixels.push_back(p);
        }
    }
    return half;
}

class DesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string missing = DvMissingForViewerTests(true, false);
        if (!missing.empty()) {
            GTEST_SKIP() << missing;
        }
    }

    void Start(CViewerSession& session, const std::string& resources = "") {
        CViewerSession::Desktop desktop;
        desktop.bWindowManager = true;
        desktop.resources = resources;
        std::string error;
        ASSERT_TRUE(session.Start(1800, 1100, desktop, &error)) << error;
        // Let the window manager frame the window and give it the focus.
        DvSleepMs(500);
    }

    // The first shown window of the viewer other than those given, within five seconds.
    static std::string NewWindow(CViewerSession& session, const std::vector<std::string>& known) {
        const double end = DvNowMs() + 5000;
        while (DvNowMs() < end) {
            for (const std::string& w : session.ShownWindows()) {
                if (std::find(known.begin(), known.end(), w) == known.end()) {
                    return w;
                }
            }
            DvSleepMs(50);
        }
        return std::string();
    }

    static bool WaitUntilGone(CViewerSession& session, const std::string& window) {
        const double end = DvNowMs() + 5000;
        while (DvNowMs() < end) {
            const std::vector<std::string> shown = session.ShownWindows();
            if (std::find(shown.begin(), shown.end(), window) == shown.end()) {
                return true;
            }
            DvSleepMs(50);
        }
        return false;
    }

    template <typename See>
    long ViewMatches(CViewerSession& session, const std::string& window, const DvViewRect& view,
                     const std::string& options, const std::string& shot, See see) {
        return DvViewMatches(session, window, view, options, shot, 5000, see);
    }
};

TEST_F(DesktopTest, SystemMenuOpensFromTheViewShiftF10AndTheMenuKey) {
    CViewerSession session;
    ASSERT_NO_FATAL_FAILURE(Start(session));
    const std::string main = session.Window();
    const DvViewRect view = DvInitialViewRect();
    for (const std::string way : {"right-click", "shift+F10", "Menu"}) {
        SCOPED_TRACE(way);
        if (way == "right-click") {
            session.Click(main, view.x + view.width / 2, view.y + view.height / 2, 3);
        } else {
            session.Key(main, way);
        }
        const std::string menu = NewWindow(session, {main});
        ASSERT_FALSE(menu.empty()) << "no menu opened";
        DvSleepMs(200);
        session.Screenshot(menu, "desktop-menu-" + std::to_string(way.size()));
        session.Key(main, "Escape"); // closes the menu, and only the menu
        EXPECT_TRUE(WaitUntilGone(session, menu));
        DvSleepMs(200);
        ASSERT_TRUE(session.Process().Running());
    }
}

TEST_F(DesktopTest, AboutBoxIsAFixedModalDialogThatMinimisesWithItsOwner) {
    CViewerSession session;
    ASSERT_NO_FATAL_FAILURE(Start(session));
    const std::string main = session.Window();
    session.Key(main, "shift+F10");
    const std::string menu = NewWindow(session, {main});
    ASSERT_FALSE(menu.empty()) << "Shift+F10 opened no menu";
    DvSleepMs(200);
    const DvWindowGeometry g = session.Geometry(menu);
    session.Click(menu, g.width / 2, g.height - 8); // "About Dorvane..."
    const std::string about = session.WaitForWindow("^About Dorvane$", 5000);
    ASSERT_FALSE(about.empty());
    DvSleepMs(500);

    EXPECT_NE(session.Property(about, "WM_TRANSIENT_FOR")
                  .find("window id # 0x" +
                        [&] {
                            std::ostringstream hex;
                            hex << std::hex << std::stoul(main);
                            return hex.str();
                        }()),
              std::string::npos)
        << session.Property(about, "WM_TRANSIENT_FOR");
    EXPECT_NE(session.Property(about, "_NET_WM_WINDOW_TYPE").find("_NET_WM_WINDOW_TYPE_DIALOG"),
              std::string::npos);
    EXPECT_NE(session.Property(about, "_NET_WM_STATE").find("_NET_WM_STATE_MODAL"),
              std::string::npos);
    // The frame functions the box asks for (Motif's hints): moving and closing, no resizing,
    // minimising or maximising. (openbox honours the resizing and, since a fixed size cannot be
    // maximised, the maximising, but by its own policy keeps minimising for every dialog;
    // minimising one minimises its owner with it there.)
    const std::vector<unsigned long> motif = Cardinals(session.Property(about, "_MOTIF_WM_HINTS"));
    ASSERT_EQ(motif.size(), 5u);
    EXPECT_TRUE(motif[0] & 1) << "no functions given";
    EXPECT_EQ(motif[1], 4ul | 32ul);
    const std::string actions = session.Property(about, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_NE(actions.find("_NET_WM_ACTION_CLOSE"), std::string::npos) << actions;
    for (const char* action : {"_NET_WM_ACTION_MAXIMIZE_HORZ", "_NET_WM_ACTION_MAXIMIZE_VERT",
                               "_NET_WM_ACTION_RESIZE"}) {
        EXPECT_EQ(actions.find(action), std::string::npos) << action << " in " << actions;
    }
    const std::string hints = session.Property(about, "WM_NORMAL_HINTS");
    const std::regex fixed("minimum size: ([0-9]+) by ([0-9]+)[^]*maximum size: \\1 by \\2");
    EXPECT_TRUE(std::regex_search(hints, fixed)) << hints;
    // The main window keeps them.
    const std::string mainActions = session.Property(main, "_NET_WM_ALLOWED_ACTIONS");
    EXPECT_NE(mainActions.find("_NET_WM_ACTION_MINIMIZE"), std::string::npos) << mainActions;
    EXPECT_NE(mainActions.find("_NET_WM_ACTION_RESIZE"), std::string::npos) << mainActions;
    session.Screenshot("root", "desktop-about-box");

    // Minimising the main window takes the box along.
    DvRunCommand("xdotool windowminimize --sync " + main, nullptr, 5);
    const double end = DvNowMs() + 5000;
    while (session.Property(about, "_NET_WM_STATE").find("_NET_WM_STATE_HIDDEN") ==
               std::string::npos &&
           DvNowMs() < end) {
        DvSleepMs(50);
    }
    EXPECT_NE(session.Property(main, "_NET_WM_STATE").find("_NET_WM_STATE_HIDDEN"),
              std::string::npos);
    EXPECT_NE(session.Property(about, "_NET_WM_STATE").find("_NET_WM_STATE_HIDDEN"),
              std::string::npos);
    EXPECT_TRUE(session.Process().Running());
}

TEST_F(DesktopTest, IconPropertyHoldsTheIconsOwnSmallAndLargePictures) {
    CViewerSession session;
    ASSERT_NO_FATAL_FAILURE(Start(session));
    const std::vector<unsigned long> icon = Cardinals(DvRunCommand(
        "xprop -id " + session.Window() + " -notype -f _NET_WM_ICON 32c _NET_WM_ICON"));
    std::vector<int> sizes;
    for (size_t at = 0; at + 2 <= icon.size();) {
        const unsigned long width = icon[at];
        const unsigned long height = icon[at + 1];
        ASSERT_TRUE(width == height && width > 0 && width <= 256) << width << "x" << height;
        ASSERT_LE(at + 2 + width * height, icon.size());
        sizes.push_back(static_cast<int>(width));
        // Each picture is the icon's own at that size, opaque: the art's PNG of that size.
        const std::string ppm = "/tmp/dorvane-icon-" + std::to_string(getpid()) + ".ppm";
        DvRunCommand("convert " + ResFolder() + "dorvane-" + std::to_string(width) +
                     ".png -depth 8 ppm:" + ppm);
        CImage art;
        ASSERT_TRUE(art.LoadPpm(ppm));
        std::remove(ppm.c_str());
        long wrong = 0;
        for (unsigned long i = 0; i < width * height; ++i) {
            wrong += (icon[at + 2 + i] & 0xFFFFFFFFul) != (0xFF000000ul | art.m_pixels[i]);
        }
        EXPECT_EQ(wrong, 0) << "the " << width << "-pixel picture";
        at += 2 + width * height;
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32}));
}

TEST_F(DesktopTest, EnlargingShowsTheDialogFaceBeforeTheProgramHasDrawn) {
    CViewerSession session;
    ASSERT_NO_FATAL_FAILURE(Start(session));
    const std::string main = session.Window();
    ASSERT_EQ(
        ViewMatches(session, main, DvInitialViewRect(), "", "", [](const CImage& i) { return i; }),
        0);
    // A program that has not got round to drawing yet: what shows is what the window system
    // fills the uncovered area with.
    kill(session.Process().Pid(), SIGSTOP);
    session.Resize(main, 800, 450);
    DvSleepMs(700);
    const CImage frozen = session.Screenshot(main, "desktop-enlarged-frozen");
    kill(session.Process().Pid(), SIGCONT);
    ASSERT_EQ(frozen.m_width, 800);
    ASSERT_EQ(frozen.m_height, 450);
    long notFace = 0;
    for (int y = 0; y < frozen.m_height; ++y) {
        for (int x = 0; x < frozen.m_width; ++x) {
            if ((x >= 441 || y >= 192) && frozen.At(x, y) != 0xC0C0C0u) {
                ++notFace;
            }
        }
    }
    EXPECT_EQ(notFace, 0);
    EXPECT_EQ(ViewMatches(session, main, DvViewRectForClient(800, 450), "", "desktop-enlarged",
                          [](const CImage& i) { return i; }),
              0);
}

// At Xft.dpi 192 the windows are twice as large, each pixel shown as a 2 x 2 block: halved, the
// screenshot is the picture at scale 1, and clicks land on the same pad cells.
TEST_F(DesktopTest, ScaledDesktopShowsEveryPixelTwiceAndMapsClicksBack) {
    CImage unscaled;
    {
        CViewerSession session;
        ASSERT_NO_FATAL_FAILURE(Start(session));
        ASSERT_EQ(ViewMatches(session, session.Window(), DvInitialViewRect(), "", "",
                              [](const CImage& i) { return i; }),
                  0);
        unscaled = session.Screenshot(session.Window(), "desktop-scale-1");
    }
    ASSERT_EQ(unscaled.m_width, 441);

    CViewerSession session;
    ASSERT_NO_FATAL_FAILURE(Start(session, "Xft.dpi:\t192"));
    const std::string main = session.Window();
    const DvWindowGeometry g = session.Geometry(main);
    EXPECT_EQ(g.width, 882);
    EXPECT_EQ(g.height, 384);
    long mixed = 0;
    const auto halve = [&mixed](const CImage& i) { return Halve(i, &mixed); };
    ASSERT_EQ(ViewMatches(session, main, DvInitialViewRect(), "", "desktop-scale-2", halve), 0);
    EXPECT_EQ(mixed, 0);
    EXPECT_EQ(halve(session.Screenshot(main)).Differences(unscaled), 0);

    // The same cells as at scale 1 (see the viewer's own tests), clicked at their doubled
    // places, one pixel inside the cell's far edge at scale 1 where that is the cell still.
    const auto clickPad = [&](int pad, int cell) {
        const auto [x, y] = DvCellCentre(pad, cell);
        session.Click(main, 2 * x + 1, 2 * y + 1);
    };
    clickPad(1, 5); // x + 200
    clickPad(2, 5); // heading + 10
    clickPad(1, 0); // altitude 4000 -> 3200
    clickPad(2, 8); // colour mode 3 -> 0
    EXPECT_EQ(ViewMatches(session, main, DvInitialViewRect(),
                          "--camera 10200,100,3200,10,0,256 --mode 0", "desktop-scale-2-pads",
                          halve),
              0);
    EXPECT_EQ(mixed, 0);
}

} // namespace
