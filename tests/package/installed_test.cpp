// The installed viewer as the applications menu starts it: through its link in bin, under a
// window manager. It must find its palette beside the executable that the link leads to, so
// its first frame is what the installed stills renderer draws for the view's size.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "ViewerSession.h"

namespace {

TEST(InstalledViewer, ShowsTheRenderersFirstFrameWhenStartedThroughItsLink) {
    const char* root = std::getenv("DORVANE_STAGED_ROOT");
    ASSERT_NE(root, nullptr) << "DORVANE_STAGED_ROOT names no installed tree";
    const std::string bin = std::string(root) + "/usr/bin/";
    ASSERT_TRUE(std::filesystem::is_symlink(bin + "dorvane"));
    std::string missing;
    if (!CXvfbServer::ToolsPresent(&missing)) {
        GTEST_SKIP() << missing << " is not installed (scripts/deps installs it)";
    }

    CViewerSession session;
    CViewerSession::Desktop desktop;
    desktop.bWindowManager = true;
    desktop.viewer = bin + "dorvane";
    std::string error;
    ASSERT_TRUE(session.Start(1280, 800, desktop, &error)) << error;

    const DvViewRect view = DvInitialViewRect();
    const std::string still = std::filesystem::temp_directory_path().string() +
                              "/dorvane-installed-" + std::to_string(session.Process().Pid()) +
                              ".bmp";
    int status = -1;
    DvRunCommand("'" + bin + "dorvane-render' --size " + std::to_string(view.width) + "x" +
                     std::to_string(view.height) + " --out '" + still + "'",
                 &status);
    ASSERT_EQ(status, 0);
    CImage expected;
    ASSERT_TRUE(expected.LoadBmp8(still));
    std::filesystem::remove(still);
    // Without the palette the picture would be all black.
    EXPECT_GT(expected.m_pixels.size() - expected.Count(0x000000), expected.m_pixels.size() / 2);

    long differences = -1;
    const double end = DvNowMs() + 5000;
    do {
        const CImage seen = session.Screenshot(session.Window(), "installed-first-frame")
                                .Crop(view.x, view.y, view.width, view.height);
        differences = seen.Differences(expected);
        if (differences != 0) {
            DvSleepMs(100);
        }
    } while (differences != 0 && DvNowMs() < end);
    EXPECT_EQ(differences, 0);
}

} // namespace
