#include "win32/FontFace.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cstdint>

namespace {

// Character heights beyond this are drawn at this height: a glyph image stays a bounded size
// whatever a caller asks for.
constexpr int kMaxEm = 1024;
// Bounds of the caches; past them the cache starts again from nothing. The glyphs of all faces
// together are bounded by the memory they take: one glyph of a large face alone can take a
// megabyte, and the labels this program draws need far less.
constexpr std::size_t kMaxFaces = 48;
constexpr std::size_t kMaxGlyphs = 4096;
constexpr std::size_t kMaxGlyphBytes = 4 << 20;
// What keeping one glyph costs besides its image: the record and the hash table's node.
constexpr std::size_t kGlyphOverhead = sizeof(CGlyph) + 4 * sizeof(void*);

struct FaceStore {
    FT_Library library = nullptr;
    bool bTried = false;
    std::map<std::pair<FontFile, int>, std::unique_ptr<CFontFace>> faces;
    std::size_t glyphBytes = 0; // kept by all faces together

    ~FaceStore() {
        faces.clear();
        if (library != nullptr) {
            FT_Done_FreeType(library);
        }
    }
    FT_Library Library() {
        if (!bTried) {
            bTried = true;
            if (FT_Init_FreeType(&library) != 0) {
                library = nullptr;
            }
        }
        return library;
    }
};

FaceStore& Store() {
    static FaceStore store;
    return store;
}

// Font units to pixels at em pixels per em, rounded to nearest. 64-bit: a unit value times a
// pixel height can pass 32 bits; the result fits.
int Scale(long units, int em, int unitsPerEm) {
    if (unitsPerEm <= 0) {
        return 0;
    }
    const std::int64_t product = static_cast<std::int64_t>(units) * em * 2;
    const std::int64_t twice = product >= 0 ? product + unitsPerEm : product - unitsPerEm;
    return static_cast<int>(twice / (2 * static_cast<std::int64_t>(unitsPerEm)));
}

int Round26(long value) {
    return static_cast<int>((value + 32) >> 6);
}

std::size_t GlyphBytes(const CGlyph& glyph) {
    return kGlyphOverhead + glyph.m_ink.capacity();
}

} // namespace

CFontFace* CFontFace::Get(const FontFile& file, int emPixels) {
    FaceStore& store = Store();
    const int em = std::clamp(emPixels, 1, kMaxEm);
    const auto key = std::make_pair(file, em);
    auto found = store.faces.find(key);
    if (found != store.faces.end()) {
        return found->second.get();
    }
    FT_Library library = store.Library();
    if (library == nullptr || file.m_path.empty()) {
        return nullptr;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(library, file.m_path.c_str(), file.m_nIndex, &face) != 0) {
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(em)) != 0) {
        FT_Done_Face(face);
        return nullptr;
    }
    if (store.faces.size() >= kMaxFaces) {
        store.faces.clear();
    }
    std::unique_ptr<CFontFace> made(new CFontFace(face, em, file.m_bEmbolden));
    CFontFace* result = made.get();
    store.faces.emplace(key, std::move(made));
    return result;
}

int CFontFace::EmForCellHeight(const FontFile& file, int cellPixels) {
    const int cell = std::clamp(cellPixels, 1, kMaxEm);
    CFontFace* probe = Get(file, cell);
    if (probe == nullptr || probe->Height() <= 0) {
        return cell;
    }
    // The probe's cell at em = cell scales linearly with the em height.
    const int em = (cell * cell * 2 + probe->Height()) / (2 * probe->Height());
    return std::max(1, em);
}

CFontFace::CFontFace(FT_FaceRec_* face, int em, bool embolden)
    : m_face(face), m_nEm(em), m_bEmbolden(embolden) {
    ReadMetrics();
}

CFontFace::~CFontFace() {
    DropGlyphs();
    FT_Done_Face(m_face);
}

std::size_t CFontFace::CachedGlyphBytes() {
    return Store().glyphBytes;
}

void CFontFace::DropGlyphs() {
    Store().glyphBytes -= m_nGlyphBytes;
    m_nGlyphBytes = 0;
    m_glyphs.clear();
}

