// The lines of one DrawText call: the text decoded, its prefix marks taken out, broken into
// lines at newlines and, when asked, between words, and each line placed in the rectangle as
// the format aligns it. Coordinates are the caller's logical ones.
#pragma once

#include <windows.h>

#include "win32/CoverageMask.h"
#include "win32/FontFace.h"

#include <string>
#include <vector>

struct CTextChar {
    char32_t m_code;
    bool m_bUnderline; // the letter after a prefix mark
    int m_nAdvance;
};

struct CTextLine {
    int m_nFirst; // chars m_nFirst to m_nEnd - 1
    int m_nEnd;
    int m_nX;   // pen position of the first letter
    int m_nTop; // top of the line's cell
    int m_nWidth;
};

class CTextLayout {
public:
    // length -1: text is NUL-terminated. Letters past a NUL are never read.
    CTextLayout(CFontFace& face, const char* text, int length, UINT format, const RECT& rect,
                bool underline = false, bool strikeOut = false);

    // DrawText's result: the text's height, or with DT_VCENTER or DT_BOTTOM on a single line
    // the distance from the rectangle's top to the bottom of the text.
    int Result() const { return m_nResult; }
    // The rectangle DT_CALCRECT hands back: the top left kept, right and bottom fitted.
    RECT Extent() const;
    // Every pixel any letter or line may ink, in logical coordinates; empty without text.
    RECT InkBounds() const { return m_inkBounds; }
    const std::vector<CTextLine>& Lines() const { return m_lines; }
    int LineHeight() const { return m_nLineHeight; }
    // The cell of line i, which an opaque background fills.
    RECT LineBox(std::size_t i) const;

    // Inks the text into mask, shifted by (dx, dy) from logical to the mask's coordinates.
    void Render(CCoverageMask& mask, int dx, int dy) const;

    // Text bytes to code points: UTF-8 where the bytes form it, otherwise each byte is a letter
    // of the Western code page.
    static std::u32string Decode(const char* text, int length);

private:
    void BuildChars(const std::u32string& codes, UINT format);
    void BreakLines(UINT format, int width);
    void AddLine(int first, int end);
    void Place(UINT format, const RECT& rect);
    void MeasureInk();

    CFontFace& m_face;
    bool m_bUnderline;
    bool m_bStrikeOut;
    std::vector<CTextChar> m_chars;
    std::vector<CTextLine> m_lines;
    int m_nLineHeight = 0;
    int m_nResult = 0;
    int m_nTabWidth = 0;
    RECT m_rect{};
    int m_nMaxWidth = 0;
    RECT m_inkBounds{};
};
