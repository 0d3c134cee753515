// Window records: classes, creation and destruction, placement, styles and text.
#include "win32/window.h"

#include "win32/commctrl.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>

namespace {

struct DvClass {
    WNDPROC proc = nullptr;
    HBRUSH background = nullptr;
};

struct DvRegistry {
    std::map<HWND, std::unique_ptr<DvWindow>> windows;
    std::vector<HWND> topLevels; // creation order
    std::map<std::string, DvClass> classes;
    UINT_PTR nextHandle = 0x10000;
    DvCreateHook hook = nullptr;
    void* hookContext = nullptr;
};

DvRegistry& Registry() {
    static DvRegistry registry;
    return registry;
}

} // namespace

std::string DvClassKey(LPCSTR className) {
    if (className == nullptr) {
        return std::string();
    }
    if (IS_INTRESOURCE(className)) {
        char buffer[16];
        std::snprintf(buffer, sizeof buffer, "#%u", static_cast<unsigned>(LOWORD(className)));
        return buffer;
    }
    std::string key(className);
    for (char& c : key) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

namespace {

void RegisterBuiltInClasses(DvRegistry& registry) {
    if (!registry.classes.empty()) {
        return;
    }
    registry.classes["static"] = DvClass{DvStaticProc, nullptr};
    registry.classes["button"] = DvClass{DvButtonProc, nullptr};
    registry.classes["#32770"] = DvClass{DvDialogProc, nullptr};
}

const DvClass* FindClass(LPCSTR className) {
    DvRegistry& registry = Registry();
    RegisterBuiltInClasses(registry);
    auto it = registry.classes.find(DvClassKey(className));
    return it == registry.classes.end() ? nullptr : &it->second;
}

RECT IntersectRects(const RECT& a, const RECT& b) {
    RECT r = {std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
              std::min(a.bottom, b.bottom)};
    if (r.right < r.left) {
        r.right = r.left;
    }
    if (r.bottom < r.top) {
        r.bottom = r.top;
    }
    return r;
}

void FreeWindowResources(DvWindow* window) {
    DvDestroySystemMenu(window);
    // The screen goes first: it may be memory that the host window lent.
    DvFreeScreen(window);
    if (window->host != 0) {
        DvGetHost()->DestroyHostWindow(window->host);
        window->host = 0;
    }
    if (window->ownsImage && window->image != nullptr) {
        if (window->className == "static" && (window->style & SS_TYPEMASK) == SS_ICON) {
            DestroyIcon(static_cast<HICON>(window->image));
        } else {
            DeleteObject(window->image);
        }
    }
    window->image = nullptr;
    if (window->dialog && window->dialog->ownsFont && window->dialog->font != nullptr) {
        DeleteObject(window->dialog->font);
        window->dialog->font = nullptr;
    }
}

void SendDestroy(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return;
    }
    DvSend(window, WM_DESTROY, 0, 0);
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return;
    }
    const std::vector<HWND> children = window->children;
    for (HWND child : children) {
        SendDestroy(child);
    }
}

void SendNcDestroyAndFree(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return;
    }
    const std::vector<HWND> children = window->children;
    for (HWND child : children) {
        SendNcDestroyAndFree(child);
    }
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return;
    }
    DvKillTimersOf(hWnd);
    if (GetCapture() == hWnd) {
        ReleaseCapture();
    }
    if (GetFocus() == hWnd) {
        SetFocus(nullptr);
    }
    DvSend(window, WM_NCDESTROY, 0, 0);
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return;
    }
    FreeWindowResources(window);
    DvRegistry& registry = Registry();
    if (DvWindow* parent = DvLookupWindow(window->parent)) {
        auto& siblings = parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hWnd), siblings.end());
    }
    registry.topLevels.erase(
        std::remove(registry.topLevels.begin(), registry.topLevels.end(), hWnd),
        registry.topLevels.end());
    registry.windows.erase(hWnd);
}

