// The surface's compositing operations: remapping to a palette, transparent copies between
// surfaces, compositing over a background in one blit, stretching onto another surface, the
// timed dissolve in random tiles and text.
#include "gfx/DIB.h"

#include "gfx/Palette.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// Coordinates of the callers' rectangles are worked in 64 bits so that no sum or difference of
// two ints can overflow; this brings a result back, clamped to what an int holds.
int ToInt(std::int64_t v) {
    if (v > 0x7FFFFFFF) {
        return 0x7FFFFFFF;
    }
    if (v < -0x7FFFFFFF - 1) {
        return -0x7FFFFFFF - 1;
    }
    return static_cast<int>(v);
}

std::int64_t Extent(LONG from, LONG to) {
    return static_cast<std::int64_t>(to) - from;
}

// The colour table that follows the surface's 40-byte header.
RGBQUAD* ColourTable(BITMAPINFO* info) {
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(info) + sizeof(BITMAPINFOHEADER));
}

// Start of image row `row` (from the top) of a complete surface.
BYTE* Row(BYTE* bits, int height, int stride, std::int64_t row) {
    return bits + (static_cast<std::int64_t>(height) - 1 - row) * stride;
}

} // namespace

int CDIB::MapToPalette(CPalette* palette) {
    if (!m_pBMI || !m_pBits || !palette) {
        return 0;
    }
    // A palette object without a GDI palette, or one without entries, has no colours to map
    // to: leave the surface as it is.
    if (palette->GetSafeHandle() == nullptr || palette->GetEntryCount() <= 0) {
        return 0;
    }
    RGBQUAD* table = ColourTable(m_pBMI);
    BYTE map[256];
    bool identity = true;
    for (int i = 0; i < 256; ++i) {
        const UINT nearest = palette->GetNearestPaletteIndex(
            RGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
        map[i] = static_cast<BYTE>(nearest & 0xFF);
        identity = identity && map[i] == i;
    }
    if (!identity) {
        const std::size_t count = static_cast<std::size_t>(Stride()) * Height();
        for (std::size_t k = 0; k < count; ++k) {
            m_pBits[k] = map[m_pBits[k]];
        }
    }
    PALETTEENTRY entry = {0, 0, 0, 0};
    for (int i = 0; i < 256; ++i) {
        // Past the palette's end nothing is read and the last colour read repeats.
        palette->GetPaletteEntries(static_cast<UINT>(i), 1, &entry);
        table[i] = RGBQUAD{entry.peBlue, entry.peGreen, entry.peRed, 0};
    }
    m_pBMI->bmiHeader.biClrUsed = 256;
    SetDIBColorTable(m_hDC, 0, 256, table);
    return 1;
}

void CDIB::CopyTransparent(CDIB* source, int x, int y, const RECT* sourceRect, int key) {
    if (!source || !m_pBMI || !m_pBits || !source->m_pBMI || !source->m_pBits) {
        return;
    }
    const int srcWidth = source->Width();
    const int srcHeight = source->Height();
    const RECT whole = {0, 0, srcWidth, srcHeight};
    const RECT& r = sourceRect ? *sourceRect : whole;
    std::int64_t dx = x;
    std::int64_t dy = y;
    std::int64_t sx = r.left;
    std::int64_t sy = r.top;
    std::int64_t w = Extent(r.left, r.right);
    std::int64_t h = Extent(r.top, r.bottom);
    // Clip the left and top edges first, then the right and bottom ones.
    std::int64_t m = dx < sx ? dx : sx;
    if (m < 0) {
        dx -= m;
        sx -= m;
        w += m;
    }
    m = dy < sy ? dy : sy;
    if (m < 0) {
        dy -= m;
        sy -= m;
        h += m;
    }
    std::int64_t e1 = srcWidth - sx - w;
    std::int64_t e2 = Width() - dx - w;
    std::int64_t e = e1 < e2 ? e1 : e2;
    if (e < 0) {
        w += e;
    }
    e1 = srcHeight - sy - h;
    e2 = Height() - dy - h;
    e = e1 < e2 ? e1 : e2;
    if (e < 0) {
        h += e;
    }
    if (w <= 0 || h <= 0) {
        return;
    }
    const BYTE transparent = static_cast<BYTE>(key & 0xFF);
    // A surface may be its own source. Every pixel must then be read before it is overwritten,
    // as if the source had been taken whole first: rows are walked away from the side they move
    // to, and so are the bytes of a row that moves sideways onto itself. Two rows of a surface
    // never share bytes, since a row is no longer than the stride.
    const bool bottomFirst = source == this && dy > sy;
    const bool rightFirst = source == this && dy == sy && dx > sx;
    for (std::int64_t n = 0; n < h; ++n) {
        const std::int64_t k = bottomFirst ? h - 1 - n : n;
        const BYTE* from = Row(source->m_pBits, srcHeight, source->Stride(), sy + k) + sx;
        BYTE* to = Row(m_pBits, Height(), Stride(), dy + k) + dx;
        if (key < 0) {
            std::memmove(to, from, static_cast<std::size_t>(w));
            continue;
        }
        if (rightFirst) {
            for (std::int64_t i = w - 1; i >= 0; --i) {
                if (from[i] != transparent) {
                    to[i] = from[i];
                }
            }
            continue;
        }
        for (std::int64_t i = 0; i < w; ++i) {
            if (from[i] != transparent) {
                to[i] = from[i];
            }
        }
    }
}

void CDIB::Composite(CDC* dc, int x, int y, const RECT* sourceRect, int key, int fillIndex,
                     CDIB* background, int backgroundX, int backgroundY) {
    if (!m_pBMI || !m_pBits) {
        return;
    }
    const RECT whole = {0, 0, Width(), Height()};
    const RECT& r = sourceRect ? *sourceRect : whole;
    const std::int64_t w = Extent(r.left, r.right);
    const std::int64_t h = Extent(r.top, r.bottom);
    if (w > 0x7FFFFFFF || h > 0x7FFFFFFF) {
        return;
    }
    if (!dc) {
        return;
    }
    // Only the part of the destination that dc can show is drawn, so the temporary surface
    // covers just that: a rectangle far larger than the surfaces costs no more than the view.
    RECT reach;
    if (dc->GetClipBox(&reach) != SIMPLEREGION) {
        return;
    }
    const std::int64_t left = std::max<std::int64_t>(x, reach.left);
    const std::int64_t top = std::max<std::int64_t>(y, reach.top);
    const std::int64_t right =
        std::min<std::int64_t>(static_cast<std::int64_t>(x) + w, reach.right);
    const std::int64_t bottom =
        std::min<std::int64_t>(static_cast<std::int64_t>(y) + h, reach.bottom);
    if (right <= left || bottom <= top) {
        return;
    }
    // The shown part starts this far into the destination, and into the source rectangle.
    const std::int64_t offsetX = left - x;
    const std::int64_t offsetY = top - y;
    const std::int64_t shownWidth = right - left;
    const std::int64_t shownHeight = bottom - top;
    CDIB temporary;
    if (!temporary.Create(static_cast<int>(shownWidth), static_cast<int>(shownHeight), fillIndex,
                          g_pPalette)) {
        return;
    }
    if (background) {
        // The part of the background that lies under the shown part when the background is
        // drawn at (backgroundX, backgroundY).
        const std::int64_t underLeft = left - backgroundX;
        const std::int64_t underTop = top - backgroundY;
        const RECT under = {ToInt(underLeft), ToInt(underTop), ToInt(underLeft + shownWidth),
                            ToInt(underTop + shownHeight)};
        temporary.CopyTransparent(background, 0, 0, &under, -1);
    }
    const std::int64_t partLeft = r.left + offsetX;
    const std::int64_t partTop = r.top + offsetY;
    const RECT part = {ToInt(partLeft), ToInt(partTop), ToInt(partLeft + shownWidth),
                       ToInt(partTop + shownHeight)};
    temporary.CopyTransparent(this, 0, 0, &part, key);
    const RECT dest = {static_cast<LONG>(left), static_cast<LONG>(top), static_cast<LONG>(right),
                       static_cast<LONG>(bottom)};
    const RECT all = {0, 0, static_cast<LONG>(shownWidth), static_cast<LONG>(shownHeight)};
    temporary.Paint(dc, &dest, &all);
}

void CDIB::StretchTo(CDIB* target, const RECT* targetRect, const RECT* sourceRect) {
    if (!m_hDC || !target || !target->m_hDC) {
        return;
    }
    const RECT wholeTarget = {0, 0, target->Width(), target->Height()};
    const RECT wholeSource = {0, 0, Width(), Height()};
    const RECT& t = targetRect ? *targetRect : wholeTarget;
    const RECT& s = sourceRect ? *sourceRect : wholeSource;
    StretchBlt(target->m_hDC, t.left, t.top, ToInt(Extent(t.left, t.right)),
               ToInt(Extent(t.top, t.bottom)), m_hDC, s.left, s.top, ToInt(Extent(s.left, s.right)),
               ToInt(Extent(s.top, s.bottom)), SRCCOPY);
}

void CDIB::Dissolve(CDC* dc, int x, int y, const RECT* sourceRect, int tileWidth, int tileHeight,
                    int timeBudget, int* stopFlag) {
    const DWORD start = GetTickCount();
    if (!m_hDC || !dc) {
        return;
    }
    const RECT whole = {0, 0, Width(), Height()};
    const RECT& r = sourceRect ? *sourceRect : whole;
    const std::int64_t areaWidth = Extent(r.left, r.right);
    const std::int64_t areaHeight = Extent(r.top, r.bottom);
    std::int64_t tw = tileWidth < areaWidth ? tileWidth : areaWidth;
    if (tw < 1) {
        tw = 1;
    }
    std::int64_t th = tw;
    if (tileHeight > 0) {
        th = tileHeight < areaHeight ? tileHeight : areaHeight;
    }
    // An empty area has no tile to draw.
    if (timeBudget <= 0 || areaWidth <= 0 || areaHeight <= 0) {
        return;
    }
    // Offsets run over 0 .. span - 1; a tile that fills a whole side has offset 0 there. Both
    // numbers are drawn either way, so the shared sequence advances as it always does.
    const std::int64_t spanX = areaWidth - tw;
    const std::int64_t spanY = areaHeight - th;
    const HDC target = dc->GetSafeHdc();
    for (;;) {
        for (int blit = 0; blit < 100; ++blit) {
            const int randX = rand();
            const int randY = rand();
            const std::int64_t rx = spanX > 0 ? randX % spanX : 0;
            const std::int64_t ry = spanY > 0 ? randY % spanY : 0;
            BitBlt(target, ToInt(x + rx), ToInt(y + ry), ToInt(tw), ToInt(th), m_hDC,
                   ToInt(r.left + rx), ToInt(r.top + ry), SRCCOPY);
            if (stopFlag && *stopFlag != 0) {
                return;
            }
        }
        if (GetTickCount() - start >= static_cast<DWORD>(timeBudget)) {
            return;
        }
    }
}

void CDIB::DrawText(const char* text, RECT* rect, UINT format, CGdiObject* font, COLORREF colour) {
    if (!m_hDC || !text || !rect || !font || !font->GetSafeHandle() ||
        GetObjectType(font->GetSafeHandle()) != OBJ_FONT) {
        return;
    }
    // Only a rectangle that meets the surface draws; the text is laid out in rect itself.
    const bool meets = rect->left < Width() && rect->right > 0 && rect->top < Height() &&
                       rect->bottom > 0 && rect->left < rect->right && rect->top < rect->bottom;
    if (!meets) {
        return;
    }
    const HGDIOBJ oldFont = SelectObject(m_hDC, font->GetSafeHandle());
    const COLORREF oldColour = SetTextColor(m_hDC, (colour & 0x00FFFFFF) + 0x02000000);
    const int oldMode = SetBkMode(m_hDC, TRANSPARENT);
    ::DrawText(m_hDC, text, -1, rect, format);
    SetBkMode(m_hDC, oldMode);
    SetTextColor(m_hDC, oldColour);
    SelectObject(m_hDC, oldFont);
}
