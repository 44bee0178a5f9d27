#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "mesh/mesh_object.h"
#include "mesh/mesh_shapes.h"
#include "platform/file_io.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TestFolder;
using test::writeText;

// Reads `text` from an exactly sized heap block, so that AddressSanitizer
// catches any read past the end of the data.
AscLoadResult loadText(MeshObject& mesh, std::string_view text, bool recentre = false) {
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    return loadAscBytes(mesh, bytes, recentre);
}

std::string toCrLf(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

void expectVertex(const MeshObject& mesh, int32_t index, double x, double y, double z) {
    SCOPED_TRACE("vertex " + std::to_string(index));
    ASSERT_LT(index, mesh.vertexCount);
    const MeshVertex& v = mesh.vertices[static_cast<size_t>(index)];
    EXPECT_EQ(v.x, x);
    EXPECT_EQ(v.y, y);
    EXPECT_EQ(v.z, z);
}

void expectFace(const MeshObject& mesh, int32_t index, int32_t a, int32_t b, int32_t c) {
    SCOPED_TRACE("face " + std::to_string(index));
    ASSERT_LT(index, mesh.faceCount);
    const MeshFace& f = mesh.faces[static_cast<size_t>(index)];
    EXPECT_EQ(f.a, a);
    EXPECT_EQ(f.b, b);
    EXPECT_EQ(f.c, c);
}

// Same counts and bitwise-equal contents (NaN compares equal to itself here).
void expectSameMesh(const MeshObject& expected, const MeshObject& actual) {
    ASSERT_EQ(expected.vertexCount, actual.vertexCount);
    ASSERT_EQ(expected.faceCount, actual.faceCount);
    for (size_t i = 0; i < static_cast<size_t>(expected.vertexCount); ++i) {
        const MeshVertex& e = expected.vertices[i];
        const MeshVertex& a = actual.vertices[i];
        ASSERT_TRUE(std::memcmp(&e, &a, sizeof e) == 0) << "vertex " << i;
    }
    for (size_t i = 0; i < static_cast<size_t>(expected.faceCount); ++i) {
        const MeshFace& e = expected.faces[i];
        const MeshFace& a = actual.faces[i];
        ASSERT_TRUE(e.a == a.a && e.b == a.b && e.c == a.c) << "face " << i;
    }
}

// A cube-shaped object of 8 vertices and 2 faces in the usual 3D Studio layout.
std::string namedObject(std::string_view name, double shift) {
    std::string text = "Named object: \"" + std::string(name) + "\"\nTri-mesh, Vertices: 8     Faces: 2\nVertex list:\n";
    for (int i = 0; i < 8; ++i) {
        text += "Vertex " + std::to_string(i) + ":  X: " + std::to_string(shift + (i & 1)) +
                "     Y: " + std::to_string((i >> 1) & 1) + "     Z: " + std::to_string(i >> 2) + "\n";
    }
    text += "Face list:\nFace 0:    A:0 B:1 C:2 AB:1 BC:1 CA:0\nSmoothing:  1\n"
            "Face 1:    A:7 B:6 C:5 AB:1 BC:1 CA:0\nMaterial:\"CHROME GIFMAP\"\n\n";
    return text;
}

// --- Reading lines -------------------------------------------------------

TEST(AscLoad, UsualVertexAndFaceLayout) {
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, "Vertex 0:  X: 1.5     Y: -2.25     Z: 0.0\n"
                             "Face 0:    A:0 B:1 C:2 AB:1 BC:1 CA:1\n"),
              AscOk);
    EXPECT_EQ(mesh.vertexCount, 1);
    EXPECT_EQ(mesh.faceCount, 1);
    expectVertex(mesh, 0, 1.5, -2.25, 0.0);
    expectFace(mesh, 0, 0, 1, 2);
}