// Whether a top-level window is now one that the desktop shows full screen: no caption, and its
// rectangle the whole screen.
bool CoversScreen(const DvWindow* window) {
    if (window->style & (WS_CHILD | WS_CAPTION)) {
        return false;
    }
    const SIZE screen = DvGetHost()->ScreenSize();
    const RECT& r = window->rect;
    return r.left == 0 && r.top == 0 && r.right == screen.cx && r.bottom == screen.cy;
}

// Tells the host when a window enters or leaves the full-screen state; true when it changed.
bool UpdateFullScreen(DvWindow* window) {
    const bool full = CoversScreen(window);
    if (full == window->fullScreen) {
        return false;
    }
    window->fullScreen = full;
    if (window->host != 0) {
        DvGetHost()->SetHostFullScreen(window->host, full ? TRUE : FALSE);
    }
    return true;
}

void ShowHost(DvWindow* window, int nCmdShow) {
    CHost* host = DvGetHost();
    if (window->host == 0) {
        if (nCmdShow == SW_HIDE) {
            return;
        }
        DvHostWindowDesc desc = {};
        desc.kind = window->hostKind;
        DvWindow* owner = DvLookupWindow(window->owner);
        desc.owner = owner ? owner->host : 0;
        desc.x = window->rect.left;
        desc.y = window->rect.top;
        if ((window->hostKind == DvHostPopup || window->hostKind == DvHostTooltip) &&
            owner != nullptr) {
            desc.x -= owner->rect.left;
            desc.y -= owner->rect.top;
        }
        desc.cx = window->rect.right - window->rect.left;
        desc.cy = window->rect.bottom - window->rect.top;
        desc.bResizable = (window->style & WS_THICKFRAME) != 0;
        desc.bMinimiseBox = (window->style & WS_MINIMIZEBOX) != 0 && (window->style & WS_CAPTION);
        desc.bMaximiseBox = (window->style & WS_MAXIMIZEBOX) != 0 && (window->style & WS_CAPTION);
        desc.title = window->text.c_str();
        window->host = host->CreateHostWindow(desc);
        if (window->host == 0) {
            return;
        }
        DvSetHostIcon(window);
        if (window->fullScreen) {
            host->SetHostFullScreen(window->host, TRUE);
        }
        // Draw straight into the host's memory from now on, if it lends some.
        DvResizeScreen(window, window->screenWidth, window->screenHeight);
    }
    host->ShowHostWindow(window->host, nCmdShow);
    if (nCmdShow != SW_HIDE) {
        RECT all = {0, 0, window->screenWidth, window->screenHeight};
        DvMarkDirty(window, all);
    }
}

} // namespace

DvWindow* DvLookupWindow(HWND hWnd) {
    if (hWnd == nullptr) {
        return nullptr;
    }
    DvRegistry& registry = Registry();
    auto it = registry.windows.find(hWnd);
    return it == registry.windows.end() ? nullptr : it->second.get();
}

DvWindow* DvTopLevelOf(DvWindow* window) {
    while (window != nullptr && (window->style & WS_CHILD)) {
        DvWindow* parent = DvLookupWindow(window->parent);
        if (parent == nullptr) {
            break;
        }
        window = parent;
    }
    return window;
}

std::vector<HWND> DvTopLevelWindows() {
    return Registry().topLevels;
}

std::size_t DvLiveWindowCount() {
    return Registry().windows.size();
}

int DvBorderWidth(const DvWindow* window) {
    if (!(window->style & WS_CHILD)) {
        return 0; // the host draws the frame of a top-level window
    }
    int border = 0;
    if (window->exStyle & WS_EX_CLIENTEDGE) {
        border += 2;
    }
    if (window->exStyle & WS_EX_STATICEDGE) {
        border += 1;
    }
    if (window->style & WS_BORDER) {
        border += 1;
    }
    return border;
}

RECT DvClientRect(const DvWindow* window) {
    if (!(window->style & WS_CHILD) && window->iconic) {
        return RECT{0, 0, 0, 0};
    }
    const int border = DvBorderWidth(window);
    const int cx = std::max<LONG>(0, window->rect.right - window->rect.left - 2 * border);
    const int cy = std::max<LONG>(0, window->rect.bottom - window->rect.top - 2 * border);
    return RECT{0, 0, cx, cy};
}

