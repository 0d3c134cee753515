// Painting a full-HD view and presenting it on the desktop: the view's paint (an 8-bit surface
// copied one to one onto the window through its colour table) and the host's presentation of
// the changed pixels through SDL to a private X server.
#include <windows.h>
#include <afxwin.h>
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "XvfbServer.h"
#include "gfx/DIB.h"
#include "host/sdl/SdlHost.h"
#include "win32/window.h"

namespace {

CDIB* g_pSurface = nullptr;

LRESULT CALLBACK ViewProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hWnd, &ps);
        CDC dc;
        dc.Attach(hdc);
        if (g_pSurface != nullptr) {
            g_pSurface->Paint(&dc);
        }
        dc.Detach();
        EndPaint(hWnd, &ps);
        return 0;
    }
    return DefWindowProc(hWnd, message, wParam, lParam);
}

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

    const int width = 1920;
    const int height = 1080;
    CDIB surface;
    surface.Create(width, height, 0, nullptr);
    // Something like a frame: sky above, bands of colour below.
    for (int row = 0; row < height; ++row) {
        BYTE* line = surface.Bits() + static_cast<size_t>(height - 1 - row) * surface.Stride();
        for (int x = 0; x < width; ++x) {
            line[x] = static_cast<BYTE>(row < height / 3 ? 178 : (x / 7 + row / 5) & 0xFF);
        }
    }
    g_pSurface = &surface;

    WNDCLASS wc = {};
    wc.lpfnWndProc = ViewProc;
    wc.lpszClassName = "DvPresentBench";
    RegisterClass(&wc);
    HWND top = CreateWindowEx(0, "DvPresentBench", "present", WS_POPUP | WS_CAPTION | WS_VISIBLE, 0,
                              0, width, height, nullptr, nullptr, nullptr, nullptr);
    DvPumpMessages();
    for (auto _ : state) {
        InvalidateRect(top, nullptr, FALSE);
        DvPumpMessages(); // the paint, then the presentation of what it changed
    }
    DestroyWindow(top);
    DvPumpMessages();
    g_pSurface = nullptr;
    surface.Destroy();
    DvInstallHost(std::move(previous));
}

BENCHMARK(BM_PaintAndPresentFullHd)->Unit(benchmark::kMillisecond)->MinTime(1.0);

} // namespace
