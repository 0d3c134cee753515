// Where the framework meets the system beneath it beyond the system's public calls: which object
// a window is attached to, a window's procedure, the hook that attaches an object to a window as
// it is being created, and the sockets check. One implementation per system: afx/layer/ on our
// platform layer, afx/windows/ on the real system.
#pragma once

#include <windows.h>

class CWnd;

// The object attached to hWnd, or null.
CWnd* AfxLookupPermanent(HWND hWnd);
// Attaches pWnd to hWnd (null detaches). FALSE when hWnd is no window.
BOOL AfxSetPermanent(HWND hWnd, CWnd* pWnd);
WNDPROC AfxGetWndProc(HWND hWnd);
void AfxSetWndProc(HWND hWnd, WNDPROC proc);
// Until unhooked, the next window created on this thread is subclassed by pWnd before its first
// message.
void AfxHookWindowCreate(CWnd* pWnd);
void AfxUnhookWindowCreate();
// Lets message loops that the system runs (a message box's) give the framework's windows their
// pre-translation, where the system offers that.
void AfxInstallPreTranslate();
// Whether the system's sockets are ready for use, starting them where that is needed.
BOOL AfxSystemSocketInit();
