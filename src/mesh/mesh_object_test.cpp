#include "mesh/mesh_object.h"

#include <gtest/gtest.h>

#include <limits>

namespace volumix {
namespace {

TEST(MeshBounds, EmptyMeshKeepsTheStartingBox) {
    MeshObject mesh;
    mesh.vertices[0] = {5.0, 5.0, 5.0};  // stale, past the count
    const MeshBounds bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, -2000000.0);
    EXPECT_EQ(bounds.size.y, -2000000.0);
    EXPECT_EQ(bounds.size.z, -2000000.0);
    EXPECT_EQ(bounds.centre.x, 0.0);
    EXPECT_EQ(bounds.centre.y, 0.0);
    EXPECT_EQ(bounds.centre.z, 0.0);
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

TEST(MeshBounds, StartingBoxTakesPartForFarMeshes) {
    // All x above 1000000: the minimum stays 1000000. All y below -1000000:
    // the maximum stays -1000000. A lone vertex does not make an empty box.
    MeshObject mesh;
    mesh.vertices[0] = {3000000.0, -5000000.0, 2.0};
    mesh.vertexCount = 1;
    const MeshBounds bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, 2000000.0);
    EXPECT_EQ(bounds.centre.x, 2000000.0);
    EXPECT_EQ(bounds.size.y, 4000000.0);
    EXPECT_EQ(bounds.centre.y, -3000000.0);
    EXPECT_EQ(bounds.size.z, 0.0);
    EXPECT_EQ(bounds.centre.z, 2.0);
}

TEST(MeshBounds, NanCoordinatesAreSkipped) {
    MeshObject mesh;
    mesh.vertices[0] = {std::numeric_limits<double>::quiet_NaN(), 1.0, 1.0};
    mesh.vertices[1] = {2.0, 3.0, 1.0};
    mesh.vertexCount = 2;
    const MeshBounds bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, 0.0);
    EXPECT_EQ(bounds.centre.x, 2.0);
    EXPECT_EQ(bounds.centre.y, 2.0);
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
