#include <gtest/gtest.h>

#include <afxwin.h>

#include "win32/gdiobj.h"
#include "winapi/Sections.h"

#include <algorithm>
#include <cstring>
#include <vector>

TEST(GdiObjects, SectionsAreMadeOnlyInTheSupportedFormats) {
    void* bits = reinterpret_cast<void*>(1);
    Info256 info = MakeInfo(5, 3, 8, kFour);
    HBITMAP section = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    ASSERT_NE(bits, nullptr);
    DIBSECTION ds = {};
    EXPECT_EQ(GetObject(section, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 5);
    EXPECT_EQ(ds.dsBm.bmHeight, 3);
    EXPECT_EQ(ds.dsBm.bmWidthBytes, 8);
    EXPECT_EQ(ds.dsBm.bmBitsPixel, 8);
    EXPECT_EQ(ds.dsBm.bmBits, bits);
    EXPECT_TRUE(DeleteObject(section));

    for (const Info256& bad : {MakeInfo(4, -4, 8), MakeInfo(4, 4, 24), MakeInfo(4, 4, 4),
                               MakeInfo(0, 4, 8), MakeInfo(4, 0, 32)}) {
        bits = reinterpret_cast<void*>(1);
        EXPECT_EQ(CreateDIBSection(nullptr, AsInfo(bad), DIB_RGB_COLORS, &bits, nullptr, 0),
                  nullptr);
        EXPECT_EQ(bits, nullptr);
    }
    Info256 rle = MakeInfo(4, 4, 8);
    rle.header.biCompression = BI_RLE8;
    EXPECT_EQ(CreateDIBSection(nullptr, AsInfo(rle), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    // A byte count that overflows is refused, not wrapped.
    Info256 huge = MakeInfo(0x7FFFFFFF, 0x7FFFFFFF, 32);
    EXPECT_EQ(CreateDIBSection(nullptr, AsInfo(huge), DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);

    for (int height : {4, -4}) {
        Info256 truecolour = MakeInfo(3, height, 32);
        HBITMAP h =
            CreateDIBSection(nullptr, AsInfo(truecolour), DIB_RGB_COLORS, &bits, nullptr, 0);
        EXPECT_NE(h, nullptr);
        EXPECT_TRUE(DeleteObject(h));
    }
}

TEST(GdiObjects, StaleAndWrongHandlesFail) {
    Info256 info = MakeInfo(4, 4, 8);
    HBITMAP bitmap = CreateDIBSection(nullptr, AsInfo(info), DIB_RGB_COLORS, nullptr, nullptr, 0);
    HDC dc = CreateCompatibleDC(nullptr);
    HDC other = CreateCompatibleDC(dc);
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(GetObjectType(dc), static_cast<DWORD>(OBJ_MEMDC));

    // The first selection returns the context's initial bitmap; a bitmap sits in one context.
    const HGDIOBJ initial = SelectObject(dc, bitmap);
    ASSERT_NE(initial, nullptr);
    EXPECT_EQ(GetObjectType(initial), static_cast<DWORD>(OBJ_BITMAP));
    EXPECT_EQ(SelectObject(other, bitmap), nullptr);
    EXPECT_EQ(GetCurrentObject(dc, OBJ_BITMAP), bitmap);
    // A selected bitmap cannot be deleted; once deselected it can, exactly once.
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(dc, initial), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(dc, bitmap), nullptr);
    EXPECT_EQ(GetObject(bitmap, 0, nullptr), 0);
    EXPECT_EQ(GetObjectType(bitmap), 0u);

    // Handles of the wrong kind, and contexts through DeleteObject.
    EXPECT_EQ(SelectObject(reinterpret_cast<HDC>(bitmap), initial), nullptr);
    EXPECT_FALSE(DeleteObject(dc));
    EXPECT_EQ(SelectPalette(dc, reinterpret_cast<HPALETTE>(dc), FALSE), nullptr);
    EXPECT_EQ(GetTextColor(reinterpret_cast<HDC>(initial)), CLR_INVALID);
    EXPECT_TRUE(DeleteObject(initial)); // stock objects survive deletion
    EXPECT_EQ(GetObjectType(initial), static_cast<DWORD>(OBJ_BITMAP));

    EXPECT_TRUE(DeleteDC(dc));
    EXPECT_FALSE(DeleteDC(dc));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), 0);
    EXPECT_TRUE(DeleteDC(other));
    EXPECT_EQ(CreateCompatibleDC(dc), nullptr);
    EXPECT_EQ(CreateDC("PRINTER", "", "", nullptr), nullptr);
    HDC display = CreateDC("DISPLAY", "", "", nullptr);
    ASSERT_NE(display, nullptr);
    EXPECT_EQ(GetDeviceCaps(display, BITSPIXEL), 32);
    EXPECT_EQ(GetDeviceCaps(display, RASTERCAPS) & RC_PALETTE, 0);
    EXPECT_TRUE(DeleteDC(display));
}

// Palettes' entries, the nearest index and selecting them: tests/winapi, on both
// implementations. What fails besides:
TEST(GdiPalettes, MissingAndDeletedPalettesFail) {
    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[2];
    } log = {0x300, 2, {{10, 10, 10, 0}, {20, 20, 20, 0}}};
    HPALETTE palette = CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(GetNearestPaletteIndex(nullptr, 0), CLR_INVALID);
    EXPECT_EQ(RealizePalette(nullptr), static_cast<UINT>(GDI_ERROR));
    HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(GetSystemPaletteEntries(dc, 0, 0, nullptr), 0u);
    DeleteDC(dc);
    PALETTEENTRY e[1] = {};
    EXPECT_EQ(GetPaletteEntries(palette, 0, 1, e), 1u);
    EXPECT_TRUE(DeleteObject(palette));
    EXPECT_EQ(GetPaletteEntries(palette, 0, 1, e), 0u);
}

