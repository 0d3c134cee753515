// Menus: popup menus and the system menu, and the popup window that shows an open menu.
#include "win32/window.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <map>

#include "win32/gdiobj.h"

namespace {

struct DvMenuItem {
    UINT flags;
    UINT_PTR id;
    std::string text;
};

struct DvMenuRecord {
    std::vector<DvMenuItem> items;
};

struct DvOpenMenu {
    HMENU menu = nullptr;
    HWND popup = nullptr;
    HWND owner = nullptr;
    bool system = false;
    int hot = -1;
    bool done = false;
    UINT_PTR chosen = 0;
    bool postCommand = true;
};

struct DvMenus {
    std::map<HMENU, DvMenuRecord> menus;
    UINT_PTR nextHandle = 0x20000;
    DvOpenMenu open;
    HFONT font = nullptr;
};

DvMenus& Menus() {
    static DvMenus menus;
    return menus;
}

DvMenuRecord* Lookup(HMENU menu) {
    auto& all = Menus().menus;
    auto it = all.find(menu);
    return it == all.end() ? nullptr : &it->second;
}

const int kItemHeight = 18;
const int kSeparatorHeight = 8;
const int kTextLeft = 18;
const int kFrame = 2;

HFONT MenuFont() {
    DvMenus& menus = Menus();
    if (menus.font == nullptr) {
        menus.font = CreateFont(-MulDiv(8, USER_DEFAULT_SCREEN_DPI, 72), 0, 0, 0, FW_NORMAL, FALSE,
                                FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                DEFAULT_QUALITY, DEFAULT_PITCH, "MS Sans Serif");
    }
    return menus.font;
}

// The label and the accelerator text that follows a tab.
void SplitLabel(const std::string& text, std::string* label, std::string* accelerator) {
    const size_t tab = text.find('\t');
    *label = text.substr(0, tab);
    *accelerator = tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

int TextWidth(const std::string& text) {
    if (text.empty()) {
        return 0;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE size = {static_cast<LONG>(text.size() * 6), 13};
    if (dc != nullptr) {
        HGDIOBJ old = SelectObject(dc, MenuFont());
        std::string plain;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '&' && i + 1 < text.size()) {
                ++i;
            }
            plain += text[i];
        }
        SIZE measured;
        if (GetTextExtentPoint32(dc, plain.c_str(), static_cast<int>(plain.size()), &measured)) {
            size = measured;
        }
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    return size.cx;
}

SIZE MenuSize(const DvMenuRecord& record) {
    int labels = 0;
    int accelerators = 0;
    int height = 0;
    for (const DvMenuItem& item : record.items) {
        if (item.flags & MF_SEPARATOR) {
            height += kSeparatorHeight;
            continue;
        }
        std::string label;
        std::string accelerator;
        SplitLabel(item.text, &label, &accelerator);
        labels = std::max(labels, TextWidth(label));
        accelerators = std::max(accelerators, TextWidth(accelerator));
        height += kItemHeight;
    }
    const int width = kTextLeft + labels + (accelerators > 0 ? 24 + accelerators : 0) + 20;
    return SIZE{std::max(width, 80) + 2 * kFrame, height + 2 * kFrame};
}

bool ItemRect(const DvMenuRecord& record, int pos, RECT* rect) {
    const SIZE size = MenuSize(record);
    int y = kFrame;
    for (int i = 0; i < static_cast<int>(record.items.size()); ++i) {
        const int h = (record.items[i].flags & MF_SEPARATOR) ? kSeparatorHeight : kItemHeight;
        if (i == pos) {
            *rect = RECT{kFrame, y, size.cx - kFrame, y + h};
            return true;
        }
        y += h;
    }
    return false;
}

int ItemAt(const DvMenuRecord& record, POINT p) {
    for (int i = 0; i < static_cast<int>(record.items.size()); ++i) {
        RECT r;
        if (ItemRect(record, i, &r) && PtInRect(&r, p)) {
            return i;
        }
    }
    return -1;
}

bool Selectable(const DvMenuItem& item) {
    return !(item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED));
}

void PaintMenu(HWND hWnd, HDC dc) {
    DvOpenMenu& open = Menus().open;
    const DvMenuRecord* record = Lookup(open.menu);
    RECT client;
    GetClientRect(hWnd, &client);
    DvFillRect(dc, &client, GetSysColor(COLOR_MENU));
    // A raised two-pixel frame.
    auto frame = [&](const RECT& r, COLORREF tl, COLORREF br) {
        const RECT lines[4] = {{r.left, r.top, r.right, r.top + 1},
                               {r.left, r.top, r.left + 1, r.bottom},
                               {r.left, r.bottom - 1, r.right, r.bottom},
                               {r.right - 1, r.top, r.right, r.bottom}};
        for (int i = 0; i < 4; ++i) {
            DvFillRect(dc, &lines[i], i < 2 ? tl : br);
        }
    };
    frame(client, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW));
    RECT inner = client;
    InflateRect(&inner, -1, -1);
    frame(inner, GetSysColor(COLOR_BTNHIGHLIGHT), GetSysColor(COLOR_BTNSHADOW));
    if (record == nullptr) {
        return;
    }
    HGDIOBJ oldFont = SelectObject(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    for (int i = 0; i < static_cast<int>(record->items.size()); ++i) {
        const DvMenuItem& item = record->items[i];
        RECT r;
        ItemRect(*record, i, &r);
        if (item.flags & MF_SEPARATOR) {
            const int y = (r.top + r.bottom) / 2 - 1;
            const RECT shadow = {r.left + 1, y, r.right - 1, y + 1};
            const RECT light = {r.left + 1, y + 1, r.right - 1, y + 2};
            DvFillRect(dc, &shadow, GetSysColor(COLOR_BTNSHADOW));
            DvFillRect(dc, &light, GetSysColor(COLOR_BTNHIGHLIGHT));
            continue;
        }
        const bool hot = i == open.hot && Selectable(item);
        if (hot) {
            DvFillRect(dc, &r, GetSysColor(COLOR_HIGHLIGHT));
        }
        COLORREF colour = GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT);
        if (!Selectable(item)) {
            colour = GetSysColor(COLOR_GRAYTEXT);
        }
        std::string label;
        std::string accelerator;
        SplitLabel(item.text, &label, &accelerator);
        SetTextColor(dc, colour);
        RECT text = r;
        text.left += kTextLeft;
        text.right -= 12;
        DrawText(dc, label.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
        if (!accelerator.empty()) {
            DrawText(dc, accelerator.c_str(), -1, &text, DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
        }
    }
    SelectObject(dc, oldFont);
}

LRESULT CALLBACK MenuProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (HDC dc = BeginPaint(hWnd, &ps)) {
            PaintMenu(hWnd, dc);
            EndPaint(hWnd, &ps);
        }
        return 0;
    }
    default:
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
}