TEST(AscLoad, LayoutVariantsOfRealExporters) {
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, "Vertex 0:  X:-0.5 Y:2 Z:1e2\n"    // no space after the colon
                             "Vertex 1: X: 3     Y: 4     Z: 5\n"  // one space only
                             "Vertex 2:  x: 7 y: 8 z: 9\n"          // lower-case labels
                             "Face 0:    a:2 b:1 c:0\n"
                             "Face 1:  A:1   B:2   C:0   \n"
                             "Vertex 3:  X: 63,106438     Y: 0,027357     Z: 38,401054\n"  // decimal commas
                             "Vertex 4:  X: nan Y: -inf Z: Infinity\n"),  // the renderer copes with these
              AscOk);
    expectVertex(mesh, 0, -0.5, 2.0, 100.0);
    // The X at position 10 lies before the scan start: no X is found, and the
    // Y and Z scans then start at the end of the line.
    expectVertex(mesh, 1, 0.0, 0.0, 0.0);
    expectVertex(mesh, 2, 7.0, 8.0, 9.0);
    expectFace(mesh, 0, 2, 1, 0);
    expectFace(mesh, 1, 1, 2, 0);
    expectVertex(mesh, 3, 63.0, 0.0, 38.0);
    EXPECT_TRUE(std::isnan(mesh.vertices[4].x));
    EXPECT_EQ(mesh.vertices[4].y, -std::numeric_limits<double>::infinity());
    EXPECT_EQ(mesh.vertices[4].z, std::numeric_limits<double>::infinity());
}

TEST(AscLoad, PrefixesAreCaseSensitiveAndHeadersIgnored) {
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, "Ambient light color: Red=0.3 Green=0.3 Blue=0.3\n"
                             "Named object: \"Box\"\n"
                             "Tri-mesh, Vertices: 99     Faces: 99\n"
                             "Vertex list:\n"
                             "vertex 0:  X: 1 Y: 1 Z: 1\n"   // lower-case word: ignored
                             " Vertex 0:  X: 1 Y: 1 Z: 1\n"  // indented: ignored
                             "VERTEX 0:  X: 1 Y: 1 Z: 1\n"
                             "Vertex 0:  X: 2 Y: 3 Z: 4\n"
                             "Face list:\n"
                             "face 0:    A:0 B:0 C:0\n"
                             "Face 0:    A:0 B:0 C:0\n"
                             "Page 1\n\f\n"
                             "Direct light\nPosition:  X:1 Y:2 Z:3\n"
                             "Camera (50.000004mm)\nTarget:  X:1 Y:2 Z:3\n"),
              AscOk);
    EXPECT_EQ(mesh.vertexCount, 1);
    EXPECT_EQ(mesh.faceCount, 1);
    expectVertex(mesh, 0, 2.0, 3.0, 4.0);

    // Some exporters write "Named Object"; it does not move the index base.
    ASSERT_EQ(loadText(mesh, "Named Object: \"Capital\"\nFace 0:    A:0 B:0 C:0\n"), AscOk);
    expectFace(mesh, 1, 0, 0, 0);
}

TEST(AscLoad, MissingLabelsAndShortLinesReadZeros) {
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, "Vertex\n"
                             "Vertex 0:\n"
                             "Vertex 0:  X: 5\n"
                             "Vertex 0:  Y: 5 Z: 6\n"  // no X: the later scans start at the end
                             "Vertex 0:  X: 1 Z: 3\n"  // no Y: z is not looked for either
                             "Vertex 0:  X: 1 Y:\n"
                             "Vertex 0:  X: junk Y: 2 Z: 3\n"
                             "Face\n"
                             "Face 0:    B:1 C:2\n"
                             "Face 0:    A:4 B\n"
                             "Vertex 0:  X:"),  // last line without newline, value past the end
              AscOk);
    ASSERT_EQ(mesh.vertexCount, 8);
    ASSERT_EQ(mesh.faceCount, 3);
    expectVertex(mesh, 0, 0.0, 0.0, 0.0);
    expectVertex(mesh, 1, 0.0, 0.0, 0.0);
    expectVertex(mesh, 2, 5.0, 0.0, 0.0);
    expectVertex(mesh, 3, 0.0, 0.0, 0.0);
    expectVertex(mesh, 4, 1.0, 0.0, 0.0);
    expectVertex(mesh, 5, 1.0, 0.0, 0.0);
    expectVertex(mesh, 6, 0.0, 2.0, 3.0);
    expectFace(mesh, 0, 0, 0, 0);
    expectFace(mesh, 1, 0, 0, 0);
    expectFace(mesh, 2, 4, 0, 0);
    expectVertex(mesh, 7, 0.0, 0.0, 0.0);
}

