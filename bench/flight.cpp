// The real viewer flying with a full-HD view on a private X server. BM_FlyingCpuFullHd: its
// user and system time (from /proc) over ten seconds of flight, as a share of one core, and the
// frame rate its title shows. BM_FlyingResidentMemoryWithResizes: its resident set over ten
// minutes of flight while its window is resized every half second (to sizes from a few pixels
// to full HD), after the first minute, at the end, and the largest seen; a viewer that keeps
// what it no longer uses shows a growing difference between the first two.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
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

// utime + stime of a process, in clock ticks; -1 when it cannot be read.
long long ProcessorTicks(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string stat((std::istreambuf_iterator<char>(in)), {});
    // The command name may hold spaces; the fields after it are counted from its ')'.
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    std::istringstream fields(stat.substr(close + 2));
    std::string field;
    long long utime = -1;
    long long stime = -1;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14) {
            utime = std::stoll(field);
        } else if (i == 15) {
            stime = std::stoll(field);
            break;
        }
    }
    return utime < 0 || stime < 0 ? -1 : utime + stime;
}

// Starts the viewer on a private X server large enough for a full-HD view; false (with the
// reason given to the benchmark) where that cannot be done here.
bool StartViewer(benchmark::State& state, CViewerSession& session) {
    std::string missing;
    if (!CXvfbServer::ToolsPresent(&missing) ||
        !std::filesystem::exists(CViewerSession::ViewerPath())) {
        state.SkipWithError("needs Xvfb, xdotool, import and a built viewer");
        return false;
    }
    std::string error;
    if (!session.Start(2200, 1300, &error)) {
        state.SkipWithError(error.c_str());
        return false;
    }
    return true;
}

void BM_FlyingCpuFullHd(benchmark::State& state) {
    CViewerSession session;
    if (!StartViewer(state, session)) {
        return;
    }
    const std::string window = session.Window();
    // A client area whose view is 1920 x 1080 (the view lies 76 + 10 and 9 + 10 inside it).
    session.Move(window, 0, 0);
    session.Resize(window, 1920 + 86, 1080 + 19);
    DvSleepMs(500);
    session.Click(window, 11 + 17 + 8, 7 + 17 + 8); // the fly-through pad
    DvSleepMs(2500);
    const double seconds = static_cast<double>(state.range(0)) / 1000.0;
    const double ticksPerSecond = static_cast<double>(sysconf(_SC_CLK_TCK));
    for (auto _ : state) {
        const long long before = ProcessorTicks(session.Process().Pid());
        DvSleepMs(static_cast<int>(state.range(0)));
        const long long after = ProcessorTicks(session.Process().Pid());
        if (before < 0 || after < 0) {
            state.SkipWithError("the viewer ended");
            break;
        }
        const double cpu = static_cast<double>(after - before) / ticksPerSecond / seconds;
        state.counters["cpu_percent_of_core"] = cpu * 100.0;
        state.SetIterationTime(seconds);
    }
    std::smatch m;
    const std::string title = session.Title(window);
    if (std::regex_match(title, m, std::regex("^Dorvane \\(([0-9]+) fps\\)$"))) {
        state.counters["fps_in_title"] = std::stod(m[1]);
    }
    const DvWindowGeometry g = session.Geometry(window);
    state.SetLabel("client " + std::to_string(g.width) + "x" + std::to_string(g.height));
}

BENCHMARK(BM_FlyingCpuFullHd)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

void BM_FlyingResidentMemoryWithResizes(benchmark::State& state) {
    CViewerSession session;
    if (!StartViewer(state, session)) {
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
