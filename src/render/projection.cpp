#include "render/projection.h"

#include <cmath>
#include <limits>

namespace volumix {

int32_t truncateToInt32(double value) {
    if (!(value == value)) return 0;
    if (value >= 2147483647.0) return std::numeric_limits<int32_t>::max();
    if (value <= -2147483648.0) return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(value);
}

void projectMesh(const MeshObject& mesh, const ProjectionParams& params, ProjectionBuffers& out) {
    projectVertices(mesh, params, out, 0, MeshCapacity);
}

void projectVertices(const MeshObject& mesh, const ProjectionParams& params, ProjectionBuffers& out, int32_t first,
                     int32_t last) {
    const double ax = params.angleX * DegreesToRadians;
    const double ay = params.angleY * DegreesToRadians;
    const double az = params.angleZ * DegreesToRadians;
    const double sx = std::sin(ax), cx = std::cos(ax);
    const double sy = std::sin(ay), cy = std::cos(ay);
    const double sz = std::sin(az), cz = std::cos(az);
    const double zoomX = params.zoomX;
    const double zoomY = params.zoomY;
    const double posX = params.posX;
    const double posY = params.posY;

    const int32_t count = mesh.vertexCount < 0 ? 0 : (mesh.vertexCount > MeshCapacity ? MeshCapacity : mesh.vertexCount);
    const int32_t end = last < count ? last : count;
    const MeshVertex* vertices = mesh.vertices.data();
    int32_t* screenX = out.screenX.data();
    int32_t* screenY = out.screenY.data();
    double* depth = out.depth.data();
    uint8_t* usable = out.usable.data();
    for (int32_t i = first < 0 ? 0 : first; i < end; ++i) {
        const double x = vertices[i].x, y = vertices[i].y, z = vertices[i].z;
        const double y1 = y * cx - z * sx;
        const double z1 = z * cx + y * sx;
        const double x2 = x * cy - z1 * sy;
        const double z2 = x * sy + z1 * cy;
        const double d = z2 + CameraDistance;
        const double x3 = x2 * cz - y1 * sz;
        const double y3 = x2 * sz + y1 * cz;
        const double px = x3 * zoomX / d + posX;
        const double py = y3 * zoomY / d + posY;
        depth[i] = d;
        // A corner at or behind the eye would be mirrored or divide by zero,
        // and a non-finite coordinate has no place on screen.
        const bool inFront = d > 0.0 && std::isfinite(d) && std::isfinite(x) && std::isfinite(y) &&
                             std::isfinite(z) && !std::isnan(px) && !std::isnan(py);
        usable[i] = inFront ? 1 : 0;
        screenX[i] = truncateToInt32(px);
        screenY[i] = truncateToInt32(py);
    }
}

}  // namespace volumix
