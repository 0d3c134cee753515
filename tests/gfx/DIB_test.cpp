#include <gtest/gtest.h>

#include "gfx/DIB.h"

#include "res/ResourceTable.h"
#ifdef _WIN32
#include "windows/ImportStandIn.h"
#else
#include "win32/restable.h"
#endif

#include <climits>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

RGBQUAD Quad(int r, int g, int b) {
    return RGBQUAD{static_cast<BYTE>(b), static_cast<BYTE>(g), static_cast<BYTE>(r), 0};
}

const RGBQUAD* Colours(const CDIB& dib) {
    return reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const BYTE*>(dib.m_pBMI) +
                                            sizeof(BITMAPINFOHEADER));
}

bool Same(const RGBQUAD& a, const RGBQUAD& b) {
    return a.rgbRed == b.rgbRed && a.rgbGreen == b.rgbGreen && a.rgbBlue == b.rgbBlue &&
           a.rgbReserved == b.rgbReserved;
}

// A palette of n entries, entry i = (i, 2i, 3i) modulo 256.
void MakePalette(CPalette* palette, int n) {
    std::vector<BYTE> buffer(4 + 4 * static_cast<std::size_t>(n));
    const WORD header[2] = {0x300, static_cast<WORD>(n)};
    std::memcpy(buffer.data(), header, sizeof header);
    for (int i = 0; i < n; ++i) {
        const PALETTEENTRY e = {static_cast<BYTE>(i), static_cast<BYTE>(2 * i),
                                static_cast<BYTE>(3 * i), 0};
        std::memcpy(buffer.data() + 4 + 4 * i, &e, sizeof e);
    }
    ASSERT_TRUE(palette->CreatePalette(reinterpret_cast<const LOGPALETTE*>(buffer.data())));
}

// A packed DIB: header, colours, pixel rows, bottom-up as the format stores them.
std::vector<BYTE> PackedDIB(int width, int height, int bitCount,
                            const std::vector<RGBQUAD>& colours, const std::vector<BYTE>& pixels,
                            DWORD clrUsed = 0) {
    BITMAPINFOHEADER h = {};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bitCount);
    h.biCompression = BI_RGB;
    h.biClrUsed = clrUsed;
    std::vector<BYTE> dib(sizeof h);
    std::memcpy(dib.data(), &h, sizeof h);
    for (const RGBQUAD& q : colours) {
        const BYTE* p = reinterpret_cast<const BYTE*>(&q);
        dib.insert(dib.end(), p, p + 4);
    }
    dib.insert(dib.end(), pixels.begin(), pixels.end());
    return dib;
}

const BITMAPINFO* Info(const std::vector<BYTE>& dib) {
    return reinterpret_cast<const BITMAPINFO*>(dib.data());
}

void ExpectEmpty(const CDIB& dib) {
    EXPECT_EQ(dib.m_pBMI, nullptr);
    EXPECT_EQ(dib.m_pBits, nullptr);
    EXPECT_EQ(dib.m_hBitmap, nullptr);
    EXPECT_EQ(dib.m_hDC, nullptr);
    EXPECT_EQ(dib.m_hOldBitmap, nullptr);
    EXPECT_EQ(dib.Width(), 0);
    EXPECT_EQ(dib.Height(), 0);
    EXPECT_EQ(dib.Stride(), 0);
}

// A 32-bit screen in a memory context, for painting onto.
struct Screen {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    DWORD* pixels = nullptr;
    int width;
    CDC cdc;

    Screen(int w, int h) : width(w) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        pixels = static_cast<DWORD*>(bits);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        cdc.Attach(dc);
    }
    ~Screen() {
        cdc.Detach();
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    DWORD At(int x, int y) const { return pixels[y * width + x]; }
};

DWORD Rgb(const RGBQUAD& q) {
    return static_cast<DWORD>(q.rgbBlue) | (static_cast<DWORD>(q.rgbGreen) << 8) |
           (static_cast<DWORD>(q.rgbRed) << 16);
}

