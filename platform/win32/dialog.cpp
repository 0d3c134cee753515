// The dialog manager: dialogs made from templates in dialog units, the default dialog
// procedure, the dialog keys and modal dialog boxes.
#include "win32/window.h"

#include <algorithm>
#include <cstdint>

#include "res/DialogTemplate.h"

namespace {

DvDialogState* StateOf(DvWindow* window) {
    if (window == nullptr) {
        return nullptr;
    }
    if (!window->dialog) {
        window->dialog = std::make_unique<DvDialogState>();
    }
    return window->dialog.get();
}

int ToPixelsX(int units) {
    return MulDiv(units, DV_BASE_UNIT_X, 4);
}
int ToPixelsY(int units) {
    return MulDiv(units, DV_BASE_UNIT_Y, 8);
}

HFONT CreateTemplateFont(const DvDialogTemplate* dlgTemplate) {
    const int points = dlgTemplate->pointSize != 0 ? dlgTemplate->pointSize : 8;
    const char* face = dlgTemplate->faceName != nullptr ? dlgTemplate->faceName : "MS Sans Serif";
    return CreateFont(-MulDiv(points, USER_DEFAULT_SCREEN_DPI, 72), 0, 0, 0, FW_NORMAL, FALSE,
                      FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, face);
}

HWND FirstTabStop(DvWindow* dialog) {
    for (HWND child : dialog->children) {
        DvWindow* control = DvLookupWindow(child);
        if (control != nullptr && (control->style & WS_TABSTOP) && (control->style & WS_VISIBLE) &&
            !(control->style & WS_DISABLED)) {
            return child;
        }
    }
    return nullptr;
}

// The command of a dialog key, sent as the click of the button it stands for.
void SendButtonCommand(HWND dialog, int id) {
    SendMessage(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

} // namespace

LRESULT CALLBACK DvDialogProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DvWindow* window = DvLookupWindow(hWnd);
    DvDialogState* state = StateOf(window);
    if (state == nullptr) {
        return 0;
    }
    if (state->dlgProc != nullptr) {
        state->msgResult = 0;
        const INT_PTR handled = state->dlgProc(hWnd, message, wParam, lParam);
        if (handled) {
            if (message == WM_INITDIALOG || message == WM_QUERYDRAGICON) {
                return handled;
            }
            return state->msgResult;
        }
        window = DvLookupWindow(hWnd);
        state = StateOf(window);
        if (state == nullptr) {
            return 0;
        }
    }
    switch (message) {
    case WM_ERASEBKGND:
    case WM_ICONERASEBKGND: {
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT client;
        GetClientRect(hWnd, &client);
        if (message == WM_ICONERASEBKGND || IsRectEmpty(&client)) {
            // A minimised dialog has no client area; the face fills its screen.
            client = RECT{0, 0, window->screenWidth, window->screenHeight};
        }
        HBRUSH brush = CreateSolidBrush(DvFaceColour());
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        return 1;
    }
    case WM_CLOSE:
        // Closing a dialog is its cancel command.
        SendButtonCommand(hWnd, IDCANCEL);
        return 0;
    case DM_GETDEFID:
        return MAKELRESULT(state->defId, DC_HASDEFID);
    case DM_SETDEFID:
        state->defId = static_cast<int>(wParam);
        return TRUE;
    case WM_QUERYDRAGICON:
        return 0;
    default:
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
}

LRESULT DefDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    DvWindow* window = DvLookupWindow(dialog);
    DvDialogState* state = StateOf(window);
    if (state == nullptr) {
        return 0;
    }
    // The default processing without the dialog's own procedure.
    const DLGPROC saved = state->dlgProc;
    state->dlgProc = nullptr;
    const LRESULT result = DvDialogProc(dialog, message, wParam, lParam);
    if (DvDialogState* again = StateOf(DvLookupWindow(dialog))) {
        again->dlgProc = saved;
    }
    return result;
}

int MulDiv(int number, int numerator, int denominator) {
    if (denominator == 0) {
        return -1;
    }
    // The product is formed in 64 bits; the quotient rounds half away from zero, and a result
    // that does not fit in 32 bits is -1, as on the platform.
    const std::int64_t product = static_cast<std::int64_t>(number) * numerator;
    std::int64_t magnitude = product < 0 ? -product : product;
    const std::int64_t divisor = denominator < 0 ? -static_cast<std::int64_t>(denominator)
                                                 : static_cast<std::int64_t>(denominator);
    magnitude = (magnitude + divisor / 2) / divisor;
    const bool negative = (product < 0) != (denominator < 0);
    const std::int64_t result = negative ? -magnitude : magnitude;
    if (result > INT32_MAX || result < INT32_MIN) {
        return -1;
    }
    return static_cast<int>(result);
}

LONG GetDialogBaseUnits() {
    return MAKELONG(DV_BASE_UNIT_X, DV_BASE_UNIT_Y);
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    if (DvLookupWindow(dialog) == nullptr || rect == nullptr) {
        return FALSE;
    }
    rect->left = ToPixelsX(rect->left);
    rect->right = ToPixelsX(rect->right);
    rect->top = ToPixelsY(rect->top);
    rect->bottom = ToPixelsY(rect->bottom);
    return TRUE;
}

HWND CreateDialogIndirectParam(HINSTANCE instance, LPCDLGTEMPLATE dlgTemplate, HWND parent,
                               DLGPROC dialogFunc, LPARAM initParam) {
    if (dlgTemplate == nullptr || dlgTemplate->itemCount < 0 ||
        (dlgTemplate->itemCount > 0 && dlgTemplate->items == nullptr)) {
        return nullptr;
    }
    const int cx = ToPixelsX(dlgTemplate->cx);
    const int cy = ToPixelsY(dlgTemplate->cy);
    // The dialog opens where its template puts it (DS_CENTER is not among the styles the
    // program uses); centring is the framework's.
    const int x = ToPixelsX(dlgTemplate->x);
    const int y = ToPixelsY(dlgTemplate->y);
    const DvWindow* owner = DvTopLevelOf(DvLookupWindow(parent));
    // The dialog stays hidden while its controls are made and it initialises.
    const DWORD style = (dlgTemplate->style & ~WS_VISIBLE & ~WS_CHILD) | WS_POPUP;
    const HWND hWnd =
        CreateWindowEx(dlgTemplate->exStyle, WC_DIALOG, dlgTemplate->caption, style, x, y, cx, cy,
                       owner != nullptr ? owner->hWnd : nullptr, nullptr, instance, nullptr);
    if (hWnd == nullptr) {
        return nullptr;
    }
    DvWindow* window = DvLookupWindow(hWnd);
    DvDialogState* state = StateOf(window);
    state->dlgProc = dialogFunc;
    state->initParam = initParam;
    state->font = CreateTemplateFont(dlgTemplate);
    state->ownsFont = state->font != nullptr;
    SendMessage(hWnd, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);

    for (int i = 0; i < dlgTemplate->itemCount; ++i) {
        const DvDialogItem& item = dlgTemplate->items[i];
        LPCSTR text = item.text;
        const DWORD type = item.style & SS_TYPEMASK;
        const bool picture = item.className != nullptr && DvClassKey(item.className) == "static" &&
                             (type == SS_BITMAP || type == SS_ICON);
        if (picture && item.nImageId != 0) {
            text = MAKEINTRESOURCE(item.nImageId);
        }
        const HWND control = CreateWindowEx(
            item.exStyle, item.className, text, item.style | WS_CHILD, ToPixelsX(item.x),
            ToPixelsY(item.y), ToPixelsX(item.cx), ToPixelsY(item.cy), hWnd,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(item.id)), instance, nullptr);
        if (control == nullptr) {
            DestroyWindow(hWnd);
            return nullptr;
        }
        SendMessage(control, WM_SETFONT, reinterpret_cast<WPARAM>(state->font), FALSE);
        DvWindow* controlWindow = DvLookupWindow(control);
        if (controlWindow != nullptr && DvClassKey(item.className) == "button" &&
            (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
            state->defId = item.id;
        }
        window = DvLookupWindow(hWnd);
        if (window == nullptr) {
            return nullptr;
        }
    }

    window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return nullptr;
    }
    // Only a dialog with a dialog procedure is told to initialise, as on the platform.
    const HWND first = FirstTabStop(window);
    if (dialogFunc != nullptr &&
        SendMessage(hWnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), initParam) &&
        IsWindow(first)) {
        SetFocus(first);
    }
    if (!IsWindow(hWnd)) {
        return nullptr;
    }
    if (dlgTemplate->style & WS_VISIBLE) {
        ShowWindow(hWnd, SW_SHOW);
    }
    return IsWindow(hWnd) ? hWnd : nullptr;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DvDialogState* state = StateOf(DvLookupWindow(dialog));
    if (state == nullptr) {
        return FALSE;
    }
    state->result = result;
    state->ended = true;
    PostMessage(dialog, WM_NULL, 0, 0); // wakes the modal loop
    return TRUE;
}

