// The surface's compositing operations, grouped by operation.
#include "gfx/DIB.h"
#include "gfx/Palette.h"
#ifdef _WIN32
#include "windows/ImportStandIn.h"
#else
#include "host/headless/HeadlessHost.h"
#endif

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

namespace {

struct LogPalette256 {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
};

// A palette of `count` distinct colours: entry i is red i, green 3i, blue 255 - i (low bytes).
void MakePalette(CPalette& palette, int count, int shift = 0) {
    LogPalette256 log{0x300, static_cast<WORD>(count), {}};
    for (int i = 0; i < count; ++i) {
        const int c = (i + shift) & 255;
        log.palPalEntry[i] = {static_cast<BYTE>(c), static_cast<BYTE>(3 * c),
                              static_cast<BYTE>(255 - c), 0};
    }
    ASSERT_TRUE(palette.CreatePalette(reinterpret_cast<const LOGPALETTE*>(&log)));
}

BYTE& At(CDIB& dib, int x, int row) {
    return dib.Bits()[(dib.Height() - 1 - row) * dib.Stride() + x];
}

RGBQUAD* Table(CDIB& dib) {
    return reinterpret_cast<RGBQUAD*>(reinterpret_cast<BYTE*>(dib.m_pBMI) +
                                      sizeof(BITMAPINFOHEADER));
}

// A surface whose pixel (x, row) is (base + x + 16 * row) & 255, on the shared test palette.
void Pattern(CDIB& dib, int w, int h, CPalette* palette, int base = 1) {
    ASSERT_TRUE(dib.Create(w, h, 0, palette));
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            At(dib, x, r) = static_cast<BYTE>((base + x + 16 * r) & 255);
        }
    }
}

// Sets g_pPalette for a test and puts it back afterwards.
class AppPalette {
public:
    explicit AppPalette(CPalette* palette) : m_saved(g_pPalette) { g_pPalette = palette; }
    ~AppPalette() { g_pPalette = m_saved; }

private:
    CPalette* m_saved;
};

// A framework context over a surface's own memory context, for the operations that draw on a
// CDC.
class SurfaceDC {
public:
    explicit SurfaceDC(CDIB& dib) { m_dc.Attach(dib.m_hDC); }
    ~SurfaceDC() { m_dc.Detach(); }
    CDC* operator->() { return &m_dc; }
    CDC* get() { return &m_dc; }

private:
    CDC m_dc;
};

class Compositing : public testing::Test {
protected:
    void SetUp() override { MakePalette(m_palette, 256); }
    CPalette m_palette;
};

} // namespace

// ---- MapToPalette ----------------------------------------------------------------------------

TEST_F(Compositing, MapToPaletteOntoItsOwnColoursChangesNoPixel) {
    CDIB dib;
    Pattern(dib, 13, 7, &m_palette);
    std::vector<BYTE> before(dib.Bits(), dib.Bits() + dib.Stride() * dib.Height());
    EXPECT_EQ(dib.MapToPalette(&m_palette), 1);
    EXPECT_TRUE(std::memcmp(before.data(), dib.Bits(), before.size()) == 0);
    EXPECT_EQ(dib.m_pBMI->bmiHeader.biClrUsed, 256u);
}

TEST_F(Compositing, MapToPaletteKeepsColoursAndTakesThePalettesTable) {
    // The target palette holds the same colours one place further on: every pixel moves up by
    // one index and keeps its colour.
    CPalette shifted;
    MakePalette(shifted, 256, -1);
    CDIB dib;
    Pattern(dib, 10, 4, &m_palette);
    EXPECT_EQ(dib.MapToPalette(&shifted), 1);
    for (int r = 0; r < 4; ++r) {
        for (int x = 0; x < 10; ++x) {
            EXPECT_EQ(At(dib, x, r), ((1 + x + 16 * r) + 1) & 255);
        }
    }
    // The row ends are remapped too.
    EXPECT_EQ(dib.Bits()[10], 1);
    RGBQUAD section[256];
    ASSERT_EQ(GetDIBColorTable(dib.m_hDC, 0, 256, section), 256u);
    for (int i = 0; i < 256; ++i) {
        PALETTEENTRY e;
        shifted.GetPaletteEntries(i, 1, &e);
        EXPECT_EQ(Table(dib)[i].rgbRed, e.peRed);
        EXPECT_EQ(Table(dib)[i].rgbBlue, e.peBlue);
        EXPECT_EQ(std::memcmp(&section[i], &Table(dib)[i], sizeof(RGBQUAD)), 0) << i;
    }
}

