// The software GDI's object records, for the parts of the platform layer that draw: windows,
// text and icons. Program code never includes this; it sees only handles.
//
// Every live object sits in one registry keyed by its handle. Handles are never reused, so a
// stale or foreign handle finds nothing and the call fails instead of touching freed memory.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <vector>

enum class DvKind { Bitmap, Palette, Brush, Font, DC };

// The stock fonts, made on first use (the text part of the platform layer).
HFONT DvStockFont(int index);

struct DvGdiObject {
    explicit DvGdiObject(DvKind k) : kind(k) {}
    virtual ~DvGdiObject() = default;
    DvGdiObject(const DvGdiObject&) = delete;
    DvGdiObject& operator=(const DvGdiObject&) = delete;

    // GetObject's record for this object into out (size bytes available); with a null out, the
    // size of the record. Returns the bytes written, 0 when the object has no record.
    virtual int Describe(int size, void* out) const;

    DvKind kind;
    // Stock objects are shared and never deleted.
    bool stock = false;
};

// Frees a section's pixels, unless they are memory the section only borrows.
struct DvFreeDeleter {
    bool owned = true;
    void operator()(void* p) const {
        if (owned) {
            std::free(p);
        }
    }
};

// A DIB section: 8-bit with a colour table or 32-bit true colour (bytes blue, green, red, 0).
struct DvBitmap : DvGdiObject {
    DvBitmap() : DvGdiObject(DvKind::Bitmap) {}
    int Describe(int size, void* out) const override;

    // Image row y, counted from the top, whatever the storage order.
    BYTE* Row(int y) const {
        const int stored = topDown ? y : height - 1 - y;
        return pixels.get() + static_cast<std::size_t>(stored) * static_cast<std::size_t>(stride);
    }

    int width = 0;
    int height = 0;
    int bitCount = 0; // 8 or 32
    bool topDown = false;
    int stride = 0;
    std::unique_ptr<BYTE[], DvFreeDeleter> pixels;
    RGBQUAD colours[256] = {}; // 8-bit only; every entry is used for matching
    HDC selectedInto = nullptr;
};

struct DvPalette : DvGdiObject {
    DvPalette() : DvGdiObject(DvKind::Palette) {}
    int Describe(int size, void* out) const override;
    std::vector<PALETTEENTRY> entries;
};

struct DvBrush : DvGdiObject {
    DvBrush() : DvGdiObject(DvKind::Brush) {}
    int Describe(int size, void* out) const override;
    COLORREF colour = 0;
    bool hollow = false;
};

// A device context. Memory contexts draw into their selected bitmap. Window contexts draw into a
// window's screen bitmap: logical (0, 0) is `origin` on the screen and nothing lands outside
// `clip` (screen coordinates). The display context has no surface of its own.
struct DvDC : DvGdiObject {
    enum class Type { Memory, Window, Display };

    explicit DvDC(Type t) : DvGdiObject(DvKind::DC), type(t) {}

    Type type;
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    HBRUSH brush = nullptr;
    // The selected font and the text attributes, for the text functions. A new context holds
    // the system font, as on the platform, so that putting back "the font selected before"
    // always has a font to put back.
    HFONT font = DvStockFont(SYSTEM_FONT);
    COLORREF textColour = RGB(0, 0, 0);
    int bkMode = OPAQUE;
    COLORREF bkColour = RGB(255, 255, 255);
    POINT origin = {0, 0};
    RECT clip = {0, 0, 0, 0}; // window contexts only
};

// Registry access. DvAdd takes ownership and returns the new object's handle.
HGDIOBJ DvAdd(std::unique_ptr<DvGdiObject> object);
// How many objects are live, stock objects included (for tests that look for leaks).
std::size_t DvLiveGdiObjectCount();
DvGdiObject* DvLookup(HGDIOBJ handle);
DvBitmap* DvLookupBitmap(HBITMAP handle);
DvPalette* DvLookupPalette(HPALETTE handle);
DvBrush* DvLookupBrush(HBRUSH handle);
DvDC* DvLookupDC(HDC handle);

// Where a context draws: its surface, the offset from logical to surface coordinates and the
// clip rectangle in surface coordinates, already inside the surface. False when the context is
// invalid or has no surface.
struct DvTarget {
    DvBitmap* surface = nullptr;
    POINT origin = {0, 0};
    RECT clip = {0, 0, 0, 0};
};
bool DvGetTarget(HDC dc, DvTarget* target);

// A 32-bit top-down DIB section over memory that the caller keeps alive for as long as the
// section lives and frees itself: width x height pixels, rows strideBytes apart (at least
// width * 4, a multiple of 4). Null for sizes or a stride that do not fit.
HBITMAP DvCreateBorrowedSection(void* pixels, int width, int height, int strideBytes);

// A context that draws into a 32-bit screen bitmap with logical (0, 0) at origin, clipped to
// clip (screen coordinates). Deleted with DeleteDC.
HDC DvCreateWindowDC(HBITMAP screen, POINT origin, RECT clip);

// The colour a COLORREF stands for in dc: PALETTEINDEX values through the selected palette,
// plain and palette-relative values as their red, green and blue. Returns 0x00bbggrr.
COLORREF DvResolveColour(const DvDC* dc, COLORREF colour);
// The stored value of an opaque red/green/blue colour on a surface: the nearest colour-table
// index for 8-bit surfaces, 0x00RRGGBB for 32-bit ones.
DWORD DvPixelValue(const DvBitmap* surface, COLORREF rgb);
// Writes a value from DvPixelValue at surface pixel (x, y), which the caller keeps inside.
inline void DvPutPixel(const DvBitmap* surface, int x, int y, DWORD value) {
    BYTE* row = surface->Row(y);
    if (surface->bitCount == 8) {
        row[x] = static_cast<BYTE>(value);
    } else {
        reinterpret_cast<DWORD*>(row)[x] = value;
    }
}
// Least squared red/green/blue distance over count entries, the lowest index on ties.
int DvNearestIndex(const RGBQUAD* table, int count, BYTE red, BYTE green, BYTE blue);

// Fills a logical rectangle of dc with an opaque colour, honouring origin and clip.
BOOL DvFillRect(HDC dc, const RECT* rect, COLORREF colour);

// Whether 8-bit onto true-colour blits use the processor's byte permutes where it has them
// (true, the default). The plain path that false selects writes the same pixels; tests run both.
extern bool g_dvBytePermutes;
