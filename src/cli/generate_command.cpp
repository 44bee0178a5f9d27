#include "cli/generate_command.h"

#include <CLI/CLI.hpp>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>
#include <string_view>

#include "app/app_stores.h"
#include "app/generation_run.h"
#include "app/run_defaults.h"
#include "app/run_setup.h"
#include "cli/failure_text.h"
#include "cli/dsk_option.h"
#include "cli/parse_arguments.h"
#include "cli/verify_command.h"
#include "export/cpc_snapshot.h"
#include "export/gif_preview.h"
#include "platform/file_io.h"
#include "sequence/sequence_csv.h"

namespace volumix {

namespace {

// A file named on the command line that cannot be used: status 1.
struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Progress on one updating stderr line, shown only when stderr is a terminal.
class ProgressLine {
public:
    ProgressLine() : shown_(isatty(fileno(stderr)) != 0) {}

    void update(std::string text) {
        if (!shown_) return;
        text_ = std::move(text);
        redraw();
    }
    // Takes the line off the screen, so that other output starts clean.
    void erase() {
        if (shown_ && !text_.empty()) std::fputs("\r\033[K", stderr);
    }
    void redraw() {
        if (!shown_ || text_.empty()) return;
        std::fprintf(stderr, "\r%s", text_.c_str());
        std::fflush(stderr);
    }
    void finish() {
        erase();
        text_.clear();
    }

private:
    bool shown_;
    std::string text_;
};

// The message list goes to stdout, one line each, in order. When stdout is
// the progress line's terminal too, the progress line steps aside for it.
class StdoutLines : public MessageSink {
public:
    explicit StdoutLines(ProgressLine& progress)
        : progress_(progress), sharesTerminal_(isatty(fileno(stdout)) != 0) {}

    void addLine(const std::string& line) override {
        if (sharesTerminal_) progress_.erase();
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        if (sharesTerminal_) {
            std::fflush(stdout);
            progress_.redraw();
        }
    }

private:
    ProgressLine& progress_;
    bool sharesTerminal_;
};

// The sequence file's own report belongs to the sequence editor, not to the
// run's message list.
class DiscardLines : public MessageSink {
public:
    void addLine(const std::string&) override {}
};

std::vector<int32_t> parseList(const std::string& text, size_t count, const std::string& what) {
    std::vector<int32_t> values;
    size_t begin = 0;
    while (true) {
        const size_t comma = text.find(',', begin);
        values.push_back(parseInteger(std::string_view(text).substr(begin, comma - begin), what));
        if (comma == std::string::npos) break;
        begin = comma + 1;
    }
    if (values.size() != count)
        throw UsageError(what + " needs " + std::to_string(count) + " comma-separated values, got " +
                         std::to_string(values.size()));
    return values;
}

SequenceFrame parseFrame(const std::string& text, const std::string& what) {
    const std::vector<int32_t> values = parseList(text, SequenceFrame::FieldCount, what);
    SequenceFrame frame;
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) frame.field(k) = values[static_cast<size_t>(k)];
    return frame;
}

// The defaults as the command line types them, from the one place both
// front ends read them.
std::string joined(const int32_t* values, size_t count) {
    std::string text;
    for (size_t k = 0; k < count; ++k) text += (k == 0 ? "" : ",") + std::to_string(values[k]);
    return text;
}

std::string typedFrame(const SequenceFrame& frame) {
    int32_t values[SequenceFrame::FieldCount];
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) values[k] = frame.field(k);
    return joined(values, SequenceFrame::FieldCount);
}

std::string renderModeName(RenderMode mode) {
    for (const auto& [name, value] : renderModeNames())
        if (value == mode) return name;
    return "points";
}

// Everything the command line sets, as typed.
struct GenerateOptions {
    std::string object;
    std::string out;
    std::string frames = std::to_string(DefaultFrameCount), step = std::to_string(DefaultFrameStep),
                first = std::to_string(DefaultFirstFrame);
    std::string start = typedFrame(DefaultStartValues);
    std::string increment = typedFrame(DefaultIncrements);
    std::string sequence;
    std::string render = renderModeName(DefaultRenderMode);
    std::string mode = std::to_string(DefaultScreenMode);
    std::string r1 = std::to_string(DefaultExportFormat.crtcR1);
    std::string base = typedBaseAddress(DefaultExportFormat.baseAddress);
    std::string inks = joined(DefaultInks.data(), DefaultInks.size());
    std::string lineInk = std::to_string(DefaultLineInk), fillInk = std::to_string(DefaultFillInk);
    std::string background;
    bool importPalette = false;
    std::string exportKind = "delta";
    std::string spriteLayout = "lines";
    std::string spriteHeader = "corners";
    bool compress = false, banks = false, asm_ = false, scr = false, linear = false, recentre = false,
         doubleBuffer = false;
    std::string sprites;
    std::string spriteSize = std::to_string(DefaultSpriteSize);
    std::string spriteCount = std::to_string(DefaultSpriteCount);
    std::string snapshot;
    std::string dsk;
    bool verify = false;
    std::string rate = "1";
    std::string gif;
};

