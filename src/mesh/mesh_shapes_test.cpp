#include "mesh/mesh_shapes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <map>
#include <utility>

namespace volumix {
namespace {

Vec3 minus(const MeshVertex& p, const MeshVertex& q) {
    return {p.x - q.x, p.y - q.y, p.z - q.z};
}

Vec3 cross(const Vec3& u, const Vec3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

double dot(const Vec3& u, const Vec3& v) {
    return u.x * v.x + u.y * v.y + u.z * v.z;
}

// A closed surface with consistent winding uses every directed edge exactly
// once, and its reverse exactly once; and with outward winding every face
// normal points away from the inside point `inner(centroid)`.
void expectClosedAndOutward(const MeshObject& mesh, const std::function<Vec3(const Vec3&)>& inner) {
    std::map<std::pair<int32_t, int32_t>, int> edges;
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[static_cast<size_t>(i)];
        ASSERT_TRUE(mesh.faceIsValid(f)) << "face " << i;
        ASSERT_TRUE(f.a != f.b && f.b != f.c && f.c != f.a) << "face " << i;
        ++edges[{f.a, f.b}];
        ++edges[{f.b, f.c}];
        ++edges[{f.c, f.a}];

        const MeshVertex& a = mesh.vertices[static_cast<size_t>(f.a)];
        const MeshVertex& b = mesh.vertices[static_cast<size_t>(f.b)];
        const MeshVertex& c = mesh.vertices[static_cast<size_t>(f.c)];
        const Vec3 normal = cross(minus(b, a), minus(c, a));
        const Vec3 centroid{(a.x + b.x + c.x) / 3.0, (a.y + b.y + c.y) / 3.0, (a.z + b.z + c.z) / 3.0};
        const Vec3 inside = inner(centroid);
        const Vec3 outward{centroid.x - inside.x, centroid.y - inside.y, centroid.z - inside.z};
        ASSERT_GT(dot(normal, outward), 0.0) << "face " << i << " faces inward";
    }
    for (const auto& [edge, count] : edges) {
        ASSERT_EQ(count, 1) << "edge " << edge.first << "-" << edge.second;
        const auto reverse = edges.find({edge.second, edge.first});
        ASSERT_TRUE(reverse != edges.end()) << "open edge " << edge.first << "-" << edge.second;
    }
}

// The point of the tube's centre circle nearest to p.
Vec3 tubeCentre(const Vec3& p, double majorRadius) {
    const double angle = std::atan2(p.y, p.x);
    return {majorRadius * std::cos(angle), majorRadius * std::sin(angle), 0.0};
}

TEST(MeshShapes, TorusSizesUpToTheFullFaceTable) {
    struct Size {
        int32_t rings;
        int32_t sides;
        int32_t faces;
    };
    for (const Size size : {Size{32, 16, 1024}, Size{128, 64, 16384}, Size{256, 128, 65536}}) {
        SCOPED_TRACE(std::to_string(size.rings) + "x" + std::to_string(size.sides));
        MeshObject mesh;
        ASSERT_TRUE(makeTorus(mesh, 100.0, 25.0, size.rings, size.sides));
        EXPECT_EQ(mesh.vertexCount, size.rings * size.sides);
        EXPECT_EQ(mesh.faceCount, size.faces);
        expectClosedAndOutward(mesh, [](const Vec3& p) { return tubeCentre(p, 100.0); });
    }
}

TEST(MeshShapes, TorusVerticesLieOnTheSurface) {
    MeshObject mesh;
    ASSERT_TRUE(makeTorus(mesh, 3.0, 1.0, 12, 8));
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        const double fromAxis = std::hypot(v.x, v.y) - 3.0;
        EXPECT_NEAR(fromAxis * fromAxis + v.z * v.z, 1.0, 1e-12) << i;
    }
    const MeshBounds bounds = meshBounds(mesh);
    EXPECT_NEAR(bounds.size.x, 8.0, 1e-12);
    EXPECT_NEAR(bounds.size.z, 2.0, 1e-12);
}

TEST(MeshShapes, TorusReplacesThePreviousMesh) {
    MeshObject mesh;
    mesh.vertexCount = 500;
    mesh.faceCount = 700;
    ASSERT_TRUE(makeTorus(mesh, 3.0, 1.0, 4, 3));
    EXPECT_EQ(mesh.vertexCount, 12);
    EXPECT_EQ(mesh.faceCount, 24);
}

TEST(MeshShapes, RefusalsLeaveTheMeshUnchanged) {
    MeshObject mesh;
    ASSERT_TRUE(makeCube(mesh, 2.0));
    EXPECT_FALSE(makeTorus(mesh, 100.0, 25.0, 257, 128));  // 65792 faces
    EXPECT_FALSE(makeTorus(mesh, 100.0, 25.0, 65536, 65536));
    EXPECT_FALSE(makeTorus(mesh, 100.0, 25.0, 2, 16));
    EXPECT_FALSE(makeTorus(mesh, 100.0, 25.0, 16, -3));
    EXPECT_FALSE(makeTorus(mesh, 10.0, 10.0, 16, 8));
    EXPECT_FALSE(makeTorus(mesh, 10.0, -1.0, 16, 8));
    EXPECT_FALSE(makeTorus(mesh, std::nan(""), 1.0, 16, 8));
    EXPECT_FALSE(makeCube(mesh, 0.0));
    EXPECT_FALSE(makeCube(mesh, -1.0));
    EXPECT_EQ(mesh.vertexCount, 8);
    EXPECT_EQ(mesh.faceCount, 12);
    EXPECT_EQ(mesh.vertices[7].x, 2.0);
}

TEST(MeshShapes, CubeIsClosedAndOutward) {
    MeshObject mesh;
    ASSERT_TRUE(makeCube(mesh, 0.5));
    EXPECT_EQ(mesh.vertexCount, 8);
    EXPECT_EQ(mesh.faceCount, 12);
    expectClosedAndOutward(mesh, [](const Vec3&) { return Vec3{}; });
    const MeshBounds bounds = meshBounds(mesh);
    EXPECT_EQ(bounds.size.x, 1.0);
    EXPECT_EQ(bounds.centre.y, 0.0);
}

}  // namespace
}  // namespace volumix
