#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "platform/dib_surface.h"
#include "export/frame_export.h"

namespace volumix {
namespace {

class DiscardingSink : public MessageSink {
public:
    void addLine(const std::string&) override {}
};

// The whole export of one frame that differs from the previous one in every
// screen byte: encoding, delta, compression, the report line, the .SCR file,
// and the data, index and assembler files. 96-byte lines (R1 = 48) reach all
// 16384 bytes. Uncompressed, such a frame fits no memory: compressed it
// takes 24578 bytes, so main memory holds one, and each frame is exported
// into freshly opened files; opening and closing them is left out of the
// time, which covers exportFrame alone. Each .SCR is a new file, as in a run
// into an empty folder. The folder is under TMPDIR: creating a file costs
// far more on some discs than on a memory file system.
void BM_ExportFrameFullChange(benchmark::State& state) {
    const auto mode = static_cast<int32_t>(state.range(0));
    const auto folder = std::filesystem::temp_directory_path() / ("volumix_export_bench_" + std::to_string(getpid()));
    std::filesystem::create_directories(folder);
    const std::string prefix = (folder / "anim").string();

    // Every pixel's ink differs between the two frames.
    const int32_t inkCount = mode == 0 ? 14 : mode == 1 ? 4 : 2;  // inks 14, 15 repeat colours
    const int32_t width = ScreenModes[mode].columnsPerPixel;
    std::vector<uint32_t> frames[2] = {std::vector<uint32_t>(FramePixelCount),
                                       std::vector<uint32_t>(FramePixelCount)};
    std::mt19937 rng(7);
    for (int32_t i = 0; i < FramePixelCount; i += width) {
        const auto ink = static_cast<int32_t>(rng() % inkCount);
        for (int32_t c = 0; c < width; ++c) {
            frames[0][i + c] = hardwareColourPixel(DefaultInks[ink]);
            frames[1][i + c] = hardwareColourPixel(DefaultInks[(ink + 1) % inkCount]);
        }
    }

    DiscardingSink messages;
    FrameExport exporter;
    FramePicture picture;
    picture.screenMode = mode;
    ExportFormat format;
    format.crtcR1 = 48;
    format.frames = DeltaFrames{true};
    const ExportFiles files{prefix, true, true};
    // Each frame is taken against the other one, as the pre-roll leaves it:
    // every open starts from empty screens.
    std::array<ScreenImages, 2> against;
    for (size_t k = 0; k < 2; ++k) {
        exporter.openExport(files, format, 0, 1, messages);
        picture.framePixels = frames[1 - k].data();
        exporter.exportFrame(picture, format, messages);  // pre-roll
        against[k] = exporter.images;
    }

    int64_t frame = 0;
    int32_t lastSize = 0;
    bool allStored = true;
    for (auto _ : state) {
        exporter.openExport(files, format, 0, 1, messages);
        exporter.images = against[frame % 2];
        picture.frameIndex = static_cast<int32_t>(frame % FrameStoreSize);
        picture.framePixels = frames[frame % 2].data();
        std::filesystem::remove(folder / ("anim" + formatLine("%03d", picture.frameIndex) + ".SCR"));
        const auto begin = std::chrono::steady_clock::now();
        lastSize = exporter.exportFrame(picture, format, messages);
        const auto end = std::chrono::steady_clock::now();
        allStored = allStored && exporter.framesStored() == 1 &&
                    exporter.records[static_cast<size_t>(picture.frameIndex)].length == lastSize;
        exporter.closeExport(messages);
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
        ++frame;
    }
    std::filesystem::remove_all(folder);
    if (lastSize != 24578 || !allStored) state.SkipWithError("the frame was not a stored full-screen change");
}
BENCHMARK(BM_ExportFrameFullChange)->DenseRange(0, 2)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace volumix
