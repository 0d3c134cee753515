// One face of one font file at one character height, with its metrics and the glyphs drawn so
// far. Glyphs are rasterised crisp, one bit per pixel with the face's hinting, as the platform
// draws screen text, and kept: the same labels are drawn on every paint.
#pragma once

#include <windows.h>

#include "win32/FontFile.h"

#include <map>
#include <memory>
#include <tuple>
#include <unordered_map>
#include <vector>

struct FT_FaceRec_;

struct CGlyph {
    int m_nLeft = 0;  // from the pen position to the first column of the image
    int m_nTop = 0;   // from the baseline up to the first row of the image
    int m_nWidth = 0; // image size in pixels
    int m_nHeight = 0;
    int m_nAdvance = 0;      // pen movement in pixels
    std::vector<BYTE> m_ink; // m_nWidth x m_nHeight, top row first, 1 where the glyph inks
};

class CFontFace {
public:
    // The face of file at a character (em) height in pixels, opened once and kept; null when
    // the file cannot be opened. Pointers stay valid until the next Get.
    static CFontFace* Get(const FontFile& file, int emPixels);

    // The character height that gives a cell (ascent plus descent) of cellPixels.
    static int EmForCellHeight(const FontFile& file, int cellPixels);

    // The memory that the glyphs kept for all faces take, bookkeeping included.
    static std::size_t CachedGlyphBytes();

    ~CFontFace();
    CFontFace(const CFontFace&) = delete;
    CFontFace& operator=(const CFontFace&) = delete;

    int Em() const { return m_nEm; }
    int Ascent() const { return m_nAscent; }
    int Descent() const { return m_nDescent; }
    int Height() const { return m_nAscent + m_nDescent; }
    int ExternalLeading() const { return m_nExternalLeading; }
    int AveCharWidth() const { return m_nAveCharWidth; }
    int MaxCharWidth() const { return m_nMaxCharWidth; }
    int UnderlineOffset() const { return m_nUnderlineOffset; } // rows below the baseline
    int UnderlineThickness() const { return m_nUnderlineThickness; }
    int StrikeOffset() const { return m_nStrikeOffset; } // rows above the baseline

    // The glyph of a code point. The reference is valid until the next call of Glyph on any
    // face: the glyphs kept for all faces together are bounded in bytes, and a new one may
    // push out the others.
    const CGlyph& Glyph(char32_t code);
    int Advance(char32_t code) { return Glyph(code).m_nAdvance; }

private:
    CFontFace(FT_FaceRec_* face, int em, bool embolden);
    void ReadMetrics();
    void Rasterise(char32_t code, CGlyph& glyph);
    void DropGlyphs();

    FT_FaceRec_* m_face;
    int m_nEm;
    bool m_bEmbolden;
    int m_nAscent = 0;
    int m_nDescent = 0;
    int m_nExternalLeading = 0;
    int m_nAveCharWidth = 0;
    int m_nMaxCharWidth = 0;
    int m_nUnderlineOffset = 1;
    int m_nUnderlineThickness = 1;
    int m_nStrikeOffset = 0;
    std::unordered_map<char32_t, CGlyph> m_glyphs;
    std::size_t m_nGlyphBytes = 0; // what m_glyphs takes, as counted in the shared total
};
