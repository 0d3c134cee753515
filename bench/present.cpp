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
    CXvfbServer server;
    std::string error;
    if (!server.Start(2048, 1280, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::unique_ptr<CSdlHost> sdl = CSdlHost::Open(&error);
    if (!sdl) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::unique_ptr<CHost> previous = DvInstallHost(std::move(sdl));

    const int width = bench::CPaintedView::kWidth;
    const int height = bench::CPaintedView::kHeight;
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

BENCHMARK(BM_PaintAndPresentFullHd)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
