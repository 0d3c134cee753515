// dorvane-render: renders stills of the viewer's frames and times them (see RenderTool.h).
#include "tools/render/RenderTool.h"

#include <csignal>

int main(int argc, char** argv) {
    // A file-size limit makes the write fail, as a full disk does, instead of ending the process
    // with a temporary file left behind.
    std::signal(SIGXFSZ, SIG_IGN);
    return DvRunRenderTool(argc, argv, stdout, stderr);
}
