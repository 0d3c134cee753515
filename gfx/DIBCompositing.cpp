// The surface's compositing operations: remapping to a palette, transparent copies between
// surfaces, compositing over a background in one blit, stretching onto another surface, the
// timed dissolve in random tiles and text.
#include "gfx/DIB.h"

#include "gfx/Palette.h"

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
    for (std::int64_t k = 0; k < h; ++k) {
        const BYTE* from = Row(source->m_pBits, srcHeight, source->Stride(), sy + k) + sx;
        BYTE* to = Row(m_pBits, Height(), Stride(), dy + k) + dx;
        if (key < 0) {
            std::memcpy(to, from, static_cast<std::size_t>(w));
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
    CDIB temporary;
    if (!temporary.Create(static_cast<int>(w), static_cast<int>(h), fillIndex, g_pPalette)) {
        return;
    }
    if (background) {
        // The part of the background that lies under the destination when the background is
        // drawn at (backgroundX, backgroundY).
        const std::int64_t left = static_cast<std::int64_t>(x) - backgroundX;
        const std::int64_t top = static_cast<std::int64_t>(y) - backgroundY;
        const RECT under = {ToInt(left), ToInt(top), ToInt(left + w), ToInt(top + h)};
        temporary.CopyTransparent(background, 0, 0, &under, -1);
    }
    temporary.CopyTransparent(this, 0, 0, &r, key);
    const RECT dest = {x, y, ToInt(static_cast<std::int64_t>(x) + w),
                       ToInt(static_cast<std::int64_t>(y) + h)};
    const RECT all = {0, 0, static_cast<LONG>(w), static_cast<LONG>(h)};
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
