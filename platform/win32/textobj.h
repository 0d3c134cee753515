// Fonts as software GDI objects, for the parts of the platform layer that draw text. Program
// code never includes this; it sees only font handles.
#pragma once

#include "win32/FontFace.h"
#include "win32/gdiobj.h"

struct DvFont : DvGdiObject {
    DvFont() : DvGdiObject(DvKind::Font) {}
    // GetObject of a font: its LOGFONT.
    int Describe(int size, void* out) const override;

    LOGFONT logFont = {}; // the face name always ends within its field
};

DvFont* DvLookupFont(HFONT handle);

// The stock fonts ANSI_VAR_FONT, SYSTEM_FONT and DEFAULT_GUI_FONT, made on first use and never
// deleted; null for any other index. GetStockObject hands these out.
HFONT DvStockFont(int index);

// The face a font draws with, found and opened on first use; null only when the system has no
// usable face at all.
CFontFace* DvFaceForFont(const LOGFONT& logFont);

// The font a context draws with: its selected font, or DEFAULT_GUI_FONT's when it has none.
const LOGFONT& DvFontOfDC(const DvDC* dc);
