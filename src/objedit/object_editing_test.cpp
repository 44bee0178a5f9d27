#include "objedit/object_editing.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

namespace volumix {
namespace {

MeshObject meshOf(int32_t points, const std::vector<MeshFace>& faces) {
    MeshObject mesh;
    for (int32_t i = 0; i < points; ++i) mesh.vertices[static_cast<size_t>(i)] = {double(i), 10.0 * i, 100.0 * i};
    mesh.vertexCount = points;
    for (const MeshFace& f : faces) mesh.faces[static_cast<size_t>(mesh.faceCount++)] = f;
    return mesh;
}

using Corners = std::array<int32_t, 3>;

std::vector<Corners> facesOf(const MeshObject& mesh) {
    std::vector<Corners> corners;
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[static_cast<size_t>(i)];
        corners.push_back({f.a, f.b, f.c});
    }
    return corners;
}

TEST(ObjectEditorLines, PointAndFaceLinesFollowTheirFormats) {
    EXPECT_EQ(pointListLine(0, {1.5, -2.25, 0.0}), "Point     0 : X=1.5000       Y=-2.2500      Z=0.0000      ");
    EXPECT_EQ(pointListLine(65535, {-1234567.0, 0.00004, 0.00005}),
              "Point 65535 : X=-1234567.0000 Y=0.0000       Z=0.0001      ");
    EXPECT_EQ(faceListLine(3, {0, 1, 2}), "Face     3 : A=0     B=1     C=2    ");
    EXPECT_EQ(faceListLine(123456, {65535, -1, 2147483647}), "Face 123456 : A=65535 B=-1    C=2147483647");
}

TEST(ObjectEditorLines, LinesGrowWithTheirValuesWhateverTheSize) {
    // A coordinate of 31 digits before the point is written whole.
    const std::string line = pointListLine(1, {1e30, 0, 0});
    EXPECT_EQ(line, "Point     1 : X=1000000000000000019884624838656.0000 Y=0.0000       Z=0.0000      ");
    const std::string widest = pointListLine(1, {-std::numeric_limits<double>::max(), 0, 0});
    EXPECT_EQ(widest.size(), std::string("Point     1 : X=").size() + 1 + 309 + 5 + 30);
    // Values read from a file as infinite or NaN print as printf prints them.
    EXPECT_EQ(pointListLine(2, {INFINITY, -INFINITY, NAN}),
              "Point     2 : X=inf          Y=-inf         Z=nan         ");
}

TEST(ObjectEditorLines, CoordinateBoxesShowSixDecimals) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{1.5, "1.500000"}, {-0.25, "-0.250000"}, {0.0, "0.000000"}, {1e20, "100000000000000000000.000000"},
                 {1.0 / 3.0, "0.333333"}};
    for (const auto& c : cases) EXPECT_EQ(coordinateBoxText(c.value), c.text);
}

TEST(ObjectEditorPoints, AddAppendsTheTypedPointAndSelectsIt) {
    MeshObject mesh = meshOf(2, {});
    EditorSelection selection{-1, 4};
    EXPECT_EQ(addPoint(mesh, selection, {" 1.5", "-2e1", "3,7"}), EditApplied);
    EXPECT_EQ(mesh.vertexCount, 3);
    EXPECT_EQ(selection.point, 2);
    EXPECT_EQ(selection.face, 4);  // the face selection is not this command's
    EXPECT_EQ(mesh.vertices[2].x, 1.5);
    EXPECT_EQ(mesh.vertices[2].y, -20.0);
    EXPECT_EQ(mesh.vertices[2].z, 3.0);  // a decimal comma ends the number
    EXPECT_EQ(addPoint(mesh, selection, {"", "x", "  "}), EditApplied);
    EXPECT_EQ(mesh.vertices[3].x, 0.0);
}

