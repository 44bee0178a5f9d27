#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/device_context.h"

namespace volumix {
namespace {

// A frame's worth of the renderer's load: 65,536 small triangles, each filled
// and outlined, on the frame surface. The argument is the largest distance of
// the second and third corner from the first, per axis.
void BM_SmallTriangles(benchmark::State& state) {
    const auto spread = static_cast<int32_t>(state.range(0));
    CDibSurface surface;
    surface.create(FrameWidth, FrameHeight);
    CDeviceContext dc(surface);
    std::mt19937 rng(1);
    std::uniform_int_distribution<int32_t> x(-4, FrameWidth + 4), y(-4, FrameHeight + 4), d(-spread, spread);
    std::vector<Point> corners;
    for (int i = 0; i < 65536; ++i) {
        const Point a{x(rng), y(rng)};
        corners.push_back(a);
        corners.push_back({a.x + d(rng), a.y + d(rng)});
        corners.push_back({a.x + d(rng), a.y + d(rng)});
    }
    for (auto _ : state) {
        for (size_t i = 0; i < corners.size(); i += 3) {
            dc.selectBrush(static_cast<uint32_t>(i));
            dc.polygon(&corners[i], 3);
        }
        benchmark::DoNotOptimize(surface.bits);
    }
}
BENCHMARK(BM_SmallTriangles)->Arg(3)->Arg(6)->Unit(benchmark::kMillisecond);

// Lines far longer than the surface: the cost follows the visible part.
void BM_HugeLines(benchmark::State& state) {
    CDibSurface surface;
    surface.create(FrameWidth, FrameHeight);
    CDeviceContext dc(surface);
    for (auto _ : state) {
        dc.moveTo(-2000000000, -2000000000);
        dc.lineTo(2000000000, 2000000000);
        dc.moveTo(-2000000000, 100);
        dc.lineTo(2000000000, 101);
        benchmark::DoNotOptimize(surface.bits);
    }
}
BENCHMARK(BM_HugeLines);

}  // namespace
}  // namespace volumix
