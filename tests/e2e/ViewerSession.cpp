#include "ViewerSession.h"

#include <unistd.h>

#include <climits>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <sstream>

namespace {

std::string Quote(const std::string& s) {
    std::string q = "'";
    for (char c : s) {
        if (c == '\'') {
            q += "'\\''";
        } else {
            q += c;
        }
    }
    return q + "'";
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty()) {
            lines.push_back(line);
        }
    }
    return lines;
}

int ShellValue(const std::string& text, const std::string& key) {
    const std::regex re("(^|\n)" + key + "=(-?[0-9]+)");
    std::smatch m;
    if (std::regex_search(text, m, re)) {
        return std::stoi(m[2]);
    }
    return 0;
}

} // namespace

std::string CViewerSession::BuildFolder() {
    char path[PATH_MAX] = {};
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) {
        return ".";
    }
    return std::filesystem::path(std::string(path, static_cast<size_t>(n))).parent_path();
}

bool CViewerSession::Start(int screenWidth, int screenHeight, std::string* pError) {
    return Start(screenWidth, screenHeight, Desktop{}, pError);
}

bool CViewerSession::Start(int screenWidth, int screenHeight, const Desktop& desktop,
                           std::string* pError) {
    if (!m_server.Start(screenWidth, screenHeight, pError)) {
        return false;
    }
    if (!desktop.resources.empty()) {
        // What xrdb would load: the database as text on the root window.
        int status = 0;
        DvRunCommand("xprop -root -f RESOURCE_MANAGER 8s -set RESOURCE_MANAGER " +
                         Quote(desktop.resources + "\n"),
                     &status);
        if (status != 0) {
            *pError = "xprop could not set the X resources";
            return false;
        }
    }
    if (desktop.bWindowManager) {
        const std::string path = DvRunCommand("command -v openbox", nullptr, 5);
        if (path.empty() ||
            !m_windowManager.Start({path.substr(0, path.find('\n')), "--sm-disable"}, -1, true)) {
            *pError = "openbox did not start";
            return false;
        }
        // The window manager is there once it names its check window on the root.
        const double end = DvNowMs() + 15000;
        while (Property("root", "_NET_SUPPORTING_WM_CHECK").find("window id") ==
               std::string::npos) {
            if (DvNowMs() > end || !m_windowManager.Running()) {
                *pError = "openbox did not take the screen";
                return false;
            }
            DvSleepMs(50);
        }
    }
    if (!m_viewer.Start({desktop.viewer.empty() ? ViewerPath() : desktop.viewer})) {
        *pError = "the viewer did not start";
        return false;
    }
    // As long as the other tests wait for a start: a busy machine can slow it a lot.
    m_window = WaitForWindow("^Dorvane", 30000);
    if (m_window.empty()) {
        *pError = m_viewer.Running() ? "the viewer showed no window" : "the viewer ended";
        return false;
    }
    return true;
}

std::vector<std::string> CViewerSession::ShownWindows() {
    return Lines(DvRunCommand("xdotool search --onlyvisible --pid " +
                              std::to_string(m_viewer.Pid()) + " 2>/dev/null"));
}

std::string CViewerSession::WaitForWindow(const std::string& titlePattern, int timeoutMs) {
    const double end = DvNowMs() + timeoutMs;
    do {
        const std::vector<std::string> found = Lines(DvRunCommand(
            "xdotool search --onlyvisible --name " + Quote(titlePattern) + " 2>/dev/null"));
        if (!found.empty()) {
            return found.front();
        }
        DvSleepMs(50);
    } while (DvNowMs() < end && m_viewer.Running());
    return std::string();
}

DvWindowGeometry CViewerSession::Geometry(const std::string& window) {
    const std::string text = DvRunCommand("xdotool getwindowgeometry --shell " + window);
    DvWindowGeometry g;
    g.x = ShellValue(text, "X");
    g.y = ShellValue(text, "Y");
    g.width = ShellValue(text, "WIDTH");
    g.height = ShellValue(text, "HEIGHT");
    return g;
}

std::string CViewerSession::Property(const std::string& window, const std::string& name) {
    const std::string target = window == "root" ? "-root" : "-id " + window;
    std::string text = DvRunCommand("xprop " + target + " " + Quote(name) + " 2>/dev/null");
    if (text.find("not found") != std::string::npos ||
        text.find("no such atom") != std::string::npos) {
        return std::string();
    }
    return text;
}

std::string CViewerSession::Title(const std::string& window) {
    std::string title = DvRunCommand("xdotool getwindowname " + window + " 2>/dev/null");
    while (!title.empty() && (title.back() == '\n' || title.back() == '\r')) {
        title.pop_back();
    }
    return title;
}

void CViewerSession::Click(const std::string& window, int x, int y, int button) {
    DvRunCommand("xdotool mousemove --window " + window + " " + std::to_string(x) + " " +
                 std::to_string(y) + " click " + std::to_string(button));
}

void CViewerSession::Key(const std::string& window, const std::string& keys) {
    // A bare X server has no window manager to give the focus, so the test gives it.
    // Then real key strokes (XTEST) to the focus, as a keyboard makes them; chained after
    // windowfocus, xdotool would send synthetic events to the window instead.
    DvRunCommand("xdotool windowfocus --sync " + window, nullptr, 5);
    DvRunCommand("xdotool key " + keys);
}

void CViewerSession::Resize(const std::string& window, int width, int height) {
    DvRunCommand("xdotool windowsize " + window + " " + std::to_string(width) + " " +
                 std::to_string(height));
}

void CViewerSession::Move(const std::string& window, int x, int y) {
    DvRunCommand("xdotool windowmove " + window + " " + std::to_string(x) + " " +
                 std::to_string(y));
}

CImage CViewerSession::Screenshot(const std::string& window, const std::string& name) {
    const std::string folder = BuildFolder() + "/e2e-shots";
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    const std::string path =
        folder + "/" + (name.empty() ? "last" : name) + "-" + std::to_string(getpid()) + ".ppm";
    CImage image;
    int status = 0;
    DvRunCommand("import -window " + window + " -depth 8 ppm:" + Quote(path), &status);
    if (status == 0) {
        image.LoadPpm(path);
    }
    if (name.empty()) {
        std::filesystem::remove(path, ignored);
    } else {
        std::filesystem::rename(path, folder + "/" + name + ".ppm", ignored);
    }
    return image;
}

CImage CViewerSession::Render(const std::string& options) {
    const std::string path = BuildFolder() + "/e2e-still-" + std::to_string(getpid()) + ".bmp";
    CImage image;
    int status = 0;
    DvRunCommand(Quote(RendererPath()) + " " + options + " --out " + Quote(path), &status);
    if (status == 0) {
        image.LoadBmp8(path);
    }
    std::error_code ignored;
    std::filesystem::remove(path, ignored);
    return image;
}

DvViewRect DvInitialViewRect() {
    return DvViewRect{76, 9, 431 - 2 - 76, 184 - 2 - 9};
}

DvViewRect DvViewRectForClient(int clientWidth, int clientHeight) {
    return DvViewRect{76, 9, clientWidth - 8 - 2 - 76, clientHeight - 8 - 2 - 9};
}

std::string DvWaitForMainWindow(CChildProcess& viewer, int timeoutMs) {
    std::string window;
    const double end = DvNowMs() + timeoutMs;
    while (window.empty() && DvNowMs() < end && viewer.Running()) {
        window = DvRunCommand("xdotool search --onlyvisible --name '^Dorvane$' 2>/dev/null");
        window = window.substr(0, window.find('\n'));
        DvSleepMs(50);
    }
    return window;
}