// SetDIBits and BitBlt as the real calls do them: tests/winapi, on both implementations. What
// our layer refuses besides:

TEST(GdiSetDIBits, TopDownCompressedAndOutOfRangeSourcesCopyNothing) {
    Section indexed(2, 1, 8, kFour);
    const DWORD bits32[2] = {0xFF0000FF, 0x0000FF00};
    Info256 rgb32 = MakeInfo(2, 1, 32);
    Info256 topDown = MakeInfo(2, -1, 32);
    EXPECT_EQ(SetDIBits(nullptr, indexed.bitmap, 0, 1, bits32, AsInfo(topDown), DIB_RGB_COLORS), 0);
    Info256 rle = MakeInfo(2, 1, 8, kFour);
    rle.header.biCompression = BI_RLE8;
    EXPECT_EQ(SetDIBits(nullptr, indexed.bitmap, 0, 1, bits32, AsInfo(rle), DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBits(nullptr, indexed.bitmap, 1, 1, bits32, AsInfo(rgb32), DIB_RGB_COLORS), 0);
    EXPECT_EQ(SetDIBits(nullptr, nullptr, 0, 1, bits32, AsInfo(rgb32), DIB_RGB_COLORS), 0);
    // The four bytes' top byte is not a colour.
    EXPECT_EQ(SetDIBits(nullptr, indexed.bitmap, 0, 1, bits32, AsInfo(rgb32), DIB_RGB_COLORS), 1);
    EXPECT_EQ(indexed.Index(0, 0), 3);
}

TEST(GdiBlits, OnlyTheCopyingOperationIsDone) {
    Section source(3, 2, 8, kFour);
    Section screen(3, -2, 32);
    EXPECT_TRUE(BitBlt(screen.dc, 0, 0, 3, 2, source.dc, 0, 0, SRCCOPY));
    EXPECT_FALSE(BitBlt(screen.dc, 0, 0, 3, 2, source.dc, 0, 0, 0x00EE0086)); // SRCPAINT
}

TEST(GdiBlits, EightBitOntoTrueColourIsExactForEveryIndexLengthAndAlignment) {
    // Every index its own colour, with blue, green and red bytes that differ, and indices in
    // an order that mixes the table's halves.
    std::vector<RGBQUAD> table(256);
    for (int i = 0; i < 256; ++i) {
        table[static_cast<std::size_t>(i)] = Quad(i, (i * 7 + 3) & 0xFF, (i * 13 + 5) & 0xFF);
    }
    Section source(420, 2, 8, table);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 420; ++x) {
            source.Index(x, y) = static_cast<BYTE>((x * 37 + y * 101) & 0xFF);
        }
    }
    const auto colour = [&](int index) {
        const RGBQUAD& c = table[static_cast<std::size_t>(index)];
        return (DWORD(c.rgbRed) << 16) | (DWORD(c.rgbGreen) << 8) | c.rgbBlue;
    };
    const DWORD untouched = 0xFF000001u; // a value no blit writes
    Section screen(500, -2, 32);
    // With the processor's byte permutes (where it has them) and with the plain path.
    struct Restore {
        ~Restore() { g_dvBytePermutes = true; }
    } restore;
    for (int permutes = 1; permutes >= 0; --permutes) {
        g_dvBytePermutes = permutes != 0;
        for (int dx = 0; dx < 17; ++dx) {
            for (int sx : {0, 1, 3}) {
                for (int n : {1, 63, 64, 127, 128, 129, 191, 255, 256, 320, 383, 400}) {
                    for (int y = 0; y < 2; ++y) {
                        std::fill_n(&screen.Pixel(0, y), 500, untouched);
                    }
                    ASSERT_TRUE(BitBlt(screen.dc, dx, 0, n, 2, source.dc, sx, 0, SRCCOPY));
                    for (int y = 0; y < 2; ++y) {
                        for (int x = 0; x < 500; ++x) {
                            const bool inside = x >= dx && x < dx + n && x - dx + sx < 420;
                            const DWORD want =
                                inside ? colour(source.Index(x - dx + sx, y)) : untouched;
                            ASSERT_EQ(screen.Pixel(x, y), want)
                                << "permutes " << permutes << " dx " << dx << " sx " << sx << " n "
                                << n << " at " << x;
                        }
                    }
                }
            }
        }
    }
}

