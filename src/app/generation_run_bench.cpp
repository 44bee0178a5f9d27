#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>

#include "app/generation_run.h"

namespace volumix {
namespace {

class NoLines : public MessageSink {
public:
    void addLine(const std::string&) override {}
};

class FixedHost : public RunHost {
public:
    explicit FixedHost(const FrameSettings& settings) : settings_(settings) {}
    FrameSettings frameSettings() override { return settings_; }

private:
    FrameSettings settings_;
};

// Whole runs, unpaced, mesh loading included; reported as frames per second.
void runAndCount(benchmark::State& state, const RunParameters& parameters, const FrameSettings& settings) {
    auto stores = makeAppStores();
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
    FrameSettings settings;
    settings.writeScr = true;
    runAndCount(state, parameters, settings);
    std::filesystem::remove_all(folder);
}
BENCHMARK(defaultRunWithFiles)->Unit(benchmark::kMillisecond)->UseRealTime();

// The largest mesh allowed, filled faces in mode 0 with compression, 359
// frames, nothing written (such frames fill the CPC's memory at once).
void largestMeshFilledFaces(benchmark::State& state) {
    RunParameters parameters;
    parameters.objectPath = std::string(VOLUMIX_EXAMPLES_DIR) + "/torus65536.asc";
    parameters.renderMode = RenderFilledFaces;
    parameters.frameCount = 359;
    FrameSettings settings;
    settings.compress = true;
    runAndCount(state, parameters, settings);
}
BENCHMARK(largestMeshFilledFaces)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace
}  // namespace volumix
