// Text through device contexts: fonts as GDI objects, DrawText and TextOut into 8-bit and
// 32-bit surfaces, colours, background modes, origins and clips.
#include <gtest/gtest.h>

#include <afxwin.h>
#include <windows.h>

#include "win32/textobj.h"

#include <cstring>
#include <vector>

namespace {

// An 8-bit DIB section selected into a memory context, colour table: index i is grey i, except
// a few pure colours that text tests aim at.
struct Surface8 {
    Surface8(int w, int h, BYTE fill) : width(w), height(h) {
        std::vector<BYTE> record(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* info = reinterpret_cast<BITMAPINFO*>(record.data());
        info->bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
        for (int i = 0; i < 256; ++i) {
            info->bmiColors[i] = {BYTE(i), BYTE(i), BYTE(i), 0};
        }
        info->bmiColors[200] = {0, 0, 250, 0};   // nearly pure red
        info->bmiColors[201] = {0, 200, 0, 0};   // green
        info->bmiColors[202] = {255, 40, 40, 0}; // blue
        void* p = nullptr;
        bitmap = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = static_cast<BYTE*>(p);
        dc = CreateCompatibleDC(nullptr);
        old = SelectObject(dc, bitmap);
        std::memset(bits, fill, static_cast<std::size_t>(Stride() * h));
    }
    ~Surface8() {
        SelectObject(dc, old);
        DeleteDC(dc);
        DeleteObject(bitmap);
    }
    int Stride() const { return (width + 3) & ~3; }
    BYTE At(int x, int y) const { return bits[(height - 1 - y) * Stride() + x]; }
    int Count(BYTE value) const {
        int n = 0;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                n += At(x, y) == value;
            }
        }
        return n;
    }
    // Pixels that are not `background`, as a bounding box; empty when there are none.
    RECT Changed(BYTE background) const {
        RECT box{width, height, 0, 0};
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (At(x, y) != background) {
                    box = {std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
                }
            }
        }
        return box.right > box.left ? box : RECT{0, 0, 0, 0};
    }

    int width, height;
    HBITMAP bitmap = nullptr;
    BYTE* bits = nullptr;
    HDC dc = nullptr;
    HGDIOBJ old = nullptr;
};

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.right <= inner.left ||
           (inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
            inner.bottom <= outer.bottom);
}

HFONT DialogFont(int weight = FW_NORMAL) {
    return CreateFont(-11, 0, 0, 0, weight, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
}

} // namespace

TEST(Font, IsAGdiObjectWithItsLogFont) {
    LOGFONT lf = {};
    lf.lfHeight = -11;
    lf.lfWeight = FW_BOLD;
    std::memset(lf.lfFaceName, 'x', sizeof lf.lfFaceName); // no terminator: must not overrun
    HFONT font = CreateFontIndirect(&lf);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(GetObjectType(font), static_cast<DWORD>(OBJ_FONT));
    LOGFONT back = {};
    EXPECT_EQ(GetObject(font, sizeof back, &back), static_cast<int>(sizeof(LOGFONT)));
    EXPECT_EQ(back.lfHeight, -11);
    EXPECT_EQ(back.lfWeight, FW_BOLD);
    EXPECT_EQ(back.lfFaceName[LF_FACESIZE - 1], '\0');
    EXPECT_EQ(GetObject(font, 0, nullptr), static_cast<int>(sizeof(LOGFONT)));
    EXPECT_EQ(CreateFontIndirect(nullptr), nullptr);

    // Selecting hands back the font selected before.
    Surface8 s(40, 20, 0);
    HFONT other = CreateFont(20, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, nullptr);
    const HGDIOBJ previous = SelectObject(s.dc, font);
    EXPECT_EQ(SelectObject(s.dc, other), font);
    EXPECT_EQ(SelectObject(s.dc, previous ? previous : DvStockFont(DEFAULT_GUI_FONT)), other);
    EXPECT_TRUE(DeleteObject(other));
    // Stock fonts are shared and outlive a DeleteObject.
    const HFONT stock = DvStockFont(DEFAULT_GUI_FONT);
    EXPECT_EQ(DvStockFont(DEFAULT_GUI_FONT), stock);
    EXPECT_EQ(GetStockObject(DEFAULT_GUI_FONT), stock);
    EXPECT_EQ(GetObjectType(GetStockObject(SYSTEM_FONT)), static_cast<DWORD>(OBJ_FONT));
    EXPECT_TRUE(DeleteObject(stock));
    EXPECT_EQ(GetObjectType(stock), static_cast<DWORD>(OBJ_FONT));
    EXPECT_EQ(DvStockFont(WHITE_BRUSH), nullptr);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(GetObjectType(font), 0u);
}