TEST(GdiBlits, StretchingPicksTheNearestPixelAndClipsBothSides) {
    Section source(4, 1, 32);
    for (int x = 0; x < 4; ++x) {
        source.Pixel(x, 0) = static_cast<DWORD>(x + 1);
    }
    Section wide(8, 2, 32);
    EXPECT_TRUE(StretchBlt(wide.dc, 0, 0, 8, 2, source.dc, 0, 0, 4, 1, SRCCOPY));
    for (int x = 0; x < 8; ++x) {
        EXPECT_EQ(wide.Pixel(x, 1), static_cast<DWORD>(x / 2 + 1)) << x;
    }
    Section narrow(2, 1, 32);
    EXPECT_TRUE(StretchBlt(narrow.dc, 0, 0, 2, 1, source.dc, 0, 0, 4, 1, SRCCOPY));
    EXPECT_EQ(narrow.Pixel(0, 0), 2u); // centres at source 1 and 3
    EXPECT_EQ(narrow.Pixel(1, 0), 4u);
    // Opposite signs mirror.
    EXPECT_TRUE(StretchBlt(narrow.dc, 2, 0, -2, 1, source.dc, 0, 0, 4, 1, SRCCOPY));
    EXPECT_EQ(narrow.Pixel(0, 0), 3u);
    EXPECT_EQ(narrow.Pixel(1, 0), 1u);

    // A destination reaching past every edge writes only inside, and source pixels that lie
    // outside their surface are not drawn at all.
    Section target(4, 4, 32);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            target.Pixel(x, y) = 0xEEu;
        }
    }
    EXPECT_TRUE(BitBlt(target.dc, -1, 2, 6, 5, source.dc, -2, 0, SRCCOPY));
    const DWORD row2[4] = {0xEE, 1, 2, 3};
    for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(target.Pixel(x, 2), row2[x]) << x;
        EXPECT_EQ(target.Pixel(x, 3), 0xEEu) << x; // source row 1 does not exist
        EXPECT_EQ(target.Pixel(x, 1), 0xEEu) << x;
    }
    EXPECT_TRUE(
        StretchBlt(target.dc, -100000, -100000, 200000, 200000, source.dc, 0, 0, 4, 1, SRCCOPY));
    EXPECT_EQ(target.Pixel(0, 0), 3u);
    EXPECT_TRUE(BitBlt(target.dc, 0x7FFFFFF0, 0x7FFFFFF0, 0x7FFFFFFF, 4, source.dc, 0, 0, SRCCOPY));
    EXPECT_TRUE(BitBlt(target.dc, 0, 0, 0, 4, source.dc, 0, 0, SRCCOPY));
}