TEST_F(Compositing, MapToPaletteWithSixteenEntriesRepeatsTheLastColour) {
    CPalette small;
    MakePalette(small, 16);
    CDIB dib;
    Pattern(dib, 8, 8, &m_palette);
    EXPECT_EQ(dib.MapToPalette(&small), 1);
    for (int i = 16; i < 256; ++i) {
        EXPECT_EQ(Table(dib)[i].rgbRed, 15);
        EXPECT_EQ(Table(dib)[i].rgbGreen, 45);
        EXPECT_EQ(Table(dib)[i].rgbBlue, 240);
    }
    // Every pixel now names one of the 16 entries.
    for (int r = 0; r < 8; ++r) {
        for (int x = 0; x < 8; ++x) {
            EXPECT_LT(At(dib, x, r), 16);
        }
    }
}

TEST_F(Compositing, MapToPaletteWithoutColoursToMapToDoesNothing) {
    CDIB dib;
    Pattern(dib, 8, 8, &m_palette);
    const std::vector<BYTE> before(dib.Bits(), dib.Bits() + dib.Stride() * dib.Height());
    const RGBQUAD first = Table(dib)[5];
    CPalette none; // no GDI palette
    EXPECT_EQ(dib.MapToPalette(&none), 0);
    EXPECT_EQ(dib.MapToPalette(nullptr), 0);
    EXPECT_TRUE(std::memcmp(before.data(), dib.Bits(), before.size()) == 0);
    EXPECT_EQ(std::memcmp(&first, &Table(dib)[5], sizeof first), 0);
    CDIB empty;
    EXPECT_EQ(empty.MapToPalette(&m_palette), 0);
}

// ---- CopyTransparent -------------------------------------------------------------------------

TEST_F(Compositing, CopyTransparentKeysOnTheLowByte) {
    CDIB source;
    CDIB dest;
    Pattern(source, 6, 3, &m_palette, 0); // pixel (0, 0) is index 0
    ASSERT_TRUE(dest.Create(6, 3, 200, &m_palette));
    for (int key : {-1, 0, 256, 3}) {
        SCOPED_TRACE(key);
        dest.Fill(200);
        dest.CopyTransparent(&source, 0, 0, nullptr, key);
        for (int r = 0; r < 3; ++r) {
            for (int x = 0; x < 6; ++x) {
                const int s = At(source, x, r);
                const bool skipped = key >= 0 && s == (key & 255);
                EXPECT_EQ(At(dest, x, r), skipped ? 200 : s) << x << "," << r;
            }
        }
    }
}

TEST_F(Compositing, CopyTransparentToANegativeXDropsTheColumnsThatFallOff) {
    CDIB source;
    CDIB dest;
    Pattern(source, 10, 2, &m_palette);
    ASSERT_TRUE(dest.Create(12, 2, 0, &m_palette));
    dest.CopyTransparent(&source, -3, 0, nullptr, -1);
    for (int x = 0; x < 12; ++x) {
        EXPECT_EQ(At(dest, x, 0), x < 7 ? At(source, x + 3, 0) : 0) << x;
    }
}