TEST(AscLoad, ShortLineDoesNotSeeTheTailOfALongerOne) {
    // A reader that scanned past the end of the current line would find the
    // previous, longer line's labels still lying in its buffer.
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, "Vertex 0:  X: 1     Y: 2     Z: 3\n"
                             "Vertex 1:  X\n"
                             "Face 0:    A:1 B:2 C:3 AB:1 BC:1 CA:1\n"
                             "Face 1:    A"),
              AscOk);
    expectVertex(mesh, 0, 1.0, 2.0, 3.0);
    expectVertex(mesh, 1, 0.0, 0.0, 0.0);
    expectFace(mesh, 1, 0, 0, 0);
}

TEST(AscLoad, NulEndsTheTextOfItsLine) {
    using namespace std::string_view_literals;
    MeshObject mesh;
    // The NUL hides the rest of its line, but not the next line.
    ASSERT_EQ(loadText(mesh, "Vertex 0:  X: 1\0 Y: 2 Z: 3\n"
                             "Face list\0Vertex 0:  X: 9 Y: 9 Z: 9\n"
                             "Ver\0tex 0:  X: 9 Y: 9 Z: 9\n"
                             "Vertex 1:  X: 4 Y: 5 Z: 6\n"sv),
              AscOk);
    ASSERT_EQ(mesh.vertexCount, 2);
    expectVertex(mesh, 0, 1.0, 0.0, 0.0);
    expectVertex(mesh, 1, 4.0, 5.0, 6.0);
}

// --- Pieces of long lines --------------------------------------------------

TEST(AscLoad, LongLinesAreReadIn199CharacterPieces) {
    // 199 characters of comment, then text that becomes a line of its own.
    const std::string vertexTail = "Vertex 1:  X: 4     Y: 5     Z: 6";
    const std::string faceTail = "Face 0:    A:1 B:2 C:3";
    const std::string commentLine = "Comment" + std::string(192, '.') + vertexTail;
    ASSERT_EQ(commentLine.size(), 199u + vertexTail.size());
    // Three pieces: the third begins at 398 with a face.
    const std::string threePieces = "Page" + std::string(394, '-') + faceTail;

    // A vertex line whose Y label sits at 197: its value starts at 199, past
    // the piece, so y reads 0 and the rest ("7 Z: 3") is ignored.
    const std::string vertexLine = "Vertex 0:  X: 1" + std::string(182, ' ') + "Y: 7 Z: 3";
    ASSERT_EQ(vertexLine.find('Y'), 197u);

    // Exactly 199 characters then the newline: the newline alone makes an
    // empty second piece, and the next line is read whole.
    const std::string exact = "Vertex 2:  X: 8" + std::string(184, ' ');
    ASSERT_EQ(exact.size(), 199u);

    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, commentLine + "\n" + threePieces + "\n" + vertexLine + "\n" + exact + "\n" +
                                 "Vertex 3:  X: 9 Y: 9 Z: 9\n"),
              AscOk);
    ASSERT_EQ(mesh.vertexCount, 4);
    ASSERT_EQ(mesh.faceCount, 1);
    expectVertex(mesh, 0, 4.0, 5.0, 6.0);
    expectFace(mesh, 0, 1, 2, 3);
    expectVertex(mesh, 1, 1.0, 0.0, 0.0);
    expectVertex(mesh, 2, 8.0, 0.0, 0.0);
    expectVertex(mesh, 3, 9.0, 9.0, 9.0);
}

