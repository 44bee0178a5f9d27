#include "mesh/mesh_object.h"

#include <cmath>

namespace volumix {

namespace {

// The finite values met along one axis.
struct AxisRange {
    double low = 0.0;
    double high = 0.0;
    bool any = false;

    void widen(double value) {
        // A file can hold "nan" or "inf": such a coordinate has no place in
        // a box, and taking it would move every other point to infinity on
        // recentring.
        if (!std::isfinite(value)) return;
        if (!any) {
            low = high = value;
            any = true;
            return;
        }
        if (value < low) low = value;
        if (value > high) high = value;
    }
    double size() const { return high - low; }
    double centre() const {
        const double extent = size();
        // Halved first only when the extent itself overflows.
        return std::isfinite(extent) ? low + extent * 0.5 : low * 0.5 + high * 0.5;
    }
};

}  // namespace

MeshBounds meshBounds(const MeshObject& mesh) {
    AxisRange x;
    AxisRange y;
    AxisRange z;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        x.widen(v.x);
        y.widen(v.y);
        z.widen(v.z);
    }
    MeshBounds bounds;
    bounds.size = {x.size(), y.size(), z.size()};
    bounds.centre = {x.centre(), y.centre(), z.centre()};
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
