// Font objects: creation, stock fonts, GetObject's record and the face each one draws with.
#include "win32/FontCatalog.h"
#include "win32/textobj.h"

#include <algorithm>
#include <cstring>

namespace {

// The platform's dialog font at 96 pixels per inch: 8 points make a character height of 11.
constexpr LONG kDefaultHeight = -11;

LOGFONT MakeLogFont(LONG height, LONG weight, const char* face) {
    LOGFONT lf = {};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    lf.lfPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    std::strncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return lf;
}

const LOGFONT& DefaultGuiLogFont() {
    static const LOGFONT lf = MakeLogFont(kDefaultHeight, FW_NORMAL, "MS Shell Dlg");
    return lf;
}

HFONT AddFont(const LOGFONT& lf, bool stock) {
    auto font = std::make_unique<DvFont>();
    font->logFont = lf;
    font->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    font->stock = stock;
    return static_cast<HFONT>(DvAdd(std::move(font)));
}

} // namespace

int DvFont::Describe(int size, void* out) const {
    if (!out) {
        return static_cast<int>(sizeof(LOGFONT));
    }
    // As on the platform, a shorter buffer takes the start of the record.
    const int n = std::min(size, static_cast<int>(sizeof(LOGFONT)));
    if (n <= 0) {
        return 0;
    }
    std::memcpy(out, &logFont, static_cast<std::size_t>(n));
    return n;
}

DvFont* DvLookupFont(HFONT handle) {
    DvGdiObject* object = DvLookup(handle);
    return object && object->kind == DvKind::Font ? static_cast<DvFont*>(object) : nullptr;
}

HFONT DvStockFont(int index) {
    static HFONT ansiVar = nullptr;
    static HFONT system = nullptr;
    static HFONT defaultGui = nullptr;
    switch (index) {
    case ANSI_VAR_FONT:
        if (!ansiVar) {
            ansiVar = AddFont(MakeLogFont(12, FW_NORMAL, "MS Sans Serif"), true);
        }
        return ansiVar;
    case SYSTEM_FONT:
        if (!system) {
            system = AddFont(MakeLogFont(16, FW_BOLD, "System"), true);
        }
        return system;
    case DEFAULT_GUI_FONT:
        if (!defaultGui) {
            defaultGui = AddFont(DefaultGuiLogFont(), true);
        }
        return defaultGui;
    default:
        return nullptr;
    }
}

CFontFace* DvFaceForFont(const LOGFONT& logFont) {
    const std::string family(logFont.lfFaceName, strnlen(logFont.lfFaceName, LF_FACESIZE));
    const FontFile& file =
        CFontCatalog::Instance().Find(family.c_str(), logFont.lfWeight, logFont.lfItalic != 0);
    // 64-bit: the magnitude of the lowest LONG does not fit a LONG.
    const long long height = logFont.lfHeight;
    if (height < 0) {
        return CFontFace::Get(file, static_cast<int>(std::min<long long>(-height, 0x7FFFFFFF)));
    }
    if (height > 0) {
        return CFontFace::Get(file, CFontFace::EmForCellHeight(file, static_cast<int>(height)));
    }
    return CFontFace::Get(file, -kDefaultHeight);
}

const LOGFONT& DvFontOfDC(const DvDC* dc) {
    const DvFont* font = dc ? DvLookupFont(dc->font) : nullptr;
    return font ? font->logFont : DefaultGuiLogFont();
}

HFONT CreateFontIndirect(const LOGFONT* logFont) {
    if (!logFont) {
        return nullptr;
    }
    return AddFont(*logFont, false);
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                 DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    LOGFONT lf = {};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) {
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    }
    return CreateFontIndirect(&lf);
}