POINT DvClientOriginInTop(const DvWindow* window) {
    POINT origin = {0, 0};
    while (window != nullptr && (window->style & WS_CHILD)) {
        const int border = DvBorderWidth(window);
        origin.x += window->rect.left + border;
        origin.y += window->rect.top + border;
        window = DvLookupWindow(window->parent);
    }
    return origin;
}

RECT DvVisibleClientInTop(const DvWindow* window) {
    const POINT origin = DvClientOriginInTop(window);
    RECT client = DvClientRect(window);
    OffsetRect(&client, origin.x, origin.y);
    const DvWindow* parent = (window->style & WS_CHILD) ? DvLookupWindow(window->parent) : nullptr;
    while (parent != nullptr) {
        const POINT parentOrigin = DvClientOriginInTop(parent);
        RECT parentClient = DvClientRect(parent);
        OffsetRect(&parentClient, parentOrigin.x, parentOrigin.y);
        client = IntersectRects(client, parentClient);
        parent = (parent->style & WS_CHILD) ? DvLookupWindow(parent->parent) : nullptr;
    }
    return client;
}

bool DvIsVisible(const DvWindow* window) {
    while (window != nullptr) {
        if (!(window->style & WS_VISIBLE)) {
            return false;
        }
        if (!(window->style & WS_CHILD)) {
            return true;
        }
        window = DvLookupWindow(window->parent);
    }
    return false;
}

bool DvIsEnabledTree(const DvWindow* window) {
    while (window != nullptr) {
        if (window->style & WS_DISABLED) {
            return false;
        }
        if (!(window->style & WS_CHILD)) {
            return true;
        }
        window = DvLookupWindow(window->parent);
    }
    return false;
}

void DvHookWindowCreate(DvCreateHook hook, void* context) {
    DvRegistry& registry = Registry();
    registry.hook = hook;
    registry.hookContext = context;
}

