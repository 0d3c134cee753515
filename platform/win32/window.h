// The windowing core's records, for the parts of the platform layer that work with windows:
// messages, painting, dialogs, controls, menus, the framework and the hosts. Program code never
// includes this; it sees only handles.
//
// Every live window sits in one registry keyed by its handle. Handles are never reused, so a
// stale handle finds nothing and the call fails instead of touching freed memory.
#pragma once

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "host/Host.h"

struct DvDialogState;
struct DvMenu;

struct DvWindow {
    HWND hWnd = nullptr;
    std::string className;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    int id = 0; // child identifier
    // Window rectangle: in the parent's client coordinates for a child, on the screen for a
    // top-level window (whose frame belongs to the host, so window and client area coincide).
    RECT rect = {0, 0, 0, 0};
    HWND parent = nullptr;      // children only
    HWND owner = nullptr;       // top-level windows only
    std::vector<HWND> children; // z-order, topmost first
    std::string text;
    HINSTANCE instance = nullptr;
    HFONT font = nullptr;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;
    LONG_PTR userData = 0;
    void* object = nullptr; // the framework's CWnd attached to the window

    // Painting: the update rectangle in client coordinates, and whether it wants erasing.
    bool invalid = false;
    RECT update = {0, 0, 0, 0};
    bool erase = false;

    bool created = false; // WM_CREATE accepted
    bool destroying = false;
    bool iconic = false;
    bool zoomed = false;
    // A top-level window without a caption that covers the screen is shown in the desktop's
    // full-screen state, as the platform treats such a window.
    bool fullScreen = false;
    RECT restoreRect = {0, 0, 0, 0}; // top-level rectangle before minimising or maximising

    // Top-level windows: the host's window and the screen the window draws into, which is
    // either memory of the core's own or memory the host lent (screenLent).
    HOSTWND host = 0;
    DvHostWindowKind hostKind = DvHostNormal;
    HBITMAP screen = nullptr;
    BYTE* screenBits = nullptr;
    int screenWidth = 0;
    int screenHeight = 0;
    int screenStride = 0; // bytes from one row to the next
    bool screenLent = false;
    bool dirty = false; // the screen changed since it was last presented
    RECT dirtyRect = {0, 0, 0, 0};
    HMENU systemMenu = nullptr;

    // Controls and dialogs.
    HGDIOBJ image = nullptr; // a picture static's bitmap or icon
    bool ownsImage = false;
    bool pressed = false;  // a push button held down
    bool tracking = false; // a push button that took the capture on the press
    std::unique_ptr<DvDialogState> dialog;
};

struct DvDialogState {
    DLGPROC dlgProc = nullptr;
    LPARAM initParam = 0;
    INT_PTR result = 0;
    bool ended = false;
    int defId = IDOK;
    HFONT font = nullptr;
    bool ownsFont = false;
    LRESULT msgResult = 0;
};

// Registry. Class names are kept in lower case; atoms as "#number".
std::string DvClassKey(LPCSTR className);
DvWindow* DvLookupWindow(HWND hWnd);
// The top-level window that holds hWnd (itself for a top-level window).
DvWindow* DvTopLevelOf(DvWindow* window);
// All live top-level windows, oldest first.
std::vector<HWND> DvTopLevelWindows();
// How many window records are live, children included (for tests that look for leaks).
std::size_t DvLiveWindowCount();

// Geometry. The client rectangle in the window's own client coordinates, and the position of
// the client area's top-left corner in its top-level window's client coordinates.
RECT DvClientRect(const DvWindow* window);
POINT DvClientOriginInTop(const DvWindow* window);
// The part of the top-level client area where this window's client area is visible: its
// client area clipped by every ancestor's. In top-level client coordinates; may be empty.
RECT DvVisibleClientInTop(const DvWindow* window);
// Border width of the non-client frame of a child window.
int DvBorderWidth(const DvWindow* window);
bool DvIsVisible(const DvWindow* window); // itself and every ancestor
bool DvIsEnabledTree(const DvWindow* window);
// The host moved or resized a top-level window: the window follows without telling the host.
void DvPlaceFromHost(HWND hWnd, int x, int y, int cx, int cy, bool move, bool size);
// The deepest window under a point of a top-level window's client area that takes mouse input:
// hidden and disabled windows and statics without SS_NOTIFY let it through to what lies below.
HWND DvHitTest(DvWindow* top, POINT pointInTop);

