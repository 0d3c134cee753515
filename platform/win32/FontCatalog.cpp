#include "win32/FontCatalog.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(const char* text) {
    std::string out = text != nullptr ? text : "";
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

} // namespace

CFontCatalog& CFontCatalog::Instance() {
    static CFontCatalog catalog;
    return catalog;
}

CFontCatalog::~CFontCatalog() {
    if (m_bInitialised) {
        FcFini();
    }
}

std::string CFontCatalog::SystemFamily(const char* family) {
    // The dialog templates' families name the platform's own screen faces, which this system
    // does not have; its sans face takes their place.
    static const char* const dialogFamilies[] = {"", "ms sans serif", "ms shell dlg",
                                                 "ms shell dlg 2", "system"};
    const std::string key = Lower(family);
    for (const char* known : dialogFamilies) {
        if (key == known) {
            return "sans-serif";
        }
    }
    return family;
}

const FontFile& CFontCatalog::Find(const char* family, int weight, bool italic) {
    weight = weight <= 0 ? 400 : std::clamp(weight, 1, 1000);
    const std::string wanted = SystemFamily(family);
    const std::string key =
        Lower(wanted.c_str()) + '|' + std::to_string(weight) + '|' + (italic ? '1' : '0');
    auto found = m_found.find(key);
    if (found == m_found.end()) {
        found = m_found.emplace(key, Match(wanted, weight, italic)).first;
    }
    return found->second;
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
