// SDL ends a wait for events by sending an event to one of its windows over a second X
// connection. When that window is destroyed at the same moment (a menu, a dialog or the main
// window closing), the X server refuses the event with BadWindow, and Xlib's default handling
// of any error is to end the process. That refusal is harmless: nothing was waiting for the
// event any more. The host waits on the display itself so that it sends no such event, and this
// filter keeps the refusal harmless whoever sends one. Every other error keeps the handling it
// had.
//
// The filter goes in before SDL connects: SDL puts back the handler it found when it closes its
// connections at SDL_Quit, which is when a refusal held on the second connection is read.
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {

XErrorHandler g_previousHandler = nullptr;

int FilterError(Display* display, XErrorEvent* error) {
    if (error->request_code == X_SendEvent && error->error_code == BadWindow) {
        return 0;
    }
    return g_previousHandler != nullptr ? g_previousHandler(display, error) : 0;
}

} // namespace

void DvFilterSdlWakeupErrors() {
    if (g_previousHandler != nullptr) {
        return;
    }
    // Xlib's handler is the process's, whatever display SDL picks; only X connections call it.
    g_previousHandler = XSetErrorHandler(FilterError);
}
