// Time from the viewer's process start to its first frame on the screen, on a private X
// server: the clock starts just before the process is made and stops when the X server's
// pixels in the view are exactly the frame the stills renderer draws for the view's size.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <benchmark/benchmark.h>
#include <poll.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "ViewerSession.h"

namespace {

int IgnoreXErrors(Display*, XErrorEvent*) {
    return 0;
}

// Whether the window's pixels at view hold exactly the expected picture.
bool ShowsFrame(Display* display, Window window, const DvViewRect& view, const CImage& expected) {
    XImage* image = XGetImage(display, window, view.x, view.y, static_cast<unsigned>(view.width),
                              static_cast<unsigned>(view.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    bool same = true;
    for (int y = 0; y < view.height && same; ++y) {
        for (int x = 0; x < view.width; ++x) {
            const std::uint32_t pixel = static_cast<std::uint32_t>(XGetPixel(image, x, y));
            if ((pixel & 0xFFFFFFu) != expected.At(x, y)) {
                same = false;
                break;
            }
        }
    }
    XDestroyImage(image);
    return same;
}

void BM_StartupToFirstFrame(benchmark::State& state) {
    std::string missing;
    if (!CXvfbServer::ToolsPresent(&missing) ||
        !std::filesystem::exists(CViewerSession::ViewerPath())) {
        state.SkipWithError("needs Xvfb, xdotool, import and a built viewer");
        return;
    }
    const DvViewRect view = DvInitialViewRect();
    const CImage expected = CViewerSession::Render("--size " + std::to_string(view.width) + "x" +
                                                   std::to_string(view.height));
    if (expected.m_width != view.width) {
        state.SkipWithError("the stills renderer drew nothing");
        return;
    }
    CXvfbServer server;
    std::string error;
    if (!server.Start(1280, 1024, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    Display* display = XOpenDisplay(server.Display().c_str());
    if (display == nullptr) {
        state.SkipWithError("cannot connect to the X server");
        return;
    }
    XSetErrorHandler(IgnoreXErrors);
    const Window root = DefaultRootWindow(display);
    XSelectInput(display, root, SubstructureNotifyMask);
    XSync(display, True);

    for (auto _ : state) {
        CChildProcess viewer;
        const double start = DvNowMs();
        if (!viewer.Start({CViewerSession::ViewerPath()})) {
            state.SkipWithError("the viewer did not start");
            break;
        }
        Window window = 0;
        bool shown = false;
        while (DvNowMs() - start < 10000 && viewer.Running()) {
            while (XPending(display) > 0) {
                XEvent event;
                XNextEvent(display, &event);
                if (event.type == MapNotify && window == 0) {
                    window = event.xmap.window;
                }
            }
            if (window != 0 && ShowsFrame(display, window, view, expected)) {
                shown = true;
                break;
            }
            if (window == 0) {
                // Nothing shown yet: wait for the X server to tell of a new window.
                pollfd p = {ConnectionNumber(display), POLLIN, 0};
                poll(&p, 1, 10);
            }
        }
        const double end = DvNowMs();
        if (!shown) {
            state.SkipWithError("the first frame did not appear within 10 s");
            break;
        }
        state.SetIterationTime((end - start) / 1000.0);
        viewer.Kill();
        XSync(display, True); // forget the finished run's events
    }
    XCloseDisplay(display);
}

BENCHMARK(BM_StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace
