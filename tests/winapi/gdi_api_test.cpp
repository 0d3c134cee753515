// DIB sections, their colour tables, SetDIBits, logical palettes and blits, as both
// implementations of GDI must do them.
#include <cstring>
#include <vector>

#include "ApiFixture.h"
#include "Sections.h"

namespace {

DWORD Xrgb(const RGBQUAD& c) {
    return (DWORD(c.rgbRed) << 16) | (DWORD(c.rgbGreen) << 8) | c.rgbBlue;
}

} // namespace

TEST(ApiDibSections, DescribeThemselvesAndTheirBits) {
    {
        Info256 info = MakeInfo(5, 3, 8, kFour);
        void* bits = nullptr;
        HBITMAP section =
            CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(section, nullptr);
        ASSERT_NE(bits, nullptr);
        EXPECT_EQ(GetObjectType(section), static_cast<DWORD>(OBJ_BITMAP));
        DIBSECTION ds = {};
        EXPECT_EQ(GetObject(section, sizeof ds, &ds), static_cast<int>(sizeof ds));
        EXPECT_EQ(ds.dsBm.bmType, 0);
        EXPECT_EQ(ds.dsBm.bmWidth, 5);
        EXPECT_EQ(ds.dsBm.bmHeight, 3);
        EXPECT_EQ(ds.dsBm.bmWidthBytes, 8); // rows padded to four bytes
        EXPECT_EQ(ds.dsBm.bmPlanes, 1);
        EXPECT_EQ(ds.dsBm.bmBitsPixel, 8);
        EXPECT_EQ(ds.dsBm.bmBits, bits);
        EXPECT_EQ(ds.dsBmih.biSize, sizeof(BITMAPINFOHEADER));
        EXPECT_EQ(ds.dsBmih.biWidth, 5);
        EXPECT_EQ(ds.dsBmih.biHeight, 3);
        EXPECT_EQ(ds.dsBmih.biClrUsed, 256u);
        EXPECT_EQ(ds.dsBmih.biBitCount, 8);
        EXPECT_EQ(ds.dsBmih.biCompression, static_cast<DWORD>(BI_RGB));
        EXPECT_EQ(ds.dsBmih.biSizeImage, 24u);
        BITMAP bm = {};
        EXPECT_EQ(GetObject(section, sizeof bm, &bm), static_cast<int>(sizeof bm));
        EXPECT_EQ(bm.bmWidth, 5);
        EXPECT_EQ(bm.bmBits, bits);
        EXPECT_TRUE(DeleteObject(section));
    }

    // Top row first: the height is still reported positive.
    Info256 truecolour = MakeInfo(3, -2, 32);
    void* bits = nullptr;
    HBITMAP section =
        CreateDIBSection(nullptr, AsInfo(truecolour), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    DIBSECTION ds = {};
    GetObject(section, sizeof ds, &ds);
    EXPECT_EQ(ds.dsBm.bmHeight, 2);
    EXPECT_EQ(ds.dsBmih.biHeight, 2);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 12);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 32);
    EXPECT_EQ(ds.dsBmih.biSizeImage, 24u);
    EXPECT_EQ(ds.dsBmih.biClrUsed, 0u);
    // New sections are cleared.
    for (int i = 0; i < 24; ++i) {
        ASSERT_EQ(static_cast<const BYTE*>(bits)[i], 0) << i;
    }
    EXPECT_TRUE(DeleteObject(section));
    EXPECT_FALSE(DeleteObject(section));

    HDC dc = CreateCompatibleDC(nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));
    EXPECT_TRUE(DeleteDC(dc));
}

