#include "render/renderer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <vector>

namespace volumix {
namespace {

constexpr uint32_t Red = 0x0000FEu;    // GDI colour of hardware colour 6
constexpr uint32_t Blue = 0xFE0000u;   // GDI colour of hardware colour 2
constexpr uint32_t RedPixel = 0xFE0000u;
constexpr uint32_t BluePixel = 0x0000FEu;
// Scale 1 at depth 30000: a vertex (x, y, 0) lands on column x, line y.
constexpr ProjectionParams Identity{0, 0, 30000, 30000, 0, 0, 0};

// The bank's bytes as the renderer reads them: every pixel ink 1 at first.
struct SpriteBytesTable {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(SpriteBankBytes, 1);
    uint8_t* sprite(int32_t index) { return bytes.data() + static_cast<size_t>(index) * SpriteBytes; }
};

struct Scene {
    std::unique_ptr<MeshObject> mesh = std::make_unique<MeshObject>();
    CDibSurface surface;
    std::unique_ptr<CDeviceContext> context;
    FrameRenderer renderer;
    SpriteBytesTable bank;

    explicit Scene(int32_t width = 64, int32_t height = 48) {
        EXPECT_TRUE(surface.create(width, height));
        context = std::make_unique<CDeviceContext>(surface);
        context->selectPen(Red);
        context->selectBrush(Blue);
    }
    void vertex(double x, double y, double z = 0) { mesh->vertices[mesh->vertexCount++] = {x, y, z}; }
    void face(int32_t a, int32_t b, int32_t c) { mesh->faces[mesh->faceCount++] = {a, b, c}; }
    void render(RenderMode mode, int32_t spriteIndex = -1, int32_t side = 4,
                const ProjectionParams& params = Identity) {
        RenderStyle style;
        style.mode = mode;
        style.spriteBank = bank.bytes.data();
        style.spriteIndex = spriteIndex;
        style.spriteSide = side;
        style.pointColour = Red;
        renderer.renderFrame(*context, *mesh, params, style);
    }
    uint32_t at(int32_t x, int32_t y) const { return surface.bits[y * surface.width + x]; }
    int count(uint32_t pixel) const { return static_cast<int>(std::count(surface.bits, surface.bits + surface.pixelCount(), pixel)); }
};

TEST(Renderer, EmptyMeshAndUnknownModesDrawNothing) {
    Scene scene;
    for (int32_t mode = -1; mode <= RenderModeCount; ++mode) {
        scene.render(static_cast<RenderMode>(mode));
        EXPECT_EQ(scene.count(0), 64 * 48) << mode;
    }
    scene.vertex(5, 5);
    scene.vertex(30, 5);
    scene.vertex(5, 30);
    scene.face(0, 1, 2);
    scene.render(static_cast<RenderMode>(7));
    scene.render(static_cast<RenderMode>(-1));
    EXPECT_EQ(scene.count(0), 64 * 48);
}

TEST(Renderer, WireframeLeavesTheClosingEdgeOutHiddenFacesCloseIt) {
    Scene scene;
    scene.vertex(5, 5);
    scene.vertex(30, 5);
    scene.vertex(5, 30);
    scene.face(0, 1, 2);

    scene.render(RenderWireframe);
    EXPECT_EQ(scene.at(5, 5), RedPixel);
    EXPECT_EQ(scene.at(29, 5), RedPixel);      // a -> b
    EXPECT_EQ(scene.at(18, 17), RedPixel);     // b -> c, half way
    EXPECT_EQ(scene.at(5, 30), 0u);            // the final point is not set
    EXPECT_EQ(scene.at(5, 20), 0u);            // no c -> a edge
    EXPECT_EQ(scene.count(BluePixel), 0);      // and no fill

    scene.surface.fill(0);
    scene.render(RenderHiddenFaces);
    EXPECT_EQ(scene.at(5, 20), RedPixel);
    EXPECT_EQ(scene.at(5, 30), RedPixel);
    EXPECT_EQ(scene.at(10, 10), BluePixel);
}

// A big triangle 100 units behind a small one inside it: whatever the table
// order, the small one is painted last and its outline stays visible.
TEST(Renderer, NearerFacesArePaintedLast) {
    for (bool nearFirst : {false, true}) {
        Scene scene;
        scene.vertex(0, 0, 100);
        scene.vertex(60, 0, 100);
        scene.vertex(0, 45, 100);
        scene.vertex(10, 10, 0);
        scene.vertex(25, 10, 0);
        scene.vertex(10, 25, 0);
        if (nearFirst) scene.face(3, 4, 5);
        scene.face(0, 1, 2);
        if (!nearFirst) scene.face(3, 4, 5);
        scene.render(RenderFilledFaces);
        EXPECT_EQ(scene.at(10, 10), RedPixel) << nearFirst;
        EXPECT_EQ(scene.at(24, 10), RedPixel) << nearFirst;
        EXPECT_EQ(scene.at(12, 12), BluePixel) << nearFirst;
        ASSERT_EQ(scene.renderer.sortedFaceCount(), 2);
        EXPECT_EQ(scene.renderer.sortedFace(0), nearFirst ? 1 : 0);
    }
}

TEST(Renderer, PointsDrawOnlyCornersOfFaces) {
    Scene scene;
    scene.vertex(3, 4);
    scene.vertex(20, 4);
    scene.vertex(3, 30);
    scene.vertex(50, 40);  // used by no face
    scene.face(0, 1, 2);
    scene.render(RenderPoints);
    EXPECT_EQ(scene.count(RedPixel), 3);
    EXPECT_EQ(scene.at(3, 4), RedPixel);
    EXPECT_EQ(scene.at(20, 4), RedPixel);
    EXPECT_EQ(scene.at(3, 30), RedPixel);
    EXPECT_EQ(scene.at(50, 40), 0u);
}

TEST(Renderer, FacesWithBadIndicesOrUnusableCornersAreSkipped) {
    Scene scene;
    scene.vertex(3, 4);
    scene.vertex(20, 4);
    scene.vertex(3, 30);
    scene.vertex(40, 40, -30000);  // at the eye
    scene.face(0, 1, 4);           // names no vertex
    scene.face(0, 1, -1);
    scene.face(0, 1, 65536);
    scene.face(0, 1, 3);
    scene.face(INT32_MIN, INT32_MAX, 2);
    for (RenderMode mode : {RenderPoints, RenderWireframe, RenderFilledFaces, RenderSprites, RenderHiddenSprites}) {
        scene.surface.fill(0);
        scene.render(mode);
        EXPECT_EQ(scene.count(0), 64 * 48) << mode;
    }
    EXPECT_EQ(scene.renderer.sortedFaceCount(), 0);
    // The faces are kept as they were.
    EXPECT_EQ(scene.mesh->faces[2].c, 65536);
}

TEST(Renderer, SpritesSitAroundTheCornerAndClip) {
    Scene scene(32, 16);
    scene.vertex(10, 6);
    scene.vertex(10, 6);
    scene.vertex(2, 12);
    scene.face(0, 1, 2);
    // Sprite 3: column j of row r holds ink (r + j) & 15; ink 0 is opaque too.
    for (int r = 0; r < 16; ++r)
        for (int j = 0; j < 32; ++j) scene.bank.sprite(3)[r * 32 + j] = static_cast<uint8_t>((r + j) & 15);
    scene.surface.fill(0x123456u);
    scene.render(RenderSprites, 3, 4);
    // Block of 8 x 4 from (10 - 4, 6 - 2).
    for (int r = 0; r < 4; ++r)
        for (int j = 0; j < 8; ++j)
            EXPECT_EQ(scene.at(6 + j, 4 + r), hardwareColourPixel(DefaultInks[(r + j) & 15])) << r << ',' << j;
    EXPECT_EQ(scene.at(5, 4), 0x123456u);
    EXPECT_EQ(scene.at(14, 4), 0x123456u);
    EXPECT_EQ(scene.at(6, 3), 0x123456u);
    EXPECT_EQ(scene.at(6, 8), 0x123456u);
    // The corner at column 2 loses its two leftmost columns.
    EXPECT_EQ(scene.at(0, 10), hardwareColourPixel(DefaultInks[2]));
    EXPECT_EQ(scene.at(0, 13), hardwareColourPixel(DefaultInks[5]));
}

TEST(Renderer, SpriteGuards) {
    Scene scene(40, 24);
    scene.vertex(20, 12);
    scene.vertex(20, 12);
    scene.vertex(20, 12);
    scene.face(0, 1, 2);
    const uint32_t ink1 = hardwareColourPixel(DefaultInks[1]);

    // No sprite: a solid ink-1 block of the sprite's size (here 16 x 8).
    scene.render(RenderSprites, -1, 8);
    EXPECT_EQ(scene.count(ink1), 16 * 8);
    EXPECT_EQ(scene.at(12, 8), ink1);
    EXPECT_EQ(scene.at(27, 15), ink1);

    // Index past the bank: drawn as no sprite, never read outside the bank.
    scene.surface.fill(0);
    scene.bank.sprite(255)[0] = 9;
    scene.render(RenderSprites, 256, 4);
    EXPECT_EQ(scene.count(ink1), 8 * 4);

    // Side outside 1..16: nothing.
    for (int32_t side : {0, -4, 17, 1000}) {
        scene.surface.fill(0);
        scene.render(RenderSprites, 0, side);
        EXPECT_EQ(scene.count(0), 40 * 24) << side;
    }

    // Stray bytes are masked to an ink; inks holding no colour draw black.
    scene.surface.fill(0x555555u);
    std::fill(scene.bank.sprite(7), scene.bank.sprite(7) + SpriteBytes, uint8_t{0xF3});
    RenderStyle style;
    style.mode = RenderSprites;
    style.spriteBank = scene.bank.bytes.data();
    style.spriteIndex = 7;
    style.spriteSide = 4;
    style.inks[3] = 200;
    scene.renderer.renderFrame(*scene.context, *scene.mesh, Identity, style);
    EXPECT_EQ(scene.at(20, 12), 0u);
}

TEST(Renderer, HiddenSpritesAreCoveredByNearerFaces) {
    Scene scene;
    scene.vertex(0, 0, 0);
    scene.vertex(60, 0, 0);
    scene.vertex(0, 45, 0);
    scene.vertex(20, 20, 200);  // a speck far behind the big face
    scene.vertex(20, 20, 200);
    scene.vertex(20, 20, 200);
    scene.face(0, 1, 2);
    scene.face(3, 4, 5);
    scene.context->selectPen(0);
    scene.context->selectBrush(0);
    scene.render(RenderHiddenSprites);
    const uint32_t ink1 = hardwareColourPixel(DefaultInks[1]);
    EXPECT_EQ(scene.at(19, 19), 0u);  // the far sprite was painted over
    EXPECT_EQ(scene.at(1, 1), ink1);  // the near face's own corner sprite shows
}

// Two threads, each sorting and drawing the faces that reach its band, against
// one thread: random meshes in all seven modes, on surfaces of several sizes,
// with faces across the split row and past every edge of the surface, far
// corners (beyond 16 bits), bad indices, corners behind the eye, and a clip
// rectangle on the context.
TEST(Renderer, TwoThreadsDrawTheSamePixelsAsOne) {
    std::mt19937 random(4242);
    struct Surface {
        int32_t width, height;
    };
    const Surface sizes[] = {{64, 48}, {768, 200}, {33, 2}, {17, 1}, {40, 131}};
    int32_t framesCompared = 0;
    for (int32_t round = 0; round < 60; ++round) {
        const Surface size = sizes[round % 5];
        Scene one(size.width, size.height);
        Scene two(size.width, size.height);
        one.renderer.setThreadCount(1);
        two.renderer.setThreadCount(2);
        two.renderer.setMinFacesToShare(1);
        if (round % 7 == 3) {
            one.context->intersectClipRect(3, 1, size.width - 2, size.height);
            two.context->intersectClipRect(3, 1, size.width - 2, size.height);
        }
        // Small faces about the surface and larger ones reaching past it.
        std::uniform_real_distribution<double> x(-20.0, size.width + 20.0), y(-20.0, size.height + 20.0);
        std::uniform_real_distribution<double> z(-400.0, 400.0), nearby(-6.0, 6.0);
        std::uniform_int_distribution<int32_t> faceCount(1, 3000), kind(0, 49);
        const int32_t faces = faceCount(random);
        for (int32_t f = 0; f < faces; ++f) {
            const int32_t k = kind(random);
            const double cx = x(random), cy = y(random), cz = z(random);
            for (int32_t corner = 0; corner < 3; ++corner) {
                double vx = cx + nearby(random), vy = cy + nearby(random), vz = cz + nearby(random);
                if (k == 0) vx *= 3000.0;             // far out, past 16 bits
                if (k == 1) vz = -40000.0;            // behind the eye
                if (k == 2) vy = size.height / 2.0;   // along the split
                if (k == 3) vy *= 8.0;                // long and thin
                one.vertex(vx, vy, vz);
                two.vertex(vx, vy, vz);
            }
            const int32_t base = 3 * f;
            const int32_t c = k == 4 ? base + 900000 : base + 2;  // a bad index now and then
            one.face(base, base + 1, c);
            two.face(base, base + 1, c);
        }
        for (int32_t mode = 0; mode < RenderModeCount; ++mode) {
            one.surface.fill(0);
            two.surface.fill(0);
            const int32_t side = 1 + (round + mode) % 16;
            one.render(static_cast<RenderMode>(mode), mode % 3, side);
            two.render(static_cast<RenderMode>(mode), mode % 3, side);
            ASSERT_TRUE(std::equal(one.surface.bits, one.surface.bits + one.surface.pixelCount(), two.surface.bits))
                << "round " << round << " mode " << mode << " faces " << faces;
            ++framesCompared;
        }
    }
    EXPECT_EQ(framesCompared, 60 * RenderModeCount);
}

// Each band sorts its own faces: ties in depth must keep table order there
// too, whether every key of a band is the same (flat meshes) or only some
// (two depths), with overlapping faces across the split so that the order
// shows in the pixels.
TEST(Renderer, TwoThreadsKeepTableOrderOfEqualDepths) {
    for (const double farZ : {0.0, 50.0}) {
        Scene one(96, 64);
        Scene two(96, 64);
        one.renderer.setThreadCount(1);
        two.renderer.setThreadCount(2);
        two.renderer.setMinFacesToShare(1);
        for (int32_t f = 0; f < 400; ++f) {
            const double x = (f * 37) % 80, y = (f * 53) % 56, z = f % 3 == 0 ? farZ : 0.0;
            for (Scene* scene : {&one, &two}) {
                scene->vertex(x, y, z);
                scene->vertex(x + 14, y + 3, z);
                scene->vertex(x + 4, y + 9, z);
                scene->face(3 * f, 3 * f + 1, 3 * f + 2);
            }
        }
        for (const RenderMode mode : {RenderHiddenFaces, RenderFilledFaces, RenderHiddenSprites}) {
            one.surface.fill(0);
            two.surface.fill(0);
            one.render(mode, 1);
            two.render(mode, 1);
            EXPECT_TRUE(std::equal(one.surface.bits, one.surface.bits + one.surface.pixelCount(), two.surface.bits))
                << farZ << " " << mode;
        }
    }
}

TEST(FaceDepth, CompareIsAStrictOrderWithoutOverflow) {
    const FaceDepthKey near{90000.0, 0}, half{90000.5, 1}, huge{1e300, 2}, negative{-1e300, 3};
    EXPECT_GT(compareFaceDepth(near, half), 0);  // half a unit farther still sorts first
    EXPECT_LT(compareFaceDepth(half, near), 0);
    EXPECT_LT(compareFaceDepth(huge, negative), 0);
    EXPECT_GT(compareFaceDepth(negative, huge), 0);
    EXPECT_EQ(compareFaceDepth(near, near), 0);
    const FaceDepthKey twin{90000.0, 5};
    EXPECT_LT(compareFaceDepth(near, twin), 0);  // equal keys keep table order
    EXPECT_GT(compareFaceDepth(twin, near), 0);
}

TEST(FaceDepth, RadixSortMatchesAStableSortByTheComparison) {
    std::mt19937 random(1234);
    FaceSortScratch scratch;
    // Few distinct keys crowd into buckets; 20000 keys spread over a range
    // leave every bucket small (a few of them tied).
    for (int32_t count : {0, 1, 2, 3, 100, 5000, 20000, 70000}) {
        std::vector<FaceDepthKey> keys(static_cast<size_t>(count));
        std::uniform_int_distribution<int> pick(0, 9);
        std::uniform_real_distribution<double> spread(-30000.0, 30000.0);
        for (int32_t i = 0; i < count; ++i) {
            const double values[] = {90000.0, 90000.5, 89999.75, 1e300, -1e300, 0.0, -0.5, 3.0, 1e-300, 123456.0};
            keys[i] = {values[pick(random)] + (count > 100 ? pick(random) * 0.125 : 0.0), i};
            if (count == 20000) keys[i].key = std::floor(spread(random));
        }
        std::vector<FaceDepthKey> expected = keys;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const FaceDepthKey& p, const FaceDepthKey& q) { return compareFaceDepth(p, q) < 0; });
        sortFaceDepthKeys(keys.data(), count, scratch);
        for (int32_t i = 0; i < count; ++i) {
            EXPECT_EQ(keys[i].face, expected[i].face) << count << ':' << i;
        }
    }
}

