// Reading the committed art files in the resource tests: the project's res/ folder, whole files
// as bytes, and little-endian fields that never read past the end.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace art {

inline std::string ResFolder() {
    // This file lies in tests/res/ of the project; the art lies in res/.
    std::string here = __FILE__;
    const std::string tail = "tests/res/ArtFiles.h";
    return here.substr(0, here.size() - tail.size()) + "res/";
}

inline std::vector<std::uint8_t> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>());
}

// Little-endian fields; 0 past the end, so a short file fails the comparisons instead of
// reading outside the buffer.
inline std::uint32_t U16(const std::vector<std::uint8_t>& b, std::size_t at) {
    return at + 2 <= b.size() ? b[at] | (b[at + 1] << 8) : 0;
}
inline std::uint32_t U32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return at + 4 <= b.size() ? U16(b, at) | (U16(b, at + 2) << 16) : 0;
}
inline std::int32_t S32(const std::vector<std::uint8_t>& b, std::size_t at) {
    return static_cast<std::int32_t>(U32(b, at));
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
};

// The colour table of the packed DIB at `dib` (a 40-byte header followed by `count` RGBQUADs).
inline std::vector<Rgb> ColourTable(const std::vector<std::uint8_t>& b, std::size_t dib,
                                    int count) {
    std::vector<Rgb> table;
    for (int i = 0; i < count; ++i) {
        const std::size_t at = dib + 40 + 4 * static_cast<std::size_t>(i);
        if (at + 4 > b.size()) {
            break;
        }
        table.push_back({b[at + 2], b[at + 1], b[at]});
    }
    return table;
}

} // namespace art
