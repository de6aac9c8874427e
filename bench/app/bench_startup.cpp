// How long the whole program takes to put its window up: Orbis started as a process with
// --screenshot, which saves the shown window and ends, against two yardsticks doing the same:
// a bare Qt window, and the main window's content in Qt's stock widgets. All run on the
// offscreen platform, without MIDI, with settings of their own, taking turns so that a busy
// moment of the machine meets all three. The counters give each median and the ratios.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace {

// Runs program with arguments and returns its wall time in milliseconds, or a negative
// number when it could not be run or did not end well.
double RunMilliseconds(const std::string& program, const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);
    const auto start = std::chrono::steady_clock::now();
    pid_t child = 0;
    if (::posix_spawn(&child, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0) {
        return -1.0;
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    const auto end = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        return -1.0;
    }
    return std::chrono::duration<double, std::milli>(end - start).count();
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_StartUpAgainstBareWindow(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() /
                                         ("orbis-bench-startup-" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    // Settings, fonts cache and runtime files of their own; no MIDI system to find.
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (folder / "config").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("ORBIS_MIDI_API", "alsa", 1);
    const std::string picture = (folder / "window.bmp").string();

    const std::vector<std::string> screenshot = {"--screenshot", picture};
    std::vector<double> orbis;
    std::vector<double> bare;
    std::vector<double> stock;
    // One unmeasured run each, so that all meet warm caches.
    for (const char* program : {ORBIS_PROGRAM, BARE_WINDOW_PROGRAM, STOCK_WINDOW_PROGRAM}) {
        RunMilliseconds(program, screenshot);
    }
    for (auto _ : state) {
        const double program = RunMilliseconds(ORBIS_PROGRAM, screenshot);
        const double bareWindow = RunMilliseconds(BARE_WINDOW_PROGRAM, screenshot);
        const double stockWindow = RunMilliseconds(STOCK_WINDOW_PROGRAM, screenshot);
        if (program < 0 || bareWindow < 0 || stockWindow < 0) {
            state.SkipWithError("a program did not run to its end");
            break;
        }
        orbis.push_back(program);
        bare.push_back(bareWindow);
        stock.push_back(stockWindow);
        state.SetIterationTime(program / 1000.0);
    }
    if (!orbis.empty()) {
        state.counters["orbis_ms"] = Median(orbis);
        state.counters["bare_ms"] = Median(bare);
        state.counters["stock_ms"] = Median(stock);
        // Orbis against the bare window, the stock content against the bare window, and
        // Orbis against the same content in stock widgets.
        state.counters["ratio"] = Median(orbis) / Median(bare);
        state.counters["stock_ratio"] = Median(stock) / Median(bare);
        state.counters["orbis_vs_stock"] = Median(orbis) / Median(stock);
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}
BENCHMARK(BM_StartUpAgainstBareWindow)
    ->Iterations(60)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

} // namespace
