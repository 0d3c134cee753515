// The committed art: every file has the size, depth, orientation and colour table the program
// and its resources rely on, the pads show their grid, and the textures tile.
#include "ArtFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

using namespace art;

namespace {

const Rgb kStandard16[16] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                             {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                             {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                             {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

const Rgb kLowStatics[10] = {{0, 0, 0},       {128, 0, 0},    {0, 128, 0},   {128, 128, 0},
                             {0, 0, 128},     {128, 0, 128},  {0, 128, 128}, {192, 192, 192},
                             {192, 220, 192}, {166, 202, 240}};
const Rgb kHighStatics[10] = {{255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},
                              {0, 255, 0},     {255, 255, 0},   {0, 0, 255},     {255, 0, 255},
                              {0, 255, 255},   {255, 255, 255}};

// Checks the file and info headers of a bottom-up BI_RGB bitmap file and returns its colour
// table.
std::vector<Rgb> CheckBitmapFile(const std::vector<std::uint8_t>& f, int width, int height,
                                 int bitCount) {
    const int colours = 1 << bitCount;
    const std::uint32_t rowBytes = ((width * bitCount + 31) / 32) * 4;
    const std::uint32_t offBits = 14 + 40 + 4 * colours;
    EXPECT_EQ(f.size(), offBits + rowBytes * height);
    EXPECT_EQ(f.size() > 2 ? std::string(f.begin(), f.begin() + 2) : "", "BM");
    EXPECT_EQ(U32(f, 2), f.size());
    EXPECT_EQ(U32(f, 10), offBits);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(S32(f, 18), width);
    EXPECT_EQ(S32(f, 22), height) << "a positive height: rows stored bottom-up";
    EXPECT_EQ(U16(f, 26), 1u);
    EXPECT_EQ(U16(f, 28), static_cast<std::uint32_t>(bitCount));
    EXPECT_EQ(U32(f, 30), 0u) << "BI_RGB";
    const std::uint32_t used = U32(f, 46);
    EXPECT_TRUE(used == 0 || used == static_cast<std::uint32_t>(colours)) << used;
    return ColourTable(f, 14, colours);
}

std::vector<std::uint8_t> Texture(int id) {
    return ReadFile(ResFolder() + std::to_string(id) + ".bmp");
}

// Pixel (x, row from the top) of a 48 x 48, 4-bit pad file.
int PadPixel(const std::vector<std::uint8_t>& f, int x, int row) {
    const std::size_t at = 14 + 40 + 64 + static_cast<std::size_t>(47 - row) * 24 + x / 2;
    return at < f.size() ? (x % 2 == 0 ? f[at] >> 4 : f[at] & 15) : -1;
}

} // namespace

TEST(TextureBitmaps, Are128Square8BitBottomUpAndShareOneTable) {
    const std::vector<Rgb> shared = CheckBitmapFile(Texture(132), 128, 128, 8);
    ASSERT_EQ(shared.size(), 256u);
    for (int id = 133; id <= 138; ++id) {
        SCOPED_TRACE(id);
        EXPECT_EQ(CheckBitmapFile(Texture(id), 128, 128, 8), shared);
    }
}

TEST(TextureBitmaps, TableHoldsTheStaticColoursSkyAndFillAndOtherwiseGreysOrSteps51) {
    const std::vector<Rgb> table = ColourTable(Texture(132), 14, 256);
    ASSERT_EQ(table.size(), 256u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(table[i], kLowStatics[i]) << i;
        EXPECT_EQ(table[246 + i], kHighStatics[i]) << 246 + i;
    }
    EXPECT_EQ(table[55], (Rgb{204, 204, 0}));
    EXPECT_EQ(table[178], (Rgb{0, 153, 204}));
    std::set<int> distinct;
    for (int i = 0; i < 256; ++i) {
        const Rgb& c = table[i];
        distinct.insert(c.r << 16 | c.g << 8 | c.b);
        if (i >= 10 && i < 246) {
            const bool grey = c.r == c.g && c.g == c.b;
            const bool steps = c.r % 51 == 0 && c.g % 51 == 0 && c.b % 51 == 0;
            EXPECT_TRUE(grey || steps) << i;
        }
    }
    // All distinct, so that matching a colour to the table finds the one entry that holds it.
    EXPECT_EQ(distinct.size(), 256u);
}

TEST(PaletteFile, IsARiffPaletteHoldingExactlyTheTextureTable) {
    const std::vector<std::uint8_t> f = ReadFile(ResFolder() + "pelds.pal");
    ASSERT_EQ(f.size(), 1048u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 4), "RIFF");
    EXPECT_EQ(U32(f, 4), 1040u);
    EXPECT_EQ(std::string(f.begin() + 8, f.begin() + 16), "PAL data");
    EXPECT_EQ(U32(f, 16), 1028u);
    EXPECT_EQ(U16(f, 20), 0x0300u);
    EXPECT_EQ(U16(f, 22), 256u);
    const std::vector<Rgb> table = ColourTable(Texture(132), 14, 256);
    ASSERT_EQ(table.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const std::size_t at = 24 + 4 * static_cast<std::size_t>(i);
        EXPECT_EQ((Rgb{f[at], f[at + 1], f[at + 2]}), table[i]) << i;
        EXPECT_EQ(f[at + 3], 0) << i;
    }
}

TEST(PadBitmaps, Are48Square4BitWithTheStandardColoursAndTheGrid) {
    for (int id = 129; id <= 131; ++id) {
        SCOPED_TRACE(id);
        const std::vector<std::uint8_t> f = ReadFile(ResFolder() + std::to_string(id) + ".bmp");
        const std::vector<Rgb> table = CheckBitmapFile(f, 48, 48, 4);
        ASSERT_EQ(table.size(), 16u);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(table[i], kStandard16[i]) << i;
        }
        for (int i = 0; i < 48; ++i) {
            for (int line : {16, 32}) {
                EXPECT_EQ(PadPixel(f, line, i), 0) << "column " << line << " row " << i;
                EXPECT_EQ(PadPixel(f, i, line), 0) << "row " << line << " column " << i;
            }
        }
        // The outer edge is background: there are only the two inner lines each way.
        for (int i = 0; i < 48; ++i) {
            if (i != 16 && i != 32) {
                EXPECT_EQ(PadPixel(f, 0, i), 7);
                EXPECT_EQ(PadPixel(f, 47, i), 7);
                EXPECT_EQ(PadPixel(f, i, 0), 7);
                EXPECT_EQ(PadPixel(f, i, 47), 7);
            }
        }
    }
}

TEST(PadBitmaps, CellsHoldBlackIconsWithWhiteLensesAndOneColourCell) {
    struct CellCount {
        int black = 0, grey = 0, white = 0, colour = 0;
    };
    auto count = [](const std::vector<std::uint8_t>& f, int cell) {
        CellCount n;
        const int x0 = 16 * (cell % 3), y0 = 16 * (cell / 3);
        for (int y = y0 + 1; y < y0 + 16; ++y) {
            for (int x = x0 + 1; x < x0 + 16; ++x) {
                const int p = PadPixel(f, x, y);
                (p == 0 ? n.black : p == 7 ? n.grey : p == 15 ? n.white : n.colour)++;
            }
        }
        return n;
    };
    for (int id = 129; id <= 131; ++id) {
        const std::vector<std::uint8_t> f = ReadFile(ResFolder() + std::to_string(id) + ".bmp");
        for (int cell = 0; cell < 9; ++cell) {
            SCOPED_TRACE(testing::Message() << id << " cell " << cell);
            const CellCount n = count(f, cell);
            const bool empty = id == 131 && cell > 0;
            if (empty) {
                EXPECT_EQ(n.grey, 15 * 15);
                continue;
            }
            EXPECT_GT(n.black, 10) << "every command cell shows a drawing";
            EXPECT_GT(n.grey, n.black) << "on the light-grey background";
            const bool lens = id == 129 && (cell == 6 || cell == 8);
            EXPECT_EQ(n.white > 0, lens);
            EXPECT_EQ(n.colour > 0, id == 130 && cell == 8);
        }
    }
    // The colour cell: red and green above, blue and magenta below.
    const std::vector<std::uint8_t> f = ReadFile(ResFolder() + "130.bmp");
    double sumX[16] = {}, sumY[16] = {};
    int n[16] = {};
    for (int y = 33; y < 48; ++y) {
        for (int x = 33; x < 48; ++x) {
            const int p = PadPixel(f, x, y);
            if (p >= 0) {
                sumX[p] += x;
                sumY[p] += y;
                ++n[p];
            }
        }
    }
    for (int c : {9, 10, 12, 13}) {
        ASSERT_GT(n[c], 0) << c;
        sumX[c] /= n[c];
        sumY[c] /= n[c];
    }
    EXPECT_LT(sumX[9], sumX[10]);  // red left of green
    EXPECT_LT(sumX[12], sumX[13]); // blue left of magenta
    EXPECT_LT(sumY[9], sumY[12]);  // red above blue
    EXPECT_LT(sumY[10], sumY[13]); // green above magenta
}

TEST(IconFile, HoldsA32And16ImageOf16ColoursWithMasks) {
    const std::vector<std::uint8_t> f = ReadFile(ResFolder() + "dorvane.ico");
    ASSERT_GE(f.size(), 6u + 2 * 16);
    EXPECT_EQ(U16(f, 0), 0u);
    EXPECT_EQ(U16(f, 2), 1u);
    ASSERT_EQ(U16(f, 4), 2u);
    std::size_t end = 6 + 2 * 16;
    const int sizes[2] = {32, 16};
    for (int k = 0; k < 2; ++k) {
        SCOPED_TRACE(sizes[k]);
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(k);
        const int n = sizes[k];
        EXPECT_EQ(f[entry], n);
        EXPECT_EQ(f[entry + 1], n);
        EXPECT_EQ(f[entry + 2], 16);
        EXPECT_EQ(U16(f, entry + 6), 4u);
        const std::uint32_t bytes = U32(f, entry + 8);
        const std::uint32_t offset = U32(f, entry + 12);
        EXPECT_EQ(offset, end) << "images follow each other";
        const std::uint32_t xorBytes = ((n * 4 + 31) / 32) * 4 * n;
        const std::uint32_t andBytes = ((n + 31) / 32) * 4 * n;
        EXPECT_EQ(bytes, 40 + 64 + xorBytes + andBytes);
        EXPECT_EQ(U32(f, offset), 40u);
        EXPECT_EQ(S32(f, offset + 4), n);
        EXPECT_EQ(S32(f, offset + 8), 2 * n) << "colour image and mask";
        EXPECT_EQ(U16(f, offset + 14), 4u);
        const std::vector<Rgb> table = ColourTable(f, offset, 16);
        ASSERT_EQ(table.size(), 16u);
        for (int i = 0; i < 16; ++i) {
            EXPECT_EQ(table[i], kStandard16[i]) << i;
        }
        end = offset + bytes;
    }
    EXPECT_EQ(f.size(), end);
}

// A texture laid beside itself: the step across the wrap-around seam (last column to first,
// last row to first) is no rougher than the steps between neighbouring columns and rows inside
// the texture that have the same phase of the 8 x 8 dither.
TEST(TextureBitmaps, TileWithoutVisibleSeams) {
    for (int id = 132; id <= 138; ++id) {
        SCOPED_TRACE(id);
        const std::vector<std::uint8_t> f = Texture(id);
        const std::vector<Rgb> table = ColourTable(f, 14, 256);
        ASSERT_EQ(f.size(), 1078u + 128 * 128);
        auto at = [&](int x, int y) { return table[f[1078 + (127 - y) * 128 + x]]; };
        auto step = [&](int x0, int y0, int x1, int y1) {
            const Rgb a = at(x0, y0), b = at(x1, y1);
            return std::abs(a.r - b.r) + std::abs(a.g - b.g) + std::abs(a.b - b.b);
        };
        for (int vertical = 0; vertical < 2; ++vertical) {
            std::vector<double> lines(128, 0.0); // line k: between k and k + 1 (mod 128)
            for (int k = 0; k < 128; ++k) {
                for (int i = 0; i < 128; ++i) {
                    lines[k] +=
                        vertical ? step(i, k, i, (k + 1) % 128) : step(k, i, (k + 1) % 128, i);
                }
            }
            double roughest = 0.0;
            for (int k = 7; k < 127; k += 8) {
                roughest = std::max(roughest, lines[k]);
            }
            EXPECT_LE(lines[127], roughest) << (vertical ? "rows" : "columns");
        }
    }
}
