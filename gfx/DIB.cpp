#include "gfx/DIB.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>

IMPLEMENT_DYNAMIC(CDIB, CObject)

namespace {

// The surface's record: the header and a full colour table.
constexpr std::size_t kRecordSize = sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD);
static_assert(kRecordSize == 1064, "the record is a 40-byte header and 256 colours");

// The largest pixel block a surface may have; Stride() * Height() must stay within an int.
constexpr std::int64_t kMaxPixelBytes = 0x7FFFFFFF;

// A logical palette with room for 256 entries, laid out as LOGPALETTE.
struct LogPalette256 {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
};

DWORD Read32(const BYTE* p) {
    DWORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

WORD Read16(const BYTE* p) {
    WORD v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

RGBQUAD ToQuad(const PALETTEENTRY& e) {
    return RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
}

// Shown when neither a palette nor the display supplies colours: the 20 static colours at both
// ends, the colour cube of multiples of 51 and greys between its steps, with the sky and the
// texture fill colours at the places the renderer draws them (55 and 178).
void FallbackColourTable(RGBQUAD* table) {
    static const BYTE statics[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    const auto quad = [](int r, int g, int b) {
        return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
    };
    for (int i = 0; i < 10; ++i) {
        table[i] = quad(statics[i][0], statics[i][1], statics[i][2]);
        table[246 + i] = quad(statics[10 + i][0], statics[10 + i][1], statics[10 + i][2]);
    }
    int next = 10;
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                // The cube's eight corners are static colours already.
                const bool corner = (r == 0 || r == 5) && (g == 0 || g == 5) && (b == 0 || b == 5);
                if (!corner) {
                    table[next++] = quad(r * 51, g * 51, b * 51);
                }
            }
        }
    }
    const BYTE greys[28] = {3,   9,   17,  26,  34,  43,  60,  68,  77,  85,  94,  111, 119, 120,
                            136, 145, 162, 170, 179, 187, 196, 213, 221, 230, 238, 247, 250, 252};
    for (BYTE v : greys) {
        table[next++] = quad(v, v, v);
    }
    const int places[2] = {55, 178};
    const RGBQUAD fixed[2] = {quad(204, 204, 0), quad(0, 153, 204)};
    for (int k = 0; k < 2; ++k) {
        for (int i = 10; i < 246; ++i) {
            if (std::memcmp(&table[i], &fixed[k], sizeof(RGBQUAD)) == 0) {
                const RGBQUAD held = table[places[k]];
                table[places[k]] = table[i];
                table[i] = held;
                break;
            }
        }
    }
}

// Whether SetDIBits can read the pixels the header describes: a whole info header, a bit count
// it knows, uncompressed or (at 16 and 32 bits) with colour masks.
bool ReadablePixels(const BITMAPINFOHEADER& h) {
    const WORD bits = h.biBitCount;
    const bool known =
        bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
    const bool layout = h.biCompression == BI_RGB ||
                        (h.biCompression == BI_BITFIELDS && (bits == 16 || bits == 32));
    return h.biSize >= sizeof(BITMAPINFOHEADER) && known && layout;
}

} // namespace

CDIB::CDIB()
    : m_pBMI(nullptr), m_pBits(nullptr), m_hBitmap(nullptr), m_hDC(nullptr), m_hOldBitmap(nullptr) {
}

CDIB::~CDIB() {
    Destroy();
}

int CDIB::Width() const {
    return m_pBMI ? m_pBMI->bmiHeader.biWidth : 0;
}

int CDIB::Height() const {
    if (!m_pBMI) {
        return 0;
    }
    // Negated in 64 bits: the most negative height has no 32-bit opposite.
    const std::int64_t h = m_pBMI->bmiHeader.biHeight;
    return static_cast<int>(h < 0 ? -h : h);
}

int CDIB::Stride() const {
    if (!m_pBMI) {
        return 0;
    }
    return static_cast<int>((static_cast<std::int64_t>(m_pBMI->bmiHeader.biWidth) + 3) & ~3LL);
}

