// Writes the example meshes of this folder:
//   torus.asc       280 faces, sized for the default zoom (1000) and position;
//                   a default run of 60 frames fits in main memory
//   torus65536.asc  65,536 faces, the largest mesh allowed, for benchmarks
#include <cstdio>
#include <filesystem>
#include <memory>
#include <utility>

#include "mesh/mesh_object.h"
#include "mesh/mesh_shapes.h"

namespace {

bool writeTorus(const std::filesystem::path& path, int rings, int sides) {
    auto mesh = std::make_unique<volumix::MeshObject>();
    if (!volumix::makeTorus(*mesh, 1800.0, 700.0, rings, sides)) return false;
    // Stand the ring up around the y axis, so the default start angle
    // (AX 90) shows it face on and the AY increment spins it. Swapping two
    // axes mirrors the mesh; swapping two corners keeps faces wound outward.
    for (int i = 0; i < mesh->vertexCount; ++i) std::swap(mesh->vertices[i].y, mesh->vertices[i].z);
    for (int i = 0; i < mesh->faceCount; ++i) std::swap(mesh->faces[i].b, mesh->faces[i].c);
    if (!volumix::saveAsc(*mesh, path)) {
        std::fprintf(stderr, "error: cannot write %s\n", path.string().c_str());
        return false;
    }
    std::printf("%s: %d vertices, %d faces\n", path.string().c_str(), mesh->vertexCount, mesh->faceCount);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path folder = argc > 1 ? argv[1] : ".";
    const bool ok = writeTorus(folder / "torus.asc", 14, 10) && writeTorus(folder / "torus65536.asc", 256, 128);
    return ok ? 0 : 1;
}