// Against the meaning of a clipped copy: destination pixel (X, Y) receives source pixel
// (X - x + sx, Y - y + sy) when that lies in the source rectangle and inside the source; every
// other pixel keeps its value. Rectangles stick out at every edge of both surfaces, or lie wholly
// outside them.
TEST_F(Compositing, CopyTransparentClipsAtEveryEdgeOfBothSurfaces) {
    CDIB source;
    CDIB dest;
    Pattern(source, 9, 7, &m_palette);
    ASSERT_TRUE(dest.Create(11, 6, 0, &m_palette));
    const int positions[] = {-20, -9, -4, -1, 0, 2, 5, 9, 10, 11, 30};
    const int lefts[] = {-12, -3, 0, 4, 8, 9};
    const int sizes[] = {0, 1, 3, 9, 25};
    srand(1);
    for (int x : positions) {
        for (int y : positions) {
            for (int sx : lefts) {
                for (int w : sizes) {
                    const int sy = lefts[(x + 40 + w) % 6];
                    const int h = sizes[(y + 40 + sx + 20) % 5];
                    const RECT r = {sx, sy, sx + w, sy + h};
                    dest.Fill(250);
                    dest.CopyTransparent(&source, x, y, &r, -1);
                    for (int Y = 0; Y < 6; ++Y) {
                        for (int X = 0; X < 11; ++X) {
                            const int u = X - x + sx;
                            const int v = Y - y + sy;
                            const bool inside = u >= sx && u < sx + w && v >= sy && v < sy + h &&
                                                u >= 0 && u < 9 && v >= 0 && v < 7;
                            ASSERT_EQ(At(dest, X, Y), inside ? At(source, u, v) : 250)
                                << "x " << x << " y " << y << " rect " << sx << "," << sy << " "
                                << w << "x" << h << " at " << X << "," << Y;
                        }
                    }
                }
            }
        }
    }
    // The row ends of the destination are never written.
    EXPECT_EQ(dest.Bits()[11], 250);
}

TEST_F(Compositing, CopyTransparentWithAMissingSurfaceDoesNothing) {
    CDIB source;
    CDIB dest;
    CDIB empty;
    Pattern(source, 4, 4, &m_palette);
    ASSERT_TRUE(dest.Create(4, 4, 9, &m_palette));
    dest.CopyTransparent(nullptr, 0, 0, nullptr, -1);
    dest.CopyTransparent(&empty, 0, 0, nullptr, -1);
    empty.CopyTransparent(&source, 0, 0, nullptr, -1);
    EXPECT_EQ(At(dest, 0, 0), 9);
    EXPECT_EQ(empty.Bits(), nullptr);
}

namespace {

// Pixel (x, row) of a surface with many repeats of a few values, so that keys find pixels.
void Speckle(CDIB& dib, int w, int h, CPalette* palette) {
    ASSERT_TRUE(dib.Create(w, h, 0, palette));
    for (int r = 0; r < h; ++r) {
        for (int x = 0; x < w; ++x) {
            At(dib, x, r) = static_cast<BYTE>((x * 7 + r * 13) % 40);
        }
    }
}

bool SamePixels(CDIB& a, CDIB& b) {
    return a.Height() == b.Height() && a.Stride() == b.Stride() &&
           std::memcmp(a.Bits(), b.Bits(), static_cast<std::size_t>(a.Stride()) * a.Height()) == 0;
}

} // namespace

// A surface that is its own source reads as if the source had been taken whole before anything
// was written, whichever way the rectangle moves over itself.
TEST_F(Compositing, CopyTransparentOntoItselfReadsTheWholeSourceFirst) {
    // Columns numbered 0 to 11; the rectangle (0, 0)-(8, 3) moves 2 to the right.
    const BYTE moved[12] = {0, 1, 0, 1, 2, 3, 4, 5, 6, 7, 10, 11};
    for (int key : {-1, 200}) {
        CDIB dib;
        ASSERT_TRUE(dib.Create(12, 4, 0, &m_palette));
        for (int r = 0; r < 4; ++r) {
            for (int x = 0; x < 12; ++x) {
                At(dib, x, r) = static_cast<BYTE>(x);
            }
        }
        const RECT rect = {0, 0, 8, 3};
        dib.CopyTransparent(&dib, 2, 0, &rect, key);
        for (int r = 0; r < 3; ++r) {
            for (int x = 0; x < 12; ++x) {
                ASSERT_EQ(At(dib, x, r), moved[x]) << "key " << key << " at " << x << "," << r;
            }
        }
        EXPECT_EQ(At(dib, 0, 3), 0);
        EXPECT_EQ(At(dib, 2, 3), 2);
    }

    // Every shift in both directions, with and without a key, against the same copy from a
    // separate surface holding the same pixels.
    const RECT rects[] = {{0, 0, 13, 9}, {2, 1, 9, 7}, {-3, -2, 6, 5}};
    for (const RECT& rect : rects) {
        for (int key : {-1, 0, 21, 256}) {
            for (int dy = -6; dy <= 6; ++dy) {
                for (int dx = -8; dx <= 8; ++dx) {
                    CDIB self;
                    CDIB expected;
                    CDIB source;
                    Speckle(self, 13, 9, &m_palette);
                    Speckle(expected, 13, 9, &m_palette);
                    Speckle(source, 13, 9, &m_palette);
                    const int x = rect.left + dx;
                    const int y = rect.top + dy;
                    expected.CopyTransparent(&source, x, y, &rect, key);
                    self.CopyTransparent(&self, x, y, &rect, key);
                    ASSERT_TRUE(SamePixels(self, expected))
                        << "rect " << rect.left << "," << rect.top << " moved " << dx << "," << dy
                        << " key " << key;
                }
            }
        }
    }
}

