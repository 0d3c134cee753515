// The application object, the program's entry and the framework's global functions.
#include "afx/afxwin.h"

#include "afx/afxsys.h"

#include <string>

namespace {
CWinApp*& TheApp() {
    static CWinApp* app = nullptr;
    return app;
}

std::string& AppName() {
    static std::string name;
    return name;
}

bool& SocketsFail() {
    static bool fail = false;
    return fail;
}
} // namespace

IMPLEMENT_DYNAMIC(CWinApp, CCmdTarget)

BEGIN_MESSAGE_MAP(CWinApp, CCmdTarget)
END_MESSAGE_MAP()

CWinApp::CWinApp(LPCSTR lpszAppName) : m_pszAppName(lpszAppName) {
    TheApp() = this;
}

CWinApp::~CWinApp() {
    if (TheApp() == this) {
        TheApp() = nullptr;
    }
}

BOOL CWinApp::InitApplication() {
    return TRUE;
}

BOOL CWinApp::InitInstance() {
    return TRUE;
}

int CWinApp::ExitInstance() {
    return 0;
}

int CWinApp::Run() {
    MSG msg;
    while (::GetMessage(&msg, nullptr, 0, 0)) {
        if (!AfxPreTranslateMessage(&msg)) {
            ::TranslateMessage(&msg);
            ::DispatchMessage(&msg);
        }
    }
    return ExitInstance();
}

BOOL CWinApp::Enable3dControls() {
    return TRUE;
}

HICON CWinApp::LoadIcon(UINT nIDResource) const {
    return LoadIcon(MAKEINTRESOURCE(nIDResource));
}

HICON CWinApp::LoadIcon(LPCSTR lpszResourceName) const {
    return ::LoadIcon(AfxFindResourceHandle(lpszResourceName, RT_GROUP_ICON), lpszResourceName);
}

void CWinApp::OnHelp() {
    // The program has no help file.
    ::MessageBeep(MB_OK);
}

CWinApp* AfxGetApp() {
    return TheApp();
}

CWnd* AfxGetMainWnd() {
    CWinApp* app = AfxGetApp();
    return app != nullptr ? app->m_pMainWnd : nullptr;
}

HINSTANCE AfxGetInstanceHandle() {
    CWinApp* app = AfxGetApp();
    if (app != nullptr && app->m_hInstance != nullptr) {
        return app->m_hInstance;
    }
    return AfxGetResourceHandle();
}

int AfxWinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int nCmdShow) {
    CWinApp* app = AfxGetApp();
    if (app == nullptr) {
        return -1;
    }
    app->m_hInstance = hInstance != nullptr ? hInstance : AfxGetResourceHandle();
    app->m_nCmdShow = nCmdShow;
    if (app->m_pszAppName == nullptr) {
        // Without a name of its own the application is called after its executable.
        char path[MAX_PATH + 1] = {};
        ::GetModuleFileName(nullptr, path, MAX_PATH);
        std::string name(path);
        const size_t slash = name.find_last_of("/\\");
        if (slash != std::string::npos) {
            name.erase(0, slash + 1);
        }
        const size_t dot = name.rfind('.');
        if (dot != std::string::npos && dot > 0) {
            name.erase(dot);
        }
        AppName() = name;
        app->m_pszAppName = AppName().c_str();
    }
    if (!app->InitApplication() || !app->InitInstance()) {
        return app->ExitInstance();
    }
    return app->Run();
}

void DvFailSocketInit(BOOL bFail) {
    SocketsFail() = bFail != FALSE;
}

BOOL AfxSocketInit(void*) {
    if (SocketsFail()) {
        return FALSE;
    }
    return AfxSystemSocketInit();
}

void AfxEnableControlContainer() {}

int AfxMessageBox(LPCSTR lpszText, UINT nType, UINT) {
    CWnd* pMain = AfxGetMainWnd();
    HWND hWndOwner = pMain != nullptr ? pMain->GetSafeHwnd() : nullptr;
    CWinApp* app = AfxGetApp();
    LPCSTR caption = app != nullptr ? app->m_pszAppName : nullptr;
    return ::MessageBox(hWndOwner, lpszText, caption, nType);
}

int AfxMessageBox(UINT nIDPrompt, UINT nType, UINT nIDHelp) {
    CString text;
    text.LoadString(nIDPrompt);
    return AfxMessageBox(text, nType, nIDHelp == UINT(-1) ? nIDPrompt : nIDHelp);
}
