#include "terrain/HeightMap.h"
#include "tests/terrain/PlainTerrain.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

std::vector<std::uint32_t> Cells(const CHeightMap& map) {
    return plain::Terrain(map).cells;
}

// Puts arbitrary heights (negative ones included) and classes into every cell.
void Scramble(CHeightMap& map, unsigned seed) {
    std::uint32_t s = seed;
    for (int y = 0; y < map.m_rows; ++y) {
        for (int x = 0; x < map.m_columns; ++x) {
            s = s * 1664525u + 1013904223u;
            map.SetCellHeight(x, y, static_cast<int>(s >> 8) % 20000 - 5000);
            map.SetCellClass(x, y, static_cast<int>(s & 7));
        }
    }
}

} // namespace

TEST(HeightMap, AllocationGivesAZeroGridAndFailureKeepsTheSizes) {
    CHeightMap map;
    EXPECT_EQ(map.m_cells, nullptr);
    EXPECT_EQ(map.m_detail, 0);
    TerrainSample s{};
    EXPECT_EQ(map.Sample(0, 0, 0, &s), 0);

    ASSERT_EQ(map.Allocate(40, 30), 1);
    EXPECT_EQ(map.m_columns, 40);
    EXPECT_EQ(map.m_rows, 30);
    Scramble(map, 7);
    ASSERT_EQ(map.Allocate(512, 512), 1);
    for (std::uint32_t c : Cells(map)) {
        ASSERT_EQ(c, 0u);
    }

    // Sizes that describe no grid, or one too large to address, fail and leave no cells,
    // while the sizes of the last good grid stay.
    EXPECT_EQ(map.Allocate(0, 10), 0);
    EXPECT_EQ(map.m_cells, nullptr);
    EXPECT_EQ(map.Allocate(-512, -512), 0);
    EXPECT_EQ(map.m_columns, 512);
    EXPECT_EQ(map.m_rows, 512);
    map.Generate(100);
    map.Smooth();
    EXPECT_EQ(map.CellHeight(3, 3), 0);
    map.Free();
    map.Free();
    EXPECT_EQ(map.m_cells, nullptr);
}

// Asks the allocator on purpose for a grid no machine can hold (16 EiB): the failure must come
// back as a result, with the last good sizes kept. The sanitizer build lets its allocator
// return null for this test alone.
TEST(HeightMapImpossibleAllocation, FailsAndKeepsTheSizes) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(64, 32), 1);
    EXPECT_EQ(map.Allocate(0x7FFFFFFF, 0x7FFFFFFF), 0);
    EXPECT_EQ(map.m_cells, nullptr);
    EXPECT_EQ(map.m_columns, 64);
    EXPECT_EQ(map.m_rows, 32);
}

TEST(HeightMap, CellFieldsAreIndependentAndOffMapAccessIsIgnored) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(4, 3), 1);
    map.SetCellClass(2, 1, 5);
    map.SetCellHeight(2, 1, -3);
    EXPECT_EQ(map.CellHeight(2, 1), -3);
    EXPECT_EQ(map.m_cells[2 + 1 * 4], 0x05FFFFFDu);
    map.SetCellHeight(2, 1, 0x1234567); // only the low 24 bits are kept
    EXPECT_EQ(map.CellHeight(2, 1), 0x234567);
    map.SetCellClass(2, 1, 0x1FF);
    EXPECT_EQ(map.m_cells[2 + 1 * 4], 0xFF234567u);

    const std::vector<std::uint32_t> before = Cells(map);
    for (auto [x, y] : {std::pair{4, 0}, {0, 3}, {-1, 0}, {0, -1}}) {
        map.SetCellHeight(x, y, 99);
        map.SetCellClass(x, y, 3);
        EXPECT_EQ(map.CellHeight(x, y), 0);
    }
    EXPECT_EQ(Cells(map), before);
}