TEST(AscLoad, CrLfReadsExactlyLikeLf) {
    // Long lines included, so piece boundaries have to fall at the same place.
    std::string text = namedObject("A", 0.0) + namedObject("B", 10.0);
    text += "Comment" + std::string(192, '.') + "Vertex 99:  X: 4 Y: 5 Z: 6\n";
    text += "Vertex 100:  X: 1" + std::string(180, ' ') + "Y: 7 Z: 3\n";
    text += std::string(198, '#') + "\nVertex 101: X: 2 Y: 3 Z: 4\n";
    text += "Vertex 102:  X: 1\r Y: 2\rZ: 3\n";  // a lone CR is ordinary text
    MeshObject lf;
    MeshObject crLf;
    ASSERT_EQ(loadText(lf, text), AscOk);
    ASSERT_EQ(loadText(crLf, toCrLf(text)), AscOk);
    EXPECT_EQ(lf.vertexCount, 20);
    expectSameMesh(lf, crLf);
}

// --- Objects, merging, recentring -------------------------------------------

TEST(AscLoad, EachNamedObjectOffsetsItsFaceIndices) {
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, namedObject("First", 0.0) + namedObject("Second", 5.0)), AscOk);
    EXPECT_EQ(mesh.vertexCount, 16);
    EXPECT_EQ(mesh.faceCount, 4);
    expectFace(mesh, 0, 0, 1, 2);
    expectFace(mesh, 1, 7, 6, 5);
    expectFace(mesh, 2, 8, 9, 10);
    expectFace(mesh, 3, 15, 14, 13);
    expectVertex(mesh, 9, 6.0, 0.0, 0.0);
}

TEST(AscLoad, MergeAppendsAfterTheVerticesInMemory) {
    const std::string body = "Vertex list:\n"
                             "Vertex 0:  X: 1 Y: 0 Z: 0\nVertex 1:  X: 2 Y: 0 Z: 0\n"
                             "Vertex 2:  X: 3 Y: 0 Z: 0\nVertex 3:  X: 4 Y: 0 Z: 0\n"
                             "Face list:\nFace 0:    A:0 B:1 C:2\nFace 1:    A:3 B:2 C:1\n";
    MeshObject named;
    makeTorus(named, 2.0, 1.0, 3, 3);  // 9 vertices, 18 faces
    named.vertexCount = 10;
    MeshObject anonymous = named;

    ASSERT_EQ(loadText(named, "Named object: \"Merged\"\n" + body), AscOk);
    EXPECT_EQ(named.vertexCount, 14);
    EXPECT_EQ(named.faceCount, 20);
    expectVertex(named, 10, 1.0, 0.0, 0.0);
    expectVertex(named, 13, 4.0, 0.0, 0.0);
    expectFace(named, 18, 10, 11, 12);
    expectFace(named, 19, 13, 12, 11);

    // Without a "Named object" line the base stays 0.
    ASSERT_EQ(loadText(anonymous, body), AscOk);
    expectFace(anonymous, 18, 0, 1, 2);
    expectFace(anonymous, 19, 3, 2, 1);
}

TEST(AscLoad, FaceIndicesAreKeptAsReadAndSaturate) {
    MeshObject mesh;
    mesh.vertexCount = 10;
    ASSERT_EQ(loadText(mesh, "Named object: \"Odd\"\n"
                             "Face 0:    A:-5 B:70000 C:2147483647\n"
                             "Face 1:    A:-2147483648 B:99999999999 C:-99999999999\n"),
              AscOk);
    expectFace(mesh, 0, 5, 70010, std::numeric_limits<int32_t>::max());
    expectFace(mesh, 1, std::numeric_limits<int32_t>::min() + 10, std::numeric_limits<int32_t>::max(),
               std::numeric_limits<int32_t>::min() + 10);
}

