#include "win32/TextLayout.h"

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

// The Western code page's letters at 0x80 to 0x9F; the rest of its upper half is Latin-1.
constexpr char32_t kWestern80[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

char32_t Western(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? kWestern80[byte - 0x80] : char32_t{byte};
}

// Length of a valid UTF-8 sequence at p (at most n bytes available), 0 if it is not one.
int Utf8Sequence(const unsigned char* p, int n, char32_t* code) {
    const unsigned char lead = p[0];
    int need = 0;
    char32_t value = 0;
    char32_t least = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        need = 1, value = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        need = 2, value = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        need = 3, value = lead & 0x07, least = 0x10000;
    } else {
        return 0;
    }
    if (need >= n) {
        return 0;
    }
    for (int i = 1; i <= need; ++i) {
        if ((p[i] & 0xC0) != 0x80) {
            return 0;
        }
        value = (value << 6) | (p[i] & 0x3F);
    }
    if (value < least || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        return 0;
    }
    *code = value;
    return need + 1;
}

bool IsSpace(char32_t c) {
    return c == U' ' || c == U'\t';
}
bool IsBreak(char32_t c) {
    return c == U'\r' || c == U'\n';
}
bool IsControl(char32_t c) {
    return c < 0x20 || c == 0x7F;
}

RECT Union(const RECT& a, const RECT& b) {
    if (a.right <= a.left || a.bottom <= a.top) {
        return b;
    }
    if (b.right <= b.left || b.bottom <= b.top) {
        return a;
    }
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

} // namespace

std::u32string CTextLayout::Decode(const char* text, int length) {
    std::u32string codes;
    if (text == nullptr) {
        return codes;
    }
    const int n = length < 0 ? static_cast<int>(std::strlen(text))
                             : static_cast<int>(strnlen(text, static_cast<std::size_t>(length)));
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    codes.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n;) {
        char32_t code = 0;
        const int taken = bytes[i] >= 0x80 ? Utf8Sequence(bytes + i, n - i, &code) : 0;
        if (taken > 0) {
            codes.push_back(code);
            i += taken;
        } else {
            codes.push_back(Western(bytes[i]));
            ++i;
        }
    }
    return codes;
}

CTextLayout::CTextLayout(CFontFace& face, const char* text, int length, UINT format,
                         const RECT& rect, bool underline, bool strikeOut)
    : m_face(face), m_bUnderline(underline), m_bStrikeOut(strikeOut), m_rect(rect) {
    m_nLineHeight = face.Height() + ((format & DT_EXTERNALLEADING) ? face.ExternalLeading() : 0);
    m_nTabWidth = 8 * face.AveCharWidth();
    BuildChars(Decode(text, length), format);
    // 64-bit: a rectangle's width may not fit an int; a width beyond any text means no limit.
    const long long width = static_cast<long long>(rect.right) - rect.left;
    BreakLines(format, static_cast<int>(std::clamp<long long>(width, INT_MIN, INT_MAX)));
    Place(format, rect);
    MeasureInk();
}

void CTextLayout::BuildChars(const std::u32string& codes, UINT format) {
    const bool prefixes = (format & DT_NOPREFIX) == 0;
    const bool showPrefix = (format & DT_HIDEPREFIX) == 0;
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    int column = 0; // pen position within the paragraph, for tab stops
    for (std::size_t i = 0; i < codes.size(); ++i) {
        char32_t code = codes[i];
        bool mark = false;
        if (prefixes && code == U'&') {
            if (i + 1 >= codes.size()) {
                break; // a mark with nothing after it draws nothing
            }
            code = codes[++i];
            mark = code != U'&' && showPrefix;
        }
        int advance = 0;
        if (IsBreak(code)) {
            column = 0;
            if (singleLine) {
                continue; // a single line shows no line ends
            }
        } else if (code == U'\t' && (format & DT_EXPANDTABS) && m_nTabWidth > 0) {
            advance = m_nTabWidth - column % m_nTabWidth;
        } else if (!IsControl(code)) {
            advance = m_face.Advance(code);
        }
        column += advance;
        m_chars.push_back(CTextChar{code, mark, advance});
    }
}

