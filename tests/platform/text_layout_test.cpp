// The text engine without a device context: face lookup, metrics, glyphs, decoding, line
// breaking, alignment and inking into a coverage mask.
#include <gtest/gtest.h>

#include "win32/FontCatalog.h"
#include "win32/FontFace.h"
#include "win32/TextLayout.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

CFontFace& DialogFace() {
    const FontFile& file = CFontCatalog::Instance().Find("MS Sans Serif", FW_NORMAL, false);
    CFontFace* face = CFontFace::Get(file, 11);
    EXPECT_NE(face, nullptr);
    return *face;
}

int Width(CFontFace& face, const std::u32string& s) {
    int w = 0;
    for (char32_t c : s) {
        w += face.Advance(c);
    }
    return w;
}

// Ink columns of a mask row range, as a bounding rectangle.
RECT InkBox(const CCoverageMask& mask) {
    RECT box{INT32_MAX, INT32_MAX, INT32_MIN, INT32_MIN};
    const RECT& b = mask.Bounds();
    for (int y = b.top; y < b.bottom; ++y) {
        for (int x = b.left; x < b.right; ++x) {
            if (mask.Covered(x, y)) {
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y),
                           std::max<LONG>(box.right, x + 1), std::max<LONG>(box.bottom, y + 1)};
            }
        }
    }
    return box;
}

} // namespace

TEST(FontCatalog, DialogFamiliesAndUnknownFamiliesUseTheSansFace) {
    CFontCatalog& catalog = CFontCatalog::Instance();
    const std::string sans = catalog.Find("sans-serif", FW_NORMAL, false).m_path;
    ASSERT_FALSE(sans.empty());
    EXPECT_NE(sans.find("DejaVuSans.ttf"), std::string::npos) << sans;
    EXPECT_EQ(catalog.Find("MS Sans Serif", FW_NORMAL, false).m_path, sans);
    EXPECT_EQ(catalog.Find("MS Shell Dlg", 0, false).m_path, sans);
    EXPECT_EQ(catalog.Find("No Such Family Anywhere", FW_NORMAL, false).m_path, sans);
    EXPECT_EQ(catalog.Find(nullptr, FW_NORMAL, false).m_path, sans);
    // A bold request finds the bold face, not the regular one.
    const FontFile& bold = catalog.Find("MS Sans Serif", FW_BOLD, false);
    EXPECT_NE(bold.m_path, sans);
    EXPECT_NE(bold.m_path.find("Bold"), std::string::npos) << bold.m_path;
}

TEST(FontFace, MetricsMatchTheDialogFontAndGlyphsAreCrisp) {
    CFontFace& face = DialogFace();
    // 8 points at 96 pixels per inch: character height 11, a cell of 13 as the base units say.
    EXPECT_EQ(face.Em(), 11);
    EXPECT_EQ(face.Height(), 13);
    EXPECT_EQ(face.Ascent() + face.Descent(), face.Height());
    const FontFile& file = CFontCatalog::Instance().Find("MS Sans Serif", FW_NORMAL, false);
    EXPECT_EQ(CFontFace::EmForCellHeight(file, 13), 11);
    CFontFace* big = CFontFace::Get(file, CFontFace::EmForCellHeight(file, 40));
    ASSERT_NE(big, nullptr);
    EXPECT_NEAR(big->Height(), 40, 1);

    const CGlyph& a = face.Glyph(U'A');
    EXPECT_GT(a.m_nAdvance, 0);
    ASSERT_GT(a.m_nWidth, 0);
    ASSERT_EQ(a.m_ink.size(), static_cast<std::size_t>(a.m_nWidth * a.m_nHeight));
    int inked = 0;
    for (BYTE v : a.m_ink) {
        ASSERT_TRUE(v == 0 || v == 1); // one bit per pixel, no smoothing
        inked += v;
    }
    EXPECT_GT(inked, 5);
    EXPECT_LE(a.m_nTop, face.Ascent());
    const CGlyph& space = face.Glyph(U' ');
    EXPECT_EQ(std::count(space.m_ink.begin(), space.m_ink.end(), BYTE{1}), 0);
    EXPECT_GT(face.Advance(U' '), 0);
    // An absurd size is drawn at a bounded one.
    CFontFace* huge = CFontFace::Get(file, 1 << 30);
    ASSERT_NE(huge, nullptr);
    EXPECT_LE(huge->Em(), 1024);
}