TEST(AscLoad, RecentreMovesTheBoxCentreToTheOrigin) {
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, "Vertex 0:  X: -1 Y: 0 Z: 4\nVertex 1:  X: 3 Y: 2 Z: 6\n", true), AscOk);
    expectVertex(mesh, 0, -2.0, -1.0, -1.0);
    expectVertex(mesh, 1, 2.0, 1.0, 1.0);

    // Vertices already in memory take part and move too.
    MeshObject merged;
    merged.vertices[0] = {-1.0, 0.0, 4.0};
    merged.vertexCount = 1;
    ASSERT_EQ(loadText(merged, "Vertex 0:  X: 3 Y: 2 Z: 6\n", true), AscOk);
    expectVertex(merged, 0, -2.0, -1.0, -1.0);
    expectVertex(merged, 1, 2.0, 1.0, 1.0);
}

TEST(AscLoad, RecentreCentresFarOutObjectsAndSkipsInfinitePoints) {
    // All beyond a million: the object's own box is centred, not one that
    // reaches to a million. A point at infinity stays there and moves no other.
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh,
                       "Vertex 0:  X: 2000000 Y: -3000000 Z: 7\n"
                       "Vertex 1:  X: 2000010 Y: -3000004 Z: 7\n"
                       "Vertex 2:  X: inf Y: -3000002 Z: 7\n",
                       true),
              AscOk);
    expectVertex(mesh, 0, -5.0, 2.0, 0.0);
    expectVertex(mesh, 1, 5.0, -2.0, 0.0);
    EXPECT_EQ(mesh.vertices[2].x, std::numeric_limits<double>::infinity());
    EXPECT_EQ(mesh.vertices[2].y, 0.0);
}

// --- Table limits ------------------------------------------------------------

std::string vertexLines(int32_t count) {
    std::string text = "Named object: \"Big\"\nVertex list:\n";
    text.reserve(static_cast<size_t>(count) * 40);
    for (int32_t i = 0; i < count; ++i) {
        text += "Vertex " + std::to_string(i) + ":  X: " + std::to_string(i % 1000) + " Y: 1 Z: 2\n";
    }
    return text;
}

std::string faceLines(int32_t count) {
    std::string text = "Face list:\n";
    text.reserve(static_cast<size_t>(count) * 40);
    for (int32_t i = 0; i < count; ++i) {
        text += "Face " + std::to_string(i) + ":    A:" + std::to_string(i % 7) + " B:1 C:2 AB:1 BC:1 CA:1\n";
    }
    return text;
}

TEST(AscLoad, FullTablesLoadCompletely) {
    MeshObject mesh;
    ASSERT_EQ(loadText(mesh, vertexLines(MeshCapacity) + faceLines(MeshCapacity) + "Smoothing: 1\n", true), AscOk);
    EXPECT_EQ(mesh.vertexCount, MeshCapacity);
    EXPECT_EQ(mesh.faceCount, MeshCapacity);
    expectVertex(mesh, MeshCapacity - 1, 535.0 - 499.5, 0.0, 0.0);  // recentred: 65535 % 1000 = 535
    expectFace(mesh, MeshCapacity - 1, 65535 % 7, 1, 2);
}

TEST(AscLoad, AnyVertexLineBeyondTheTableFails) {
    const std::string full = vertexLines(MeshCapacity);
    for (const std::string& extra : {std::string("Vertex list:\n"), std::string("Vertex 65536:  X: 1 Y: 1 Z: 1\n"),
                                     faceLines(3) + "Vertex\n"}) {
        SCOPED_TRACE(extra.substr(0, 12));
        MeshObject mesh;
        // Recentring would move x; a refused load must leave the values as read.
        EXPECT_EQ(loadText(mesh, full + extra + "Face 9:    A:1 B:2 C:3\n", true), AscTooManyVertices);
        EXPECT_EQ(mesh.vertexCount, MeshCapacity);
        expectVertex(mesh, 1, 1.0, 1.0, 2.0);
    }
    MeshObject facesRead;
    loadText(facesRead, full + faceLines(3) + "Vertex\nFace 9:    A:1 B:2 C:3\n");
    EXPECT_EQ(facesRead.faceCount, 3);  // read up to the refused line, not after it
}