ATOM RegisterClass(const WNDCLASS* wndClass) {
    if (wndClass == nullptr || wndClass->lpszClassName == nullptr ||
        wndClass->lpfnWndProc == nullptr) {
        return 0;
    }
    DvRegistry& registry = Registry();
    RegisterBuiltInClasses(registry);
    const std::string key = DvClassKey(wndClass->lpszClassName);
    if (registry.classes.count(key)) {
        return 0; // already registered, as the platform reports it
    }
    registry.classes[key] = DvClass{wndClass->lpfnWndProc, wndClass->hbrBackground};
    return static_cast<ATOM>(0xC000 + registry.classes.size());
}

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                    LPVOID param) {
    const DvClass* windowClass = FindClass(className);
    if (windowClass == nullptr) {
        return nullptr;
    }
    DvWindow* parentWindow = DvLookupWindow(parent);
    if ((style & WS_CHILD) && parentWindow == nullptr) {
        return nullptr;
    }
    if (x == CW_USEDEFAULT) {
        x = 100;
        y = 100;
    }
    if (width == CW_USEDEFAULT) {
        width = 640;
        height = 480;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);

    DvRegistry& registry = Registry();
    auto owned = std::make_unique<DvWindow>();
    DvWindow* window = owned.get();
    registry.nextHandle += 4;
    const HWND hWnd = reinterpret_cast<HWND>(registry.nextHandle);
    window->hWnd = hWnd;
    window->className = DvClassKey(className);
    window->proc = windowClass->proc;
    window->style = style;
    window->exStyle = exStyle;
    window->instance = instance;
    // The frame of a top-level window belongs to the host, so its position is its client
    // area's; a child's rectangle is kept exactly as given (sizes below 0 become 0).
    window->rect = RECT{x, y, x + width, y + height};
    if (window->className == "static") {
        if (style & SS_SUNKEN) {
            window->exStyle |= WS_EX_STATICEDGE;
        }
    }
    if (windowName != nullptr && !IS_INTRESOURCE(windowName)) {
        window->text = windowName;
    }
    if (style & WS_CHILD) {
        window->parent = parent;
        window->id = static_cast<int>(reinterpret_cast<UINT_PTR>(menu));
    } else {
        DvWindow* top = DvTopLevelOf(parentWindow);
        window->owner = top ? top->hWnd : nullptr;
        window->hostKind = DvHostNormal;
        if (window->owner != nullptr && window->className == "#32770") {
            window->hostKind = DvHostModal;
        }
        if (window->className == "#32768") {
            window->hostKind = DvHostPopup;
        }
        if (window->className == DvClassKey(TOOLTIPS_CLASS)) {
            window->hostKind = DvHostTooltip;
        }
        if (window->owner != nullptr && window->className == "#32770" && x == 0 && y == 0) {
            // An owned dialog without a position of its own opens centred over its owner.
            const DvWindow* ownerWindow = DvLookupWindow(window->owner);
            const int ox = (ownerWindow->rect.left + ownerWindow->rect.right - width) / 2;
            const int oy = (ownerWindow->rect.top + ownerWindow->rect.bottom - height) / 2;
            window->rect = RECT{ox, oy, ox + width, oy + height};
        }
    }
    registry.windows[hWnd] = std::move(owned);
    if (parentWindow != nullptr && (style & WS_CHILD)) {
        parentWindow->children.push_back(hWnd); // below its elder siblings
    } else {
        registry.topLevels.push_back(hWnd);
        DvResizeScreen(window, width, height);
    }

    if (registry.hook != nullptr) {
        const DvCreateHook hook = registry.hook;
        void* context = registry.hookContext;
        registry.hook = nullptr;
        registry.hookContext = nullptr;
        hook(hWnd, context);
    }

    CREATESTRUCT cs = {};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;

    window = DvLookupWindow(hWnd);
    if (window == nullptr || !DvSend(window, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        DestroyWindow(hWnd);
        return nullptr;
    }
    window = DvLookupWindow(hWnd);
    if (window == nullptr || DvSend(window, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hWnd);
        return nullptr;
    }
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return nullptr;
    }
    window->created = true;

    // The size and position reach the window before creation returns.
    const RECT client = DvClientRect(window);
    DvSend(window, WM_SIZE, SIZE_RESTORED, MAKELONG(client.right, client.bottom));
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return nullptr;
    }
    DvSend(window, WM_MOVE, 0, MAKELONG(window->rect.left, window->rect.top));
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return nullptr;
    }
    if (window->style & WS_VISIBLE) {
        window->style &= ~WS_VISIBLE;
        ShowWindow(hWnd, SW_SHOW);
    }
    return DvLookupWindow(hWnd) ? hWnd : nullptr;
}

HWND CreateWindow(LPCSTR className, LPCSTR windowName, DWORD style, int x, int y, int width,
                  int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param) {
    return CreateWindowEx(0, className, windowName, style, x, y, width, height, parent, menu,
                          instance, param);
}

BOOL DestroyWindow(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    if (window->destroying) {
        return TRUE;
    }
    window->destroying = true;
    // Owned windows go first, as they cannot outlive their owner.
    if (!(window->style & WS_CHILD)) {
        for (HWND other : DvTopLevelWindows()) {
            DvWindow* owned = DvLookupWindow(other);
            if (owned != nullptr && owned->owner == hWnd) {
                DestroyWindow(other);
            }
        }
    }
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return TRUE;
    }
    // What the window covered of its parent shows the parent again.
    if ((window->style & WS_CHILD) && (window->style & WS_VISIBLE)) {
        if (DvWindow* parent = DvLookupWindow(window->parent)) {
            DvInvalidate(parent, &window->rect, true, true);
        }
    }
    if (window->host != 0) {
        DvGetHost()->ShowHostWindow(window->host, SW_HIDE);
    }
    SendDestroy(hWnd);
    SendNcDestroyAndFree(hWnd);
    return TRUE;
}

BOOL IsWindow(HWND hWnd) {
    return DvLookupWindow(hWnd) != nullptr;
}