void declareOptions(CLI::App& app, GenerateOptions& o) {
    app.add_option("object", o.object, "mesh file: .asc, .obj, .stl, .ply, .gltf, .glb, .3ds, .dae...")->required();
    app.add_option("-o,--out", o.out, "output base name; without it nothing is written");
    app.add_option("--frames", o.frames, "number of frames (at most " + std::to_string(MaxFrameCount) + ")")
        ->capture_default_str();
    app.add_option("--step", o.step, "frame index step")->capture_default_str();
    app.add_option("--first", o.first, "first frame index")->capture_default_str();
    app.add_option("--start", o.start, "start values PX,PY,ZX,ZY,AX,AY,AZ")->capture_default_str();
    app.add_option("--increment", o.increment, "per-frame increments PX,PY,ZX,ZY,AX,AY,AZ")->capture_default_str();
    app.add_option("--sequence", o.sequence, "take each frame's values from a sequence file (.csv)");
    app.add_option("--render", o.render,
                   "points|hidden-points|wireframe|hidden-faces|filled-faces|sprites|hidden-sprites")
        ->capture_default_str();
    app.add_option("--mode", o.mode, "CPC screen mode 0|1|2")->capture_default_str();
    app.add_option("--r1", o.r1, "CRTC R1, characters per line (1..64)")->capture_default_str();
    app.add_option("--base", o.base, "screen base address 0000|4000|8000|C000")->capture_default_str();
    app.add_option("--inks", o.inks, "hardware colours of inks 0..15")->capture_default_str();
    app.add_option("--line-ink", o.lineInk, "ink of lines and points")->capture_default_str();
    app.add_option("--fill-ink", o.fillInk, "ink of filled faces")->capture_default_str();
    app.add_option("--background", o.background, "draw every frame over this screen (.SCR)");
    app.add_flag("--import-palette", o.importPalette, "take mode and inks from the background when it has them");
    app.add_option("--export", o.exportKind, "delta|sprite|points")->capture_default_str();
    app.add_option("--sprite-layout", o.spriteLayout, "lines|1col|2col")->capture_default_str();
    app.add_option("--sprite-header", o.spriteHeader, "corners|size")->capture_default_str();
    app.add_flag("--compress", o.compress, "compress the screen deltas");
    app.add_flag("--banks", o.banks, "spread the data over the 128K memory banks");
    app.add_flag("--asm", o.asm_, "write Z80 assembler sources of the data");
    app.add_flag("--scr", o.scr, "write a .SCR file for each frame");
    app.add_flag("--linear", o.linear, "linear screen memory (R9=0)");
    app.add_flag("--double-buffer", o.doubleBuffer,
                 "draw each frame on a hidden second screen and show it at the next vertical sync");
    app.add_flag("--recentre", o.recentre, "centre the mesh on its bounding box");
    app.add_option("--sprites", o.sprites, "sprite bank (.spt)");
    app.add_option("--sprite-size", o.spriteSize, "sprite side 4|8|12|16")->capture_default_str();
    app.add_option("--sprite-count", o.spriteCount, "sprites cycled, 1..256")->capture_default_str();
    app.add_option("--snapshot", o.snapshot, "also write a CPC snapshot (.sna) that plays the run");
    app.add_option("--dsk", o.dsk, "also write a CPC data disk image (.dsk) on which RUN\"NAME\" plays the run");
    app.add_flag("--verify", o.verify, "play the written data on an emulated CPC and check every frame");
    app.add_option("--rate", o.rate,
                   "vertical syncs the player gives each frame, 1..50, or auto: the fewest in which every frame fits")
        ->capture_default_str();
    app.add_option("--gif", o.gif, "also write the frames as the window's preview shows them, as a looping GIF");

    const std::map<std::string, std::string> typeNames = {
        {"object", "OBJECT"}, {"--out", "PREFIX"}, {"--sequence", "FILE.csv"}, {"--background", "FILE.SCR"},
        {"--sprites", "FILE.spt"}, {"--start", "PX,PY,ZX,ZY,AX,AY,AZ"}, {"--increment", "PX,PY,ZX,ZY,AX,AY,AZ"},
        {"--inks", "C0,...,C15"}, {"--render", "NAME"}, {"--export", "NAME"}, {"--sprite-layout", "NAME"},
        {"--sprite-header", "NAME"}, {"--base", "ADDRESS"}, {"--snapshot", "FILE.sna"}, {"--dsk", "FILE.dsk"},
        {"--gif", "FILE.gif"}, {"--rate", "N|auto"}};
    for (CLI::Option* option : app.get_options()) {
        if (option->get_expected_min() == 0) continue;  // flags
        // The long name, or the positional's: "-o,--out" gives "--out".
        const std::string names = option->get_name(false, true);
        const auto found = typeNames.find(names.substr(names.find_last_of(',') + 1));
        option->type_name(found != typeNames.end() ? found->second : "N");
    }
}

