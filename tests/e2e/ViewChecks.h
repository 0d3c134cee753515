// What the viewer's end-to-end tests check again and again, on the desktop and under Wine: the
// view against the stills renderer's picture, clicks on the pads' cells, the frame rate in the
// title while flying.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ViewerSession.h"

// What a viewer test needs and is missing (the X tools; openbox and xprop when it wants a window
// manager; the built viewer and renderer when it runs them), said as the reason to skip; empty
// when everything is here.
std::string DvMissingForViewerTests(bool windowManager, bool programs = true);

// Turns a screenshot into the program's own pixels (a scaled desktop's, for one).
using DvSee = std::function<CImage(const CImage&)>;

// Waits until the view, seen through `see` when one is given, shows the renderer's picture for
// these options; the number of pixels that still differed when the time ran out (0 when it
// matched, -1 when the renderer drew nothing), a mismatch reported to the running test. The
// screenshot that matched, or the last one, is kept under the name shot.
long DvViewMatches(CViewerSession& session, const std::string& window, const DvViewRect& view,
                   const std::string& options, const std::string& shot, int timeoutMs = 5000,
                   const DvSee& see = {});

// The centre of a pad's cell in client pixels: pad 1 to 3, cell 0 to 8 row by row.
std::pair<int, int> DvCellCentre(int pad, int cell);
// Clicks the centre of a pad's cell.
void DvClickPad(CViewerSession& session, const std::string& window, int pad, int cell);

// A stretch of pad clicks (pad, cell) and the renderer's options for the view it leads to. The
// stretches follow one another from the first frame: camera moves, then settings, then back.
struct DvPadStretch {
    std::vector<std::pair<int, int>> clicks;
    std::string options;
    std::string shot;
};
const std::vector<DvPadStretch>& DvPadStretches();

// The title once it reads "Dorvane (N fps)" with N in [low, high], within timeoutMs; the last
// title seen otherwise. *pRate gets the last N read.
std::string DvWaitForRate(CViewerSession& session, const std::string& window, int low, int high,
                          int timeoutMs, int* pRate);
