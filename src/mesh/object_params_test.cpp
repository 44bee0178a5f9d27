#include "mesh/object_params.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace volumix {
namespace {

MeshObject meshOf(const std::vector<MeshVertex>& points) {
    MeshObject mesh;
    for (const MeshVertex& p : points) mesh.vertices[static_cast<size_t>(mesh.vertexCount++)] = p;
    return mesh;
}

// The six boxes as the dialog fills them on opening.
struct Boxes {
    std::string centre[3];
    std::string size[3];
    explicit Boxes(const MeshBounds& b) {
        const double c[3] = {b.centre.x, b.centre.y, b.centre.z};
        const double s[3] = {b.size.x, b.size.y, b.size.z};
        for (int k = 0; k < 3; ++k) {
            centre[k] = paramsBoxText(c[k]);
            size[k] = paramsBoxText(s[k]);
        }
    }
    // Boxes 0..2 are the centre, 3..5 the sizes. (Moved in whole: GCC 12
    // misreports an assignment from a literal under -O3, -Wrestrict.)
    void type(int box, std::string text) { (box < 3 ? centre[box] : size[box - 3]) = std::move(text); }
    ObjectParamsRequest request(bool linked = false) const {
        return {{centre[0], centre[1], centre[2]}, {size[0], size[1], size[2]}, linked};
    }
};

TEST(ObjectParams, BoxTextIsEightWideWithFourDecimals) {
    const struct {
        double value;
        const char* text;
    } cases[] = {{4.0, "  4.0000"},     {0.0, "  0.0000"},          {-0.5, " -0.5000"},
                 {1234.5, "1234.5000"}, {-2000000.0, "-2000000.0000"}, {1e20, "100000000000000000000.0000"}};
    for (const auto& c : cases) EXPECT_EQ(paramsBoxText(c.value), c.text) << c.value;
}

TEST(ObjectParams, BoxesAreReadLikeAtofOverTheirFirst127Characters) {
    EXPECT_EQ(readBoxDouble("  2.5x"), 2.5);
    EXPECT_EQ(readBoxDouble("1,5"), 1.0);
    EXPECT_EQ(readBoxDouble(""), 0.0);
    EXPECT_EQ(readBoxDouble("abc"), 0.0);
    // 200 digits: only the first 127 reach the conversion.
    std::string digits(200, '0');
    digits[0] = '1';
    EXPECT_DOUBLE_EQ(readBoxDouble(digits), 1e126);
    EXPECT_EQ(readBoxInt(" 12x"), 12);
    // The digit as the 127th character, then as the 128th.
    std::string spaced(127, ' ');
    spaced[126] = '7';
    EXPECT_EQ(readBoxInt(spaced), 7);
    spaced.back() = ' ';
    spaced.push_back('7');
    EXPECT_EQ(readBoxInt(spaced), 0);
}

TEST(ObjectParams, MovesThenScalesAboutTheOrigin) {
    // x from 2 to 6: centre 4, size 4. Centre 0 and size 8 give (x - 4) * 2;
    // centre 10 gives (x + 6) * 2.
    const struct {
        const char* centreX;
        double low, high;
    } cases[] = {{"0", -4.0, 4.0}, {"10", 16.0, 24.0}};
    for (const auto& c : cases) {
        MeshObject mesh = meshOf({{2, 1, 1}, {6, 3, 5}});
        const MeshBounds opened = meshBounds(mesh);
        Boxes boxes(opened);
        boxes.type(0, c.centreX);
        boxes.type(3, "8");
        EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request()).result, ObjectParamsApplied);
        EXPECT_DOUBLE_EQ(mesh.vertices[0].x, c.low);
        EXPECT_DOUBLE_EQ(mesh.vertices[1].x, c.high);
        // Untouched boxes: rounded to 4 decimals, here exact.
        EXPECT_DOUBLE_EQ(mesh.vertices[0].y, 1.0);
        EXPECT_DOUBLE_EQ(mesh.vertices[1].z, 5.0);
    }
}

TEST(ObjectParams, UntouchedBoxesMoveAPointByAtMostTheRounding) {
    MeshObject mesh = meshOf({{0.123456, -7.654321, 1.0 / 3.0}, {10.987654, 2.0 / 3.0, 5.5555555}});
    const MeshObject before = mesh;
    const MeshBounds opened = meshBounds(mesh);
    EXPECT_EQ(applyObjectParams(mesh, opened, Boxes(opened).request()).result, ObjectParamsApplied);
    for (int i = 0; i < 2; ++i) {
        EXPECT_NEAR(mesh.vertices[i].x, before.vertices[i].x, 1e-4);
        EXPECT_NEAR(mesh.vertices[i].y, before.vertices[i].y, 1e-4);
        EXPECT_NEAR(mesh.vertices[i].z, before.vertices[i].z, 1e-4);
    }
}