TEST(HeightMap, FirstMapOfARun) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    srand(1);
    map.Generate(100);
    const int next = rand();

    // The first step: all four corners read 0, the first draw (41) has bit 0x2000 clear.
    EXPECT_EQ(map.CellHeight(256, 256), 6553);
    EXPECT_EQ(map.m_cells[256 + 256 * 512] >> 24, 5u);

    // 87,381 steps of three draws each.
    srand(1);
    for (int i = 0; i < 262143; ++i) {
        rand();
    }
    EXPECT_EQ(rand(), next);
    srand(1);
    for (int i = 0; i < 262142; ++i) {
        rand();
    }
    EXPECT_NE(rand(), next);

    for (int i = 0; i < 512; ++i) {
        EXPECT_EQ(map.m_cells[i], 0u) << "row 0, column " << i;
        EXPECT_EQ(map.m_cells[i * 512], 0u) << "column 0, row " << i;
    }
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 512; ++x) {
            const int h = map.CellHeight(x, y);
            ASSERT_GE(h, 0);
            ASSERT_EQ(static_cast<int>(map.m_cells[x + y * 512] >> 24), TerrainClassOf(h));
        }
    }
    srand(1);
}

TEST(HeightMap, GenerationMatchesThePlainRulesOnEveryShape) {
    const std::pair<int, int> shapes[] = {{512, 512}, {64, 64}, {37, 53},  {700, 2}, {1, 1},
                                          {3, 3},     {2, 9},   {128, 32}, {5, 1000}};
    unsigned seed = 1;
    for (auto [columns, rows] : shapes) {
        CHeightMap map;
        ASSERT_EQ(map.Allocate(columns, rows), 1);
        Scramble(map, seed);
        plain::Terrain reference(map);
        srand(seed);
        map.Generate(100);
        const int nextFast = rand();
        srand(seed);
        reference.Generate(100);
        EXPECT_EQ(rand(), nextFast) << columns << "x" << rows;
        EXPECT_EQ(Cells(map), reference.cells) << columns << "x" << rows;

        // Other roughness values, as a direct caller of generation might pass.
        srand(seed + 100);
        map.Generate(917);
        srand(seed + 100);
        reference.Generate(917);
        EXPECT_EQ(Cells(map), reference.cells) << columns << "x" << rows << " roughness 917";
        seed += 17;
    }
    srand(1);
}

TEST(HeightMap, SameDrawsGiveTheSameMapWhateverItHeld) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    srand(1);
    map.Generate(100);
    const std::vector<std::uint32_t> first = Cells(map);
    // Everything but the height-0 border of row 0 and column 0, which nothing else writes.
    Scramble(map, 12345);
    for (int i = 0; i < 512; ++i) {
        map.SetCellHeight(i, 0, 0);
        map.SetCellHeight(0, i, 0);
    }
    srand(1);
    map.Generate(100);
    EXPECT_EQ(Cells(map), first);

    // A later generation in the same run draws other values and gives another map.
    map.Generate(100);
    EXPECT_NE(Cells(map), first);
    srand(1);
}

TEST(HeightMap, ClassBoundariesAndNegativeHeights) {
    const int heights[] = {127, 128, 383, 384, 767, 768, 1919, 1920, 3839, 3840, 8388607};
    const int classes[] = {0, 1, 1, 2, 2, 3, 3, 4, 4, 5, 5};
    for (int i = 0; i < 11; ++i) {
        // On a 2 x 2 map, generation reads (0, 0) but never writes it, then classifies it.
        CHeightMap map;
        ASSERT_EQ(map.Allocate(2, 2), 1);
        map.SetCellHeight(0, 0, heights[i]);
        map.SetCellClass(0, 0, 9);
        map.Generate(100);
        EXPECT_EQ(map.CellHeight(0, 0), heights[i]);
        EXPECT_EQ(static_cast<int>(map.m_cells[0] >> 24), classes[i]) << heights[i];
    }
    CHeightMap map;
    ASSERT_EQ(map.Allocate(2, 2), 1);
    map.SetCellHeight(0, 0, -1000);
    map.SetCellClass(0, 0, 4);
    map.Generate(100);
    // (0, 0) was negative, and (1, 1) became -250 plus or minus 25: both end at 0, class 0.
    EXPECT_EQ(map.m_cells[0], 0u);
    EXPECT_EQ(map.m_cells[3], 0u);
    srand(1);
}

