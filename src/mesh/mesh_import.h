#pragma once

#include <array>
#include <filesystem>
#include <string>
#include <string_view>

#include "mesh/mesh_object.h"

namespace volumix {

// Extensions (lower case, without the dot) of the object files read through
// the importer library: Wavefront OBJ, STL, Stanford PLY, glTF 2 (text and
// binary), 3D Studio, COLLADA, FBX, 3MF, OFF, 3ds Max ASCII scenes,
// LightWave, AC3D, DirectX and Milkshape 3D. Any other file is an .asc file.
inline constexpr std::array<std::string_view, 15> ImportedMeshExtensions = {
    "obj", "stl", "ply", "gltf", "glb", "3ds", "dae", "fbx", "3mf", "off", "ase", "lwo", "ac", "x", "ms3d"};

// True when the file's extension, in any case, is one of the imported ones.
bool isImportedMeshFile(const std::filesystem::path& path);

// False in a build made without the importer library: imported files are
// then refused (FailureImporterMissing).
bool meshImportAvailable();

// "*.obj *.OBJ *.stl *.STL ..." for the file choosers; empty without the
// importer.
std::string importedMeshPatterns();

// Reads an object file and appends it to the mesh: .asc files (and files of
// any extension not imported) through loadAsc, exactly; the others through
// the importer, see importMeshFile. Recentres as loadAsc does.
AscLoadResult loadMeshFile(MeshObject& mesh, const std::filesystem::path& path, bool recentre,
                           Failure* failure = nullptr);

// Reads every mesh of a file through the importer: each placed by the
// transforms of the nodes above it, polygons cut into triangles, points of
// equal coordinates (after the transforms) merged into one. Points are
// numbered in order of first appearance and faces kept in file order, meshes
// in the order of a depth-first walk of the nodes; faces whose corners do not
// name three different points, and point and line primitives, give no face
// (their points are kept). The points and faces are appended to the mesh,
// the faces numbered after the points already there, only when all of them
// fit: otherwise the mesh is unchanged and the result names the first table
// that overflowed. AscOpenFailed, with the library's words in `failure`, for
// a file the library cannot read. The library runs in a child process, so a
// file on which it crashes, aborts or hangs (60 s) is refused too.
AscLoadResult importMeshFile(MeshObject& mesh, const std::filesystem::path& path, Failure* failure);

}  // namespace volumix
