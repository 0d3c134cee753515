// The process entry of the browser program: the page becomes the platform's host, the
// executable gets a path whose folder holds the palette file (the build puts it there in the
// virtual file system), and the framework's entry runs the application object. When it
// returns, the page says that the program has ended.
#include <windows.h>
#include <afxwin.h>

#include <unistd.h>

#include <memory>

#include "host/web/WebHost.h"

namespace {

// The executable's path, as GetModuleFileName reads it from the process's own link.
constexpr char kExecutable[] = "/opt/dorvane/dorvane";

} // namespace

int main(int, char**) {
    symlink(kExecutable, "/proc/self/exe");
    DvInstallHost(std::make_unique<CWebHost>());
    char commandLine[] = "";
    const int result = AfxWinMain(GetModuleHandle(nullptr), nullptr, commandLine, SW_SHOWNORMAL);
    DvInstallHost(nullptr);
    CWebHost::ShowEnded();
    return result;
}