TEST(ObjectParams, LinkedSizesKeepTheProportions) {
    MeshObject mesh = meshOf({{-1, -2, -4}, {1, 2, 4}});  // centre 0, sizes 2, 4, 8
    const MeshBounds opened = meshBounds(mesh);
    Boxes boxes(opened);
    boxes.type(3, "4");
    boxes.type(4, "nan");  // not read when linked
    boxes.type(5, "1");
    EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request(true)).result, ObjectParamsApplied);
    EXPECT_DOUBLE_EQ(mesh.vertices[1].x, 2.0);
    EXPECT_DOUBLE_EQ(mesh.vertices[1].y, 4.0);
    EXPECT_DOUBLE_EQ(mesh.vertices[1].z, 8.0);
}

TEST(ObjectParams, AFlatAxisKeepsItsCoordinatesAndTakesTheTypedCentre) {
    // A logo drawn at Z = 7: untouched boxes leave it at Z = 7, a typed
    // centre Z moves it there, and a size typed for Z scales nothing.
    const struct {
        const char* centreZ;
        const char* sizeZ;
        double z;
    } cases[] = {{nullptr, nullptr, 7.0}, {"5", nullptr, 5.0}, {"-2.5", "9", -2.5}};
    for (const auto& c : cases) {
        MeshObject mesh = meshOf({{1, 3, 7}, {5, 9, 7}, {3, 4, 7}});
        const MeshBounds opened = meshBounds(mesh);
        Boxes boxes(opened);
        if (c.centreZ != nullptr) boxes.type(2, c.centreZ);
        if (c.sizeZ != nullptr) boxes.type(5, c.sizeZ);
        boxes.type(3, "8");  // X doubled
        EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request()).result, ObjectParamsApplied);
        for (int i = 0; i < 3; ++i) EXPECT_EQ(mesh.vertices[i].z, c.z) << i;
        EXPECT_DOUBLE_EQ(mesh.vertices[0].x, 2.0);  // centre kept, doubled about the origin
        EXPECT_DOUBLE_EQ(mesh.vertices[1].y, 9.0);
    }
}

TEST(ObjectParams, LinkedSizesWithAFlatXFollowTheFirstAxisThatHasASize) {
    // Flat along X at x = 4: X keeps its coordinate and takes the typed
    // centre; Y's box sets the common factor (2), Z follows it. The X box is
    // not read.
    MeshObject mesh = meshOf({{4, -1, 0}, {4, 1, 3}});  // sizes 0, 2, 3
    MeshBounds opened = meshBounds(mesh);
    EXPECT_EQ(linkedSizeAxis(opened), 1);
    Boxes boxes(opened);
    boxes.type(0, "6");
    boxes.type(3, "nan");
    boxes.type(4, "4");
    EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request(true)).result, ObjectParamsApplied);
    for (int i = 0; i < 2; ++i) EXPECT_EQ(mesh.vertices[i].x, 6.0);
    EXPECT_DOUBLE_EQ(mesh.vertices[0].y, -2.0);
    EXPECT_DOUBLE_EQ(mesh.vertices[1].y, 2.0);
    EXPECT_DOUBLE_EQ(mesh.vertices[0].z, 0.0);
    EXPECT_DOUBLE_EQ(mesh.vertices[1].z, 6.0);

    // A refusal names the box that was read.
    boxes.type(4, "inf");
    EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request(true)).box, 4);

    // Flat along every axis (one point): factor 1, the point goes to the
    // typed centre and no size box is read.
    mesh = meshOf({{4, 5, 6}});
    opened = meshBounds(mesh);
    EXPECT_EQ(linkedSizeAxis(opened), -1);
    Boxes single(opened);
    single.type(1, "-1");
    for (int box = 3; box < 6; ++box) single.type(box, "nan");
    EXPECT_EQ(applyObjectParams(mesh, opened, single.request(true)).result, ObjectParamsApplied);
    EXPECT_EQ(mesh.vertices[0].x, 4.0);
    EXPECT_EQ(mesh.vertices[0].y, -1.0);
    EXPECT_EQ(mesh.vertices[0].z, 6.0);
}

