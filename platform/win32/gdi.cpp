// The software GDI: DIB sections, device contexts, logical palettes, blits and fills, drawn in
// memory. The display is true colour: it keeps no system palette.
#include "win32/gdiobj.h"
#include "win32/textobj.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <new>
#include <unordered_map>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define DV_HAVE_BYTE_PERMUTE 1
#endif

bool g_dvBytePermutes = true;

namespace {

// The 20 static colours of the platform's default palette: 10 at the bottom, 10 at the top.
const PALETTEENTRY kStaticColours[20] = {
    {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},
    {0, 0, 128, 0},     {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0},
    {192, 220, 192, 0}, {166, 202, 240, 0}, {255, 251, 240, 0}, {160, 160, 164, 0},
    {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},     {255, 255, 0, 0},
    {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0}};

// Pixel memory of one section is limited to what a signed 32-bit byte count can address, as
// biSizeImage and the callers' row arithmetic assume.
constexpr std::int64_t kMaxSectionBytes = 0x7FFFFFFF;

class Registry {
public:
    Registry() {
        auto bitmap = std::make_unique<DvBitmap>();
        bitmap->width = bitmap->height = 1;
        bitmap->bitCount = 32;
        bitmap->topDown = true;
        bitmap->stride = 4;
        bitmap->pixels.reset(static_cast<BYTE*>(std::calloc(1, 4)));
        bitmap->stock = true;
        stockBitmap = static_cast<HBITMAP>(Add(std::move(bitmap)));

        auto palette = std::make_unique<DvPalette>();
        palette->entries.assign(std::begin(kStaticColours), std::end(kStaticColours));
        palette->stock = true;
        stockPalette = static_cast<HPALETTE>(Add(std::move(palette)));

        const COLORREF greys[5] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128),
                                   RGB(64, 64, 64), RGB(0, 0, 0)};
        for (int i = 0; i <= NULL_BRUSH; ++i) {
            auto brush = std::make_unique<DvBrush>();
            brush->hollow = i == NULL_BRUSH;
            brush->colour = i < 5 ? greys[i] : 0;
            brush->stock = true;
            stockBrushes[i] = static_cast<HBRUSH>(Add(std::move(brush)));
        }
    }

    HGDIOBJ Add(std::unique_ptr<DvGdiObject> object) {
        if (!object) {
            return nullptr;
        }
        // Spaced handle values that never repeat within a run.
        m_next += 4;
        const std::uintptr_t key = m_next;
        m_objects.emplace(key, std::move(object));
        return reinterpret_cast<HGDIOBJ>(key);
    }

    DvGdiObject* Find(HGDIOBJ handle) const {
        const auto it = m_objects.find(reinterpret_cast<std::uintptr_t>(handle));
        return it == m_objects.end() ? nullptr : it->second.get();
    }

    void Remove(HGDIOBJ handle) { m_objects.erase(reinterpret_cast<std::uintptr_t>(handle)); }
    std::size_t Count() const { return m_objects.size(); }

    HBITMAP stockBitmap = nullptr;
    HPALETTE stockPalette = nullptr;
    HBRUSH stockBrushes[NULL_BRUSH + 1] = {};

private:
    std::unordered_map<std::uintptr_t, std::unique_ptr<DvGdiObject>> m_objects;
    std::uintptr_t m_next = 0x10000;
};

// The registry outlives every static object that may still hold a handle at exit (the program's
// palette is one), so it is built once in place and never destroyed.
Registry& TheRegistry() {
    alignas(Registry) static unsigned char storage[sizeof(Registry)];
    static Registry* registry = new (storage) Registry();
    return *registry;
}

template <typename T> T* LookupKind(HGDIOBJ handle, DvKind kind) {
    DvGdiObject* object = TheRegistry().Find(handle);
    return object && object->kind == kind ? static_cast<T*>(object) : nullptr;
}

int Distance(int r1, int g1, int b1, int r2, int g2, int b2) {
    const int dr = r1 - r2;
    const int dg = g1 - g2;
    const int db = b1 - b2;
    return dr * dr + dg * dg + db * db;
}

bool SameColour(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue;
}

DWORD PackRGB(BYTE red, BYTE green, BYTE blue) {
    return static_cast<DWORD>(blue) | (static_cast<DWORD>(green) << 8) |
           (static_cast<DWORD>(red) << 16);
}

// Maps the indices of a source colour table onto an 8-bit surface: an index whose colour the
// target holds at the same index keeps its value, so identical tables copy indices unchanged;
// any other takes the nearest entry.
void BuildIndexMap(const RGBQUAD* source, int count, const DvBitmap* target, BYTE* map) {
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD c = i < count ? source[i] : RGBQUAD{0, 0, 0, 0};
        if (SameColour(c, target->colours[i])) {
            map[i] = static_cast<BYTE>(i);
        } else {
            map[i] = static_cast<BYTE>(
                DvNearestIndex(target->colours, 256, c.rgbRed, c.rgbGreen, c.rgbBlue));
        }
    }
}

// Nearest-index lookups for true-colour pixels going into an 8-bit surface, remembered for the
// length of one call.
class NearestCache {
public:
    explicit NearestCache(const DvBitmap* target) : m_target(target) {}
    BYTE Get(DWORD rgb) {
        const auto it = m_cache.find(rgb);
        if (it != m_cache.end()) {
            return it->second;
        }
        const BYTE index =
            static_cast<BYTE>(DvNearestIndex(m_target->colours, 256, static_cast<BYTE>(rgb >> 16),
                                             static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb)));
        m_cache.emplace(rgb, index);
        return index;
    }

private:
    const DvBitmap* m_target;
    std::unordered_map<DWORD, BYTE> m_cache;
};

bool IntersectRect(RECT* out, const RECT& a, const RECT& b) {
    out->left = std::max(a.left, b.left);
    out->top = std::max(a.top, b.top);
    out->right = std::min(a.right, b.right);
    out->bottom = std::min(a.bottom, b.bottom);
    return out->left < out->right && out->top < out->bottom;
}

// Source colours of a packed DIB, decoded to 0x00RRGGBB per pixel for the true-colour formats.
struct BitField {
    DWORD mask = 0;
    int shift = 0;
    DWORD max = 0;

    explicit BitField(DWORD m) : mask(m) {
        if (mask == 0) {
            return;
        }
        while (((mask >> shift) & 1u) == 0) {
            ++shift;
        }
        max = mask >> shift;
    }
    BYTE Extract(DWORD pixel) const {
        if (max == 0) {
            return 0;
        }
        // Scaled to 0..255 with rounding; the product stays below 2^40.
        const std::uint64_t v = (pixel & mask) >> shift;
        return static_cast<BYTE>((v * 255u + max / 2) / max);
    }
};