// Crafted resources where the calls under test look for them. Our layer searches an extra
// table; the real FindResource reads a module's resource section, so on Windows they are
// written into a copy of this executable, loaded as data, and the loads name that module.
#ifdef _WIN32
class CraftedResources {
public:
    explicit CraftedResources(const DvResource* table) {
        char exe[MAX_PATH] = {};
        char folder[MAX_PATH] = {};
        if (GetModuleFileNameA(nullptr, exe, MAX_PATH) == 0 ||
            GetTempPathA(MAX_PATH, folder) == 0 ||
            GetTempFileNameA(folder, "dvr", 0, m_path) == 0 || !CopyFileA(exe, m_path, FALSE)) {
            return;
        }
        HANDLE update = BeginUpdateResourceA(m_path, FALSE);
        if (update == nullptr) {
            return;
        }
        bool written = true;
        for (const DvResource* r = table; r->type != nullptr; ++r) {
            written = written && UpdateResourceA(update, r->type, MAKEINTRESOURCE(r->id),
                                                 MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL),
                                                 const_cast<unsigned char*>(r->data), r->size);
        }
        if (EndUpdateResourceA(update, !written) && written) {
            m_module = LoadLibraryExA(m_path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        }
    }
    ~CraftedResources() {
        if (m_module != nullptr) {
            FreeLibrary(m_module);
        }
        if (m_path[0] != '\0') {
            DeleteFileA(m_path);
        }
    }
    bool Ready() const { return m_module != nullptr; }
    HINSTANCE Module() const { return m_module; }

private:
    char m_path[MAX_PATH] = {};
    HMODULE m_module = nullptr;
};
#else
class CraftedResources {
public:
    explicit CraftedResources(const DvResource* table) { DvSetExtraResources(table); }
    ~CraftedResources() { DvSetExtraResources(nullptr); }
    bool Ready() const { return true; }
    HINSTANCE Module() const { return nullptr; } // the program's own
};
#endif

} // namespace

TEST(CDIBSurface, EmptyAndRuntimeClass) {
    CDIB dib;
    ExpectEmpty(dib);
    EXPECT_EQ(dib.Fill(1), 0);
    EXPECT_EQ(dib.FillRows(1, 0, 0), 0);
    Screen screen(2, 2);
    dib.Paint(&screen.cdc);
    EXPECT_EQ(screen.At(0, 0), 0u);
    dib.Destroy();
    dib.Destroy();
    ExpectEmpty(dib);

    const CRuntimeClass* rc = dib.GetRuntimeClass();
    EXPECT_STREQ(rc->m_lpszClassName, "CDIB");
    EXPECT_EQ(rc->m_pBaseClass, RUNTIME_CLASS(CObject));
    EXPECT_EQ(rc->CreateObject(), nullptr);
    EXPECT_TRUE(dib.IsKindOf(RUNTIME_CLASS(CObject)));
}

TEST(CDIBSurface, CreateLaysOutTheSurfaceAndRefusesBadSizes) {
    CDIB dib;
    ASSERT_EQ(dib.Create(5, 3, 7, nullptr), 1);
    EXPECT_EQ(dib.Width(), 5);
    EXPECT_EQ(dib.Height(), 3);
    EXPECT_EQ(dib.Stride(), 8);
    const BITMAPINFOHEADER& h = dib.m_pBMI->bmiHeader;
    EXPECT_EQ(h.biSize, 40u);
    EXPECT_EQ(h.biHeight, 3);
    EXPECT_EQ(h.biBitCount, 8);
    EXPECT_EQ(h.biSizeImage, 24u);
    EXPECT_EQ(h.biClrUsed, 0u);
    ASSERT_NE(dib.m_hDC, nullptr);
    ASSERT_NE(dib.m_hOldBitmap, nullptr);
    EXPECT_EQ(GetCurrentObject(dib.m_hDC, OBJ_BITMAP), dib.m_hBitmap);
    // The fill covers whole rows, the padding included.
    for (int i = 0; i < 24; ++i) {
        ASSERT_EQ(dib.Bits()[i], 7) << i;
    }
    EXPECT_EQ(dib.Fill(0x1FF), 1);
    for (int i = 0; i < 24; ++i) {
        ASSERT_EQ(dib.Bits()[i], 0xFF) << i;
    }

    // Failures leave the surface empty, also when it held an image before; a size whose bytes
    // overflow an int fails instead of wrapping.
    const int sizes[][2] = {{0, 3},       {3, 0},         {-1, 5}, {5, INT_MIN}, {INT_MAX, INT_MAX},
                            {INT_MAX, 1}, {0x40000000, 4}};
    for (const auto& size : sizes) {
        ASSERT_EQ(dib.Create(5, 3, 0, nullptr), 1);
        EXPECT_EQ(dib.Create(size[0], size[1], 0, nullptr), 0) << size[0] << "x" << size[1];
        ExpectEmpty(dib);
    }
    // Destroy releases the section and the context; calling it again releases nothing more.
    ASSERT_EQ(dib.Create(2, 2, 0, nullptr), 1);
    const HBITMAP section = dib.m_hBitmap;
    const HDC context = dib.m_hDC;
    dib.Destroy();
    EXPECT_EQ(GetObjectType(section), 0u);
    EXPECT_EQ(GetObjectType(context), 0u);
    dib.Destroy();
    ExpectEmpty(dib);
}

