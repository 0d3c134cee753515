// The process entry of the desktop program: connect to the display, make it the platform's
// host, and hand over to the framework's entry, which runs the application object.
#include <windows.h>
#include <afxwin.h>

#include <cstdio>
#include <memory>
#include <string>

#include "host/sdl/SdlHost.h"

int main(int, char**) {
    std::string error;
    std::unique_ptr<CSdlHost> host = CSdlHost::Open(&error);
    if (!host) {
        std::fprintf(stderr, "dorvane: cannot open the display (%s)\n", error.c_str());
        return 1;
    }
    DvInstallHost(std::move(host));
    // The program takes no command line.
    char commandLine[] = "";
    const int result = AfxWinMain(GetModuleHandle(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
    // Windows and the display go before the static objects do.
    DvInstallHost(nullptr);
    return result;
}
