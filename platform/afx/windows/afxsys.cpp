// The framework on the real system: its own map from handles to objects, window procedures
// through the window's long pointer, a computer-based-training hook that sees a window being
// created before its first message, and Windows Sockets started once for the process.
// Windows Sockets' header goes before the system's, which would bring the older one in.
#include <winsock2.h>

#include "afx/afxsys.h"

#include "afx/afxwin.h"

#include <cstdlib>
#include <map>

namespace {

std::map<HWND, CWnd*>& PermanentMap() {
    static std::map<HWND, CWnd*> map;
    return map;
}

struct CreateHook {
    HHOOK hHook = nullptr;
    CWnd* pWndInit = nullptr;
};

CreateHook& TheCreateHook() {
    static CreateHook hook;
    return hook;
}

LRESULT CALLBACK CbtFilterHook(int code, WPARAM wParam, LPARAM lParam) {
    CreateHook& hook = TheCreateHook();
    if (code == HCBT_CREATEWND && hook.pWndInit != nullptr) {
        // The first window created while hooked is the one being made; the windows it creates
        // in turn (a dialog's controls) are left alone.
        CWnd* pWnd = hook.pWndInit;
        hook.pWndInit = nullptr;
        pWnd->SubclassWindow(reinterpret_cast<HWND>(wParam));
    }
    return ::CallNextHookEx(hook.hHook, code, wParam, lParam);
}

} // namespace

CWnd* AfxLookupPermanent(HWND hWnd) {
    const auto& map = PermanentMap();
    const auto it = map.find(hWnd);
    return it != map.end() ? it->second : nullptr;
}

BOOL AfxSetPermanent(HWND hWnd, CWnd* pWnd) {
    if (pWnd == nullptr) {
        PermanentMap().erase(hWnd);
        return TRUE;
    }
    if (!::IsWindow(hWnd)) {
        return FALSE;
    }
    PermanentMap()[hWnd] = pWnd;
    return TRUE;
}

WNDPROC AfxGetWndProc(HWND hWnd) {
    return reinterpret_cast<WNDPROC>(::GetWindowLongPtr(hWnd, GWLP_WNDPROC));
}

void AfxSetWndProc(HWND hWnd, WNDPROC proc) {
    ::SetWindowLongPtr(hWnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(proc));
}

void AfxHookWindowCreate(CWnd* pWnd) {
    CreateHook& hook = TheCreateHook();
    if (hook.hHook == nullptr) {
        hook.hHook = ::SetWindowsHookEx(WH_CBT, CbtFilterHook, nullptr, ::GetCurrentThreadId());
    }
    hook.pWndInit = pWnd;
}

void AfxUnhookWindowCreate() {
    CreateHook& hook = TheCreateHook();
    if (hook.hHook != nullptr) {
        ::UnhookWindowsHookEx(hook.hHook);
        hook.hHook = nullptr;
    }
    hook.pWndInit = nullptr;
}

void AfxInstallPreTranslate() {
    // The system's own modal loops (message boxes) translate their messages themselves.
}

BOOL AfxSystemSocketInit() {
    static bool started = false;
    if (started) {
        return TRUE;
    }
    WSADATA data;
    if (::WSAStartup(MAKEWORD(2, 2), &data) != 0) {
        return FALSE;
    }
    started = true;
    std::atexit([] { ::WSACleanup(); });
    return TRUE;
}
