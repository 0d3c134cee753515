// The windowing core on the headless host: a full-HD view painted through the paint context
// and handed to the host as the changed rectangle, and an idle pump that finds nothing to do.
// Together with the desktop's presentation benchmark this shows what the core itself costs.
#include <windows.h>
#include <afxwin.h>
#include <benchmark/benchmark.h>

#include <memory>

#include "PaintedView.h"
#include "host/headless/HeadlessHost.h"
#include "win32/window.h"

namespace {

void BM_PaintAndPresentFullHdHeadless(benchmark::State& state) {
    std::unique_ptr<CHost> previous = DvInstallHost(std::make_unique<CHeadlessHost>());
    const int width = bench::CPaintedView::kWidth;
    const int height = bench::CPaintedView::kHeight;
    bench::CPaintedView painted("DvWindowingBench");
    // The view as the main dialog holds it: a child inside a top-level window.
    HWND top = CreateWindowEx(0, WC_DIALOG, "Dorvane", WS_POPUP | WS_VISIBLE, 0, 0, width + 90,
                              height + 20, nullptr, nullptr, nullptr, nullptr);
    HWND view = CreateWindowEx(0, "DvWindowingBench", "Orvik", WS_CHILD | WS_VISIBLE, 76, 9, width,
                               height, top, reinterpret_cast<HMENU>(1), nullptr, nullptr);
    DvPumpMessages();
    for (auto _ : state) {
        InvalidateRect(view, nullptr, FALSE);
        DvPumpMessages(); // the paint, then the presentation of what it changed
    }
    DestroyWindow(top);
    DvPumpMessages();
    DvInstallHost(std::move(previous));
}

void BM_IdlePumpWithTimerAndControls(benchmark::State& state) {
    std::unique_ptr<CHost> previous = DvInstallHost(std::make_unique<CHeadlessHost>());
    HWND top = CreateWindowEx(0, WC_DIALOG, "Dorvane", WS_POPUP | WS_VISIBLE, 0, 0, 441, 192,
                              nullptr, nullptr, nullptr, nullptr);
    for (int i = 0; i < 6; ++i) {
        CreateWindowEx(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_BLACKFRAME, i * 10, 0, 8, 8, top,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(100 + i)), nullptr, nullptr);
    }
    SetTimer(top, 2, 50, nullptr);
    DvPumpMessages();
    for (auto _ : state) {
        benchmark::DoNotOptimize(DvPumpMessages());
    }
    DestroyWindow(top);
    DvPumpMessages();
    DvInstallHost(std::move(previous));
}

BENCHMARK(BM_PaintAndPresentFullHdHeadless)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_IdlePumpWithTimerAndControls)->Unit(benchmark::kMicrosecond);

} // namespace