// ---- Composite -------------------------------------------------------------------------------

TEST_F(Compositing, CompositeWithoutBackgroundShowsTheFillUnderKeyPixels) {
    AppPalette app(&m_palette);
    CDIB sprite;
    CDIB screen;
    Pattern(sprite, 5, 4, &m_palette, 0); // (0, 0) is the key colour 0
    At(sprite, 3, 2) = 0;
    ASSERT_TRUE(screen.Create(20, 10, 99, &m_palette));
    SurfaceDC dc(screen);
    sprite.Composite(dc.get(), 7, 3, nullptr, 0, 42, nullptr, 0, 0);
    for (int r = 0; r < 10; ++r) {
        for (int x = 0; x < 20; ++x) {
            const bool under = x >= 7 && x < 12 && r >= 3 && r < 7;
            int expected = 99;
            if (under) {
                const int s = At(sprite, x - 7, r - 3);
                expected = s == 0 ? 42 : s;
            }
            ASSERT_EQ(At(screen, x, r), expected) << x << "," << r;
        }
    }
    // The surface itself is left as it was.
    EXPECT_EQ(At(sprite, 3, 2), 0);
}

TEST_F(Compositing, CompositeShowsTheBackgroundThatLiesUnderTheDestination) {
    AppPalette app(&m_palette);
    CDIB sprite;
    CDIB background;
    CDIB screen;
    ASSERT_TRUE(sprite.Create(4, 3, 0, &m_palette)); // all key colour but one pixel
    At(sprite, 1, 1) = 77;
    Pattern(background, 16, 12, &m_palette, 100);
    ASSERT_TRUE(screen.Create(20, 14, 5, &m_palette));
    SurfaceDC dc(screen);
    // Background drawn at (2, 1); the sprite's source rectangle is its columns 1 to 3, rows 0 to 2.
    const RECT part = {1, 0, 4, 3};
    sprite.Composite(dc.get(), 6, 4, &part, 0, 42, &background, 2, 1);
    for (int r = 4; r < 7; ++r) {
        for (int x = 6; x < 9; ++x) {
            const int s = At(sprite, x - 6 + 1, r - 4);
            const int expected = s != 0 ? s : At(background, x - 2, r - 1);
            EXPECT_EQ(At(screen, x, r), expected) << x << "," << r;
        }
    }
    EXPECT_EQ(At(screen, 6, 5), 77);
    EXPECT_EQ(At(screen, 9, 4), 5);
    EXPECT_EQ(At(screen, 5, 4), 5);
}

namespace {

// Composite as it draws on dc, worked out from the surface's other operations with a temporary
// surface of the whole source rectangle: the result every shown pixel must have.
void CompositeWhole(CDIB& dib, CDC* dc, int x, int y, const RECT& r, int key, int fillIndex,
                    CDIB* background, int backgroundX, int backgroundY) {
    const int w = r.right - r.left;
    const int h = r.bottom - r.top;
    CDIB temporary;
    if (!temporary.Create(w, h, fillIndex, g_pPalette)) {
        return;
    }
    if (background) {
        const RECT under = {x - backgroundX, y - backgroundY, x - backgroundX + w,
                            y - backgroundY + h};
        temporary.CopyTransparent(background, 0, 0, &under, -1);
    }
    temporary.CopyTransparent(&dib, 0, 0, &r, key);
    const RECT dest = {x, y, x + w, y + h};
    const RECT all = {0, 0, w, h};
    temporary.Paint(dc, &dest, &all);
}

} // namespace

