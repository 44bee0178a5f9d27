#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "platform/dib_surface.h"
#include "mesh/mesh_shapes.h"
#include "render/renderer.h"

namespace volumix {
namespace {

// Torus sizes giving 1,024, 16,384 and 65,536 faces, at the size of the
// bundled example, drawn as a default run draws frames: mode 1 inks, the
// position and zoom doubled across, AX 90 and AY turning 6 degrees a frame.
void renderTorus(benchmark::State& state) {
    const int32_t rings = static_cast<int32_t>(state.range(0));
    const auto mode = static_cast<RenderMode>(state.range(1));
    auto mesh = std::make_unique<MeshObject>();
    if (!makeTorus(*mesh, 1800.0, 700.0, rings, rings / 2)) {
        state.SkipWithError("torus refused");
        return;
    }
    CDibSurface frame;
    frame.create(FrameWidth, FrameHeight);
    CDeviceContext context(frame);
    const InkArray inks = DefaultInks;
    const uint32_t background = hardwareColourRef(inks[0]);
    const uint32_t line = hardwareColourRef(inks[1]);
    const uint32_t fill = hardwareColourRef(inks[2]);
    const bool hiddenPen = mode == RenderHiddenPoints || mode == RenderHiddenSprites;
    context.selectPen(hiddenPen ? background : line);
    context.selectBrush(mode == RenderFilledFaces ? fill : background);

    auto renderer = std::make_unique<FrameRenderer>();
    const std::vector<uint8_t> bank(SpriteBankBytes, 1);
    RenderStyle style;
    style.mode = mode;
    style.spriteBank = bank.data();
    style.spriteSide = 4;
    style.pointColour = line;
    style.inks = inks;

    int32_t frameIndex = 0;
    for (auto _ : state) {
        frame.fill(hardwareColourPixel(inks[0]));
        const ProjectionParams params{320, 100, 2000, 1000, 90, 6 * frameIndex, 0};
        style.spriteIndex = frameIndex % 16;
        renderer->renderFrame(context, *mesh, params, style);
        benchmark::DoNotOptimize(frame.bits);
        ++frameIndex;
    }
    state.counters["faces"] = mesh->faceCount;
    state.SetItemsProcessed(state.iterations() * mesh->faceCount);
}

BENCHMARK(renderTorus)
    ->ArgsProduct({{32, 128, 256}, {0, 1, 2, 3, 4, 5, 6}})
    ->ArgNames({"rings", "mode"})
    ->Unit(benchmark::kMillisecond);

void widenFrame(benchmark::State& state) {
    CDibSurface frame;
    frame.create(FrameWidth, FrameHeight);
    for (int32_t i = 0; i < FramePixelCount; ++i) frame.bits[i] = (i % 7 == 0) ? 0xFE0000u : 0u;
    for (auto _ : state) {
        frame.widenPixels(4);
        benchmark::DoNotOptimize(frame.bits);
    }
}
BENCHMARK(widenFrame)->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace volumix
