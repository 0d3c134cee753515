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
//
// A lost connection (the server ended, xkill, a forced quit) ends the process at once, with one
// line and status 1, as any X client does. Xlib's own handling calls exit(), which would run the
// exit handlers and static destructors: the host's among them, which would then ask SDL to
// destroy windows on the dead display, and SDL would wait for its answer forever.
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <errno.h>
#include <unistd.h>

#include <cstdio>

namespace {

XErrorHandler g_previousHandler = nullptr;

int FilterError(Display* display, XErrorEvent* error) {
    if (error->request_code == X_SendEvent && error->error_code == BadWindow) {
        return 0;
    }
    return g_previousHandler != nullptr ? g_previousHandler(display, error) : 0;
}

int EndOnLostConnection(Display* display) {
    char line[256];
    const int n = std::snprintf(line, sizeof line, "%s: lost the connection to the display %s\n",
                                program_invocation_short_name, DisplayString(display));
    if (n > 0) {
        const ssize_t ignored = write(STDERR_FILENO, line, static_cast<size_t>(n));
        (void)ignored;
    }
    _exit(1);
}

} // namespace

void DvFilterSdlWakeupErrors() {
    if (g_previousHandler != nullptr) {
        return;
    }
    // Xlib's handler is the process's, whatever display SDL picks; only X connections call it.
    g_previousHandler = XSetErrorHandler(FilterError);
    XSetIOErrorHandler(EndOnLostConnection);
}
