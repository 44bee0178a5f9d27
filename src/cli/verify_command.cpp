#include "cli/verify_command.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "cli/generate_command.h"
#include "cli/parse_arguments.h"
#include "export/frame_export.h"
#include "export/scr_file.h"

namespace volumix {

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

// The run's .SCR files in frame order: the screens its frames should leave.
std::vector<ScreenImage> readExpectedScreens(const std::string& prefix, size_t count, std::string& error) {
    std::vector<ScreenImage> screens;
    std::error_code code;
    for (int32_t index = 0; index < FrameStoreSize && screens.size() < count; ++index) {
        const std::string path = frameScrPath(prefix, index);
        if (!std::filesystem::is_regular_file(path, code)) continue;
        const std::vector<uint8_t> bytes = readFile(path);
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

}  // namespace

bool printReplayReport(const ReplayReport& report, std::FILE* out) {
    int32_t mismatches = 0;
    const ReplayFrame* dearest = nullptr;
    bool allFit = true;
    for (const ReplayFrame& frame : report.frames) {
        std::fprintf(out, "frame %3d%s %6lld us of %d  %s", frame.frame, frame.loop ? " (loop)" : "       ",
                     static_cast<long long>(frame.nops), NopsPerFrame, frame.fits ? "fits" : "over");
        if (frame.matches) {
            std::fputs("  ok\n", out);
        } else {
            ++mismatches;
            std::fprintf(out, "  mismatch at &%04X: screen &%02X, expected &%02X%s\n", frame.address, frame.screenByte,
                         frame.expectedByte,
                         frame.endMarkerLimit ? " (offset 0 changes and its entry reads 00 00, the end marker: "
                                                "a limit of the format with base &0000, or a compressed group of "
                                                "four at offset 0)"
                                              : "");
        }
        if (dearest == nullptr || frame.nops > dearest->nops) dearest = &frame;
        allFit = allFit && frame.fits;
    }
    if (!report.failure.empty()) std::fprintf(out, "stopped: %s\n", report.failure.c_str());
    const size_t played = report.frames.empty() ? 0 : report.frames.size() - (report.frames.back().loop ? 1 : 0);
    std::fprintf(out, "frames checked: %zu (and frame 0 after the last), mismatches: %d\n", played, mismatches);
    if (dearest != nullptr)
        std::fprintf(out, "dearest: frame %d, %lld us (%.1f %% of a 50 Hz frame)\n", dearest->frame,
                     static_cast<long long>(dearest->nops), 100.0 * static_cast<double>(dearest->nops) / NopsPerFrame);
    std::fprintf(out, "every frame fits in one 50 Hz frame: %s\n", allFit && report.failure.empty() ? "yes" : "no");
    return mismatches == 0 && report.failure.empty();
}

int runVerifyCommand(const std::vector<std::string>& arguments) {
    CLI::App app{"Plays a run's data on an emulated CPC and checks every frame against its .SCR files.",
                 "volumix verify"};
    std::string prefix, snapshotPath;
    app.add_option("prefix", prefix, "the run's output base name (-o of generate)")->required()->type_name("PREFIX");
    app.add_option("--snapshot", snapshotPath, "the run's snapshot [PREFIX.sna]")->type_name("FILE.sna");
    if (const std::optional<int> status = parseArguments(app, arguments)) return *status;
    if (snapshotPath.empty()) snapshotPath = prefix + ".sna";

    const auto fail = [](const std::string& message) {
        std::fprintf(stderr, "error: %s\n", message.c_str());
        return ExitInputFailed;
    };
    std::error_code code;
    if (!std::filesystem::is_regular_file(snapshotPath, code))
        return fail("cannot read " + snapshotPath + ": no such file (generate with --snapshot, or use generate --verify)");
    SnapshotInfo info;
    CpcMachine machine;
    RunData data;
    std::string error;
    if (!readSnapshot(readFile(snapshotPath), info, &error) || !machineFromSnapshot(info, machine, &error))
        return fail(snapshotPath + ": " + error);
    if (!readRunData(prefix, data, &error)) return fail(error);
    // The files are what is checked: they replace the snapshot's copy.
    const uint16_t frames = machine.frameCount;
    overlayRunData(data, machine);
    machine.frameCount = frames;
    const std::vector<ScreenImage> expected = readExpectedScreens(prefix, frames, error);
    if (!error.empty()) return fail(error);
    const bool matched = printReplayReport(replayFrames(machine, expected), stdout);
    return matched ? ExitOk : ExitInputFailed;
}

}  // namespace volumix
