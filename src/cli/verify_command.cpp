#include "cli/verify_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <optional>

#include "app/run_defaults.h"
#include "app/run_setup.h"
#include "cli/failure_text.h"
#include "cli/generate_command.h"
#include "cli/parse_arguments.h"
#include "export/beam_replay.h"
#include "export/frame_export.h"
#include "export/gif_preview.h"
#include "export/scr_file.h"
#include "platform/file_io.h"

namespace volumix {

namespace {

// Ours are 64 or 128 KB after the header; room is left for another
// program's extra blocks, while memory stays bounded.
constexpr size_t SnapshotFileMax = 1 << 20;

// The run's .SCR files in frame order: the screens its frames should leave.
std::vector<ScreenImage> readExpectedScreens(const std::string& prefix, size_t count, std::string& error) {
    std::vector<ScreenImage> screens;
    std::error_code code;
    for (int32_t index = 0; index < FrameStoreSize && screens.size() < count; ++index) {
        const std::string path = frameScrPath(prefix, index);
        if (!std::filesystem::is_regular_file(path, code)) continue;
        const std::optional<std::vector<uint8_t>> read = readWholeFile(path, 128 + ScreenBytes);
        const std::vector<uint8_t> bytes = read.value_or(std::vector<uint8_t>{});
        if (bytes.size() != 128 + ScreenBytes) {
            error = path + " is not a .SCR file of 16,512 bytes";
            return {};
        }
        ScreenImage& image = screens.emplace_back();
        std::copy(bytes.begin() + 128, bytes.end(), image.begin());
    }
    if (screens.size() < count)
        error = "the index lists " + std::to_string(count) + " frames but only " + std::to_string(screens.size()) +
                " .SCR files of " + prefix + " exist (generate with --scr to check against them)";
    return screens;
}

// The run's layout as typed on the verify command line, for a run without a
// snapshot (a linear run has none).
struct RunDescription {
    bool linear = false, compress = false, doubleBuffer = false;
    std::string base = typedBaseAddress(DefaultExportFormat.baseAddress);
    std::string r1 = std::to_string(DefaultExportFormat.crtcR1);
    std::string background, spriteLayout, rate = "1";
};

PlaybackSettings describedPlayback(const RunDescription& d, CCpcScreen& background) {
    ExportFormat format;
    format.linear = d.linear;
    format.doubleBuffer = d.doubleBuffer;
    format.frames = DeltaFrames{d.compress};
    format.baseAddress = parseBaseAddress(d.base);
    format.crtcR1 = parseNonNegative(d.r1, "--r1");
    if (format.crtcR1 < 1 || format.crtcR1 > 64) throw UsageError("--r1 must be 1..64 (got " + d.r1 + ")");
    format.rate = parseNonNegative(d.rate, "--rate");
    if (!d.spriteLayout.empty())
        format.frames = SpriteFrames{pickName(d.spriteLayout, spriteLayoutNames(), "--sprite-layout")};
    const ScreenImage* startScreen = nullptr;
    if (!d.background.empty()) {
        Failure failure;
        int32_t mode = 1;
        InkArray inks = DefaultInks;
        if (loadBackground(background, d.background, mode, inks, false, &failure) != ScrOk)
            throw std::runtime_error(cannotRead(failure));
        startScreen = &background.image;
    }
    // The mode and inks are the snapshot's business; the replay compares bytes.
    const PlaybackSettings playback = playbackOf(format, 1, DefaultInks, startScreen);
    const Failure refusal = playbackRefusal(playback);
    if (refusal.failed()) throw UsageError(failureReason(refusal));
    return playback;
}

// One GIF frame per picture, decoded as the window's preview decodes frames.
bool writeMonitorGif(const MonitorPlayback& playback, const CpcMachine& machine, const std::string& path) {
    GifPreviewWriter gif;
    CDibSurface frame;
    frame.create(FrameWidth, FrameHeight);
    CCpcScreen screen;
    screen.inks = machine.inks;
    screen.mode = machine.screenMode;
    const int32_t bytesPerLine = 2 * std::clamp(machine.crtcR1, 0, 64);
    bool ok = gif.open(path);
    for (size_t k = 0; ok && k < playback.pictures.size(); ++k) {
        screen.image = playback.pictures[k];
        decodeToFrame(screen, frame.bits, machine.screenMode, bytesPerLine, false);
        ok = gif.addFrame(frame, machine.inks, machine.crtcR1);
    }
    if (ok) ok = gif.finish();
    if (!ok) std::fprintf(stderr, "error: %s\n", cannotWrite(gif.failure()).c_str());
    return ok;
}

}  // namespace

bool printReplayReport(const ReplayReport& report, std::FILE* out, bool stoppedByFullMemory) {
    int32_t mismatches = 0;
    const ReplayFrame* dearest = nullptr;
    bool allFit = true;
    const int64_t budget = int64_t{report.rate} * NopsPerFrame;
    for (const ReplayFrame& frame : report.frames) {
        std::fprintf(out, "frame %3d%s %6lld us of %lld  %s%s", frame.frame, frame.loop ? " (loop)" : "       ",
                     static_cast<long long>(frame.nops), static_cast<long long>(budget), frame.fits ? "fits" : "over",
                     frame.onTime ? "" : " late");
        if (!frame.shown) {
            ++mismatches;
            std::fputs("  never shown: the player did not give the CRTC its screen\n", out);
        } else if (frame.matches) {
            std::fputs("  ok\n", out);
        } else {
            ++mismatches;
            // Frame 0's delta starts from the run's pre-roll, its last planned
            // frame: the loop is right only when the last frame stored left
            // that screen.
            const bool loopOnly = frame.loop && !report.frames.empty() && report.frames.front().matches;
            std::fprintf(out, "  mismatch at &%04X: screen &%02X, expected &%02X%s\n", frame.address, frame.screenByte,
                         frame.expectedByte,
                         !loopOnly ? ""
                         : stoppedByFullMemory
                             ? " (frame 0 matched on its first play: its delta was made for the run's last planned "
                               "frame, which this run, stopped by full memory, never stored)"
                             : " (frame 0 matched on its first play: its delta starts from the run's last planned "
                               "frame, and the last frame stored left another screen here)");
        }
        if (dearest == nullptr || frame.nops > dearest->nops) dearest = &frame;
        allFit = allFit && frame.fits;
    }
    if (report.failure.failed()) std::fprintf(out, "stopped: %s\n", failureReason(report.failure).c_str());
    const size_t played = report.frames.empty() ? 0 : report.frames.size() - (report.frames.back().loop ? 1 : 0);
    std::fprintf(out, "frames checked: %zu (and frame 0 after the last), mismatches: %d\n", played, mismatches);
    if (dearest != nullptr) {
        std::fprintf(out, "dearest: frame %d, %lld us (%.1f %% of a 50 Hz frame)\n", dearest->frame,
                     static_cast<long long>(dearest->nops), 100.0 * static_cast<double>(dearest->nops) / NopsPerFrame);
        const double perByte = nopsPerByte(report);
        if (perByte > 0)
            std::fprintf(out, "cost: %.2f us per %s byte (%s)\n", perByte, report.boxBytes ? "box" : "changed",
                         played > 1 ? ("mean of frames 1 to " + std::to_string(played - 1)).c_str() : "frame 0");
    }
    if (report.missedSyncs > 0)
        std::fprintf(out, "the player missed %d vertical sync%s: its schedule is off\n", report.missedSyncs,
                     report.missedSyncs == 1 ? "" : "s");
    std::fprintf(out, "rate: one frame every %d vertical sync%s (%.2f frames/s)\n", report.rate,
                 report.rate == 1 ? "" : "s", 1e6 / static_cast<double>(budget));
    std::fprintf(out, "every frame fits in its %lld us: %s\n", static_cast<long long>(budget),
                 allFit && !report.failure.failed() ? "yes" : "no");
    return mismatches == 0 && !report.failure.failed() && report.missedSyncs == 0;
}

int runVerifyCommand(const std::vector<std::string>& arguments) {
    CLI::App app{"Plays a run's data on an emulated CPC and checks every frame against its .SCR files.\n"
                 "The run's layout comes from its snapshot, or, for a run without one (a linear\n"
                 "run has none), from the options that describe it as generate was given them.",
                 "volumix verify"};
    std::string prefix, snapshotPath, gifPath;
    RunDescription described;
    app.add_option("prefix", prefix, "the run's output base name (-o of generate)")->required()->type_name("PREFIX");
    app.add_option("--snapshot", snapshotPath, "the run's snapshot [PREFIX.sna]")->type_name("FILE.sna");
    const std::vector<CLI::Option*> description = {
        app.add_flag("--linear", described.linear, "the run had a linear screen (R9 = 0)"),
        app.add_flag("--compress", described.compress, "the run's deltas were compressed"),
        app.add_flag("--double-buffer", described.doubleBuffer, "the run was double buffered"),
        app.add_option("--base", described.base, "the run's screen base address 0000|4000|8000|C000 [C000]")
            ->type_name("ADDRESS"),
        app.add_option("--r1", described.r1, "the run's CRTC R1 [40]")->type_name("N"),
        app.add_option("--background", described.background, "the screen the run drew over")->type_name("FILE.SCR"),
        app.add_option("--sprite-layout", described.spriteLayout, "the run exported sprite blocks: lines|1col|2col")
            ->type_name("NAME"),
        app.add_option("--rate", described.rate, "vertical syncs per frame to check against [1]")->type_name("N")};
    app.add_option("--gif", gifPath,
                   "write what the monitor shows, one picture per 50 Hz frame, torn where the beam overtook the "
                   "player, and count the torn ones")
        ->type_name("FILE.gif");
    for (CLI::Option* option : description) option->excludes("--snapshot");
    if (const std::optional<int> status = parseArguments(app, arguments)) return *status;
    const bool fromDescription =
        std::any_of(description.begin(), description.end(), [](const CLI::Option* o) { return o->count() > 0; });

    const auto fail = [](const std::string& message, int status = ExitInputFailed) {
        std::fprintf(stderr, "error: %s\n", message.c_str());
        return status;
    };
    CpcMachine machine;
    RunData data;
    std::string error;
    if (fromDescription) {
        PlaybackSettings playback;
        CCpcScreen background;
        try {
            playback = describedPlayback(described, background);
        } catch (const UsageError& e) {
            return fail(e.what(), ExitUsage);
        } catch (const std::exception& e) {
            return fail(e.what());
        }
        if (const Failure failure = readRunData(prefix, data); failure.failed()) return fail(cannotRead(failure));
        if (const Failure layout = buildCpcMachine(playback, data, false, machine); layout.failed())
            return fail(failureReason(layout));
    } else {
        if (snapshotPath.empty()) snapshotPath = prefix + ".sna";
        std::error_code code;
        if (!std::filesystem::is_regular_file(snapshotPath, code))
            return fail("cannot read " + snapshotPath +
                        ": no such file (generate with --snapshot, or describe the run: --linear, --base, --r1, "
                        "--compress, --double-buffer, --background, --sprite-layout, --rate)");
        SnapshotInfo info;
        Failure failure;
        const std::optional<std::vector<uint8_t>> bytes = readWholeFile(snapshotPath, SnapshotFileMax, &failure);
        if (!bytes) return fail(cannotRead(failure));
        failure = readSnapshot(*bytes, info);
        if (!failure.failed()) failure = machineFromSnapshot(info, machine);
        if (failure.failed()) return fail(snapshotPath + ": " + failureReason(failure));
        if (failure = readRunData(prefix, data); failure.failed()) return fail(cannotRead(failure));
        // The files are what is checked: they replace the snapshot's copy.
        const uint16_t frames = machine.frameCount;
        overlayRunData(data, machine);
        machine.frameCount = frames;
    }
    const std::vector<ScreenImage> expected = readExpectedScreens(prefix, machine.frameCount, error);
    if (!error.empty()) return fail(error);
    if (gifPath.empty()) {
        const bool matched = printReplayReport(replayFrames(machine, expected, true), stdout);
        return matched ? ExitOk : ExitInputFailed;
    }
    if (!gifPreviewAvailable()) return fail("--gif: this build cannot write GIF files (it was built without giflib)", ExitUsage);
    const MonitorPlayback playback = replayWithBeam(machine, expected, true);
    const bool matched = printReplayReport(playback.report, stdout);
    const bool written = writeMonitorGif(playback, machine, gifPath);
    std::printf("monitor: %zu pictures of 50 Hz frames, %d torn%s\n", playback.pictures.size(), playback.tornCount,
                playback.tornCount == 0 ? "" : " (the beam overtook the player)");
    return matched && written ? ExitOk : ExitInputFailed;
}

}  // namespace volumix
