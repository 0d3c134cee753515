// The pads' legend for the README: the three pads side by side, each cell's icon enlarged from
// the pad pictures themselves with the key that runs its command written below it.
#pragma once

#include <cstdint>
#include <vector>

class CLegendPainter {
public:
    static constexpr int kScale = 3;      // the icons, three times their size
    static constexpr int kCellWidth = 66; // a cell of the legend
    static constexpr int kCellHeight = 62;
    static constexpr int kPadGap = 12; // between the pads and around them
    static constexpr int kWidth = 3 * 3 * kCellWidth + 4 * kPadGap;
    static constexpr int kHeight = 3 * kCellHeight + 2 * kPadGap;

    // Indices into the standard 16-colour table, kHeight rows of kWidth, top row first.
    static std::vector<std::uint8_t> Paint();
};
