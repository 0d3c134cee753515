// The host: where top-level windows become visible and where input and time come from. The
// windowing core owns every window and draws each top-level window's client area into a 32-bit
// screen bitmap; a host only shows those pixels and turns the outside world's input into events.
// A host may lend the memory it shows from as that screen, so that nothing is copied on the way
// to the desktop. Three hosts exist: the real desktop (host/sdl), memory screens for tests
// (host/headless) and the browser's page (host/web). The headless host is installed by
// default; the viewer's entry installs its host before the application starts.
#pragma once

#include <memory>

#include "win32/wintypes.h"

// A host's name for one of its top-level windows; 0 is none.
typedef UINT_PTR HOSTWND;

// What kind of top-level window the core asks for.
enum DvHostWindowKind : int {
    DvHostNormal = 0,  // an ordinary window with a title bar
    DvHostModal = 1,   // a dialog kept above its owner while it runs
    DvHostPopup = 2,   // a borderless popup (a menu) at a place relative to its owner
    DvHostTooltip = 3, // a borderless popup over everything that never takes the keyboard,
                       // placed as a menu is
};

struct DvHostWindowDesc {
    DvHostWindowKind kind;
    HOSTWND owner;   // the owner's host window, or 0
    int x, y;        // client area's top-left: screen position, or for a popup the owner's client
    int cx, cy;      // client area size in pixels
    BOOL bResizable; // a sizing border
    BOOL bMinimiseBox;
    BOOL bMaximiseBox;
    LPCSTR title;
};

enum DvHostEventKind : int {
    DvEventNone = 0,
    DvEventMouseDown, // x, y in client pixels; button 1 left, 2 middle, 3 right
    DvEventMouseUp,
    DvEventMouseMove,
    DvEventKeyDown, // key: a virtual key code (VK_*, 'A'..'Z', '0'..'9')
    DvEventKeyUp,
    DvEventResize, // x, y: the new client size
    DvEventMove,   // x, y: the client area's new screen position
    DvEventMinimise,
    DvEventMaximise, // followed by a resize when the size changes
    DvEventRestore,
    DvEventExpose, // the host lost the shown pixels: present everything again
    DvEventClose,  // the user asked to close the window
    DvEventFocusLost,
    DvEventWheel, // x, y as for the mouse; delta: WHEEL_DELTA (120) a notch, positive away from
                  // the user
};

// Modifier bits of an event.
#define DV_MOD_SHIFT 0x1
#define DV_MOD_CTRL 0x2
#define DV_MOD_ALT 0x4

struct DvHostEvent {
    DvHostEventKind kind;
    HOSTWND window;
    int x, y;
    int button;
    UINT key;
    UINT modifiers;
    int delta;
};

class CHost {
public:
    virtual ~CHost() = default;

    // Top-level windows. Create returns 0 when the host cannot make the window.
    virtual HOSTWND CreateHostWindow(const DvHostWindowDesc& desc) = 0;
    virtual void DestroyHostWindow(HOSTWND window) = 0;
    // nCmdShow: SW_HIDE, SW_SHOW, SW_MINIMIZE, SW_MAXIMIZE, SW_RESTORE.
    virtual void ShowHostWindow(HOSTWND window, int nCmdShow) = 0;
    // The client area moved or was resized by the program (not by the user); x and y as in the
    // window's description (a popup's relative to its owner's client area).
    virtual void PlaceHostWindow(HOSTWND window, int x, int y, int cx, int cy) = 0;
    virtual void SetHostTitle(HOSTWND window, LPCSTR title) = 0;
    // The window covers the screen as the desktop's full-screen state (TRUE) or goes back to
    // the size and place it had before (FALSE); the new size comes back as a resize.
    virtual void SetHostFullScreen(HOSTWND window, BOOL bFullScreen) = 0;
    // 32-bit 0xAARRGGBB pixels, top row first, width * height of them.
    virtual void SetHostIcon(HOSTWND window, const DWORD* pixels, int width, int height) = 0;
    // Every picture of the icon, smallest first, for hosts that offer the desktop a choice of
    // sizes; the others show the largest.
    struct IconImage {
        const DWORD* pixels;
        int width, height;
    };
    virtual void SetHostIcons(HOSTWND window, const IconImage* images, int count) {
        if (images != nullptr && count > 0) {
            const IconImage& largest = images[count - 1];
            SetHostIcon(window, largest.pixels, largest.width, largest.height);
        }
    }

    // Memory for a window's screen that the host shows from, so that painting draws straight
    // into what is presented and presenting copies nothing: at least cx x cy pixels of 32-bit
    // 0x00RRGGBB, top row first, rows strideBytes apart. Asking again gives the same memory
    // while the host still shows from it; `fresh` says that it is new memory, and that what
    // was drawn into memory lent before is gone. The memory stays valid until the next
    // LendScreen or DestroyHostWindow for the window. No pixels: the host has none to lend for
    // that size, and the core keeps a screen of its own that Present copies from.
    struct LentScreen {
        void* pixels = nullptr;
        int strideBytes = 0;
        bool fresh = false;
    };
    virtual LentScreen LendScreen(HOSTWND, int /*cx*/, int /*cy*/) { return LentScreen{}; }

    // Shows the changed rectangle of a window's screen. pixels: the whole screen, 32-bit
    // 0x00RRGGBB, top row first, rows strideBytes apart, width x height; either the core's own
    // memory or what LendScreen lent. Returns FALSE when the pixels are lent memory that the
    // host no longer shows from (its window was resized, say): the core then lends again and
    // draws everything anew.
    virtual BOOL Present(HOSTWND window, const void* pixels, int width, int height, int strideBytes,
                         const RECT& changed) = 0;

    // Input: takes the next pending event; FALSE when there is none.
    virtual BOOL PollEvent(DvHostEvent& event) = 0;
    // Blocks until an event is pending or timeoutMs have passed (INFINITE waits for an event).
    // Returns FALSE when nothing can ever arrive (a host with no input source), so that a modal
    // loop does not wait forever.
    virtual BOOL WaitEvent(DWORD timeoutMs) = 0;

    // Milliseconds since the system started, wrapping after 2^32.
    virtual DWORD TickCount() = 0;

    // The size of the desktop that top-level windows are placed on (dialogs centre on it).
    virtual SIZE ScreenSize() { return SIZE{1920, 1080}; }

    // Whether top-level windows can be minimised, maximised and restored here; where they
    // cannot (a page), the system menu greys those commands.
    virtual BOOL WindowsHaveStates() { return TRUE; }
};

// The installed host. DvGetHost never returns null: without an installed host the headless
// host is made on first use.
CHost* DvGetHost();
// Installs a host and returns the previous one; to be done before any window exists.
std::unique_ptr<CHost> DvInstallHost(std::unique_ptr<CHost> host);
