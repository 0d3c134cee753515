#include "ApiFixture.h"

#include <set>
#include <string>

#ifdef _WIN32

namespace {

BOOL CALLBACK DestroyEach(HWND hWnd, LPARAM) {
    DestroyWindow(hWnd);
    return TRUE;
}

} // namespace

void ApiTest::SetUp() {}

void ApiTest::TearDown() {
    ReleaseCapture();
    EnumThreadWindows(GetCurrentThreadId(), DestroyEach, 0);
    Pump();
}

void ApiTest::Pump() {
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

void ApiTest::Wait(DWORD ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD passed = GetTickCount() - start;
        if (passed >= ms) {
            break;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, ms - passed, QS_ALLINPUT);
        Pump();
    }
    Pump();
}

void ApiTest::Stall(DWORD ms) {
    Sleep(ms);
}

void ApiTest::Button(HWND hWnd, int x, int y, bool down) {
    POINT p = {x, y};
    ClientToScreen(hWnd, &p);
    SetCursorPos(p.x, p.y);
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
    SendInput(1, &input, sizeof input);
    // The system queues the input on its own time.
    MSG msg;
    for (int i = 0; i < 500; ++i) {
        if (PeekMessage(&msg, nullptr, WM_LBUTTONDOWN, WM_LBUTTONUP, PM_NOREMOVE)) {
            break;
        }
        Sleep(10);
    }
    Pump();
}

#else

#include "host/headless/HeadlessHost.h"
#include "win32/window.h"

void ApiTest::SetUp() {
    DvInstallHost(std::make_unique<CHeadlessHost>());
}

void ApiTest::TearDown() {
    ReleaseCapture();
    for (HWND hWnd : DvTopLevelWindows()) {
        DestroyWindow(hWnd);
    }
    DvPumpMessages();
}

void ApiTest::Pump() {
    DvPumpMessages();
}

void ApiTest::Wait(DWORD ms) {
    // The headless clock moves only when told to: in small steps, each followed by a pump, as
    // a waiting program's queue is served.
    for (DWORD passed = 0; passed < ms; passed += 5) {
        CHeadlessHost::Installed()->Advance(ms - passed < 5 ? ms - passed : 5);
        DvPumpMessages();
    }
}

void ApiTest::Stall(DWORD ms) {
    CHeadlessHost::Installed()->Advance(ms);
}

void ApiTest::Button(HWND hWnd, int x, int y, bool down) {
    if (down) {
        CHeadlessHost::Installed()->MouseDown(hWnd, x, y);
    } else {
        CHeadlessHost::Installed()->MouseUp(hWnd, x, y);
    }
    DvPumpMessages();
}

#endif

bool RegisterApiClass(LPCSTR name, WNDPROC proc) {
    static std::set<std::string> registered;
    if (registered.count(name) != 0) {
        return true;
    }
    WNDCLASS wc = {};
    wc.lpfnWndProc = proc;
    wc.hInstance = GetModuleHandle(nullptr);
    wc.lpszClassName = name;
    if (RegisterClass(&wc) == 0) {
        return false;
    }
    registered.insert(name);
    return true;
}
