#include "mesh/mesh_shapes.h"

#include <array>
#include <cmath>
#include <numbers>

namespace volumix {

bool makeTorus(MeshObject& mesh, double majorRadius, double minorRadius, int32_t rings, int32_t sides) {
    // A horn or spindle torus would fold through itself and a negative radius
    // would turn the faces inside out.
    if (!(minorRadius > 0.0 && majorRadius > minorRadius && std::isfinite(majorRadius))) return false;
    if (rings < 3 || sides < 3) return false;
    const int64_t vertexCount = static_cast<int64_t>(rings) * sides;
    if (vertexCount * 2 > MeshCapacity) return false;  // faces are the tighter table

    mesh.clear();
    for (int32_t ring = 0; ring < rings; ++ring) {
        const double u = 2.0 * std::numbers::pi * ring / rings;
        for (int32_t side = 0; side < sides; ++side) {
            const double v = 2.0 * std::numbers::pi * side / sides;
            const double distance = majorRadius + minorRadius * std::cos(v);
            mesh.vertices[static_cast<size_t>(mesh.vertexCount++)] = {distance * std::cos(u), distance * std::sin(u),
                                                                      minorRadius * std::sin(v)};
        }
    }
    // With p(u, v) as above, dp/du x dp/dv points out of the tube, so each
    // quad (ring, side) -> (next ring) -> (next ring, next side) -> (next
    // side) is counter-clockwise from outside.
    const auto index = [&](int32_t ring, int32_t side) { return (ring % rings) * sides + side % sides; };
    for (int32_t ring = 0; ring < rings; ++ring) {
        for (int32_t side = 0; side < sides; ++side) {
            const int32_t p00 = index(ring, side);
            const int32_t p10 = index(ring + 1, side);
            const int32_t p11 = index(ring + 1, side + 1);
            const int32_t p01 = index(ring, side + 1);
            mesh.faces[static_cast<size_t>(mesh.faceCount++)] = {p00, p10, p11};
            mesh.faces[static_cast<size_t>(mesh.faceCount++)] = {p00, p11, p01};
        }
    }
    return true;
}

bool makeCube(MeshObject& mesh, double halfSize) {
    if (!(halfSize > 0.0 && std::isfinite(halfSize))) return false;
    mesh.clear();
    // Vertex i has x, y, z = +h where bits 0, 1, 2 of i are set, -h otherwise.
    for (int32_t i = 0; i < 8; ++i) {
        mesh.vertices[static_cast<size_t>(i)] = {(i & 1) ? halfSize : -halfSize, (i & 2) ? halfSize : -halfSize,
                                                 (i & 4) ? halfSize : -halfSize};
    }
    mesh.vertexCount = 8;
    // Two triangles per side, counter-clockwise seen from outside.
    static constexpr std::array<MeshFace, 12> faces = {{
        {0, 2, 3}, {0, 3, 1},  // z = -h
        {4, 5, 7}, {4, 7, 6},  // z = +h
        {0, 1, 5}, {0, 5, 4},  // y = -h
        {2, 6, 7}, {2, 7, 3},  // y = +h
        {0, 4, 6}, {0, 6, 2},  // x = -h
        {1, 3, 7}, {1, 7, 5},  // x = +h
    }};
    for (const MeshFace& face : faces) mesh.faces[static_cast<size_t>(mesh.faceCount++)] = face;
    return true;
}

}  // namespace volumix