TEST(ApiDibSections, ColourTablesAreTheSelectedSectionsAndSetTheirPixelsColours) {
    // An indexed section's table has an entry for every index; those the header did not give
    // are black.
    Section indexed(2, 1, 8, kFour);
    RGBQUAD table[256] = {};
    EXPECT_EQ(GetDIBColorTable(indexed.dc, 0, 256, table), 256u);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(Same(table[i], kFour[static_cast<std::size_t>(i)])) << i;
    }
    EXPECT_TRUE(Same(table[4], Quad(0, 0, 0)));
    EXPECT_TRUE(Same(table[255], Quad(0, 0, 0)));
    EXPECT_EQ(GetDIBColorTable(indexed.dc, 3, 5, table), 5u);
    EXPECT_TRUE(Same(table[0], kFour[3]));
    EXPECT_EQ(GetDIBColorTable(indexed.dc, 254, 5, table), 2u); // stops at the table's end

    const RGBQUAD grey[3] = {Quad(1, 2, 3), Quad(4, 5, 6), Quad(7, 8, 9)};
    EXPECT_EQ(SetDIBColorTable(indexed.dc, 2, 2, grey), 2u);
    EXPECT_EQ(SetDIBColorTable(indexed.dc, 255, 3, grey + 2), 1u);
    EXPECT_EQ(GetDIBColorTable(indexed.dc, 0, 4, table), 4u);
    EXPECT_TRUE(Same(table[1], kFour[1]));
    EXPECT_TRUE(Same(table[2], grey[0]));
    EXPECT_TRUE(Same(table[3], grey[1]));
    EXPECT_EQ(GetDIBColorTable(indexed.dc, 255, 1, table), 1u);
    EXPECT_TRUE(Same(table[0], grey[2]));

    // The pixels' colours follow the table: a blit to true colour shows the new ones.
    indexed.Index(0, 0) = 1;
    indexed.Index(1, 0) = 3;
    Section screen(2, 1, 32);
    EXPECT_TRUE(BitBlt(screen.dc, 0, 0, 2, 1, indexed.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(screen.Pixel(0, 0), 0x00FF0000u);
    EXPECT_EQ(screen.Pixel(1, 0), 0x00040506u);

    // A full table of 256, as the program's surfaces have.
    std::vector<RGBQUAD> ramp(256);
    for (int i = 0; i < 256; ++i) {
        ramp[static_cast<std::size_t>(i)] = Quad(i, 255 - i, (i * 3) & 0xFF);
    }
    Section full(4, 1, 8);
    EXPECT_EQ(SetDIBColorTable(full.dc, 0, 256, ramp.data()), 256u);
    EXPECT_EQ(GetDIBColorTable(full.dc, 0, 256, table), 256u);
    EXPECT_TRUE(Same(table[200], ramp[200]));

    // No table where no indexed section is selected.
    EXPECT_EQ(GetDIBColorTable(screen.dc, 0, 4, table), 0u);
    EXPECT_EQ(SetDIBColorTable(screen.dc, 0, 3, grey), 0u);
    HDC bare = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetDIBColorTable(bare, 0, 4, table), 0u);
    DeleteDC(bare);
}

TEST(ApiSetDIBits, IndexedSourcesKeepTheirIndicesOnTheSameTableAndMatchOtherwise) {
    // A table with a repeated colour: identical tables keep the index, not the first match.
    std::vector<RGBQUAD> table = kFour;
    table.push_back(Quad(255, 0, 0));
    Section target(4, 2, 8, table);

    Info256 source = MakeInfo(4, 2, 8, table);
    // Bottom row first: the bottom image row reads 4 3 2 1, the top 0 1 2 4.
    const BYTE pixels[8] = {4, 3, 2, 1, 0, 1, 2, 4};
    EXPECT_EQ(SetDIBits(target.dc, target.bitmap, 0, 2, pixels, AsInfo(source), DIB_RGB_COLORS), 2);
    EXPECT_EQ(target.Indices(0, 4), (std::vector<BYTE>{0, 1, 2, 4}));
    EXPECT_EQ(target.Indices(1, 4), (std::vector<BYTE>{4, 3, 2, 1}));

    // Another table: each colour goes to its nearest entry. A DIB shorter than the bitmap lies
    // at its top.
    Info256 other =
        MakeInfo(4, 1, 8, {Quad(250, 10, 0), Quad(0, 0, 200), Quad(1, 1, 1), Quad(10, 240, 10)});
    const BYTE indices[4] = {0, 1, 2, 3};
    EXPECT_EQ(SetDIBits(target.dc, target.bitmap, 0, 1, indices, AsInfo(other), DIB_RGB_COLORS), 1);
    EXPECT_EQ(target.Indices(0, 4), (std::vector<BYTE>{1, 3, 0, 2}));
    EXPECT_EQ(target.Indices(1, 4), (std::vector<BYTE>{4, 3, 2, 1}));

    // 1 and 4 bits per pixel; scan line 1 of two is the top row.
    Info256 mono = MakeInfo(4, 2, 1, {Quad(0, 0, 0), Quad(0, 255, 0)});
    const BYTE monoBits[4] = {0xA0, 0, 0, 0}; // 1 0 1 0
    EXPECT_EQ(SetDIBits(target.dc, target.bitmap, 1, 1, monoBits, AsInfo(mono), DIB_RGB_COLORS), 1);
    EXPECT_EQ(target.Indices(0, 4), (std::vector<BYTE>{2, 0, 2, 0}));
    Info256 nibbles = MakeInfo(4, 2, 4, kFour);
    const BYTE nibbleBits[4] = {0x32, 0x10, 0, 0};
    EXPECT_EQ(
        SetDIBits(target.dc, target.bitmap, 1, 1, nibbleBits, AsInfo(nibbles), DIB_RGB_COLORS), 1);
    EXPECT_EQ(target.Indices(0, 4), (std::vector<BYTE>{3, 2, 1, 0}));
}

