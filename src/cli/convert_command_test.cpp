// End-to-end tests of `volumix convert` and of imported objects given to
// `volumix generate`: the built program is run.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "mesh/mesh_import.h"
#include "testing/cli_runner.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using test::readText;
using test::TestFolder;
using test::writeText;

using Outcome = test::CliOutcome;

class ConvertCommand : public ::testing::Test {
protected:
    Outcome run(const std::string& arguments) { return test::runCli(folder_.path(), arguments); }

    std::string file(const std::string& name, const std::string& text) {
        writeText(folder_ / name, text);
        return (folder_ / name).string();
    }

    std::string path(const std::string& name) const { return (folder_ / name).string(); }

    TestFolder folder_;
};

// A planar, convex quad: cut along its 1-3 diagonal.
const char* const QuadObj = "v 0 0 0\nv 2.5 0 0\nv 2.5 1.25 -3\nv 0 1.25 -3\nf 1 2 3 4\n";

TEST_F(ConvertCommand, WritesWhatOurReaderReadsBackAndAnAscFileUnchanged) {
    if (!meshImportAvailable()) GTEST_SKIP() << "built without the importer";
    const std::string stl =
        "solid s\nfacet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
        "facet normal 0 0 1\nouter loop\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\nendfacet\nendsolid s\n";
    const struct {
        std::string name, text;
        MeshVertex lastPoint;
        MeshFace lastFace;
        int32_t points, faces;
    } cases[] = {
        {"quad.obj", QuadObj, {0.0, 1.25, -3.0}, {0, 2, 3}, 4, 2},
        {"pair.STL", stl, {1.0, 1.0, 0.0}, {1, 3, 2}, 4, 2},
    };
    for (const auto& c : cases) {
        const std::string out = path(c.name + ".asc");
        const Outcome outcome = run("convert '" + file(c.name, c.text) + "' '" + out + "'");
        ASSERT_EQ(outcome.status, 0) << c.name << outcome.err;
        EXPECT_EQ(outcome.outText, out + ": " + std::to_string(c.points) + " points, " + std::to_string(c.faces) +
                                   " faces\n");
        const auto mesh = std::make_unique<MeshObject>();
        ASSERT_EQ(loadAsc(*mesh, out, false), AscOk);
        ASSERT_EQ(mesh->vertexCount, c.points) << c.name;
        ASSERT_EQ(mesh->faceCount, c.faces) << c.name;
        const MeshVertex& last = mesh->vertices[static_cast<size_t>(c.points - 1)];
        EXPECT_EQ(last.x, c.lastPoint.x) << c.name;
        EXPECT_EQ(last.y, c.lastPoint.y) << c.name;
        EXPECT_EQ(last.z, c.lastPoint.z) << c.name;
        const MeshFace& face = mesh->faces[static_cast<size_t>(c.faces - 1)];
        EXPECT_EQ(face.a, c.lastFace.a) << c.name;
        EXPECT_EQ(face.b, c.lastFace.b) << c.name;
        EXPECT_EQ(face.c, c.lastFace.c) << c.name;

        // Converted once more, the .asc file comes out byte for byte.
        ASSERT_EQ(run("convert '" + out + "' '" + path("again.ASC") + "'").status, 0);
        EXPECT_EQ(readText(path("again.ASC")), readText(out)) << c.name;
    }
}

TEST_F(ConvertCommand, RefusesWithTheReasonAndWritesNothing) {
    // Triangles of three new points each, 65,538 points in all.
    std::string tooMany;
    for (int32_t i = 0; i < MeshCapacity + 2; ++i) tooMany += "v " + std::to_string(i) + " 0 0\n";
    for (int32_t i = 1; i < MeshCapacity + 2; i += 3)
        tooMany += "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
    const struct {
        std::string arguments;
        int status;
        std::string error;  // what stderr must hold
        bool needsImporter;
    } cases[] = {
        {"'" + file("quad.obj", QuadObj) + "' '" + path("out.obj") + "'", 2,
         "error: the output must be an .asc file (got " + path("out.obj") + ")\n", false},
        {"'" + path("quad.obj") + "'", 2, "error: ", false},
        {"'" + path("missing.asc") + "' '" + path("out.asc") + "'", 1,
         "error: cannot read " + path("missing.asc") + ": No such file or directory\n", false},
        {"'" + file("empty.asc", "nothing here\n") + "' '" + path("out.asc") + "'", 1,
         "error: cannot read " + path("empty.asc") + ": holds no mesh (0 points, 0 faces)\n", false},
        {"'" + file("noise.stl", "\x01\x02 not a mesh") + "' '" + path("out.asc") + "'", 1,
         "error: cannot read " + path("noise.stl") + ": ", false},
        {"'" + file("many.obj", tooMany) + "' '" + path("out.asc") + "'", 1,
         "error: cannot read " + path("many.obj") + ": more than 65536 points\n", true},
    };
    for (const auto& c : cases) {
        if (c.needsImporter && !meshImportAvailable()) continue;
        const Outcome outcome = run("convert " + c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.arguments;
        EXPECT_EQ(outcome.err.substr(0, c.error.size()), c.error) << c.arguments;
        EXPECT_EQ(outcome.outText, "") << c.arguments;
        EXPECT_FALSE(fs::exists(path("out.asc")) || fs::exists(path("out.obj"))) << c.arguments;
    }
}

// An imported object runs as its .asc conversion does: the same frames, byte
// for byte (the coordinates need no more than the four decimals .asc keeps).
TEST_F(ConvertCommand, GenerateRunsAnImportedObjectAsItsConversion) {
    if (!meshImportAvailable()) GTEST_SKIP() << "built without the importer";
    std::string obj = "o first\n";
    for (int i = 0; i < 8; ++i)
        obj += "v " + std::to_string((i & 1) * 60 - 30) + " " + std::to_string((i >> 1 & 1) * 40 - 20) + " " +
               std::to_string((i >> 2) * 50 - 25) + "\n";
    obj += "f 1 2 4 3\nf 5 7 8 6\nf 1 5 6 2\nf 3 4 8 7\no second\nv 0 0 45.5\nf 1 2 9\n";
    const std::string input = file("box.obj", obj);
    ASSERT_EQ(run("convert '" + input + "' '" + path("box.asc") + "'").status, 0);
    // The same output name in two folders: the name is in the files' headers.
    fs::create_directory(folder_ / "imported");
    fs::create_directory(folder_ / "converted");
    const std::string options = " --frames 6 --render filled-faces --recentre --start 160,100,20000,20000,30,0,0 "
                                "--increment 0,0,0,0,7,11,0 --scr --compress -o '";
    const Outcome imported = run("generate '" + input + "'" + options + path("imported/box") + "'");
    const Outcome converted = run("generate '" + path("box.asc") + "'" + options + path("converted/box") + "'");
    ASSERT_EQ(imported.status, 0) << imported.err;
    ASSERT_EQ(converted.status, 0) << converted.err;
    EXPECT_EQ(imported.outText, converted.outText);
    for (const char* name : {"box", "box.idx", "box000.SCR", "box003.SCR"})
        EXPECT_TRUE(readText(path(std::string("imported/") + name)) == readText(path(std::string("converted/") + name)))
            << name;
}

}  // namespace
}  // namespace volumix
