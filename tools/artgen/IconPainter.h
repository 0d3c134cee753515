// Icon 128: a small landscape (sky and sun, a snow-capped mountain, green hills and a lake),
// drawn from the same shapes at 32 x 32 and at 16 x 16 in the standard 16 colours.
#pragma once

#include <cstdint>
#include <vector>

class CIconPainter {
public:
    // Indices into the standard 16-colour table, size rows of size, top row first.
    static std::vector<std::uint8_t> Paint(int size);
};
