// The catalogue's question to the desktop's font configuration: which face file stands for a
// family, weight and slant.
#include "win32/FontCatalog.h"

#include <fontconfig/fontconfig.h>

CFontCatalog::~CFontCatalog() {
    if (m_bInitialised) {
        FcFini();
    }
}

FontFile CFontCatalog::Match(const std::string& family, int weight, bool italic) {
    FontFile file;
    if (FcInit() == FcFalse) {
        return file;
    }
    m_bInitialised = true;
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return file;
    }
    // The sans family after the requested one: fontconfig prefers the request and its
    // aliases, and an unknown family ends at the system's sans face.
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(weight));
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);

    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    if (match != nullptr) {
        FcChar8* path = nullptr;
        if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path != nullptr) {
            file.m_path = reinterpret_cast<const char*>(path);
        }
        int index = 0;
        if (FcPatternGetInteger(match, FC_INDEX, 0, &index) == FcResultMatch) {
            file.m_nIndex = index;
        }
        FcBool embolden = FcFalse;
        if (FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden) == FcResultMatch) {
            file.m_bEmbolden = embolden == FcTrue;
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return file;
}
