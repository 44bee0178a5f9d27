#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

#include "mesh/mesh_object.h"

namespace volumix {

enum ObjectReadMode : int32_t {
    ObjectReadReplace = 0,  // "Lire Objet": the file's object replaces the mesh
    ObjectReadMerge = 1,    // "Fusionner Objet": appended, faces shifted per named object
};

// Reads an object file (.asc or imported) into the mesh, all or nothing: the file is read into a
// scratch copy (empty for a replacement, the present mesh for a merge) and
// the mesh takes it only when the whole file fitted. Any other result leaves
// the mesh as it was. Never recentres.
AscLoadResult readObjectFile(MeshObject& mesh, const std::filesystem::path& path, ObjectReadMode mode,
                             Failure* failure = nullptr);
// The same from a file's bytes.
AscLoadResult readObjectBytes(MeshObject& mesh, std::span<const uint8_t> bytes, ObjectReadMode mode);

// The message for a read that did not succeed; empty for AscOk.


}  // namespace volumix