TEST(ObjectParams, AnUnreadableSizeFlattensItsAxis) {
    MeshObject mesh = meshOf({{1, 1, 1}, {3, 3, 3}});
    const MeshBounds opened = meshBounds(mesh);
    Boxes boxes(opened);
    boxes.type(5, "");
    EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request()).result, ObjectParamsApplied);
    EXPECT_EQ(mesh.vertices[0].z, 0.0);
    EXPECT_EQ(mesh.vertices[1].z, 0.0);
}

TEST(ObjectParams, AnEmptyMeshShowsZerosAndStaysEmpty) {
    MeshObject mesh;
    const MeshBounds opened = meshBounds(mesh);
    const Boxes boxes(opened);
    EXPECT_EQ(boxes.centre[0], "  0.0000");
    EXPECT_EQ(boxes.size[2], "  0.0000");
    EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request()).result, ObjectParamsApplied);
    EXPECT_EQ(mesh.vertexCount, 0);
}

TEST(ObjectParams, NonFiniteBoxesAreRefusedWithNothingChanged) {
    for (const char* text : {"inf", "-INF", "nan", "NaN(12)", "1e999", "-1e400"}) {
        for (int box = 0; box < 6; ++box) {
            MeshObject mesh = meshOf({{1, 2, 3}, {4, 6, 8}});
            const MeshBounds opened = meshBounds(mesh);
            Boxes boxes(opened);
            boxes.type(box, text);
            const ObjectParamsOutcome outcome = applyObjectParams(mesh, opened, boxes.request());
            EXPECT_EQ(outcome.result, ObjectParamsNotFinite) << text << " in box " << box;
            EXPECT_EQ(outcome.box, box);
            EXPECT_EQ(mesh.vertices[0].x, 1.0);
            EXPECT_EQ(mesh.vertices[1].z, 8.0);
        }
    }
}

TEST(ObjectParams, ValuesThatWouldOverflowAPointAreRefused) {
    struct Typed {
        int box;
        const char* text;
    };
    const struct {
        std::vector<MeshVertex> points;
        std::vector<Typed> typed;
        bool linked;
        int32_t faultBox;
    } cases[] = {
        // The move alone carries 1e308 past the range.
        {{{0, 0, 0}, {1e308, 0, 0}}, {{0, "1.5e308"}}, false, 0},
        // A move to 1e308, then a factor of 10.
        {{{0, 0, 0}, {1, 1e300, 1}}, {{1, "1e308"}, {4, "1e301"}}, false, 4},
        // The factor itself: a wanted size over a tiny present one.
        {{{0, 0, 0}, {1e-300, 1, 1}}, {{3, "1e10"}}, false, 3},
        // Linked: Z follows X past the range; the X box is at fault.
        {{{0, 0, -1e300}, {1e-10, 1, 1e300}}, {{3, "1e10"}}, true, 3},
    };
    for (const auto& c : cases) {
        MeshObject mesh = meshOf(c.points);
        const MeshObject before = mesh;
        const MeshBounds opened = meshBounds(mesh);
        Boxes boxes(opened);
        for (const Typed& t : c.typed) boxes.type(t.box, t.text);
        const ObjectParamsOutcome outcome = applyObjectParams(mesh, opened, boxes.request(c.linked));
        EXPECT_EQ(outcome.result, ObjectParamsOutOfRange) << c.typed[0].text;
        EXPECT_EQ(outcome.box, c.faultBox) << c.typed[0].text;
        for (size_t i = 0; i < c.points.size(); ++i) {
            EXPECT_EQ(mesh.vertices[i].x, before.vertices[i].x);
            EXPECT_EQ(mesh.vertices[i].y, before.vertices[i].y);
            EXPECT_EQ(mesh.vertices[i].z, before.vertices[i].z);
        }
    }
}

TEST(ObjectParams, APointAlreadyNotFiniteDoesNotBlockTheOthers) {
    // A file can hold "nan"; the bounding box ignores it and so does the check.
    MeshObject mesh = meshOf({{0, 0, 0}, {2, 2, 2}, {std::nan(""), 1, 1}});
    const MeshBounds opened = meshBounds(mesh);
    Boxes boxes(opened);
    boxes.type(3, "4");
    EXPECT_EQ(applyObjectParams(mesh, opened, boxes.request()).result, ObjectParamsApplied);
    EXPECT_DOUBLE_EQ(mesh.vertices[1].x, 4.0);
    EXPECT_TRUE(std::isnan(mesh.vertices[2].x));
}

}  // namespace
}  // namespace volumix