DWORD ReadLE32(const BYTE* p) {
    DWORD v;
    std::memcpy(&v, p, 4);
    return v;
}

} // namespace

// ---- registry access ------------------------------------------------------------------------

int DvGdiObject::Describe(int, void*) const {
    return 0;
}

HGDIOBJ DvAdd(std::unique_ptr<DvGdiObject> object) {
    return TheRegistry().Add(std::move(object));
}
std::size_t DvLiveGdiObjectCount() {
    return TheRegistry().Count();
}
DvGdiObject* DvLookup(HGDIOBJ handle) {
    return TheRegistry().Find(handle);
}
DvBitmap* DvLookupBitmap(HBITMAP handle) {
    return LookupKind<DvBitmap>(handle, DvKind::Bitmap);
}
DvPalette* DvLookupPalette(HPALETTE handle) {
    return LookupKind<DvPalette>(handle, DvKind::Palette);
}
DvBrush* DvLookupBrush(HBRUSH handle) {
    return LookupKind<DvBrush>(handle, DvKind::Brush);
}
DvDC* DvLookupDC(HDC handle) {
    return LookupKind<DvDC>(handle, DvKind::DC);
}

int DvBitmap::Describe(int size, void* out) const {
    BITMAP bm = {};
    bm.bmType = 0;
    bm.bmWidth = width;
    bm.bmHeight = height;
    bm.bmWidthBytes = stride;
    bm.bmPlanes = 1;
    bm.bmBitsPixel = static_cast<WORD>(bitCount);
    bm.bmBits = pixels.get();
    if (!out) {
        return static_cast<int>(sizeof(DIBSECTION));
    }
    if (size >= static_cast<int>(sizeof(DIBSECTION))) {
        DIBSECTION ds = {};
        ds.dsBm = bm;
        ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        ds.dsBmih.biWidth = width;
        // The height is reported positive whichever way the rows run, and an indexed section
        // has a colour for every index.
        ds.dsBmih.biHeight = height;
        ds.dsBmih.biPlanes = 1;
        ds.dsBmih.biBitCount = static_cast<WORD>(bitCount);
        ds.dsBmih.biCompression = BI_RGB;
        ds.dsBmih.biSizeImage = static_cast<DWORD>(stride) * static_cast<DWORD>(height);
        ds.dsBmih.biClrUsed = bitCount == 8 ? 256 : 0;
        std::memcpy(out, &ds, sizeof ds);
        return static_cast<int>(sizeof ds);
    }
    if (size >= static_cast<int>(sizeof(BITMAP))) {
        std::memcpy(out, &bm, sizeof bm);
        return static_cast<int>(sizeof bm);
    }
    return 0;
}

int DvPalette::Describe(int size, void* out) const {
    if (!out) {
        return static_cast<int>(sizeof(WORD));
    }
    if (size < static_cast<int>(sizeof(WORD))) {
        return 0;
    }
    const WORD count = static_cast<WORD>(entries.size());
    std::memcpy(out, &count, sizeof count);
    return static_cast<int>(sizeof count);
}

int DvBrush::Describe(int size, void* out) const {
    if (!out) {
        return static_cast<int>(sizeof(LOGBRUSH));
    }
    if (size < static_cast<int>(sizeof(LOGBRUSH))) {
        return 0;
    }
    LOGBRUSH lb = {hollow ? static_cast<UINT>(BS_NULL) : static_cast<UINT>(BS_SOLID), colour, 0};
    std::memcpy(out, &lb, sizeof lb);
    return static_cast<int>(sizeof lb);
}

bool DvGetTarget(HDC dc, DvTarget* target) {
    const DvDC* record = DvLookupDC(dc);
    if (!record || !target || record->type == DvDC::Type::Display) {
        return false;
    }
    DvBitmap* surface = DvLookupBitmap(record->bitmap);
    if (!surface || !surface->pixels) {
        return false;
    }
    const RECT bounds = {0, 0, surface->width, surface->height};
    RECT clip = bounds;
    if (record->type == DvDC::Type::Window && !IntersectRect(&clip, bounds, record->clip)) {
        clip = {0, 0, 0, 0};
    }
    target->surface = surface;
    target->origin = record->origin;
    target->clip = clip;
    return true;
}

HDC DvCreateWindowDC(HBITMAP screen, POINT origin, RECT clip) {
    const DvBitmap* surface = DvLookupBitmap(screen);
    if (!surface || surface->bitCount != 32) {
        return nullptr;
    }
    auto dc = std::make_unique<DvDC>(DvDC::Type::Window);
    dc->bitmap = screen;
    dc->origin = origin;
    dc->clip = clip;
    dc->palette = TheRegistry().stockPalette;
    dc->brush = TheRegistry().stockBrushes[WHITE_BRUSH];
    return static_cast<HDC>(DvAdd(std::move(dc)));
}

