// Dialog templates 100 (the About box) and 102 (the main dialog), in dialog units.
#include <windows.h>

#include "res/DataResources.h"
#include "res/resource.h"

namespace {

const DvDialogItem kAboutBoxItems[] = {
    {WS_CHILD | WS_VISIBLE | SS_ICON, 0, 7, 7, 21, 20, -1, "STATIC", nullptr, IDR_MAINFRAME},
    {WS_CHILD | WS_VISIBLE | SS_LEFT | SS_NOPREFIX | WS_GROUP, 0, 40, 10, 119, 8, -1, "STATIC",
     "Dorvane Version 1.0", 0},
    {WS_CHILD | WS_VISIBLE | SS_LEFT | WS_GROUP, 0, 40, 25, 161, 16, -1, "STATIC",
     "Copyright (C) 2026 Dorvane authors\nAll rights reserved.", 0},
    {WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON | WS_GROUP | WS_TABSTOP, 0, 178, 7, 32, 14, IDOK,
     "BUTTON", "OK", 0},
};

const DvDialogItem kTerrainDialogItems[] = {
    {WS_CHILD | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 7, 4, 6, 12, IDOK, "BUTTON", "OK", 0},
    {WS_CHILD | WS_TABSTOP | BS_PUSHBUTTON, 0, 7, 11, 7, 14, IDCANCEL, "BUTTON", "Cancel", 0},
    {WS_CHILD | WS_VISIBLE | SS_BLACKFRAME | SS_SUNKEN, 0, 49, 4, 238, 109, IDC_VIEW_FRAME,
     "STATIC", nullptr, 0},
    {WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_REALSIZEIMAGE, WS_EX_CLIENTEDGE, 7, 4, 35, 32, IDC_PAD1,
     "STATIC", nullptr, IDB_PAD1},
    {WS_CHILD | WS_VISIBLE | SS_BITMAP | SS_REALSIZEIMAGE, WS_EX_CLIENTEDGE, 7, 41, 35, 32,
     IDC_PAD2, "STATIC", nullptr, IDB_PAD2},
    {WS_CHILD | WS_VISIBLE | SS_BITMAP, WS_EX_CLIENTEDGE, 7, 81, 35, 32, IDC_PAD3, "STATIC",
     nullptr, IDB_PAD3},
};

} // namespace

const DvDialogTemplate g_aboutBoxTemplate = {
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0,
    0,
    0,
    217,
    55,
    "About Dorvane",
    8,
    "MS Sans Serif",
    kAboutBoxItems,
    static_cast<int>(sizeof kAboutBoxItems / sizeof kAboutBoxItems[0])};

const DvDialogTemplate g_terrainDialogTemplate = {
    WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
        WS_MAXIMIZEBOX | DS_SETFONT,
    WS_EX_APPWINDOW,
    0,
    0,
    294,
    118,
    "Dorvane",
    8,
    "MS Sans Serif",
    kTerrainDialogItems,
    static_cast<int>(sizeof kTerrainDialogItems / sizeof kTerrainDialogItems[0])};