BOOL ShowWindow(HWND hWnd, int nCmdShow) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    const BOOL wasVisible = (window->style & WS_VISIBLE) != 0;
    const bool child = (window->style & WS_CHILD) != 0;
    switch (nCmdShow) {
    case SW_HIDE:
        if (!wasVisible) {
            return FALSE;
        }
        window->style &= ~WS_VISIBLE;
        if (child) {
            if (DvWindow* parent = DvLookupWindow(window->parent)) {
                DvInvalidate(parent, &window->rect, true, true);
            }
        } else if (window->host != 0) {
            DvGetHost()->ShowHostWindow(window->host, SW_HIDE);
        }
        return wasVisible;
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
        if (!child && !window->iconic) {
            window->style |= WS_VISIBLE | WS_MINIMIZE;
            window->iconic = true;
            ShowHost(window, SW_MINIMIZE);
            DvSend(window, WM_SIZE, SIZE_MINIMIZED, 0);
            return wasVisible;
        }
        break;
    case SW_MAXIMIZE:
        if (!child) {
            window->style |= WS_VISIBLE | WS_MAXIMIZE;
            window->style &= ~WS_MINIMIZE;
            const bool wasIconic = window->iconic;
            window->iconic = false;
            window->zoomed = true;
            ShowHost(window, SW_MAXIMIZE);
            if (wasIconic) {
                const RECT client = DvClientRect(window);
                DvSend(window, WM_SIZE, SIZE_MAXIMIZED, MAKELONG(client.right, client.bottom));
            }
            if (DvWindow* again = DvLookupWindow(hWnd)) {
                DvInvalidate(again, nullptr, true, true);
            }
            return wasVisible;
        }
        break;
    case SW_RESTORE:
        if (!child && (window->iconic || window->zoomed)) {
            const bool wasIconic = window->iconic;
            window->style &= ~WS_MINIMIZE;
            window->iconic = false;
            if (!wasIconic) {
                window->zoomed = false;
                window->style &= ~WS_MAXIMIZE;
            }
            window->style |= WS_VISIBLE;
            ShowHost(window, SW_RESTORE);
            window = DvLookupWindow(hWnd);
            if (window != nullptr && wasIconic) {
                const RECT client = DvClientRect(window);
                DvSend(window, WM_SIZE, window->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED,
                       MAKELONG(client.right, client.bottom));
            }
            if (DvWindow* again = DvLookupWindow(hWnd)) {
                DvInvalidate(again, nullptr, true, true);
            }
            return wasVisible;
        }
        break;
    default:
        break;
    }
    if (wasVisible) {
        return TRUE;
    }
    window->style |= WS_VISIBLE;
    if (child) {
        DvInvalidate(window, nullptr, true, true);
    } else {
        ShowHost(window, SW_SHOW);
        if (DvWindow* again = DvLookupWindow(hWnd)) {
            DvInvalidate(again, nullptr, true, true);
        }
    }
    return FALSE;
}

BOOL IsWindowVisible(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window != nullptr && DvIsVisible(window);
}

BOOL EnableWindow(HWND hWnd, BOOL enable) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    const BOOL wasDisabled = (window->style & WS_DISABLED) != 0;
    if (enable) {
        window->style &= ~WS_DISABLED;
    } else {
        window->style |= WS_DISABLED;
        if (GetCapture() == hWnd) {
            ReleaseCapture();
        }
    }
    if (wasDisabled != !enable) {
        DvSend(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
        if (DvWindow* again = DvLookupWindow(hWnd); again && (again->style & WS_CHILD)) {
            DvInvalidate(again, nullptr, true, false);
        }
    }
    return wasDisabled;
}

BOOL IsWindowEnabled(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window != nullptr && !(window->style & WS_DISABLED);
}

BOOL IsIconic(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window != nullptr && window->iconic;
}

BOOL IsZoomed(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window != nullptr && window->zoomed;
}

HWND GetParent(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return nullptr;
    }
    return (window->style & WS_CHILD) ? window->parent : window->owner;
}

HWND GetDlgItem(HWND dialog, int id) {
    DvWindow* window = DvLookupWindow(dialog);
    if (window == nullptr) {
        return nullptr;
    }
    for (HWND child : window->children) {
        DvWindow* control = DvLookupWindow(child);
        if (control != nullptr && control->id == id) {
            return child;
        }
    }
    return nullptr;
}