bool DvDialogEnded(HWND dialog, INT_PTR* result) {
    DvWindow* window = DvLookupWindow(dialog);
    if (window == nullptr || !window->dialog) {
        return true;
    }
    if (result != nullptr) {
        *result = window->dialog->result;
    }
    return window->dialog->ended;
}

BOOL IsDialogMessage(HWND dialog, LPMSG msg) {
    DvWindow* window = DvLookupWindow(dialog);
    if (window == nullptr || msg == nullptr) {
        return FALSE;
    }
    bool ours = false;
    for (DvWindow* w = DvLookupWindow(msg->hwnd); w != nullptr;
         w = (w->style & WS_CHILD) ? DvLookupWindow(w->parent) : nullptr) {
        if (w->hWnd == dialog) {
            ours = true;
            break;
        }
    }
    if (!ours) {
        return FALSE;
    }
    if (msg->message == WM_KEYDOWN) {
        switch (msg->wParam) {
        case VK_RETURN: {
            // The focused push button, else the default button, hidden or not.
            int id = LOWORD(SendMessage(dialog, DM_GETDEFID, 0, 0));
            DvWindow* focus = DvLookupWindow(GetFocus());
            if (focus != nullptr && focus->className == "button" && focus->parent == dialog) {
                id = focus->id;
            }
            SendButtonCommand(dialog, id);
            return TRUE;
        }
        case VK_ESCAPE:
            SendButtonCommand(dialog, IDCANCEL);
            return TRUE;
        default:
            break;
        }
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
    return TRUE;
}

INT_PTR DvRunDialogLoop(HWND dialog, INT_PTR endedByHost) {
    INT_PTR result = -1;
    while (!DvDialogEnded(dialog, &result)) {
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!WaitMessage()) {
                return endedByHost; // nothing can ever arrive
            }
            continue;
        }
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        if (!IsDialogMessage(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return result;
}

INT_PTR DialogBoxIndirectParam(HINSTANCE instance, LPCDLGTEMPLATE dlgTemplate, HWND parent,
                               DLGPROC dialogFunc, LPARAM initParam) {
    DvWindow* owner = DvTopLevelOf(DvLookupWindow(parent));
    const HWND ownerHandle = owner != nullptr ? owner->hWnd : nullptr;
    bool disabled = false;
    if (ownerHandle != nullptr && IsWindowEnabled(ownerHandle)) {
        EnableWindow(ownerHandle, FALSE);
        disabled = true;
    }
    INT_PTR result = -1;
    const HWND dialog =
        CreateDialogIndirectParam(instance, dlgTemplate, ownerHandle, dialogFunc, initParam);
    if (dialog != nullptr) {
        if (!(dlgTemplate->style & WS_VISIBLE)) {
            ShowWindow(dialog, SW_SHOW);
        }
        result = DvRunDialogLoop(dialog, IDCANCEL);
    }
    if (disabled) {
        EnableWindow(ownerHandle, TRUE);
    }
    if (dialog != nullptr) {
        DestroyWindow(dialog);
    }
    return result;
}
