#include "mesh/mesh_object.h"

namespace volumix {

MeshBounds meshBounds(const MeshObject& mesh) {
    // The starting box takes part in the result: callers rely on an empty
    // mesh giving centre 0, and on far-out meshes keeping the ±1000000 edge.
    Vec3 minimum{1000000.0, 1000000.0, 1000000.0};
    Vec3 maximum{-1000000.0, -1000000.0, -1000000.0};
    const auto widen = [](double& low, double& high, double value) {
        // Written as comparisons against the bound so that NaN never enters.
        if (low > value) low = value;
        if (high < value) high = value;
    };
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        widen(minimum.x, maximum.x, v.x);
        widen(minimum.y, maximum.y, v.y);
        widen(minimum.z, maximum.z, v.z);
    }
    MeshBounds bounds;
    bounds.size = {maximum.x - minimum.x, maximum.y - minimum.y, maximum.z - minimum.z};
    bounds.centre = {minimum.x + bounds.size.x * 0.5, minimum.y + bounds.size.y * 0.5,
                     minimum.z + bounds.size.z * 0.5};
    return bounds;
}

void offsetAndScaleMesh(MeshObject& mesh, const Vec3& offset, const Vec3& scale) {
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.x = (v.x + offset.x) * scale.x;
        v.y = (v.y + offset.y) * scale.y;
        v.z = (v.z + offset.z) * scale.z;
    }
}

}  // namespace volumix
