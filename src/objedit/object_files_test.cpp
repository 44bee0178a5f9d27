#include "objedit/object_files.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mesh/mesh_import.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

std::span<const uint8_t> bytesOf(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// A file with `points` vertices and one face per consecutive triple, under
// a "Named object" line when `named`.
std::string ascText(int32_t points, bool named, double x0 = 0.0) {
    std::string text = named ? "Named object: \"Piece\"\n" : "";
    text += "Tri-mesh, Vertices: " + std::to_string(points) + "\nVertex list:\n";
    for (int32_t i = 0; i < points; ++i)
        text += "Vertex " + std::to_string(i) + ":  X: " + std::to_string(x0 + i) + " Y: 1 Z: 2\n";
    text += "Face list:\n";
    for (int32_t i = 0; i + 2 < points; i += 3)
        text += "Face " + std::to_string(i / 3) + ":    A:" + std::to_string(i) + " B:" + std::to_string(i + 1) +
                " C:" + std::to_string(i + 2) + " AB:1 BC:1 CA:1\n";
    return text;
}

MeshObject meshOfPoints(int32_t points, int32_t faces) {
    MeshObject mesh;
    for (int32_t i = 0; i < points; ++i) mesh.vertices[static_cast<size_t>(i)] = {-1.0 - i, 0, 0};
    for (int32_t i = 0; i < faces; ++i) mesh.faces[static_cast<size_t>(i)] = {0, 0, 0};
    mesh.vertexCount = points;
    mesh.faceCount = faces;
    return mesh;
}

TEST(ObjectFiles, ReadReplacesTheObjectAsItStands) {
    MeshObject mesh = meshOfPoints(10, 2);
    const std::string file = ascText(6, true, 100.0);
    EXPECT_EQ(readObjectBytes(mesh, bytesOf(file), ObjectReadReplace), AscOk);
    EXPECT_EQ(mesh.vertexCount, 6);
    EXPECT_EQ(mesh.faceCount, 2);
    EXPECT_EQ(mesh.vertices[0].x, 100.0);  // not recentred
    EXPECT_EQ(mesh.faces[1].a, 3);
}

TEST(ObjectFiles, MergeShiftsFacesPerNamedObjectOnly) {
    const struct {
        bool named;
        int32_t firstCorner;
    } cases[] = {{true, 10}, {false, 0}};
    for (const auto& c : cases) {
        MeshObject mesh = meshOfPoints(10, 1);
        const std::string file = ascText(4, c.named);
        EXPECT_EQ(readObjectBytes(mesh, bytesOf(file), ObjectReadMerge), AscOk);
        EXPECT_EQ(mesh.vertexCount, 14);
        EXPECT_EQ(mesh.faceCount, 2);
        EXPECT_EQ(mesh.vertices[0].x, -1.0);  // the points already there stay
        EXPECT_EQ(mesh.vertices[10].x, 0.0);
        EXPECT_EQ(mesh.faces[1].a, c.firstCorner) << c.named;
        EXPECT_EQ(mesh.faces[1].c, c.firstCorner + 2) << c.named;
    }
}

TEST(ObjectFiles, ASavedObjectMergedIntoItselfDoublesWithFacesOnTheirOwnPoints) {
    test::TestFolder folder;
    MeshObject mesh = meshOfPoints(10, 0);
    for (int32_t i = 0; i < 4; ++i) mesh.faces[static_cast<size_t>(i)] = {i, i + 1, i + 2};
    mesh.faceCount = 4;
    ASSERT_TRUE(saveAsc(mesh, folder / "object.asc"));
    EXPECT_EQ(readObjectFile(mesh, folder / "object.asc", ObjectReadMerge), AscOk);
    EXPECT_EQ(mesh.vertexCount, 20);
    EXPECT_EQ(mesh.faceCount, 8);
    for (int32_t i = 0; i < 4; ++i) {
        EXPECT_EQ(mesh.faces[static_cast<size_t>(4 + i)].a, 10 + i);
        EXPECT_EQ(mesh.faces[static_cast<size_t>(4 + i)].c, 12 + i);
        EXPECT_EQ(mesh.vertices[static_cast<size_t>(10 + i)].x, mesh.vertices[static_cast<size_t>(i)].x);
    }
}

TEST(ObjectFiles, AFileThatCannotBeReadLeavesTheObjectAsItWas) {
    test::TestFolder folder;
    for (const ObjectReadMode mode : {ObjectReadReplace, ObjectReadMerge}) {
        for (const std::filesystem::path& path : {folder / "missing.asc", folder.path()}) {
            MeshObject mesh = meshOfPoints(5, 1);
            Failure failure;
            EXPECT_EQ(readObjectFile(mesh, path, mode, &failure), AscOpenFailed) << path;
            EXPECT_TRUE(failure.failed());
            EXPECT_EQ(mesh.vertexCount, 5);
            EXPECT_EQ(mesh.faceCount, 1);
            EXPECT_EQ(mesh.vertices[4].x, -5.0);
        }
    }
}

TEST(ObjectFiles, AReadPastTheCapacityIsAllOrNothing) {
    // 65530 points present: a 10-point merge does not fit; read alone, the
    // same file does. A file of more faces than the table holds never fits.
    const std::string tenPoints = ascText(10, true);
    std::string tooManyFaces = "Vertex 0:  X: 1 Y: 1 Z: 1\n";
    for (int32_t i = 0; i <= MeshCapacity; ++i) tooManyFaces += "Face 0:    A:0 B:0 C:0\n";
    const struct {
        const char* name;
        int32_t points, faces;
        const std::string& file;
        ObjectReadMode mode;
        AscLoadResult result;
    } cases[] = {
        {"merge past the points", MeshCapacity - 6, 0, tenPoints, ObjectReadMerge, AscTooManyVertices},
        {"merge past the faces", 3, MeshCapacity - 1, tenPoints, ObjectReadMerge, AscTooManyFaces},
        {"read of too many faces", 3, 2, tooManyFaces, ObjectReadReplace, AscTooManyFaces},
        {"read that fits", MeshCapacity - 6, 0, tenPoints, ObjectReadReplace, AscOk},
    };
    for (const auto& c : cases) {
        MeshObject mesh = meshOfPoints(c.points, c.faces);
        EXPECT_EQ(readObjectBytes(mesh, bytesOf(c.file), c.mode), c.result) << c.name;
        if (c.result == AscOk) continue;
        EXPECT_EQ(mesh.vertexCount, c.points) << c.name;
        EXPECT_EQ(mesh.faceCount, c.faces) << c.name;
        EXPECT_EQ(mesh.vertices[static_cast<size_t>(c.points - 1)].x, -double(c.points)) << c.name;
    }
}

// An imported file is merged as an .asc file under a "Named object" line.
TEST(ObjectFiles, AnImportedFileMergesOnItsOwnPointsAndIsAllOrNothing) {
    if (!meshImportAvailable()) GTEST_SKIP() << "built without the importer";
    test::TestFolder folder;
    test::writeText(folder / "quad.OBJ", "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nf 1 2 3 4\n");
    MeshObject mesh = meshOfPoints(5, 1);
    EXPECT_EQ(readObjectFile(mesh, folder / "quad.OBJ", ObjectReadMerge), AscOk);
    EXPECT_EQ(mesh.vertexCount, 9);
    ASSERT_EQ(mesh.faceCount, 3);
    EXPECT_EQ(mesh.faces[2].a, 5);
    EXPECT_EQ(mesh.faces[2].c, 8);
    EXPECT_EQ(mesh.vertices[7].y, 1.0);

    MeshObject full = meshOfPoints(MeshCapacity - 2, 1);
    EXPECT_EQ(readObjectFile(full, folder / "quad.OBJ", ObjectReadMerge), AscTooManyVertices);
    EXPECT_EQ(full.vertexCount, MeshCapacity - 2);
}

TEST(ObjectFiles, EachFailureHasItsMessage) {
    EXPECT_EQ(ascLoadMessage(AscOk), "");
    EXPECT_EQ(ascLoadMessage(AscOpenFailed), "Erreur d'ouverture du fichier objet.");
    EXPECT_EQ(ascLoadMessage(AscTooManyVertices), "Trop de points (>65536) dans l'objet !");
    EXPECT_EQ(ascLoadMessage(AscTooManyFaces), "Trop de faces (>65536) dans l'objet !");
}

}  // namespace
}  // namespace volumix