TEST(EditorMarker, VertexBlockOrFaceTriangle) {
    Scene scene;
    for (int i = 0; i < 6; ++i) scene.vertex(5 + 6 * i, 10 + i);
    scene.face(0, 2, 4);
    ProjectionBuffers marker;

    drawEditorMarker(*scene.context, *scene.mesh, Identity, -1, -1, Red, marker);
    EXPECT_EQ(scene.count(0), 64 * 48);
    drawEditorMarker(*scene.context, *scene.mesh, Identity, -1, 6, Red, marker);  // no such vertex
    EXPECT_EQ(scene.count(0), 64 * 48);

    drawEditorMarker(*scene.context, *scene.mesh, Identity, -1, 5, Red, marker);
    EXPECT_EQ(scene.count(RedPixel), 9);
    for (int dx = -1; dx <= 1; ++dx)
        for (int dy = -1; dy <= 1; ++dy) EXPECT_EQ(scene.at(35 + dx, 15 + dy), RedPixel);

    scene.surface.fill(0);
    drawEditorMarker(*scene.context, *scene.mesh, Identity, 0, -1, Red, marker);
    EXPECT_EQ(scene.at(5, 10), RedPixel);
    EXPECT_GT(scene.count(RedPixel), 20);
    scene.surface.fill(0);
    drawEditorMarker(*scene.context, *scene.mesh, Identity, 1, -1, Red, marker);  // no such face
    EXPECT_EQ(scene.count(0), 64 * 48);
}

}  // namespace
}  // namespace volumix