COLORREF DvResolveColour(const DvDC* dc, COLORREF colour) {
    if ((colour >> 24) == 0x01) {
        const DvPalette* palette = dc ? DvLookupPalette(dc->palette) : nullptr;
        if (!palette) {
            palette = DvLookupPalette(TheRegistry().stockPalette);
        }
        const std::size_t index = colour & 0xFFFFu;
        if (!palette || index >= palette->entries.size()) {
            return RGB(0, 0, 0);
        }
        const PALETTEENTRY& e = palette->entries[index];
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    return colour & 0x00FFFFFFu;
}

DWORD DvPixelValue(const DvBitmap* surface, COLORREF rgb) {
    const BYTE red = GetRValue(rgb);
    const BYTE green = GetGValue(rgb);
    const BYTE blue = GetBValue(rgb);
    if (surface->bitCount == 8) {
        return static_cast<DWORD>(DvNearestIndex(surface->colours, 256, red, green, blue));
    }
    return PackRGB(red, green, blue);
}

int DvNearestIndex(const RGBQUAD* table, int count, BYTE red, BYTE green, BYTE blue) {
    int best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (int i = 0; i < count; ++i) {
        const int d =
            Distance(red, green, blue, table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
        if (d < bestDistance) {
            best = i;
            bestDistance = d;
            if (d == 0) {
                break;
            }
        }
    }
    return best;
}

BOOL DvFillRect(HDC dc, const RECT* rect, COLORREF colour) {
    DvTarget target;
    if (!rect || !DvGetTarget(dc, &target)) {
        return FALSE;
    }
    // Logical to surface coordinates, computed wide so that extreme rectangles clip instead of
    // wrapping.
    const auto toSurface = [](LONG v, LONG offset) {
        const std::int64_t s = static_cast<std::int64_t>(v) + offset;
        return static_cast<LONG>(std::clamp<std::int64_t>(s, INT32_MIN, INT32_MAX));
    };
    const RECT r = {toSurface(rect->left, target.origin.x), toSurface(rect->top, target.origin.y),
                    toSurface(rect->right, target.origin.x),
                    toSurface(rect->bottom, target.origin.y)};
    RECT area;
    if (!IntersectRect(&area, r, target.clip)) {
        return TRUE;
    }
    const DvBitmap* surface = target.surface;
    const DWORD value = DvPixelValue(surface, DvResolveColour(DvLookupDC(dc), colour));
    for (LONG y = area.top; y < area.bottom; ++y) {
        BYTE* row = surface->Row(y);
        if (surface->bitCount == 8) {
            std::memset(row + area.left, static_cast<int>(value), area.right - area.left);
        } else {
            std::fill(reinterpret_cast<DWORD*>(row) + area.left,
                      reinterpret_cast<DWORD*>(row) + area.right, value);
        }
    }
    return TRUE;
}

// ---- DIB sections ---------------------------------------------------------------------------

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* pbmi, UINT usage, void** ppvBits, HANDLE hSection,
                         DWORD) {
    if (ppvBits) {
        *ppvBits = nullptr;
    }
    if (!pbmi || usage != DIB_RGB_COLORS || hSection) {
        return nullptr;
    }
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight == 0 ||
        h.biPlanes != 1 || h.biCompression != BI_RGB) {
        return nullptr;
    }
    const bool topDown = h.biHeight < 0;
    if (h.biBitCount == 8 ? topDown : h.biBitCount != 32) {
        return nullptr;
    }
    // Height as a positive 64-bit value: -INT32_MIN does not fit in 32 bits.
    const std::int64_t height = topDown ? -static_cast<std::int64_t>(h.biHeight) : h.biHeight;
    const std::int64_t stride = h.biBitCount == 8 ? (static_cast<std::int64_t>(h.biWidth) + 3) & ~3
                                                  : static_cast<std::int64_t>(h.biWidth) * 4;
    if (stride > kMaxSectionBytes || height > kMaxSectionBytes / stride) {
        return nullptr;
    }
    auto bitmap = std::make_unique<DvBitmap>();
    bitmap->width = h.biWidth;
    bitmap->height = static_cast<int>(height);
    bitmap->bitCount = h.biBitCount;
    bitmap->topDown = topDown;
    bitmap->stride = static_cast<int>(stride);
    bitmap->pixels.reset(
        static_cast<BYTE*>(std::calloc(static_cast<std::size_t>(stride * height), 1)));
    if (!bitmap->pixels) {
        return nullptr;
    }
    if (h.biBitCount == 8) {
        const DWORD used = h.biClrUsed == 0 || h.biClrUsed > 256 ? 256 : h.biClrUsed;
        const RGBQUAD* table =
            reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(pbmi) + h.biSize);
        std::memcpy(bitmap->colours, table, used * sizeof(RGBQUAD));
    }
    BYTE* bits = bitmap->pixels.get();
    const HBITMAP handle = static_cast<HBITMAP>(DvAdd(std::move(bitmap)));
    if (handle && ppvBits) {
        *ppvBits = bits;
    }
    return handle;
}

HBITMAP DvCreateBorrowedSection(void* pixels, int width, int height, int strideBytes) {
    if (!pixels || width <= 0 || height <= 0 || strideBytes % 4 != 0 || strideBytes / 4 < width ||
        reinterpret_cast<std::uintptr_t>(pixels) % alignof(DWORD) != 0 ||
        height > kMaxSectionBytes / strideBytes) {
        return nullptr;
    }
    auto bitmap = std::make_unique<DvBitmap>();
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitCount = 32;
    bitmap->topDown = true;
    bitmap->stride = strideBytes;
    bitmap->pixels =
        std::unique_ptr<BYTE[], DvFreeDeleter>(static_cast<BYTE*>(pixels), DvFreeDeleter{false});
    return static_cast<HBITMAP>(DvAdd(std::move(bitmap)));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy) {
    if (hdc && !DvLookupDC(hdc)) {
        return nullptr;
    }
    if (cx == 0 || cy == 0) {
        return TheRegistry().stockBitmap;
    }
    if (cx < 0 || cy < 0) {
        return nullptr;
    }
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = cx;
    info.bmiHeader.biHeight = -cy;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return CreateDIBSection(hdc, &info, DIB_RGB_COLORS, nullptr, nullptr, 0);
}

namespace {
DvBitmap* SelectedSection(HDC hdc) {
    const DvDC* dc = DvLookupDC(hdc);
    if (!dc || dc->type != DvDC::Type::Memory) {
        return nullptr;
    }
    DvBitmap* bitmap = DvLookupBitmap(dc->bitmap);
    return bitmap && bitmap->bitCount == 8 ? bitmap : nullptr;
}
} // namespace

UINT SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, const RGBQUAD* prgbq) {
    DvBitmap* bitmap = SelectedSection(hdc);
    if (!bitmap || !prgbq || iStart >= 256) {
        return 0;
    }
    const UINT count = std::min(cEntries, 256 - iStart);
    std::memcpy(bitmap->colours + iStart, prgbq, count * sizeof(RGBQUAD));
    return count;
}

UINT GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD* prgbq) {
    const DvBitmap* bitmap = SelectedSection(hdc);
    if (!bitmap || !prgbq || iStart >= 256) {
        return 0;
    }
    const UINT count = std::min(cEntries, 256 - iStart);
    std::memcpy(prgbq, bitmap->colours + iStart, count * sizeof(RGBQUAD));
    return count;
}