void RegisterMenuClass() {
    static bool registered = false;
    if (registered) {
        return;
    }
    WNDCLASS wc = {};
    wc.lpfnWndProc = MenuProc;
    wc.lpszClassName = "#32768";
    RegisterClass(&wc);
    registered = true;
}

void SetHot(int hot) {
    DvOpenMenu& open = Menus().open;
    if (open.hot != hot) {
        open.hot = hot;
        InvalidateRect(open.popup, nullptr, TRUE);
    }
}

// Closes the open menu; a chosen item becomes the owner's command.
void Finish(bool choose) {
    DvOpenMenu& open = Menus().open;
    if (open.popup == nullptr) {
        return;
    }
    const DvMenuRecord* record = Lookup(open.menu);
    UINT_PTR id = 0;
    bool chosen = false;
    if (choose && record != nullptr && open.hot >= 0 &&
        open.hot < static_cast<int>(record->items.size()) && Selectable(record->items[open.hot])) {
        id = record->items[open.hot].id;
        chosen = true;
    }
    const HWND popup = open.popup;
    const HWND owner = open.owner;
    const bool system = open.system;
    const bool post = open.postCommand;
    open.popup = nullptr;
    open.done = true;
    open.chosen = chosen ? id : 0;
    open.hot = -1;
    DestroyWindow(popup);
    if (chosen && post) {
        if (system) {
            PostMessage(owner, WM_SYSCOMMAND, id, 0);
        } else {
            PostMessage(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        }
    }
}

int StepHot(const DvMenuRecord& record, int from, int step) {
    const int n = static_cast<int>(record.items.size());
    if (n == 0) {
        return -1;
    }
    int pos = from;
    for (int i = 0; i < n; ++i) {
        if (pos < 0) {
            pos = step > 0 ? 0 : n - 1;
        } else {
            pos = (pos + step + n) % n;
        }
        if (Selectable(record.items[pos])) {
            return pos;
        }
    }
    return -1;
}

// Where a menu of `extent` pixels opens along one axis of a screen of `limit` pixels when asked
// for at `at`: there if it fits, else on the other side of the point (as the system keeps a menu
// on its monitor near an edge), and pushed inside the screen where neither side has room.
int PlaceOnScreen(int at, int extent, int limit) {
    if (at + extent > limit) {
        at -= extent;
    }
    return std::max(0, std::min(at, limit - extent));
}

bool Open(HMENU menu, HWND owner, POINT clientPoint, bool system, bool postCommand) {
    DvCloseMenus();
    DvMenuRecord* record = Lookup(menu);
    DvWindow* top = DvTopLevelOf(DvLookupWindow(owner));
    if (record == nullptr || top == nullptr || record->items.empty()) {
        return false;
    }
    RegisterMenuClass();
    const SIZE size = MenuSize(*record);
    POINT screen = clientPoint;
    ClientToScreen(owner, &screen);
    screen.x = PlaceOnScreen(screen.x, size.cx, GetSystemMetrics(SM_CXSCREEN));
    screen.y = PlaceOnScreen(screen.y, size.cy, GetSystemMetrics(SM_CYSCREEN));
    DvOpenMenu& open = Menus().open;
    open = DvOpenMenu{};
    open.menu = menu;
    open.owner = owner;
    open.system = system;
    open.postCommand = postCommand;
    open.popup = CreateWindowEx(0, "#32768", "", WS_POPUP, screen.x, screen.y, size.cx, size.cy,
                                top->hWnd, nullptr, nullptr, nullptr);
    if (open.popup == nullptr) {
        open = DvOpenMenu{};
        return false;
    }
    ShowWindow(open.popup, SW_SHOWNA);
    return true;
}

} // namespace