void CFontFace::ReadMetrics() {
    const FT_Face face = m_face;
    const int upem = face->units_per_EM;
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
    // The platform's cell: the face's Windows ascent and descent, each rounded to pixels.
    if (os2 != nullptr && os2->version != 0xFFFF && upem > 0 &&
        os2->usWinAscent + os2->usWinDescent > 0) {
        m_nAscent = Scale(os2->usWinAscent, m_nEm, upem);
        m_nDescent = Scale(os2->usWinDescent, m_nEm, upem);
        if (hhea != nullptr) {
            const long gap = hhea->Line_Gap - ((os2->usWinAscent + os2->usWinDescent) -
                                               (hhea->Ascender - hhea->Descender));
            m_nExternalLeading = std::max(0, Scale(gap, m_nEm, upem));
        }
        m_nAveCharWidth = Scale(os2->xAvgCharWidth, m_nEm, upem);
        if (os2->yStrikeoutPosition > 0) {
            m_nStrikeOffset = Scale(os2->yStrikeoutPosition, m_nEm, upem);
        }
    } else {
        m_nAscent = Round26(face->size->metrics.ascender);
        m_nDescent = -Round26(face->size->metrics.descender);
    }
    m_nAscent = std::max(1, m_nAscent);
    m_nDescent = std::max(0, m_nDescent);
    m_nMaxCharWidth = std::max(1, Round26(face->size->metrics.max_advance));
    if (m_nAveCharWidth <= 0) {
        m_nAveCharWidth = std::max(1, Advance(U'x'));
    }
    if (m_nStrikeOffset <= 0) {
        m_nStrikeOffset = std::max(1, m_nAscent / 3);
    }
    if (upem > 0 && FT_IS_SCALABLE(face)) {
        m_nUnderlineThickness = std::max(1, Scale(face->underline_thickness, m_nEm, upem));
        m_nUnderlineOffset = std::max(1, Scale(-face->underline_position, m_nEm, upem));
    }
    // Keep the underline inside the cell, so that it is drawn wherever the letters are.
    m_nUnderlineThickness = std::min(m_nUnderlineThickness, std::max(1, m_nDescent));
    m_nUnderlineOffset =
        std::min(m_nUnderlineOffset, std::max(1, m_nDescent - m_nUnderlineThickness + 1));
}

const CGlyph& CFontFace::Glyph(char32_t code) {
    auto found = m_glyphs.find(code);
    if (found != m_glyphs.end()) {
        return found->second;
    }
    CGlyph made;
    Rasterise(code, made);
    made.m_ink.shrink_to_fit();
    const std::size_t bytes = GlyphBytes(made);
    // Make room: this face's glyphs go first, then, if that is not enough, every face's.
    FaceStore& store = Store();
    if (m_glyphs.size() >= kMaxGlyphs || store.glyphBytes + bytes > kMaxGlyphBytes) {
        DropGlyphs();
    }
    if (store.glyphBytes + bytes > kMaxGlyphBytes) {
        for (auto& [key, face] : store.faces) {
            face->DropGlyphs();
        }
    }
    store.glyphBytes += bytes;
    m_nGlyphBytes += bytes;
    return m_glyphs.emplace(code, std::move(made)).first->second;
}

void CFontFace::Rasterise(char32_t code, CGlyph& glyph) {
    FT_Face face = m_face;
    const FT_UInt index = FT_Get_Char_Index(face, code);
    if (FT_Load_Glyph(face, index, FT_LOAD_DEFAULT | FT_LOAD_TARGET_MONO) != 0) {
        return;
    }
    FT_GlyphSlot slot = face->glyph;
    if (m_bEmbolden) {
        FT_GlyphSlot_Embolden(slot);
    }
    if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) {
        return;
    }
    glyph.m_nAdvance = Round26(slot->advance.x);
    const FT_Bitmap& bitmap = slot->bitmap;
    const int width = static_cast<int>(bitmap.width);
    const int rows = static_cast<int>(bitmap.rows);
    if (width <= 0 || rows <= 0 || bitmap.buffer == nullptr) {
        return;
    }
    if (bitmap.pixel_mode != FT_PIXEL_MODE_MONO && bitmap.pixel_mode != FT_PIXEL_MODE_GRAY) {
        return;
    }
    glyph.m_nLeft = slot->bitmap_left;
    glyph.m_nTop = slot->bitmap_top;
    glyph.m_nWidth = width;
    glyph.m_nHeight = rows;
    glyph.m_ink.assign(static_cast<std::size_t>(width) * rows, 0);
    const int pitch = bitmap.pitch;
    // A negative pitch stores the bottom row first; adding the pitch still steps one row down.
    const unsigned char* row =
        pitch >= 0 ? bitmap.buffer
                   : bitmap.buffer + static_cast<std::ptrdiff_t>(-pitch) * (rows - 1);
    for (int y = 0; y < rows; ++y, row += pitch) {
        BYTE* out = &glyph.m_ink[static_cast<std::size_t>(y) * width];
        for (int x = 0; x < width; ++x) {
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
                out[x] = (row[x >> 3] >> (7 - (x & 7))) & 1;
            } else {
                out[x] = row[x] >= 128 ? 1 : 0;
            }
        }
    }
}
