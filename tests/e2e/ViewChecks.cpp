#include "ViewChecks.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

namespace {

// The pads' outer top-left corners in the dialog's client area: the template's (7, 4), (7, 41)
// and (7, 81) at base units 6 x 13. Each pad is 52 pixels square on our layer (a 48-pixel
// picture in a 2-pixel edge), so its cells are 17 pixels apart; Wine makes the pads 48 square
// (16-pixel cells, see tests/windows). A cell's point below lies in the same cell on both.
const int kPadLeft = 11;
const int kPadTop[3] = {7, 67, 132};

} // namespace

std::string DvMissingForViewerTests(bool windowManager, bool programs) {
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

long DvViewMatches(CViewerSession& session, const std::string& window, const DvViewRect& view,
                   const std::string& options, const std::string& shot, int timeoutMs,
                   const DvSee& see) {
    const CImage expected = CViewerSession::Render("--size " + std::to_string(view.width) + "x" +
                                                   std::to_string(view.height) + " " + options);
    if (expected.m_width != view.width) {
        ADD_FAILURE() << "the renderer drew nothing for " << options;
        return -1;
    }
    const double end = DvNowMs() + timeoutMs;
    for (;;) {
        const bool last = DvNowMs() >= end;
        const CImage screen = session.Screenshot(window, last ? shot : "");
        const CImage seen =
            (see ? see(screen) : screen).Crop(view.x, view.y, view.width, view.height);
        int x = 0;
        int y = 0;
        const long differences = seen.Differences(expected, &x, &y);
        if (differences == 0) {
            session.Screenshot(window, shot);
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

std::pair<int, int> DvCellCentre(int pad, int cell) {
    return {kPadLeft + 17 * (cell % 3) + 8, kPadTop[pad - 1] + 17 * (cell / 3) + 8};
}

void DvClickPad(CViewerSession& session, const std::string& window, int pad, int cell) {
    const auto [x, y] = DvCellCentre(pad, cell);
    session.Click(window, x, y);
}

const std::vector<DvPadStretch>& DvPadStretches() {
    static const std::vector<DvPadStretch> stretches = {
        {{{1, 5},  // x + 200
          {2, 5},  // heading + 10
          {1, 0},  // altitude 4000 -> 3200
          {2, 1},  // horizon 20 rows lower
          {1, 8},  // zoom in: scale 256 -> 320
          {2, 8},  // colour mode 3 -> 0
          {3, 8}}, // an empty cell: only re-renders
         "--camera 10200,100,3200,10,20,320 --mode 0",
         "pads-camera"},
        {{{2, 0},  // solid columns
          {2, 6},  // terrain following
          {3, 0},  // sub-cell detail
          {2, 8},  // colour mode 0 -> 1
          {1, 1},  // y + 200
          {2, 3}}, // heading - 10
         "--camera 10200,300,3200,0,20,320 --mode 1 --solid --follow --detail",
         "pads-settings"},
        {{{1, 2},  // altitude 3200 -> 4000
          {1, 3},  // x - 200
          {1, 6},  // zoom out: 320 -> 256
          {1, 7}}, // y - 200
         "--camera 10000,100,4000,0,20,256 --mode 1 --solid --follow --detail",
         "pads-back"},
    };
    return stretches;
}

std::string DvWaitForRate(CViewerSession& session, const std::string& window, int low, int high,
                          int timeoutMs, int* pRate) {
    const std::regex re("^Dorvane \\(([0-9]+) fps\\)$");
    const double end = DvNowMs() + timeoutMs;
    std::string title;
    do {
        title = session.Title(window);
        std::smatch m;
        if (std::regex_match(title, m, re)) {
            *pRate = std::stoi(m[1]);
            if (*pRate >= low && *pRate <= high) {
                return title;
            }
        }
        DvSleepMs(50);
    } while (DvNowMs() < end);
    return title;
}
