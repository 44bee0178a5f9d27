#include "mesh/object_params.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "platform/crt_numbers.h"

namespace volumix {

namespace {

std::string_view boxPrefix(std::string_view text) { return text.substr(0, std::min(text.size(), EditBoxReadLimit)); }

double axisOf(const Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

double& axisOf(Vec3& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

double axisOf(const MeshVertex& v, int axis) { return axis == 0 ? v.x : (axis == 1 ? v.y : v.z); }

}  // namespace

double readBoxDouble(std::string_view text) { return parseAtof(boxPrefix(text)); }

int32_t readBoxInt(std::string_view text) { return parseAtoi(boxPrefix(text)); }

std::string paramsBoxText(double value) {
    std::array<char, 400> digits{};  // DBL_MAX has 309 integer digits
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value,
                                       std::chars_format::fixed, 4);
    const std::string_view text(digits.data(), static_cast<size_t>(written.ptr - digits.data()));
    std::string out;
    if (text.size() < 8) out.assign(8 - text.size(), ' ');
    out += text;
    return out;
}

ObjectTransform objectTransform(const MeshBounds& opened, const Vec3& wantedCentre, const Vec3& wantedSize) {
    ObjectTransform transform;
    for (int axis = 0; axis < 3; ++axis) {
        const double size = axisOf(opened.size, axis);
        axisOf(transform.offset, axis) = axisOf(wantedCentre, axis) - axisOf(opened.centre, axis);
        axisOf(transform.scale, axis) = size != 0.0 ? axisOf(wantedSize, axis) / size : 1.0;
    }
    return transform;
}

int32_t linkedSizeAxis(const MeshBounds& opened) {
    for (int axis = 0; axis < 3; ++axis)
        if (axisOf(opened.size, axis) != 0.0) return axis;
    return -1;
}

ObjectParamsOutcome applyObjectParams(MeshObject& mesh, const MeshBounds& opened, const ObjectParamsRequest& request) {
    Vec3 wantedCentre;
    Vec3 wantedSize;
    for (int axis = 0; axis < 3; ++axis) {
        const double centre = readBoxDouble(request.centre[static_cast<size_t>(axis)]);
        if (!std::isfinite(centre)) return {ObjectParamsNotFinite, axis};
        axisOf(wantedCentre, axis) = centre;
    }
    // Linked sizes read one box, the one that sets the common factor.
    const int32_t leading = request.linked ? linkedSizeAxis(opened) : -1;
    for (int axis = 0; axis < 3; ++axis) {
        if (request.linked && axis != leading) continue;
        const double size = readBoxDouble(request.size[static_cast<size_t>(axis)]);
        if (!std::isfinite(size)) return {ObjectParamsNotFinite, 3 + axis};
        axisOf(wantedSize, axis) = size;
    }
    if (leading >= 0) {
        // The other sizes keep their proportion to the leading one; a flat
        // axis keeps its coordinates whatever it is given.
        const double lead = axisOf(opened.size, leading);
        for (int axis = 0; axis < 3; ++axis)
            if (axis != leading)
                axisOf(wantedSize, axis) = axisOf(wantedSize, leading) * axisOf(opened.size, axis) / lead;
    }
    const ObjectTransform transform = objectTransform(opened, wantedCentre, wantedSize);

    // The size box that decided an axis's factor: the leading one for all
    // three when linked.
    const auto sizeBox = [&](int axis) { return 3 + (request.linked ? std::max(leading, 0) : axis); };
    for (int axis = 0; axis < 3; ++axis) {
        if (!std::isfinite(axisOf(transform.offset, axis))) return {ObjectParamsOutOfRange, axis};
        if (!std::isfinite(axisOf(transform.scale, axis))) return {ObjectParamsOutOfRange, sizeBox(axis)};
    }
    // Checked for every vertex before any is changed: all or nothing.
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        for (int axis = 0; axis < 3; ++axis) {
            const double before = axisOf(v, axis);
            if (!std::isfinite(before)) continue;  // read from a file so; nothing to keep
            const double moved = before + axisOf(transform.offset, axis);
            if (!std::isfinite(moved)) return {ObjectParamsOutOfRange, axis};
            if (!std::isfinite(moved * axisOf(transform.scale, axis))) return {ObjectParamsOutOfRange, sizeBox(axis)};
        }
    }
    offsetAndScaleMesh(mesh, transform.offset, transform.scale);
    return {ObjectParamsApplied, -1};
}

}  // namespace volumix
