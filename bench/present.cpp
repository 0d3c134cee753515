// Painting a full-HD view and presenting it on the desktop: the view's paint (an 8-bit surface
// copied one to one onto the window through its colour table) and the host's presentation of
// the changed pixels to a private X server, at the desktop's scale 1 and 2. Beside them, what
// the server alone spends putting a window's worth of pixels on its screen: the least that
// showing that many pixels can cost there, whoever scales them.
#include <windows.h>
#include <afxwin.h>
#include <benchmark/benchmark.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>
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

// One window-sized image from shared memory onto the window, waiting for the server each time.
void BM_ServerPutsAWindowOfPixels(benchmark::State& state) {
    CXvfbServer server;
    std::string error;
    if (!server.Start(4096, 2400, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr || !XShmQueryExtension(display)) {
        state.SkipWithError("no shared memory with the server");
        return;
    }
    const int width = static_cast<int>(state.range(0));
    const int height = width * 9 / 16;
    const int screen = DefaultScreen(display);
    const Window window =
        XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display, window);
    GC gc = XCreateGC(display, window, 0, nullptr);
    XShmSegmentInfo shm = {};
    XImage* image =
        XShmCreateImage(display, DefaultVisual(display, screen), 24, ZPixmap, nullptr, &shm,
                        static_cast<unsigned>(width), static_cast<unsigned>(height));
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height);
    shm.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    shm.shmaddr = image->data = static_cast<char*>(shmat(shm.shmid, nullptr, 0));
    shm.readOnly = True;
    XShmAttach(display, &shm);
    XSync(display, False);
    shmctl(shm.shmid, IPC_RMID, nullptr);
    std::memset(image->data, 0x5A, bytes);
    for (auto _ : state) {
        XShmPutImage(display, window, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
                     static_cast<unsigned>(height), False);
        XSync(display, False);
    }
    XShmDetach(display, &shm);
    XSync(display, False);
    shmdt(shm.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    XFreeGC(display, gc);
    XCloseDisplay(display);
}

// The time is the server's: this process waits, so its own processor time cannot pace the runs.
BENCHMARK(BM_ServerPutsAWindowOfPixels)
    ->Arg(1920)
    ->Arg(3840)
    ->Unit(benchmark::kMillisecond)
    ->MinTime(1.0)
    ->UseRealTime();

} // namespace
