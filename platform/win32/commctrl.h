// The common controls that Dorvane uses: the tooltip control.
#pragma once

#include "win32/windows.h"

// Registration of the common control classes.
typedef struct tagINITCOMMONCONTROLSEX {
    DWORD dwSize;
    DWORD dwICC;
} INITCOMMONCONTROLSEX, *LPINITCOMMONCONTROLSEX;
#define ICC_BAR_CLASSES 0x00000004
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);

// Tooltips: a borderless popup in the system's tooltip colours and font that shows a tool's
// text once the pointer has rested on the tool, and never takes the focus.
#define TOOLTIPS_CLASS "tooltips_class32"

#define TTF_IDISHWND 0x0001

#define TTDT_AUTOPOP 2
#define TTDT_INITIAL 3

#define TTM_SETDELAYTIME (WM_USER + 3)
#define TTM_ADDTOOL (WM_USER + 4)
#define TTM_RELAYEVENT (WM_USER + 7)
#define TTM_GETTOOLCOUNT (WM_USER + 13)
#define TTM_POP (WM_USER + 28)

#define TTN_FIRST (0U - 520U)
#define TTN_GETDISPINFO (TTN_FIRST - 0)
#define TTN_NEEDTEXT TTN_GETDISPINFO

// A tool's text asked for, when it is about to show, with TTN_GETDISPINFO.
#define LPSTR_TEXTCALLBACK ((LPSTR)-1L)

typedef struct tagTOOLINFOA {
    UINT cbSize;
    UINT uFlags;
    HWND hwnd;
    UINT_PTR uId;
    RECT rect;
    HINSTANCE hinst;
    LPSTR lpszText;
    LPARAM lParam;
    void* lpReserved;
} TTTOOLINFOA, *LPTTTOOLINFOA;
typedef TTTOOLINFOA TOOLINFO;
typedef LPTTTOOLINFOA LPTOOLINFO;

typedef struct tagNMTTDISPINFOA {
    NMHDR hdr;
    LPSTR lpszText;
    char szText[80];
    HINSTANCE hinst;
    UINT uFlags;
    LPARAM lParam;
} NMTTDISPINFOA, *LPNMTTDISPINFOA;
typedef NMTTDISPINFOA NMTTDISPINFO;
typedef LPNMTTDISPINFOA LPNMTTDISPINFO;
