// dorvane-render: sets up the map, the palette, the textures, the back buffer and the camera as
// the viewer does, renders with CTerrainView::Render and writes what was asked for.
#include "app/TerrainDlg.h"
#include "gfx/DIB.h"
#include "gfx/Palette.h"
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"
#include "tools/render/CompositingDemo.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kUsage[] =
    "usage: dorvane-render [options]\n"
    "Renders one frame of Dorvane's terrain as the viewer draws it.\n"
    "\n"
    "  --size WxH               back buffer size (default 400x300)\n"
    "  --camera X,Y,ALTITUDE,HEADING,HORIZON,SCALE\n"
    "                           camera (default 10000,100,4000,0,0,256)\n"
    "  --mode N                 colour mode: 0 heights, 1 columns, 2 rows, 3 textures (default 3)\n"
    "  --solid                  solid columns\n"
    "  --follow                 terrain following\n"
    "  --detail                 sub-cell detail\n"
    "  --regenerate-after N     draw N random values after the first map, then generate again\n"
    "  --smooth N               N smoothing passes (after any regeneration)\n"
    "  --flat                   allocate the map but do not generate it\n"
    "  --out FILE               write the frame as an 8-bit BMP file\n"
    "  --map FILE               write the map's cells (512 x 512 little-endian 32-bit words)\n"
    "  --textures DIR           write the six textures as DIR/<resource id>.bmp\n"
    "  --demo FILE              write the surface's compositing operations on the frame\n"
    "                           as a 24-bit BMP file of four panels\n"
    "  --repeat N               render N times and print the median and minimum frame time\n"
    "  --help                   this text\n";

struct Options {
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
};

// One clear line, and the status of a bad command line.
int Fail(const std::string& message) {
    std::fprintf(stderr, "dorvane-render: %s\n", message.c_str());
    return 2;
}

bool ParseInt(const char* text, int& value) {
    if (!*text) {
        return false;
    }
    errno = 0;
    char* end = nullptr;
    const long long v = std::strtoll(text, &end, 10);
    if (errno != 0 || *end != '\0' || v < INT_MIN || v > INT_MAX) {
        return false;
    }
    value = static_cast<int>(v);
    return true;
}

// Whole numbers separated by `separator`, exactly `count` of them.
bool ParseList(const char* text, char separator, int* values, int count) {
    std::string s(text);
    std::size_t start = 0;
    for (int i = 0; i < count; ++i) {
        const std::size_t end = i + 1 < count ? s.find(separator, start) : s.size();
        if (end == std::string::npos) {
            return false;
        }
        if (!ParseInt(s.substr(start, end - start).c_str(), values[i])) {
            return false;
        }
        start = end + 1;
    }
    return true;
}

// Returns -1 when the options were read, else the exit status.
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string name = argv[i];
        if (name == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
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
            return Fail("unknown option '" + name + "' (see --help)");
        }
        if (i + 1 >= argc) {
            return Fail(name + " needs a value (see --help)");
        }
        const char* value = argv[++i];
        const std::string bad = "bad value '" + std::string(value) + "' for " + name;
        if (name == "--size") {
            int size[2];
            if (!ParseList(value, 'x', size, 2) || size[0] <= 0 || size[1] <= 0) {
                return Fail(bad + " (expected WxH, both positive)");
            }
            options.width = size[0];
            options.height = size[1];
        } else if (name == "--camera") {
            if (!ParseList(value, ',', options.camera, 6)) {
                return Fail(bad +
                            " (expected six whole numbers X,Y,ALTITUDE,HEADING,HORIZON,SCALE)");
            }
        } else if (name == "--mode") {
            if (!ParseInt(value, options.mode)) {
                return Fail(bad + " (expected a whole number)");
            }
        } else if (name == "--regenerate-after") {
            if (!ParseInt(value, options.regenerateAfter) || options.regenerateAfter < 0) {
                return Fail(bad + " (expected a number of draws, 0 or more)");
            }
            options.regenerate = true;
        } else if (name == "--smooth") {
            if (!ParseInt(value, options.smooth) || options.smooth < 0) {
                return Fail(bad + " (expected a number of passes, 0 or more)");
            }
        } else if (name == "--repeat") {
            if (!ParseInt(value, options.repeat) || options.repeat < 1) {
                return Fail(bad + " (expected a number of frames, 1 or more)");
            }
            options.timed = true;
        } else if (!*value) {
            return Fail(bad + " (expected a path)");
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
        return Fail(
            "--flat and --regenerate-after exclude each other: a flat map is never generated");
    }
    return -1;
}

void Put16(std::vector<unsigned char>& bytes, unsigned v) {
    bytes.push_back(static_cast<unsigned char>(v & 0xFF));
    bytes.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}

void Put32(std::vector<unsigned char>& bytes, std::uint32_t v) {
    Put16(bytes, v & 0xFFFF);
    Put16(bytes, v >> 16);
}

bool WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