TEST(DrawText, InksOnlyInsideTheRectangleWithTheNearestColour) {
    Surface8 s(120, 60, 0);
    HFONT font = DialogFont();
    const HGDIOBJ oldFont = SelectObject(s.dc, font);
    SetBkMode(s.dc, TRANSPARENT);
    SetTextColor(s.dc, PALETTERGB(255, 0, 0)); // nearest entry: 200
    RECT r{10, 5, 50, 30};
    const int height = DrawText(s.dc, "Wide text that overflows", -1, &r, DT_SINGLELINE);
    EXPECT_EQ(height, 13);
    EXPECT_GT(s.Count(200), 30);
    EXPECT_EQ(s.Count(200) + s.Count(0), 120 * 60); // one colour, nothing else
    EXPECT_TRUE(Inside(s.Changed(0), r));
    EXPECT_EQ(r.left, 10); // the rectangle is left alone without DT_CALCRECT
    EXPECT_EQ(r.right, 50);

    // Plain RGB matches the nearest entry too; DT_NOCLIP lets the line run past the rectangle.
    Surface8 t(120, 60, 0);
    SelectObject(t.dc, font);
    SetBkMode(t.dc, TRANSPARENT);
    SetTextColor(t.dc, RGB(10, 190, 10));
    RECT n{10, 5, 50, 30};
    DrawText(t.dc, "Wide text that overflows", -1, &n, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_EQ(t.Count(201) + t.Count(0), 120 * 60);
    EXPECT_GT(t.Changed(0).right, 50);

    // Text over the surface's edges writes only the surface's own pixels.
    RECT off{-30, -6, 200, 70};
    DrawText(t.dc, "Edges Edges Edges Edges Edges", -1, &off, DT_NOCLIP | DT_SINGLELINE);
    RECT far{100000, 100000, 100100, 100100};
    EXPECT_EQ(DrawText(t.dc, "Far", -1, &far, 0), 13);

    SelectObject(s.dc, oldFont);
    SelectObject(t.dc, oldFont);
    DeleteObject(font);
}

TEST(DrawText, CalcRectMeasuresWithoutDrawing) {
    Surface8 s(200, 100, 7);
    HFONT font = DialogFont();
    SelectObject(s.dc, font);
    SIZE extent = {};
    ASSERT_TRUE(GetTextExtentPoint32(s.dc, "Dorvane Version 1.0", 19, &extent));
    EXPECT_EQ(extent.cy, 13);

    RECT r{4, 6, 4, 6};
    EXPECT_EQ(DrawText(s.dc, "Dorvane Version 1.0", -1, &r, DT_CALCRECT | DT_NOPREFIX), 13);
    EXPECT_EQ(r.left, 4);
    EXPECT_EQ(r.top, 6);
    EXPECT_EQ(r.right - r.left, extent.cx);
    EXPECT_EQ(r.bottom, 6 + 13);
    EXPECT_EQ(s.Count(7), 200 * 100);

    // With word breaks the width is the rectangle's, the height the lines'.
    RECT box{0, 0, 80, 0};
    const int h =
        DrawText(s.dc, "Copyright 2026 the Dorvane authors", -1, &box, DT_CALCRECT | DT_WORDBREAK);
    EXPECT_EQ(h % 13, 0);
    EXPECT_GE(h, 26);
    EXPECT_EQ(box.bottom, h);
    EXPECT_LE(box.right, 80);
    EXPECT_EQ(s.Count(7), 200 * 100);
    // The counted length ends the text, and a bold face is wider.
    RECT four{0, 0, 0, 0};
    DrawText(s.dc, "Dorvane", 4, &four, DT_CALCRECT);
    SIZE dorv = {};
    GetTextExtentPoint32(s.dc, "Dorv", 4, &dorv);
    EXPECT_EQ(four.right, dorv.cx);
    HFONT bold = DialogFont(FW_BOLD);
    SelectObject(s.dc, bold);
    SIZE boldExtent = {};
    GetTextExtentPoint32(s.dc, "Dorvane Version 1.0", 19, &boldExtent);
    EXPECT_GT(boldExtent.cx, extent.cx);
    SelectObject(s.dc, DvStockFont(DEFAULT_GUI_FONT));
    DeleteObject(font);
    DeleteObject(bold);
}

TEST(DrawText, AlignsAndBreaksIntoTheRectangle) {
    HFONT font = DialogFont();
    SIZE word = {};
    {
        Surface8 s(10, 10, 0);
        SelectObject(s.dc, font);
        GetTextExtentPoint32(s.dc, "Dorvane", 7, &word);
    }
    const RECT r{10, 10, 150, 70};
    struct Case {
        UINT format;
        LONG left, top;
    } cases[] = {
        {DT_SINGLELINE, 10, 10},
        {DT_SINGLELINE | DT_CENTER | DT_VCENTER, 10 + (140 - word.cx) / 2, 10 + (60 - 13) / 2},
        {DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, 150 - word.cx, 70 - 13},
    };
    for (const Case& c : cases) {
        Surface8 s(160, 80, 0);
        SelectObject(s.dc, font);
        SetBkMode(s.dc, OPAQUE);
        SetBkColor(s.dc, RGB(0, 200, 0));
        SetTextColor(s.dc, RGB(255, 255, 255));
        RECT rect = r;
        DrawText(s.dc, "Dorvane", -1, &rect, c.format);
        // The opaque background fills exactly the line's cell.
        const RECT cell{c.left, c.top, c.left + word.cx, c.top + 13};
        const RECT changed = s.Changed(0);
        EXPECT_EQ(changed.left, cell.left) << c.format;
        EXPECT_EQ(changed.top, cell.top) << c.format;
        EXPECT_EQ(changed.right, cell.right) << c.format;
        EXPECT_EQ(changed.bottom, cell.bottom) << c.format;
        EXPECT_EQ(s.Count(201) + s.Count(255), word.cx * 13) << c.format;
        EXPECT_GT(s.Count(255), 20) << c.format;
    }

    // Word breaks keep every line inside the rectangle's width, one line below the other.
    Surface8 s(200, 120, 0);
    SelectObject(s.dc, font);
    SetBkMode(s.dc, TRANSPARENT);
    SetTextColor(s.dc, RGB(255, 255, 255));
    RECT para{20, 10, 110, 120};
    const int h = DrawText(s.dc, "Copyright 2026 the Dorvane authors.\nAll rights reserved.", -1,
                           &para, DT_WORDBREAK | DT_NOPREFIX);
    EXPECT_GE(h, 4 * 13);
    const RECT changed = s.Changed(0);
    EXPECT_GE(changed.left, 20);
    EXPECT_LE(changed.right, 110);
    EXPECT_GE(changed.bottom, 10 + h - 13);
    EXPECT_LE(changed.bottom, 10 + h);
    SelectObject(s.dc, DvStockFont(DEFAULT_GUI_FONT));
    DeleteObject(font);
}

TEST(DrawText, WindowContextsHonourTheirOriginAndClip) {
    // A 32-bit screen; the context's logical (0, 0) is at (30, 20), and it may draw only into
    // (25, 15) - (70, 40).
    std::vector<BYTE> record(sizeof(BITMAPINFOHEADER));
    auto* info = reinterpret_cast<BITMAPINFO*>(record.data());
    info->bmiHeader = {sizeof(BITMAPINFOHEADER), 100, -60, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* p = nullptr;
    HBITMAP screen = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &p, nullptr, 0);
    ASSERT_NE(screen, nullptr);
    auto* pixels = static_cast<DWORD*>(p);
    std::fill(pixels, pixels + 100 * 60, 0x00102030u);
    HDC dc = DvCreateWindowDC(screen, POINT{30, 20}, RECT{25, 15, 70, 40});
    ASSERT_NE(dc, nullptr);
    HFONT font = DialogFont();
    const HGDIOBJ oldFont = SelectObject(dc, font);
    ASSERT_EQ(GetObjectType(oldFont), static_cast<DWORD>(OBJ_FONT)); // a new context's font
    SetTextColor(dc, PALETTERGB(250, 128, 3)); // true colour: the colour itself
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(1, 2, 3));
    RECT r{-10, -10, 200, 200};
    DrawText(dc, "MMMMMMMMMMMMMMMMM", -1, &r, DT_SINGLELINE);
    int ink = 0;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 100; ++x) {
            const DWORD v = pixels[y * 100 + x];
            const bool inClip = x >= 25 && x < 70 && y >= 15 && y < 40;
            // The line's cell is logical y -10 to 3: screen rows 10 to 22.
            if (!inClip || y >= 23) {
                EXPECT_EQ(v, 0x00102030u) << x << "," << y;
            } else {
                EXPECT_TRUE(v == 0x00FA8003u || v == 0x00010203u) << x << "," << y;
                ink += v == 0x00FA8003u;
            }
        }
    }
    EXPECT_GT(ink, 20);
    TextOut(dc, 0, 0, "Out", 3);
    EXPECT_FALSE(TextOut(dc, 0, 0, "Out", -1));
    EXPECT_EQ(SelectObject(dc, oldFont), font);
    DeleteObject(font);
    DeleteDC(dc);
    DeleteObject(screen);
    EXPECT_EQ(DrawText(nullptr, "x", -1, &r, 0), 0);
}

