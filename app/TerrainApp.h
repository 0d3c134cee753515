// The application object: initialises the platform and runs the main dialog modally.
#pragma once

#include <afxwin.h>

class CTerrainApp : public CWinApp {
public:
    CTerrainApp();

    BOOL InitInstance() override;

    DECLARE_MESSAGE_MAP()
};

extern CTerrainApp theApp;
