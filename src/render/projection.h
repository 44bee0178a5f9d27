#pragma once

#include <cstdint>
#include <vector>

#include "mesh/mesh_object.h"

namespace volumix {

inline constexpr double CameraDistance = 30000.0;
// Degrees to radians with exactly these digits (not pi / 180): frames must
// match those made with this factor, including its tiny error at 90 degrees.
inline constexpr double DegreesToRadians = 0.01745329252;

// One frame's position, zoom and angles as handed to the projection.
struct ProjectionParams {
    int32_t posX = 0;
    int32_t posY = 0;
    int32_t zoomX = 0;
    int32_t zoomY = 0;
    int32_t angleX = 0;
    int32_t angleY = 0;
    int32_t angleZ = 0;
};

// Per-vertex output of `projectMesh`, one entry per vertex index. A vertex is
// `usable` when its coordinates are finite and it lies in front of the eye
// (depth > 0); faces touching an unusable vertex are not drawn.
struct ProjectionBuffers {
    std::vector<int32_t> screenX = std::vector<int32_t>(MeshCapacity);
    std::vector<int32_t> screenY = std::vector<int32_t>(MeshCapacity);
    std::vector<double> depth = std::vector<double>(MeshCapacity);
    std::vector<uint8_t> usable = std::vector<uint8_t>(MeshCapacity);
};

// Rotates every vertex about X, then Y, then Z, and divides by the depth
// (rotated z + 30000). Writes entries 0 .. vertexCount - 1.
void projectMesh(const MeshObject& mesh, const ProjectionParams& params, ProjectionBuffers& out);

// The same for vertices [first, last) only, clamped to the mesh: each
// vertex's entries depend on nothing else, so parts may be projected apart.
void projectVertices(const MeshObject& mesh, const ProjectionParams& params, ProjectionBuffers& out, int32_t first,
                     int32_t last);

// Truncation toward zero that saturates at the int32 range; NaN gives 0.
int32_t truncateToInt32(double value);

}  // namespace volumix