TEST_F(Compositing, CompositeDrawsEveryRectangleAsAWholeTemporarySurfaceWould) {
    AppPalette app(&m_palette);
    CDIB sprite;
    CDIB background;
    Speckle(sprite, 9, 7, &m_palette);
    Pattern(background, 16, 12, &m_palette, 100);
    CDIB screen;
    CDIB expected;
    ASSERT_TRUE(screen.Create(20, 14, 5, &m_palette));
    ASSERT_TRUE(expected.Create(20, 14, 5, &m_palette));
    SurfaceDC dc(screen);
    SurfaceDC expectedDC(expected);
    std::mt19937 random(20261209);
    auto between = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    for (int i = 0; i < 3000; ++i) {
        RECT r;
        r.left = between(-6, 12);
        r.top = between(-6, 10);
        r.right = r.left + between(1, 30);
        r.bottom = r.top + between(1, 24);
        const int x = between(-30, 24);
        const int y = between(-24, 18);
        const int key = between(-1, 3) < 1 ? -1 : between(0, 39);
        const int fill = between(0, 255);
        CDIB* under = between(0, 1) ? &background : nullptr;
        const int bx = between(-8, 8);
        const int by = between(-8, 8);
        sprite.Composite(dc.get(), x, y, &r, key, fill, under, bx, by);
        CompositeWhole(sprite, expectedDC.get(), x, y, r, key, fill, under, bx, by);
        ASSERT_TRUE(SamePixels(screen, expected))
            << "rectangle " << r.left << "," << r.top << "-" << r.right << "," << r.bottom << " at "
            << x << "," << y << " key " << key;
    }
    // The whole surface, drawn partly off the screen.
    sprite.Composite(dc.get(), -4, 9, nullptr, 0, 77, &background, 1, 2);
    const RECT whole = {0, 0, 9, 7};
    CompositeWhole(sprite, expectedDC.get(), -4, 9, whole, 0, 77, &background, 1, 2);
    EXPECT_TRUE(SamePixels(screen, expected));
}

// A source rectangle far larger than the surfaces costs no more than the part that shows: the
// fill shows wherever the surface has no pixels, even where a temporary of the whole rectangle
// could never have been made.
TEST_F(Compositing, CompositeOfAHugeRectangleDrawsThePartThatShows) {
    AppPalette app(&m_palette);
    CDIB sprite;
    Pattern(sprite, 10, 10, &m_palette);
    CDIB screen;
    ASSERT_TRUE(screen.Create(20, 14, 5, &m_palette));
    SurfaceDC dc(screen);
    const RECT huge = {0, 0, 50000, 50000};
    sprite.Composite(dc.get(), 0, 0, &huge, -1, 42, nullptr, 0, 0);
    for (int r = 0; r < 14; ++r) {
        for (int x = 0; x < 20; ++x) {
            const int expected = x < 10 && r < 10 ? At(sprite, x, r) : 42;
            ASSERT_EQ(At(screen, x, r), expected) << x << "," << r;
        }
    }
    // One row two thousand million pixels long, far above the surface: all fill.
    const RECT row = {168, -2147483645, 2145336254, -2147483644};
    sprite.Composite(dc.get(), 3, 12, &row, 0, 9, &sprite, 0, 0);
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(At(screen, x, 12), x < 3 ? 42 : 9) << x;
    }
    EXPECT_EQ(At(screen, 5, 11), 42);
    EXPECT_EQ(At(screen, 5, 13), 42);
}

// ---- StretchTo -------------------------------------------------------------------------------

