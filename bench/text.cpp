// The cost of text and icons on a paint: a dialog label and a word-wrapped notice drawn with
// DrawText into an 8-bit surface with warm caches, measuring a label with DT_CALCRECT, and
// DrawIcon. The first-use cost of a face (finding and opening it) is measured apart.
#include <benchmark/benchmark.h>

#include <windows.h>

#include "win32/FontCatalog.h"
#include "win32/FontFace.h"
#include "win32/iconobj.h"

#include <cstring>
#include <vector>

namespace {

struct Surface {
    Surface() {
        std::vector<BYTE> record(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* info = reinterpret_cast<BITMAPINFO*>(record.data());
        info->bmiHeader = {sizeof(BITMAPINFOHEADER), 320, 200, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
        for (int i = 0; i < 256; ++i) {
            info->bmiColors[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
        }
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        font = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, 0, 0, 0, 0, 0, "MS Sans Serif");
        oldFont = SelectObject(dc, font);
        SetTextColor(dc, PALETTERGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
    }
    ~Surface() {
        SelectObject(dc, oldFont);
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
        DeleteObject(font);
    }
    HBITMAP bitmap;
    HDC dc;
    HGDIOBJ old;
    HFONT font;
    HGDIOBJ oldFont;
};

void DrawLabel(benchmark::State& state) {
    Surface s;
    for (auto _ : state) {
        RECT r{60, 15, 238, 27};
        benchmark::DoNotOptimize(DrawText(s.dc, "Dorvane Version 1.0", -1, &r, DT_NOPREFIX));
    }
}
BENCHMARK(DrawLabel);

void DrawWrappedNotice(benchmark::State& state) {
    Surface s;
    for (auto _ : state) {
        RECT r{60, 37, 301, 61};
        benchmark::DoNotOptimize(
            DrawText(s.dc, "Copyright 2026 the Dorvane authors.\nFree to use, share and change.",
                     -1, &r, DT_WORDBREAK));
    }
}
BENCHMARK(DrawWrappedNotice);

void MeasureLabel(benchmark::State& state) {
    Surface s;
    for (auto _ : state) {
        RECT r{0, 0, 0, 0};
        benchmark::DoNotOptimize(DrawText(s.dc, "&About Dorvane...", -1, &r, DT_CALCRECT));
    }
}
BENCHMARK(MeasureLabel);

void OpenFaceCold(benchmark::State& state) {
    // A new size each time, so that the face is opened and its glyphs drawn afresh.
    int em = 8;
    const FontFile& file = CFontCatalog::Instance().Find("MS Sans Serif", FW_NORMAL, false);
    for (auto _ : state) {
        CFontFace* face = CFontFace::Get(file, em);
        for (char c : std::string("Dorvane Version 1.0")) {
            benchmark::DoNotOptimize(face->Advance(static_cast<unsigned char>(c)));
        }
        em = em < 400 ? em + 1 : 8;
    }
}
BENCHMARK(OpenFaceCold);

void DrawProgramIcon(benchmark::State& state) {
    Surface s;
    HICON icon = LoadIcon(nullptr, MAKEINTRESOURCE(128));
    for (auto _ : state) {
        benchmark::DoNotOptimize(DrawIcon(s.dc, 7, 7, icon));
    }
}
BENCHMARK(DrawProgramIcon);

} // namespace