// The run as the window would set it up from the same typed values.
struct GenerateSetup {
    RunRequest request;
    bool useBackground = false;
};

GenerateSetup interpretOptions(const GenerateOptions& o) {
    GenerateSetup setup;
    if (o.object.empty()) throw UsageError("the object file name is empty");
    RunParameters& p = setup.request.parameters;
    FrameSettings& s = setup.request.settings;
    p.objectPath = o.object;
    p.cpcPath = o.out;
    p.frameCount = parseNonNegative(o.frames, "--frames");
    p.frameStep = parseNonNegative(o.step, "--step");
    p.firstFrame = parseNonNegative(o.first, "--first");
    p.start = parseFrame(o.start, "--start");
    p.increments = parseFrame(o.increment, "--increment");
    p.useSequence = !o.sequence.empty();
    p.renderMode = pickName(o.render, renderModeNames(), "--render");
    p.screenMode = pickName<int32_t>(o.mode, {{"0", 0}, {"1", 1}, {"2", 2}}, "--mode");
    p.lineInk = parseNonNegative(o.lineInk, "--line-ink");
    p.fillInk = parseNonNegative(o.fillInk, "--fill-ink");
    p.recentre = o.recentre;
    p.writeAsm = o.asm_;
    p.writeScr = o.scr;
    p.format.banks = o.banks;
    p.format.linear = o.linear;
    p.format.baseAddress = parseBaseAddress(o.base);
    p.format.doubleBuffer = o.doubleBuffer;

    s.crtcR1 = parseNonNegative(o.r1, "--r1");
    const std::vector<int32_t> inks = parseList(o.inks, InkCount, "--inks");
    for (int k = 0; k < InkCount; ++k) {
        if (inks[static_cast<size_t>(k)] < 0 || inks[static_cast<size_t>(k)] >= HardwareColourCount)
            throw UsageError("--inks: hardware colours are 0..26 (ink " + std::to_string(k) + " is " +
                             std::to_string(inks[static_cast<size_t>(k)]) + ")");
        s.inks[static_cast<size_t>(k)] = inks[static_cast<size_t>(k)];
    }
    setup.request.exportKind = pickName<ExportKind>(
        o.exportKind, {{"delta", ExportDelta}, {"sprite", ExportSprite}, {"points", ExportPoints}}, "--export");
    setup.request.sprite.layout = pickName(o.spriteLayout, spriteLayoutNames(), "--sprite-layout");
    setup.request.sprite.sizeOnlyHeader =
        pickName<bool>(o.spriteHeader, {{"corners", false}, {"size", true}}, "--sprite-header");
    setup.request.compress = o.compress;
    s.spriteSize = pickName<int32_t>(o.spriteSize, {{"4", 4}, {"8", 8}, {"12", 12}, {"16", 16}}, "--sprite-size");
    s.spriteCount = parseNonNegative(o.spriteCount, "--sprite-count");
    if (s.spriteCount < 1 || s.spriteCount > SpriteCountMax)
        throw UsageError("--sprite-count must be 1.." + std::to_string(SpriteCountMax) + " (got " + o.spriteCount +
                         ")");
    setup.useBackground = !o.background.empty();
    if (o.importPalette && !setup.useBackground) throw UsageError("--import-palette needs --background");
    if (o.compress && !compressionAllowed(setup.request.exportKind))
        throw UsageError("--compress applies to screen deltas only, not to --export " + o.exportKind);
    if ((!o.snapshot.empty() || !o.dsk.empty() || o.verify) && o.out.empty())
        throw UsageError("--snapshot, --dsk and --verify need -o PREFIX: they play the files the run writes");
    // auto: measured after the run, on the files it wrote.
    p.format.rate = o.rate == "auto" ? 1 : parseNonNegative(o.rate, "--rate");
    if (o.rate != "1" && o.snapshot.empty() && o.dsk.empty() && !o.verify)
        throw UsageError("--rate needs --snapshot, --dsk or --verify: it paces the player");
    if (!o.gif.empty() && !gifPreviewAvailable())
        throw UsageError("--gif: this build cannot write GIF files (it was built without giflib)");
    return setup;
}