TEST(TextDecode, Utf8WhereValidElseTheWesternCodePage) {
    EXPECT_EQ(CTextLayout::Decode("A\xC2\xA9z", -1), (std::u32string{U'A', 0xA9, U'z'}));
    EXPECT_EQ(CTextLayout::Decode("\x80\xA9", -1), (std::u32string{0x20AC, 0xA9}));
    // A sequence cut short by the length is two Western letters, not a read past the end.
    EXPECT_EQ(CTextLayout::Decode("\xE2\x82\xAC", 2), (std::u32string{0xE2, 0x201A}));
    EXPECT_EQ(CTextLayout::Decode("\xE2\x82\xAC", 3), (std::u32string{0x20AC}));
    // Overlong and surrogate encodings are not UTF-8.
    EXPECT_EQ(CTextLayout::Decode("\xC0\xAF", -1).size(), 2u);
    EXPECT_EQ(CTextLayout::Decode("\xED\xA0\x80", -1).size(), 3u);
    // Counted text stops at a NUL all the same.
    EXPECT_EQ(CTextLayout::Decode("ab\0cd", 5), U"ab");
    EXPECT_EQ(CTextLayout::Decode(nullptr, 4), U"");
}

TEST(TextLayout, AlignsASingleLineHorizontallyAndVertically) {
    CFontFace& face = DialogFace();
    const RECT r{10, 20, 210, 120};
    const int w = Width(face, U"Dorvane");
    const int h = face.Height();

    const CTextLayout left(face, "Dorvane", -1, DT_SINGLELINE, r);
    ASSERT_EQ(left.Lines().size(), 1u);
    EXPECT_EQ(left.Lines()[0].m_nX, 10);
    EXPECT_EQ(left.Lines()[0].m_nTop, 20);
    EXPECT_EQ(left.Lines()[0].m_nWidth, w);
    EXPECT_EQ(left.Result(), h);

    const CTextLayout centre(face, "Dorvane", -1, DT_SINGLELINE | DT_CENTER | DT_VCENTER, r);
    EXPECT_EQ(centre.Lines()[0].m_nX, 10 + (200 - w) / 2);
    EXPECT_EQ(centre.Lines()[0].m_nTop, 20 + (100 - h) / 2);
    EXPECT_EQ(centre.Result(), (100 - h) / 2 + h); // bottom of the text from the top

    const CTextLayout right(face, "Dorvane", -1, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM, r);
    EXPECT_EQ(right.Lines()[0].m_nX, 210 - w);
    EXPECT_EQ(right.Lines()[0].m_nTop, 120 - h);
    EXPECT_EQ(right.Result(), 100);

    // Vertical placement is for single lines only.
    const CTextLayout multi(face, "Dorvane", -1, DT_BOTTOM, r);
    EXPECT_EQ(multi.Lines()[0].m_nTop, 20);
    EXPECT_EQ(multi.Result(), h);

    // Line ends on a single line are not shown and take no room.
    const CTextLayout single(face, "Dor\r\nvane", -1, DT_SINGLELINE, r);
    EXPECT_EQ(single.Lines().size(), 1u);
    EXPECT_EQ(single.Lines()[0].m_nWidth, w);
}