int SetDIBits(HDC, HBITMAP hbm, UINT start, UINT cLines, const void* lpBits,
              const BITMAPINFO* lpbmi, UINT colorUse) {
    DvBitmap* target = DvLookupBitmap(hbm);
    if (!target || !target->pixels || !lpBits || !lpbmi || colorUse != DIB_RGB_COLORS) {
        return 0;
    }
    const BITMAPINFOHEADER& h = lpbmi->bmiHeader;
    const int bpp = h.biBitCount;
    if (h.biSize < sizeof(BITMAPINFOHEADER) || h.biWidth <= 0 || h.biHeight <= 0) {
        return 0;
    }
    const bool fields = h.biCompression == BI_BITFIELDS;
    if (!(h.biCompression == BI_RGB || (fields && (bpp == 16 || bpp == 32)))) {
        return 0;
    }
    if (bpp != 1 && bpp != 4 && bpp != 8 && bpp != 16 && bpp != 24 && bpp != 32) {
        return 0;
    }
    const BYTE* header = reinterpret_cast<const BYTE*>(lpbmi);

    // Source colours: the table for indexed formats, the masks for the others.
    RGBQUAD table[256] = {};
    DWORD masks[3] = {0x00FF0000u, 0x0000FF00u, 0x000000FFu};
    if (bpp == 16) {
        masks[0] = 0x7C00u;
        masks[1] = 0x03E0u;
        masks[2] = 0x001Fu;
    }
    int tableCount = 0;
    if (bpp <= 8) {
        tableCount = 1 << bpp;
        if (h.biClrUsed != 0 && h.biClrUsed < static_cast<DWORD>(tableCount)) {
            tableCount = static_cast<int>(h.biClrUsed);
        }
        std::memcpy(table, header + h.biSize, static_cast<std::size_t>(tableCount) * 4);
    } else if (fields) {
        // Masks follow a 40-byte header; later header versions carry them inside.
        const BYTE* m = header + sizeof(BITMAPINFOHEADER);
        for (int i = 0; i < 3; ++i) {
            masks[i] = ReadLE32(m + 4 * i);
        }
    }

    // The DIB lies at the bitmap's top left: its scan line s (counted from its bottom) is the
    // bitmap's row srcHeight - 1 - s from the top, and rows below the bitmap are cut off.
    const std::int64_t srcHeight = h.biHeight;
    if (start >= srcHeight) {
        return 0;
    }
    const std::int64_t lines =
        std::min<std::int64_t>(static_cast<std::int64_t>(cLines), srcHeight - start);
    // Row length in bytes, padded to 32 bits; biWidth * 32 fits easily in 64 bits.
    const std::int64_t srcStride = ((static_cast<std::int64_t>(h.biWidth) * bpp + 31) / 32) * 4;
    const int width = std::min<int>(h.biWidth, target->width);
    const BYTE* bits = static_cast<const BYTE*>(lpBits);

    BYTE indexMap[256];
    DWORD colourMap[256];
    const bool toIndexed = target->bitCount == 8;
    if (bpp <= 8) {
        if (toIndexed) {
            BuildIndexMap(table, tableCount, target, indexMap);
        } else {
            for (int i = 0; i < 256; ++i) {
                colourMap[i] = PackRGB(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue);
            }
        }
    }
    const BitField red(masks[0]);
    const BitField green(masks[1]);
    const BitField blue(masks[2]);
    NearestCache nearest(target);

    // The first line that lands inside the bitmap.
    const std::int64_t first = std::max<std::int64_t>(0, srcHeight - start - target->height);
    for (std::int64_t k = first; k < lines; ++k) {
        const std::int64_t row = srcHeight - 1 - (start + k);
        const BYTE* src = bits + k * srcStride;
        BYTE* dst = target->Row(static_cast<int>(row));
        for (int x = 0; x < width; ++x) {
            int index = -1;
            DWORD rgb = 0;
            switch (bpp) {
            case 1:
                index = (src[x >> 3] >> (7 - (x & 7))) & 1;
                break;
            case 4:
                index = (src[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F;
                break;
            case 8:
                index = src[x];
                break;
            case 16: {
                const DWORD p =
                    static_cast<DWORD>(src[2 * x]) | (static_cast<DWORD>(src[2 * x + 1]) << 8);
                rgb = PackRGB(red.Extract(p), green.Extract(p), blue.Extract(p));
                break;
            }
            case 24:
                rgb = PackRGB(src[3 * x + 2], src[3 * x + 1], src[3 * x]);
                break;
            default: {
                const DWORD p = ReadLE32(src + 4 * x);
                rgb = fields ? PackRGB(red.Extract(p), green.Extract(p), blue.Extract(p))
                             : (p & 0x00FFFFFFu);
                break;
            }
            }
            if (toIndexed) {
                dst[x] = index >= 0 ? indexMap[index] : nearest.Get(rgb);
            } else {
                reinterpret_cast<DWORD*>(dst)[x] = index >= 0 ? colourMap[index] : rgb;
            }
        }
    }
    return static_cast<int>(lines);
}

// ---- device contexts and objects ------------------------------------------------------------

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !DvLookupDC(hdc)) {
        return nullptr;
    }
    auto dc = std::make_unique<DvDC>(DvDC::Type::Memory);
    dc->bitmap = TheRegistry().stockBitmap;
    dc->palette = TheRegistry().stockPalette;
    dc->brush = TheRegistry().stockBrushes[WHITE_BRUSH];
    return static_cast<HDC>(DvAdd(std::move(dc)));
}

HDC CreateDC(LPCSTR pszDriver, LPCSTR, LPCSTR, const DEVMODE*) {
    if (!pszDriver) {
        return nullptr;
    }
    const char* display = "DISPLAY";
    for (int i = 0;; ++i) {
        const char c = pszDriver[i];
        const char upper = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        if (upper != display[i]) {
            return nullptr;
        }
        if (c == '\0') {
            break;
        }
    }
    auto dc = std::make_unique<DvDC>(DvDC::Type::Display);
    dc->palette = TheRegistry().stockPalette;
    dc->brush = TheRegistry().stockBrushes[WHITE_BRUSH];
    return static_cast<HDC>(DvAdd(std::move(dc)));
}

