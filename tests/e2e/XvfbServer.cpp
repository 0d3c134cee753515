#include "XvfbServer.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cstdlib>

CXvfbServer::~CXvfbServer() {
    m_server.Kill();
    if (!m_display.empty()) {
        if (m_bHadDisplay) {
            setenv("DISPLAY", m_oldDisplay.c_str(), 1);
        } else {
            unsetenv("DISPLAY");
        }
    }
}

bool CXvfbServer::ToolsPresent(std::string* pMissing) {
    for (const char* tool : {"Xvfb", "xdotool", "import"}) {
        int status = 0;
        DvRunCommand(std::string("command -v ") + tool + " >/dev/null", &status, 5);
        if (status != 0) {
            if (pMissing != nullptr) {
                *pMissing = tool;
            }
            return false;
        }
    }
    return true;
}

bool CXvfbServer::Start(int width, int height, std::string* pError) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *pError = "no pipe";
        return false;
    }
    const std::string xvfb = DvRunCommand("command -v Xvfb", nullptr, 5);
    std::string path = xvfb.substr(0, xvfb.find('\n'));
    if (path.empty()) {
        close(fds[0]);
        close(fds[1]);
        *pError = "Xvfb is not installed";
        return false;
    }
    const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    // The server picks a free display itself and writes its number to fd 3 once it accepts
    // connections, so nothing races another server for a number.
    const bool started = m_server.Start(
        {path, "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, fds[1],
        true);
    close(fds[1]);
    if (!started) {
        close(fds[0]);
        *pError = "Xvfb did not start";
        return false;
    }
    std::string number;
    const double end = DvNowMs() + 15000;
    while (DvNowMs() < end) {
        pollfd p = {fds[0], POLLIN, 0};
        if (poll(&p, 1, 100) > 0) {
            char c = 0;
            const ssize_t n = read(fds[0], &c, 1);
            if (n <= 0 || c == '\n') {
                break;
            }
            number += c;
        } else if (!m_server.Running()) {
            break;
        }
    }
    close(fds[0]);
    if (number.empty()) {
        m_server.Kill();
        *pError = "Xvfb gave no display number";
        return false;
    }
    m_display = ":" + number;
    if (const char* old = std::getenv("DISPLAY")) {
        m_bHadDisplay = true;
        m_oldDisplay = old;
    }
    setenv("DISPLAY", m_display.c_str(), 1);
    return true;
}
