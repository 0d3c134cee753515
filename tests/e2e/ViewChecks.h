// What the end-to-end tests of the viewer share: whether the desktop they need is here, where the
// pad cells are, and the wait for the view to show the stills renderer's picture.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#include "ViewerSession.h"

// The pads' outer top-left corners in the dialog's client area; each pad is 52 pixels square
// (a 48-pixel picture in a 2-pixel edge) and its cells are 17 pixels apart.
inline constexpr int kDvPadLeft = 11;
inline constexpr int kDvPadTop[3] = {7, 67, 132};

// The centre of a pad's cell in client pixels: pad 1 to 3, cell 0 to 8 row by row.
inline int DvCellX(int cell) { return kDvPadLeft + 17 * (cell % 3) + 8; }
inline int DvCellY(int pad, int cell) { return kDvPadTop[pad - 1] + 17 * (cell / 3) + 8; }

// What a viewer test needs and is missing (the X tools; openbox and xprop when it wants a window
// manager; the built viewer and renderer when it runs them), said as a reason to skip; empty
// when everything is here.
inline std::string DvMissingForViewerTests(bool windowManager, bool programs = true) {
    std::string missing;
    if (!CXvfbServer::ToolsPresent(&missing)) {
        return missing + " is not installed (scripts/deps installs it)";
    }
    if (windowManager) {
        for (const char* tool : {"openbox", "xprop"}) {
            int status = 0;
            DvRunCommand(std::string("command -v ") + tool + " >/dev/null", &status, 5);
            if (status != 0) {
                return std::string(tool) + " is not installed (scripts/deps installs it)";
            }
        }
    }
    if (programs) {
        for (const std::string& program :
             {CViewerSession::ViewerPath(), CViewerSession::RendererPath()}) {
            if (!std::filesystem::exists(program)) {
                return program + " is not built";
            }
        }
    }
    return std::string();
}

// Waits up to timeoutMs until the window's view, seen through `see` (which turns a screenshot
// into the program's pixels; as it is when empty), shows the renderer's picture for the options.
// Returns the pixels that still differed, 0 when it matched; a mismatch is reported with where
// the first difference lies. The screenshot last compared is kept under `shot` when given.
inline long DvWaitForView(CViewerSession& session, const std::string& window,
                          const DvViewRect& view, const std::string& options,
                          const std::string& shot, int timeoutMs = 5000,
                          const std::function<CImage(const CImage&)>& see = {}) {
    const CImage expected = CViewerSession::Render("--size " + std::to_string(view.width) + "x" +
                                                   std::to_string(view.height) + " " + options);
    if (expected.m_width != view.width) {
        ADD_FAILURE() << "the renderer drew nothing for " << options;
        return -1;
    }
    const double end = DvNowMs() + timeoutMs;
    for (;;) {
        const bool last = DvNowMs() >= end;
        const CImage screen = session.Screenshot(window, shot);
        const CImage seen =
            (see ? see(screen) : screen).Crop(view.x, view.y, view.width, view.height);
        int x = 0;
        int y = 0;
        const long differences = seen.Differences(expected, &x, &y);
        if (differences == 0) {
            return 0;
        }
        if (last) {
            ADD_FAILURE() << shot << ": " << differences << " pixels differ, the first at " << x
                          << ", " << y << " (window " << screen.m_width << "x" << screen.m_height
                          << ")";
            return differences;
        }
        DvSleepMs(100);
    }
}
