// The art generator: it draws exactly the committed files, and its dithering mixes
// neighbouring table colours in the right proportions.
#include "ArtFiles.h"

#include "tools/artgen/ArtWriter.h"
#include "tools/artgen/IconPainter.h"
#include "tools/artgen/LegendPainter.h"
#include "tools/artgen/PadPainter.h"
#include "app/PadCommands.h"
#include "tools/artgen/PeriodicNoise.h"
#include "tools/artgen/TexturePalette.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>

using namespace art;

TEST(ArtGenerator, DrawsTheCommittedFilesByteForByte) {
    const std::vector<ArtFile> files = CArtWriter::GenerateAll();
    std::set<std::string> names;
    for (const ArtFile& file : files) {
        SCOPED_TRACE(file.name);
        names.insert(file.name);
        const std::vector<std::uint8_t> committed = ReadFile(ResFolder() + file.name);
        ASSERT_EQ(committed.size(), file.bytes.size());
        EXPECT_TRUE(committed == file.bytes) << "regenerate with dorvane-artgen res";
    }
    const std::set<std::string> expected = {
        "129.bmp",         "130.bmp",         "131.bmp",        "132.bmp",        "133.bmp",
        "134.bmp",         "135.bmp",         "136.bmp",        "137.bmp",        "138.bmp",
        "dorvane.ico",     "dorvane-16.png",  "dorvane-32.png", "dorvane-48.png", "dorvane-64.png",
        "dorvane-128.png", "dorvane-256.png", "pelds.pal",      "pads-legend.png"};
    EXPECT_EQ(names, expected);
}

// The theme icons as another program reads them (ImageMagick's decoder): the icon's scene at
// each size, in the standard colours.
TEST(ArtGenerator, ThemeIconsDecodeToTheIconSceneAtTheirSize) {
    if (std::system("command -v convert >/dev/null 2>&1") != 0) {
        GTEST_SKIP() << "ImageMagick is not installed (scripts/deps installs it)";
    }
    const auto& table = CArtWriter::StandardColours();
    for (int size : kThemeIconSizes) {
        SCOPED_TRACE(size);
        const std::string command =
            "convert '" + ResFolder() + "dorvane-" + std::to_string(size) + ".png' -depth 8 ppm:-";
        std::FILE* pipe = popen(command.c_str(), "r");
        ASSERT_NE(pipe, nullptr);
        std::vector<std::uint8_t> ppm;
        std::uint8_t buffer[65536];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
            ppm.insert(ppm.end(), buffer, buffer + n);
        }
        ASSERT_EQ(pclose(pipe), 0);
        const std::string header =
            "P6\n" + std::to_string(size) + " " + std::to_string(size) + "\n255\n";
        ASSERT_GE(ppm.size(), header.size());
        ASSERT_EQ(std::string(ppm.begin(), ppm.begin() + header.size()), header);
        const std::size_t pixels = static_cast<std::size_t>(size) * size;
        ASSERT_EQ(ppm.size(), header.size() + 3 * pixels);
        const std::vector<std::uint8_t> scene = CIconPainter::Paint(size);
        long wrong = 0;
        for (std::size_t i = 0; i < pixels; ++i) {
            const std::uint8_t* rgb = &ppm[header.size() + 3 * i];
            const auto& want = table[scene[i]];
            wrong += rgb[0] != want[0] || rgb[1] != want[1] || rgb[2] != want[2];
        }
        EXPECT_EQ(wrong, 0);
    }
}

