#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "mesh/mesh_object.h"

namespace volumix {

// Edit boxes give at most this many characters of their text to a read.
inline constexpr size_t EditBoxReadLimit = 127;

// A box's text read with atof's rules, over its first EditBoxReadLimit
// characters only.
double readBoxDouble(std::string_view text);
// The same with atoi's rules.
int32_t readBoxInt(std::string_view text);

// "%8.4f" in the C locale: four decimals, right-aligned in 8 characters, as
// long as the value needs.
std::string paramsBoxText(double value);

// The six boxes of "Paramètres objet": the wanted centre and the wanted
// extent of the bounding box along each axis. With `linked`, only the size
// box of linkedSizeAxis is read, and the other sizes keep their proportion
// to it.
struct ObjectParamsRequest {
    std::array<std::string_view, 3> centre;
    std::array<std::string_view, 3> size;
    bool linked = false;
};

enum ObjectParamsResult : int32_t {
    ObjectParamsApplied = 0,
    // A box reads as infinite or not a number.
    ObjectParamsNotFinite = 1,
    // The values are finite but would carry a coordinate out of the double
    // range.
    ObjectParamsOutOfRange = 2,
};

// Which box a refusal is about: 0..2 the centre boxes, 3..5 the size boxes.
struct ObjectParamsOutcome {
    ObjectParamsResult result = ObjectParamsApplied;
    int32_t box = -1;
};

struct ObjectTransform {
    Vec3 offset;
    Vec3 scale;
};

// The move and the factors that take the box `opened` (the object's box
// when the dialog opened) to the wanted centre and sizes: offset = wanted
// centre - centre, factor = wanted size / size. An axis whose size is 0 (a
// flat object, drawn in a plane) has nothing to scale: its factor is 1, so
// its points keep their coordinate, moved to the wanted centre.
ObjectTransform objectTransform(const MeshBounds& opened, const Vec3& wantedCentre, const Vec3& wantedSize);

// The axis whose size sets the common factor of linked sizes: X, or the
// first of Y and Z that has a size when X is flat; -1 when every axis is
// flat, and then no size is read and nothing is scaled.
int32_t linkedSizeAxis(const MeshBounds& opened);

// Reads the boxes and moves and scales every vertex, or changes nothing and
// says which box is at fault. A vertex coordinate that is finite stays
// finite: the whole change is refused otherwise.
ObjectParamsOutcome applyObjectParams(MeshObject& mesh, const MeshBounds& opened, const ObjectParamsRequest& request);

}  // namespace volumix