TEST(TextLayout, BreaksAtNewlinesAndBetweenWords) {
    CFontFace& face = DialogFace();
    const int h = face.Height();
    const RECT wide{0, 0, 1000, 1000};
    const CTextLayout lines(face, "one\ntwo\r\nthree\rfour\n", -1, DT_LEFT, wide);
    ASSERT_EQ(lines.Lines().size(), 4u); // the last line end starts no further line
    EXPECT_EQ(lines.Lines()[2].m_nWidth, Width(face, U"three"));
    EXPECT_EQ(lines.Lines()[3].m_nTop, 3 * h);
    EXPECT_EQ(lines.Result(), 4 * h);
    EXPECT_EQ(CTextLayout(face, "a\n\nb", -1, DT_LEFT, wide).Lines().size(), 3u);
    EXPECT_EQ(CTextLayout(face, "", -1, DT_LEFT, wide).Result(), 0);

    // Without DT_WORDBREAK a long line stays one line.
    const char* notice = "Copyright 2026 the Dorvane authors. All rights reserved.";
    const RECT narrow{5, 5, 5 + 120, 100};
    EXPECT_EQ(CTextLayout(face, notice, -1, DT_LEFT, narrow).Lines().size(), 1u);

    const CTextLayout wrapped(face, notice, -1, DT_WORDBREAK | DT_CENTER, narrow);
    ASSERT_GE(wrapped.Lines().size(), 3u);
    std::u32string rebuilt;
    for (const CTextLine& line : wrapped.Lines()) {
        EXPECT_LE(line.m_nWidth, 120);
        EXPECT_EQ(line.m_nX, 5 + (120 - line.m_nWidth) / 2);
        // The spaces at a break belong to neither line.
        std::u32string text;
        const std::u32string all = CTextLayout::Decode(notice, -1);
        for (int i = line.m_nFirst; i < line.m_nEnd; ++i) {
            text += all[static_cast<std::size_t>(i)];
        }
        EXPECT_NE(text.front(), U' ');
        EXPECT_NE(text.back(), U' ');
        EXPECT_EQ(line.m_nWidth, Width(face, text));
        rebuilt += (rebuilt.empty() ? U"" : U" ") + text;
    }
    EXPECT_EQ(rebuilt, CTextLayout::Decode(notice, -1));

    // A word wider than the rectangle stands alone and overhangs; DT_CALCRECT reports it.
    const CTextLayout longWord(face, "a Supercalifragilistic b", -1, DT_WORDBREAK,
                               RECT{0, 0, 30, 0});
    ASSERT_EQ(longWord.Lines().size(), 3u);
    EXPECT_GT(longWord.Lines()[1].m_nWidth, 30);
    const RECT extent = longWord.Extent();
    EXPECT_EQ(extent.left, 0);
    EXPECT_EQ(extent.right, longWord.Lines()[1].m_nWidth);
    EXPECT_EQ(extent.bottom, 3 * h);
}

TEST(TextLayout, PrefixMarksUnderlineTheNextLetter) {
    CFontFace& face = DialogFace();
    const RECT r{0, 0, 200, 40};
    const CTextLayout marked(face, "&About Dorvane...", -1, DT_SINGLELINE, r);
    const CTextLayout plain(face, "About Dorvane...", -1, DT_SINGLELINE, r);
    EXPECT_EQ(marked.Lines()[0].m_nWidth, plain.Lines()[0].m_nWidth);

    CCoverageMask withMark(RECT{0, 0, 200, 40});
    CCoverageMask without(RECT{0, 0, 200, 40});
    marked.Render(withMark, 0, 0);
    plain.Render(without, 0, 0);
    // The difference is one underline under the "A", below the baseline.
    const int underlineRow = face.Ascent() + face.UnderlineOffset();
    int extra = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (withMark.Covered(x, y) != without.Covered(x, y)) {
                ++extra;
                EXPECT_TRUE(withMark.Covered(x, y));
                EXPECT_LT(x, face.Advance(U'A'));
                EXPECT_GE(y, underlineRow);
                EXPECT_LT(y, underlineRow + face.UnderlineThickness());
            }
        }
    }
    EXPECT_GT(extra, 0);

    // "&&" is one ampersand; DT_NOPREFIX shows every mark; a mark at the end draws nothing.
    EXPECT_EQ(CTextLayout(face, "R&&D", -1, DT_SINGLELINE, r).Lines()[0].m_nWidth,
              Width(face, U"R&D"));
    EXPECT_EQ(CTextLayout(face, "R&&D", -1, DT_SINGLELINE | DT_NOPREFIX, r).Lines()[0].m_nWidth,
              Width(face, U"R&&D"));
    EXPECT_EQ(CTextLayout(face, "RD&", -1, DT_SINGLELINE, r).Lines()[0].m_nWidth,
              Width(face, U"RD"));
}