TEST(ObjectEditorPoints, NonFiniteCoordinatesAreRefused) {
    for (const char* text : {"inf", "-Infinity", "nan", "NAN(0x1)", "1e999", "-1e309"}) {
        for (int box = 0; box < 3; ++box) {
            std::string texts[3] = {"1", "2", "3"};
            texts[box] = text;
            MeshObject mesh = meshOf(2, {});
            EditorSelection selection{0, -1};
            EXPECT_EQ(addPoint(mesh, selection, {texts[0], texts[1], texts[2]}), EditNotFinite) << text;
            EXPECT_EQ(editPoint(mesh, selection, {texts[0], texts[1], texts[2]}), EditNotFinite) << text;
            EXPECT_EQ(mesh.vertexCount, 2);
            EXPECT_EQ(selection.point, 0);
            EXPECT_EQ(mesh.vertices[0].x, 0.0);
            EXPECT_EQ(mesh.vertices[0].y, 0.0);
        }
    }
    // Large but finite is taken.
    MeshObject mesh = meshOf(0, {});
    EditorSelection selection;
    EXPECT_EQ(addPoint(mesh, selection, {"1e308", "-1e308", "4.9e-324"}), EditApplied);
}

TEST(ObjectEditorPoints, NoPointPastTheCapacityIsStored) {
    MeshObject mesh = meshOf(MeshCapacity, {});
    EditorSelection selection{5, -1};
    EXPECT_EQ(addPoint(mesh, selection, {"1", "1", "1"}), EditTooManyPoints);
    EXPECT_EQ(mesh.vertexCount, MeshCapacity);
    EXPECT_EQ(selection.point, 5);
}

TEST(ObjectEditorPoints, EditReplacesTheSelectedPointOnly) {
    MeshObject mesh = meshOf(3, {});
    EditorSelection none;
    EXPECT_EQ(editPoint(mesh, none, {"9", "9", "9"}), EditNoSelection);
    EditorSelection selection{1, -1};
    EXPECT_EQ(editPoint(mesh, selection, {"7.25", "8", "-9"}), EditApplied);
    EXPECT_EQ(mesh.vertices[1].x, 7.25);
    EXPECT_EQ(mesh.vertices[1].z, -9.0);
    EXPECT_EQ(mesh.vertices[2].x, 2.0);
    EXPECT_EQ(mesh.vertexCount, 3);
}

TEST(ObjectEditorPoints, DeleteRemovesTheFacesUsingItAndRenumbersTheRest) {
    const struct {
        const char* name;
        int32_t points;
        std::vector<MeshFace> faces;
        EditorSelection selection;
        bool used;
        std::vector<Corners> after;
        EditorSelection selectionAfter;
        bool removed, renumbered;
    } cases[] = {
        {"two consecutive faces use it", 4, {{0, 1, 2}, {1, 2, 3}}, {2, -1}, true, {}, {2, -1}, true, false},
        {"used and unused faces", 5, {{0, 1, 4}, {3, 4, 0}, {0, 2, 1}}, {2, -1}, true,
         {{0, 1, 3}, {2, 3, 0}}, {2, -1}, true, true},
        {"no face uses it", 4, {{0, 1, 3}}, {2, 0}, false, {{0, 1, 2}}, {2, 0}, false, true},
        {"no face moves", 4, {{0, 1, 2}}, {3, 0}, false, {{0, 1, 2}}, {-1, 0}, false, false},
        // Corners that named no point keep their numbers; the others follow.
        {"out-of-range corners", 4, {{3, 9, -1}, {0, 4, 2}}, {1, -1}, false, {{2, 9, -1}, {0, 4, 1}}, {1, -1}, false,
         true},
        {"the last point", 3, {{0, 1, 2}}, {2, 0}, true, {}, {-1, -1}, true, false},
        {"the only point", 1, {}, {0, -1}, false, {}, {-1, -1}, false, false},
    };
    for (const auto& c : cases) {
        MeshObject mesh = meshOf(c.points, c.faces);
        EditorSelection selection = c.selection;
        EXPECT_EQ(pointIsUsed(mesh, selection.point), c.used) << c.name;
        const PointDeletion done = deletePoint(mesh, selection);
        EXPECT_TRUE(done.deleted) << c.name;
        EXPECT_EQ(done.facesRemoved, c.removed) << c.name;
        EXPECT_EQ(done.facesRenumbered, c.renumbered) << c.name;
        EXPECT_EQ(mesh.vertexCount, c.points - 1) << c.name;
        EXPECT_EQ(facesOf(mesh), c.after) << c.name;
        EXPECT_EQ(selection.point, c.selectionAfter.point) << c.name;
        EXPECT_EQ(selection.face, c.selectionAfter.face) << c.name;
    }
}

