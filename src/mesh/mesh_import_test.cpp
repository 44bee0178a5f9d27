#include "mesh/mesh_import.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <memory>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace volumix {
namespace {

std::unique_ptr<MeshObject> meshOfPoints(int32_t points) {
    auto mesh = std::make_unique<MeshObject>();
    for (int32_t i = 0; i < points; ++i) mesh->vertices[static_cast<size_t>(i)] = {-1.0 - i, 0.0, 0.0};
    mesh->vertexCount = points;
    return mesh;
}

void expectMesh(const MeshObject& mesh, const std::vector<MeshVertex>& points, const std::vector<MeshFace>& faces,
                const std::string& name) {
    ASSERT_EQ(mesh.vertexCount, static_cast<int32_t>(points.size())) << name;
    ASSERT_EQ(mesh.faceCount, static_cast<int32_t>(faces.size())) << name;
    for (size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(mesh.vertices[i].x, points[i].x) << name << " point " << i;
        EXPECT_EQ(mesh.vertices[i].y, points[i].y) << name << " point " << i;
        EXPECT_EQ(mesh.vertices[i].z, points[i].z) << name << " point " << i;
    }
    for (size_t i = 0; i < faces.size(); ++i) {
        EXPECT_EQ(mesh.faces[i].a, faces[i].a) << name << " face " << i;
        EXPECT_EQ(mesh.faces[i].b, faces[i].b) << name << " face " << i;
        EXPECT_EQ(mesh.faces[i].c, faces[i].c) << name << " face " << i;
    }
}

// A glTF scene of one triangle (0,0,0) (1,0,0) (0,1,0), drawn by two meshes:
// node 0 moves by (10, 0, 0); node 1, its child, turns a quarter about z and
// doubles (a column-major matrix). The buffer holds the nine float
// coordinates, then the uint16 indices `indices` and two bytes of padding.
std::string twoMeshGltf(const std::string& buffer) {
    return R"({"asset": {"version": "2.0"}, "scene": 0, "scenes": [{"nodes": [0]}],
 "nodes": [{"translation": [10, 0, 0], "mesh": 0, "children": [1]},
           {"matrix": [0, 2, 0, 0, -2, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 1], "mesh": 1}],
 "meshes": [{"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]},
            {"primitives": [{"attributes": {"POSITION": 0}, "indices": 1}]}],
 "buffers": [{"byteLength": 44, "uri": "data:application/octet-stream;base64,)" +
           buffer + R"("}],
 "bufferViews": [{"buffer": 0, "byteOffset": 0, "byteLength": 36}, {"buffer": 0, "byteOffset": 36, "byteLength": 6}],
 "accessors": [{"bufferView": 0, "componentType": 5126, "count": 3, "type": "VEC3", "min": [0, 0, 0], "max": [1, 1, 0]},
               {"bufferView": 1, "componentType": 5123, "count": 3, "type": "SCALAR"}]})";
}
const std::string TriangleIndices012 = "AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAABAAIAAAA=";
const std::string TriangleIndices017 = "AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAAAAABAAcAAAA=";

const char* const QuadObj = "v 0 0 0\nv 2.5 0 0\nv 2.5 1.25 -3\nv 0 1.25 -3\nf 1 2 3 4\n";

// OBJ of `points` distinct points: triangles of three new points each, then
// triangles of points 1, 2 and one new point.
std::string objOfPoints(int32_t points) {
    std::string text;
    for (int32_t i = 1; i <= points; ++i) text += "v " + std::to_string(i) + " 0.5 0\n";
    int32_t next = 1;
    for (; next + 2 <= points; next += 3)
        text += "f " + std::to_string(next) + " " + std::to_string(next + 1) + " " + std::to_string(next + 2) + "\n";
    for (; next <= points; ++next) text += "f 1 2 " + std::to_string(next) + "\n";
    return text;
}

TEST(MeshImport, RecognisesImportedFilesByExtensionInAnyCase) {
    const struct {
        const char* path;
        bool imported;
    } cases[] = {{"model.obj", true},   {"MODEL.OBJ", true},  {"a/b.GlTf", true},  {"scene.glb", true},
                 {"old.3ds", true},     {"c.dae", true},      {"p.Ply", true},     {"s.stl", true},
                 {"model.asc", false},  {"model.ASC", false}, {"notes.txt", false}, {"obj", false},
                 {".obj", false},       {"dir.obj/model", false}};
    for (const auto& c : cases) EXPECT_EQ(isImportedMeshFile(c.path), c.imported) << c.path;
    const std::string patterns = importedMeshPatterns();
    EXPECT_EQ(patterns.find("*.gltf *.GLTF") != std::string::npos, meshImportAvailable()) << patterns;
}