int CDIB::Create(int width, int height, int fillIndex, CPalette* palette) {
    Destroy();
    if (width <= 0 || height <= 0) {
        return 0;
    }
    // Stride times height in 64 bits; a surface whose bytes do not fit in an int is refused.
    const std::int64_t stride = (static_cast<std::int64_t>(width) + 3) & ~3LL;
    if (stride * height > kMaxPixelBytes) {
        return 0;
    }
    m_pBMI = static_cast<BITMAPINFO*>(std::calloc(1, kRecordSize));
    if (!m_pBMI) {
        return 0;
    }
    BITMAPINFOHEADER& h = m_pBMI->bmiHeader;
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = 8;
    h.biCompression = BI_RGB;
    h.biSizeImage = static_cast<DWORD>(stride * height);
    // The colour table is the 256 entries behind the header; reached through the record's
    // bytes, since BITMAPINFO declares only the first.
    RGBQUAD* colours =
        reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(m_pBMI) + sizeof(BITMAPINFOHEADER));
    FillColourTable(colours, palette);

    void* bits = nullptr;
    m_hBitmap = CreateDIBSection(nullptr, m_pBMI, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!m_hBitmap || !bits) {
        Destroy();
        return 0;
    }
    m_pBits = static_cast<BYTE*>(bits);
    Fill(fillIndex);

    // A surface without its context would not be complete, so a context that cannot be had
    // fails the creation.
    m_hDC = CreateCompatibleDC(nullptr);
    if (!m_hDC) {
        Destroy();
        return 0;
    }
    m_hOldBitmap = SelectObject(m_hDC, m_hBitmap);
    if (!m_hOldBitmap) {
        Destroy();
        return 0;
    }
    SetDIBColorTable(m_hDC, 0, 256, colours);
    return 1;
}

void CDIB::FillColourTable(RGBQUAD* table, CPalette* palette) {
    if (!table) {
        return;
    }
    std::memset(table, 0, 256 * sizeof(RGBQUAD));
    if (palette && palette->m_hObject) {
        for (UINT i = 0; i < 256; ++i) {
            PALETTEENTRY e;
            if (palette->GetPaletteEntries(i, 1, &e) == 0) {
                break;
            }
            table[i] = ToQuad(e);
        }
        return;
    }
    HDC display = CreateDC("DISPLAY", "", "", nullptr);
    UINT supplied = 0;
    for (UINT i = 0; i < 256; ++i) {
        PALETTEENTRY e;
        if (display && GetSystemPaletteEntries(display, i, 1, &e) == 1) {
            table[i] = ToQuad(e);
            ++supplied;
        }
    }
    if (display) {
        DeleteDC(display);
    }
    // A true-colour display keeps no system palette; an all-black table would hide everything.
    if (supplied == 0) {
        FallbackColourTable(table);
    }
}

int CDIB::ColourCount(const BITMAPINFOHEADER* header) {
    if (!header) {
        return 0;
    }
    const BYTE* p = reinterpret_cast<const BYTE*>(header);
    const bool core = Read32(p) == sizeof(BITMAPCOREHEADER);
    const int bitCount = core ? Read16(p + 10) : Read16(p + 14);
    int count = bitCount == 1 || bitCount == 4 || bitCount == 8 ? 1 << bitCount : 0;
    if (core) {
        // A core header ends at byte 12 and has neither a colour count nor a compression.
        return count;
    }
    const DWORD used = Read32(p + 32);
    if (used != 0 && static_cast<DWORD>(count) >= used) {
        count = static_cast<int>(used);
    }
    if (Read32(p + 16) == BI_BITFIELDS) {
        count += 3;
    }
    return count;
}

