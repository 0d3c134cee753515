// One picture of an icon, decoded from the platform's icon format (a DIB of doubled height: the
// colour pixels, then a one-bit mask that marks the transparent ones) into 32-bit pixels.
#pragma once

#include <windows.h>

#include <cstddef>
#include <vector>

class CIconImage {
public:
    // Every picture of an icon file (the directory and its images) that is whole and in a
    // format this reads; pictures that are damaged or cut short are left out. Nothing is read
    // outside data .. data + size.
    static std::vector<CIconImage> ParseFile(const BYTE* data, std::size_t size);
    // One picture: a BITMAPINFOHEADER, its colours, the colour pixels and the mask. False when
    // the bytes do not hold a whole picture.
    static bool ParseImage(const BYTE* data, std::size_t size, CIconImage* image);

    int Width() const { return m_nWidth; }
    int Height() const { return m_nHeight; }
    int BitCount() const { return m_nBitCount; }
    // 0xAARRGGBB, top row first; alpha 0 where the mask is transparent.
    const std::vector<DWORD>& Pixels() const { return m_argb; }
    DWORD Pixel(int x, int y) const { return m_argb[static_cast<std::size_t>(y) * m_nWidth + x]; }

private:
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nBitCount = 0;
    std::vector<DWORD> m_argb;
};