TEST(CoverageMask, InkStaysInsideTheMaskAndTheInkBounds) {
    CFontFace& face = DialogFace();
    const CTextLayout layout(face, "Jagged gyp\xC3\x89", -1, DT_SINGLELINE, RECT{3, 4, 300, 40});
    const RECT ink = layout.InkBounds();

    CCoverageMask all(RECT{-50, -50, 400, 100});
    layout.Render(all, 0, 0);
    const RECT box = InkBox(all);
    EXPECT_GE(box.left, ink.left);
    EXPECT_GE(box.top, ink.top);
    EXPECT_LE(box.right, ink.right);
    EXPECT_LE(box.bottom, ink.bottom);
    EXPECT_GT(all.Count(), 40);

    // A mask over part of the text holds exactly that part, shifted by the offset.
    CCoverageMask part(RECT{20, 8, 40, 12});
    layout.Render(part, 5, -2);
    int same = 0;
    for (int y = 8; y < 12; ++y) {
        for (int x = 20; x < 40; ++x) {
            ASSERT_EQ(part.Covered(x, y), all.Covered(x - 5, y + 2)) << x << "," << y;
            same += part.Covered(x, y);
        }
    }
    EXPECT_GT(same, 0);
    EXPECT_EQ(part.Count(), same);

    // Runs and rectangles past every edge are cut at the bounds.
    CCoverageMask small(RECT{0, 0, 4, 2});
    const BYTE ones[8] = {1, 1, 1, 1, 1, 1, 1, 1};
    small.CoverRun(-2, 0, ones, 8);
    small.CoverRun(INT32_MAX - 3, 1, ones, 8);
    small.CoverRect(RECT{-100, 1, 1, 100});
    EXPECT_EQ(small.Count(), 5);
    CCoverageMask empty(RECT{5, 5, 5, 9});
    EXPECT_TRUE(empty.IsEmpty());
    layout.Render(empty, 0, 0);
    EXPECT_EQ(empty.Count(), 0);
}

// The glyphs kept for all faces together stay within a few megabytes, however large the faces
// and however many characters are drawn, and a glyph drawn again after it was let go is the
// same as before.
TEST(FontFace, KeptGlyphsAreBoundedByMemoryAndComeBackTheSame) {
    const FontFile& file = CFontCatalog::Instance().Find("MS Sans Serif", FW_NORMAL, false);
    constexpr std::size_t kFewMegabytes = 8u << 20;
    std::vector<CGlyph> first;
    std::size_t largest = 0;
    for (int em = 600; em < 604; ++em) {
        CFontFace* face = CFontFace::Get(file, em);
        ASSERT_NE(face, nullptr);
        for (char32_t code = 33; code < 256; ++code) {
            const CGlyph& glyph = face->Glyph(code);
            if (em == 600) {
                first.push_back(glyph);
            }
            largest = std::max(largest, glyph.m_ink.size());
            ASSERT_LE(CFontFace::CachedGlyphBytes(), kFewMegabytes)
                << em << " " << static_cast<int>(code);
        }
    }
    EXPECT_GT(largest, 100000u) << "the faces are large enough to matter";
    CFontFace* face = CFontFace::Get(file, 600);
    ASSERT_NE(face, nullptr);
    for (char32_t code = 33; code < 256; ++code) {
        const CGlyph& again = face->Glyph(code);
        const CGlyph& before = first[code - 33];
        ASSERT_EQ(again.m_nWidth, before.m_nWidth) << static_cast<int>(code);
        ASSERT_EQ(again.m_nHeight, before.m_nHeight) << static_cast<int>(code);
        ASSERT_EQ(again.m_nLeft, before.m_nLeft) << static_cast<int>(code);
        ASSERT_EQ(again.m_nTop, before.m_nTop) << static_cast<int>(code);
        ASSERT_EQ(again.m_nAdvance, before.m_nAdvance) << static_cast<int>(code);
        ASSERT_TRUE(again.m_ink == before.m_ink) << static_cast<int>(code);
    }
}