TEST(ApiSetDIBits, TrueColourSourcesGoToTheNearestIndexOrStayExact) {
    Section indexed(2, 1, 8, kFour);
    Section truecolour(2, 1, 32);

    Info256 rgb24 = MakeInfo(2, 1, 24);
    const BYTE bits24[8] = {0, 0, 200, 230, 20, 10, 0, 0}; // red-ish, blue-ish (blue first)
    EXPECT_EQ(SetDIBits(nullptr, indexed.bitmap, 0, 1, bits24, AsInfo(rgb24), DIB_RGB_COLORS), 1);
    EXPECT_EQ(indexed.Index(0, 0), 1);
    EXPECT_EQ(indexed.Index(1, 0), 3);
    EXPECT_EQ(SetDIBits(nullptr, truecolour.bitmap, 0, 1, bits24, AsInfo(rgb24), DIB_RGB_COLORS),
              1);
    EXPECT_EQ(truecolour.Pixel(0, 0), 0x00C80000u);
    EXPECT_EQ(truecolour.Pixel(1, 0), 0x000A14E6u);

    // 16 bits: 5-5-5 by default, the given masks with BI_BITFIELDS (here 5-6-5).
    Info256 rgb16 = MakeInfo(2, 1, 16);
    const WORD bits16[2] = {0x7C00, 0x03E0};
    EXPECT_EQ(SetDIBits(nullptr, truecolour.bitmap, 0, 1, bits16, AsInfo(rgb16), DIB_RGB_COLORS),
              1);
    EXPECT_EQ(truecolour.Pixel(0, 0), 0x00FF0000u);
    EXPECT_EQ(truecolour.Pixel(1, 0), 0x0000FF00u);
    Info256 fields = MakeInfo(2, 1, 16);
    fields.header.biCompression = BI_BITFIELDS;
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(fields.colours, masks, sizeof masks);
    const WORD bits565[2] = {0x001F, 0x07E0};
    EXPECT_EQ(SetDIBits(nullptr, truecolour.bitmap, 0, 1, bits565, AsInfo(fields), DIB_RGB_COLORS),
              1);
    EXPECT_EQ(truecolour.Pixel(0, 0), 0x000000FFu);
    EXPECT_EQ(truecolour.Pixel(1, 0), 0x0000FF00u);

    Info256 rgb32 = MakeInfo(2, 1, 32);
    const DWORD bits32[2] = {0x000000FF, 0x0000FF00};
    EXPECT_EQ(SetDIBits(nullptr, indexed.bitmap, 0, 1, bits32, AsInfo(rgb32), DIB_RGB_COLORS), 1);
    EXPECT_EQ(indexed.Index(0, 0), 3);
    EXPECT_EQ(indexed.Index(1, 0), 2);

    // Nothing to copy: no bitmap, or scan lines past the bitmap's.
    EXPECT_EQ(SetDIBits(nullptr, nullptr, 0, 1, bits32, AsInfo(rgb32), DIB_RGB_COLORS), 0);
}

