// The framework on our platform layer: the window records carry the attached object and the
// procedure, and the windowing core offers a creation hook and a pre-translation hook.
#include "afx/afxsys.h"

#include "afx/afxwin.h"
#include "win32/window.h"

#include <sys/socket.h>
#include <unistd.h>

CWnd* AfxLookupPermanent(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window != nullptr ? static_cast<CWnd*>(window->object) : nullptr;
}

BOOL AfxSetPermanent(HWND hWnd, CWnd* pWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    if (window == nullptr) {
        return FALSE;
    }
    window->object = pWnd;
    return TRUE;
}

WNDPROC AfxGetWndProc(HWND hWnd) {
    DvWindow* window = DvLookupWindow(hWnd);
    return window != nullptr ? window->proc : nullptr;
}

void AfxSetWndProc(HWND hWnd, WNDPROC proc) {
    if (DvWindow* window = DvLookupWindow(hWnd)) {
        window->proc = proc;
    }
}

void AfxHookWindowCreate(CWnd* pWnd) {
    DvHookWindowCreate(
        [](HWND hWnd, void* context) { static_cast<CWnd*>(context)->SubclassWindow(hWnd); }, pWnd);
}

void AfxUnhookWindowCreate() {
    DvHookWindowCreate(nullptr, nullptr);
}

void AfxInstallPreTranslate() {
    DvSetPreTranslateHook(AfxPreTranslateMessage);
}

BOOL AfxSystemSocketInit() {
    // The sockets layer is there when a socket can be opened.
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0) {
        return FALSE;
    }
    ::close(fd);
    return TRUE;
}