void CTextLayout::AddLine(int first, int end) {
    int width = 0;
    for (int i = first; i < end; ++i) {
        width += m_chars[static_cast<std::size_t>(i)].m_nAdvance;
    }
    m_lines.push_back(CTextLine{first, end, 0, 0, width});
    m_nMaxWidth = std::max(m_nMaxWidth, width);
}

void CTextLayout::BreakLines(UINT format, int width) {
    const int count = static_cast<int>(m_chars.size());
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    const bool wrap = !singleLine && (format & DT_WORDBREAK) != 0;
    if (singleLine) {
        if (count > 0) {
            AddLine(0, count);
        }
        return;
    }
    auto code = [this](int i) { return m_chars[static_cast<std::size_t>(i)].m_code; };
    auto advance = [this](int i) { return m_chars[static_cast<std::size_t>(i)].m_nAdvance; };
    int start = 0;
    while (start < count) {
        int end = start;
        while (end < count && !IsBreak(code(end))) {
            ++end;
        }
        if (!wrap) {
            AddLine(start, end);
        } else {
            // Greedy: each word (with the spaces before it) joins the line while it fits; the
            // spaces at a break belong to neither line. A word wider than the rectangle stands
            // alone on its line.
            int lineFirst = start;
            int lineEnd = start;
            int lineWidth = 0;
            bool hasWord = false;
            int pos = start;
            while (pos < end) {
                int spaceWidth = 0;
                while (pos < end && IsSpace(code(pos))) {
                    spaceWidth += advance(pos++);
                }
                const int wordFirst = pos;
                int wordWidth = 0;
                while (pos < end && !IsSpace(code(pos))) {
                    wordWidth += advance(pos++);
                }
                if (wordFirst == pos) {
                    // Trailing spaces: kept while they fit, never the cause of a new line.
                    if (!hasWord || lineWidth + spaceWidth <= width) {
                        lineEnd = pos;
                    }
                    break;
                }
                if (!hasWord) {
                    lineWidth = spaceWidth + wordWidth; // a paragraph keeps its leading spaces
                    lineEnd = pos;
                    hasWord = true;
                } else if (lineWidth + spaceWidth + wordWidth <= width) {
                    lineWidth += spaceWidth + wordWidth;
                    lineEnd = pos;
                } else {
                    AddLine(lineFirst, lineEnd);
                    lineFirst = wordFirst;
                    lineEnd = pos;
                    lineWidth = wordWidth;
                }
            }
            AddLine(lineFirst, lineEnd);
        }
        // One line end: CR LF, LF or CR. A line end at the very end starts no further line.
        if (end < count && code(end) == U'\r' && end + 1 < count && code(end + 1) == U'\n') {
            ++end;
        }
        start = end + 1;
    }
}

void CTextLayout::Place(UINT format, const RECT& rect) {
    const long long rectWidth = static_cast<long long>(rect.right) - rect.left;
    const long long rectHeight = static_cast<long long>(rect.bottom) - rect.top;
    const long long total = static_cast<long long>(m_nLineHeight) * m_lines.size();
    long long top = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            top = rect.top + (rectHeight - m_nLineHeight) / 2;
        } else if (format & DT_BOTTOM) {
            top = static_cast<long long>(rect.bottom) - m_nLineHeight;
        }
    }
    long long result = total;
    if ((format & DT_SINGLELINE) && (format & (DT_VCENTER | DT_BOTTOM))) {
        result = top - rect.top + total;
    }
    m_nResult = static_cast<int>(std::clamp<long long>(result, INT_MIN, INT_MAX));
    // Positions are kept in ints; a rectangle out at the ends of the coordinate range is
    // clamped there, where nothing is visible anyway.
    auto clampInt = [](long long v) {
        return static_cast<int>(std::clamp<long long>(v, INT_MIN / 2, INT_MAX / 2));
    };
    for (CTextLine& line : m_lines) {
        long long x = rect.left;
        if (format & DT_CENTER) {
            x = rect.left + (rectWidth - line.m_nWidth) / 2;
        } else if (format & DT_RIGHT) {
            x = static_cast<long long>(rect.right) - line.m_nWidth;
        }
        line.m_nX = clampInt(x);
        line.m_nTop = clampInt(top);
        top += m_nLineHeight;
    }
}