TEST(ApiPalettes, EntriesAndTheNearestIndex) {
    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[4];
    } log = {0x300, 4, {{10, 10, 10, 0}, {20, 20, 20, 0}, {30, 30, 30, 0}, {20, 20, 20, 0}}};
    HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetObjectType(palette), static_cast<DWORD>(OBJ_PAL));
    WORD count = 0;
    EXPECT_EQ(GetObject(palette, sizeof count, &count), 2);
    EXPECT_EQ(count, 4);

    PALETTEENTRY e[4] = {};
    EXPECT_EQ(GetPaletteEntries(palette, 2, 4, e), 2u); // two left from index 2
    EXPECT_EQ(e[0].peRed, 30);
    EXPECT_EQ(e[1].peRed, 20);
    EXPECT_EQ(GetPaletteEntries(palette, 4, 1, e), 0u);
    EXPECT_EQ(GetPaletteEntries(palette, 0, 0, nullptr), 4u);
    const PALETTEENTRY flagged = {1, 2, 3, PC_NOCOLLAPSE};
    EXPECT_EQ(SetPaletteEntries(palette, 3, 5, &flagged), 1u);
    EXPECT_EQ(SetPaletteEntries(palette, 4, 1, &flagged), 0u);
    EXPECT_EQ(GetPaletteEntries(palette, 3, 1, e), 1u);
    EXPECT_EQ(e[0].peRed, 1);
    EXPECT_EQ(e[0].peGreen, 2);
    EXPECT_EQ(e[0].peBlue, 3);
    EXPECT_EQ(e[0].peFlags, PC_NOCOLLAPSE);

    // Least squared distance; 15 lies between 10 and 20 and goes to the lower index.
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(15, 15, 15)), 0u);
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(21, 19, 20)), 1u);
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(255, 255, 255)), 2u);
    EXPECT_EQ(GetNearestPaletteIndex(palette, RGB(0, 0, 0)), 3u);
    EXPECT_TRUE(DeleteObject(palette));
}

TEST(ApiPalettes, SelectingIntoContextsOnATrueColourDisplay) {
    // The program's palette: 256 entries, selected and realised in a window's context.
    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[256];
    } log = {};
    log.palVersion = 0x300;
    log.palNumEntries = 256;
    for (int i = 0; i < 256; ++i) {
        log.palPalEntry[i] = {static_cast<BYTE>(i), static_cast<BYTE>(255 - i), 7, 0};
    }
    HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    ASSERT_NE(palette, nullptr);

    HDC screen = GetDC(nullptr);
    ASSERT_NE(screen, nullptr);
    EXPECT_EQ(GetDeviceCaps(screen, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(screen, PLANES), 1);
    EXPECT_EQ(GetDeviceCaps(screen, SIZEPALETTE), 0);
    // Points become pixels at 96 to the inch.
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96);
    EXPECT_EQ(GetDeviceCaps(screen, LOGPIXELSY), 96);
    const HPALETTE initial = SelectPalette(screen, palette, FALSE);
    EXPECT_EQ(initial, GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(GetCurrentObject(screen, OBJ_PAL), palette);
    EXPECT_EQ(RealizePalette(screen), 0u);
    PALETTEENTRY system[4] = {};
    EXPECT_EQ(GetSystemPaletteEntries(screen, 0, 4, system), 0u);
    EXPECT_EQ(SelectPalette(screen, initial, FALSE), palette);
    ReleaseDC(nullptr, screen);

    HDC memory = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectPalette(memory, palette, FALSE), GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(SelectPalette(memory, static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE)), FALSE),
              palette);
    DeleteDC(memory);
    EXPECT_TRUE(DeleteObject(palette));
}

