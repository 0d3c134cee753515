// Faces and the catalogue in the browser, from the tables the desktop build baked: the same
// face for each family, the same metrics and the same crisp glyphs as on the desktop. A request
// the tables do not hold gets the nearest thing they have (the sans face, the closest height),
// so text is always drawn.
#include "host/web/BakedFonts.h"
#include "win32/FontCatalog.h"
#include "win32/FontFace.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>

// The face record behind a CFontFace here is the baked face.
struct FT_FaceRec_ {
    const DvBakedFace* baked;
};

namespace {

constexpr int kMaxEm = 1024;

bool SameFile(const FontFile& file, const char* path, int index, bool embolden) {
    return file.m_path == path && file.m_nIndex == index && file.m_bEmbolden == embolden;
}

std::string Lower(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return out;
}

// The baked face of a file nearest to a character height; null when nothing is baked.
const DvBakedFace* NearestFace(const FontFile& file, int em) {
    const DvBakedFonts& fonts = g_dvBakedFonts;
    const DvBakedFace* best = nullptr;
    int bestDistance = 0;
    for (int pass = 0; pass < 2 && best == nullptr; ++pass) {
        for (int i = 0; i < fonts.faceCount; ++i) {
            const DvBakedFace& face = fonts.faces[i];
            // The first pass keeps to the file asked for, the second takes any.
            if (pass == 0 && !SameFile(file, face.path, face.index, face.embolden)) {
                continue;
            }
            const int distance = std::abs(face.em - em);
            if (best == nullptr || distance < bestDistance) {
                best = &face;
                bestDistance = distance;
            }
        }
    }
    return best;
}

struct FaceStore {
    std::vector<std::pair<const DvBakedFace*, std::unique_ptr<CFontFace>>> faces;
    std::vector<std::unique_ptr<FT_FaceRec_>> records;
};

FaceStore& Store() {
    static FaceStore store;
    return store;
}

} // namespace

CFontCatalog::~CFontCatalog() = default;

FontFile CFontCatalog::Match(const std::string& family, int weight, bool italic) {
    const DvBakedFonts& fonts = g_dvBakedFonts;
    const std::string key = Lower(family);
    const DvBakedMatch* found = nullptr;
    for (int i = 0; i < fonts.matchCount && found == nullptr; ++i) {
        const DvBakedMatch& match = fonts.matches[i];
        if (key == match.family && weight == match.weight && italic == match.italic) {
            found = &match;
        }
    }
    // Any other family ends at the system's sans face, as the desktop's configuration does.
    for (int i = 0; i < fonts.matchCount && found == nullptr; ++i) {
        const DvBakedMatch& match = fonts.matches[i];
        if (std::strcmp(match.family, "sans-serif") == 0 && !match.italic && match.weight == 400) {
            found = &match;
        }
    }
    if (found == nullptr && fonts.matchCount > 0) {
        found = &fonts.matches[0];
    }
    FontFile file;
    if (found != nullptr) {
        file.m_path = found->path;
        file.m_nIndex = found->index;
        file.m_bEmbolden = found->embolden;
    }
    return file;
}

CFontFace* CFontFace::Get(const FontFile& file, int emPixels) {
    const DvBakedFace* baked = NearestFace(file, std::clamp(emPixels, 1, kMaxEm));
    if (baked == nullptr) {
        return nullptr;
    }
    FaceStore& store = Store();
    for (auto& entry : store.faces) {
        if (entry.first == baked) {
            return entry.second.get();
        }
    }
    store.records.push_back(std::make_unique<FT_FaceRec_>(FT_FaceRec_{baked}));
    std::unique_ptr<CFontFace> made(new CFontFace(store.records.back().get(), baked->em, false));
    CFontFace* result = made.get();
    store.faces.emplace_back(baked, std::move(made));
    return result;
}

int CFontFace::EmForCellHeight(const FontFile& file, int cellPixels) {
    const int cell = std::clamp(cellPixels, 1, kMaxEm);
    const DvBakedFonts& fonts = g_dvBakedFonts;
    for (int i = 0; i < fonts.cellCount; ++i) {
        const DvBakedCellHeight& entry = fonts.cells[i];
        if (entry.cell == cell && SameFile(file, entry.path, entry.index, entry.embolden)) {
            return entry.em;
        }
    }
    // Not baked: the nearest face's cell scales linearly with its character height.
    const DvBakedFace* probe = NearestFace(file, cell);
    if (probe == nullptr || probe->ascent + probe->descent <= 0) {
        return cell;
    }
    const int height = probe->ascent + probe->descent;
    return std::max(1, (cell * probe->em * 2 + height) / (2 * height));
}

CFontFace::CFontFace(FT_FaceRec_* face, int em, bool embolden)
    : m_face(face), m_nEm(em), m_bEmbolden(embolden) {
    // The baked glyphs were emboldened, where the face needed it, when they were baked.
    static_cast<void>(m_bEmbolden);
    ReadMetrics();
}

CFontFace::~CFontFace() = default;

void CFontFace::ReadMetrics() {
    const DvBakedFace& face = *m_face->baked;
    m_nAscent = face.ascent;
    m_nDescent = face.descent;
    m_nExternalLeading = face.externalLeading;
    m_nAveCharWidth = face.aveCharWidth;
    m_nMaxCharWidth = face.maxCharWidth;
    m_nUnderlineOffset = face.underlineOffset;
    m_nUnderlineThickness = face.underlineThickness;
    m_nStrikeOffset = face.strikeOffset;
}

const CGlyph& CFontFace::Glyph(char32_t code) {
    auto found = m_glyphs.find(code);
    if (found != m_glyphs.end()) {
        return found->second;
    }
    const DvBakedFace& face = *m_face->baked;
    const DvBakedGlyph* end = face.glyphs + face.glyphCount;
    const DvBakedGlyph* baked = std::lower_bound(
        face.glyphs, end, code, [](const DvBakedGlyph& g, char32_t c) { return g.code < c; });
    if (baked == end || baked->code != code) {
        baked = &face.missing;
    }
    if (m_glyphs.size() >= 4096) {
        m_glyphs.clear(); // a bounded cache, as the desktop's
    }
    CGlyph& glyph = m_glyphs[code];
    glyph.m_nLeft = baked->left;
    glyph.m_nTop = baked->top;
    glyph.m_nWidth = baked->width;
    glyph.m_nHeight = baked->height;
    glyph.m_nAdvance = baked->advance;
    const std::size_t pixels = static_cast<std::size_t>(std::max<int>(0, baked->width)) *
                               static_cast<std::size_t>(std::max<int>(0, baked->height));
    glyph.m_ink.resize(pixels);
    for (std::size_t i = 0; i < pixels; ++i) {
        const std::size_t bit = baked->inkOffset + i;
        glyph.m_ink[i] = (face.ink[bit / 8] >> (7 - bit % 8)) & 1;
    }
    return glyph;
}
