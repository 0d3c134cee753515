// Processor use of the viewer while it flies with a full-HD view, on a private X server: the
// viewer's user and system time (from /proc) over ten seconds of flight, as a share of one
// core, and the frame rate its title shows.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include "ViewerSession.h"

namespace {

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

void BM_FlyingCpuFullHd(benchmark::State& state) {
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

} // namespace