void CDIB::CreatePaletteFromDIB(const BITMAPINFO* info, CPalette* fallback, CPalette* result) {
    if (!result) {
        return;
    }
    LogPalette256 log = {};
    log.palVersion = 0x300;
    int count = 0;
    int n = info ? ColourCount(&info->bmiHeader) : 0;
    const BYTE* colours = reinterpret_cast<const BYTE*>(info) + sizeof(BITMAPINFOHEADER);
    if (info && info->bmiHeader.biCompression == BI_BITFIELDS) {
        // The three masks are counted, but they are not colours.
        n -= 3;
        colours += 3 * sizeof(DWORD);
    }
    if (n > 0) {
        count = n < 256 ? n : 256;
        for (int i = 0; i < count; ++i) {
            RGBQUAD q;
            std::memcpy(&q, colours + 4 * i, sizeof q);
            log.palPalEntry[i] = PALETTEENTRY{q.rgbRed, q.rgbGreen, q.rgbBlue, 0};
        }
    } else if (fallback && fallback->m_hObject) {
        WORD entries = 0;
        fallback->GetObject(sizeof entries, &entries);
        count = entries < 256 ? entries : 256;
        count = static_cast<int>(
            fallback->GetPaletteEntries(0, static_cast<UINT>(count), log.palPalEntry));
    } else {
        HDC display = CreateDC("DISPLAY", "", "", nullptr);
        if (display) {
            const UINT size = GetSystemPaletteEntries(display, 0, 0, nullptr);
            count = static_cast<int>(size < 256 ? size : 256);
            count = static_cast<int>(
                GetSystemPaletteEntries(display, 0, static_cast<UINT>(count), log.palPalEntry));
            DeleteDC(display);
        }
    }
    if (count == 0) {
        return;
    }
    log.palNumEntries = static_cast<WORD>(count);
    const HPALETTE palette = ::CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    // A result that holds a palette already keeps it; the new one is not leaked.
    if (palette && !result->Attach(palette)) {
        DeleteObject(palette);
    }
}

int CDIB::CreateFromDIB(const BITMAPINFO* info, const void* bits, CPalette* palette) {
    if (!info) {
        return 0;
    }
    // Pixels that SetDIBits cannot read would fail the load only after the surface was made,
    // and a header that claims a few bits per pixel (or none) can claim a surface of gigabytes.
    // Such a DIB fails at once, and leaves the surface empty as that failure does.
    if (!ReadablePixels(info->bmiHeader)) {
        Destroy();
        return 0;
    }
    CPalette temporary;
    CreatePaletteFromDIB(info, palette, &temporary);
    if (!Create(info->bmiHeader.biWidth, info->bmiHeader.biHeight, 0, &temporary)) {
        return 0;
    }
    if (!bits) {
        bits = reinterpret_cast<const BYTE*>(info) + sizeof(BITMAPINFOHEADER) +
               4 * static_cast<std::size_t>(ColourCount(&info->bmiHeader));
    }
    SelectObject(m_hDC, m_hOldBitmap);
    const int lines = SetDIBits(m_hDC, m_hBitmap, 0, static_cast<UINT>(info->bmiHeader.biHeight),
                                bits, info, DIB_RGB_COLORS);
    SelectObject(m_hDC, m_hBitmap);
    if (lines == 0) {
        Destroy();
        return 0;
    }
    return 1;
}

int CDIB::CreateFromPackedDIB(const BYTE* info, DWORD infoSize, const BYTE* bits, DWORD bitsSize,
                              CPalette* palette) {
    if (!info || infoSize < sizeof(BITMAPINFOHEADER)) {
        return 0;
    }
    BITMAPINFOHEADER h;
    std::memcpy(&h, info, sizeof h);
    const std::int64_t colourBytes = 4 * static_cast<std::int64_t>(ColourCount(&h));
    // The colours are taken behind the 40-byte header, and GDI reads them behind biSize: both
    // must lie inside the bytes.
    const std::int64_t headerBytes =
        h.biSize > sizeof(BITMAPINFOHEADER) ? h.biSize : sizeof(BITMAPINFOHEADER);
    const std::int64_t tableEnd = headerBytes + colourBytes;

    // The header and colours, copied to aligned memory: resource bytes have no alignment.
    alignas(BITMAPINFO) BYTE record[124 + 4 * 259];
    if (tableEnd > infoSize || tableEnd > static_cast<std::int64_t>(sizeof record)) {
        return 0;
    }
    std::memcpy(record, info, static_cast<std::size_t>(tableEnd));
    if (!bits) {
        const std::int64_t offset = sizeof(BITMAPINFOHEADER) + colourBytes;
        bits = info + offset;
        bitsSize = infoSize - static_cast<DWORD>(offset);
    }
    // The pixel block: rows padded to 32 bits. A size that Create refuses (a top-down or empty
    // DIB) is left to it, so such a DIB still leaves the surface empty.
    if (h.biWidth > 0 && h.biHeight > 0) {
        // rows x rowBytes > bitsSize, asked without the product: that can pass 64 bits.
        const std::int64_t rowBytes =
            ((static_cast<std::int64_t>(h.biWidth) * h.biBitCount + 31) / 32) * 4;
        if (rowBytes > 0 && h.biHeight > static_cast<std::int64_t>(bitsSize) / rowBytes) {
            return 0;
        }
    }
    return CreateFromDIB(reinterpret_cast<const BITMAPINFO*>(record), bits, palette);
}

