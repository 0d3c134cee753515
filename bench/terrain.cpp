// The terrain model's costs: generating the 512 x 512 map, one smoothing pass, and one height
// query with and without sub-cell detail. Generation and smoothing run beside a plain,
// cell-by-cell rendition of the same rules, so that their ratio holds on a busy machine too.
#include "terrain/HeightMap.h"
#include "tests/terrain/PlainTerrain.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

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
    plain::Terrain map(512, 512);
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
    plain::Terrain map(512, 512);
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
