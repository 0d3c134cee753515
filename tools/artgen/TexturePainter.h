// The seven 128 x 128 terrain textures, drawn in ideal colours on the 128-texel torus and then
// dithered into the shared table. Every drawing step wraps around the edges, so a texture laid
// beside itself shows no seam.
#pragma once

#include "tools/artgen/TexturePalette.h"

#include <cstdint>
#include <vector>

class CTexturePainter {
public:
    static constexpr int kSize = 128;

    explicit CTexturePainter(const CTexturePalette& palette) : m_palette(palette) {}

    // The indices of texture bitmap `id` (132 to 138), kSize rows of kSize, top row first.
    // An unknown id gives an empty vector.
    std::vector<std::uint8_t> Paint(int id) const;

private:
    std::vector<std::uint8_t> Sand() const;
    std::vector<std::uint8_t> Earth() const;
    std::vector<std::uint8_t> Lava() const;
    std::vector<std::uint8_t> Water() const;
    std::vector<std::uint8_t> Snow() const;
    std::vector<std::uint8_t> Forest() const;
    std::vector<std::uint8_t> Grass() const;

    const CTexturePalette& m_palette;
};