// Painting (paint.cpp).
void DvInvalidate(DvWindow* window, const RECT* clientRect, bool erase, bool children);
void DvMarkDirty(DvWindow* top, const RECT& rectInTop);
// Presents every top-level window's changed pixels. True when a host stopped showing from
// memory it had lent and a window must be painted again before the result can be shown.
bool DvPresentAll();
// The first window, parent before children and lower siblings before upper ones, that wants
// painting; null when none.
DvWindow* DvFindInvalidWindow();
// Gives a top-level window a screen of cx x cy pixels: the host's memory where the host lends
// it, else memory of its own. Kept as it is while the size and the memory stay; what a new
// screen loses is drawn again. False when no screen could be had.
bool DvResizeScreen(DvWindow* top, int cx, int cy);
// Frees a top-level window's screen (before its host window goes, which may take lent memory).
void DvFreeScreen(DvWindow* top);
void DvDrawFrame(HDC dc, const DvWindow* window);
// Gives the host the window's icon (WM_SETICON's big icon, else the small one).
void DvSetHostIcon(DvWindow* top);

// Messages (message.cpp).
LRESULT DvSend(DvWindow* window, UINT message, WPARAM wParam, LPARAM lParam);
void DvKillTimersOf(HWND hWnd);
// The shift, control and alt keys (DV_MOD_ bits) as the newest key message found them.
UINT DvKeyModifiers();
// Turns pending host events into messages; returns whether any were pending.
bool DvPumpHostEvents();
// Processes what is queued and due without waiting: posted messages, input, paints and due
// timers, dispatched through the framework's pre-translation. Returns the number processed.
int DvPumpMessages();

// The hook through which the framework attaches its object to a window being created, before
// the window's first message.
typedef void (*DvCreateHook)(HWND hWnd, void* context);
void DvHookWindowCreate(DvCreateHook hook, void* context);
// The framework's message pre-translation, called by DvPumpMessages before dispatching.
typedef BOOL (*DvPreTranslateHook)(MSG* msg);
void DvSetPreTranslateHook(DvPreTranslateHook hook);

// Menus (menu.cpp).
void DvDestroySystemMenu(DvWindow* window);
// Opens the system menu of a top-level window at a point of its client area; the chosen item
// comes back as WM_SYSCOMMAND.
void DvOpenSystemMenu(HWND hWnd, POINT clientPoint);
// The open popup menu's window, or null; and an item's rectangle in its client area.
HWND DvOpenMenuWindow();
bool DvMenuItemRect(int pos, RECT* rect);
// Input while a popup menu is open goes to it; returns whether the menu took the event.
bool DvMenuHandleEvent(const DvHostEvent& event, DvWindow* top);
void DvCloseMenus();

// Controls (controls.cpp).
LRESULT CALLBACK DvStaticProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT CALLBACK DvButtonProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// A 32-bit bitmap of a bitmap resource, or null.
HBITMAP DvLoadBitmapResource(HINSTANCE instance, LPCSTR name);
// The dialog face colour and the 3-D edge colours.
COLORREF DvFaceColour();

// Dialogs (dialog.cpp).
LRESULT CALLBACK DvDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// Whether a dialog has ended, and its result.
bool DvDialogEnded(HWND dialog, INT_PTR* result);
// Runs a dialog's modal loop until EndDialog; endedByHost is the result when the host can
// never deliver anything again.
INT_PTR DvRunDialogLoop(HWND dialog, INT_PTR endedByHost);
// Base units of dialog templates in pixels.
#define DV_BASE_UNIT_X 6
#define DV_BASE_UNIT_Y 13

// Text (drawn with the text functions when they are present).
void DvDrawControlText(HDC dc, const DvWindow* window, LPCSTR text, RECT rect, UINT format,
                       COLORREF colour);
