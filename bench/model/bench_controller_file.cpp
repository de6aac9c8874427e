// Reading and writing a whole controller file, in memory and through the file system.
#include "model/CControllerDoc.h"
#include "model/ControllerFile.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <unistd.h>

namespace {

std::string BenchPath() {
    return (std::filesystem::temp_directory_path() /
            ("orbis-bench-" + std::to_string(::getpid()) + ".ocont2"))
        .string();
}

void BuildText(benchmark::State& state) {
    CControllerDoc doc;
    for (auto _ : state) {
        benchmark::DoNotOptimize(ControllerFileText(doc));
    }
}
BENCHMARK(BuildText);

void ParseText(benchmark::State& state) {
    CControllerDoc doc;
    const std::string text = ControllerFileText(doc);
    for (auto _ : state) {
        ApplyControllerFileText(doc, text, false);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(ParseText);

// The whole save: text, temporary file, write, fsync, rename.
void WriteFile(benchmark::State& state) {
    CControllerDoc doc;
    const std::string path = BenchPath();
    for (auto _ : state) {
        if (!WriteControllerFile(doc, path)) {
            state.SkipWithError("cannot write the benchmark file");
            break;
        }
    }
    std::filesystem::remove(path);
}
BENCHMARK(WriteFile)->Unit(benchmark::kMicrosecond);

// The same text written as a plain truncate-and-write, without the temporary file and the
// flush to disk: what the save costs apart from waiting for the disk.
void WriteFileUnsynced(benchmark::State& state) {
    CControllerDoc doc;
    const std::string path = BenchPath();
    for (auto _ : state) {
        std::ofstream(path, std::ios::binary) << ControllerFileText(doc);
    }
    std::filesystem::remove(path);
}
BENCHMARK(WriteFileUnsynced)->Unit(benchmark::kMicrosecond);

// The whole read: open, read, join line ends, parse.
void ReadFile(benchmark::State& state) {
    CControllerDoc doc;
    const std::string path = BenchPath();
    WriteControllerFile(doc, path);
    for (auto _ : state) {
        benchmark::DoNotOptimize(ReadControllerFile(doc, path, false));
    }
    std::filesystem::remove(path);
}
BENCHMARK(ReadFile)->Unit(benchmark::kMicrosecond);

} // namespace
