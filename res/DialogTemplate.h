// Dialog templates as data: the header and the items in template order, positions and sizes in
// dialog units. A control's class is one of the dialog manager's built-in classes ("BUTTON",
// "STATIC"); a picture static names its bitmap or icon resource in nImageId.
#pragma once

#include "win32/wintypes.h"

struct DvDialogItem {
    DWORD style;
    DWORD exStyle;
    short x;
    short y;
    short cx;
    short cy;
    int id;
    LPCSTR className;
    LPCSTR text;
    WORD nImageId; // bitmap or icon resource of an SS_BITMAP or SS_ICON static, else 0
};

struct DvDialogTemplate {
    DWORD style;
    DWORD exStyle;
    short x;
    short y;
    short cx;
    short cy;
    LPCSTR caption;
    WORD pointSize; // of the template's font
    LPCSTR faceName;
    const DvDialogItem* items;
    int itemCount;
};
