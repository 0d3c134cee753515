// SDL ends a wait for events by sending an event to one of its windows over a second X
// connection. When that window is being destroyed at the same moment (a menu or a dialog
// closing), the X server refuses the event with BadWindow, and Xlib's default handling of any
// error is to end the process. That one refusal is harmless, since the wait ends anyway; every
// other error keeps the handling it had.
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <cstring>

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
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::strcmp(driver, "x11") != 0 || g_previousHandler != nullptr) {
        return;
    }
    g_previousHandler = XSetErrorHandler(FilterError);
}