TEST_F(Compositing, StretchToScalesWholeSurfacesOrTheGivenRectangles) {
    CDIB small;
    CDIB big;
    Pattern(small, 3, 2, &m_palette);
    ASSERT_TRUE(big.Create(6, 4, 0, &m_palette));
    small.StretchTo(&big, nullptr, nullptr);
    for (int r = 0; r < 4; ++r) {
        for (int x = 0; x < 6; ++x) {
            EXPECT_EQ(At(big, x, r), At(small, x / 2, r / 2)) << x << "," << r;
        }
    }
    big.Fill(0);
    const RECT to = {1, 1, 3, 3};
    const RECT from = {2, 0, 3, 2};
    small.StretchTo(&big, &to, &from);
    EXPECT_EQ(At(big, 1, 1), At(small, 2, 0));
    EXPECT_EQ(At(big, 2, 1), At(small, 2, 0));
    EXPECT_EQ(At(big, 2, 2), At(small, 2, 1));
    EXPECT_EQ(At(big, 0, 0), 0);
    EXPECT_EQ(At(big, 3, 1), 0);
    CDIB empty;
    small.StretchTo(&empty, nullptr, nullptr);
    small.StretchTo(nullptr, nullptr, nullptr);
    empty.StretchTo(&big, nullptr, nullptr);
    EXPECT_EQ(At(big, 0, 0), 0);
}

// ---- Dissolve --------------------------------------------------------------------------------

namespace {

// The bounding box of the pixels of `dib` that differ from `fill`, and their number.
struct Changed {
    int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1, count = 0;
};
Changed ChangedPixels(CDIB& dib, int fill) {
    Changed c;
    for (int r = 0; r < dib.Height(); ++r) {
        for (int x = 0; x < dib.Width(); ++x) {
            if (At(dib, x, r) != fill) {
                c.left = std::min(c.left, x);
                c.top = std::min(c.top, r);
                c.right = std::max(c.right, x + 1);
                c.bottom = std::max(c.bottom, r + 1);
                ++c.count;
            }
        }
    }
    return c;
}

} // namespace

TEST_F(Compositing, DissolveWithTheStopFlagSetDrawsExactlyOneTileFromTheSharedSequence) {
    CDIB picture;
    CDIB screen;
    ASSERT_TRUE(picture.Create(40, 30, 7, &m_palette));
    ASSERT_TRUE(screen.Create(60, 50, 0, &m_palette));
    int stop = 1;
    struct Case {
        int tileWidth, tileHeight, w, h;
    } cases[] = {{8, 5, 8, 5}, {6, 0, 6, 6}, {100, 3, 40, 3}, {0, -2, 1, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tileWidth);
        screen.Fill(0);
        srand(7);
        const int r1 = rand();
        const int r2 = rand();
        srand(7);
        SurfaceDC dc(screen);
        picture.Dissolve(dc.get(), 10, 12, nullptr, c.tileWidth, c.tileHeight, 1000, &stop);
        const Changed got = ChangedPixels(screen, 0);
        EXPECT_EQ(got.count, c.w * c.h);
        EXPECT_EQ(got.right - got.left, c.w);
        EXPECT_EQ(got.bottom - got.top, c.h);
        // Offsets: the first number over the free width, the second over the free height; a
        // tile as wide as the area takes offset 0.
        EXPECT_EQ(got.left, 10 + (40 - c.w > 0 ? r1 % (40 - c.w) : 0));
        EXPECT_EQ(got.top, 12 + (30 - c.h > 0 ? r2 % (30 - c.h) : 0));
        // Exactly the two numbers were drawn.
        srand(7);
        rand();
        rand();
        const int third = rand();
        srand(7);
        picture.Dissolve(dc.get(), 10, 12, nullptr, c.tileWidth, c.tileHeight, 1000, &stop);
        EXPECT_EQ(rand(), third);
    }
}