TEST(GdiWindowContexts, DrawAtTheOriginAndOnlyInsideTheClip) {
    Section screen(8, -6, 32);
    HDC window = DvCreateWindowDC(screen.bitmap, POINT{2, 1}, RECT{2, 1, 6, 4});
    ASSERT_NE(window, nullptr);
    const RECT everything = {-10, -10, 100, 100};
    CDC dc;
    dc.Attach(window);
    dc.FillSolidRect(&everything, RGB(255, 0, 0));
    EXPECT_EQ(dc.GetBkColor(), RGB(255, 0, 0));
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x) {
            const bool inside = x >= 2 && x < 6 && y >= 1 && y < 4;
            EXPECT_EQ(screen.Pixel(x, y), inside ? 0x00FF0000u : 0u) << x << "," << y;
        }
    }
    // Logical (1, 1) is screen (3, 2); blits clip the same way.
    Section tile(2, 2, 8, kFour);
    std::memset(tile.bits, 3, static_cast<std::size_t>(tile.stride) * 2);
    dc.BitBlt(1, 1, 2, 2, CDC::FromHandle(tile.dc), 0, 0, SRCCOPY);
    EXPECT_EQ(screen.Pixel(3, 2), 0x000000FFu);
    EXPECT_EQ(screen.Pixel(4, 3), 0x000000FFu);
    dc.BitBlt(3, 2, 2, 2, CDC::FromHandle(tile.dc), 0, 0, SRCCOPY);
    EXPECT_EQ(screen.Pixel(5, 3), 0x000000FFu);
    EXPECT_EQ(screen.Pixel(5, 4), 0u);
    EXPECT_EQ(screen.Pixel(6, 3), 0u);
    // A window context takes no bitmap of its own.
    EXPECT_EQ(SelectObject(window, tile.bitmap), nullptr);
    EXPECT_EQ(DvCreateWindowDC(tile.bitmap, POINT{0, 0}, RECT{0, 0, 1, 1}), nullptr);
    EXPECT_TRUE(dc.DeleteDC());
    CDC::DeleteTempMap();
}

// The clip box is what drawing can reach, in the context's own coordinates.
TEST(GdiWindowContexts, ClipBoxIsTheReachableAreaInLogicalCoordinates) {
    const auto box = [](HDC dc, int expected, RECT want) {
        RECT r = {-1, -1, -1, -1};
        EXPECT_EQ(GetClipBox(dc, &r), expected);
        EXPECT_TRUE(r.left == want.left && r.top == want.top && r.right == want.right &&
                    r.bottom == want.bottom)
            << r.left << "," << r.top << "-" << r.right << "," << r.bottom;
    };
    Section screen(8, -6, 32);
    HDC inner = DvCreateWindowDC(screen.bitmap, POINT{2, 1}, RECT{3, 2, 6, 4});
    HDC wide = DvCreateWindowDC(screen.bitmap, POINT{2, 1}, RECT{-5, -5, 100, 100});
    HDC outside = DvCreateWindowDC(screen.bitmap, POINT{0, 0}, RECT{20, 20, 30, 30});
    box(inner, SIMPLEREGION, RECT{1, 1, 4, 3});
    box(wide, SIMPLEREGION, RECT{-2, -1, 6, 5}); // only the screen's pixels
    box(outside, NULLREGION, RECT{0, 0, 0, 0});
    Section memory(5, 3, 8, kFour);
    box(memory.dc, SIMPLEREGION, RECT{0, 0, 5, 3});
    CDC framework;
    framework.Attach(memory.dc);
    RECT r;
    EXPECT_EQ(framework.GetClipBox(&r), SIMPLEREGION);
    EXPECT_EQ(r.right, 5);
    framework.Detach();
    EXPECT_EQ(GetClipBox(memory.dc, nullptr), ERROR);
    for (HDC dc : {inner, wide, outside}) {
        DeleteDC(dc);
    }
    EXPECT_EQ(GetClipBox(inner, &r), ERROR);
}

