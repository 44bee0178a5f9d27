#include <benchmark/benchmark.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "testing/run_support.h"

namespace volumix {
namespace {

using test::FixedHost;
using test::NoLines;

// Whole runs, unpaced, mesh loading included; reported as frames per second.
void runAndCount(benchmark::State& state, const RunParameters& parameters, const FrameSettings& settings,
                 int32_t threads = 2) {
    auto stores = makeAppStores();
    stores->renderer.setThreadCount(threads);
    FixedHost host(settings);
    NoPacing pacing;
    NoLines messages;
    int64_t frames = 0;
    for (auto _ : state) {
        const RunResult result = runGeneration(*stores, parameters, host, pacing, messages);
        if (result.outcome == RunLoadFailed) {
            state.SkipWithError("example mesh missing");
            return;
        }
        frames += result.framesDrawn;
    }
    state.counters["fps"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
}

// The bundled example's default run, writing .SCR, data, index and .asm files.
void defaultRunWithFiles(benchmark::State& state) {
    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "volumix_bench_run";
    std::filesystem::create_directories(folder);
    RunParameters parameters;
    parameters.objectPath = std::string(VOLUMIX_EXAMPLES_DIR) + "/torus.asc";
    parameters.cpcPath = (folder / "torus").string();
    parameters.writeAsm = true;
    parameters.writeScr = true;
    runAndCount(state, parameters, FrameSettings{});
    std::filesystem::remove_all(folder);
}
BENCHMARK(defaultRunWithFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest mesh allowed, filled faces in mode 0 with compression, 359
// frames, nothing written (such frames fill the CPC's memory at once), drawn
// on the given number of threads.
void largestMeshFilledFaces(benchmark::State& state) {
    RunParameters parameters;
    parameters.objectPath = std::string(VOLUMIX_EXAMPLES_DIR) + "/torus65536.asc";
    parameters.renderMode = RenderFilledFaces;
    parameters.frameCount = 359;
    parameters.format.frames = DeltaFrames{true};
    runAndCount(state, parameters, FrameSettings{}, static_cast<int32_t>(state.range(0)));
}
BENCHMARK(largestMeshFilledFaces)->ArgName("threads")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->Iterations(3)
    ->UseRealTime();

// What a frame costs with nothing to draw (clearing, widening, encoding,
// comparing with the last frame), against a memset and a memcpy of the
// surface timed alongside, so the ratio holds however busy the machine is.
void emptyFrame(benchmark::State& state) {
    const std::filesystem::path object = std::filesystem::temp_directory_path() / "volumix_bench_empty.asc";
    std::ofstream(object).put('\n');
    RunParameters parameters;
    parameters.objectPath = object.string();
    parameters.renderMode = RenderFilledFaces;
    parameters.frameCount = 359;
    parameters.format.frames = DeltaFrames{true};
    auto stores = makeAppStores();
    FixedHost host(FrameSettings{});
    NoPacing pacing;
    NoLines messages;
    std::vector<uint32_t> copy(FramePixelCount);
    using Clock = std::chrono::steady_clock;
    double runSeconds = 0.0;
    double copySeconds = 0.0;
    int64_t frames = 0;
    for (auto _ : state) {
        const auto start = Clock::now();
        const RunResult result = runGeneration(*stores, parameters, host, pacing, messages);
        const auto ran = Clock::now();
        for (int32_t i = 0; i < result.framesDrawn; ++i) {
            std::memset(stores->frameSurface.bits, i & 0xFF, FramePixelCount * sizeof(uint32_t));
            std::memcpy(copy.data(), stores->frameSurface.bits, FramePixelCount * sizeof(uint32_t));
            benchmark::DoNotOptimize(copy.data());
            benchmark::ClobberMemory();
        }
        const auto copied = Clock::now();
        runSeconds += std::chrono::duration<double>(ran - start).count();
        copySeconds += std::chrono::duration<double>(copied - ran).count();
        frames += result.framesDrawn;
        state.SetIterationTime(std::chrono::duration<double>(ran - start).count());
    }
    std::filesystem::remove(object);
    if (frames == 0) return;
    state.counters["frame_us"] = 1e6 * runSeconds / static_cast<double>(frames);
    state.counters["memset_memcpy_us"] = 1e6 * copySeconds / static_cast<double>(frames);
    state.counters["ratio"] = runSeconds / copySeconds;
}
BENCHMARK(emptyFrame)->Unit(benchmark::kMillisecond)->UseManualTime();

}  // namespace
}  // namespace volumix
