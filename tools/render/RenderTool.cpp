// Sets up the map, the palette, the textures, the back buffer and the camera as the viewer does,
// renders with CTerrainView::Render and writes what was asked for.
#include "tools/render/RenderTool.h"

#include "app/TerrainDlg.h"
#include "gfx/DIB.h"
#include "gfx/Palette.h"
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"
#include "tools/render/CompositingDemo.h"
#include "tools/render/Options.h"
#include "tools/render/OutputFile.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Whatever went to out reached it; else one line and status 1.
int Flushed(std::FILE* out, std::FILE* err) {
    errno = 0;
    if (std::fflush(out) != 0 || std::ferror(out)) {
        std::fprintf(err, "dorvane-render: cannot write the standard output: %s\n",
                     std::strerror(errno != 0 ? errno : EIO));
        return 1;
    }
    return 0;
}

} // namespace

int DvRunRenderTool(int argc, const char* const* argv, std::FILE* out, std::FILE* err) {
    DvRenderOptions options;
    std::string error;
    if (!DvParseRenderOptions(argc, argv, options, &error)) {
        std::fprintf(err, "dorvane-render: %s\n", error.c_str());
        return 2;
    }
    if (options.help) {
        std::fputs(kDvRenderUsage, out);
        return Flushed(out, err);
    }
    auto fail = [&](const std::string& message) {
        std::fprintf(err, "dorvane-render: %s\n", message.c_str());
        return 1;
    };

    // Every output is created before the work starts, so that a name that cannot be written is
    // reported at once; none of them takes its name unless all of them were written.
    COutputSet outputs;
    CPendingFile* still = nullptr;
    CPendingFile* demo = nullptr;
    CPendingFile* mapFile = nullptr;
    CPendingFile* textures[6] = {};
    if (!options.out.empty() && !(still = outputs.Add(options.out, &error))) {
        return fail(error);
    }
    if (!options.demo.empty() && !(demo = outputs.Add(options.demo, &error))) {
        return fail(error);
    }
    if (!options.map.empty() && !(mapFile = outputs.Add(options.map, &error))) {
        return fail(error);
    }
    if (!options.textures.empty()) {
        for (int slot = 0; slot < 6; ++slot) {
            const std::string path =
                options.textures + "/" + std::to_string(CTerrainView::s_textureIds[slot]) + ".bmp";
            if (!(textures[slot] = outputs.Add(path, &error))) {
                return fail(error);
            }
        }
    }

    // The palette file beside the executable, as the main dialog reads it.
    CTerrainDlg::LoadPalette();

    // The random sequence from its start, as in a new process, so that every run in one
    // process (a test's, the fuzzer's) draws the same map for the same options.
    srand(1);
    CHeightMap map;
    if (!map.Allocate(512, 512)) {
        return fail("cannot allocate the height map");
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
        return fail("cannot create a " + std::to_string(options.width) + "x" +
                    std::to_string(options.height) + " back buffer");
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

    // The frame times, at most kDvMaxRepeat of them.
    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(options.repeat));
    for (int i = 0; i < options.repeat; ++i) {
        const auto start = std::chrono::steady_clock::now();
        view.Render(&camera, &map, 1);
        times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
    }
    if (options.timed) {
        std::sort(times.begin(), times.end());
        const std::size_t n = times.size();
        const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        std::fprintf(out, "%dx%d mode %d: median %.3f ms, min %.3f ms over %d frames\n",
                     options.width, options.height, options.mode, median, times.front(),
                     options.repeat);
        if (Flushed(out, err) != 0) {
            return 1;
        }
    }

    if (still && !DvWriteStill(*still, *view.m_pBackBuffer)) {
        return fail(DvCannotWrite(*still));
    }
    if (demo && !DvWriteCompositingDemo(*view.m_pBackBuffer, *demo)) {
        return fail(DvCannotWrite(*demo));
    }
    if (mapFile && !DvWriteMap(*mapFile, map)) {
        return fail(DvCannotWrite(*mapFile));
    }
    for (int slot = 0; slot < 6; ++slot) {
        if (textures[slot] &&
            (!view.m_pTextures[slot] || !DvWriteBmp(*textures[slot], *view.m_pTextures[slot]))) {
            return fail(DvCannotWrite(*textures[slot]));
        }
    }
    if (!outputs.CommitAll(&error)) {
        return fail(error);
    }
    return 0;
}