int GetDlgCtrlID(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window != nullptr && (window->style & WS_CHILD) ? window->id : 0;
}

LONG GetWindowLong(HWND hWnd, int index) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return 0;
    }
    switch (index) {
    case GWL_STYLE:
        return static_cast<LONG>(window->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(window->exStyle);
    case GWL_ID:
        return window->id;
    default:
        return 0;
    }
}

LONG SetWindowLong(HWND hWnd, int index, LONG value) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return 0;
    }
    const LONG old = GetWindowLong(hWnd, index);
    switch (index) {
    case GWL_STYLE:
        // Visibility, minimising and maximising change through ShowWindow only.
        window->style = (static_cast<DWORD>(value) & ~(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE)) |
                        (window->style & (WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE));
        UpdateFullScreen(window);
        break;
    case GWL_EXSTYLE:
        window->exStyle = static_cast<DWORD>(value);
        break;
    case GWL_ID:
        window->id = value;
        break;
    default:
        return 0;
    }
    return old;
}

BOOL SetWindowText(HWND hWnd, LPCSTR text) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    return static_cast<BOOL>(DvSend(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)));
}

int GetWindowText(HWND hWnd, LPSTR text, int maxCount) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr || text == nullptr || maxCount <= 0) {
        return 0;
    }
    return static_cast<int>(
        DvSend(window, WM_GETTEXT, static_cast<WPARAM>(maxCount), reinterpret_cast<LPARAM>(text)));
}

int GetWindowTextLength(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window == nullptr ? 0 : static_cast<int>(DvSend(window, WM_GETTEXTLENGTH, 0, 0));
}

BOOL GetWindowRect(HWND hWnd, LPRECT rect) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = window->rect;
    if (window->style & WS_CHILD) {
        DvWindow* parent = DvLookupWindow(window->parent);
        const POINT origin = DvClientOriginInTop(parent);
        const DvWindow* top = DvTopLevelOf(parent);
        OffsetRect(rect, origin.x + top->rect.left, origin.y + top->rect.top);
    }
    return TRUE;
}

BOOL GetClientRect(HWND hWnd, LPRECT rect) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr || rect == nullptr) {
        return FALSE;
    }
    *rect = DvClientRect(window);
    return TRUE;
}

namespace {
// The screen position of a window's client origin.
bool ClientOriginOnScreen(HWND hWnd, POINT* origin) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return false;
    }
    const POINT inTop = DvClientOriginInTop(window);
    const DvWindow* top = DvTopLevelOf(window);
    origin->x = inTop.x + top->rect.left;
    origin->y = inTop.y + top->rect.top;
    return true;
}
} // namespace

BOOL ScreenToClient(HWND hWnd, LPPOINT point) {
    POINT origin;
    if (point == nullptr || !ClientOriginOnScreen(hWnd, &origin)) {
        return FALSE;
    }
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hWnd, LPPOINT point) {
    POINT origin;
    if (point == nullptr || !ClientOriginOnScreen(hWnd, &origin)) {
        return FALSE;
    }
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    POINT fromOrigin = {0, 0};
    POINT toOrigin = {0, 0};
    if (from != nullptr && !ClientOriginOnScreen(from, &fromOrigin)) {
        return 0;
    }
    if (to != nullptr && !ClientOriginOnScreen(to, &toOrigin)) {
        return 0;
    }
    const int dx = fromOrigin.x - toOrigin.x;
    const int dy = fromOrigin.y - toOrigin.y;
    for (UINT i = 0; points != nullptr && i < count; ++i) {
        points[i].x += dx;
        points[i].y += dy;
    }
    return MAKELONG(dx, dy);
}