RECT CTextLayout::Extent() const {
    RECT r = m_rect;
    r.right = static_cast<LONG>(
        std::min<long long>(static_cast<long long>(r.left) + m_nMaxWidth, LONG_MAX));
    const long long height = static_cast<long long>(m_nLineHeight) * m_lines.size();
    r.bottom =
        static_cast<LONG>(std::min<long long>(static_cast<long long>(r.top) + height, LONG_MAX));
    return r;
}

RECT CTextLayout::LineBox(std::size_t i) const {
    const CTextLine& line = m_lines[i];
    return RECT{line.m_nX, line.m_nTop, line.m_nX + line.m_nWidth, line.m_nTop + m_nLineHeight};
}

void CTextLayout::MeasureInk() {
    RECT ink{0, 0, 0, 0};
    const int ascent = m_face.Ascent();
    for (std::size_t l = 0; l < m_lines.size(); ++l) {
        const CTextLine& line = m_lines[l];
        ink = Union(ink, LineBox(l)); // underlines and strike-outs stay inside the cell
        int pen = line.m_nX;
        const int baseline = line.m_nTop + ascent;
        for (int i = line.m_nFirst; i < line.m_nEnd; ++i) {
            const CTextChar& c = m_chars[static_cast<std::size_t>(i)];
            if (!IsControl(c.m_code)) {
                const CGlyph& g = m_face.Glyph(c.m_code);
                if (g.m_nWidth > 0) {
                    const RECT box{pen + g.m_nLeft, baseline - g.m_nTop,
                                   pen + g.m_nLeft + g.m_nWidth, baseline - g.m_nTop + g.m_nHeight};
                    ink = Union(ink, box);
                }
            }
            pen += c.m_nAdvance;
        }
    }
    m_inkBounds = ink;
}

void CTextLayout::Render(CCoverageMask& mask, int dx, int dy) const {
    if (mask.IsEmpty()) {
        return;
    }
    const int ascent = m_face.Ascent();
    const int ulTop = m_face.UnderlineOffset();
    const int ulRows = m_face.UnderlineThickness();
    for (std::size_t l = 0; l < m_lines.size(); ++l) {
        const CTextLine& line = m_lines[l];
        const int baseline = line.m_nTop + ascent + dy;
        // Glyphs may reach past their cell (accents, descenders), but never by an em.
        if (line.m_nTop + dy - m_face.Em() >= mask.Bounds().bottom ||
            line.m_nTop + dy + m_nLineHeight + m_face.Em() <= mask.Bounds().top) {
            continue;
        }
        int pen = line.m_nX + dx;
        for (int i = line.m_nFirst; i < line.m_nEnd; ++i) {
            const CTextChar& c = m_chars[static_cast<std::size_t>(i)];
            if (!IsControl(c.m_code)) {
                const CGlyph& g = m_face.Glyph(c.m_code);
                for (int y = 0; y < g.m_nHeight; ++y) {
                    mask.CoverRun(pen + g.m_nLeft, baseline - g.m_nTop + y,
                                  &g.m_ink[static_cast<std::size_t>(y) * g.m_nWidth], g.m_nWidth);
                }
            }
            if (c.m_bUnderline) {
                mask.CoverRect(
                    RECT{pen, baseline + ulTop, pen + c.m_nAdvance, baseline + ulTop + ulRows});
            }
            pen += c.m_nAdvance;
        }
        const int left = line.m_nX + dx;
        if (m_bUnderline) {
            mask.CoverRect(
                RECT{left, baseline + ulTop, left + line.m_nWidth, baseline + ulTop + ulRows});
        }
        if (m_bStrikeOut) {
            const int strike = baseline - m_face.StrikeOffset();
            mask.CoverRect(RECT{left, strike, left + line.m_nWidth, strike + ulRows});
        }
    }
}