TEST(AscLoad, AnyFaceLineBeyondTheTableFails) {
    const std::string full = "Vertex 0:  X: 1 Y: 1 Z: 1\n" + faceLines(MeshCapacity);
    for (const char* extra : {"Face list:\n", "Face 65536:    A:1 B:2 C:3\n"}) {
        SCOPED_TRACE(extra);
        MeshObject mesh;
        EXPECT_EQ(loadText(mesh, full + extra + "Vertex 1:  X: 2 Y: 2 Z: 2\n", true), AscTooManyFaces);
        EXPECT_EQ(mesh.faceCount, MeshCapacity);
        EXPECT_EQ(mesh.vertexCount, 1);
        expectVertex(mesh, 0, 1.0, 1.0, 1.0);
    }
}

// --- Files -------------------------------------------------------------------

TEST(AscFileTest, LoadsFromAFile) {
    const TestFolder directory;
    writeText(directory / "box.asc", toCrLf(namedObject("Box", 1.0)));
    MeshObject mesh;
    ASSERT_EQ(loadAsc(mesh, directory / "box.asc", true), AscOk);
    EXPECT_EQ(mesh.vertexCount, 8);
    EXPECT_EQ(mesh.faceCount, 2);
    expectVertex(mesh, 7, 0.5, 0.5, 0.5);
}

TEST(AscFileTest, OpenFailureLeavesTheMeshUnchanged) {
    const TestFolder directory;
    MeshObject mesh;
    makeCube(mesh, 1.0);
    const MeshObject before = mesh;
    EXPECT_EQ(loadAsc(mesh, directory / "missing.asc", true), AscOpenFailed);
    expectSameMesh(before, mesh);
    EXPECT_EQ(loadAsc(mesh, directory.path(), true), AscOpenFailed);
    expectSameMesh(before, mesh);
    EXPECT_EQ(loadAsc(mesh, fs::path(), true), AscOpenFailed);
    expectSameMesh(before, mesh);
}

TEST(AscFileTest, SaveOneVertexWritesExactBytes) {
    const TestFolder directory;
    MeshObject mesh;
    mesh.vertices[0] = {1.0, 2.0, 3.0};
    mesh.vertexCount = 1;
    mesh.faces[0] = {7, 7, 7};  // stale, past the count
    ASSERT_TRUE(saveAsc(mesh, directory / "one.asc"));
    EXPECT_EQ(readText(directory / "one.asc"),
              "Named object : \"Objet g\xE9n\xE9r\xE9 avec Volumix\"\r\n"
              "Tri-mesh, Vertices:1      Faces:0\r\n"
              "Vertex list:\r\n"
              "Vertex 0:  X:1.0000       Y:2.0000       Z:3.0000      \r\n"
              "\r\n"
              "Face list:\r\n");
}

