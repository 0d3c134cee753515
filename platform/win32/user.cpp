// USER's odds and ends: metrics, strings from the string table and message boxes.
#include "win32/window.h"

#include "host/Host.h"

#include <algorithm>
#include <cstring>

#include "res/DialogTemplate.h"

int GetSystemMetrics(int index) {
    switch (index) {
    case SM_CXSCREEN:
        return DvGetHost()->ScreenSize().cx;
    case SM_CYSCREEN:
        return DvGetHost()->ScreenSize().cy;
    case SM_CXICON:
    case SM_CYICON:
        return 32;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return 16;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return 2;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return 1;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return 3;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return 4;
    case SM_CYCAPTION:
        return 19;
    case SM_CXVSCROLL:
        return 16;
    default:
        return 0;
    }
}

int LoadString(HINSTANCE instance, UINT id, LPSTR buffer, int bufferMax) {
    if (buffer == nullptr || bufferMax <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    HRSRC found = FindResource(instance, MAKEINTRESOURCE(id), RT_STRING);
    if (found == nullptr) {
        return 0;
    }
    const char* text = static_cast<const char*>(LockResource(LoadResource(instance, found)));
    const DWORD size = SizeofResource(instance, found);
    if (text == nullptr) {
        return 0;
    }
    // A string resource holds its characters without a terminator; stop at one if present.
    const size_t length = strnlen(text, size);
    const size_t n = std::min(length, static_cast<size_t>(bufferMax - 1));
    std::memcpy(buffer, text, n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}

BOOL MessageBeep(UINT) {
    return TRUE;
}

namespace {

struct DvMessageBoxState {
    UINT type;
};

INT_PTR CALLBACK MessageBoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        DvLookupWindow(dialog)->userData = lParam;
        return TRUE;
    case WM_COMMAND: {
        const UINT type = static_cast<UINT>(DvLookupWindow(dialog)->userData) & 0xF;
        int id = LOWORD(wParam);
        if (id == IDCANCEL) {
            // Escape and closing: a box without Cancel answers with its only or its "no" button.
            if (type == MB_OK) {
                id = IDOK;
            } else if (type == MB_YESNO) {
                return TRUE;
            }
        }
        EndDialog(dialog, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const std::string body = text != nullptr ? text : "";
    // The box's size in dialog units from the text: about four units a character, wrapped
    // at 240 units, eight units a line.
    int longest = 0;
    int lines = 1;
    int current = 0;
    for (char c : body) {
        if (c == '\n') {
            ++lines;
            current = 0;
        } else {
            ++current;
            longest = std::max(longest, current);
        }
    }
    const int textWidth = std::clamp(longest * 4 + 8, 60, 240);
    lines += (longest * 4 + 8) / 241;
    const int textHeight = lines * 8 + 2;
    std::vector<std::pair<int, const char*>> buttons;
    switch (type & 0xF) {
    case MB_OKCANCEL:
        buttons = {{IDOK, "OK"}, {IDCANCEL, "Cancel"}};
        break;
    case MB_YESNO:
        buttons = {{IDYES, "&Yes"}, {IDNO, "&No"}};
        break;
    default:
        buttons = {{IDOK, "OK"}};
        break;
    }
    const int buttonsWidth = static_cast<int>(buttons.size()) * 56 - 6;
    const int width = std::max(textWidth + 20, buttonsWidth + 20);
    const int height = 10 + textHeight + 10 + 14 + 7;
    std::vector<DvDialogItem> items;
    items.push_back(DvDialogItem{WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX, 0, 10, 10,
                                 static_cast<short>(textWidth), static_cast<short>(textHeight), -1,
                                 "STATIC", body.c_str(), 0});
    int x = (width - buttonsWidth) / 2;
    for (size_t i = 0; i < buttons.size(); ++i) {
        const DWORD style =
            WS_CHILD | WS_VISIBLE | WS_TABSTOP | (i == 0 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON);
        items.push_back(DvDialogItem{style, 0, static_cast<short>(x),
                                     static_cast<short>(10 + textHeight + 10), 50, 14,
                                     buttons[i].first, "BUTTON", buttons[i].second, 0});
        x += 56;
    }
    const DvDialogTemplate dlgTemplate = {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
                                              WS_VISIBLE,
                                          0,
                                          0,
                                          0,
                                          static_cast<short>(width),
                                          static_cast<short>(height),
                                          caption != nullptr ? caption : "Error",
                                          8,
                                          "MS Sans Serif",
                                          items.data(),
                                          static_cast<int>(items.size())};
    const INT_PTR result = DialogBoxIndirectParam(nullptr, &dlgTemplate, owner, MessageBoxProc,
                                                  static_cast<LPARAM>(type));
    if (result == IDCANCEL && (type & 0xF) == MB_OK) {
        return IDOK;
    }
    if (result == IDCANCEL && (type & 0xF) == MB_YESNO) {
        return IDNO;
    }
    return static_cast<int>(result);
}

// One monitor: the screen that the host places top-level windows on.
HMONITOR MonitorFromWindow(HWND hWnd, DWORD flags) {
    if (hWnd != nullptr && !IsWindow(hWnd) && flags == MONITOR_DEFAULTTONULL) {
        return nullptr;
    }
    return reinterpret_cast<HMONITOR>(static_cast<UINT_PTR>(1));
}

BOOL GetMonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
    if (monitor != reinterpret_cast<HMONITOR>(static_cast<UINT_PTR>(1)) || info == nullptr ||
        info->cbSize < sizeof(MONITORINFO)) {
        return FALSE;
    }
    const SIZE screen = DvGetHost()->ScreenSize();
    info->rcMonitor = RECT{0, 0, screen.cx, screen.cy};
    info->rcWork = info->rcMonitor;
    info->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}
