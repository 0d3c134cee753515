// Waiting for input on the X connection itself.
//
// SDL's own wait (SDL_WaitEventTimeout) sends an event to its newest window over a second X
// connection whenever an event is queued while it waits, to wake a waiter on another thread;
// it does so even on the waiting thread, while it reads the events that end the wait. Sent just
// before that window is destroyed, the event reaches the server after it is gone. The host has
// one thread, so it waits on the display's socket instead and never sends a wake-up.
#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#include <poll.h>

#include "host/sdl/SdlHost.h"

bool DvWaitForX11Events(SDL_Window* pWindow, int timeoutMs) {
    if (pWindow == nullptr) {
        return false;
    }
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(pWindow, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11 ||
        info.info.x11.display == nullptr) {
        return false;
    }
    Display* display = info.info.x11.display;
    // Events that came while the program was busy, and those Xlib read while it drew (a
    // synchronous request reads ahead), end the wait at once: the socket would not show them.
    SDL_PumpEvents();
    if (SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE ||
        XEventsQueued(display, QueuedAfterFlush) > 0) {
        return true;
    }
    pollfd socket = {ConnectionNumber(display), POLLIN, 0};
    poll(&socket, 1, timeoutMs); // an interruption ends the wait early, as any event would
    return true;
}
