#include "Image.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

std::vector<unsigned char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

// One header number of a PPM, skipping white space and comments.
bool PpmNumber(const std::vector<unsigned char>& data, size_t* pos, long* value) {
    size_t p = *pos;
    while (p < data.size()) {
        if (data[p] == '#') {
            while (p < data.size() && data[p] != '\n') {
                ++p;
            }
        } else if (data[p] == ' ' || data[p] == '\t' || data[p] == '\n' || data[p] == '\r') {
            ++p;
        } else {
            break;
        }
    }
    long v = 0;
    size_t digits = 0;
    while (p < data.size() && data[p] >= '0' && data[p] <= '9' && digits < 9) {
        v = v * 10 + (data[p] - '0');
        ++p;
        ++digits;
    }
    if (digits == 0) {
        return false;
    }
    *pos = p;
    *value = v;
    return true;
}

std::uint32_t Le32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

unsigned Le16(const unsigned char* p) {
    return p[0] | static_cast<unsigned>(p[1]) << 8;
}

} // namespace

bool CImage::LoadPpm(const std::string& path) {
    const std::vector<unsigned char> data = ReadFile(path);
    if (data.size() < 2 || data[0] != 'P' || data[1] != '6') {
        return false;
    }
    size_t pos = 2;
    long width = 0;
    long height = 0;
    long maxval = 0;
    if (!PpmNumber(data, &pos, &width) || !PpmNumber(data, &pos, &height) ||
        !PpmNumber(data, &pos, &maxval) || maxval != 255 || width <= 0 || height <= 0 ||
        width > 100000 || height > 100000) {
        return false;
    }
    ++pos; // the single white space before the samples
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (pos > data.size() || data.size() - pos < count * 3) {
        return false;
    }
    m_width = static_cast<int>(width);
    m_height = static_cast<int>(height);
    m_pixels.resize(count);
    const unsigned char* s = data.data() + pos;
    for (size_t i = 0; i < count; ++i, s += 3) {
        m_pixels[i] = static_cast<std::uint32_t>(s[0]) << 16 | s[1] << 8 | s[2];
    }
    return true;
}

bool CImage::LoadBmp8(const std::string& path) {
    const std::vector<unsigned char> data = ReadFile(path);
    if (data.size() < 54 || data[0] != 'B' || data[1] != 'M') {
        return false;
    }
    const std::uint32_t offBits = Le32(&data[10]);
    const std::uint32_t headerSize = Le32(&data[14]);
    const std::int32_t width = static_cast<std::int32_t>(Le32(&data[18]));
    const std::int32_t rawHeight = static_cast<std::int32_t>(Le32(&data[22]));
    const unsigned bitCount = Le16(&data[28]);
    const std::uint32_t compression = Le32(&data[30]);
    std::uint32_t colours = Le32(&data[46]);
    if (bitCount != 8 || compression != 0 || width <= 0 || width > 100000 || rawHeight == 0 ||
        rawHeight < -100000 || rawHeight > 100000 || headerSize < 40 || headerSize > 1024) {
        return false;
    }
    if (colours == 0 || colours > 256) {
        colours = 256;
    }
    const size_t tableAt = 14 + static_cast<size_t>(headerSize);
    if (data.size() < tableAt + colours * 4) {
        return false;
    }
    std::uint32_t table[256] = {};
    for (std::uint32_t i = 0; i < colours; ++i) {
        const unsigned char* q = &data[tableAt + i * 4];
        table[i] = static_cast<std::uint32_t>(q[2]) << 16 | q[1] << 8 | q[0];
    }
    const bool bottomUp = rawHeight > 0;
    const int height = bottomUp ? rawHeight : -rawHeight;
    const size_t stride = (static_cast<size_t>(width) + 3) & ~static_cast<size_t>(3);
    if (offBits > data.size() || (data.size() - offBits) / stride < static_cast<size_t>(height)) {
        return false;
    }
    m_width = width;
    m_height = height;
    m_pixels.resize(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        const int stored = bottomUp ? height - 1 - y : y;
        const unsigned char* row = &data[offBits + static_cast<size_t>(stored) * stride];
        for (int x = 0; x < width; ++x) {
            m_pixels[static_cast<size_t>(y) * width + x] = table[row[x]];
        }
    }
    return true;
}

bool CImage::SavePpm(const std::string& path) const {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << m_width << " " << m_height << "\n255\n";
    for (std::uint32_t p : m_pixels) {
        const char rgb[3] = {static_cast<char>(p >> 16), static_cast<char>(p >> 8),
                             static_cast<char>(p)};
        out.write(rgb, 3);
    }
    return static_cast<bool>(out);
}

CImage CImage::Crop(int x, int y, int width, int height) const {
    CImage part;
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || x > m_width - width ||
        y > m_height - height) {
        return part;
    }
    part.m_width = width;
    part.m_height = height;
    part.m_pixels.resize(static_cast<size_t>(width) * height);
    for (int row = 0; row < height; ++row) {
        std::memcpy(&part.m_pixels[static_cast<size_t>(row) * width],
                    &m_pixels[static_cast<size_t>(y + row) * m_width + x],
                    static_cast<size_t>(width) * sizeof(std::uint32_t));
    }
    return part;
}

long CImage::Differences(const CImage& other, int* pFirstX, int* pFirstY) const {
    if (pFirstX != nullptr) {
        *pFirstX = -1;
    }
    if (pFirstY != nullptr) {
        *pFirstY = -1;
    }
    if (m_width != other.m_width || m_height != other.m_height) {
        return static_cast<long>(std::max(m_pixels.size(), other.m_pixels.size())) + 1;
    }
    long count = 0;
    for (size_t i = 0; i < m_pixels.size(); ++i) {
        if (m_pixels[i] != other.m_pixels[i]) {
            if (count == 0 && pFirstX != nullptr && pFirstY != nullptr) {
                *pFirstX = static_cast<int>(i % m_width);
                *pFirstY = static_cast<int>(i / m_width);
            }
            ++count;
        }
    }
    return count;
}

long CImage::Count(std::uint32_t rgb) const {
    long n = 0;
    for (std::uint32_t p : m_pixels) {
        n += p == rgb;
    }
    return n;
}
