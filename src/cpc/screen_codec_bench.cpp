#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/dib_surface.h"
#include "cpc/screen_codec.h"

namespace volumix {
namespace {

// A full frame of whole CPC pixels in random inks of the mode, as the
// renderer leaves it after widening.
std::vector<uint32_t> randomFrame(int32_t mode, const InkArray& inks) {
    std::mt19937 rng(3);
    const ScreenModeTraits& traits = ScreenModes[mode];
    std::vector<uint32_t> frame(FramePixelCount);
    for (int32_t start = 0; start < FramePixelCount; start += traits.columnsPerPixel) {
        const uint32_t colour = hardwareColourPixel(inks[rng() & traits.inkMask]);
        for (int32_t c = 0; c < traits.columnsPerPixel; ++c) frame[start + c] = colour;
    }
    return frame;
}

void BM_EncodeScreen(benchmark::State& state) {
    const auto mode = static_cast<int32_t>(state.range(0));
    const std::vector<uint32_t> frame = randomFrame(mode, DefaultInks);
    ScreenImage image{};
    for (auto _ : state) {
        encodeScreen(frame.data(), image, mode, DefaultInks, 80, false);
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_EncodeScreen)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

void BM_DecodeToFrame(benchmark::State& state) {
    const auto mode = static_cast<int32_t>(state.range(0));
    CCpcScreen screen;
    std::mt19937 rng(5);
    for (auto& byte : screen.image) byte = static_cast<uint8_t>(rng());
    std::vector<uint32_t> frame(FramePixelCount);
    for (auto _ : state) {
        decodeToFrame(screen, frame.data(), mode, 80, false);
        benchmark::DoNotOptimize(frame.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DecodeToFrame)->DenseRange(0, 2)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace volumix
