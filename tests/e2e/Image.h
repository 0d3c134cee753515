// An RGB picture for comparing what the desktop shows with what the stills renderer draws:
// screenshots come as PPM files, stills as 8-bit BMP files seen through their colour table.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class CImage {
public:
    // Pixels are 0xRRGGBB, top row first.
    int m_width = 0;
    int m_height = 0;
    std::vector<std::uint32_t> m_pixels;

    // A binary PPM (P6, 8 bits per sample). False for anything else or a damaged file.
    bool LoadPpm(const std::string& path);
    // An 8-bit BMP with a colour table, either row order. False for anything else.
    bool LoadBmp8(const std::string& path);
    bool SavePpm(const std::string& path) const;

    std::uint32_t At(int x, int y) const { return m_pixels[static_cast<size_t>(y) * m_width + x]; }
    // The part at x, y of width x height; empty when it does not lie wholly inside.
    CImage Crop(int x, int y, int width, int height) const;
    // The number of pixels that differ (all of them when the sizes differ), and the first.
    long Differences(const CImage& other, int* pFirstX = nullptr, int* pFirstY = nullptr) const;
    // How many pixels have exactly this colour.
    long Count(std::uint32_t rgb) const;
};
