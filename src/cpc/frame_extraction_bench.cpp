#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/dib_surface.h"
#include "cpc/frame_extraction.h"
#include "cpc/screen_codec.h"

namespace volumix {
namespace {

// Two frames of random inks where every pixel's ink differs between them, so
// every screen byte changes from one to the other. Linear lines of 82 bytes
// (R1 = 41) reach all 16384 bytes: each delta is the largest there is.
struct FullChange {
    std::vector<uint32_t> frames[2];
    FrameEncoding encodings[2];

    explicit FullChange(int32_t mode) {
        // Inks 14 and 15 repeat colours of lower inks in the default set.
        const int32_t inkCount = mode == 0 ? 14 : mode == 1 ? 4 : 2;
        std::mt19937 rng(5);
        frames[0].resize(FramePixelCount);
        frames[1].resize(FramePixelCount);
        const int32_t width = ScreenModes[mode].columnsPerPixel;
        for (int32_t i = 0; i < FramePixelCount; i += width) {
            const auto ink = static_cast<int32_t>(rng() % inkCount);
            for (int32_t c = 0; c < width; ++c) {
                frames[0][i + c] = hardwareColourPixel(DefaultInks[ink]);
                frames[1][i + c] = hardwareColourPixel(DefaultInks[(ink + 1) % inkCount]);
            }
        }
        for (int32_t f = 0; f < 2; ++f) {
            encodings[f].framePixels = frames[f].data();
            encodings[f].screenMode = mode;
            encodings[f].bytesPerLine = 82;
            encodings[f].linear = true;
        }
    }
};

// The encoder alone, for telling its share from the extraction's.
void BM_FrameExtractionEncodeOnly(benchmark::State& state) {
    const FullChange change(static_cast<int32_t>(state.range(0)));
    ScreenImage image{};
    const FrameEncoding& e = change.encodings[0];
    for (auto _ : state) {
        encodeScreen(e.framePixels, image, e.screenMode, e.inks, e.bytesPerLine, e.linear);
        benchmark::DoNotOptimize(image.data());
    }
}
BENCHMARK(BM_FrameExtractionEncodeOnly)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Encode + delta of a frame that differs from the previous one in every byte.
void BM_FrameExtractionDeltaFullChange(benchmark::State& state) {
    const FullChange change(static_cast<int32_t>(state.range(0)));
    ScreenImages images;
    FrameRecord record;
    extractScreenDelta(images, change.encodings[1], &record, 0xC000, nullptr);
    int32_t next = 0;
    for (auto _ : state) {
        record.length = 0;
        extractScreenDelta(images, change.encodings[next], &record, 0xC000, nullptr);
        next ^= 1;
        benchmark::DoNotOptimize(record.data.data());
    }
    if (record.length != FrameRecordCapacity) state.SkipWithError("not a full-screen delta");
}
BENCHMARK(BM_FrameExtractionDeltaFullChange)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Compression of that full delta; each round first restores the plain record
// (a 48 KB copy, included in the time).
void BM_FrameExtractionCompressFullChange(benchmark::State& state) {
    const FullChange change(static_cast<int32_t>(state.range(0)));
    ScreenImages images;
    FrameRecord plain, work;
    extractScreenDelta(images, change.encodings[1], &plain, 0xC000, nullptr);
    plain.length = 0;
    extractScreenDelta(images, change.encodings[0], &plain, 0xC000, nullptr);
    for (auto _ : state) {
        work.data = plain.data;
        work.length = plain.length;
        benchmark::DoNotOptimize(compressDelta(work));
    }
}
BENCHMARK(BM_FrameExtractionCompressFullChange)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

// Encode + point list of a mode 1 frame of random inks (most bytes lit).
void BM_FrameExtractionPointsMode1(benchmark::State& state) {
    const FullChange change(1);
    ScreenImages images;
    FrameRecord record;
    for (auto _ : state) {
        record.length = 0;
        extractPoints(images, change.encodings[0], &record);
        benchmark::DoNotOptimize(record.data.data());
    }
}
BENCHMARK(BM_FrameExtractionPointsMode1)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace volumix
