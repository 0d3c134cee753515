// The real viewer on a private X server, driven as a user would: xdotool for the mouse, the
// keyboard and the window's size, import for screenshots. Also runs the stills renderer, whose
// pictures the screenshots are compared with.
#pragma once

#include <string>
#include <vector>

#include "ChildProcess.h"
#include "Image.h"
#include "XvfbServer.h"

struct DvWindowGeometry {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class CViewerSession {
public:
    // The folder of the running executable, where the viewer and the renderer are built too.
    static std::string BuildFolder();
    static std::string ViewerPath() { return BuildFolder() + "/dorvane"; }
    static std::string RendererPath() { return BuildFolder() + "/dorvane-render"; }

    // What the desktop around the viewer has besides the X server.
    struct Desktop {
        bool bWindowManager = false; // openbox, as a user's desktop has one
        std::string resources;       // the X resource database, e.g. "Xft.dpi: 192"
        std::string viewer;          // the program to start, the built viewer when empty
    };

    // Starts the X server and the viewer and waits for the main window; false with the reason.
    bool Start(int screenWidth, int screenHeight, std::string* pError);
    bool Start(int screenWidth, int screenHeight, const Desktop& desktop, std::string* pError);
    // The value of a window's property as xprop prints it ("" when it has none).
    std::string Property(const std::string& window, const std::string& name);
    CChildProcess& Process() { return m_viewer; }
    const std::string& Window() const { return m_window; }

    // The windows of the viewer's process that are shown, and the first whose title matches
    // a regular expression (xdotool's), waiting up to timeoutMs; empty when none came.
    std::vector<std::string> ShownWindows();
    std::string WaitForWindow(const std::string& titlePattern, int timeoutMs);
    DvWindowGeometry Geometry(const std::string& window);
    std::string Title(const std::string& window);

    // Input. Points are in the window's client pixels.
    void Click(const std::string& window, int x, int y, int button = 1);
    void Key(const std::string& window, const std::string& keys);
    void Resize(const std::string& window, int width, int height);
    void Move(const std::string& window, int x, int y);

    // A screenshot of a window's client area; empty on failure. Kept under a name in the
    // build folder's e2e-shots when name is given, for people to look at.
    CImage Screenshot(const std::string& window, const std::string& name = "");

    // The stills renderer's picture for these options (e.g. "--size 300x200 --mode 0"); empty
    // on failure.
    static CImage Render(const std::string& options);

private:
    CXvfbServer m_server;
    CChildProcess m_windowManager;
    CChildProcess m_viewer;
    std::string m_window;
};

// Waits up to timeoutMs, while the viewer runs, for its main window to show on the current
// display; the window's id, empty when none came.
std::string DvWaitForMainWindow(CChildProcess& viewer, int timeoutMs);

// The main dialog's layout in client pixels: the view lies 2 inside the sunken frame, whose
// left and top are the template's (74, 7) and whose right and bottom are 8 inside the client
// area once the dialog has been resized (10 and 8 as the template has it).
struct DvViewRect {
    int x, y, width, height;
};
DvViewRect DvInitialViewRect();
DvViewRect DvViewRectForClient(int clientWidth, int clientHeight);
