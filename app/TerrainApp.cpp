#include "app/TerrainApp.h"

#include "app/TerrainDlg.h"
#include "res/resource.h"

BEGIN_MESSAGE_MAP(CTerrainApp, CWinApp)
ON_COMMAND(ID_HELP, CWinApp::OnHelp)
END_MESSAGE_MAP()

CTerrainApp::CTerrainApp() = default;

// The one application object.
CTerrainApp theApp;

BOOL CTerrainApp::InitInstance() {
    if (!AfxSocketInit()) {
        AfxMessageBox(IDP_SOCKETS_INIT_FAILED);
        return FALSE;
    }
    AfxEnableControlContainer();
    Enable3dControls();

    CTerrainDlg dlg;
    m_pMainWnd = &dlg;
    dlg.DoModal();
    // The dialog object ends with this function; nothing may reach it through the main window
    // pointer afterwards.
    m_pMainWnd = nullptr;

    // The dialog has closed: end the program instead of running a message loop.
    return FALSE;
}
