// Object files of other programs, read through assimp. Built only with
// VOLUMIX_WITH_ASSIMP; everything assimp-bound stays in this file.

#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <exception>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "mesh/mesh_import.h"
#include "platform/file_io.h"

namespace volumix {

namespace {

using Matrix = std::array<std::array<double, 4>, 4>;

constexpr Matrix IdentityMatrix = {{{1.0, 0.0, 0.0, 0.0}, {0.0, 1.0, 0.0, 0.0}, {0.0, 0.0, 1.0, 0.0},
                                    {0.0, 0.0, 0.0, 1.0}}};

// The files a scene names (materials, buffers) are opened as the object file
// is: regular files of bounded size only, so that a pipe cannot stall the read
// and a huge file cannot exhaust memory.
class RegularFilesOnly : public Assimp::DefaultIOSystem {
public:
    Assimp::IOStream* Open(const char* file, const char* mode) override {
        struct stat info {};
        if (::stat(file, &info) != 0 || !S_ISREG(info.st_mode) ||
            static_cast<uint64_t>(info.st_size) > AscFileBytesMax)
            return nullptr;
        return DefaultIOSystem::Open(file, mode);
    }
};

Matrix toDouble(const aiMatrix4x4& m) {
    return {{{m.a1, m.a2, m.a3, m.a4}, {m.b1, m.b2, m.b3, m.b4}, {m.c1, m.c2, m.c3, m.c4}, {m.d1, m.d2, m.d3, m.d4}}};
}

// parent × child, each sum taken left to right.
Matrix multiply(const Matrix& parent, const Matrix& child) {
    Matrix product{};
    for (size_t i = 0; i < 4; ++i)
        for (size_t j = 0; j < 4; ++j)
            product[i][j] = parent[i][0] * child[0][j] + parent[i][1] * child[1][j] + parent[i][2] * child[2][j] +
                            parent[i][3] * child[3][j];
    return product;
}

// Affine: assimp's node transforms have no projective part.
MeshVertex transformPoint(const Matrix& m, const aiVector3D& p) {
    const double x = p.x, y = p.y, z = p.z;
    return {m[0][0] * x + m[0][1] * y + m[0][2] * z + m[0][3], m[1][0] * x + m[1][1] * y + m[1][2] * z + m[1][3],
            m[2][0] * x + m[2][1] * y + m[2][2] * z + m[2][3]};
}

struct PointKey {
    std::array<uint64_t, 3> bits;
    bool operator==(const PointKey&) const = default;
};

struct PointKeyHash {
    size_t operator()(const PointKey& key) const {
        return std::hash<uint64_t>()(key.bits[0] ^ (key.bits[1] * 0x9E3779B97F4A7C15ull) ^
                                     (key.bits[2] * 0xC2B2AE3D27D4EB4Full));
    }
};

uint64_t bitsOf(double value) {
    value += 0.0;  // -0.0 becomes 0.0: equal coordinates give one key
    uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

// Gathers the scene's points and faces within the room left in the mesh.
class SceneGatherer {
public:
    SceneGatherer(int32_t pointRoom, int32_t faceRoom, int32_t firstIndex)
        : pointRoom_(pointRoom), faceRoom_(faceRoom), firstIndex_(firstIndex) {}

    // False once a table overflowed; `result` then says which.
    bool addMesh(const aiMesh& mesh, const Matrix& transform) {
        corners_.resize(mesh.mNumVertices);
        for (unsigned i = 0; i < mesh.mNumVertices; ++i) {
            const MeshVertex point = transformPoint(transform, mesh.mVertices[i]);
            const auto [found, added] =
                merged_.try_emplace({{bitsOf(point.x), bitsOf(point.y), bitsOf(point.z)}},
                                    static_cast<int32_t>(points.size()));
            if (added) {
                if (static_cast<int64_t>(points.size()) >= pointRoom_) return overflow(AscTooManyVertices);
                points.push_back(point);
            }
            corners_[i] = found->second;
        }
        for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
            const aiFace& face = mesh.mFaces[f];
            if (face.mNumIndices != 3) continue;  // points and lines
            if (face.mIndices[0] >= mesh.mNumVertices || face.mIndices[1] >= mesh.mNumVertices ||
                face.mIndices[2] >= mesh.mNumVertices)
                continue;
            const int32_t a = corners_[face.mIndices[0]], b = corners_[face.mIndices[1]],
                          c = corners_[face.mIndices[2]];
            if (a == b || b == c || a == c) continue;  // no area: nothing to draw
            if (static_cast<int64_t>(faces.size()) >= faceRoom_) return overflow(AscTooManyFaces);
            faces.push_back({firstIndex_ + a, firstIndex_ + b, firstIndex_ + c});
        }
        return true;
    }

    std::vector<MeshVertex> points;
    std::vector<MeshFace> faces;
    AscLoadResult result = AscOk;

private:
    bool overflow(AscLoadResult limit) {
        result = limit;
        return false;
    }

    int32_t pointRoom_;
    int32_t faceRoom_;
    int32_t firstIndex_;
    std::unordered_map<PointKey, int32_t, PointKeyHash> merged_;
    std::vector<int32_t> corners_;
};

// A file no sane import takes this long over.
constexpr std::chrono::seconds ImportTimeLimit{60};

// assimp 5.2 loops forever on a PLY file that ends inside its header, so a
// file that starts as PLY must show the header's end in its first megabyte.
constexpr size_t PlyHeaderBytesMax = size_t{1} << 20;

bool isUnendedPlyHeader(const std::vector<uint8_t>& head) {
    const std::string_view text(reinterpret_cast<const char*>(head.data()), head.size());
    return (text.starts_with("ply") || text.starts_with("PLY")) && text.find("end_header") == std::string_view::npos;
}

// Depth first, each node's meshes before its children, without recursion: a
// deep node chain must not exhaust the stack.
AscLoadResult gatherScene(const aiScene& scene, SceneGatherer& gatherer) {
    struct Pending {
        const aiNode* node;
        Matrix parent;
    };
    std::vector<Pending> pending{{scene.mRootNode, IdentityMatrix}};
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        if (next.node == nullptr) continue;
        const Matrix transform = multiply(next.parent, toDouble(next.node->mTransformation));
        for (unsigned i = 0; i < next.node->mNumMeshes; ++i) {
            const unsigned index = next.node->mMeshes[i];
            if (index >= scene.mNumMeshes || scene.mMeshes[index] == nullptr) continue;
            if (!gatherer.addMesh(*scene.mMeshes[index], transform)) return gatherer.result;
        }
        for (unsigned i = next.node->mNumChildren; i > 0; --i)
            pending.push_back({next.node->mChildren[i - 1], transform});
    }
    return AscOk;
}

// What the child sends back: this header, the reason's bytes, the points,
// then the faces (the same program on both sides: raw bytes).
struct ImportReply {
    int32_t result = AscOpenFailed;
    int32_t pointCount = 0;
    int32_t faceCount = 0;
    uint32_t reasonBytes = 0;
};

// Runs the library and gathers the scene; in the child process.
ImportReply importScene(const std::filesystem::path& path, std::string& reason, SceneGatherer& gatherer) {
    ImportReply reply;
    try {
        Assimp::Importer importer;
        importer.SetIOHandler(new RegularFilesOnly);  // the importer owns it
        // Triangulation keeps the polygons' order; points are merged and
        // placed by us, the same with every assimp version. The validation
        // comes first and rejects indices that name no vertex.
        const aiScene* scene = importer.ReadFile(path.string(), aiProcess_ValidateDataStructure | aiProcess_Triangulate);
        if (scene == nullptr || scene->mRootNode == nullptr) {
            reason = importer.GetErrorString();
            if (reason.empty()) reason = "not a mesh file the importer reads";
            return reply;
        }
        reply.result = gatherScene(*scene, gatherer);
    } catch (const std::exception& e) {
        // assimp reports by its error string; this is for memory running out.
        reason = e.what();
        return reply;
    }
    if (reply.result == AscOk) {
        reply.pointCount = static_cast<int32_t>(gatherer.points.size());
        reply.faceCount = static_cast<int32_t>(gatherer.faces.size());
    }
    return reply;
}

[[noreturn]] void runChild(const MeshObject& mesh, const std::filesystem::path& path, int fd) {
    std::string reason;
    SceneGatherer gatherer(MeshCapacity - mesh.vertexCount, MeshCapacity - mesh.faceCount, mesh.vertexCount);
    ImportReply reply = importScene(path, reason, gatherer);
    reply.reasonBytes = static_cast<uint32_t>(reason.size());
    const bool sent = writeAll(fd, &reply, sizeof reply) && writeAll(fd, reason.data(), reason.size()) &&
                      writeAll(fd, gatherer.points.data(), sizeof(MeshVertex) * static_cast<size_t>(reply.pointCount)) &&
                      writeAll(fd, gatherer.faces.data(), sizeof(MeshFace) * static_cast<size_t>(reply.faceCount));
    // No exit handlers: they belong to the parent.
    ::_exit(sent ? 0 : 1);
}

// Everything the child writes, until it closes the pipe; false when the
// deadline passes first.
bool readAll(int fd, std::vector<uint8_t>& bytes, std::chrono::steady_clock::time_point deadline) {
    uint8_t chunk[65536];
    while (true) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) return false;
        pollfd watched{fd, POLLIN, 0};
        const int ready = ::poll(&watched, 1, static_cast<int>(std::min<int64_t>(left.count(), 1000)));
        if (ready < 0 && errno != EINTR) return true;
        if (ready <= 0) continue;
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
}