TEST(ObjectEditorPoints, DeletedPointsCloseUpAndFacesStillNameTheSamePoints) {
    MeshObject mesh = meshOf(6, {{0, 5, 3}, {4, 1, 2}});
    const MeshObject before = mesh;
    EditorSelection selection{2, -1};
    deletePoint(mesh, selection);
    ASSERT_EQ(mesh.faceCount, 1);
    // Point k > 2 is now k - 1, with its coordinates.
    for (int32_t k = 3; k < 6; ++k) EXPECT_EQ(mesh.vertices[k - 1].y, before.vertices[k].y);
    const MeshFace& face = mesh.faces[0];
    EXPECT_EQ(mesh.vertices[face.b].x, 5.0);
    EXPECT_EQ(mesh.vertices[face.c].x, 3.0);
    EXPECT_TRUE(mesh.faceIsValid(face));

    EditorSelection none;
    EXPECT_FALSE(deletePoint(mesh, none).deleted);
    EXPECT_EQ(mesh.vertexCount, 5);
}

TEST(ObjectEditorFaces, AddRefusesCornersThatNameNoPoint) {
    const struct {
        int32_t points;
        const char *a, *b, *c;
        EditOutcome outcome;
    } cases[] = {
        {5, "5", "0", "1", EditBadIndex},  {6, "5", "0", "1", EditApplied},
        {5, "0", "1", "-1", EditBadIndex}, {5, "0", "99999999999", "1", EditBadIndex},
        {5, "", "", "", EditApplied},      {0, "0", "0", "0", EditBadIndex},
        {3, "2", "2", "2", EditApplied},  // a face may repeat a point
    };
    for (const auto& c : cases) {
        MeshObject mesh = meshOf(c.points, {{0, 0, 0}});
        EditorSelection selection{1, -1};
        EXPECT_EQ(addFace(mesh, selection, {c.a, c.b, c.c}), c.outcome) << c.a << ' ' << c.b << ' ' << c.c;
        const bool added = c.outcome == EditApplied;
        EXPECT_EQ(mesh.faceCount, added ? 2 : 1);
        EXPECT_EQ(selection.face, added ? 1 : -1);
        EXPECT_EQ(selection.point, 1);
    }
}

TEST(ObjectEditorFaces, NoFacePastTheCapacityIsStored) {
    MeshObject mesh = meshOf(3, {});
    mesh.faceCount = MeshCapacity;
    EditorSelection selection;
    EXPECT_EQ(addFace(mesh, selection, {"0", "1", "2"}), EditTooManyFaces);
    EXPECT_EQ(mesh.faceCount, MeshCapacity);
    EXPECT_EQ(selection.face, -1);
}

TEST(ObjectEditorFaces, EditChangesTheSelectedFaceWhenItsCornersExist) {
    MeshObject mesh = meshOf(4, {{0, 1, 2}, {1, 2, 3}});
    EditorSelection none;
    EXPECT_EQ(editFace(mesh, none, {"3", "2", "1"}), EditNoSelection);
    EditorSelection selection{-1, 1};
    EXPECT_EQ(editFace(mesh, selection, {"4", "2", "1"}), EditBadIndex);
    EXPECT_EQ(editFace(mesh, selection, {"-2", "2", "1"}), EditBadIndex);
    EXPECT_EQ(facesOf(mesh), (std::vector<Corners>{{0, 1, 2}, {1, 2, 3}}));
    EXPECT_EQ(editFace(mesh, selection, {"3", "0", "1"}), EditApplied);
    EXPECT_EQ(facesOf(mesh), (std::vector<Corners>{{0, 1, 2}, {3, 0, 1}}));
}