// The rules that depend on the final screen mode (a background's palette may
// change it): the window only offers point export in mode 1 with a point
// render mode.
void applyRules(RunRequest& request, const GenerateOptions& o) {
    switch (applyRunRules(request)) {
        case RunSetupOk: return;
        case RunSetupPointsNeedMode1: throw UsageError("--export points needs screen mode 1");
        case RunSetupPointsNeedPointRender:
            throw UsageError("--export points needs --render points or hidden-points");
        case RunSetupCompressNeedsDelta:
            throw UsageError("--compress applies to screen deltas only, not to --export " + o.exportKind);
    }
}

// The refusals of the player that need no run.
void checkPlayback(const PlaybackSettings& playback, const GenerateOptions& o) {
    if (o.snapshot.empty() && o.dsk.empty() && !o.verify) return;
    const std::string option = !o.snapshot.empty() ? "--snapshot: " : !o.dsk.empty() ? "--dsk: " : "--verify: ";
    const Failure refusal = playbackRefusal(playback);
    if (refusal.failed()) throw UsageError(option + failureReason(refusal));
    if ((!o.snapshot.empty() || !o.dsk.empty()) && playback.format.linear) {
        RunData none;
        CpcMachine machine;
        throw UsageError(option + failureReason(buildCpcMachine(playback, none, true, machine)));
    }
}

// --rate auto: the fewest syncs per frame at which every frame, played on the
// emulated CPC, fits; printed with the frame that decides it.
bool chooseAutoRate(PlaybackSettings& playback, const RunData& data) {
    CpcMachine machine;
    Failure failure = buildCpcMachine(playback, data, false, machine);
    if (!failure.failed()) {
        const RateChoice choice = measureRate(machine, &failure);
        if (!failure.failed()) {
            playback.format.rate = choice.rate;
            std::printf("rate: auto chose %d vertical sync%s per frame: the dearest frame, %d, takes %lld us from "
                        "the start of its sync%s\n",
                        choice.rate, choice.rate == 1 ? "" : "s", choice.dearestFrame,
                        static_cast<long long>(choice.dearestNops),
                        choice.fits ? "" : ", more than the 50 syncs a frame may have");
            return true;
        }
    }
    std::fprintf(stderr, "error: --rate auto: %s\n", failureReason(failure).c_str());
    return false;
}

