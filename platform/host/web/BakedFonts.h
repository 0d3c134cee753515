// The desktop's text, baked: which face file the desktop's font configuration picks for each
// family the program asks for, and that face's metrics and crisp glyphs at each character
// height the program draws with. The desktop build's glyph tool (tools/glyphs) writes these
// tables from the real FreeType and fontconfig; the browser build draws its text from them, so
// that every letter has the desktop's pixels.
#pragma once

#include <cstdint>

struct DvBakedGlyph {
    char32_t code;
    std::int16_t left, top; // as CGlyph
    std::int16_t width, height;
    std::int16_t advance;
    std::uint32_t inkOffset; // into the face's ink bits, one bit a pixel, rows packed together
};

struct DvBakedFace {
    const char* path; // the face file on the desktop, which names the face here
    int index;
    bool embolden;
    int em;
    int ascent, descent, externalLeading, aveCharWidth, maxCharWidth;
    int underlineOffset, underlineThickness, strikeOffset;
    const DvBakedGlyph* glyphs; // ordered by code
    int glyphCount;
    DvBakedGlyph missing; // what a letter outside the baked ones is drawn with
    const std::uint8_t* ink;
};

// The catalogue's answer for one request: family as the catalogue hands it to the font
// configuration (lower case), weight 1 to 1000, slant.
struct DvBakedMatch {
    const char* family;
    int weight;
    bool italic;
    const char* path;
    int index;
    bool embolden;
};

// The character height that gives a face a cell of the given height.
struct DvBakedCellHeight {
    const char* path;
    int index;
    bool embolden;
    int cell;
    int em;
};

struct DvBakedFonts {
    const DvBakedMatch* matches;
    int matchCount;
    const DvBakedFace* faces;
    int faceCount;
    const DvBakedCellHeight* cells;
    int cellCount;
};

// The tables, defined in the generated source.
extern const DvBakedFonts g_dvBakedFonts;
