#include "objedit/object_files.h"

#include <algorithm>
#include <memory>

#include "mesh/mesh_import.h"
#include "objedit/object_editing.h"

namespace volumix {

namespace {

void copyUsedEntries(const MeshObject& from, MeshObject& to) {
    std::copy_n(from.vertices.begin(), from.vertexCount, to.vertices.begin());
    std::copy_n(from.faces.begin(), from.faceCount, to.faces.begin());
    to.vertexCount = from.vertexCount;
    to.faceCount = from.faceCount;
}

// A merge must see the present points, so that a "Named object" line sets
// the index base as it would in the mesh itself.
template <typename Read>
AscLoadResult readThroughScratch(MeshObject& mesh, ObjectReadMode mode, Read read) {
    const auto scratch = std::make_unique<MeshObject>();
    if (mode == ObjectReadMerge) copyUsedEntries(mesh, *scratch);
    const AscLoadResult result = read(*scratch);
    if (result == AscOk) copyUsedEntries(*scratch, mesh);
    return result;
}

}  // namespace

AscLoadResult readObjectFile(MeshObject& mesh, const std::filesystem::path& path, ObjectReadMode mode,
                             Failure* failure) {
    return readThroughScratch(mesh, mode, [&](MeshObject& target) { return loadMeshFile(target, path, false, failure); });
}

AscLoadResult readObjectBytes(MeshObject& mesh, std::span<const uint8_t> bytes, ObjectReadMode mode) {
    return readThroughScratch(mesh, mode, [&](MeshObject& target) { return loadAscBytes(target, bytes, false); });
}

}  // namespace volumix