TEST(CDIBSurface, FillRowsWritesWholeRowsFromTheTopAndOnlyRowsThatExist) {
    CDIB dib;
    ASSERT_EQ(dib.Create(6, 10, 1, nullptr), 1);
    const int stride = dib.Stride();
    const auto row = [&](int r) { return dib.Bits() + (dib.Height() - 1 - r) * stride; };
    const auto rowIs = [&](int r, int value) {
        for (int x = 0; x < stride; ++x) {
            if (row(r)[x] != value) {
                return false;
            }
        }
        return true;
    };

    EXPECT_EQ(dib.FillRows(178, 0, 3), 1);
    EXPECT_EQ(dib.FillRows(0, 3, 9), 1);
    for (int r = 0; r < 10; ++r) {
        EXPECT_TRUE(rowIs(r, r < 3 ? 178 : 0)) << r;
    }
    EXPECT_EQ(dib.FillRows(5, 4, 4), 1);
    for (int r = 0; r < 10; ++r) {
        EXPECT_TRUE(rowIs(r, r < 3 ? 178 : (r == 4 ? 5 : 0))) << r;
    }
    EXPECT_EQ(dib.FillRows(9, 3, 2), 1); // an empty range writes nothing
    EXPECT_TRUE(rowIs(2, 178));
    EXPECT_TRUE(rowIs(3, 0));

    // Rows outside the surface are left out; a range wholly outside writes nothing.
    EXPECT_EQ(dib.FillRows(0x107, -5, 1), 1);
    EXPECT_TRUE(rowIs(0, 7));
    EXPECT_TRUE(rowIs(1, 7));
    EXPECT_TRUE(rowIs(2, 178));
    EXPECT_EQ(dib.FillRows(8, 8, 1000), 1);
    EXPECT_TRUE(rowIs(7, 0));
    EXPECT_TRUE(rowIs(8, 8));
    EXPECT_TRUE(rowIs(9, 8));
    EXPECT_EQ(dib.FillRows(3, INT_MIN, -1), 1);
    EXPECT_EQ(dib.FillRows(3, 10, INT_MAX), 1);
    EXPECT_TRUE(rowIs(0, 7));
    EXPECT_TRUE(rowIs(9, 8));

    // The whole range equals Fill.
    CDIB other;
    ASSERT_EQ(other.Create(6, 10, 0, nullptr), 1);
    other.Fill(42);
    dib.FillRows(42, 0, 9);
    EXPECT_EQ(std::memcmp(dib.Bits(), other.Bits(), static_cast<std::size_t>(stride) * 10), 0);
}