TEST_F(Compositing, DissolveDrawsNothingWithoutBudgetAreaOrContext) {
    CDIB picture;
    CDIB screen;
    ASSERT_TRUE(picture.Create(20, 20, 7, &m_palette));
    ASSERT_TRUE(screen.Create(30, 30, 0, &m_palette));
    SurfaceDC dc(screen);
    int stop = 1;
    picture.Dissolve(dc.get(), 0, 0, nullptr, 4, 4, 0, &stop);
    picture.Dissolve(dc.get(), 0, 0, nullptr, 4, 4, -5, nullptr);
    const RECT empty = {5, 5, 5, 9};
    picture.Dissolve(dc.get(), 0, 0, &empty, 4, 4, 1000, &stop);
    const RECT inverted = {9, 9, 3, 3};
    picture.Dissolve(dc.get(), 0, 0, &inverted, 4, 4, 1000, &stop);
    picture.Dissolve(nullptr, 0, 0, nullptr, 4, 4, 1000, &stop);
    CDIB none;
    none.Dissolve(dc.get(), 0, 0, nullptr, 4, 4, 1000, &stop);
    EXPECT_EQ(ChangedPixels(screen, 0).count, 0);
}

namespace {

// A clock that moves one millisecond each time it is read, so that a dissolve with a budget of
// n milliseconds runs exactly n batches.
#ifdef _WIN32
// The real GetTickCount has no host to stand in for it: the stepping clock takes its place in
// this executable's import table.
DWORD g_dwSteppingNow = 0;
DWORD WINAPI SteppingTickCount() {
    return ++g_dwSteppingNow;
}

class SteppingClockInstalled {
public:
    SteppingClockInstalled() { g_dwSteppingNow = 5000; }
    bool Installed() const { return m_standIn.Installed(); }

private:
    CImportStandIn m_standIn{"KERNEL32.dll", "GetTickCount",
                             reinterpret_cast<void*>(&SteppingTickCount)};
};
#else
class SteppingClock : public CHeadlessHost {
public:
    DWORD TickCount() override { return ++m_dwNow; }

private:
    DWORD m_dwNow = 5000;
};

class SteppingClockInstalled {
public:
    SteppingClockInstalled() : m_previous(DvInstallHost(std::make_unique<SteppingClock>())) {}
    ~SteppingClockInstalled() { DvInstallHost(std::move(m_previous)); }
    bool Installed() const { return true; }

private:
    std::unique_ptr<CHost> m_previous;
};
#endif

} // namespace

TEST_F(Compositing, DissolveRunsWholeBatchesOfAHundredUntilTheBudgetIsSpent) {
    SteppingClockInstalled clock;
    ASSERT_TRUE(clock.Installed());
    CDIB picture;
    CDIB screen;
    Pattern(picture, 5, 4, &m_palette, 10);
    ASSERT_TRUE(screen.Create(9, 8, 0, &m_palette));
    SurfaceDC dc(screen);
    for (int budget : {1, 3}) {
        SCOPED_TRACE(budget);
        screen.Fill(0);
        srand(11);
        for (int i = 0; i < 2 * 100 * budget; ++i) {
            rand();
        }
        const int next = rand();
        srand(11);
        picture.Dissolve(dc.get(), 2, 3, nullptr, 1, 1, budget, nullptr);
        EXPECT_EQ(rand(), next) << "two numbers for each of the 100 * budget tiles";
        // Tiles land only where they belong; the last column and row of the area are never
        // copied, every other pixel is (300 tiles over 12 places).
        for (int r = 0; r < 8; ++r) {
            for (int x = 0; x < 9; ++x) {
                const bool reachable = x >= 2 && x < 6 && r >= 3 && r < 6;
                const int p = At(screen, x, r);
                if (!reachable) {
                    EXPECT_EQ(p, 0) << x << "," << r;
                } else if (budget == 3) {
                    EXPECT_EQ(p, At(picture, x - 2, r - 3)) << x << "," << r;
                } else {
                    EXPECT_TRUE(p == 0 || p == At(picture, x - 2, r - 3)) << x << "," << r;
                }
            }
        }
    }
}

// ---- DrawText --------------------------------------------------------------------------------

namespace {

struct TextState {
    HGDIOBJ font;
    COLORREF colour;
    int mode;
    bool operator==(const TextState&) const = default;
};
TextState StateOf(HDC dc) {
    return {GetCurrentObject(dc, OBJ_FONT), GetTextColor(dc), GetBkMode(dc)};
}

} // namespace