HMENU CreatePopupMenu() {
    DvMenus& menus = Menus();
    menus.nextHandle += 4;
    const HMENU menu = reinterpret_cast<HMENU>(menus.nextHandle);
    menus.menus[menu] = DvMenuRecord{};
    return menu;
}

BOOL DestroyMenu(HMENU menu) {
    DvMenus& menus = Menus();
    if (menus.open.menu == menu) {
        Finish(false);
    }
    return menus.menus.erase(menu) ? TRUE : FALSE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR idNewItem, LPCSTR newItem) {
    DvMenuRecord* record = Lookup(menu);
    if (record == nullptr) {
        return FALSE;
    }
    DvMenuItem item = {flags, idNewItem, std::string()};
    if (!(flags & (MF_SEPARATOR | MF_BITMAP | MF_POPUP))) {
        if (newItem == nullptr) {
            return FALSE;
        }
        item.text = newItem;
    }
    record->items.push_back(std::move(item));
    return TRUE;
}

namespace {
DvMenuItem* FindItem(HMENU menu, UINT idItem, UINT flags) {
    DvMenuRecord* record = Lookup(menu);
    if (record == nullptr) {
        return nullptr;
    }
    if (flags & MF_BYPOSITION) {
        return idItem < record->items.size() ? &record->items[idItem] : nullptr;
    }
    for (DvMenuItem& item : record->items) {
        if (!(item.flags & MF_SEPARATOR) && item.id == idItem) {
            return &item;
        }
    }
    return nullptr;
}
} // namespace

BOOL EnableMenuItem(HMENU menu, UINT idItem, UINT enable) {
    DvMenuItem* item = FindItem(menu, idItem, enable);
    if (item == nullptr) {
        return -1;
    }
    const UINT previous = item->flags & (MF_GRAYED | MF_DISABLED);
    item->flags = (item->flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
    return static_cast<BOOL>(previous);
}

int GetMenuItemCount(HMENU menu) {
    DvMenuRecord* record = Lookup(menu);
    return record == nullptr ? -1 : static_cast<int>(record->items.size());
}

UINT GetMenuItemID(HMENU menu, int pos) {
    DvMenuRecord* record = Lookup(menu);
    if (record == nullptr || pos < 0 || pos >= static_cast<int>(record->items.size())) {
        return static_cast<UINT>(-1);
    }
    const DvMenuItem& item = record->items[pos];
    return (item.flags & MF_SEPARATOR) ? 0 : static_cast<UINT>(item.id);
}

int GetMenuString(HMENU menu, UINT idItem, LPSTR string, int maxCount, UINT flags) {
    DvMenuItem* item = FindItem(menu, idItem, flags);
    if (item == nullptr) {
        return 0;
    }
    if (string == nullptr || maxCount <= 0) {
        return static_cast<int>(item->text.size());
    }
    const size_t n = std::min(item->text.size(), static_cast<size_t>(maxCount - 1));
    std::memcpy(string, item->text.data(), n);
    string[n] = '\0';
    return static_cast<int>(n);
}

HMENU GetSystemMenu(HWND hWnd, BOOL revert) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr || (window->style & WS_CHILD)) {
        return nullptr;
    }
    if (revert) {
        DvDestroySystemMenu(window);
        return nullptr;
    }
    if (window->systemMenu == nullptr) {
        // The standard items the window's style allows; moving and sizing belong to the
        // window manager here.
        HMENU menu = CreatePopupMenu();
        const bool boxes = (window->style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX)) != 0 &&
                           (window->style & WS_CAPTION) == WS_CAPTION;
        if (boxes) {
            AppendMenu(menu, MF_STRING, SC_RESTORE, "&Restore");
            if (window->style & WS_MINIMIZEBOX) {
                AppendMenu(menu, MF_STRING, SC_MINIMIZE, "Mi&nimize");
            }
            if (window->style & WS_MAXIMIZEBOX) {
                AppendMenu(menu, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
            }
            AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
        }
        AppendMenu(menu, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
        window->systemMenu = menu;
    }
    return window->systemMenu;
}