BOOL DeleteDC(HDC hdc) {
    DvDC* dc = DvLookupDC(hdc);
    if (!dc) {
        return FALSE;
    }
    if (dc->type == DvDC::Type::Memory) {
        DvBitmap* bitmap = DvLookupBitmap(dc->bitmap);
        if (bitmap && bitmap->selectedInto == hdc) {
            bitmap->selectedInto = nullptr;
        }
    }
    TheRegistry().Remove(hdc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h) {
    DvDC* dc = DvLookupDC(hdc);
    DvGdiObject* object = DvLookup(h);
    if (!dc || !object) {
        return nullptr;
    }
    switch (object->kind) {
    case DvKind::Bitmap: {
        // Only a memory context takes a bitmap, and a bitmap sits in one context at a time.
        auto* bitmap = static_cast<DvBitmap*>(object);
        if (dc->type != DvDC::Type::Memory) {
            return nullptr;
        }
        if (!bitmap->stock && bitmap->selectedInto && bitmap->selectedInto != hdc) {
            return nullptr;
        }
        const HBITMAP previous = dc->bitmap;
        if (DvBitmap* old = DvLookupBitmap(previous); old && old->selectedInto == hdc) {
            old->selectedInto = nullptr;
        }
        dc->bitmap = static_cast<HBITMAP>(h);
        if (!bitmap->stock) {
            bitmap->selectedInto = hdc;
        }
        return previous;
    }
    case DvKind::Brush: {
        const HBRUSH previous = dc->brush;
        dc->brush = static_cast<HBRUSH>(h);
        return previous;
    }
    case DvKind::Font: {
        const HFONT previous = dc->font;
        dc->font = static_cast<HFONT>(h);
        return previous;
    }
    default:
        // Palettes go through SelectPalette; contexts are not selectable.
        return nullptr;
    }
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    const DvDC* dc = DvLookupDC(hdc);
    if (!dc) {
        return nullptr;
    }
    switch (type) {
    case OBJ_BITMAP:
        return dc->bitmap;
    case OBJ_PAL:
        return dc->palette;
    case OBJ_BRUSH:
        return dc->brush;
    case OBJ_FONT:
        return dc->font;
    default:
        return nullptr;
    }
}

BOOL DeleteObject(HGDIOBJ ho) {
    DvGdiObject* object = DvLookup(ho);
    if (!object || object->kind == DvKind::DC) {
        return FALSE;
    }
    if (object->stock) {
        return TRUE;
    }
    // A bitmap still selected into a context stays alive, as on the platform.
    if (object->kind == DvKind::Bitmap && static_cast<DvBitmap*>(object)->selectedInto) {
        return FALSE;
    }
    TheRegistry().Remove(ho);
    return TRUE;
}

int GetObject(HGDIOBJ h, int c, LPVOID pv) {
    const DvGdiObject* object = DvLookup(h);
    if (!object || c < 0) {
        return 0;
    }
    return object->Describe(c, pv);
}

DWORD GetObjectType(HGDIOBJ h) {
    const DvGdiObject* object = DvLookup(h);
    if (!object) {
        return 0;
    }
    switch (object->kind) {
    case DvKind::Bitmap:
        return OBJ_BITMAP;
    case DvKind::Palette:
        return OBJ_PAL;
    case DvKind::Brush:
        return OBJ_BRUSH;
    case DvKind::Font:
        return OBJ_FONT;
    case DvKind::DC:
        return static_cast<const DvDC*>(object)->type == DvDC::Type::Memory ? OBJ_MEMDC : OBJ_DC;
    }
    return 0;
}

HGDIOBJ GetStockObject(int i) {
    Registry& r = TheRegistry();
    if (i >= WHITE_BRUSH && i <= NULL_BRUSH) {
        return r.stockBrushes[i];
    }
    if (i == DEFAULT_PALETTE) {
        return r.stockPalette;
    }
    return DvStockFont(i); // the stock fonts, null for any other index
}

int GetClipBox(HDC hdc, LPRECT rect) {
    if (!rect || !DvLookupDC(hdc)) {
        return ERROR;
    }
    *rect = RECT{0, 0, 0, 0};
    DvTarget target;
    // The display context has no surface of its own: it reaches nothing.
    if (!DvGetTarget(hdc, &target) || IsRectEmpty(&target.clip)) {
        return NULLREGION;
    }
    *rect = RECT{target.clip.left - target.origin.x, target.clip.top - target.origin.y,
                 target.clip.right - target.origin.x, target.clip.bottom - target.origin.y};
    return SIMPLEREGION;
}

int GetDeviceCaps(HDC hdc, int index) {
    const DvDC* dc = DvLookupDC(hdc);
    if (!dc) {
        return 0;
    }
    const DvBitmap* surface = DvLookupBitmap(dc->bitmap);
    switch (index) {
    case BITSPIXEL:
        return dc->type == DvDC::Type::Memory && surface ? surface->bitCount : 32;
    case PLANES:
        return 1;
    case NUMCOLORS:
        return -1;
    case RASTERCAPS: // true colour: no RC_PALETTE
    case SIZEPALETTE:
    case NUMRESERVED:
        return 0;
    case LOGPIXELSX:
    case LOGPIXELSY:
        return 96;
    case HORZRES:
        return surface ? surface->width : 0;
    case VERTRES:
        return surface ? surface->height : 0;
    default:
        return 0;
    }
}

// ---- logical palettes -----------------------------------------------------------------------

HPALETTE CreatePalette(const LOGPALETTE* plpal) {
    if (!plpal || plpal->palNumEntries == 0) {
        return nullptr;
    }
    auto palette = std::make_unique<DvPalette>();
    palette->entries.resize(plpal->palNumEntries);
    // The entries run on past the one that LOGPALETTE declares; read them as the record's bytes.
    const BYTE* entries = reinterpret_cast<const BYTE*>(plpal) + offsetof(LOGPALETTE, palPalEntry);
    std::memcpy(palette->entries.data(), entries, palette->entries.size() * sizeof(PALETTEENTRY));
    return static_cast<HPALETTE>(DvAdd(std::move(palette)));
}

UINT GetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, LPPALETTEENTRY pPalEntries) {
    const DvPalette* palette = DvLookupPalette(hpal);
    if (!palette) {
        return 0;
    }
    const std::size_t size = palette->entries.size();
    if (!pPalEntries) {
        return static_cast<UINT>(size);
    }
    if (iStart >= size) {
        return 0;
    }
    const UINT count = static_cast<UINT>(std::min<std::size_t>(cEntries, size - iStart));
    std::memcpy(pPalEntries, palette->entries.data() + iStart, count * sizeof(PALETTEENTRY));
    return count;
}

UINT SetPaletteEntries(HPALETTE hpal, UINT iStart, UINT cEntries, const PALETTEENTRY* pPalEntries) {
    DvPalette* palette = DvLookupPalette(hpal);
    if (!palette || palette->stock || !pPalEntries || iStart >= palette->entries.size()) {
        return 0;
    }
    const UINT count =
        static_cast<UINT>(std::min<std::size_t>(cEntries, palette->entries.size() - iStart));
    std::memcpy(palette->entries.data() + iStart, pPalEntries, count * sizeof(PALETTEENTRY));
    return count;
}

UINT GetNearestPaletteIndex(HPALETTE h, COLORREF color) {
    const DvPalette* palette = DvLookupPalette(h);
    if (!palette || palette->entries.empty()) {
        return CLR_INVALID;
    }
    const int red = GetRValue(color);
    const int green = GetGValue(color);
    const int blue = GetBValue(color);
    UINT best = 0;
    int bestDistance = 0x7FFFFFFF;
    for (std::size_t i = 0; i < palette->entries.size(); ++i) {
        const PALETTEENTRY& e = palette->entries[i];
        const int d = Distance(red, green, blue, e.peRed, e.peGreen, e.peBlue);
        if (d < bestDistance) {
            best = static_cast<UINT>(i);
            bestDistance = d;
        }
    }
    return best;
}