TEST(CDIBColourTable, PaletteColoursThenBlackOrTheVisibleFallback) {
    CPalette sixteen;
    MakePalette(&sixteen, 16);
    CDIB dib;
    ASSERT_EQ(dib.Create(4, 4, 0, &sixteen), 1);
    for (int i = 0; i < 256; ++i) {
        const RGBQUAD expected = i < 16 ? Quad(i, 2 * i, 3 * i) : Quad(0, 0, 0);
        EXPECT_TRUE(Same(Colours(dib)[i], expected)) << i;
    }
    // The section draws with the record's colours.
    RGBQUAD section[256];
    ASSERT_EQ(GetDIBColorTable(dib.m_hDC, 0, 256, section), 256u);
    EXPECT_EQ(std::memcmp(section, Colours(dib), sizeof section), 0);

    // Without a palette the display supplies nothing: the fallback has the static colours,
    // the sky and fill colours at their places, and no colour twice.
    ASSERT_EQ(dib.Create(4, 4, 0, nullptr), 1);
    const RGBQUAD* c = Colours(dib);
    EXPECT_TRUE(Same(c[0], Quad(0, 0, 0)));
    EXPECT_TRUE(Same(c[9], Quad(166, 202, 240)));
    EXPECT_TRUE(Same(c[246], Quad(255, 251, 240)));
    EXPECT_TRUE(Same(c[255], Quad(255, 255, 255)));
    EXPECT_TRUE(Same(c[55], Quad(204, 204, 0)));
    EXPECT_TRUE(Same(c[178], Quad(0, 153, 204)));
    for (int i = 0; i < 256; ++i) {
        for (int j = i + 1; j < 256; ++j) {
            EXPECT_FALSE(Same(c[i], c[j])) << i << " " << j;
        }
    }
    // A palette object without a GDI palette counts as none.
    RGBQUAD fallback[256];
    std::memcpy(fallback, c, sizeof fallback);
    CPalette none;
    ASSERT_EQ(dib.Create(4, 4, 0, &none), 1);
    EXPECT_EQ(std::memcmp(Colours(dib), fallback, sizeof fallback), 0);
}

TEST(CDIBColourTable, ColourCountOfHeaders) {
    BITMAPINFOHEADER h = {};
    h.biSize = 40;
    const struct {
        WORD bits;
        DWORD used;
        DWORD compression;
        int expected;
    } cases[] = {{1, 0, BI_RGB, 2},         {4, 0, BI_RGB, 16},       {8, 0, BI_RGB, 256},
                 {8, 20, BI_RGB, 20},       {4, 300, BI_RGB, 16},     {24, 0, BI_RGB, 0},
                 {24, 256, BI_RGB, 0},      {16, 0, BI_BITFIELDS, 3}, {32, 0, BI_BITFIELDS, 3},
                 {8, 0, BI_BITFIELDS, 259}, {2, 0, BI_RGB, 0}};
    for (const auto& k : cases) {
        h.biBitCount = k.bits;
        h.biClrUsed = k.used;
        h.biCompression = k.compression;
        EXPECT_EQ(CDIB::ColourCount(&h), k.expected) << k.bits << " " << k.used;
    }
    // A core header: the bit count at byte 10, nothing else counts.
    BITMAPCOREHEADER core = {12, 4, 4, 1, 4};
    EXPECT_EQ(CDIB::ColourCount(reinterpret_cast<const BITMAPINFOHEADER*>(&core)), 16);
}

