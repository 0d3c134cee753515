// Text extents, as both implementations measure them with the dialog font. The two systems
// draw it with different faces (a screen face here, the system's own there), so widths of
// letters are not compared; what holds for any face is.
#include <cstring>

#include "ApiFixture.h"

namespace {

// 8 points at 96 pixels per inch, as the dialog templates ask for.
HFONT DialogFont() {
    return CreateFont(-11, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                      OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                      DEFAULT_PITCH | FF_DONTCARE, "MS Sans Serif");
}

SIZE Extent(HDC dc, const char* text) {
    SIZE size = {-1, -1};
    EXPECT_TRUE(GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &size));
    return size;
}

} // namespace

TEST(ApiText, ExtentsOfTheDialogFont) {
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = DialogFont();
    ASSERT_NE(font, nullptr);
    HGDIOBJ old = SelectObject(dc, font);

    TEXTMETRIC tm = {};
    ASSERT_TRUE(GetTextMetrics(dc, &tm));
    // The cell the dialog base units come from.
    EXPECT_EQ(tm.tmHeight, 13);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, 11);

    // One line is a cell high, with letters or without.
    const SIZE none = Extent(dc, "");
    EXPECT_EQ(none.cx, 0);
    const SIZE word = Extent(dc, "Dorvane");
    EXPECT_EQ(word.cy, tm.tmHeight);
    EXPECT_GT(word.cx, 0);
    // A run's width is its letters' widths added up, and only the given count is measured.
    const SIZE left = Extent(dc, "Dor");
    const SIZE right = Extent(dc, "vane");
    EXPECT_EQ(word.cx, left.cx + right.cx);
    SIZE part = {};
    EXPECT_TRUE(GetTextExtentPoint32(dc, "Dorvane", 3, &part));
    EXPECT_EQ(part.cx, left.cx);
    const SIZE spaces = Extent(dc, "   ");
    EXPECT_EQ(spaces.cx, 3 * Extent(dc, " ").cx);

    // DrawText measures a single line as the extent does.
    RECT r = {10, 20, 10, 20};
    const int height = DrawText(dc, "Dorvane", -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_EQ(height, tm.tmHeight);
    EXPECT_EQ(r.left, 10);
    EXPECT_EQ(r.top, 20);
    EXPECT_EQ(r.right - r.left, word.cx);
    EXPECT_EQ(r.bottom - r.top, tm.tmHeight);
    // An ampersand marks the next letter and takes no room, unless DT_NOPREFIX.
    RECT prefixed = {0, 0, 0, 0};
    DrawText(dc, "&Dorvane", -1, &prefixed, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(prefixed.right, word.cx);
    // Two lines are two cells.
    RECT two = {0, 0, 0, 0};
    EXPECT_EQ(DrawText(dc, "Dor\nvane", -1, &two, DT_CALCRECT | DT_NOPREFIX), 2 * tm.tmHeight);
    EXPECT_EQ(two.right, right.cx > left.cx ? right.cx : left.cx);

    SelectObject(dc, old);
    EXPECT_TRUE(DeleteObject(font));
    DeleteDC(dc);
}

TEST(ApiText, DrawingOnAnIndexedSectionInksWithTheNearestIndexOnly) {
    // The program's captions: a colour of the section's table (PALETTERGB), no background.
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colours[4];
    } info = {{sizeof(BITMAPINFOHEADER), 64, 20, 1, 8, BI_RGB, 0, 0, 0, 4, 0},
              {{0, 0, 0, 0}, {0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}}};
    void* bits = nullptr;
    HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<const BITMAPINFO*>(&info),
                                       DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(section, nullptr);
    auto* pixels = static_cast<BYTE*>(bits);
    std::memset(pixels, 2, 64 * 20);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(dc, section);
    HFONT font = DialogFont();
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetTextColor(dc, PALETTERGB(250, 10, 10));
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    RECT r = {4, 2, 60, 18};
    EXPECT_EQ(DrawText(dc, "Orvik", -1, &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX), 13);
    int inked = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 64; ++x) {
            const BYTE index = pixels[(19 - y) * 64 + x];
            ASSERT_TRUE(index == 2 || index == 1) << x << "," << y;
            if (index == 1) {
                ++inked;
                EXPECT_TRUE(x >= 4 && x < 60 && y >= 2 && y < 18) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inked, 20);
    SelectObject(dc, oldFont);
    SelectObject(dc, oldBitmap);
    DeleteObject(font);
    DeleteDC(dc);
    DeleteObject(section);
}
