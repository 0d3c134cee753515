// The main dialog.
#pragma once

#include <afxwin.h>

class CTerrainDlg {
public:
    // Reads pelds.pal beside the executable into g_palette and sets g_pPalette; without a usable
    // file there is no palette.
    static void LoadPalette();
    // Selects and realises g_pPalette on window's client context: 1 when a context was had.
    int RealizePalette(CWnd* window);
};