TEST(CFont, HoldsOneFontMadeFromPointsOrARecord) {
    CFont font;
    EXPECT_EQ(static_cast<HFONT>(font), nullptr);
    // 8 points at 96 pixels per inch, as the dialog templates ask: character height 11.
    ASSERT_TRUE(font.CreatePointFont(80, "MS Sans Serif"));
    LOGFONT lf = {};
    ASSERT_EQ(font.GetLogFont(&lf), static_cast<int>(sizeof(LOGFONT)));
    EXPECT_EQ(lf.lfHeight, -11);
    EXPECT_STREQ(lf.lfFaceName, "MS Sans Serif");
    const HFONT held = font;
    EXPECT_FALSE(font.CreateFont(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, "Other"));
    EXPECT_EQ(static_cast<HFONT>(font), held);

    Surface8 s(60, 20, 0);
    SelectObject(s.dc, font);
    SetTextColor(s.dc, RGB(255, 255, 255));
    SetBkMode(s.dc, TRANSPARENT);
    RECT r{0, 0, 60, 20};
    EXPECT_EQ(DrawText(s.dc, "Ok", -1, &r, DT_SINGLELINE), 13);
    EXPECT_GT(s.Count(255), 10);
    SelectObject(s.dc, DvStockFont(DEFAULT_GUI_FONT));

    EXPECT_TRUE(font.DeleteObject());
    EXPECT_EQ(GetObjectType(held), 0u);
    lf.lfWeight = FW_BOLD;
    EXPECT_TRUE(font.CreateFontIndirect(&lf));
    EXPECT_FALSE(font.CreateFontIndirect(nullptr));
    CFont none;
    EXPECT_FALSE(none.CreateFontIndirect(nullptr));
}
