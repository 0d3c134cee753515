// The terrain model's costs: generating the 512 x 512 map, one smoothing pass, and one height
// query with and without sub-cell detail. Generation and smoothing run beside a plain,
// cell-by-cell rendition of the same rules, so that their ratio holds on a busy machine too.
#include "terrain/HeightMap.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// The rules written out directly: bounds-checked cell access, recursion for every step.
struct PlainMap {
    std::vector<std::uint32_t> cells = std::vector<std::uint32_t>(512 * 512);
    int columns = 512;
    int rows = 512;

    int Get(int x, int y) const {
        if (x < 0 || y < 0 || x >= columns || y >= rows) {
            return 0;
        }
        return static_cast<int>(cells[x + y * columns] << 8) >> 8;
    }
    void Set(int x, int y, int h) {
        if (x < 0 || y < 0 || x >= columns || y >= rows) {
            return;
        }
        std::uint32_t& c = cells[x + y * columns];
        c = (c & 0xFF000000u) | (static_cast<std::uint32_t>(h) & 0xFFFFFFu);
    }
    void SetClass(int x, int y, int k) {
        std::uint32_t& c = cells[x + y * columns];
        c = (c & 0xFFFFFFu) | (static_cast<std::uint32_t>(k) << 24);
    }
    void Subdivide(int roughness, int depth, int x0, int y0, int x1, int y1) {
        const int a = Get(x0, y0), b = Get(x1, y0), c = Get(x1, y1), d = Get(x0, y1);
        const int xm = (x0 + x1) >> 1, ym = (y0 + y1) >> 1;
        const int amp = roughness * ((x1 - x0) * 128) / 1000;
        Set(xm, ym, ((a + b + c + d) >> 2) + ((rand() & 0x2000) ? -amp : amp));
        Set(xm, y1, ((d + c) >> 1) + ((rand() & 0x2000) ? -amp : amp));
        Set(x1, ym, ((b + c) >> 1) + ((rand() & 0x2000) ? -amp : amp));
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
                SetClass(x, y,
                         h < 128    ? 0
                         : h < 384  ? 1
                         : h < 768  ? 2
                         : h < 1920 ? 3
                         : h < 3840 ? 4
                                    : 5);
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
                const int mean = sum / 9;
                Set(x, y, mean < 0 ? 0 : mean);
            }
        }
    }
};

void BM_Generate(benchmark::State& state) {
    CHeightMap map;
    map.Allocate(512, 512);
    for (auto _ : state) {
        map.Generate(100);
        benchmark::DoNotOptimize(map.m_cells);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Generate)->Unit(benchmark::kMillisecond);

void BM_GeneratePlain(benchmark::State& state) {
    PlainMap map;
    for (auto _ : state) {
        map.Generate(100);
        benchmark::DoNotOptimize(map.cells.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_GeneratePlain)->Unit(benchmark::kMillisecond);

void BM_Smooth(benchmark::State& state) {
    CHeightMap map;
    map.Allocate(512, 512);
    map.Generate(100);
    for (auto _ : state) {
        map.Smooth();
        benchmark::DoNotOptimize(map.m_cells);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Smooth)->Unit(benchmark::kMillisecond);

void BM_SmoothPlain(benchmark::State& state) {
    PlainMap map;
    map.Generate(100);
    for (auto _ : state) {
        map.Smooth();
        benchmark::DoNotOptimize(map.cells.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_SmoothPlain)->Unit(benchmark::kMillisecond);

// The points that the rays of a frame visit, in the order it visits them: eight columns of the
// viewer's first frame, 512 steps each. The time is shown per query.
void SampleMany(benchmark::State& state, int detail) {
    CHeightMap map;
    map.Allocate(512, 512);
    map.Generate(100);
    map.m_detail = detail;
    std::vector<std::int32_t> xs;
    std::vector<std::int32_t> ys;
    std::vector<std::int32_t> ds;
    for (int dx = -140; dx <= 140; dx += 40) {
        for (int n = 1; n <= 512; ++n) {
            xs.push_back(10000 + n * dx);
            ys.push_back(100 + n * 179);
            ds.push_back(n * 179);
        }
    }
    TerrainSample sample{};
    for (auto _ : state) {
        int sum = 0;
        for (std::size_t i = 0; i < xs.size(); ++i) {
            if (map.Sample(xs[i], ys[i], ds[i], &sample)) {
                sum += sample.height + sample.cellX;
            }
        }
        benchmark::DoNotOptimize(sum);
    }
    state.counters["per_sample"] = benchmark::Counter(
        static_cast<double>(xs.size()),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_Sample(benchmark::State& state) {
    SampleMany(state, 0);
}
BENCHMARK(BM_Sample);

void BM_SampleDetail(benchmark::State& state) {
    SampleMany(state, 1);
}
BENCHMARK(BM_SampleDetail);

} // namespace
