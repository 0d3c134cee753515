#include "win32/FontCatalog.h"

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