TEST(ArtGenerator, DitherMixesTheTwoNeighbouringColoursInProportion) {
    const CTexturePalette palette;
    const auto& table = palette.Table();
    // A table colour stays itself on every texel.
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            EXPECT_EQ(palette.Dither(204, 204, 0, x, y), 55);
            EXPECT_EQ(palette.Dither(0, 153, 204, x, y), 178);
            EXPECT_EQ(palette.Dither(255, 255, 255, x, y), 255);
            EXPECT_EQ(palette.Dither(0, 0, 0, x, y), 0);
        }
    }
    // 40 % of the way from 102 to 153 in red: 26 of the 64 thresholds lie below 0.4.
    int upper = 0;
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            const ArtColour c = table[palette.Dither(102 + 0.4 * 51, 51, 0, x, y)];
            EXPECT_TRUE(c.r == 102 || c.r == 153);
            EXPECT_EQ(c.g, 51);
            EXPECT_EQ(c.b, 0);
            upper += c.r == 153;
        }
    }
    EXPECT_EQ(upper, 26);
    // Greys use the finer grey ramp: 128 is a table grey, 131 lies between 128 and 136.
    int light = 0;
    for (int x = 0; x < 8; ++x) {
        for (int y = 0; y < 8; ++y) {
            EXPECT_EQ(palette.DitherGrey(128, x, y), 248);
            const ArtColour c = table[palette.DitherGrey(131, x, y)];
            EXPECT_TRUE(c.r == 128 || c.r == 136) << int(c.r);
            EXPECT_TRUE(c.r == c.g && c.g == c.b);
            light += c.r == 136;
        }
    }
    EXPECT_EQ(light, 24); // 3 / 8 of 64
}

TEST(ArtGenerator, NoiseRepeatsWithTheTexturePeriod) {
    const CPeriodicNoise noise(7);
    for (double x : {0.0, 13.25, 99.5}) {
        for (double y : {0.0, 41.75, 127.5}) {
            EXPECT_DOUBLE_EQ(noise.Gradient(x, y, 6), noise.Gradient(x + 128, y - 128, 6));
            EXPECT_DOUBLE_EQ(noise.Fractal(x, y, 3, 4, 0.5), noise.Fractal(x - 256, y, 3, 4, 0.5));
            EXPECT_NEAR(noise.Cellular(x, y, 7).f1, noise.Cellular(x, y + 128, 7).f1, 1e-9);
        }
    }
    EXPECT_NEAR(CPeriodicNoise::Sine(0.5), 0.479425538604203, 1e-12);
    EXPECT_NEAR(CPeriodicNoise::Sine(-20.0), -0.912945250727628, 1e-12);
}

// The legend shows each pad cell's own icon, three times its size, and a label under exactly
// the cells that have a command.
TEST(ArtGenerator, LegendShowsThePadIconsAndLabelsTheCellsWithKeys) {
    const std::vector<std::uint8_t> legend = CLegendPainter::Paint();
    ASSERT_EQ(legend.size(), size_t(CLegendPainter::kWidth) * CLegendPainter::kHeight);
    const auto at = [&](int x, int y) { return legend[size_t(y) * CLegendPainter::kWidth + x]; };
    for (int pad = 0; pad < 3; ++pad) {
        const std::vector<std::uint8_t> picture = CPadPainter::Paint(129 + pad);
        const int padLeft = CLegendPainter::kPadGap +
                            pad * (3 * CLegendPainter::kCellWidth + CLegendPainter::kPadGap);
        for (int cell = 0; cell < 9; ++cell) {
            SCOPED_TRACE(testing::Message() << "pad " << pad + 1 << " cell " << cell);
            const int column = cell % 3;
            const int row = cell / 3;
            const int left = padLeft + column * CLegendPainter::kCellWidth;
            const int top = CLegendPainter::kPadGap + row * CLegendPainter::kCellHeight;
            const int iconLeft = left + (CLegendPainter::kCellWidth - 15 * 3) / 2;
            int mismatches = 0;
            for (int y = 0; y < 15; ++y) {
                for (int x = 0; x < 15; ++x) {
                    const int px = column * 16 + x + (column > 0);
                    const int py = row * 16 + y + (row > 0);
                    if (px < 48 && py < 48 &&
                        at(iconLeft + 3 * x + 1, top + 4 + 3 * y + 1) !=
                            picture[size_t(py) * 48 + px]) {
                        ++mismatches;
                    }
                }
            }
            EXPECT_EQ(mismatches, 0);
            int ink = 0;
            for (int y = top + 4 + 45 + 1; y < top + CLegendPainter::kCellHeight - 1; ++y) {
                for (int x = left + 1; x < left + CLegendPainter::kCellWidth - 1; ++x) {
                    ink += at(x, y) == 0;
                }
            }
            EXPECT_EQ(ink > 0, FindPadCommand(pad * 100 + cell) != nullptr);
        }
    }
}
