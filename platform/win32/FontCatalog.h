// Finds the face file that stands for a requested family, weight and slant, through the
// desktop's font configuration. The platform's own dialog families resolve to the system's
// sans face, and a family the system does not have falls back to it too.
#pragma once

#include "win32/FontFile.h"

#include <map>
#include <string>

class CFontCatalog {
public:
    static CFontCatalog& Instance();

    // weight: 1 to 1000 as in a LOGFONT, 0 for normal.
    const FontFile& Find(const char* family, int weight, bool italic);

    // The family that a request is handed to the font configuration as.
    static std::string SystemFamily(const char* family);

private:
    CFontCatalog() = default;
    // Lets fontconfig release what it keeps for the whole process (its configuration and the
    // font lists), once nothing can ask it any more: the catalog goes at exit, after the faces.
    ~CFontCatalog();
    FontFile Match(const std::string& family, int weight, bool italic);

    std::map<std::string, FontFile> m_found;
    bool m_bInitialised = false;
};