// After the run: the snapshot and the replay check, from the files written.
int snapshotAndVerify(PlaybackSettings playback, const GenerateOptions& o, const std::vector<ScreenImage>& drawn,
                      bool stoppedByFullMemory) {
    RunData data;
    if (const Failure failure = readRunData(o.out, data); failure.failed()) {
        std::fprintf(stderr, "error: %s\n", cannotRead(failure).c_str());
        return ExitInputFailed;
    }
    if (o.rate == "auto" && !chooseAutoRate(playback, data)) return ExitInputFailed;
    int status = ExitOk;
    if (!o.snapshot.empty()) {
        CpcMachine machine;
        const Failure layout = buildCpcMachine(playback, data, true, machine);
        if (layout.failed()) {
            std::fprintf(stderr, "error: --snapshot: %s (the data files are written)\n", failureReason(layout).c_str());
            status = ExitInputFailed;
        } else {
            const FileWriteResult written = writeFileReplacing(o.snapshot, buildSnapshot(machine));
            if (!written) {
                std::fprintf(stderr, "error: %s\n", cannotWrite(written.failure).c_str());
                status = ExitInputFailed;
            }
            const int32_t r1 = playback.format.crtcR1;
            if (r1 > 40 && !playback.format.linear)
                std::fprintf(stderr, "note: with R1 = %d a 16 KB screen holds %d character rows; the snapshot shows those\n",
                             r1, displayedRows(r1));
        }
    }
    if (!o.dsk.empty()) {
        CpcMachine machine;
        const Failure layout = buildCpcMachine(playback, data, true, machine);
        if (layout.failed()) {
            std::fprintf(stderr, "error: --dsk: %s (the data files are written)\n", failureReason(layout).c_str());
            status = ExitInputFailed;
        } else if (writeRunDisk(machine, o.out, o.dsk) != ExitOk) {
            status = ExitInputFailed;
        }
    }
    if (o.verify) {
        CpcMachine machine;
        if (const Failure layout = buildCpcMachine(playback, data, false, machine); layout.failed()) {
            std::fprintf(stderr, "error: --verify: %s\n", failureReason(layout).c_str());
            return ExitInputFailed;
        }
        std::fflush(stdout);
        if (!printReplayReport(replayFrames(machine, drawn), stdout, stoppedByFullMemory)) status = ExitInputFailed;
    }
    return status;
}

class CommandLineHost : public RunHost {
public:
    CommandLineHost(const FrameSettings& settings, int32_t framesToDraw, std::string outputPrefix,
                    ProgressLine& progress, std::string objectPath)
        : settings_(settings), framesToDraw_(framesToDraw), outputPrefix_(std::move(outputPrefix)),
          progress_(progress), objectPath_(std::move(objectPath)) {}

    FrameSettings frameSettings() override { return settings_; }

    void prepareOutput(const MeshObject& mesh) override {
        // A file with nothing the reader understands runs as an empty
        // animation; most likely it was not the file meant.
        if (mesh.vertexCount == 0 && mesh.faceCount == 0) {
            progress_.erase();
            std::fprintf(stderr, "warning: %s holds no mesh (0 points, 0 faces)\n", objectPath_.c_str());
        }
        if (outputPrefix_.empty()) return;
        // The prefix's folder is made when missing; when that fails, the
        // export reports each file it cannot create.
        const std::filesystem::path folder = std::filesystem::path(outputPrefix_).parent_path();
        std::error_code error;
        if (!folder.empty()) std::filesystem::create_directories(folder, error);
    }

    // Keeps the screen of every stored frame, for the replay check.
    void keepScreens(std::vector<ScreenImage>* screens) { screens_ = screens; }

    // Every frame the window would show, the pre-roll included, goes to the GIF.
    void writeGif(GifPreviewWriter* gif) { gif_ = gif; }
    void showFrame(CDibSurface& frame, const FrameSettings& settings) override {
        if (gif_ != nullptr) gif_->addFrame(frame, settings.inks, settings.crtcR1);
    }

    void frameDone(const FrameReport& report) override {
        if (screens_ != nullptr && report.stored) screens_->push_back(*report.screen);
        progress_.update("frame " + std::to_string(report.framesDrawn) + " of " + std::to_string(framesToDraw_) +
                         ", " + std::to_string(report.totalBytes) + " bytes");
    }

private:
    FrameSettings settings_;
    int32_t framesToDraw_;
    std::string outputPrefix_;
    ProgressLine& progress_;
    std::string objectPath_;
    std::vector<ScreenImage>* screens_ = nullptr;
    GifPreviewWriter* gif_ = nullptr;
};

// Double buffering is refused before the run when it cannot be had; else
// says where the second screen is and what it costs.
void checkDoubleBuffer(const RunParameters& p) {
    if (!p.format.doubleBuffer) return;
    const int32_t stored = storedFrameCount(p.frameCount, p.firstFrame, p.frameStep);
    if (const Failure refusal = doubleBufferRefusal(p.format, stored); refusal.failed())
        throw UsageError("--double-buffer: " + failureReason(refusal));
    RunMemoryLayout layout;
    runMemoryLayout(p.format, layout);
    std::printf("double buffer: frames alternate between the screens at &%04X and &%04X; the second screen takes "
                "16384 bytes: %s holds %d bytes of data (%d without double buffering), the index lies at &%04X\n",
                layout.screens[0], layout.screens[1], p.format.banks ? "bank 8's part" : "main memory",
                layout.largeCapacity, LargeDataCapacity, layout.indexAddress);
}