HPALETTE SelectPalette(HDC hdc, HPALETTE hPal, BOOL) {
    DvDC* dc = DvLookupDC(hdc);
    if (!dc || !DvLookupPalette(hPal)) {
        return nullptr;
    }
    const HPALETTE previous = dc->palette;
    dc->palette = hPal;
    return previous;
}

// A true-colour display keeps no system palette: realising maps no entries.
UINT RealizePalette(HDC hdc) {
    return DvLookupDC(hdc) ? 0 : GDI_ERROR;
}

UINT GetSystemPaletteEntries(HDC, UINT, UINT, LPPALETTEENTRY) {
    return 0;
}

// ---- blits and fills ------------------------------------------------------------------------

namespace {

struct Extent {
    std::int64_t origin;
    std::int64_t size;
    bool flipped;
};

// A signed width becomes a start and a positive size; a negative one mirrors.
Extent Normalise(int start, int size) {
    if (size < 0) {
        return {static_cast<std::int64_t>(start) + size, -static_cast<std::int64_t>(size), true};
    }
    return {start, size, false};
}

// For each destination position 0..count-1 the surface coordinate of its source pixel (the
// nearest one), or -1 where the destination falls outside its clip or the source outside its.
void MapAxis(const Extent& dst, std::int64_t dstOffset, LONG dstLow, LONG dstHigh,
             const Extent& src, std::int64_t srcOffset, LONG srcLow, LONG srcHigh, bool mirror,
             std::vector<int>* out, std::int64_t* first, std::int64_t* last) {
    // Only destination positions inside the clip are visited.
    const std::int64_t lo = std::max<std::int64_t>(0, dstLow - (dst.origin + dstOffset));
    const std::int64_t hi = std::min<std::int64_t>(dst.size, dstHigh - (dst.origin + dstOffset));
    *first = lo;
    *last = hi;
    out->clear();
    if (lo >= hi) {
        return;
    }
    out->resize(static_cast<std::size_t>(hi - lo));
    for (std::int64_t i = lo; i < hi; ++i) {
        // The source pixel under the centre of destination pixel i.
        std::int64_t s = ((2 * i + 1) * src.size) / (2 * dst.size);
        if (mirror) {
            s = src.size - 1 - s;
        }
        const std::int64_t coordinate = src.origin + srcOffset + s;
        (*out)[static_cast<std::size_t>(i - lo)] =
            coordinate >= srcLow && coordinate < srcHigh ? static_cast<int>(coordinate) : -1;
    }
}

#if defined(DV_HAVE_BYTE_PERMUTE)
#define DV_PERMUTE_TARGET __attribute__((target("avx512f,avx512bw,avx512vbmi")))
// 128-bit lanes of a and b picked by imm; every lane is written (the unmasked form leaves GCC
// thinking its undefined starting value is used).
#define Lanes(a, b, imm) _mm512_maskz_shuffle_i64x2(0xFF, a, b, imm)

// A colour table for the byte permutes of AVX-512 VBMI: three planes of 256 bytes (blue, green,
// red; the fourth byte of every colour is 0) in quarters of 64, named one by one so that all
// twelve stay in registers.
struct PermuteTable {
    __m512i blue0, blue1, blue2, blue3;
    __m512i green0, green1, green2, green3;
    __m512i red0, red1, red2, red3;
};

// The colours of 64 indices (those in `present`; the others count as 0) as pixels 0-15, 16-31,
// 32-47 and 48-63: each plane looked up in two halves of 128 and blended on the index's top
// bit, then interleaved into pixels.
DV_PERMUTE_TARGET inline __attribute__((always_inline)) void
Expand64(const PermuteTable& t, const BYTE* s, __m512i& o0, __m512i& o1, __m512i& o2, __m512i& o3,
         __mmask64 present = ~0ull) {
    const __m512i index = _mm512_maskz_loadu_epi8(present, s);
    const __mmask64 upper = _mm512_movepi8_mask(index);
    const __m512i blue =
        _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(t.blue0, index, t.blue1),
                               _mm512_permutex2var_epi8(t.blue2, index, t.blue3));
    const __m512i green =
        _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(t.green0, index, t.green1),
                               _mm512_permutex2var_epi8(t.green2, index, t.green3));
    const __m512i red =
        _mm512_mask_blend_epi8(upper, _mm512_permutex2var_epi8(t.red0, index, t.red1),
                               _mm512_permutex2var_epi8(t.red2, index, t.red3));
    // Within each 128-bit lane k: bytes b, g, r, 0 of pixels 16k .. 16k + 15 in four parts.
    const __m512i zero = _mm512_setzero_si512();
    const __m512i bgLow = _mm512_unpacklo_epi8(blue, green);
    const __m512i bgHigh = _mm512_unpackhi_epi8(blue, green);
    const __m512i rLow = _mm512_unpacklo_epi8(red, zero);
    const __m512i rHigh = _mm512_unpackhi_epi8(red, zero);
    const __m512i p0 = _mm512_unpacklo_epi16(bgLow, rLow);
    const __m512i p1 = _mm512_unpackhi_epi16(bgLow, rLow);
    const __m512i p2 = _mm512_unpacklo_epi16(bgHigh, rHigh);
    const __m512i p3 = _mm512_unpackhi_epi16(bgHigh, rHigh);
    // Lane k of p0 .. p3 together are pixels 16k .. 16k + 15.
    const __m512i a01 = Lanes(p0, p1, 0x44);
    const __m512i a23 = Lanes(p2, p3, 0x44);
    const __m512i b01 = Lanes(p0, p1, 0xEE);
    const __m512i b23 = Lanes(p2, p3, 0xEE);
    o0 = Lanes(a01, a23, 0x88);
    o1 = Lanes(a01, a23, 0xDD);
    o2 = Lanes(b01, b23, 0x88);
    o3 = Lanes(b01, b23, 0xDD);
}

