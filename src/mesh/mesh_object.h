#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"

namespace volumix {

inline constexpr int32_t MeshCapacity = 65536;

struct MeshVertex {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// Vertex indices a, b, c; the wireframe mode draws a-b and b-c only.
struct MeshFace {
    int32_t a = 0;
    int32_t b = 0;
    int32_t c = 0;
};

struct Vec3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;
};

// The one triangle mesh. Both tables are allocated once with room for exactly
// MeshCapacity entries and never grow; entries past the counts are stale.
// Face indices are kept as read, even when they name no vertex.
struct MeshObject {
    std::vector<MeshVertex> vertices = std::vector<MeshVertex>(MeshCapacity);
    int32_t vertexCount = 0;
    std::vector<MeshFace> faces = std::vector<MeshFace>(MeshCapacity);
    int32_t faceCount = 0;

    void clear() {
        vertexCount = 0;
        faceCount = 0;
    }
    bool faceIsValid(const MeshFace& face) const {
        return face.a >= 0 && face.a < vertexCount && face.b >= 0 && face.b < vertexCount && face.c >= 0 &&
               face.c < vertexCount;
    }
};

enum AscLoadResult : int32_t {
    AscOk = 0,
    AscOpenFailed = 1,
    AscTooManyVertices = 2,
    AscTooManyFaces = 3,
};

struct MeshBounds {
    Vec3 centre;
    Vec3 size;
};

// Appends the vertices and faces of a 3D Studio ASCII file to the mesh. A
// file that cannot be read gives AscOpenFailed, with the reason in `failure`
// when given.
AscLoadResult loadAsc(MeshObject& mesh, const std::filesystem::path& path, bool recentre,
                      Failure* failure = nullptr);

// The largest .asc file read: far more than a mesh at the capacity takes, and
// a bound on the memory a read can use.
inline constexpr size_t AscFileBytesMax = size_t{256} << 20;

// The same reading, from the bytes of a file already in memory.
AscLoadResult loadAscBytes(MeshObject& mesh, std::span<const uint8_t> bytes, bool recentre);

// The message list's line for a result ("Erreur d'ouverture du fichier
// objet.", "Trop de points (>65536) dans l'objet !"...); empty for AscOk.
std::string_view ascLoadMessage(AscLoadResult result);

// The facts of a result that names a full table (FailureTooManyPoints or
// FailureTooManyFaces, with the capacity); nothing for other results.
void reportCapacity(Failure* failure, AscLoadResult result, const std::filesystem::path& path);

// Bounding box of vertices 0 .. vertexCount - 1: the smallest and largest
// finite coordinate on each axis (NaN and infinities are left out). An axis
// with no such coordinate, as in an empty mesh, has centre 0 and size 0.
MeshBounds meshBounds(const MeshObject& mesh);

// x = (x + offset.x) * scale.x, and so on, for every vertex.
void offsetAndScaleMesh(MeshObject& mesh, const Vec3& offset, const Vec3& scale);

// Writes the mesh in our .asc layout (Windows-1252, CR LF). The existing file
// is replaced only once the new one is completely written; false on failure,
// with the reason in `failure` when given.
bool saveAsc(const MeshObject& mesh, const std::filesystem::path& path, Failure* failure = nullptr);

}  // namespace volumix