TEST(AscFileTest, SaveFormatsFieldsLikePrintfInTheCLocale) {
    // The C library's printf, with the test process in the "C" locale, is the
    // reference; the writer itself must not use it.
    const TestFolder directory;
    constexpr double inf = std::numeric_limits<double>::infinity();
    MeshObject mesh;
    std::mt19937_64 random(20240611);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    std::uniform_int_distribution<int> power(-12, 40);
    std::uniform_int_distribution<int32_t> index(std::numeric_limits<int32_t>::min(), 200000);
    constexpr int32_t count = 3000;
    for (size_t i = 0; i < count; ++i) {
        mesh.vertices[i] = {unit(random) * std::pow(10.0, power(random)), unit(random) * std::pow(2.0, power(random)),
                            std::round(unit(random) * 1e6) / 64.0};  // many exact ties at the 5th decimal
        mesh.faces[i] = {index(random) % 100, index(random), index(random)};
    }
    mesh.vertices[0] = {inf, -inf, std::numeric_limits<double>::max()};
    mesh.vertices[1] = {std::numeric_limits<double>::quiet_NaN(), -0.0, std::numeric_limits<double>::denorm_min()};
    mesh.vertices[2] = {-0.00001, 0.03125, 0.09375};  // "-0.0000", ties to even: "0.0312", "0.0938"
    mesh.faces[0] = {-1, 123456, std::numeric_limits<int32_t>::min()};
    mesh.vertexCount = count;
    mesh.faceCount = count;
    ASSERT_TRUE(saveAsc(mesh, directory / "fields.asc"));

    std::string expected = "Named object : \"Objet g\xE9n\xE9r\xE9 avec Volumix\"\r\n"
                           "Tri-mesh, Vertices:3000   Faces:3000\r\nVertex list:\r\n";
    std::vector<char> line(1024);
    for (size_t i = 0; i < count; ++i) {
        const MeshVertex& v = mesh.vertices[i];
        std::snprintf(line.data(), line.size(), "Vertex %zu:  X:%-12.4f Y:%-12.4f Z:%-12.4f\r\n", i, v.x, v.y, v.z);
        expected += line.data();
    }
    expected += "\r\nFace list:\r\n";
    for (size_t i = 0; i < count; ++i) {
        const MeshFace& f = mesh.faces[i];
        std::snprintf(line.data(), line.size(), "Face %zu:  A:%-5d B:%-5d C:%-5d\r\n", i, f.a, f.b, f.c);
        expected += line.data();
    }
    const std::string written = readText(directory / "fields.asc");
    EXPECT_NE(written.find("Vertex 2:  X:-0.0000      Y:0.0312       Z:0.0938      \r\n"), std::string::npos);
    EXPECT_EQ(written, expected);
}

TEST(AscFileTest, SaveThenLoadGivesTheMeshBack) {
    const TestFolder directory;
    MeshObject saved;
    ASSERT_TRUE(makeTorus(saved, 40.0, 12.5, 32, 16));
    saved.faces[5] = {-3, 70000, 1};  // out of range, kept as is
    ASSERT_TRUE(saveAsc(saved, directory / "torus.asc"));
    MeshObject loaded;
    ASSERT_EQ(loadAsc(loaded, directory / "torus.asc", false), AscOk);
    ASSERT_EQ(loaded.vertexCount, saved.vertexCount);
    ASSERT_EQ(loaded.faceCount, saved.faceCount);
    for (size_t i = 0; i < static_cast<size_t>(saved.vertexCount); ++i) {
        EXPECT_NEAR(loaded.vertices[i].x, saved.vertices[i].x, 0.00005) << i;
        EXPECT_NEAR(loaded.vertices[i].y, saved.vertices[i].y, 0.00005) << i;
        EXPECT_NEAR(loaded.vertices[i].z, saved.vertices[i].z, 0.00005) << i;
    }
    for (int32_t i = 0; i < saved.faceCount; ++i) {
        const MeshFace& f = saved.faces[static_cast<size_t>(i)];
        expectFace(loaded, i, f.a, f.b, f.c);
    }
    // Loaded values are already rounded: saving them again changes nothing.
    ASSERT_TRUE(saveAsc(loaded, directory / "again.asc"));
    EXPECT_EQ(readText(directory / "again.asc"), readText(directory / "torus.asc"));
}

TEST(AscFileTest, FullTablesSaveAndLoadBack) {
    const TestFolder directory;
    MeshObject mesh;
    ASSERT_TRUE(makeTorus(mesh, 100.0, 30.0, 256, 128));
    mesh.vertexCount = MeshCapacity;  // the other half keeps default zeros
    ASSERT_TRUE(saveAsc(mesh, directory / "full.asc"));
    MeshObject loaded;
    ASSERT_EQ(loadAsc(loaded, directory / "full.asc", false), AscOk);
    EXPECT_EQ(loaded.vertexCount, MeshCapacity);
    EXPECT_EQ(loaded.faceCount, MeshCapacity);
}

