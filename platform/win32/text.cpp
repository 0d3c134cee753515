// Drawing text into device contexts: DrawText, TextOut and the measuring calls. The letters are
// laid out in logical coordinates, inked into a coverage mask over the part of the surface they
// may touch, and the mask is coloured in with the context's text colour.
#include "win32/TextLayout.h"
#include "win32/textobj.h"

#include <algorithm>
#include <cstdint>

namespace {

LONG Clamp32(std::int64_t v) {
    return static_cast<LONG>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
}

// A logical rectangle in surface coordinates; computed wide, so that a rectangle at the ends of
// the coordinate range clips instead of wrapping.
RECT ToSurface(const RECT& r, POINT origin) {
    return RECT{Clamp32(std::int64_t{r.left} + origin.x), Clamp32(std::int64_t{r.top} + origin.y),
                Clamp32(std::int64_t{r.right} + origin.x),
                Clamp32(std::int64_t{r.bottom} + origin.y)};
}

RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right <= r.left || r.bottom <= r.top) {
        r = RECT{0, 0, 0, 0};
    }
    return r;
}

void FillArea(const DvBitmap* surface, const RECT& area, DWORD value) {
    for (LONG y = area.top; y < area.bottom; ++y) {
        for (LONG x = area.left; x < area.right; ++x) {
            DvPutPixel(surface, x, y, value);
        }
    }
}

// Draws a laid-out text into dc: the opaque background behind each line when the context asks
// for it, then the letters, all inside clip (surface coordinates, within the surface).
void Paint(const DvDC* dc, const DvTarget& target, const CTextLayout& layout, const RECT& clip) {
    const DvBitmap* surface = target.surface;
    if (dc->bkMode == OPAQUE) {
        const DWORD back = DvPixelValue(surface, DvResolveColour(dc, dc->bkColour));
        for (std::size_t i = 0; i < layout.Lines().size(); ++i) {
            FillArea(surface, Intersect(ToSurface(layout.LineBox(i), target.origin), clip), back);
        }
    }
    CCoverageMask mask(Intersect(ToSurface(layout.InkBounds(), target.origin), clip));
    if (mask.IsEmpty()) {
        return;
    }
    layout.Render(mask, target.origin.x, target.origin.y);
    const DWORD ink = DvPixelValue(surface, DvResolveColour(dc, dc->textColour));
    const RECT& box = mask.Bounds();
    for (LONG y = box.top; y < box.bottom; ++y) {
        const BYTE* row = mask.Row(y);
        for (LONG x = box.left; x < box.right; ++x) {
            if (row[x - box.left]) {
                DvPutPixel(surface, x, y, ink);
            }
        }
    }
}

} // namespace

int DrawText(HDC hdc, LPCSTR text, int length, LPRECT rect, UINT format) {
    const DvDC* dc = DvLookupDC(hdc);
    if (!dc || !text || !rect) {
        return 0;
    }
    const LOGFONT& lf = DvFontOfDC(dc);
    CFontFace* face = DvFaceForFont(lf);
    if (!face) {
        return 0;
    }
    const CTextLayout layout(*face, text, length, format, *rect, lf.lfUnderline != 0,
                             lf.lfStrikeOut != 0);
    if (format & DT_CALCRECT) {
        *rect = layout.Extent();
        return layout.Result();
    }
    DvTarget target;
    if (DvGetTarget(hdc, &target)) {
        RECT clip = target.clip;
        if (!(format & DT_NOCLIP)) {
            clip = Intersect(clip, ToSurface(*rect, target.origin));
        }
        Paint(dc, target, layout, clip);
    }
    return layout.Result();
}

BOOL TextOut(HDC hdc, int x, int y, LPCSTR text, int length) {
    const DvDC* dc = DvLookupDC(hdc);
    if (!dc || !text || length < 0) {
        return FALSE;
    }
    const LOGFONT& lf = DvFontOfDC(dc);
    CFontFace* face = DvFaceForFont(lf);
    if (!face) {
        return FALSE;
    }
    const RECT at{x, y, x, y};
    const CTextLayout layout(*face, text, length, DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP, at,
                             lf.lfUnderline != 0, lf.lfStrikeOut != 0);
    DvTarget target;
    if (DvGetTarget(hdc, &target)) {
        Paint(dc, target, layout, target.clip);
    }
    return TRUE;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR text, int length, LPSIZE size) {
    const DvDC* dc = DvLookupDC(hdc);
    if (!dc || !text || !size || length < 0) {
        return FALSE;
    }
    CFontFace* face = DvFaceForFont(DvFontOfDC(dc));
    if (!face) {
        return FALSE;
    }
    const CTextLayout layout(*face, text, length, DT_SINGLELINE | DT_NOPREFIX, RECT{0, 0, 0, 0});
    const RECT extent = layout.Extent();
    size->cx = extent.right;
    size->cy = face->Height(); // one line, also for no letters
    return TRUE;
}

BOOL GetTextMetrics(HDC hdc, LPTEXTMETRIC metrics) {
    const DvDC* dc = DvLookupDC(hdc);
    if (!dc || !metrics) {
        return FALSE;
    }
    const LOGFONT& lf = DvFontOfDC(dc);
    CFontFace* face = DvFaceForFont(lf);
    if (!face) {
        return FALSE;
    }
    TEXTMETRIC tm = {};
    tm.tmHeight = face->Height();
    tm.tmAscent = face->Ascent();
    tm.tmDescent = face->Descent();
    tm.tmInternalLeading = std::max(0, face->Height() - face->Em());
    tm.tmExternalLeading = face->ExternalLeading();
    tm.tmAveCharWidth = face->AveCharWidth();
    tm.tmMaxCharWidth = face->MaxCharWidth();
    tm.tmWeight = lf.lfWeight > 0 ? lf.lfWeight : FW_NORMAL;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFF;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = lf.lfItalic;
    tm.tmUnderlined = lf.lfUnderline;
    tm.tmStruckOut = lf.lfStrikeOut;
    tm.tmPitchAndFamily = lf.lfPitchAndFamily;
    tm.tmCharSet = lf.lfCharSet;
    *metrics = tm;
    return TRUE;
}