// The files the run reads besides the object: background (its palette may
// set the mode and inks), sprites and sequence; then the rules that need the
// final mode. Throws what the user must change.
PlaybackSettings prepareRun(GenerateSetup& setup, const GenerateOptions& options, AppStores& stores) {
    RunParameters& p = setup.request.parameters;
    FrameSettings& s = setup.request.settings;
    Failure failure;
    if (setup.useBackground) {
        if (loadBackground(stores.background, options.background, p.screenMode, s.inks, options.importPalette,
                           &failure) != ScrOk)
            throw InputError(cannotRead(failure));
        s.background = &stores.background;
    }
    applyRules(setup.request, options);
    const PlaybackSettings playback =
        playbackOf(p.format, p.screenMode, s.inks, s.background != nullptr ? &s.background->image : nullptr);
    checkPlayback(playback, options);
    if (!options.sprites.empty() && loadSpt(stores.sprites, options.sprites, &failure) != SptOk)
        throw InputError(cannotRead(failure));
    if (p.useSequence) {
        DiscardLines discard;
        if (!importSequenceCsv(stores.sequence, options.sequence, discard, &failure))
            throw InputError(cannotRead(failure));
    }
    normaliseFrameCounts(p, stores.sequence);
    checkDoubleBuffer(p);
    return playback;
}

// The run itself, with its progress line, the screens kept for --verify and
// the frames written to --gif. The GIF's failure is reported here; its
// status comes back in `gifWritten`.
RunResult generate(const GenerateSetup& setup, const GenerateOptions& options, AppStores& stores,
                   std::vector<ScreenImage>& drawn, bool& gifWritten) {
    const RunParameters& p = setup.request.parameters;
    ProgressLine progress;
    StdoutLines messages(progress);
    NoPacing pacing;
    CommandLineHost host(setup.request.settings, framesToDraw(p), p.cpcPath, progress, p.objectPath);
    if (options.verify) host.keepScreens(&drawn);
    GifPreviewWriter gif;
    if (!options.gif.empty()) {
        if (!gif.open(options.gif)) throw InputError(cannotWrite(gif.failure()));
        host.writeGif(&gif);
    }
    const RunResult result = runGeneration(stores, p, host, pacing, messages);
    progress.finish();
    std::fflush(stdout);
    // A GIF that could not be written whole is not left behind.
    gifWritten = options.gif.empty() || result.outcome == RunLoadFailed || gif.finish();
    if (!gifWritten) std::fprintf(stderr, "error: %s\n", cannotWrite(gif.failure()).c_str());
    return result;
}

}  // namespace

int runGenerateCommand(const std::vector<std::string>& arguments) {
    CLI::App app{"Renders an animation of a 3D Studio ASCII mesh into Amstrad CPC data.", "volumix generate"};
    GenerateOptions options;
    declareOptions(app, options);
    if (const std::optional<int> status = parseArguments(app, arguments)) return *status;

    auto stores = makeAppStores();
    try {
        GenerateSetup setup = interpretOptions(options);
        const PlaybackSettings playback = prepareRun(setup, options, *stores);
        std::vector<ScreenImage> drawn;
        bool gifWritten = true;
        const RunResult result = generate(setup, options, *stores, drawn, gifWritten);
        if (result.outcome == RunLoadFailed) {
            std::fprintf(stderr, "error: %s\n", cannotRead(result.loadError).c_str());
            return ExitInputFailed;
        }
        if (result.outputFailed) {
            // The frames were reported, but not all of them reached the disc.
            std::fprintf(stderr, "error: %s\n", cannotWrite(result.outputError).c_str());
            return ExitInputFailed;
        }
        if (!options.snapshot.empty() || !options.dsk.empty() || options.verify) {
            const int status = snapshotAndVerify(playback, options, drawn, result.outcome == RunExportFailed);
            if (status != ExitOk) return status;
        }
        if (!gifWritten) return ExitInputFailed;
        return result.outcome == RunExportFailed ? ExitMemoryFull : ExitOk;
    } catch (const UsageError& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return ExitUsage;
    } catch (const InputError& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return ExitInputFailed;
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "error: out of memory\n");
        return ExitInputFailed;
    } catch (const std::exception& e) {
        // Not expected: every failure the run knows of is a result code.
        std::fprintf(stderr, "error: %s\n", e.what());
        return ExitInputFailed;
    }
}

}  // namespace volumix