TEST(GdiFills, SolidColoursMatchTheTargetTable) {
    Section indexed(5, 2, 8, kFour);
    CDC dc;
    dc.Attach(indexed.dc);
    dc.FillSolidRect(1, 0, 2, 2, RGB(10, 200, 30));
    EXPECT_EQ(indexed.Index(0, 0), 0);
    EXPECT_EQ(indexed.Index(1, 0), 2);
    EXPECT_EQ(indexed.Index(2, 1), 2);
    EXPECT_EQ(indexed.Index(3, 1), 0);
    // Palette-relative colours match the same way; PALETTEINDEX names an entry of the selected
    // palette (the default one: 4 is 0/0/128, nearest to blue).
    dc.FillSolidRect(0, 0, 1, 1, PALETTERGB(200, 0, 0));
    EXPECT_EQ(indexed.Index(0, 0), 1);
    dc.FillSolidRect(0, 0, 1, 1, PALETTEINDEX(4));
    EXPECT_EQ(indexed.Index(0, 0), 3);
    HBRUSH brush = CreateSolidBrush(RGB(0, 0, 250));
    const RECT r = {4, 0, 9, 9};
    EXPECT_EQ(FillRect(indexed.dc, &r, brush), 1);
    EXPECT_EQ(indexed.Index(4, 1), 3);
    EXPECT_EQ(indexed.Row(0)[5], 0); // the row's padding lies outside the surface
    EXPECT_TRUE(DeleteObject(brush));
    EXPECT_EQ(FillRect(indexed.dc, &r, brush), 0);
    dc.Detach();
}

TEST(GdiFramework, WrappersFollowTheirHandles) {
    CPalette palette;
    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY palPalEntry[2];
    } log = {0x300, 2, {{1, 2, 3, 0}, {4, 5, 6, 0}}};
    ASSERT_TRUE(palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log)));
    EXPECT_FALSE(palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log)));
    EXPECT_EQ(palette.GetEntryCount(), 2);
    EXPECT_EQ(palette.GetNearestPaletteIndex(RGB(4, 5, 7)), 1u);
    EXPECT_EQ(CPalette::FromHandle(palette), &palette);

    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    EXPECT_EQ(CDC::FromHandle(dc.GetSafeHdc()), &dc);
    CPalette* previous = dc.SelectPalette(&palette, FALSE);
    ASSERT_NE(previous, nullptr);
    EXPECT_EQ(previous->m_hObject, GetStockObject(DEFAULT_PALETTE));
    EXPECT_EQ(dc.SelectPalette(previous, FALSE), &palette);
    EXPECT_EQ(dc.RealizePalette(), 0u);
    EXPECT_EQ(dc.SetTextColor(RGB(1, 2, 3)), RGB(0, 0, 0));
    EXPECT_EQ(dc.GetTextColor(), RGB(1, 2, 3));
    EXPECT_EQ(dc.SetBkMode(TRANSPARENT), OPAQUE);
    EXPECT_EQ(dc.GetBkMode(), TRANSPARENT);
    CGdiObject::DeleteTempMap();

    // Deleting through the wrapper releases the handle once.
    const HGDIOBJ handle = palette.m_hObject;
    EXPECT_TRUE(palette.DeleteObject());
    EXPECT_FALSE(palette.DeleteObject());
    EXPECT_EQ(GetObjectType(handle), 0u);
    EXPECT_EQ(palette.GetEntryCount(), 0);
}