TEST_F(Compositing, DrawTextOutsideTheSurfaceLeavesSurfaceAndContextAsTheyWere) {
    CDIB dib;
    ASSERT_TRUE(dib.Create(40, 20, 3, &m_palette));
    CFont font;
    ASSERT_TRUE(font.CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                                "MS Sans Serif"));
    SetTextColor(dib.m_hDC, RGB(1, 2, 3));
    SetBkMode(dib.m_hDC, OPAQUE);
    const TextState before = StateOf(dib.m_hDC);
    const RECT outside[] = {{-30, 0, 0, 20}, {40, 0, 60, 20}, {0, -15, 40, 0},
                            {0, 20, 40, 50}, {10, 5, 10, 15}, {30, 5, 10, 15}};
    for (RECT r : outside) {
        dib.DrawText("Outside", &r, DT_LEFT | DT_SINGLELINE, &font, RGB(255, 255, 255));
    }
    RECT inside = {0, 0, 40, 20};
    CFont none;
    dib.DrawText("No font", &inside, DT_LEFT, &none, RGB(255, 255, 255));
    dib.DrawText("No font", &inside, DT_LEFT, nullptr, RGB(255, 255, 255));
    dib.DrawText(nullptr, &inside, DT_LEFT, &font, RGB(255, 255, 255));
    EXPECT_TRUE(StateOf(dib.m_hDC) == before);
    for (int r = 0; r < 20; ++r) {
        for (int x = 0; x < 40; ++x) {
            ASSERT_EQ(At(dib, x, r), 3) << x << "," << r;
        }
    }
}

TEST_F(Compositing, DrawTextInkIsTheNearestTableColourAndStaysInsideTheRectangle) {
    CDIB dib;
    ASSERT_TRUE(dib.Create(60, 30, 0, &m_palette));
    CFont font;
    ASSERT_TRUE(
        font.CreateFont(-16, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif"));
    const TextState before = StateOf(dib.m_hDC);
    const COLORREF colour = RGB(250, 5, 250);
    const int ink = static_cast<int>(m_palette.GetNearestPaletteIndex(colour));
    // The high byte of the colour does not count: the colour is always palette-relative.
    for (COLORREF c : {colour, colour | 0x01000000u}) {
        dib.Fill(0);
        RECT r = {4, 6, 34, 26};
        dib.DrawText("WWW", &r, DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX, &font, c);
        EXPECT_EQ(r.left, 4);
        EXPECT_EQ(r.bottom, 26);
        int inked = 0;
        for (int y = 0; y < 30; ++y) {
            for (int x = 0; x < 60; ++x) {
                const int p = At(dib, x, y);
                if (p == 0) {
                    continue;
                }
                ++inked;
                EXPECT_EQ(p, ink) << x << "," << y;
                EXPECT_TRUE(x >= 4 && x < 34 && y >= 6 && y < 26) << x << "," << y;
            }
        }
        EXPECT_GT(inked, 20);
        // Three bold Ws are wider than 30 pixels: the last is cut at the rectangle's edge.
        int rightmost = 0;
        for (int y = 6; y < 26; ++y) {
            rightmost = std::max(rightmost, static_cast<int>(At(dib, 33, y)));
        }
        EXPECT_EQ(rightmost, ink);
    }
    EXPECT_TRUE(StateOf(dib.m_hDC) == before);
}

TEST_F(Compositing, DrawTextPartlyOutsideDrawsTheVisiblePart) {
    CDIB dib;
    ASSERT_TRUE(dib.Create(30, 20, 0, &m_palette));
    CFont font;
    ASSERT_TRUE(font.CreateFont(-14, 0, 0, 0, FW_NORMAL, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0,
                                "MS Sans Serif"));
    RECT r = {-40, -3, 25, 30};
    dib.DrawText("Dorvane", &r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE, &font, RGB(0, 255, 0));
    int inked = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 30; ++x) {
            inked += At(dib, x, y) != 0;
            if (x >= 25) {
                EXPECT_EQ(At(dib, x, y), 0) << x << "," << y;
            }
        }
    }
    EXPECT_GT(inked, 10);
}
