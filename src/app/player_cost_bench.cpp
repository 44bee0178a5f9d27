// What the Z80 player costs on the CPC, as counters: the named torus runs
// are generated once, then played on the emulated CPC, which counts NOPs, so
// the figures are exact and the same on every machine. The time reported is
// the emulation's, not the CPC's.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>

#include "app/generation_run.h"
#include "export/z80_replay.h"
#include "testing/run_support.h"

namespace volumix {
namespace {

using test::FixedHost;
using test::NoLines;

enum PlayedExport : int32_t { PlayedDelta, PlayedCompressed, PlayedLines, PlayedOneColumn, PlayedTwoColumns };

// The torus turning, 12 frames: mode 0 at zoom 600, mode 2 at zoom 500.
void BM_PlayerCostPerByte(benchmark::State& state) {
    const auto played = static_cast<PlayedExport>(state.range(0));
    const auto render = static_cast<RenderMode>(state.range(1));
    const auto mode = static_cast<int32_t>(state.range(2));
    const auto folder = std::filesystem::temp_directory_path() / ("volumix_player_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);

    RunParameters parameters;
    parameters.objectPath = std::string(VOLUMIX_EXAMPLES_DIR) + "/torus.asc";
    parameters.cpcPath = (folder / "torus").string();
    parameters.frameCount = 12;
    parameters.renderMode = render;
    parameters.screenMode = mode;
    const int32_t zoom = mode == 0 ? 600 : 500;
    const int32_t start[SequenceFrame::FieldCount] = {160, 100, zoom, zoom, 90, 0, 0};
    const int32_t increment[SequenceFrame::FieldCount] = {0, 0, 0, 0, 2, 3, 0};
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) {
        parameters.start.field(k) = start[k];
        parameters.increments.field(k) = increment[k];
    }
    parameters.writeScr = true;  // as the named runs: the .SCR palette bytes reach the deltas
    if (played == PlayedCompressed) parameters.format.frames = DeltaFrames{true};
    if (played >= PlayedLines)
        parameters.format.frames = SpriteFrames{static_cast<SpriteLayout>(played - PlayedLines + SpriteLayoutLines)};

    auto stores = makeAppStores();
    FixedHost host(FrameSettings{});
    NoPacing pacing;
    NoLines messages;
    const RunResult result = runGeneration(*stores, parameters, host, pacing, messages);
    RunData data;
    CpcMachine machine;
    const PlaybackSettings playback = playbackOf(parameters.format, mode, DefaultInks, nullptr);
    if (result.outcome != RunCompleted || readRunData(parameters.cpcPath, data).failed() ||
        buildCpcMachine(playback, data, false, machine).failed()) {
        state.SkipWithError("the torus run could not be made");
        std::filesystem::remove_all(folder);
        return;
    }
    ReplayReport report;
    for (auto _ : state) report = replayFrames(machine, {});
    std::filesystem::remove_all(folder);
    if (report.failure.failed()) {
        state.SkipWithError("the player did not play the run");
        return;
    }
    // µs per changed byte (per box byte for sprite blocks), frames 1 to 11.
    int64_t dearest = 0;
    for (const ReplayFrame& frame : report.frames) dearest = std::max(dearest, frame.nops);
    state.counters["us_per_byte"] = nopsPerByte(report);
    state.counters["dearest_us"] = static_cast<double>(dearest);
}

void playerRuns(benchmark::internal::Benchmark* b) {
    b->ArgNames({"export", "render", "mode"});
    for (const int64_t played : {PlayedDelta, PlayedCompressed, PlayedLines, PlayedOneColumn, PlayedTwoColumns})
        for (const int64_t render : {RenderFilledFaces, RenderWireframe})
            for (const int64_t mode : {0, 2}) b->Args({played, render, mode});
    b->Iterations(1)->Unit(benchmark::kMillisecond);
}
BENCHMARK(BM_PlayerCostPerByte)->Apply(playerRuns);

}  // namespace
}  // namespace volumix
