// The one 256-colour table that all seven textures share, and the ordered dithering that turns
// a texel's ideal colour into table indices.
//
// Layout: 0-9 and 246-255 the 20 static colours of the display; 10-245 the 6 x 6 x 6 cube of
// components 0, 51, ..., 255 (without the eight corners that the static colours already hold)
// and 28 extra greys, so that every one of the 256 colours is distinct. Two cube colours sit at
// fixed places: 55 is 204/204/0 (the fill of a texture that failed to load) and 178 is 0/153/204
// (the sky).
#pragma once

#include <array>
#include <cstdint>

struct ArtColour {
    std::uint8_t r;
    std::uint8_t g;
    std::uint8_t b;
};

class CTexturePalette {
public:
    CTexturePalette();

    const std::array<ArtColour, 256>& Table() const { return m_table; }

    // The table index of cube colour (r, g, b), each 0 to 5 in steps of 51.
    std::uint8_t CubeIndex(int r, int g, int b) const { return m_cube[(r * 6 + g) * 6 + b]; }

    // Ordered dithering at texel (x, y): each component lies between two neighbouring cube
    // levels and is rounded up where it exceeds the texel's threshold, so an area of one colour
    // shows the right mix of the two levels. Components are 0 to 255 (values outside are
    // clamped).
    std::uint8_t Dither(double r, double g, double b, int x, int y) const;

    // The same along the table's greys (cube, static and extra greys, 36 in all) for
    // finer steps in grey areas.
    std::uint8_t DitherGrey(double v, int x, int y) const;

    // The threshold of texel (x, y) in (0, 1): an 8 x 8 Bayer matrix, which tiles the texture
    // period.
    static double Threshold(int x, int y);

private:
    std::array<ArtColour, 256> m_table{};
    std::array<std::uint8_t, 216> m_cube{};
    std::array<int, 40> m_greyLevels{};
    std::array<std::uint8_t, 40> m_greyIndex{};
    int m_greyCount = 0;
};