AscLoadResult refuse(Failure* failure, const std::filesystem::path& path, FailureCode code, int64_t count = 0,
                     std::string detail = {}) {
    Failure refusal = fileFailure(code, path.string());
    refusal.count = count;
    refusal.detail = std::move(detail);
    report(failure, std::move(refusal));
    return AscOpenFailed;
}

}  // namespace

AscLoadResult importMeshFile(MeshObject& mesh, const std::filesystem::path& path, Failure* failure) {
    // The object file itself is checked as an .asc file is, with the same reasons.
    const std::optional<std::vector<uint8_t>> head = readFileBytes(path, PlyHeaderBytesMax, failure);
    if (!head) return AscOpenFailed;
    if (isUnendedPlyHeader(*head)) return refuse(failure, path, FailurePlyHeaderUnended);

    // assimp aborts, crashes or never returns on some damaged files: it runs
    // in a child process, so that such a file only fails to load.
    int fds[2];
    if (::pipe(fds) != 0) {
        report(failure, fileFailure(FailureSystem, path.string(), errno));
        return AscOpenFailed;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        const int error = errno;
        ::close(fds[0]);
        ::close(fds[1]);
        report(failure, fileFailure(FailureSystem, path.string(), error));
        return AscOpenFailed;
    }
    if (child == 0) {
        ::close(fds[0]);
        // The library's own complaints would break our one-line errors.
        const int quiet = ::open("/dev/null", O_WRONLY);
        if (quiet >= 0) ::dup2(quiet, STDERR_FILENO);
        runChild(mesh, path, fds[1]);
    }
    ::close(fds[1]);
    std::vector<uint8_t> bytes;
    const bool answered = readAll(fds[0], bytes, std::chrono::steady_clock::now() + ImportTimeLimit);
    ::close(fds[0]);
    if (!answered) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (!answered) return refuse(failure, path, FailureImporterTimeout, ImportTimeLimit.count());
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || bytes.size() < sizeof(ImportReply))
        return refuse(failure, path, FailureImporterStopped);

    ImportReply reply;
    std::memcpy(&reply, bytes.data(), sizeof reply);
    const size_t pointBytes = sizeof(MeshVertex) * static_cast<size_t>(reply.pointCount);
    const size_t faceBytes = sizeof(MeshFace) * static_cast<size_t>(reply.faceCount);
    if (reply.pointCount < 0 || reply.pointCount > MeshCapacity - mesh.vertexCount || reply.faceCount < 0 ||
        reply.faceCount > MeshCapacity - mesh.faceCount ||
        bytes.size() != sizeof reply + reply.reasonBytes + pointBytes + faceBytes)
        return refuse(failure, path, FailureImporterStopped);
    const uint8_t* next = bytes.data() + sizeof reply;
    if (reply.result == AscOpenFailed)
        return refuse(failure, path, FailureImporter, 0,
                      std::string(reinterpret_cast<const char*>(next), reply.reasonBytes));
    if (reply.result != AscOk) {
        reportCapacity(failure, static_cast<AscLoadResult>(reply.result), path);
        return static_cast<AscLoadResult>(reply.result);
    }
    next += reply.reasonBytes;
    std::memcpy(mesh.vertices.data() + mesh.vertexCount, next, pointBytes);
    std::memcpy(mesh.faces.data() + mesh.faceCount, next + pointBytes, faceBytes);
    mesh.vertexCount += reply.pointCount;
    mesh.faceCount += reply.faceCount;
    return AscOk;
}

}  // namespace volumix
