#pragma once

#include <cstdint>

#include "mesh/mesh_object.h"

namespace volumix {

// Meshes built in code, for tests, benchmarks and the bundled example. Each
// replaces the whole content of the mesh (it is emptied first). Faces wind
// counter-clockwise seen from outside the solid in a right-handed frame, so
// (b - a) x (c - a) points outward. On refusal the mesh is left unchanged
// and the function returns false.

// A ring torus around the z axis: `rings` steps around the z axis, `sides`
// steps around the tube, rings * sides vertices and 2 * rings * sides faces.
// Refused unless 0 < minorRadius < majorRadius (finite), when rings or sides
// is below 3, or when the face table would overflow (256 x 128 fills it).
bool makeTorus(MeshObject& mesh, double majorRadius, double minorRadius, int32_t rings, int32_t sides);

// An axis-aligned cube centred on the origin: 8 vertices, 12 faces. Refused
// unless halfSize is positive and finite.
bool makeCube(MeshObject& mesh, double halfSize);

}  // namespace volumix