// What our reader does with .asc files, and with files of extensions not
// imported, does not change.
TEST(MeshImport, AscAndUnknownExtensionsAreReadByOurReaderExactly) {
    test::TestFolder folder;
    const std::string asc =
        "Named object: \"a\"\nVertex 0:  X: 1.5 Y: -2.25 Z: 0\nVertex 1:  X: 1 Y: 2 Z: 3\nFace 0:  A:0 B:1 C:1\n";
    for (const char* name : {"m.asc", "m.txt", "m"}) {
        test::writeText(folder / name, asc);
        const auto mesh = meshOfPoints(2);
        EXPECT_EQ(loadMeshFile(*mesh, folder / name, false), AscOk);
        expectMesh(*mesh, {{-1, 0, 0}, {-2, 0, 0}, {1.5, -2.25, 0}, {1, 2, 3}}, {{2, 3, 3}}, name);
    }
}

TEST(MeshImport, EachFormatGivesMergedPointsAndTriangleFacesInFileOrder) {
    if (!meshImportAvailable()) GTEST_SKIP() << "built without the importer";
    test::TestFolder folder;
    const std::string plyHeader =
        "ply\nformat ascii 1.0\nelement vertex 5\nproperty float x\nproperty float y\nproperty float z\n"
        "element face 2\nproperty list uchar int vertex_indices\nend_header\n";
    const struct {
        const char* name;
        std::string text;
        std::vector<MeshVertex> points;
        std::vector<MeshFace> faces;
    } cases[] = {
        {"quad.obj", QuadObj, {{0, 0, 0}, {2.5, 0, 0}, {2.5, 1.25, -3}, {0, 1.25, -3}}, {{0, 1, 2}, {0, 2, 3}}},
        {"two objects.obj", "o a\nv 0 0 0\nv 1 0 0\nv 0 1 0\nv 1 1 0\nf 1 2 3\no b\nf 2 4 3\n",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}}},
        // A face on one point twice has no area; a line is no face.
        {"degenerate.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 1 2\nl 1 2\nf 3 2 1\n",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{2, 1, 0}}},
        {"pair.stl",
         "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
         "facet normal 0 0 1\nouter loop\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid s\n",
         {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}}, {{0, 1, 2}, {1, 3, 2}}},
        // Point 4 repeats point 0.
        {"quad.ply", plyHeader + "0 0 0\n1 0 0\n1 1 0\n0 1 0\n0 0 0\n4 0 1 2 3\n3 4 1 3\n",
         {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 3}, {0, 1, 3}}},
        // Node 1's corner (0,0,0) lands on node 0's: one point.
        {"two meshes.gltf", twoMeshGltf(TriangleIndices012),
         {{10, 0, 0}, {11, 0, 0}, {10, 1, 0}, {10, 2, 0}, {8, 0, 0}}, {{0, 1, 2}, {0, 3, 4}}},
    };
    for (const auto& c : cases) {
        test::writeText(folder / c.name, c.text);
        auto mesh = std::make_unique<MeshObject>();
        Failure failure;
        ASSERT_EQ(loadMeshFile(*mesh, folder / c.name, false, &failure), AscOk) << c.name << ": " << failure.detail;
        expectMesh(*mesh, c.points, c.faces, c.name);
    }
}

TEST(MeshImport, AppendsAfterThePointsThereAndRecentresThemAll) {
    if (!meshImportAvailable()) GTEST_SKIP() << "built without the importer";
    test::TestFolder folder;
    test::writeText(folder / "quad.obj", QuadObj);
    auto mesh = std::make_unique<MeshObject>();
    mesh->vertices[0] = {-1, 0, 4};
    mesh->vertices[1] = {3, 2, 6};
    mesh->vertexCount = 2;
    ASSERT_EQ(loadMeshFile(*mesh, folder / "quad.obj", true), AscOk);
    // Box x -1..3, y 0..2, z -3..6: centre (1, 1, 1.5).
    expectMesh(*mesh, {{-2, -1, 2.5}, {2, 1, 4.5}, {-1, -1, -1.5}, {1.5, -1, -1.5}, {1.5, 0.25, -4.5}, {-1, 0.25, -4.5}},
               {{2, 3, 4}, {2, 4, 5}}, "merge");
}

