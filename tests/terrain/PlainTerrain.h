// A plain, cell-by-cell rendition of generation and smoothing on a separate grid, written
// straight from the rules (bounds-checked cell access, recursion for every step): the reference
// that the map's faster code is checked against and measured beside.
#pragma once

#include "terrain/HeightMap.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace plain {

struct Terrain {
    int columns;
    int rows;
    std::vector<std::uint32_t> cells;

    // A grid of zero cells.
    Terrain(int columns_, int rows_)
        : columns(columns_), rows(rows_), cells(static_cast<std::size_t>(columns_) * rows_) {}
    // A copy of the map's cells.
    explicit Terrain(const CHeightMap& map)
        : columns(map.m_columns), rows(map.m_rows),
          cells(map.m_cells, map.m_cells + static_cast<std::size_t>(map.m_columns) * map.m_rows) {}

    bool On(int x, int y) const { return x >= 0 && y >= 0 && x < columns && y < rows; }
    int Get(int x, int y) const {
        if (!On(x, y)) {
            return 0;
        }
        std::uint32_t v = cells[x + y * columns] & 0xFFFFFF;
        return (v & 0x800000) ? static_cast<int>(v) - 0x1000000 : static_cast<int>(v);
    }
    void Set(int x, int y, int h) {
        if (On(x, y)) {
            std::uint32_t& c = cells[x + y * columns];
            c = (c & 0xFF000000u) | (static_cast<std::uint32_t>(h) & 0xFFFFFF);
        }
    }
    void SetClass(int x, int y, int k) {
        std::uint32_t& c = cells[x + y * columns];
        c = (c & 0xFFFFFF) | (static_cast<std::uint32_t>(k) << 24);
    }
    static int Floor2(int v) { return v >= 0 ? v / 2 : -((-v + 1) / 2); }
    static int Floor4(int v) { return v >= 0 ? v / 4 : -((-v + 3) / 4); }

    void Subdivide(int roughness, int depth, int x0, int y0, int x1, int y1) {
        int a = Get(x0, y0), b = Get(x1, y0), c = Get(x1, y1), d = Get(x0, y1);
        int xm = Floor2(x0 + x1), ym = Floor2(y0 + y1);
        int amp = roughness * ((x1 - x0) * 128) / 1000;
        int r = rand();
        Set(xm, ym, Floor4(a + b + c + d) + ((r & 0x2000) ? -amp : amp));
        r = rand();
        Set(xm, y1, Floor2(d + c) + ((r & 0x2000) ? -amp : amp));
        r = rand();
        Set(x1, ym, Floor2(b + c) + ((r & 0x2000) ? -amp : amp));
        if (x1 - x0 < 3 || y1 - y0 < 3 || depth > 16) {
            return;
        }
        Subdivide(roughness, depth + 1, x0, y0, xm, ym);
        Subdivide(roughness, depth + 1, xm, y0, x1, ym);
        Subdivide(roughness, depth + 1, x0, ym, xm, y1);
        Subdivide(roughness, depth + 1, xm, ym, x1, y1);
    }
    void Generate(int roughness) {
        Subdivide(roughness, 1, 0, 0, columns, rows);
        for (int x = 0; x < columns; ++x) {
            for (int y = 0; y < rows; ++y) {
                int h = Get(x, y);
                if (h < 0) {
                    Set(x, y, 0);
                    h = 0;
                }
                const int limits[] = {128, 384, 768, 1920, 3840};
                int k = 0;
                while (k < 5 && h >= limits[k]) {
                    ++k;
                }
                SetClass(x, y, k);
            }
        }
    }
    void Smooth() {
        for (int x = 1; x <= columns - 2; ++x) {
            for (int y = 1; y <= rows - 2; ++y) {
                int sum = 0;
                for (int i = -1; i <= 1; ++i) {
                    for (int j = -1; j <= 1; ++j) {
                        sum += Get(x + i, y + j);
                    }
                }
                int mean = sum / 9;
                Set(x, y, mean < 0 ? 0 : mean);
            }
        }
    }
};

} // namespace plain