TEST(HeightMap, SmoothingRunsInPlaceColumnsOuter) {
    // A spike in the bottom-left corner reaches (1, 2) first; (2, 1) then sees that new height
    // only because column 1 is finished before column 2 starts.
    CHeightMap map;
    ASSERT_EQ(map.Allocate(4, 4), 1);
    map.SetCellHeight(0, 3, 900);
    map.Smooth();
    EXPECT_EQ(map.CellHeight(1, 1), 0);
    EXPECT_EQ(map.CellHeight(1, 2), 100);
    EXPECT_EQ(map.CellHeight(2, 1), 11);
    EXPECT_EQ(map.CellHeight(2, 2), 12);
    EXPECT_EQ(map.CellHeight(0, 3), 900);

    // A block summing to 17 gives 1; the border stays; classes stay even out of their band.
    CHeightMap small;
    ASSERT_EQ(small.Allocate(3, 3), 1);
    small.SetCellHeight(0, 0, 9);
    small.SetCellHeight(2, 2, 8);
    small.SetCellHeight(1, 1, 5000);
    small.SetCellClass(1, 1, 5);
    small.Smooth();
    EXPECT_EQ(small.CellHeight(1, 1), (9 + 8 + 5000) / 9);
    small.SetCellHeight(1, 1, 0);
    small.Smooth();
    EXPECT_EQ(small.m_cells[4], 0x05000001u);
    EXPECT_EQ(small.CellHeight(0, 0), 9);

    // A negative mean becomes 0.
    small.SetCellHeight(0, 0, -500);
    small.Smooth();
    EXPECT_EQ(small.CellHeight(1, 1), 0);

    // Too narrow or too short: nothing changes.
    for (auto [columns, rows] : {std::pair{2, 50}, {50, 2}, {1, 1}}) {
        CHeightMap thin;
        ASSERT_EQ(thin.Allocate(columns, rows), 1);
        Scramble(thin, 3);
        const std::vector<std::uint32_t> before = Cells(thin);
        thin.Smooth();
        EXPECT_EQ(Cells(thin), before);
    }
}

TEST(HeightMap, SmoothingMatchesThePlainRules) {
    const std::pair<int, int> shapes[] = {{512, 512}, {3, 3}, {3, 40}, {40, 3}, {17, 29}};
    for (auto [columns, rows] : shapes) {
        CHeightMap map;
        ASSERT_EQ(map.Allocate(columns, rows), 1);
        Scramble(map, static_cast<unsigned>(columns * 31 + rows)); // negative heights included
        plain::Terrain reference(map);
        for (int pass = 0; pass < 3; ++pass) {
            map.Smooth();
            reference.Smooth();
            ASSERT_EQ(Cells(map), reference.cells) << columns << "x" << rows << " pass " << pass;
        }
    }
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    srand(1);
    map.Generate(100);
    plain::Terrain reference(map);
    map.Smooth();
    reference.Smooth();
    EXPECT_EQ(Cells(map), reference.cells);
    srand(1);
}

TEST(HeightMap, SampleFindsTheCellAndFailsOffTheMap) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(512, 512), 1);
    map.SetCellHeight(511, 511, 777);
    map.SetCellClass(511, 511, 4);
    TerrainSample s{};
    ASSERT_EQ(map.Sample(65535, 65535, 50000, &s), 1);
    EXPECT_EQ(s.row, 511);
    EXPECT_EQ(s.column, 511);
    EXPECT_EQ(s.cellX, 127);
    EXPECT_EQ(s.cellY, 127);
    EXPECT_EQ(s.height, 777);
    EXPECT_EQ(s.terrainClass, 4);

    map.SetCellHeight(3, 200, 10);
    ASSERT_EQ(map.Sample(3 * 128 + 5, 200 * 128 + 90, 0, &s), 1);
    EXPECT_EQ(s.column, 3);
    EXPECT_EQ(s.row, 200);
    EXPECT_EQ(s.cellX, 5);
    EXPECT_EQ(s.cellY, 90);
    EXPECT_EQ(s.height, 10);

    const TerrainSample sentinel{-7, -7, -7, -7, -7, -7};
    for (auto [x, y] : {std::pair{65536, 0}, {0, 65536}, {-1, 0}, {0, -1}, {0x7FFFFFFF, 5}}) {
        s = sentinel;
        EXPECT_EQ(map.Sample(x, y, 0, &s), 0) << x << "," << y;
        EXPECT_EQ(s.height, -7);
        EXPECT_EQ(s.row, -7);
        EXPECT_EQ(s.cellY, -7);
    }
    map.Free();
    s = sentinel;
    EXPECT_EQ(map.Sample(100, 100, 0, &s), 0);
    EXPECT_EQ(s.column, -7);
}