TEST(ObjectEditorFaces, DeleteSelectsTheNextFaceOrNone) {
    const struct {
        int32_t selected;
        std::vector<Corners> after;
        int32_t selectedAfter;
    } cases[] = {{0, {{1, 1, 1}, {2, 2, 2}}, 0}, {1, {{0, 0, 0}, {2, 2, 2}}, 1}, {2, {{0, 0, 0}, {1, 1, 1}}, -1}};
    for (const auto& c : cases) {
        MeshObject mesh = meshOf(3, {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}});
        EditorSelection selection{2, c.selected};
        EXPECT_EQ(deleteFace(mesh, selection), EditApplied);
        EXPECT_EQ(facesOf(mesh), c.after);
        EXPECT_EQ(selection.face, c.selectedAfter);
        EXPECT_EQ(selection.point, 2);
    }
    MeshObject mesh = meshOf(3, {{0, 0, 0}});
    EditorSelection none;
    EXPECT_EQ(deleteFace(mesh, none), EditNoSelection);
    EXPECT_EQ(mesh.faceCount, 1);
}

TEST(ObjectEditorRefusals, TheFirstBoxAtFaultIsNamed) {
    const struct {
        const char *x, *y, *z;
        int32_t box;
    } points[] = {{"1", "2", "3", -1},      {"inf", "2", "3", 0},   {"1", "nan", "1e999", 1},
                  {"1", "2", "-1e400", 2},  {"abc", "", "1,5", -1}};  // no number reads as 0
    for (const auto& p : points) EXPECT_EQ(refusedCoordinateBox({p.x, p.y, p.z}), p.box) << p.x << p.y << p.z;

    const MeshObject three = meshOf(3, {});
    const MeshObject none = meshOf(0, {});
    const struct {
        const MeshObject* mesh;
        const char *a, *b, *c;
        int32_t box;
    } faces[] = {{&three, "0", "1", "2", -1}, {&three, "3", "1", "2", 0}, {&three, "0", "-1", "9", 1},
                 {&three, "0", "1", "99999999999", 2},  // beyond int: atoi's saturation names no point
                 {&none, "0", "0", "0", 0}};
    for (const auto& f : faces)
        EXPECT_EQ(refusedCornerBox(*f.mesh, {f.a, f.b, f.c}), f.box) << f.a << " " << f.b << " " << f.c;
}

TEST(ObjectEditorButtons, EnablingFollowsTheSelectionAndTheCounts) {
    const struct {
        int32_t points, faces;
        EditorSelection selection;
        EditorButtons expected;
    } cases[] = {
        {0, 0, {-1, -1}, {false, false, false, false, false}},
        {3, 0, {0, -1}, {true, false, true, false, false}},
        {3, 1, {-1, 0}, {false, true, true, true, true}},
        {3, 1, {2, 0}, {true, true, true, true, true}},
        {0, 1, {-1, -1}, {false, false, true, true, true}},
    };
    for (const auto& c : cases) {
        MeshObject mesh = meshOf(c.points, {});
        mesh.faceCount = c.faces;
        const EditorButtons b = editorButtons(mesh, c.selection);
        EXPECT_EQ(b.pointEditDelete, c.expected.pointEditDelete);
        EXPECT_EQ(b.faceEditDelete, c.expected.faceEditDelete);
        EXPECT_EQ(b.newObject, c.expected.newObject);
        EXPECT_EQ(b.saveObject, c.expected.saveObject);
        EXPECT_EQ(b.modifyParameters, c.expected.modifyParameters);
    }
}

}  // namespace
}  // namespace volumix