TEST(MeshImport, PastTheCapacityTheMeshIsLeftAsItWas) {
    if (!meshImportAvailable()) GTEST_SKIP() << "built without the importer";
    test::TestFolder folder;
    std::string sameFace = "v 1 1 1\nv 2 1 1\nv 1 2 1\n";
    for (int32_t i = 0; i <= MeshCapacity; ++i) sameFace += "f 1 2 3\n";
    // 90,000 corners for the library, three points once merged.
    std::string samePoint = "v 0 0 0\nv 0 0 0\nv 1 0 0\nv 0 1 0\n";
    for (int32_t i = 0; i < 15000; ++i) samePoint += "f 1 3 4\nf 2 3 4\n";
    const struct {
        const char* name;
        std::string text;
        int32_t pointsThere;
        AscLoadResult result;
        int32_t points, faces;  // the mesh afterwards
    } cases[] = {
        {"full.obj", objOfPoints(MeshCapacity), 0, AscOk, MeshCapacity, 21845 + 1},
        {"over.obj", objOfPoints(MeshCapacity + 1), 0, AscTooManyVertices, 0, 0},
        {"merged.obj", samePoint, 0, AscOk, 3, 30000},
        {"faces.obj", sameFace, 0, AscTooManyFaces, 0, 0},
        {"quad.obj", QuadObj, MeshCapacity - 3, AscTooManyVertices, MeshCapacity - 3, 0},
    };
    for (const auto& c : cases) {
        test::writeText(folder / c.name, c.text);
        const auto mesh = meshOfPoints(c.pointsThere);
        EXPECT_EQ(loadMeshFile(*mesh, folder / c.name, false), c.result) << c.name;
        EXPECT_EQ(mesh->vertexCount, c.points) << c.name;
        EXPECT_EQ(mesh->faceCount, c.faces) << c.name;
        if (c.pointsThere > 0) {
            EXPECT_EQ(mesh->vertices[static_cast<size_t>(c.pointsThere - 1)].x, -c.pointsThere) << c.name;
        }
    }
}

// A damaged PLY file on which assimp 5.2 aborts (a failed assertion in its
// triangulation): the import runs apart, so it only fails to load.
constexpr char AbortingPly[] =
    "ply\nformat binary_little_endian 1.0\nelement vertex 6\nproperty float x\nproperty3float y\n"
    "property float z\nelement face 2\nproperty list uchar int vertex_index\nend_header\n"
    "\x00\x00\x20\x41\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x30\x41\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00"
    "\x20\x41\x00\x00\x80\x3f\x00\x00\x00\x00\x00\x00\x20\x41\x00\x00\x00\x00\x00\x6a\x00\x00\x00\x00"
    "\x20\x41\x00\x00\x00\x40\x00\x00\x00\x00\x00\x00\x00\x41\x00\x00\x00\x00\x00\x00\x00\x00\x03\x0d"
    "\x00\x00\x00\x01\x00\x00\x00\x02\x00\x00\x00\x03\x03\x00\x00\x00\x04\x00\x00\x00\x05\x00\x00\x00";

TEST(MeshImport, AFileTheLibraryCannotReadGivesItsReasonAndChangesNothing) {
    if (!meshImportAvailable()) GTEST_SKIP() << "built without the importer";
    test::TestFolder folder;
    std::filesystem::create_directory(folder / "folder.obj");
    const struct {
        const char* name;
        std::string bytes;
        FailureCode code;  // FailureImporter: the library's words
        bool write = true;
    } cases[] = {
        {"noise.obj", "\x01\x02 garbage \xff\n", FailureImporter},
        {"noise.stl", "\x01\x02 garbage \xff\n", FailureImporter},
        {"empty.ply", "", FailureImporter},
        // Left to the library, this one never returned.
        {"header cut.ply", "ply\nformat ascii 1.0\nelement vertex 3\nproperty float", FailurePlyHeaderUnended},
        {"cut.glb", std::string("glTF\x02\0\0\0", 8), FailureImporter},
        {"index past the points.gltf", twoMeshGltf(TriangleIndices017), FailureImporter},
        {"unclosed.gltf", twoMeshGltf(TriangleIndices012).substr(0, 200), FailureImporter},
        {"aborts the library.ply", std::string(AbortingPly, sizeof AbortingPly - 1), FailureImporterStopped},
        {"folder.obj", "", FailureIsFolder, false},
        {"missing.dae", "", FailureSystem, false},
    };
    for (const auto& c : cases) {
        const std::filesystem::path path = folder / c.name;
        if (c.write) test::writeText(path, c.bytes);
        const auto mesh = meshOfPoints(1);
        Failure failure;
        EXPECT_EQ(loadMeshFile(*mesh, path, false, &failure), AscOpenFailed) << c.name;
        EXPECT_EQ(failure.code, c.code) << c.name;
        EXPECT_EQ(failure.path, path.string()) << c.name;
        EXPECT_EQ(failure.detail.empty(), c.code != FailureImporter) << c.name;
        EXPECT_EQ(failure.systemError, c.code == FailureSystem ? ENOENT : 0) << c.name;
        EXPECT_EQ(mesh->vertexCount, 1) << c.name;
        EXPECT_EQ(mesh->faceCount, 0) << c.name;
    }
}

TEST(MeshImport, WithoutTheLibraryImportedFilesAreRefusedPlainly) {
    if (meshImportAvailable()) GTEST_SKIP() << "built with the importer";
    test::TestFolder folder;
    test::writeText(folder / "quad.obj", QuadObj);
    const auto mesh = meshOfPoints(1);
    Failure failure;
    EXPECT_EQ(loadMeshFile(*mesh, folder / "quad.obj", false, &failure), AscOpenFailed);
    EXPECT_EQ(failure.code, FailureImporterMissing);
    EXPECT_EQ(mesh->vertexCount, 1);
}

}  // namespace
}  // namespace volumix