TEST(AscFileTest, FailedSaveKeepsWhatWasThere) {
    const TestFolder directory;
    MeshObject mesh;
    makeCube(mesh, 1.0);
    EXPECT_FALSE(saveAsc(mesh, directory / "no such folder" / "cube.asc"));
    EXPECT_FALSE(fs::exists(directory / "no such folder"));

    // The target is an existing folder: it cannot be replaced by a file.
    const fs::path folder = directory / "taken.asc";
    fs::create_directory(folder);
    writeText(folder / "inside.txt", "keep me");
    EXPECT_FALSE(saveAsc(mesh, folder));
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_EQ(readText(folder / "inside.txt"), "keep me");
    // Nothing is left lying around beside it.
    size_t entries = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(directory.path())) ++entries;
    EXPECT_EQ(entries, 1u);

    EXPECT_FALSE(saveAsc(mesh, fs::path()));
}

// --- Real exports ------------------------------------------------------------

TEST(AscRealFiles, CountsMatchTheirTriMeshLines) {
    const fs::path folder = fs::path(VOLUMIX_REALDATA_DIR) / "asc";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no sample folder at " << folder;
    int files = 0;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        const auto bytes = readFileBytes(entry.path());
        ASSERT_TRUE(bytes.has_value());
        const std::string text(bytes->begin(), bytes->end());

        // Expected totals from the file's own announcements.
        int32_t vertices = 0;
        int32_t faces = 0;
        for (size_t at = text.find("Tri-mesh"); at != std::string::npos; at = text.find("Tri-mesh", at + 1)) {
            int v = 0;
            int f = 0;
            ASSERT_EQ(std::sscanf(text.c_str() + at, "Tri-mesh, Vertices: %d Faces: %d", &v, &f), 2);
            vertices += v;
            faces += f;
        }

        MeshObject mesh;
        ASSERT_EQ(loadAsc(mesh, entry.path(), false), AscOk);
        EXPECT_EQ(mesh.vertexCount, vertices);
        EXPECT_EQ(mesh.faceCount, faces);
        EXPECT_GT(mesh.faceCount, 0);
        for (int32_t i = 0; i < mesh.faceCount; ++i) {
            ASSERT_TRUE(mesh.faceIsValid(mesh.faces[static_cast<size_t>(i)])) << "face " << i;
        }

        // The same file with LF endings reads the same.
        std::string lf;
        for (size_t i = 0; i < text.size(); ++i) {
            if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
        }
        MeshObject fromLf;
        ASSERT_EQ(loadText(fromLf, lf), AscOk);
        expectSameMesh(mesh, fromLf);
    }
    EXPECT_GT(files, 0);
}

TEST(AscRealFiles, KnownValues) {
    const fs::path folder = fs::path(VOLUMIX_REALDATA_DIR) / "asc";
    if (!fs::is_directory(folder)) GTEST_SKIP() << "no sample folder at " << folder;

    // Three objects of 7, 3 and 3 vertices: the second's face is moved by 7.
    MeshObject testi;
    ASSERT_EQ(loadAsc(testi, folder / "secondreality_TESTI.ASC", false), AscOk);
    expectVertex(testi, 0, -229.382202, -272.040527, -177.357361);
    expectFace(testi, 6, 3, 4, 0);
    expectFace(testi, 7, 8, 7, 9);
    expectFace(testi, 8, 11, 10, 12);

    // Decimal commas read as their integer part, as atof reads them. This
    // export puts one space after "Vertex n:", so for n < 10 the X stands at
    // position 10, before the scan start, and those vertices read as zeros.
    MeshObject luna;
    ASSERT_EQ(loadAsc(luna, folder / "luna_nudobult.asc", false), AscOk);
    expectVertex(luna, 0, 0.0, 0.0, 0.0);
    expectVertex(luna, 10, 55.0, 6.0, 37.0);
}

}  // namespace
}  // namespace volumix
