#include "win32/IconImage.h"

#include <cstdint>
#include <cstring>

namespace {

// Pictures larger than this are not icons and are not read.
constexpr int kMaxSide = 256;

WORD Word(const BYTE* p) {
    return static_cast<WORD>(p[0] | (p[1] << 8));
}
DWORD Dword(const BYTE* p) {
    return static_cast<DWORD>(p[0]) | (static_cast<DWORD>(p[1]) << 8) |
           (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[3]) << 24);
}

} // namespace

std::vector<CIconImage> CIconImage::ParseFile(const BYTE* data, std::size_t size) {
    std::vector<CIconImage> images;
    // ICONDIR: reserved 0, type 1 for icons, the number of entries.
    if (!data || size < 6 || Word(data) != 0 || Word(data + 2) != 1) {
        return images;
    }
    const std::size_t count = Word(data + 4);
    for (std::size_t i = 0; i < count; ++i) {
        // ICONDIRENTRY: width, height, colours, reserved, planes, bit count, bytes, offset.
        const std::size_t at = 6 + 16 * i;
        if (at + 16 > size) {
            break;
        }
        const std::uint64_t bytes = Dword(data + at + 8);
        const std::uint64_t offset = Dword(data + at + 12);
        if (offset > size || bytes > size - offset) {
            continue;
        }
        CIconImage image;
        if (ParseImage(data + offset, static_cast<std::size_t>(bytes), &image)) {
            images.push_back(std::move(image));
        }
    }
    return images;
}

bool CIconImage::ParseImage(const BYTE* data, std::size_t size, CIconImage* image) {
    if (!data || !image || size < sizeof(BITMAPINFOHEADER)) {
        return false; // also pictures stored compressed in another format
    }
    const DWORD headerSize = Dword(data);
    const LONG width = static_cast<LONG>(Dword(data + 4));
    const LONG doubled = static_cast<LONG>(Dword(data + 8));
    const WORD bitCount = Word(data + 14);
    const DWORD compression = Dword(data + 16);
    const DWORD used = Dword(data + 32);
    if (headerSize < sizeof(BITMAPINFOHEADER) || headerSize > size || compression != BI_RGB) {
        return false;
    }
    // The height counts the colour pixels and the mask; rows are stored bottom-up.
    if (width <= 0 || width > kMaxSide || doubled <= 0 || doubled > 2 * kMaxSide ||
        doubled % 2 != 0) {
        return false;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
        return false;
    }
    const int w = width;
    const int h = doubled / 2;
    std::size_t colours = 0;
    if (bitCount <= 8) {
        const std::size_t most = std::size_t{1} << bitCount;
        colours = used != 0 && used < most ? used : most;
    }
    // Sizes stay small: at most 256 x 256 pixels of 32 bits.
    const std::size_t colourStride = ((static_cast<std::size_t>(w) * bitCount + 31) / 32) * 4;
    const std::size_t maskStride = ((static_cast<std::size_t>(w) + 31) / 32) * 4;
    const std::size_t colourAt = headerSize;
    const std::size_t pixelsAt = colourAt + 4 * colours;
    const std::size_t maskAt = pixelsAt + colourStride * h;
    const bool hasMask = maskAt + maskStride * h <= size;
    // A 32-bit picture carries its transparency in its alpha and may come without a mask.
    if (maskAt > size || (!hasMask && bitCount != 32)) {
        return false;
    }

    image->m_nWidth = w;
    image->m_nHeight = h;
    image->m_nBitCount = bitCount;
    image->m_argb.assign(static_cast<std::size_t>(w) * h, 0);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        const BYTE* row = data + pixelsAt + colourStride * static_cast<std::size_t>(h - 1 - y);
        DWORD* out = &image->m_argb[static_cast<std::size_t>(y) * w];
        for (int x = 0; x < w; ++x) {
            DWORD rgb = 0;
            DWORD alpha = 0xFF;
            if (bitCount <= 8) {
                const int perByte = 8 / bitCount;
                const int shift = 8 - bitCount * (1 + x % perByte);
                const std::size_t index = (row[x / perByte] >> shift) & ((1u << bitCount) - 1);
                if (index < colours) {
                    const BYTE* c = data + colourAt + 4 * index;
                    rgb = (static_cast<DWORD>(c[2]) << 16) | (static_cast<DWORD>(c[1]) << 8) | c[0];
                }
            } else if (bitCount == 24) {
                const BYTE* p = row + 3 * static_cast<std::size_t>(x);
                rgb = (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[1]) << 8) | p[0];
            } else {
                const BYTE* p = row + 4 * static_cast<std::size_t>(x);
                rgb = (static_cast<DWORD>(p[2]) << 16) | (static_cast<DWORD>(p[1]) << 8) | p[0];
                alpha = p[3];
                anyAlpha = anyAlpha || alpha != 0;
            }
            out[x] = (alpha << 24) | rgb;
        }
    }
    // The mask decides where alpha does not: set bits are transparent.
    const bool useMask = hasMask && !(bitCount == 32 && anyAlpha);
    for (int y = 0; y < h; ++y) {
        DWORD* out = &image->m_argb[static_cast<std::size_t>(y) * w];
        const BYTE* mask =
            useMask ? data + maskAt + maskStride * static_cast<std::size_t>(h - 1 - y) : nullptr;
        for (int x = 0; x < w; ++x) {
            const bool clear = mask ? ((mask[x / 8] >> (7 - x % 8)) & 1) != 0 : false;
            if (useMask) {
                out[x] = clear ? 0 : (out[x] | 0xFF000000u);
            } else if (bitCount == 32 && !anyAlpha) {
                out[x] |= 0xFF000000u; // no alpha and no mask: every pixel shows
            }
        }
    }
    return true;
}
