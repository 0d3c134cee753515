// The application object and the framework's global functions.
#pragma once

#include <windows.h>

#include "afx/afxwnd.h"

// Command identifiers of the framework.
#define ID_HELP 0xE146

class CWinApp : public CCmdTarget {
    DECLARE_DYNAMIC(CWinApp)
public:
    // The one application object registers itself here; it is made before the program starts.
    explicit CWinApp(LPCSTR lpszAppName = nullptr);
    ~CWinApp() override;

    LPCSTR m_pszAppName = nullptr;
    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;
    int m_nCmdShow = SW_SHOWNORMAL;

    virtual BOOL InitApplication();
    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // The application's message loop, for applications whose InitInstance returns TRUE.
    virtual int Run();

    // Nothing to enable on this system: controls are always drawn in three dimensions.
    BOOL Enable3dControls();

    HICON LoadIcon(UINT nIDResource) const;
    HICON LoadIcon(LPCSTR lpszResourceName) const;

    afx_msg void OnHelp();

    DECLARE_MESSAGE_MAP()
};

CWinApp* AfxGetApp();
CWnd* AfxGetMainWnd();
HINSTANCE AfxGetInstanceHandle();

// The program's entry: initialises the application object, runs InitInstance and, when that
// returns TRUE, the message loop. The process's main calls it after installing a host.
int AfxWinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow);

// The framework's pre-translation of a message: each framework window from the message's window
// up through its parents and owners may take it (a dialog takes its keys).
BOOL AfxPreTranslateMessage(MSG* pMsg);

// Sockets: made ready for use (Windows Sockets started; on our layer, one socket opened and
// closed to see that the system provides them).
BOOL AfxSocketInit(void* lpwsaData = nullptr);
// For tests: makes AfxSocketInit fail as it does on a system without sockets.
void DvFailSocketInit(BOOL bFail);
void AfxEnableControlContainer();
// The message box of the application, with its name as caption.
int AfxMessageBox(LPCSTR lpszText, UINT nType = MB_OK, UINT nIDHelp = 0);
int AfxMessageBox(UINT nIDPrompt, UINT nType = MB_OK, UINT nIDHelp = UINT(-1));
