// The surface operations of every frame at full HD: clearing the back buffer by rows and
// painting it one to one onto a true-colour screen.
#include <benchmark/benchmark.h>

#include "gfx/DIB.h"

#include "win32/gdiobj.h"

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

void FillRowsFullHD(benchmark::State& state) {
    CDIB dib;
    if (!dib.Create(kWidth, kHeight, 0, nullptr)) {
        state.SkipWithError("no surface");
        return;
    }
    for (auto _ : state) {
        // The renderer's clear: sky above the horizon row, colour 0 from it down.
        dib.FillRows(178, 0, kHeight / 2 - 1);
        dib.FillRows(0, kHeight / 2, kHeight - 1);
        benchmark::DoNotOptimize(dib.Bits());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(dib.Stride()) * kHeight);
}
BENCHMARK(FillRowsFullHD)->Unit(benchmark::kMillisecond);

// A top-down 32-bit screen as the windowing layer makes them, drawn through a window context.
void PaintFullHD(benchmark::State& state) {
    CDIB dib;
    if (!dib.Create(kWidth, kHeight, 0, nullptr)) {
        state.SkipWithError("no surface");
        return;
    }
    for (int r = 0; r < kHeight; ++r) {
        for (int x = 0; x < kWidth; ++x) {
            dib.Bits()[r * dib.Stride() + x] = static_cast<BYTE>(x * 7 + r * 3);
        }
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = -kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    HBITMAP screen = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
    CDC dc;
    dc.Attach(DvCreateWindowDC(screen, POINT{0, 0}, RECT{0, 0, kWidth, kHeight}));
    for (auto _ : state) {
        dib.Paint(&dc);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
    dc.DeleteDC();
    DeleteObject(screen);
}
BENCHMARK(PaintFullHD)->Unit(benchmark::kMillisecond);

} // namespace