// The surface as an 8-bit bottom-up BMP file: file header, its own header and colour table,
// then its rows as they are stored.
bool WriteBitmap(const std::string& path, const CDIB& dib) {
    if (!dib.m_pBMI || !dib.Bits()) {
        return false;
    }
    const std::uint32_t pixelBytes =
        static_cast<std::uint32_t>(dib.Stride()) * static_cast<std::uint32_t>(dib.Height());
    const std::uint32_t offset = 14 + 40 + 256 * 4;
    std::vector<unsigned char> bytes;
    bytes.reserve(offset + pixelBytes);
    bytes.push_back('B');
    bytes.push_back('M');
    Put32(bytes, offset + pixelBytes);
    Put32(bytes, 0);
    Put32(bytes, offset);
    const BITMAPINFOHEADER& h = dib.m_pBMI->bmiHeader;
    Put32(bytes, 40);
    Put32(bytes, static_cast<std::uint32_t>(h.biWidth));
    Put32(bytes, static_cast<std::uint32_t>(h.biHeight));
    Put16(bytes, 1);
    Put16(bytes, 8);
    Put32(bytes, 0); // BI_RGB
    Put32(bytes, pixelBytes);
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 0);
    Put32(bytes, 0);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD& c = dib.m_pBMI->bmiColors[i];
        bytes.push_back(c.rgbBlue);
        bytes.push_back(c.rgbGreen);
        bytes.push_back(c.rgbRed);
        bytes.push_back(0);
    }
    bytes.insert(bytes.end(), dib.Bits(), dib.Bits() + pixelBytes);
    return WriteFile(path, bytes);
}

bool WriteMap(const std::string& path, const CHeightMap& map) {
    std::vector<unsigned char> bytes;
    const std::size_t count =
        static_cast<std::size_t>(map.m_columns) * static_cast<std::size_t>(map.m_rows);
    bytes.reserve(count * 4);
    for (std::size_t i = 0; i < count; ++i) {
        Put32(bytes, map.m_cells[i]);
    }
    return WriteFile(path, bytes);
}

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    const int status = ParseOptions(argc, argv, options);
    if (status >= 0) {
        return status;
    }

    // The palette file beside the executable, as the main dialog reads it.
    CTerrainDlg::LoadPalette();

    CHeightMap map;
    if (!map.Allocate(512, 512)) {
        std::fprintf(stderr, "dorvane-render: cannot allocate the height map\n");
        return 1;
    }
    if (!options.flat) {
        map.Generate(100);
        if (options.regenerate) {
            // As that many timer ticks do, then the regenerate command.
            for (int i = 0; i < options.regenerateAfter; ++i) {
                rand();
            }
            map.Generate(100);
        }
    }
    for (int i = 0; i < options.smooth; ++i) {
        map.Smooth();
    }
    map.m_detail = options.detail ? 1 : 0;

    CTerrainView view;
    view.LoadTextures();
    view.m_pBackBuffer = new CDIB;
    if (!view.m_pBackBuffer->Create(options.width, options.height, 0, g_pPalette)) {
        std::fprintf(stderr, "dorvane-render: cannot create a %dx%d back buffer\n", options.width,
                     options.height);
        return 1;
    }

    CCamera camera;
    camera.m_x = options.camera[0];
    camera.m_y = options.camera[1];
    camera.m_altitude = options.camera[2];
    camera.SetHeading(options.camera[3]);
    camera.m_horizonOffset = options.camera[4];
    camera.m_scale = options.camera[5];
    g_colourMode = options.mode;
    g_solidColumns = options.solid ? 1 : 0;
    g_followTerrain = options.follow ? 1 : 0;

    std::vector<double> times;
    for (int i = 0; i < options.repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        view.Render(&camera, &map, 1);
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    }
    if (options.timed) {
        std::sort(times.begin(), times.end());
        const std::size_t n = times.size();
        const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        std::printf("%dx%d mode %d: median %.3f ms, min %.3f ms over %d frames\n", options.width,
                    options.height, options.mode, median, times.front(), options.repeat);
    }

    if (!options.out.empty() && !WriteBitmap(options.out, *view.m_pBackBuffer)) {
        std::fprintf(stderr, "dorvane-render: cannot write %s\n", options.out.c_str());
        return 1;
    }
    if (!options.demo.empty() && !WriteCompositingDemo(*view.m_pBackBuffer, options.demo.c_str())) {
        std::fprintf(stderr, "dorvane-render: cannot write %s\n", options.demo.c_str());
        return 1;
    }
    if (!options.map.empty() && !WriteMap(options.map, map)) {
        std::fprintf(stderr, "dorvane-render: cannot write %s\n", options.map.c_str());
        return 1;
    }
    if (!options.textures.empty()) {
        for (int slot = 0; slot < 6; ++slot) {
            const std::string path =
                options.textures + "/" + std::to_string(CTerrainView::s_textureIds[slot]) + ".bmp";
            if (!view.m_pTextures[slot] || !WriteBitmap(path, *view.m_pTextures[slot])) {
                std::fprintf(stderr, "dorvane-render: cannot write %s\n", path.c_str());
                return 1;
            }
        }
    }
    return 0;
}
