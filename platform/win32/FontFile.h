// Where a face lives: the answer of the font catalogue and the key of the face cache.
#pragma once

#include <string>
#include <tuple>

struct FontFile {
    std::string m_path;       // empty when the system offers no face at all
    int m_nIndex = 0;         // face index inside a collection file
    bool m_bEmbolden = false; // the face is lighter than asked for: thicken its outlines

    bool operator<(const FontFile& other) const {
        return std::tie(m_path, m_nIndex, m_bEmbolden) <
               std::tie(other.m_path, other.m_nIndex, other.m_bEmbolden);
    }
};
