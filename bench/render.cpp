// The cost of one frame: CTerrainView::Render of the first terrain in texture mode, beside a
// plain rendition of the same rules (a height query and a division at every step) measured in
// the same run, at three sizes, from two cameras, in single-pixel and solid mode.
#include "render/Camera.h"
#include "render/RenderSettings.h"
#include "render/TerrainView.h"
#include "terrain/HeightMap.h"
#include "tests/render/PlainCaster.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

struct Scene {
    CHeightMap map;
    CTerrainView view;
    Scene() {
        map.Allocate(512, 512);
        srand(1);
        map.Generate(100);
        view.LoadTextures();
    }
};

Scene& TheScene() {
    static Scene scene;
    return scene;
}

struct CameraSetting {
    const char* name;
    int x, y, altitude, heading, horizon, scale;
};

const CameraSetting kCameras[] = {
    {"start", 10000, 100, 4000, 0, 0, 256},
    {"centre45", 20000, 20000, 3000, 45, 0, 256},
};

void RenderFrame(benchmark::State& state, const CameraSetting& setting, int width, int height,
                 int solid, bool plainRules) {
    Scene& scene = TheScene();
    scene.view.FreeBackBuffer();
    scene.view.m_pBackBuffer = new CDIB;
    scene.view.m_pBackBuffer->Create(width, height, 0, nullptr);
    CCamera camera;
    camera.m_x = setting.x;
    camera.m_y = setting.y;
    camera.m_altitude = setting.altitude;
    camera.SetHeading(setting.heading);
    camera.m_horizonOffset = setting.horizon;
    camera.m_scale = setting.scale;
    g_colourMode = 3;
    g_solidColumns = solid;
    g_followTerrain = 0;
    for (auto _ : state) {
        if (plainRules) {
            plain::Render<int>(scene.view, camera, scene.map);
        } else {
            scene.view.Render(&camera, &scene.map, 1);
        }
        benchmark::DoNotOptimize(scene.view.m_pBackBuffer->Bits());
        benchmark::ClobberMemory();
    }
    g_solidColumns = 0;
}

const int registered = [] {
    const int sizes[][2] = {{400, 300}, {1920, 1080}, {3840, 2160}};
    for (const auto& size : sizes) {
        for (const CameraSetting& setting : kCameras) {
            for (int solid = 0; solid <= 1; ++solid) {
                for (int plainRules = 0; plainRules <= 1; ++plainRules) {
                    const std::string name =
                        std::string("BM_Render") + (plainRules ? "Plain/" : "/") +
                        std::to_string(size[0]) + "x" + std::to_string(size[1]) + "/" +
                        setting.name + (solid ? "/solid" : "/pixel");
                    benchmark::RegisterBenchmark(name.c_str(), RenderFrame, setting, size[0],
                                                 size[1], solid, plainRules != 0)
                        ->Unit(benchmark::kMillisecond);
                }
            }
        }
    }
    return 0;
}();

} // namespace