TEST(ApiBlits, ColoursCrossThroughTheTables) {
    std::vector<RGBQUAD> table = kFour;
    table.push_back(Quad(0, 255, 0)); // 4 repeats 2
    Section source(3, 2, 8, table);
    for (int x = 0; x < 3; ++x) {
        source.Index(x, 0) = static_cast<BYTE>(x + 2);
        source.Index(x, 1) = static_cast<BYTE>(x);
    }
    // Identical tables copy indices, repeated colours included.
    Section same(3, 2, 8, table);
    EXPECT_TRUE(BitBlt(same.dc, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY));
    for (int y = 0; y < 2; ++y) {
        EXPECT_EQ(std::memcmp(same.Row(y), source.Row(y), 3), 0) << y;
    }
    // A reordered table maps each colour to where it now is.
    Section reordered(3, 2, 8, {Quad(0, 0, 255), Quad(0, 255, 0), Quad(255, 0, 0), Quad(0, 0, 0)});
    EXPECT_TRUE(BitBlt(reordered.dc, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(reordered.Index(0, 0), 1);
    EXPECT_EQ(reordered.Index(1, 0), 0);
    EXPECT_EQ(reordered.Index(2, 0), 1);
    EXPECT_EQ(reordered.Index(0, 1), 3);
    EXPECT_EQ(reordered.Index(1, 1), 2);
    // True colour through the source's table, top-down or not.
    Section screen(3, -2, 32);
    EXPECT_TRUE(BitBlt(screen.dc, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(screen.Pixel(0, 0), 0x0000FF00u);
    EXPECT_EQ(screen.Pixel(1, 0), 0x000000FFu);
    EXPECT_EQ(screen.Pixel(2, 0), 0x0000FF00u);
    EXPECT_EQ(screen.Pixel(1, 1), 0x00FF0000u);
    // And back: true colour to the nearest index.
    Section back(3, 2, 8, kFour);
    screen.Pixel(0, 0) = 0x00F01010u;
    EXPECT_TRUE(BitBlt(back.dc, 0, 0, 3, 2, screen.dc, 0, 0, SRCCOPY));
    EXPECT_EQ(back.Index(0, 0), 1);
    EXPECT_EQ(back.Index(1, 0), 3);
    EXPECT_EQ(back.Index(2, 1), 2);

    // Every index its own colour, at every alignment of a long row.
    std::vector<RGBQUAD> ramp(256);
    for (int i = 0; i < 256; ++i) {
        ramp[static_cast<std::size_t>(i)] = Quad(i, (i * 7 + 3) & 0xFF, (i * 13 + 5) & 0xFF);
    }
    Section wide(300, 1, 8, ramp);
    for (int x = 0; x < 300; ++x) {
        wide.Index(x, 0) = static_cast<BYTE>((x * 37) & 0xFF);
    }
    Section row(320, 1, 32);
    for (int offset = 0; offset < 5; ++offset) {
        row.Fill(0xFF000001u);
        EXPECT_TRUE(BitBlt(row.dc, offset, 0, 300 - offset, 1, wide.dc, offset, 0, SRCCOPY));
        for (int x = 0; x < 320; ++x) {
            const DWORD want = x >= offset && x < 300
                                   ? Xrgb(ramp[static_cast<std::size_t>(wide.Index(x, 0))])
                                   : 0xFF000001u;
            ASSERT_EQ(row.Pixel(x, 0), want) << offset << " " << x;
        }
    }
}

TEST(ApiBlits, ClippingAtBothSurfacesEdges) {
    Section source(4, 1, 32);
    for (int x = 0; x < 4; ++x) {
        source.Pixel(x, 0) = static_cast<DWORD>(x + 1);
    }
    // A destination reaching past every edge writes only inside.
    Section target(4, 4, 32);
    target.Fill(0xEEu);
    EXPECT_TRUE(BitBlt(target.dc, 1, 2, 6, 1, source.dc, 0, 0, SRCCOPY));
    const DWORD row2[4] = {0xEE, 1, 2, 3};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(target.Pixel(x, 2), row2[x]) << x;
        EXPECT_EQ(target.Pixel(x, 1), 0xEEu) << x;
        EXPECT_EQ(target.Pixel(x, 3), 0xEEu) << x;
    }
    target.Fill(0xEEu);
    EXPECT_TRUE(BitBlt(target.dc, -2, 0, 4, 1, source.dc, 0, 0, SRCCOPY));
    const DWORD row0[4] = {3, 4, 0xEE, 0xEE};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(target.Pixel(x, 0), row0[x]) << x;
    }
    EXPECT_TRUE(BitBlt(target.dc, 0, 0, 0, 4, source.dc, 0, 0, SRCCOPY));
}

TEST(ApiBlits, StretchingUpRepeatsEachPixel) {
    // The program's stretches enlarge (an inset at twice its size) or keep the size, where every
    // stretch mode agrees. Shrinking is left out: the real default mode (BLACKONWHITE) ANDs the
    // pixels it drops together, our layer keeps the nearest as COLORONCOLOR does, and the
    // program never shrinks.
    Section source(4, 2, 8, kFour);
    for (int x = 0; x < 4; ++x) {
        source.Index(x, 0) = static_cast<BYTE>(x);
        source.Index(x, 1) = static_cast<BYTE>(3 - x);
    }
    Section wide(8, 4, 32);
    EXPECT_TRUE(StretchBlt(wide.dc, 0, 0, 8, 4, source.dc, 0, 0, 4, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            const BYTE index = source.Index(x / 2, y / 2);
            EXPECT_EQ(wide.Pixel(x, y), Xrgb(kFour[index])) << x << "," << y;
        }
    }
    // Three times, from a part of the source, into a part of the target.
    wide.Fill(0xEEu);
    EXPECT_TRUE(StretchBlt(wide.dc, 1, 1, 6, 3, source.dc, 1, 1, 2, 1, SRCCOPY));
    for (int x = 0; x < 8; ++x) {
        const DWORD want = x >= 1 && x < 7 ? Xrgb(kFour[source.Index(1 + (x - 1) / 3, 1)]) : 0xEEu;
        EXPECT_EQ(wide.Pixel(x, 2), want) << x;
        EXPECT_EQ(wide.Pixel(x, 0), 0xEEu) << x;
    }
    // Between indexed sections of one table the indices are repeated.
    Section big(8, 4, 8, kFour);
    EXPECT_TRUE(StretchBlt(big.dc, 0, 0, 8, 4, source.dc, 0, 0, 4, 2, SRCCOPY));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_EQ(big.Index(x, y), source.Index(x / 2, y / 2)) << x << "," << y;
        }
    }
    // The same size is a plain copy.
    Section copy(4, 2, 8, kFour);
    EXPECT_TRUE(StretchBlt(copy.dc, 0, 0, 4, 2, source.dc, 0, 0, 4, 2, SRCCOPY));
    EXPECT_EQ(std::memcmp(copy.Row(0), source.Row(0), 4), 0);
    EXPECT_EQ(std::memcmp(copy.Row(1), source.Row(1), 4), 0);
}

