#include "objedit/editor_view.h"

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <set>
#include <vector>

namespace volumix {
namespace {

// An angle brought into 0..359 as the view takes it.
constexpr int32_t wrapCheck(int64_t degrees) { return static_cast<int32_t>(((degrees % 360) + 360) % 360); }

// A right triangle of side 100 in the plane z = 0 (points 0..2) and a point
// of no face (3). At zoom 30000 one unit is one pixel: point (x, y) shows at
// (320 + x, 200 + y).
MeshObject triangleMesh() {
    MeshObject mesh;
    const MeshVertex points[4] = {{0, 0, 0}, {100, 0, 0}, {0, 100, 0}, {-100, -80, 0}};
    for (const MeshVertex& p : points) mesh.vertices[static_cast<size_t>(mesh.vertexCount++)] = p;
    mesh.faces[0] = {0, 1, 2};
    mesh.faceCount = 1;
    return mesh;
}

class EditorView : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(surface.create(EditorViewWidth, EditorViewHeight)); }

    uint32_t inkPixel(int32_t ink) const { return hardwareColourPixel(settings.inks[static_cast<size_t>(ink)]); }
    uint32_t at(int32_t x, int32_t y) const { return surface.row(y)[x]; }
    // Pixels not of the background colour.
    std::vector<std::pair<int32_t, int32_t>> drawn() const {
        std::vector<std::pair<int32_t, int32_t>> found;
        for (int32_t y = 0; y < surface.height; ++y)
            for (int32_t x = 0; x < surface.width; ++x)
                if (at(x, y) != inkPixel(0)) found.emplace_back(x, y);
        return found;
    }
    void draw() { drawEditorView(surface, *renderer, mesh, settings); }

    CDibSurface surface;
    std::unique_ptr<FrameRenderer> renderer = std::make_unique<FrameRenderer>();
    MeshObject mesh = triangleMesh();
    EditorViewSettings settings;
};

TEST_F(EditorView, AnEmptyObjectLeavesTheBackgroundInk) {
    mesh.clear();
    surface.fill(0x123456);
    draw();
    EXPECT_TRUE(drawn().empty());
    EXPECT_EQ(at(0, 0), inkPixel(0));
}

TEST_F(EditorView, PointsModeSetsTheCornersInInkOne) {
    // At the opening zoom of 1 the object collapses to the centre.
    const struct {
        int32_t zoom;
        std::vector<std::pair<int32_t, int32_t>> corners;
    } cases[] = {{30000, {{320, 200}, {420, 200}, {320, 300}}}, {1, {{320, 200}}}};
    for (const auto& c : cases) {
        settings.zoom = c.zoom;
        draw();
        EXPECT_EQ(drawn(), c.corners) << c.zoom;
        for (const auto& [x, y] : c.corners) EXPECT_EQ(at(x, y), inkPixel(1));
    }
}

TEST_F(EditorView, ASelectedPointIsAThreeByThreeSquareOfInkThree) {
    settings.zoom = 30000;
    settings.selection = {3, -1};  // a point of no face: shown only when selected
    draw();
    std::set<std::pair<int32_t, int32_t>> square;
    for (int32_t dy = -1; dy <= 1; ++dy)
        for (int32_t dx = -1; dx <= 1; ++dx) square.insert({220 + dx, 120 + dy});
    int32_t inSquare = 0;
    for (const auto& pixel : drawn()) {
        if (square.count(pixel) == 0) continue;
        ++inSquare;
        EXPECT_EQ(at(pixel.first, pixel.second), inkPixel(3));
    }
    EXPECT_EQ(inSquare, 9);
    EXPECT_EQ(drawn().size(), 12u);  // the square and the three corners
}

TEST_F(EditorView, ASelectedFaceIsOutlinedInInkThreeAndFilledAsTheModeFills) {
    // Filled faces: ink 2 inside. Hidden points: the faces hide only, in the
    // background ink, but the selection is still outlined. A selected face
    // takes precedence over a selected point.
    const struct {
        RenderMode mode;
        int32_t inside;
    } cases[] = {{RenderFilledFaces, 2}, {RenderHiddenPoints, 0}, {RenderHiddenFaces, 0}, {RenderPoints, 0}};
    for (const auto& c : cases) {
        settings.zoom = 30000;
        settings.mode = c.mode;
        settings.selection = {3, 0};
        draw();
        EXPECT_EQ(at(340, 220), inkPixel(c.inside)) << c.mode;
        EXPECT_EQ(at(370, 200), inkPixel(3)) << c.mode;  // edge a-b
        EXPECT_EQ(at(320, 250), inkPixel(3)) << c.mode;  // edge c-a
        EXPECT_EQ(at(370, 250), inkPixel(3)) << c.mode;  // edge b-c
        EXPECT_EQ(at(220, 120), inkPixel(0)) << c.mode;  // the point is not marked
    }
}

