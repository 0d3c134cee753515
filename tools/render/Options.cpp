#include "tools/render/Options.h"

#include <climits>
#include <cstring>

const char kDvRenderUsage[] =
    "usage: dorvane-render [options]\n"
    "Renders one frame of Dorvane's terrain as the viewer draws it.\n"
    "\n"
    "  --size WxH               back buffer size, each side 1 to 16384 (default 400x300)\n"
    "  --camera X,Y,ALTITUDE,HEADING,HORIZON,SCALE\n"
    "                           camera (default 10000,100,4000,0,0,256)\n"
    "  --mode N                 colour mode: 0 heights, 1 columns, 2 rows, 3 textures (default 3)\n"
    "  --solid                  solid columns\n"
    "  --follow                 terrain following\n"
    "  --detail                 sub-cell detail\n"
    "  --regenerate-after N     draw N random values after the first map, then generate again\n"
    "  --smooth N               N smoothing passes, 0 to 1000 (after any regeneration)\n"
    "  --flat                   allocate the map but do not generate it\n"
    "  --out FILE               write the frame as a PNG file when FILE ends in .png, else as\n"
    "                           an 8-bit BMP file\n"
    "  --map FILE               write the map's cells (512 x 512 little-endian 32-bit words)\n"
    "  --textures DIR           write the six textures as DIR/<resource id>.bmp\n"
    "  --demo FILE              write the surface's compositing operations on the frame\n"
    "                           as a 24-bit BMP file of four panels (frames up to 4096x4096)\n"
    "  --repeat N               render N times, 1 to 1000000, and print the median and\n"
    "                           minimum frame time\n"
    "  --help                   this text\n"
    "\n"
    "Files are written whole or not at all: a failure leaves any earlier file as it was.\n";

namespace {

// Plain decimal: an optional minus sign and digits, nothing else.
bool ParseInt(const std::string& text, int& value) {
    std::size_t i = text.size() > 1 && text[0] == '-' ? 1 : 0;
    if (i == text.size()) {
        return false;
    }
    long long v = 0;
    for (; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9') {
            return false;
        }
        v = v * 10 + (text[i] - '0');
        if (v > static_cast<long long>(INT_MAX) + 1) {
            return false;
        }
    }
    if (text[0] == '-') {
        v = -v;
    }
    if (v < INT_MIN || v > INT_MAX) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

// Whole numbers separated by `separator`, exactly `count` of them.
bool ParseList(const std::string& s, char separator, int* values, int count) {
    std::size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t end = i + 1 < count ? s.find(separator, start) : s.size();
        if (end == std::string::npos) {
            return false;
        }
        if (!ParseInt(s.substr(start, end - start), values[i])) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

bool InRange(const std::string& text, int low, int high, int& value) {
    return ParseInt(text, value) && value >= low && value <= high;
}

} // namespace

std::string DvQuoted(const std::string& text) {
    static const char hex[] = "0123456789abcdef";
    std::string quoted = "'";
    for (const char ch : text) {
        const unsigned char c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c > 0x7E || c == '\'' || c == '\\') {
            quoted += "\\x";
            quoted += hex[c >> 4];
            quoted += hex[c & 0xF];
        } else {
            quoted += ch;
        }
    }
    return quoted + "'";
}

bool DvParseRenderOptions(int argc, const char* const* argv, DvRenderOptions& options,
                          std::string* pError) {
    auto fail = [&](const std::string& message) {
        if (pError != nullptr) {
            *pError = message;
        }
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help") {
            options.help = true;
            return true;
        }
        if (name == "--solid") {
            options.solid = true;
            continue;
        }
        if (name == "--follow") {
            options.follow = true;
            continue;
        }
        if (name == "--detail") {
            options.detail = true;
            continue;
        }
        if (name == "--flat") {
            options.flat = true;
            continue;
        }
        const bool takesValue = name == "--size" || name == "--camera" || name == "--mode" ||
                                name == "--regenerate-after" || name == "--smooth" ||
                                name == "--out" || name == "--map" || name == "--textures" ||
                                name == "--repeat" || name == "--demo";
        if (!takesValue) {
            return fail("unknown option " + DvQuoted(name) + " (see --help)");
        }
        if (i + 1 >= argc) {
            return fail(name + " needs a value (see --help)");
        }
        const std::string value = argv[++i];
        const std::string bad = "bad value " + DvQuoted(value) + " for " + name;
        if (name == "--size") {
            int size[2];
            if (!ParseList(value, 'x', size, 2) || size[0] <= 0 || size[1] <= 0 ||
                size[0] > kDvMaxSide || size[1] > kDvMaxSide) {
                return fail(bad + " (expected WxH, each side 1 to " + std::to_string(kDvMaxSide) +
                            ")");
            }
            options.width = size[0];
            options.height = size[1];
        } else if (name == "--camera") {
            if (!ParseList(value, ',', options.camera, 6)) {
                return fail(bad +
                            " (expected six whole numbers X,Y,ALTITUDE,HEADING,HORIZON,SCALE)");
            }
        } else if (name == "--mode") {
            if (!InRange(value, 0, 3, options.mode)) {
                return fail(bad + " (expected 0, 1, 2 or 3)");
            }
        } else if (name == "--regenerate-after") {
            if (!InRange(value, 0, INT_MAX, options.regenerateAfter)) {
                return fail(bad + " (expected a number of draws, 0 or more)");
            }
            options.regenerate = true;
        } else if (name == "--smooth") {
            if (!InRange(value, 0, kDvMaxSmooth, options.smooth)) {
                return fail(bad + " (expected a number of passes, 0 to " +
                            std::to_string(kDvMaxSmooth) + ")");
            }
        } else if (name == "--repeat") {
            if (!InRange(value, 1, kDvMaxRepeat, options.repeat)) {
                return fail(bad + " (expected a number of frames, 1 to " +
                            std::to_string(kDvMaxRepeat) + ")");
            }
            options.timed = true;
        } else if (value.empty()) {
            return fail(bad + " (expected a path)");
        } else if (name == "--out") {
            options.out = value;
        } else if (name == "--map") {
            options.map = value;
        } else if (name == "--demo") {
            options.demo = value;
        } else {
            options.textures = value;
        }
    }
    if (options.flat && options.regenerate) {
        return fail(
            "--flat and --regenerate-after exclude each other: a flat map is never generated");
    }
    if (!options.demo.empty() &&
        (options.width > kDvMaxDemoSide || options.height > kDvMaxDemoSide)) {
        return fail("--demo draws frames up to " + std::to_string(kDvMaxDemoSide) + "x" +
                    std::to_string(kDvMaxDemoSide) + "; this one is " +
                    std::to_string(options.width) + "x" + std::to_string(options.height));
    }
    return true;
}
