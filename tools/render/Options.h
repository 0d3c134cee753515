// The stills tool's command line: what it asks for, read strictly and within limits.
#pragma once

#include <cstdio>
#include <string>

struct DvRenderOptions {
    int width = 400;
    int height = 300;
    int camera[6] = {10000, 100, 4000, 0, 0, 256};
    int mode = 3;
    bool solid = false;
    bool follow = false;
    bool detail = false;
    bool regenerate = false;
    int regenerateAfter = 0;
    int smooth = 0;
    bool flat = false;
    std::string out;
    std::string map;
    std::string textures;
    std::string demo;
    int repeat = 1;
    bool timed = false;
    bool help = false;
};

// The limits of the values, each named in the usage and the manual page.
constexpr int kDvMaxSide = 16384;     // either side of the frame
constexpr int kDvMaxDemoSide = 4096;  // either side of the frame under --demo
constexpr int kDvMaxRepeat = 1000000; // frames timed
constexpr int kDvMaxSmooth = 1000;    // smoothing passes

extern const char kDvRenderUsage[];

// Reads argv[1..argc-1] into options; true when they are sound (options.help may then ask for
// the usage), else false with one line about the first fault in *pError.
bool DvParseRenderOptions(int argc, const char* const* argv, DvRenderOptions& options,
                          std::string* pError);

// A name as it is safe to show on a terminal: in single quotes, with quotes, backslashes and
// every byte that is not printable ASCII written as \xNN.
std::string DvQuoted(const std::string& text);