TEST_F(EditorView, EachModeDrawsWithItsInks) {
    // Without a selection: which inks appear, and the colour inside the face.
    const struct {
        RenderMode mode;
        std::set<int32_t> inks;
        int32_t inside;
    } cases[] = {{RenderPoints, {1}, 0},
                 {RenderHiddenPoints, {1}, 0},  // faces in the background ink: they only hide
                 {RenderWireframe, {1}, 0},
                 {RenderHiddenFaces, {1}, 0},
                 {RenderFilledFaces, {1, 2}, 2}};
    for (const auto& c : cases) {
        settings.zoom = 30000;
        settings.mode = c.mode;
        draw();
        std::set<int32_t> seen;
        for (const auto& [x, y] : drawn())
            for (int32_t ink = 1; ink < InkCount; ++ink)
                if (at(x, y) == inkPixel(ink)) {
                    seen.insert(ink);
                    break;
                }
        EXPECT_EQ(seen, c.inks) << c.mode;
        EXPECT_EQ(at(340, 220), inkPixel(c.inside)) << c.mode;
        if (c.mode == RenderPoints || c.mode == RenderHiddenPoints) {
            EXPECT_EQ(drawn().size(), 3u) << c.mode;
        }
    }
}

TEST(EditorViewMouse, ADragTurnsByHalfItsPixelsAndWrapsAroundTheCircle) {
    // Dragging right or down raises the angle about Y or X: the near side
    // of the object then moves the way the hand does.
    const struct {
        int32_t startX, startY, dx, dy;
        EditorDragAngles expected;
    } cases[] = {
        {0, 0, 0, 0, {0, 0}},
        {10, 20, 1, 1, {10, 20}},       // less than a degree's worth
        {10, 20, -1, -1, {10, 20}},     // and the same the other way
        {10, 20, 7, 0, {10, 23}},       // across turns about Y only
        {10, 20, 0, 7, {13, 20}},       // down turns about X only
        {10, 20, -9, -9, {6, 16}},
        {5, 0, 0, -20, {355, 0}},       // below 0 wraps to the top of the range
        {355, 358, 0, 20, {5, 358}},    // past 359 wraps to 0
        {0, 0, 720 * 3 + 4, 0, {0, 2}},  // three whole turns and two degrees
        {0, 0, INT32_MIN, INT32_MAX, {wrapCheck(INT32_MAX / 2), wrapCheck(INT32_MIN / 2)}},
    };
    for (const auto& c : cases) {
        const EditorDragAngles angles = anglesAfterDrag(c.startX, c.startY, c.dx, c.dy);
        EXPECT_EQ(angles.angleX, c.expected.angleX) << c.startX << " " << c.dy;
        EXPECT_EQ(angles.angleY, c.expected.angleY) << c.startY << " " << c.dx;
    }
}

TEST(EditorViewMouse, EachWheelNotchScalesTheZoomWithinTheSliderRange) {
    const struct {
        int32_t zoom, notches, expected;
    } cases[] = {
        {30000, 0, 30000},
        {1000, 1, 1250},
        {1000, -1, 800},
        {1000, 2, 1563},   // 1000 x 1.5625, rounded
        {1, 1, 2},         // a small zoom still moves a step a notch
        {2, -1, 1},
        {1, -1, 1},        // the slider's minimum
        {3, 3, 6},         // 5.86 rounds to 6
        {49000, 1, 50000}, // the slider's maximum
        {50000, 5, 50000},
        {30000, -100, 1},
        {1, 100, 50000},
        {0, 1, 2},         // a zoom outside the range is first brought into it
        {70000, -1, 40000},
    };
    for (const auto& c : cases)
        EXPECT_EQ(zoomAfterWheel(c.zoom, c.notches), c.expected) << c.zoom << " by " << c.notches;
    // Up and down again comes back near where it was.
    EXPECT_NEAR(zoomAfterWheel(zoomAfterWheel(12345, 3), -3), 12345, 2);
}

TEST_F(EditorView, ASurfaceThatWasNeverCreatedIsLeftAlone) {
    CDibSurface none;
    drawEditorView(none, *renderer, mesh, settings);
    EXPECT_EQ(none.bits, nullptr);
}

}  // namespace
}  // namespace volumix