int CDIB::LoadBitmapResource(UINT id, CPalette* palette, LPCTSTR type, HINSTANCE module) {
    if (!module) {
        module = AfxGetResourceHandle();
    }
    const HRSRC found = FindResource(module, MAKEINTRESOURCE(id), type);
    if (!found) {
        return 0;
    }
    const HGLOBAL loaded = LoadResource(module, found);
    if (!loaded) {
        return 0;
    }
    const BYTE* data = static_cast<const BYTE*>(LockResource(loaded));
    const DWORD size = SizeofResource(module, found);
    if (!data) {
        return 0;
    }
    if (type == RT_BITMAP) {
        return CreateFromPackedDIB(data, size, nullptr, 0, palette);
    }
    // A whole bitmap file: the info behind the 14-byte file header, the pixels at bfOffBits.
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)) {
        return 0;
    }
    const DWORD offBits = Read32(data + 10);
    if (offBits >= size) {
        return 0;
    }
    return CreateFromPackedDIB(data + sizeof(BITMAPFILEHEADER), size - sizeof(BITMAPFILEHEADER),
                               data + offBits, size - offBits, palette);
}

int CDIB::Fill(int index) {
    if (!m_pBMI || !m_pBits) {
        return 0;
    }
    std::memset(m_pBits, index & 0xFF,
                static_cast<std::size_t>(Stride()) * static_cast<std::size_t>(Height()));
    return 1;
}

int CDIB::FillRows(int index, int firstRow, int lastRow) {
    if (!m_pBMI || !m_pBits) {
        return 0;
    }
    // Only the rows that exist are written.
    const int height = Height();
    if (firstRow < 0) {
        firstRow = 0;
    }
    if (lastRow > height - 1) {
        lastRow = height - 1;
    }
    if (firstRow > lastRow) {
        return 1;
    }
    // Image rows firstRow..lastRow are one run in memory, starting at image row lastRow.
    const std::size_t stride = static_cast<std::size_t>(Stride());
    BYTE* start = m_pBits + static_cast<std::size_t>(height - 1 - lastRow) * stride;
    std::memset(start, index & 0xFF, static_cast<std::size_t>(lastRow - firstRow + 1) * stride);
    return 1;
}

void CDIB::Paint(CDC* dc, const RECT* destRect, const RECT* srcRect) {
    if (!m_hDC || !dc) {
        return;
    }
    const RECT whole = {0, 0, Width(), Height()};
    const RECT& d = destRect ? *destRect : whole;
    const RECT& s = srcRect ? *srcRect : whole;
    // Extents in 64 bits; a rectangle wider than an int can express draws nothing.
    const std::int64_t extents[4] = {
        static_cast<std::int64_t>(d.right) - d.left, static_cast<std::int64_t>(d.bottom) - d.top,
        static_cast<std::int64_t>(s.right) - s.left, static_cast<std::int64_t>(s.bottom) - s.top};
    for (std::int64_t e : extents) {
        if (e > 0x7FFFFFFF || e < -0x7FFFFFFF) {
            return;
        }
    }
    StretchBlt(dc->GetSafeHdc(), d.left, d.top, static_cast<int>(extents[0]),
               static_cast<int>(extents[1]), m_hDC, s.left, s.top, static_cast<int>(extents[2]),
               static_cast<int>(extents[3]), SRCCOPY);
}

void CDIB::Destroy() {
    if (m_hDC && m_hOldBitmap) {
        SelectObject(m_hDC, m_hOldBitmap);
    }
    if (m_hDC) {
        DeleteDC(m_hDC);
    }
    if (m_hBitmap) {
        DeleteObject(m_hBitmap);
    }
    if (m_pBMI) {
        std::free(m_pBMI);
    }
    m_pBMI = nullptr;
    m_pBits = nullptr;
    m_hBitmap = nullptr;
    m_hDC = nullptr;
    m_hOldBitmap = nullptr;
}
