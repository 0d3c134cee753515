// The tooltip control: tools are rectangles of windows (or whole windows), the owner relays its
// mouse messages, and after the pointer has rested on a tool for the initial delay the control
// shows the tool's text beside the pointer, until the pointer leaves the tool, a button is
// pressed, the control is told to pop, or the automatic delay runs out.
#include "win32/commctrl.h"
#include "win32/gdiobj.h"
#include "win32/window.h"

#include <algorithm>
#include <map>
#include <string>
#include <vector>

namespace {

// The platform's delays: the initial one is the double-click time; a tip that replaces another
// comes after a fifth of it, and goes by itself after ten times it.
constexpr int kDefaultInitial = 500;
constexpr UINT_PTR kTimerShow = 1;
constexpr UINT_PTR kTimerPop = 2;
// The tip lies this far below the pointer's hot spot, clear of the arrow.
constexpr int kBelowPointer = 20;
constexpr int kMarginX = 4;
constexpr int kMarginY = 2;

struct DvTool {
    UINT uFlags;
    HWND hwnd;
    UINT_PTR uId;
    RECT rect;
    bool callback;
    std::string text;
    LPARAM lParam;
};

struct DvTooltip {
    std::vector<DvTool> tools;
    int current = -1; // the tool under the pointer, or -1
    bool shown = false;
    bool suppressed = false; // a press hid the tip; it stays hidden while on the same tool
    POINT pointer = {0, 0};  // on the screen, as last relayed
    int initial = kDefaultInitial;
    int reshow = kDefaultInitial / 5;
    int autoPop = kDefaultInitial * 10;
    std::string text;
    HFONT font = nullptr;
};

std::map<HWND, DvTooltip>& Tooltips() {
    static std::map<HWND, DvTooltip> tooltips;
    return tooltips;
}

DvTooltip* FindTip(HWND hWnd) {
    auto it = Tooltips().find(hWnd);
    return it == Tooltips().end() ? nullptr : &it->second;
}

HFONT TipFont(DvTooltip& tip) {
    if (tip.font == nullptr) {
        tip.font = CreateFont(-MulDiv(8, USER_DEFAULT_SCREEN_DPI, 72), 0, 0, 0, FW_NORMAL, FALSE,
                              FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH, "MS Sans Serif");
    }
    return tip.font;
}

// The tool under a point of the screen, or -1.
int ToolAt(const DvTooltip& tip, POINT screen) {
    for (int i = 0; i < static_cast<int>(tip.tools.size()); ++i) {
        const DvTool& tool = tip.tools[i];
        const HWND window =
            (tool.uFlags & TTF_IDISHWND) ? reinterpret_cast<HWND>(tool.uId) : tool.hwnd;
        if (!IsWindow(window) || !IsWindowVisible(window)) {
            continue;
        }
        POINT p = screen;
        ScreenToClient(window, &p);
        RECT r = tool.rect;
        if (tool.uFlags & TTF_IDISHWND) {
            GetClientRect(window, &r);
        }
        if (PtInRect(&r, p)) {
            return i;
        }
    }
    return -1;
}

void HideTip(HWND hWnd, DvTooltip& tip) {
    KillTimer(hWnd, kTimerShow);
    KillTimer(hWnd, kTimerPop);
    if (tip.shown) {
        tip.shown = false;
        ShowWindow(hWnd, SW_HIDE);
    }
}

// The tool's text: its own, or what its window answers to TTN_GETDISPINFO.
std::string ToolText(HWND hWnd, const DvTool& tool) {
    if (!tool.callback) {
        return tool.text;
    }
    NMTTDISPINFO info = {};
    info.hdr.hwndFrom = hWnd;
    info.hdr.idFrom = tool.uId;
    info.hdr.code = TTN_GETDISPINFO;
    info.lParam = tool.lParam;
    info.uFlags = tool.uFlags;
    SendMessage(tool.hwnd, WM_NOTIFY, tool.uId, reinterpret_cast<LPARAM>(&info));
    if (info.lpszText != nullptr && info.lpszText != LPSTR_TEXTCALLBACK &&
        !IS_INTRESOURCE(info.lpszText)) {
        return info.lpszText;
    }
    info.szText[sizeof info.szText - 1] = '\0';
    return info.szText;
}

void ShowTip(HWND hWnd, DvTooltip& tip) {
    if (tip.current < 0 || tip.suppressed) {
        return;
    }
    tip.text = ToolText(hWnd, tip.tools[tip.current]);
    if (tip.text.empty()) {
        return;
    }
    // The tip's window text is the text it shows, for whatever reads windows' texts.
    SetWindowText(hWnd, tip.text.c_str());
    RECT extent = {0, 0, 0, 0};
    if (HDC dc = GetDC(hWnd)) {
        HGDIOBJ old = SelectObject(dc, TipFont(tip));
        DrawText(dc, tip.text.c_str(), -1, &extent, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        ReleaseDC(hWnd, dc);
    }
    const int cx = extent.right - extent.left + 2 * (kMarginX + 1);
    const int cy = extent.bottom - extent.top + 2 * (kMarginY + 1);
    // Below the pointer, kept on the screen; above it where there is no room below.
    const int screenCx = GetSystemMetrics(SM_CXSCREEN);
    const int screenCy = GetSystemMetrics(SM_CYSCREEN);
    int x = std::max(0, std::min(tip.pointer.x, screenCx - cx));
    int y = tip.pointer.y + kBelowPointer;
    if (y + cy > screenCy) {
        y = std::max(0, tip.pointer.y - cy);
    }
    SetWindowPos(hWnd, nullptr, x, y, cx, cy, SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(hWnd, nullptr, TRUE);
    ShowWindow(hWnd, SW_SHOWNOACTIVATE);
    tip.shown = true;
    SetTimer(hWnd, kTimerPop, static_cast<UINT>(tip.autoPop), nullptr);
}

void RelayTip(HWND hWnd, DvTooltip& tip, const MSG& msg) {
    switch (msg.message) {
    case WM_MOUSEMOVE: {
        POINT screen = {GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
        ClientToScreen(msg.hwnd, &screen);
        tip.pointer = screen;
        const int tool = ToolAt(tip, screen);
        if (tool == tip.current) {
            return;
        }
        const bool wasShown = tip.shown;
        HideTip(hWnd, tip);
        tip.current = tool;
        tip.suppressed = false;
        if (tool >= 0) {
            SetTimer(hWnd, kTimerShow, static_cast<UINT>(wasShown ? tip.reshow : tip.initial),
                     nullptr);
        }
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        HideTip(hWnd, tip);
        tip.suppressed = true;
        return;
    default:
        return;
    }
}

void PaintTip(HWND hWnd, DvTooltip& tip) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hWnd, &ps);
    if (dc == nullptr) {
        return;
    }
    RECT client;
    GetClientRect(hWnd, &client);
    DvFillRect(dc, &client, GetSysColor(COLOR_INFOTEXT));
    RECT inside = client;
    InflateRect(&inside, -1, -1);
    DvFillRect(dc, &inside, GetSysColor(COLOR_INFOBK));
    HGDIOBJ old = SelectObject(dc, TipFont(tip));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    InflateRect(&inside, -kMarginX, -kMarginY);
    DrawText(dc, tip.text.c_str(), -1, &inside, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, old);
    EndPaint(hWnd, &ps);
}

void SetTipDelay(DvTooltip& tip, WPARAM which, LPARAM lParam) {
    const int ms = static_cast<short>(LOWORD(lParam));
    switch (which) {
    case TTDT_AUTOPOP:
        tip.autoPop = ms < 0 ? tip.initial * 10 : ms;
        break;
    case TTDT_INITIAL:
        tip.initial = ms < 0 ? kDefaultInitial : ms;
        tip.reshow = tip.initial / 5;
        break;
    default:
        break;
    }
}

LRESULT CALLBACK TooltipProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        Tooltips()[hWnd] = DvTooltip{};
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
    DvTooltip* tip = FindTip(hWnd);
    if (tip == nullptr) {
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
    switch (message) {
    case TTM_ADDTOOL: {
        const TOOLINFO* info = reinterpret_cast<const TOOLINFO*>(lParam);
        if (info == nullptr) {
            return FALSE;
        }
        DvTool tool = {info->uFlags, info->hwnd, info->uId, info->rect, false, {}, info->lParam};
        tool.callback = info->lpszText == LPSTR_TEXTCALLBACK;
        if (!tool.callback && info->lpszText != nullptr) {
            if (IS_INTRESOURCE(info->lpszText)) {
                char buffer[256] = {};
                LoadString(info->hinst, LOWORD(info->lpszText), buffer, sizeof buffer);
                tool.text = buffer;
            } else {
                tool.text = info->lpszText;
            }
        }
        tip->tools.push_back(std::move(tool));
        return TRUE;
    }
    case TTM_GETTOOLCOUNT:
        return static_cast<LRESULT>(tip->tools.size());
    case TTM_RELAYEVENT:
        if (const MSG* msg = reinterpret_cast<const MSG*>(lParam)) {
            RelayTip(hWnd, *tip, *msg);
        }
        return 0;
    case TTM_POP:
        // Gone until the pointer next moves; then the delay starts again.
        HideTip(hWnd, *tip);
        tip->current = -1;
        return 0;
    case TTM_SETDELAYTIME:
        SetTipDelay(*tip, wParam, lParam);
        return 0;
    case WM_TIMER:
        KillTimer(hWnd, wParam);
        if (wParam == kTimerShow) {
            ShowTip(hWnd, *tip);
        } else if (wParam == kTimerPop) {
            HideTip(hWnd, *tip);
        }
        return 0;
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        // The pointer reached the tip itself: it makes way.
        HideTip(hWnd, *tip);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT:
        PaintTip(hWnd, *tip);
        return 0;
    case WM_DESTROY:
        if (tip->font != nullptr) {
            DeleteObject(tip->font);
        }
        Tooltips().erase(hWnd);
        return 0;
    default:
        return DefWindowProc(hWnd, message, wParam, lParam);
    }
}

} // namespace

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce) {
    if (picce == nullptr || picce->dwSize != sizeof(INITCOMMONCONTROLSEX)) {
        return FALSE;
    }
    if (picce->dwICC & ICC_BAR_CLASSES) {
        WNDCLASS wc = {};
        wc.lpfnWndProc = TooltipProc;
        wc.lpszClassName = TOOLTIPS_CLASS;
        RegisterClass(&wc);
    }
    return TRUE;
}
