#include "mesh/mesh_object.h"

#include <gtest/gtest.h>

#include <limits>

namespace volumix {
namespace {

TEST(MeshBounds, NoPointsGiveCentreAndSizeZero) {
    MeshObject mesh;
    mesh.vertices[0] = {5.0, 5.0, 5.0};  // stale, past the count
    const MeshBounds bounds = meshBounds(mesh);
    for (const double value : {bounds.size.x, bounds.size.y, bounds.size.z, bounds.centre.x, bounds.centre.y,
                               bounds.centre.z})
        EXPECT_EQ(value, 0.0);
}

TEST(MeshBounds, BoxOfTheCountedVertices) {
    MeshObject mesh;
    mesh.vertices[0] = {-1.0, 0.0, 4.0};
    mesh.vertices[1] = {3.0, 2.0, 6.0};
    mesh.vertices[2] = {1.0, -7.0, 5.0};
    mesh.vertices[3] = {100.0, 100.0, 100.0};  // not counted
    mesh.vertexCount = 3;
    const MeshBounds bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, 4.0);
    EXPECT_EQ(bounds.size.y, 9.0);
    EXPECT_EQ(bounds.size.z, 2.0);
    EXPECT_EQ(bounds.centre.x, 1.0);
    EXPECT_EQ(bounds.centre.y, -2.5);
    EXPECT_EQ(bounds.centre.z, 5.0);
}

TEST(MeshBounds, FarOutPointsGetTheirOwnBox) {
    // Beyond a million on every axis, both sides: the box is the points'.
    MeshObject mesh;
    mesh.vertices[0] = {3000000.0, -5000000.0, 2.0};
    mesh.vertices[1] = {3000010.0, -5000004.0, 2.0};
    mesh.vertexCount = 2;
    MeshBounds bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, 10.0);
    EXPECT_EQ(bounds.centre.x, 3000005.0);
    EXPECT_EQ(bounds.size.y, 4.0);
    EXPECT_EQ(bounds.centre.y, -5000002.0);
    EXPECT_EQ(bounds.size.z, 0.0);
    EXPECT_EQ(bounds.centre.z, 2.0);
    // A lone point is a box of size 0 at the point; an extent past the double
    // range still has its centre.
    mesh.vertices[0] = {1e300, -1.7e308, 1.7e308};
    mesh.vertices[1] = {1e300, 1.7e308, 1.7e308};
    bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, 0.0);
    EXPECT_EQ(bounds.centre.x, 1e300);
    EXPECT_EQ(bounds.centre.y, 0.0);
    EXPECT_EQ(bounds.centre.z, 1.7e308);
}

TEST(MeshBounds, CoordinatesThatAreNotFiniteAreSkipped) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    MeshObject mesh;
    mesh.vertices[0] = {nan, 1.0, -inf};
    mesh.vertices[1] = {2.0, 3.0, 1.0};
    mesh.vertices[2] = {inf, nan, 5.0};
    mesh.vertexCount = 3;
    const MeshBounds bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, 0.0);
    EXPECT_EQ(bounds.centre.x, 2.0);
    EXPECT_EQ(bounds.centre.y, 2.0);
    EXPECT_EQ(bounds.size.z, 4.0);
    EXPECT_EQ(bounds.centre.z, 3.0);
    // An axis with no finite coordinate at all is as if there were no points.
    mesh.vertexCount = 1;
    EXPECT_EQ(meshBounds(mesh).size.x, 0.0);
    EXPECT_EQ(meshBounds(mesh).centre.x, 0.0);
    EXPECT_EQ(meshBounds(mesh).centre.z, 0.0);
}

TEST(MeshOffsetAndScale, OffsetIsAddedBeforeScaling) {
    MeshObject mesh;
    mesh.vertices[0] = {1.0, -2.0, 0.5};
    mesh.vertices[1] = {0.0, 0.0, 0.0};
    mesh.vertices[2] = {7.0, 7.0, 7.0};  // past the count: untouched
    mesh.vertexCount = 2;
    offsetAndScaleMesh(mesh, {2.0, 1.0, -0.5}, {3.0, -1.0, 10.0});
    EXPECT_EQ(mesh.vertices[0].x, 9.0);
    EXPECT_EQ(mesh.vertices[0].y, 1.0);
    EXPECT_EQ(mesh.vertices[0].z, 0.0);
    EXPECT_EQ(mesh.vertices[1].x, 6.0);
    EXPECT_EQ(mesh.vertices[1].y, -1.0);
    EXPECT_EQ(mesh.vertices[1].z, -5.0);
    EXPECT_EQ(mesh.vertices[2].x, 7.0);
}

}  // namespace
}  // namespace volumix
