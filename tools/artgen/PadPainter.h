// The three 48 x 48 icon pads: a light-grey 3 x 3 grid with black lines at pixel columns and
// rows 16 and 32, and in each cell the icon of its command.
#pragma once

#include <cstdint>
#include <vector>

class CPadPainter {
public:
    static constexpr int kSize = 48;

    // Indices into the standard 16-colour table, kSize rows of kSize, top row first, for pad
    // bitmap `id` (129 to 131). An unknown id gives an empty vector.
    static std::vector<std::uint8_t> Paint(int id);
};