// Indices to colours for a run of at least 64 pixels. Up to the first 64-byte boundary and
// after the last one the pixels are written under a mask; the whole cache lines between go
// with streaming stores (a full screen is far larger than the cache, so its lines are written
// without being read first).
DV_PERMUTE_TARGET void ExpandWithPermutes(const BYTE* s, DWORD* d, int n,
                                          const BYTE (*planes)[256]) {
    PermuteTable t;
    t.blue0 = _mm512_loadu_si512(planes[0]);
    t.blue1 = _mm512_loadu_si512(planes[0] + 64);
    t.blue2 = _mm512_loadu_si512(planes[0] + 128);
    t.blue3 = _mm512_loadu_si512(planes[0] + 192);
    t.green0 = _mm512_loadu_si512(planes[1]);
    t.green1 = _mm512_loadu_si512(planes[1] + 64);
    t.green2 = _mm512_loadu_si512(planes[1] + 128);
    t.green3 = _mm512_loadu_si512(planes[1] + 192);
    t.red0 = _mm512_loadu_si512(planes[2]);
    t.red1 = _mm512_loadu_si512(planes[2] + 64);
    t.red2 = _mm512_loadu_si512(planes[2] + 128);
    t.red3 = _mm512_loadu_si512(planes[2] + 192);
    __m512i o0, o1, o2, o3;
    int i = 0;
    if (const std::uintptr_t misaligned = reinterpret_cast<std::uintptr_t>(d) & 63) {
        // Fewer than 16 pixels to the boundary.
        i = static_cast<int>((64 - misaligned) / sizeof(DWORD));
        Expand64(t, s, o0, o1, o2, o3);
        _mm512_mask_storeu_epi32(d, static_cast<__mmask16>((1u << i) - 1), o0);
    }
    for (; i + 64 <= n; i += 64) {
        Expand64(t, s + i, o0, o1, o2, o3);
        _mm512_stream_si512(reinterpret_cast<__m512i*>(d + i), o0);
        _mm512_stream_si512(reinterpret_cast<__m512i*>(d + i + 16), o1);
        _mm512_stream_si512(reinterpret_cast<__m512i*>(d + i + 32), o2);
        _mm512_stream_si512(reinterpret_cast<__m512i*>(d + i + 48), o3);
    }
    if (const int left = n - i; left > 0) {
        // Fewer than 64: the indices are read under a mask too, nothing past the run.
        Expand64(t, s + i, o0, o1, o2, o3, (1ull << left) - 1);
        const auto part = [left](int first) {
            const int count = std::clamp(left - first, 0, 16);
            return static_cast<__mmask16>((1u << count) - 1);
        };
        _mm512_mask_storeu_epi32(d + i, part(0), o0);
        _mm512_mask_storeu_epi32(d + i + 16, part(16), o1);
        _mm512_mask_storeu_epi32(d + i + 32, part(32), o2);
        _mm512_mask_storeu_epi32(d + i + 48, part(48), o3);
    }
    _mm_sfence();
}
#undef Lanes

bool HasBytePermutes() {
    static const bool has = __builtin_cpu_supports("avx512f") &&
                            __builtin_cpu_supports("avx512bw") &&
                            __builtin_cpu_supports("avx512vbmi");
    return has;
}
#endif

// Per-pixel conversion from a source surface to a destination surface.
struct Converter {
    const DvBitmap* src;
    const DvBitmap* dst;
    bool copy = false; // same format and, for 8-bit, the same meaning of every index
    BYTE indexMap[256];
    DWORD colourMap[256];
    // 8-bit onto 32-bit: colourMap's blue, green and red bytes by plane, where byte permutes
    // can look them up.
    bool permute = false;
    alignas(64) BYTE planes[3][256];
    std::unique_ptr<NearestCache> nearest;

    Converter(const DvBitmap* s, const DvBitmap* d) : src(s), dst(d) {
        if (s->bitCount == 8 && d->bitCount == 8) {
            BuildIndexMap(s->colours, 256, d, indexMap);
            copy = true;
            for (int i = 0; i < 256 && copy; ++i) {
                copy = indexMap[i] == i;
            }
        } else if (s->bitCount == 8) {
            for (int i = 0; i < 256; ++i) {
                const RGBQUAD& c = s->colours[i];
                colourMap[i] = PackRGB(c.rgbRed, c.rgbGreen, c.rgbBlue);
                planes[0][i] = c.rgbBlue;
                planes[1][i] = c.rgbGreen;
                planes[2][i] = c.rgbRed;
            }
#if defined(DV_HAVE_BYTE_PERMUTE)
            permute = g_dvBytePermutes && HasBytePermutes();
#endif
        } else if (d->bitCount == 32) {
            copy = true;
        } else {
            nearest = std::make_unique<NearestCache>(d);
        }
    }

    void Pixel(const BYTE* srcRow, int sx, BYTE* dstRow, int dx) {
        if (src->bitCount == 8) {
            const BYTE index = srcRow[sx];
            if (dst->bitCount == 8) {
                dstRow[dx] = indexMap[index];
            } else {
                reinterpret_cast<DWORD*>(dstRow)[dx] = colourMap[index];
            }
        } else {
            const DWORD rgb = reinterpret_cast<const DWORD*>(srcRow)[sx] & 0x00FFFFFFu;
            if (dst->bitCount == 32) {
                reinterpret_cast<DWORD*>(dstRow)[dx] = rgb;
            } else {
                dstRow[dx] = nearest->Get(rgb);
            }
        }
    }

    // A run of n pixels, source and destination both contiguous.
    void Run(const BYTE* srcRow, int sx, BYTE* dstRow, int dx, int n) {
        if (copy) {
            const int bytes = src->bitCount / 8;
            // memmove: a surface may be copied onto itself.
            std::memmove(dstRow + static_cast<std::size_t>(dx) * bytes,
                         srcRow + static_cast<std::size_t>(sx) * bytes,
                         static_cast<std::size_t>(n) * bytes);
        } else if (src->bitCount == 8 && dst->bitCount == 32) {
            // The hot path of painting a frame: four indices per load.
            const BYTE* s = srcRow + sx;
            DWORD* d = reinterpret_cast<DWORD*>(dstRow) + dx;
            const DWORD* map = colourMap;
            int i = 0;
#if defined(DV_HAVE_BYTE_PERMUTE)
            if (permute && n >= 64) {
                ExpandWithPermutes(s, d, n, planes);
                return;
            }
#endif
#if defined(__SSE2__)
            // Up to 16-byte alignment singly, then streaming stores: a full screen is far larger
            // than the cache, so its lines are written without being read first.
            while (i < n && (reinterpret_cast<std::uintptr_t>(d + i) & 15) != 0) {
                d[i] = map[s[i]];
                ++i;
            }
            for (; i + 4 <= n; i += 4) {
                DWORD four;
                std::memcpy(&four, s + i, 4);
                const __m128i pixels = _mm_set_epi32(
                    static_cast<int>(map[four >> 24]), static_cast<int>(map[(four >> 16) & 0xFF]),
                    static_cast<int>(map[(four >> 8) & 0xFF]), static_cast<int>(map[four & 0xFF]));
                _mm_stream_si128(reinterpret_cast<__m128i*>(d + i), pixels);
            }
            _mm_sfence();
#else
            for (; i + 4 <= n; i += 4) {
                DWORD four;
                std::memcpy(&four, s + i, 4);
                d[i] = map[four & 0xFF];
                d[i + 1] = map[(four >> 8) & 0xFF];
                d[i + 2] = map[(four >> 16) & 0xFF];
                d[i + 3] = map[four >> 24];
            }
#endif
            for (; i < n; ++i) {
                d[i] = map[s[i]];
            }
        } else if (src->bitCount == 8) {
            const BYTE* s = srcRow + sx;
            BYTE* d = dstRow + dx;
            for (int i = 0; i < n; ++i) {
                d[i] = indexMap[s[i]];
            }
        } else {
            for (int i = 0; i < n; ++i) {
                Pixel(srcRow, sx + i, dstRow, dx + i);
            }
        }
    }
};