TEST(CDIBFromDIB, ColourTablesAndPixelsOfEachDepth) {
    CPalette palette;
    MakePalette(&palette, 256);

    // 8 bits with its own table: the table wins over the palette, indices are kept.
    std::vector<RGBQUAD> own(256);
    for (int i = 0; i < 256; ++i) {
        own[i] = Quad(255 - i, i, 7);
    }
    own[200] = own[100]; // a repeated colour keeps its index too
    const std::vector<BYTE> rows8 = {200, 100, 3, 0, 9, 8, 7, 0}; // bottom row, then top
    const std::vector<BYTE> dib8 = PackedDIB(3, 2, 8, own, rows8);
    CDIB dib;
    ASSERT_EQ(dib.CreateFromDIB(Info(dib8), nullptr, &palette), 1);
    EXPECT_EQ(dib.Width(), 3);
    EXPECT_EQ(dib.Height(), 2);
    EXPECT_EQ(std::memcmp(Colours(dib), own.data(), 256 * sizeof(RGBQUAD)), 0);
    EXPECT_EQ(std::memcmp(dib.Bits(), rows8.data(), 3), 0);
    EXPECT_EQ(std::memcmp(dib.Bits() + 4, rows8.data() + 4, 3), 0);

    // 4 bits: its 16 colours, then black; pixels unpacked in order.
    std::vector<RGBQUAD> sixteen(16);
    for (int i = 0; i < 16; ++i) {
        sixteen[i] = Quad(16 * i + 1, 0, 255 - 16 * i);
    }
    const std::vector<BYTE> rows4 = {0x1F, 0xA0, 0, 0};
    const std::vector<BYTE> dib4 = PackedDIB(3, 1, 4, sixteen, rows4);
    ASSERT_EQ(dib.CreateFromDIB(Info(dib4), nullptr, &palette), 1);
    for (int i = 0; i < 256; ++i) {
        EXPECT_TRUE(Same(Colours(dib)[i], i < 16 ? sixteen[i] : Quad(0, 0, 0))) << i;
    }
    EXPECT_EQ(dib.Bits()[0], 1);
    EXPECT_EQ(dib.Bits()[1], 15);
    EXPECT_EQ(dib.Bits()[2], 10);

    // 24 bits: the palette's colours, each pixel the nearest of them. (Real GDI looks colours
    // up at five bits a channel, (c & ~7) + 4, where our layer takes the exact nearest; the
    // pixels here are ones where both agree. (1, 2, 3), entry 1 itself, would give entry 2.)
    const std::vector<BYTE> rows24 = {30, 20, 10, 90, 60, 31, 0, 0, 0, 0, 0, 0}; // blue, green, red
    const std::vector<BYTE> dib24 = PackedDIB(2, 1, 24, {}, rows24);
    ASSERT_EQ(dib.CreateFromDIB(Info(dib24), nullptr, &palette), 1);
    EXPECT_TRUE(Same(Colours(dib)[10], Quad(10, 20, 30)));
    EXPECT_EQ(dib.Bits()[0], 10);
    EXPECT_EQ(dib.Bits()[1], 30);
    // Separate pixel bits are taken instead of those behind the table.
    const std::vector<BYTE> other = {6, 4, 2, 0, 0, 0, 0, 0};
    ASSERT_EQ(dib.CreateFromDIB(Info(dib24), other.data(), &palette), 1);
    EXPECT_EQ(dib.Bits()[0], 2);

    // Top-down DIBs fail and leave the surface empty.
    const std::vector<BYTE> topDown = PackedDIB(3, -2, 8, own, rows8);
    EXPECT_EQ(dib.CreateFromDIB(Info(topDown), nullptr, &palette), 0);
    ExpectEmpty(dib);

    CPalette fromDib;
    CDIB::CreatePaletteFromDIB(Info(dib4), nullptr, &fromDib);
    EXPECT_EQ(fromDib.GetEntryCount(), 16);
    CPalette fromFallback;
    CDIB::CreatePaletteFromDIB(Info(dib24), &palette, &fromFallback);
    EXPECT_EQ(fromFallback.GetEntryCount(), 256);
    CPalette fromDisplay;
    CDIB::CreatePaletteFromDIB(Info(dib24), nullptr, &fromDisplay);
    EXPECT_EQ(fromDisplay.m_hObject, nullptr);
}

TEST(CDIBPaint, OneToOneAtTheOriginOrIntoRectangles) {
    CPalette palette;
    MakePalette(&palette, 256);
    CDIB dib;
    ASSERT_EQ(dib.Create(3, 2, 0, &palette), 1);
    dib.Bits()[0] = 10;     // bottom-left
    dib.Bits()[4 + 2] = 20; // top-right
    Screen screen(5, 4);
    dib.Paint(&screen.cdc);
    EXPECT_EQ(screen.At(0, 1), Rgb(Quad(10, 20, 30)));
    EXPECT_EQ(screen.At(2, 0), Rgb(Quad(20, 40, 60)));
    EXPECT_EQ(screen.At(1, 1), 0u);
    EXPECT_EQ(screen.At(3, 0), 0u);
    EXPECT_EQ(screen.At(0, 2), 0u);

    // Into a destination rectangle twice the size, from the top-right pixel only.
    const RECT dest = {1, 2, 3, 4};
    const RECT src = {2, 0, 3, 1};
    dib.Paint(&screen.cdc, &dest, &src);
    EXPECT_EQ(screen.At(1, 2), Rgb(Quad(20, 40, 60)));
    EXPECT_EQ(screen.At(2, 3), Rgb(Quad(20, 40, 60)));
    EXPECT_EQ(screen.At(3, 3), 0u);
    dib.Paint(nullptr);
    const RECT extreme = {INT_MIN, 0, INT_MAX, 1};
    dib.Paint(&screen.cdc, &extreme, nullptr);
}

