// Resident memory of the real viewer flying on a private X server for ten minutes while its
// window is resized every half second (to sizes from a few pixels to full HD): the resident set
// (from /proc) after the first minute, at the end, and the largest seen. A viewer that keeps
// what it no longer uses shows a growing difference between the first two.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "ViewerSession.h"

namespace {

// VmRSS of a process in KiB; -1 when it cannot be read.
long ResidentKiB(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stol(line.substr(6));
        }
    }
    return -1;
}

void BM_FlyingResidentMemoryWithResizes(benchmark::State& state) {
    std::string missing;
    if (!CXvfbServer::ToolsPresent(&missing) ||
        !std::filesystem::exists(CViewerSession::ViewerPath())) {
        state.SkipWithError("needs Xvfb, xdotool, import and a built viewer");
        return;
    }
    CViewerSession session;
    std::string error;
    if (!session.Start(2200, 1300, &error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string window = session.Window();
    session.Move(window, 0, 0);
    session.Click(window, 11 + 17 + 8, 7 + 17 + 8); // the fly-through pad
    const int sizes[][2] = {{2006, 1099}, {200, 150}, {1, 1},      {900, 700},
                            {431, 184},   {1600, 90}, {120, 1000}, {1280, 720}};
    const int totalMs = static_cast<int>(state.range(0));
    for (auto _ : state) {
        const double start = DvNowMs();
        long afterFirstMinute = -1;
        long peak = 0;
        long last = -1;
        for (int step = 0; DvNowMs() - start < totalMs; ++step) {
            const auto& size = sizes[step % std::size(sizes)];
            session.Resize(window, size[0], size[1]);
            DvSleepMs(500);
            last = ResidentKiB(session.Process().Pid());
            if (last < 0) {
                state.SkipWithError("the viewer ended");
                return;
            }
            peak = std::max(peak, last);
            if (afterFirstMinute < 0 && DvNowMs() - start >= 60000) {
                afterFirstMinute = last;
            }
        }
        state.counters["rss_kib_after_1_min"] = static_cast<double>(afterFirstMinute);
        state.counters["rss_kib_at_end"] = static_cast<double>(last);
        state.counters["rss_kib_peak"] = static_cast<double>(peak);
        state.SetIterationTime((DvNowMs() - start) / 1000.0);
    }
}

BENCHMARK(BM_FlyingResidentMemoryWithResizes)
    ->Arg(600000)
    ->UseManualTime()
    ->Unit(benchmark::kSecond)
    ->Iterations(1);

} // namespace