void DvDestroySystemMenu(DvWindow* window) {
    if (window->systemMenu != nullptr) {
        DestroyMenu(window->systemMenu);
        window->systemMenu = nullptr;
    }
}

void DvOpenSystemMenu(HWND hWnd, POINT clientPoint) {
    DvWindow* window = DvTopLevelOf(DvLookupWindow(hWnd));
    if (window == nullptr || !(window->style & WS_SYSMENU) || (window->style & WS_DISABLED)) {
        return;
    }
    HMENU menu = GetSystemMenu(window->hWnd, FALSE);
    // Items that make no sense in the window's state, or on a host without window states,
    // are greyed.
    const bool states = DvGetHost()->WindowsHaveStates() != FALSE;
    EnableMenuItem(menu, SC_RESTORE,
                   states && (window->iconic || window->zoomed) ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, SC_MINIMIZE, states && !window->iconic ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, SC_MAXIMIZE, states && !window->zoomed ? MF_ENABLED : MF_GRAYED);
    Open(menu, window->hWnd, clientPoint, true, true);
}

HWND DvOpenMenuWindow() {
    return Menus().open.popup;
}

bool DvMenuItemRect(int pos, RECT* rect) {
    const DvMenuRecord* record = Lookup(Menus().open.menu);
    return Menus().open.popup != nullptr && record != nullptr && rect != nullptr &&
           ItemRect(*record, pos, rect);
}

void DvCloseMenus() {
    Finish(false);
}

bool DvMenuHandleEvent(const DvHostEvent& event, DvWindow* top) {
    DvOpenMenu& open = Menus().open;
    if (open.popup == nullptr) {
        return false;
    }
    DvMenuRecord* record = Lookup(open.menu);
    if (record == nullptr) {
        Finish(false);
        return false;
    }
    const bool onMenu = top->hWnd == open.popup;
    switch (event.kind) {
    case DvEventMouseMove:
        if (onMenu) {
            SetHot(ItemAt(*record, POINT{event.x, event.y}));
        }
        return true;
    case DvEventMouseDown:
        if (onMenu) {
            SetHot(ItemAt(*record, POINT{event.x, event.y}));
        } else {
            Finish(false); // a press outside closes the menu and goes nowhere else
        }
        return true;
    case DvEventMouseUp:
        if (onMenu) {
            const int item = ItemAt(*record, POINT{event.x, event.y});
            if (item >= 0 && Selectable(record->items[item])) {
                SetHot(item);
                Finish(true);
            }
        }
        return true;
    case DvEventKeyDown:
        switch (event.key) {
        case VK_ESCAPE:
            Finish(false);
            break;
        case VK_UP:
            SetHot(StepHot(*record, open.hot, -1));
            break;
        case VK_DOWN:
            SetHot(StepHot(*record, open.hot, 1));
            break;
        case VK_RETURN:
            Finish(true);
            break;
        default:
            // A letter chooses the item whose mnemonic it is.
            for (int i = 0; i < static_cast<int>(record->items.size()); ++i) {
                const std::string& text = record->items[i].text;
                const size_t amp = text.find('&');
                if (amp != std::string::npos && amp + 1 < text.size() &&
                    std::toupper(static_cast<unsigned char>(text[amp + 1])) ==
                        static_cast<int>(event.key) &&
                    Selectable(record->items[i])) {
                    SetHot(i);
                    Finish(true);
                    break;
                }
            }
            break;
        }
        return true;
    case DvEventKeyUp:
        return true;
    case DvEventClose:
    case DvEventMinimise:
        Finish(false);
        return onMenu;
    default:
        return false;
    }
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND hWnd, const RECT*) {
    POINT client = {x, y};
    ScreenToClient(hWnd, &client);
    if (!Open(menu, hWnd, client, false, !(flags & TPM_RETURNCMD))) {
        return FALSE;
    }
    DvOpenMenu& open = Menus().open;
    while (!open.done) {
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!WaitMessage()) {
                Finish(false);
                break;
            }
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            Finish(false);
            break;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
    if (flags & TPM_RETURNCMD) {
        return static_cast<BOOL>(open.chosen);
    }
    return TRUE;
}
