// Painting a full-HD view and presenting it on the desktop: the view's paint (an 8-bit surface
// copied one to one onto the window through its colour table) and the host's presentation of
// the changed pixels through SDL to a private X server.
#include <windows.h>
#include <afxwin.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "PaintedView.h"
#include "XvfbServer.h"
#include "host/sdl/SdlHost.h"
#include "win32/window.h"

namespace {

void BM_PaintAndPresentFullHd(benchmark::State& state) {
    const int scale = static_cast<int>(state.range(0));
    CXvfbServer server;
    std::string error;
    // Room for the scaled window either way, so that both scales run on the same server.
    if (!server.Start(4096, 2400, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    setenv("GDK_SCALE", std::to_string(scale).c_str(), 1);
    std::unique_ptr<CSdlHost> sdl = CSdlHost::Open(&error);
    unsetenv("GDK_SCALE");
    if (sdl && sdl->Scale() != scale) {
        state.SkipWithError("the host did not take the scale");
        return;
    }
    if (!sdl) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::unique_ptr<CHost> previous = DvInstallHost(std::move(sdl));

    const int width = static_cast<int>(state.range(1));
    const int height = width * 9 / 16;
    bench::CPaintedView painted("DvPresentBench");
    HWND top = CreateWindowEx(0, "DvPresentBench", "present", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0,
                              0, width, height, nullptr, nullptr, nullptr, nullptr);
    DvPumpMessages();
    for (auto _ : state) {
        InvalidateRect(top, nullptr, FALSE);
        DvPumpMessages(); // the paint, then the presentation of what it changed
    }
    DestroyWindow(top);
    DvPumpMessages();
    DvInstallHost(std::move(previous));
}

BENCHMARK(BM_PaintAndPresentFullHd)
    ->Args({1, 1920})
    ->Args({2, 1920})
    ->Args({2, 960})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0);

} // namespace