TEST(ApiFills, SolidBrushesOnTrueColourAndIndexedSections) {
    Section screen(4, 2, 32);
    HBRUSH brush = CreateSolidBrush(RGB(10, 20, 30));
    RECT r = {1, 0, 3, 1};
    EXPECT_NE(FillRect(screen.dc, &r, brush), 0);
    EXPECT_EQ(screen.Pixel(0, 0), 0u);
    EXPECT_EQ(screen.Pixel(1, 0), 0x000A141Eu);
    EXPECT_EQ(screen.Pixel(2, 0), 0x000A141Eu);
    EXPECT_EQ(screen.Pixel(3, 0), 0u);
    EXPECT_EQ(screen.Pixel(1, 1), 0u);
    DeleteObject(brush);

    // An exact colour of the table is its index.
    Section indexed(4, 1, 8, kFour);
    brush = CreateSolidBrush(RGB(0, 0, 255));
    RECT all = {0, 0, 4, 1};
    EXPECT_NE(FillRect(indexed.dc, &all, brush), 0);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(indexed.Index(x, 0), 3) << x;
    }
    DeleteObject(brush);
    // Any other colour is the nearest entry's index.
    brush = CreateSolidBrush(RGB(200, 30, 30));
    EXPECT_NE(FillRect(indexed.dc, &all, brush), 0);
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(indexed.Index(x, 0), 1) << x;
    }
    DeleteObject(brush);
}