namespace {
// Moves and sizes a window; a top-level window's host follows unless the host asked for it.
BOOL PlaceWindow(HWND hWnd, int x, int y, int width, int height, bool move, bool size, BOOL repaint,
                 bool fromHost) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    width = std::max(width, 0);
    height = std::max(height, 0);
    const RECT old = window->rect;
    RECT now = old;
    if (move) {
        OffsetRect(&now, x - old.left, y - old.top);
    }
    if (size) {
        // A rectangle ends at the largest coordinate there is: a size past it is cut there.
        now.right = static_cast<LONG>(
            std::min<std::int64_t>(static_cast<std::int64_t>(now.left) + width, INT_MAX));
        now.bottom = static_cast<LONG>(
            std::min<std::int64_t>(static_cast<std::int64_t>(now.top) + height, INT_MAX));
    }
    const bool moved = now.left != old.left || now.top != old.top;
    const bool sized = (now.right - now.left) != (old.right - old.left) ||
                       (now.bottom - now.top) != (old.bottom - old.top);
    window->rect = now;
    const bool child = (window->style & WS_CHILD) != 0;
    if (!child) {
        // The host window first, so that memory it lends for the screen has the new size. One
        // that now covers the screen is left to the desktop to place.
        const bool enteredFullScreen = !fromHost && UpdateFullScreen(window) && window->fullScreen;
        if (!fromHost && !enteredFullScreen && window->host != 0 && (moved || sized)) {
            POINT at = {now.left, now.top};
            const DvWindow* owner = DvLookupWindow(window->owner);
            if ((window->hostKind == DvHostPopup || window->hostKind == DvHostTooltip) &&
                owner != nullptr) {
                at.x -= owner->rect.left;
                at.y -= owner->rect.top;
            }
            DvGetHost()->PlaceHostWindow(window->host, at.x, at.y, now.right - now.left,
                                         now.bottom - now.top);
        }
        if (sized) {
            DvResizeScreen(window, now.right - now.left, now.bottom - now.top);
        }
    }
    if (repaint && child && (moved || sized) && (window->style & WS_VISIBLE)) {
        if (DvWindow* parent = DvLookupWindow(window->parent)) {
            DvInvalidate(parent, &old, true, false);
        }
    }
    if (sized && !window->iconic) {
        const RECT client = DvClientRect(window);
        DvSend(window, WM_SIZE, window->zoomed ? SIZE_MAXIMIZED : SIZE_RESTORED,
               MAKELONG(client.right, client.bottom));
    }
    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return TRUE;
    }
    if (moved) {
        DvSend(window, WM_MOVE, 0, MAKELONG(window->rect.left, window->rect.top));
        window = DvLookupWindow(hWnd);
        if (window == nullptr) {
            return TRUE;
        }
    }
    if ((repaint || !child) && (moved || sized)) {
        DvInvalidate(window, nullptr, true, true);
    }
    return TRUE;
}
} // namespace

BOOL MoveWindow(HWND hWnd, int x, int y, int width, int height, BOOL repaint) {
    return PlaceWindow(hWnd, x, y, width, height, true, true, repaint, false);
}

BOOL SetWindowPos(HWND hWnd, HWND, int x, int y, int cx, int cy, UINT flags) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    if ((flags & (SWP_NOMOVE | SWP_NOSIZE)) != (SWP_NOMOVE | SWP_NOSIZE)) {
        PlaceWindow(hWnd, x, y, cx, cy, !(flags & SWP_NOMOVE), !(flags & SWP_NOSIZE),
                    !(flags & SWP_NOREDRAW), false);
    }
    if (flags & SWP_SHOWWINDOW) {
        ShowWindow(hWnd, SW_SHOWNA);
    }
    if (flags & SWP_HIDEWINDOW) {
        ShowWindow(hWnd, SW_HIDE);
    }
    return TRUE;
}

// The host moved or resized a top-level window.
void DvPlaceFromHost(HWND hWnd, int x, int y, int cx, int cy, bool move, bool size) {
    PlaceWindow(hWnd, x, y, cx, cy, move, size, TRUE, true);
}

HWND WindowFromPoint(POINT point) {
    const std::vector<HWND> tops = DvTopLevelWindows();
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
        DvWindow* top = DvLookupWindow(*it);
        if (top != nullptr && DvIsVisible(top) && !top->iconic) {
            POINT local = {point.x - top->rect.left, point.y - top->rect.top};
            if (local.x >= 0 && local.y >= 0 && local.x < top->rect.right - top->rect.left &&
                local.y < top->rect.bottom - top->rect.top) {
                return top->hWnd;
            }
        }
    }
    return nullptr;
}
