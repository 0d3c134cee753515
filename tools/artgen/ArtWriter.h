// Encodes the art into its file formats: bottom-up BMP files for the textures (8 bits, the
// shared table) and the pads (4 bits, the standard 16 colours), the icon file with its two
// images, the icon at the desktop theme's sizes as PNG files, and the RIFF palette file that
// holds the texture table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ArtFile {
    std::string name; // file name inside the art folder, e.g. "132.bmp"
    std::vector<std::uint8_t> bytes;
};

// The sizes of the theme icons dorvane-SIZE.png.
inline constexpr int kThemeIconSizes[] = {16, 32, 48, 64, 128, 256};

class CArtWriter {
public:
    // Every file of the art, in a fixed order: 129-131 pads, 132-138 textures, the icon, the
    // theme icons, the palette file and the pads' legend.
    static std::vector<ArtFile> GenerateAll();

    // The standard 16-colour table as red, green, blue triples.
    static const std::uint8_t (&StandardColours())[16][3];

    // A bottom-up BMP file of `bitCount` 4 or 8 from top-first indices and a colour table of
    // red, green, blue triples.
    static std::vector<std::uint8_t> EncodeBitmap(int width, int height, int bitCount,
                                                  const std::vector<std::uint8_t>& indices,
                                                  const std::vector<std::uint8_t>& rgbTable);

    // A PNG file of 4-bit indices (top-first) into a colour table of up to 16 red, green, blue
    // triples.
    static std::vector<std::uint8_t> EncodePng(int width, int height,
                                               const std::vector<std::uint8_t>& indices,
                                               const std::vector<std::uint8_t>& rgbTable);
};