// Marks that tell whether a GDI object was made between them. Our layer hands out handles in
// rising order, so the next one tells (a mark makes one itself: 4 on). Real GDI hands freed
// handles out again, so there the surfaces made are counted, through a stand-in for
// CreateDIBSection in this executable's import table.
#ifdef _WIN32
int g_nSurfacesMade = 0;
CImportStandIn* g_pCreateDIBSection = nullptr;
HBITMAP WINAPI CountedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits,
                                       HANDLE section, DWORD offset) {
    ++g_nSurfacesMade;
    using Create = HBITMAP(WINAPI*)(HDC, const BITMAPINFO*, UINT, void**, HANDLE, DWORD);
    return reinterpret_cast<Create>(g_pCreateDIBSection->Original())(dc, info, usage, bits, section,
                                                                     offset);
}
class GdiMarks {
public:
    GdiMarks() { g_pCreateDIBSection = &m_standIn; }
    ~GdiMarks() { g_pCreateDIBSection = nullptr; }
    bool Ready() const { return m_standIn.Installed(); }
    std::uintptr_t Mark() const { return static_cast<std::uintptr_t>(g_nSurfacesMade); }
    static constexpr std::uintptr_t kStep = 0;

private:
    CImportStandIn m_standIn{"GDI32.dll", "CreateDIBSection",
                             reinterpret_cast<void*>(&CountedCreateDIBSection)};
};
#else
class GdiMarks {
public:
    bool Ready() const { return true; }
    std::uintptr_t Mark() const {
        const HBRUSH probe = CreateSolidBrush(0);
        DeleteObject(probe);
        return reinterpret_cast<std::uintptr_t>(probe);
    }
    static constexpr std::uintptr_t kStep = 4;
};
#endif

TEST(CDIBFromDIB, PixelsThatCannotBeReadFailBeforeAnySurfaceIsMade) {
    // A 40-byte header that claims a 40000 x 40000 image but pixels of no known format: such a
    // DIB once made (and cleared) a surface of 1.6 GB before failing.
    const std::vector<BYTE> pixels(16, 0);
    struct Case {
        WORD bitCount;
        DWORD compression;
        DWORD size;
    };
    const Case cases[] = {{0, BI_RGB, 40},        {2, BI_RGB, 40},      {8, BI_BITFIELDS, 40},
                          {24, BI_BITFIELDS, 40}, {8, 1 /* RLE */, 40}, {8, BI_RGB, 12},
                          {64, BI_RGB, 40}};
    const GdiMarks marks;
    ASSERT_TRUE(marks.Ready());
    for (const Case& c : cases) {
        std::vector<BYTE> dib = PackedDIB(40000, 40000, 8, std::vector<RGBQUAD>(256), pixels);
        BITMAPINFOHEADER h;
        std::memcpy(&h, dib.data(), sizeof h);
        h.biBitCount = c.bitCount;
        h.biCompression = c.compression;
        h.biSize = c.size;
        std::memcpy(dib.data(), &h, sizeof h);
        CDIB surface;
        ASSERT_EQ(surface.Create(4, 4, 1, nullptr), 1);
        const std::uintptr_t before = marks.Mark();
        EXPECT_EQ(surface.CreateFromDIB(Info(dib), pixels.data(), nullptr), 0) << c.bitCount;
        ExpectEmpty(surface);
        // Nothing was made on the way.
        EXPECT_EQ(marks.Mark(), before + GdiMarks::kStep) << c.bitCount << " " << c.compression;
    }
    // The formats that can be read still load, masks included.
    std::vector<BYTE> fields = PackedDIB(1, 1, 16, {}, {0x1F, 0x00, 0, 0});
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    fields.insert(fields.begin() + 40, reinterpret_cast<const BYTE*>(masks),
                  reinterpret_cast<const BYTE*>(masks) + sizeof masks);
    reinterpret_cast<BITMAPINFOHEADER*>(fields.data())->biCompression = BI_BITFIELDS;
    CDIB surface;
    const std::uintptr_t before = marks.Mark();
    EXPECT_EQ(surface.CreateFromDIB(Info(fields), nullptr, nullptr), 1);
    EXPECT_GT(marks.Mark(), before + GdiMarks::kStep) << "the marks miss a surface made";
}

