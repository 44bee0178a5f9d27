#include "render/projection.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace volumix {
namespace {

struct Projected {
    int32_t x;
    int32_t y;
    double depth;
    bool usable;
};

Projected projectOne(const MeshVertex& vertex, const ProjectionParams& params) {
    MeshObject mesh;
    mesh.vertices[0] = vertex;
    mesh.vertexCount = 1;
    ProjectionBuffers out;
    projectMesh(mesh, params, out);
    return {out.screenX[0], out.screenY[0], out.depth[0], out.usable[0] != 0};
}

TEST(Projection, KnownFramesIncludingTheTruncationSurprises) {
    const ProjectionParams flat{320, 100, 2000, 1000, 0, 0, 0};
    const Projected plain = projectOne({300, 150, 0}, flat);
    EXPECT_EQ(plain.x, 340);
    EXPECT_EQ(plain.y, 105);
    EXPECT_EQ(plain.depth, 30000.0);
    EXPECT_TRUE(plain.usable);

    // The ten-digit degree factor puts 90 degrees just past a right angle.
    ProjectionParams turned = flat;
    turned.angleY = 90;
    const Projected quarterY = projectOne({100, 0, 0}, turned);
    EXPECT_NEAR(quarterY.depth, 30100.0, 1e-6);
    EXPECT_EQ(quarterY.x, 319);

    turned = flat;
    turned.angleX = 90;
    const Projected quarterX = projectOne({0, 100, 0}, turned);
    EXPECT_NEAR(quarterX.depth, 30100.0, 1e-6);
    EXPECT_EQ(quarterX.y, 99);

    turned = flat;
    turned.angleY = 360;
    const Projected fullTurn = projectOne({300, 150, 0}, turned);
    EXPECT_EQ(fullTurn.x, 339);
    EXPECT_EQ(fullTurn.y, 104);
    for (int32_t angle : {40, 400}) {
        turned.angleY = angle;
        const Projected p = projectOne({300, 150, 0}, turned);
        EXPECT_EQ(p.x, 335) << angle;
        EXPECT_EQ(p.y, 104) << angle;
    }
}

TEST(Projection, RotationDirections) {
    // Positive AZ turns +x towards +y (down on screen).
    const Projected z = projectOne({100, 0, 0}, {0, 0, 30000, 30000, 0, 0, 30});
    EXPECT_GT(z.y, 0);
    // Positive AY turns +x towards +z (farther away).
    const Projected y = projectOne({100, 0, 0}, {0, 0, 30000, 30000, 0, 30, 0});
    EXPECT_GT(y.depth, 30000.0);
    // Positive AX turns +y towards +z.
    const Projected x = projectOne({0, 100, 0}, {0, 0, 30000, 30000, 30, 0, 0});
    EXPECT_GT(x.depth, 30000.0);
}

TEST(Projection, TruncatesTowardZeroAndZoomZeroLandsOnThePosition) {
    // 3.7 and -3.7 before conversion: zoom 30000 at depth 30000 is scale 1.
    EXPECT_EQ(projectOne({3.7, -3.7, 0}, {0, 0, 30000, 30000, 0, 0, 0}).x, 3);
    EXPECT_EQ(projectOne({3.7, -3.7, 0}, {0, 0, 30000, 30000, 0, 0, 0}).y, -3);
    const Projected still = projectOne({1234, -999, 55}, {17, -4, 0, 0, 12, 34, 56});
    EXPECT_EQ(still.x, 17);
    EXPECT_EQ(still.y, -4);

    EXPECT_EQ(truncateToInt32(-3.7), -3);
    EXPECT_EQ(truncateToInt32(3.7), 3);
    EXPECT_EQ(truncateToInt32(1e300), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(truncateToInt32(-1e300), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(truncateToInt32(std::nan("")), 0);
}

TEST(Projection, CornersBehindTheEyeOrNotFiniteAreUnusable) {
    const ProjectionParams params{320, 100, 2000, 1000, 0, 0, 0};
    EXPECT_FALSE(projectOne({0, 0, -30000}, params).usable);  // depth exactly 0
    EXPECT_FALSE(projectOne({0, 0, -40000}, params).usable);
    EXPECT_TRUE(projectOne({0, 0, -29999}, params).usable);
    const double inf = std::numeric_limits<double>::infinity();
    for (const MeshVertex& bad : {MeshVertex{std::nan(""), 0, 0}, MeshVertex{0, inf, 0}, MeshVertex{0, 0, -inf}}) {
        const Projected p = projectOne(bad, params);
        EXPECT_FALSE(p.usable) << bad.x << ' ' << bad.y << ' ' << bad.z;
    }
    // Huge but finite coordinates in front of the eye saturate instead of
    // converting out of range.
    const Projected far = projectOne({1e12, -1e12, 0}, params);
    EXPECT_TRUE(far.usable);
    EXPECT_EQ(far.x, std::numeric_limits<int32_t>::max());
    EXPECT_EQ(far.y, std::numeric_limits<int32_t>::min());
    const Projected overflowing = projectOne({1e308, 1e308, 0}, params);  // x * zoom overflows to inf
    EXPECT_TRUE(overflowing.usable);
    EXPECT_EQ(overflowing.x, std::numeric_limits<int32_t>::max());
}

TEST(Projection, WritesOnlyTheMeshVertices) {
    auto mesh = std::make_unique<MeshObject>();
    mesh->vertexCount = 2;
    mesh->vertices[0] = {30, 0, 0};
    mesh->vertices[1] = {-30, 0, 0};
    ProjectionBuffers out;
    out.screenX[2] = 777;
    projectMesh(*mesh, {0, 0, 30000, 30000, 0, 0, 0}, out);
    EXPECT_EQ(out.screenX[0], 30);
    EXPECT_EQ(out.screenX[1], -30);
    EXPECT_EQ(out.screenX[2], 777);
}

}  // namespace
}  // namespace volumix