BOOL Blit(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc, int ySrc,
          int wSrc, int hSrc, DWORD rop) {
    DvTarget dt;
    DvTarget st;
    if (rop != SRCCOPY || !DvGetTarget(hdcDest, &dt) || !DvGetTarget(hdcSrc, &st)) {
        return FALSE;
    }
    if (wDest == 0 || hDest == 0 || wSrc == 0 || hSrc == 0) {
        return TRUE;
    }
    const Extent dx = Normalise(xDest, wDest);
    const Extent dy = Normalise(yDest, hDest);
    const Extent sx = Normalise(xSrc, wSrc);
    const Extent sy = Normalise(ySrc, hSrc);
    const bool mirrorX = dx.flipped != sx.flipped;
    const bool mirrorY = dy.flipped != sy.flipped;
    const DvBitmap* src = st.surface;
    const DvBitmap* dst = dt.surface;
    Converter convert(src, dst);

    if (dx.size == sx.size && dy.size == sy.size && !mirrorX && !mirrorY) {
        // One to one: intersect the destination rectangle with its clip and the source rectangle
        // with its, in the destination's surface coordinates.
        const std::int64_t shiftX = (sx.origin + st.origin.x) - (dx.origin + dt.origin.x);
        const std::int64_t shiftY = (sy.origin + st.origin.y) - (dy.origin + dt.origin.y);
        const std::int64_t left =
            std::max({dx.origin + dt.origin.x, static_cast<std::int64_t>(dt.clip.left),
                      st.clip.left - shiftX});
        const std::int64_t right =
            std::min({dx.origin + dt.origin.x + dx.size, static_cast<std::int64_t>(dt.clip.right),
                      st.clip.right - shiftX});
        const std::int64_t top =
            std::max({dy.origin + dt.origin.y, static_cast<std::int64_t>(dt.clip.top),
                      st.clip.top - shiftY});
        const std::int64_t bottom =
            std::min({dy.origin + dt.origin.y + dy.size, static_cast<std::int64_t>(dt.clip.bottom),
                      st.clip.bottom - shiftY});
        if (left >= right || top >= bottom) {
            return TRUE;
        }
        const int n = static_cast<int>(right - left);
        // Within one surface, rows moving down are copied from the bottom up so that no source
        // row is overwritten before it is read.
        const bool upwards = src == dst && shiftY < 0;
        for (std::int64_t k = 0; k < bottom - top; ++k) {
            const std::int64_t y = upwards ? bottom - 1 - k : top + k;
            convert.Run(src->Row(static_cast<int>(y + shiftY)), static_cast<int>(left + shiftX),
                        dst->Row(static_cast<int>(y)), static_cast<int>(left), n);
        }
        return TRUE;
    }

    std::vector<int> columns;
    std::vector<int> rows;
    std::int64_t x0, x1, y0, y1;
    MapAxis(dx, dt.origin.x, dt.clip.left, dt.clip.right, sx, st.origin.x, st.clip.left,
            st.clip.right, mirrorX, &columns, &x0, &x1);
    MapAxis(dy, dt.origin.y, dt.clip.top, dt.clip.bottom, sy, st.origin.y, st.clip.top,
            st.clip.bottom, mirrorY, &rows, &y0, &y1);
    for (std::int64_t j = y0; j < y1; ++j) {
        const int srcY = rows[static_cast<std::size_t>(j - y0)];
        if (srcY < 0) {
            continue;
        }
        const BYTE* srcRow = src->Row(srcY);
        BYTE* dstRow = dst->Row(static_cast<int>(dy.origin + dt.origin.y + j));
        const std::int64_t base = dx.origin + dt.origin.x;
        for (std::int64_t i = x0; i < x1; ++i) {
            const int srcX = columns[static_cast<std::size_t>(i - x0)];
            if (srcX >= 0) {
                convert.Pixel(srcRow, srcX, dstRow, static_cast<int>(base + i));
            }
        }
    }
    return TRUE;
}

} // namespace

BOOL BitBlt(HDC hdc, int x, int y, int cx, int cy, HDC hdcSrc, int x1, int y1, DWORD rop) {
    return Blit(hdc, x, y, cx, cy, hdcSrc, x1, y1, cx, cy, rop);
}

BOOL StretchBlt(HDC hdcDest, int xDest, int yDest, int wDest, int hDest, HDC hdcSrc, int xSrc,
                int ySrc, int wSrc, int hSrc, DWORD rop) {
    return Blit(hdcDest, xDest, yDest, wDest, hDest, hdcSrc, xSrc, ySrc, wSrc, hSrc, rop);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto brush = std::make_unique<DvBrush>();
    brush->colour = color;
    return static_cast<HBRUSH>(DvAdd(std::move(brush)));
}

int FillRect(HDC hDC, const RECT* lprc, HBRUSH hbr) {
    const DvBrush* brush = DvLookupBrush(hbr);
    if (!brush || !lprc || !DvLookupDC(hDC)) {
        return 0;
    }
    if (brush->hollow) {
        return 1;
    }
    return DvFillRect(hDC, lprc, brush->colour) ? 1 : 0;
}

// ---- text attributes ------------------------------------------------------------------------

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    DvDC* dc = DvLookupDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    const COLORREF previous = dc->textColour;
    dc->textColour = color;
    return previous;
}

COLORREF GetTextColor(HDC hdc) {
    const DvDC* dc = DvLookupDC(hdc);
    return dc ? dc->textColour : CLR_INVALID;
}

int SetBkMode(HDC hdc, int mode) {
    DvDC* dc = DvLookupDC(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) {
        return 0;
    }
    const int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

int GetBkMode(HDC hdc) {
    const DvDC* dc = DvLookupDC(hdc);
    return dc ? dc->bkMode : 0;
}

COLORREF SetBkColor(HDC hdc, COLORREF color) {
    DvDC* dc = DvLookupDC(hdc);
    if (!dc) {
        return CLR_INVALID;
    }
    const COLORREF previous = dc->bkColour;
    dc->bkColour = color;
    return previous;
}

COLORREF GetBkColor(HDC hdc) {
    const DvDC* dc = DvLookupDC(hdc);
    return dc ? dc->bkColour : CLR_INVALID;
}