TEST(CDIBResources, LoadsCheckEveryByteAgainstTheResourceSize) {
    std::vector<RGBQUAD> colours(256);
    for (int i = 0; i < 256; ++i) {
        colours[i] = Quad(i, i, 255 - i);
    }
    const std::vector<BYTE> pixels = {1, 2, 3, 4, 5, 6, 7, 8};
    const std::vector<BYTE> good = PackedDIB(2, 2, 8, colours, pixels);
    // The same DIB as a bitmap file, and with its pixels at an offset past the colours.
    std::vector<BYTE> file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    const DWORD offBits = 14 + 1064 + 4;
    std::memcpy(file.data() + 10, &offBits, 4);
    file.insert(file.end(), good.begin(), good.begin() + 1064);
    file.insert(file.end(), {0xEE, 0xEE, 0xEE, 0xEE});
    file.insert(file.end(), pixels.begin(), pixels.end());
    std::vector<BYTE> badOffset = file;
    const DWORD past = static_cast<DWORD>(file.size());
    std::memcpy(badOffset.data() + 10, &past, 4);

    // A header whose rows times row size passes what 64 bits hold.
    std::vector<BYTE> huge(64, 0);
    const DWORD hugeHeader[] = {40, 0x66FFFFFF, 0x663300FF};
    std::memcpy(huge.data(), hugeHeader, sizeof hugeHeader);
    const WORD planesAndBits[] = {1, 0x6666};
    std::memcpy(huge.data() + 12, planesAndBits, sizeof planesAndBits);

    const auto bytes = [](const std::vector<BYTE>& v) { return v.data(); };
    const auto size = [](const std::vector<BYTE>& v) { return static_cast<unsigned>(v.size()); };
    const DvResource table[] = {
        {RT_BITMAP, 9001, bytes(good), size(good)},
        {RT_BITMAP, 9002, bytes(good), 39},             // header cut
        {RT_BITMAP, 9003, bytes(good), 40 + 1000},      // colour table cut
        {RT_BITMAP, 9004, bytes(good), size(good) - 1}, // last pixel row cut
        {RT_RCDATA, 9005, bytes(file), size(file)},
        {RT_RCDATA, 9006, bytes(badOffset), size(badOffset)},
        {RT_RCDATA, 9007, bytes(file), size(file) - 1},
        {RT_BITMAP, 9008, bytes(huge), size(huge)},
        {nullptr, 0, nullptr, 0},
    };
    const CraftedResources crafted(table);
    ASSERT_TRUE(crafted.Ready());
    const HINSTANCE module = crafted.Module();

    CDIB texture;
    ASSERT_EQ(texture.Create(128, 128, 55, nullptr), 1);
    const BYTE* const bits = texture.Bits();
    for (UINT id : {9002u, 9003u, 9004u, 9008u, 9999u}) {
        EXPECT_EQ(texture.LoadBitmapResource(id, nullptr, RT_BITMAP, module), 0) << id;
        EXPECT_EQ(texture.Bits(), bits);
        EXPECT_EQ(texture.Width(), 128);
        EXPECT_EQ(texture.Bits()[128 * 128 - 1], 55);
    }
    EXPECT_EQ(texture.LoadBitmapResource(9005, nullptr, RT_BITMAP, module), 0); // wrong type
    EXPECT_EQ(texture.LoadBitmapResource(9006, nullptr, RT_RCDATA, module), 0);
    EXPECT_EQ(texture.LoadBitmapResource(9007, nullptr, RT_RCDATA, module), 0);
    EXPECT_EQ(
        texture.LoadBitmapResource(9001, nullptr, RT_BITMAP, reinterpret_cast<HINSTANCE>(0x1234)),
        0);
    EXPECT_EQ(texture.Width(), 128);

    // Rows of two pixels, padded to four bytes: the pixels are 1 2 and 5 6.
    const auto pixelsAre = [&texture]() {
        const BYTE* b = texture.Bits();
        return b[0] == 1 && b[1] == 2 && b[4] == 5 && b[5] == 6;
    };
    ASSERT_EQ(texture.LoadBitmapResource(9001, nullptr, RT_BITMAP, module), 1);
    EXPECT_EQ(texture.Width(), 2);
    EXPECT_TRUE(pixelsAre());
    EXPECT_EQ(std::memcmp(Colours(texture), colours.data(), 1024), 0);
    ASSERT_EQ(texture.LoadBitmapResource(9005, nullptr, RT_RCDATA, module), 1);
    EXPECT_TRUE(pixelsAre());
}