TEST(HeightMap, SubCellDetail) {
    CHeightMap map;
    ASSERT_EQ(map.Allocate(4, 4), 1);
    map.SetCellHeight(1, 1, 1000);
    map.SetCellHeight(2, 1, 1);
    TerrainSample s{};

    // Off by default and beyond distance 10,000; never on a cell of height 0.
    ASSERT_EQ(map.Sample(128 + 127, 128 + 127, 0, &s), 1);
    EXPECT_EQ(s.height, 1000);
    map.m_detail = 1;
    ASSERT_EQ(map.Sample(128 + 127, 128 + 127, 9999, &s), 1);
    EXPECT_EQ(s.height, 1060);
    ASSERT_EQ(map.Sample(128 + 127, 128 + 127, 10000, &s), 1);
    EXPECT_EQ(s.height, 1000);
    ASSERT_EQ(map.Sample(127, 127, 0, &s), 1);
    EXPECT_EQ(s.height, 0);
    // An odd height loses what an even one gains, and may end below 0.
    ASSERT_EQ(map.Sample(256 + 127, 128 + 127, 0, &s), 1);
    EXPECT_EQ(s.height, -59);
    map.m_detail = 5; // any non-zero value
    ASSERT_EQ(map.Sample(128 + 100, 128 + 100, -3, &s), 1);
    EXPECT_EQ(s.height, 1048);

    const int amounts[][3] = {{0, 0, 0},      {1, 1, 0},      {8, 8, 0},    {9, 9, 4},
                              {64, 0, 28},    {65, 0, 32},    {0, 65, 32},  {65, 65, 32},
                              {100, 100, 48}, {127, 127, 60}, {127, 0, 60}, {0, 127, 60}};
    for (const auto& a : amounts) {
        EXPECT_EQ(CHeightMap::AddDetail(1000, a[0], a[1]), 1000 + a[2]) << a[0] << "," << a[1];
        EXPECT_EQ(CHeightMap::AddDetail(1001, a[0], a[1]), 1001 - a[2]) << a[0] << "," << a[1];
    }

    // Every position of a cell against the four-level quadrant descent itself.
    for (int h : {2, 3}) {
        for (int cy = 0; cy < 128; ++cy) {
            for (int cx = 0; cx < 128; ++cx) {
                int v = h, ox = 0, oy = 0;
                for (int half = 64; half >= 8; half /= 2) {
                    const bool right = ox + half < cx, lower = oy + half < cy;
                    if (right || lower) {
                        v += (h & 1) ? -half / 2 : half / 2;
                    }
                    ox += right ? half : 0;
                    oy += lower ? half : 0;
                }
                ASSERT_EQ(CHeightMap::AddDetail(h, cx, cy), v) << cx << "," << cy;
            }
        }
    }
    // Positions outside a cell still follow the descent rather than the in-cell shortcut.
    EXPECT_EQ(CHeightMap::AddDetail(0, 200, 0), 60);
    EXPECT_EQ(CHeightMap::AddDetail(0, -5, -5), 0);

    // Neighbours play no part.
    map.m_detail = 1;
    TerrainSample t{};
    ASSERT_EQ(map.Sample(128 + 70, 128 + 20, 0, &s), 1);
    map.SetCellHeight(0, 1, 5000);
    map.SetCellHeight(1, 2, 3000);
    ASSERT_EQ(map.Sample(128 + 70, 128 + 20, 0, &t), 1);
    EXPECT_EQ(s.height, t.height);
}
