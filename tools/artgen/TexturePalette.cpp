#include "tools/artgen/TexturePalette.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr ArtColour kLowStatics[10] = {
    {0, 0, 0},     {128, 0, 0},   {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128}, {0, 128, 128}, {192, 192, 192}, {192, 220, 192}, {166, 202, 240}};
constexpr ArtColour kHighStatics[10] = {
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},   {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255}, {255, 255, 255}};
// Greys between the cube's six, none equal to a static grey.
constexpr int kExtraGreys[28] = {5,   9,   17,  26,  34,  43,  60,  68,  77,  85,
                                 94,  111, 119, 124, 136, 145, 157, 162, 170, 179,
                                 187, 198, 213, 221, 230, 238, 247, 250};

bool Same(const ArtColour& a, const ArtColour& b) {
    return a.r == b.r && a.g == b.g && a.b == b.b;
}

double Clamp255(double v) {
    return std::min(255.0, std::max(0.0, v));
}

} // namespace

CTexturePalette::CTexturePalette() {
    for (int i = 0; i < 10; ++i) {
        m_table[i] = kLowStatics[i];
        m_table[246 + i] = kHighStatics[i];
    }
    int next = 10;
    for (int r = 0; r < 6; ++r) {
        for (int g = 0; g < 6; ++g) {
            for (int b = 0; b < 6; ++b) {
                const ArtColour c{static_cast<std::uint8_t>(r * 51),
                                  static_cast<std::uint8_t>(g * 51),
                                  static_cast<std::uint8_t>(b * 51)};
                bool isStatic = false;
                for (int s = 0; s < 10; ++s) {
                    isStatic = isStatic || Same(c, kLowStatics[s]) || Same(c, kHighStatics[s]);
                }
                if (!isStatic) {
                    m_table[next++] = c;
                }
            }
        }
    }
    for (int v : kExtraGreys) {
        const auto g = static_cast<std::uint8_t>(v);
        m_table[next++] = ArtColour{g, g, g};
    }
    // Move the two colours with fixed places there, swapping with whatever held the place.
    const ArtColour fixedColours[2] = {{204, 204, 0}, {0, 153, 204}};
    const int fixedPlaces[2] = {55, 178};
    for (int k = 0; k < 2; ++k) {
        for (int i = 10; i < 246; ++i) {
            if (Same(m_table[i], fixedColours[k])) {
                std::swap(m_table[i], m_table[fixedPlaces[k]]);
                break;
            }
        }
    }
    // Index of every cube colour, statics included; and the ascending grey ramp.
    for (int i = 255; i >= 0; --i) {
        const ArtColour& c = m_table[i];
        if (c.r % 51 == 0 && c.g % 51 == 0 && c.b % 51 == 0) {
            m_cube[((c.r / 51) * 6 + c.g / 51) * 6 + c.b / 51] = static_cast<std::uint8_t>(i);
        }
    }
    std::array<std::pair<int, int>, 40> greys{};
    for (int i = 0; i < 256; ++i) {
        const ArtColour& c = m_table[i];
        if (c.r == c.g && c.g == c.b) {
            greys[m_greyCount++] = {c.r, i};
        }
    }
    std::sort(greys.begin(), greys.begin() + m_greyCount);
    for (int k = 0; k < m_greyCount; ++k) {
        m_greyLevels[k] = greys[k].first;
        m_greyIndex[k] = static_cast<std::uint8_t>(greys[k].second);
    }
}

double CTexturePalette::Threshold(int x, int y) {
    static constexpr int kBayer[8][8] = {
        {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
        {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
        {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
        {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
    return (kBayer[y & 7][x & 7] + 0.5) / 64.0;
}

std::uint8_t CTexturePalette::Dither(double r, double g, double b, int x, int y) const {
    const double t = Threshold(x, y);
    int level[3];
    const double c[3] = {r, g, b};
    for (int k = 0; k < 3; ++k) {
        const double v = Clamp255(c[k]) / 51.0;
        const int low = std::min(4, static_cast<int>(std::floor(v)));
        level[k] = (v - low > t) ? low + 1 : low;
    }
    return CubeIndex(level[0], level[1], level[2]);
}

std::uint8_t CTexturePalette::DitherGrey(double v, int x, int y) const {
    const double grey = std::min(255.0, std::max(0.0, v));
    int k = 0;
    while (k + 2 < m_greyCount && m_greyLevels[k + 1] <= grey) {
        ++k;
    }
    const int low = m_greyLevels[k];
    const int high = m_greyLevels[k + 1];
    const double f = (grey - low) / static_cast<double>(high - low);
    return m_greyIndex[f > Threshold(x, y) ? k + 1 : k];
}
