// The process entry of the desktop program: answer --help and --version without a display,
// else connect to the display, make it the platform's host, and hand over to the framework's
// entry, which runs the application object.
#include <windows.h>
#include <afxwin.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "host/sdl/SdlHost.h"

namespace {

const char kUsage[] =
    "Usage: dorvane [--help | --version]\n"
    "Dorvane, a 3-D landscape viewer. It takes no options: it opens its window on the current\n"
    "display, and any other argument is ignored.\n"
    "\n"
    "Keys, each the command of a pad cell:\n"
    "  Up, Down, Left, Right   move north, south, west, east\n"
    "  Page Up, Page Down      rise, sink\n"
    "  +, -                    zoom in, out (the wheel over the view too)\n"
    "  Q, E                    turn left, right\n"
    "  Home, End               horizon lower, higher\n"
    "  Space                   fly-through on or off\n"
    "  S                       solid columns on or off\n"
    "  F                       smooth the land\n"
    "  N                       new land\n"
    "  T                       follow terrain on or off\n"
    "  C                       next colour mode\n"
    "  D                       sub-cell detail on or off\n"
    "  F11                     full screen on or off\n"
    "  Enter, Escape           close\n"
    "\n"
    "The pads cell by cell: man dorvane\n";

// 0 when the argument was answered here (its text written), -1 when the program is to run.
int Answer(const char* argument) {
    const char* text = nullptr;
    if (std::strcmp(argument, "--help") == 0) {
        text = kUsage;
    } else if (std::strcmp(argument, "--version") == 0) {
        text = "dorvane " DORVANE_VERSION "\n";
    } else {
        return -1;
    }
    // A reader that is gone (a closed pipe) is a failure, not a success.
    if (std::fputs(text, stdout) == EOF || std::fflush(stdout) != 0) {
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const int answered = Answer(argv[i]);
        if (answered >= 0) {
            return answered;
        }
    }
    std::string error;
    std::unique_ptr<CSdlHost> host = CSdlHost::Open(&error);
    if (!host) {
        std::fprintf(stderr, "dorvane: cannot open the display (%s)\n", error.c_str());
        return 1;
    }
    DvInstallHost(std::move(host));
    // The program itself takes no command line.
    char commandLine[] = "";
    const int result = AfxWinMain(GetModuleHandle(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
    // Windows and the display go before the static objects do.
    DvInstallHost(nullptr);
    return result;
}
