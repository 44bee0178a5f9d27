#include "platform/device_context.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

namespace volumix {
namespace {

using Picture = std::vector<std::string>;
using Shape = std::vector<Point>;
__extension__ typedef __int128 Wide;

constexpr int32_t I32Min = std::numeric_limits<int32_t>::min();
constexpr int32_t I32Max = std::numeric_limits<int32_t>::max();

// Pen red and brush blue, as GDI colours; pictures show them as '#' and 'o'.
constexpr uint32_t PenRef = 0x000000FFu;
constexpr uint32_t BrushRef = 0x00FF0000u;

struct Canvas {
    CDibSurface surface;
    CDeviceContext dc{surface};

    Canvas(int32_t width, int32_t height) {
        EXPECT_TRUE(surface.create(width, height));
        dc.selectPen(PenRef);
        dc.selectBrush(BrushRef);
    }

    // The window [x0, x0 + width) x [y0, y0 + height) as text.
    Picture picture(int32_t x0, int32_t y0, int32_t width, int32_t height) const {
        Picture out;
        for (int32_t y = y0; y < y0 + height; ++y) {
            std::string line;
            for (int32_t x = x0; x < x0 + width; ++x) {
                const uint32_t p = surface.row(y)[x];
                line += p == 0 ? '.' : p == 0xFF0000u ? '#' : p == 0x0000FFu ? 'o' : '?';
            }
            out.push_back(line);
        }
        return out;
    }
    Picture picture() const { return picture(0, 0, surface.width, surface.height); }
};

// ---- A slow oracle: the pixel rules evaluated per pixel, no clipping logic ----

Wide ceilDiv(Wide a, Wide b) {  // b > 0
    Wide q = a / b;
    if (a % b != 0 && a > 0) ++q;
    return q;
}

bool segmentSets(Point from, Point to, Wide x, Wide y) {
    const Wide dx = Wide{to.x} - from.x, dy = Wide{to.y} - from.y;
    const Wide adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
    if (adx == 0 && ady == 0) return false;
    if (adx > ady) {
        const Wide k = dx > 0 ? x - from.x : from.x - x;
        return k >= 0 && k < adx && y == from.y + ceilDiv(2 * k * dy - adx, 2 * adx);
    }
    const Wide k = dy > 0 ? y - from.y : from.y - y;
    return k >= 0 && k < ady && x == from.x + ceilDiv(2 * k * dx - ady, 2 * ady);
}

bool interior(const Shape& poly, Wide x, Wide y) {
    bool inside = false;
    for (size_t i = 0; i < poly.size(); ++i) {
        Point t = poly[i], b = poly[(i + 1) % poly.size()];
        if (t.y > b.y) std::swap(t, b);
        if (y < t.y || y >= b.y) continue;
        const Wide e = t.x + ceilDiv((y - t.y) * (Wide{b.x} - t.x), Wide{b.y} - t.y);
        if (e <= x) inside = !inside;
    }
    return inside;
}

Picture reference(int32_t width, int32_t height, const Shape& pts, bool polygon) {
    Picture out(height, std::string(width, '.'));
    if (pts.size() < 2) return out;
    const size_t segments = polygon ? pts.size() : pts.size() - 1;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            bool pen = false;
            for (size_t i = 0; i < segments; ++i) pen = pen || segmentSets(pts[i], pts[(i + 1) % pts.size()], x, y);
            if (pen)
                out[y][x] = '#';
            else if (polygon && interior(pts, x, y))
                out[y][x] = 'o';
        }
    return out;
}

std::string describe(const Shape& pts) {
    std::string s;
    for (const Point& p : pts) {
        s += '(';
        s += std::to_string(p.x);
        s += ',';
        s += std::to_string(p.y);
        s += ") ";
    }
    return s;
}

TEST(DeviceContextState, ColoursAndSelection) {
    EXPECT_EQ(colourRefToPixel(0x00123456u), 0x00563412u);
    EXPECT_EQ(colourRefToPixel(0xAB123456u), 0x00563412u);  // the top byte never reaches the surface
    CDibSurface surface;
    CDeviceContext dc(surface);
    EXPECT_EQ(dc.selectPen(0x123u), 0u);  // stock black pen
    EXPECT_EQ(dc.selectPen(0x456u), 0x123u);
    EXPECT_EQ(dc.selectBrush(0x789u), 0xFFFFFFu);  // stock white brush
    EXPECT_EQ(dc.brushColour(), 0x789u);
    // An empty surface draws nothing and does not crash.
    const Point tri[3] = {{0, 0}, {5, 0}, {0, 5}};
    dc.polygon(tri, 3);
    dc.polyline(tri, 3);
    dc.lineTo(3, 3);
    dc.fillRect(0, 0, 3, 3, 0);
}

TEST(DeviceContextLine, HalvesRoundToTheSmallerCoordinateAndTheEndIsNotSet) {
    Canvas c(6, 3);
    c.dc.moveTo(0, 0);
    c.dc.lineTo(4, 2);
    c.dc.lineTo(4, 2);  // zero length: nothing
    EXPECT_EQ(c.picture(), (Picture{"##....", "..##..", "......"}));
}

TEST(DeviceContextLine, AllOctantsFromTheCentre) {
    // Slopes 1/2 and 2, so every other step is an exact half.
    Canvas c(13, 13);
    for (Point to : {Point{12, 9}, {12, 3}, {0, 9}, {0, 3}, {9, 12}, {3, 12}, {9, 0}, {3, 0}}) {
        c.dc.moveTo(6, 6);
        c.dc.lineTo(to.x, to.y);
    }
    EXPECT_EQ(c.picture(), (Picture{
                               ".............",
                               "...#....#....",
                               "....#...#....",
                               ".#..#..#...#.",
                               "..##.#.#.##..",
                               "....#####....",
                               ".....###.....",
                               "...####.##...",
                               ".##..#.#..##.",
                               "....#..#.....",
                               "....#...#....",
                               "...#....#....",
                               ".............",
                           }));
}

TEST(DeviceContextLine, DiagonalsAndPolylineJoints) {
    Canvas c(7, 7);
    for (Point to : {Point{6, 6}, {0, 6}, {6, 0}, {0, 0}}) {
        c.dc.moveTo(3, 3);
        c.dc.lineTo(to.x, to.y);
    }
    EXPECT_EQ(c.picture(), (Picture{".......", ".#...#.", "..#.#..", "...#...", "..#.#..", ".#...#.", "......."}));

    Canvas p(5, 5);
    const Point pts[3] = {{0, 0}, {3, 0}, {3, 3}};
    p.dc.polyline(pts, 1);
    EXPECT_EQ(p.picture(), reference(5, 5, {}, false));
    p.dc.polyline(pts, 3);
    EXPECT_EQ(p.picture(), (Picture{"####.", "...#.", "...#.", ".....", "....."}));
}

TEST(DeviceContextPolygon, RectangleFillsFourByThreeAndOutlinesFiveByFour) {
    Canvas c(6, 5);
    const Point rect[4] = {{0, 0}, {4, 0}, {4, 3}, {0, 3}};
    c.dc.polygon(rect, 4);
    EXPECT_EQ(c.picture(), (Picture{"#####.", "#ooo#.", "#ooo#.", "#####.", "......"}));
}

TEST(DeviceContextPolygon, Triangle) {
    Canvas c(10, 8);
    const Point tri[3] = {{1, 0}, {8, 3}, {2, 7}};
    c.dc.polygon(tri, 3);
    const Picture expected = {
        ".##.......", ".#o##.....", ".#ooo##...", ".#ooooo##.",
        "..#ooo##..", "..#oo#....", "..###.....", "..#.......",
    };
    EXPECT_EQ(c.picture(), expected);
    EXPECT_EQ(reference(10, 8, {tri[0], tri[1], tri[2]}, true), expected);  // the oracle agrees
    // The general path gives the same for the same outline with a repeated vertex.
    Canvas g(10, 8);
    const Point quad[4] = {tri[0], tri[1], tri[1], tri[2]};
    g.dc.polygon(quad, 4);
    EXPECT_EQ(g.picture(), expected);
}

// A quadrilateral split along a diagonal into two triangles: every pixel no
// outline hides is filled by exactly one triangle when the quad fills it, and
// by none otherwise.
TEST(DeviceContextPolygon, TrianglesSharingAnEdgeCoverEachPixelOnce) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> coord(-10, 30);
    int checked = 0;
    for (int round = 0; round < 400; ++round) {
        const Point a{coord(rng), coord(rng)}, b{coord(rng), coord(rng)};
        const Point q{coord(rng), coord(rng)}, d{coord(rng), coord(rng)};
        auto side = [&](Point p) { return int64_t{q.x - a.x} * (p.y - a.y) - int64_t{q.y - a.y} * (p.x - a.x); };
        if ((side(b) > 0) == (side(d) > 0) || side(b) == 0 || side(d) == 0) continue;  // keep it convex
        Canvas one(20, 20), two(20, 20), whole(20, 20);
        const Point t1[3] = {a, b, q}, t2[3] = {a, q, d}, quad[4] = {a, b, q, d};
        one.dc.polygon(t1, 3);
        two.dc.polygon(t2, 3);
        whole.dc.polygon(quad, 4);
        const Picture p1 = one.picture(), p2 = two.picture(), pq = whole.picture();
        for (int y = 0; y < 20; ++y)
            for (int x = 0; x < 20; ++x) {
                if (p1[y][x] == '#' || p2[y][x] == '#' || pq[y][x] == '#') continue;
                const int fills = (p1[y][x] == 'o') + (p2[y][x] == 'o');
                ASSERT_EQ(fills, pq[y][x] == 'o' ? 1 : 0) << describe({a, b, q, d}) << " at " << x << "," << y;
                ++checked;
            }
    }
    EXPECT_GT(checked, 10000);
}

// Random shapes around a 10x8 surface against the oracle, and against the same
// shape drawn unclipped on a bigger surface.
TEST(DeviceContextClipping, RandomShapesMatchTheOracleAndTheUnclippedDrawing) {
    std::mt19937 rng(2024);
    std::uniform_int_distribution<int32_t> coord(-12, 24), size(2, 6);
    for (int round = 0; round < 3000; ++round) {
        const bool polygon = round % 2 == 0;
        Shape pts(round % 3 == 0 ? 3 : size(rng));
        for (Point& p : pts) p = {coord(rng), coord(rng)};
        Shape shifted = pts;
        for (Point& p : shifted) p = {p.x + 12, p.y + 12};
        Canvas small(10, 8), big(37, 37);
        const int32_t n = static_cast<int32_t>(pts.size());
        if (polygon) {
            small.dc.polygon(pts.data(), n);
            big.dc.polygon(shifted.data(), n);
        } else {
            small.dc.polyline(pts.data(), n);
            big.dc.polyline(shifted.data(), n);
        }
        ASSERT_EQ(small.picture(), reference(10, 8, pts, polygon)) << describe(pts) << (polygon ? "polygon" : "line");
        ASSERT_EQ(small.picture(), big.picture(12, 12, 10, 8)) << describe(pts);
    }
}

TEST(DeviceContextClipping, FarCoordinatesMatchTheOracle) {
    std::mt19937 rng(99);
    std::uniform_int_distribution<int32_t> any(I32Min, I32Max), near(-4, 14);
    std::uniform_int_distribution<int32_t> reach(-1000000000, 1000000000);
    // Mostly shapes that pass over the surface: a near point with far arms.
    auto farPoint = [&](Point through, int kind) {
        if (kind == 0) return Point{any(rng), any(rng)};
        return Point{through.x + reach(rng), through.y + reach(rng)};
    };
    for (int round = 0; round < 2000; ++round) {
        const Point centre{near(rng), near(rng)};
        const Point out = farPoint(centre, round % 3);
        // The mirror image keeps the segment running through the centre.
        const Point mirror{static_cast<int32_t>(centre.x - (int64_t{out.x} - centre.x) / 2),
                           static_cast<int32_t>(centre.y - (int64_t{out.y} - centre.y) / 2)};
        const Shape line = {out, round % 5 == 0 ? centre : mirror};
        const Shape tri = {out, round % 2 ? mirror : farPoint(centre, 0), centre};
        Canvas l(10, 8), t(10, 8);
        l.dc.polyline(line.data(), 2);
        t.dc.polygon(tri.data(), 3);
        ASSERT_EQ(l.picture(), reference(10, 8, line, false)) << describe(line);
        ASSERT_EQ(t.picture(), reference(10, 8, tri, true)) << describe(tri);
    }
}

// Walking these shapes' full length would take seconds; only the visible part is walked.
TEST(DeviceContextClipping, HugeShapesCostOnlyWhatTheSurfaceShows) {
    Canvas c(8, 6);
    const Point tri[3] = {{-1000000000, -1000000000}, {1000000000, -1000000000}, {0, 1000000000}};
    c.dc.polygon(tri, 3);
    EXPECT_EQ(c.picture(), Picture(6, std::string(8, 'o')));

    Canvas r(8, 6);
    const Point rect[5] = {{I32Min, I32Min}, {I32Max, I32Min}, {I32Max, I32Max}, {I32Min, I32Max}, {I32Min, 0}};
    r.dc.polygon(rect, 5);
    EXPECT_EQ(r.picture(), Picture(6, std::string(8, 'o')));

    Canvas d(8, 6);
    d.dc.moveTo(-2000000000, -2000000000);
    d.dc.lineTo(2000000000, 2000000000);
    d.dc.moveTo(I32Max, I32Min);
    d.dc.lineTo(I32Min, I32Max);  // x + y = -1 at best: misses the surface
    EXPECT_EQ(d.picture(), (Picture{"#.......", ".#......", "..#.....", "...#....", "....#...", ".....#.."}));
}

// A clip rectangle only narrows: inside it every primitive sets exactly the
// pixels it sets unclipped, outside it nothing. Bands cut at any row and the
// batch painter's calls give the same picture.
TEST(DeviceContextClipping, ClipRectanglesKeepEveryPixelInside) {
    std::mt19937 rng(31);
    std::uniform_int_distribution<int32_t> coord(-6, 18), size(2, 6), edge(-2, 14);
    for (int round = 0; round < 3000; ++round) {
        Shape pts(round % 3 == 0 ? 3 : size(rng));
        for (Point& p : pts) p = {coord(rng), coord(rng)};
        const int32_t n = static_cast<int32_t>(pts.size());
        int32_t left = edge(rng), right = edge(rng), top = edge(rng), bottom = edge(rng);
        if (round % 4 == 0) left = I32Min, right = I32Max;  // a band of rows, as the renderer cuts
        Canvas whole(12, 10), clipped(12, 10), batch(12, 10);
        clipped.dc.intersectClipRect(I32Min, I32Min, I32Max, I32Max);
        clipped.dc.intersectClipRect(left, top, right, bottom);
        batch.dc.intersectClipRect(left, top, right, bottom);
        const BatchPainter painter(batch.dc);
        const uint32_t cornerPixel = 0x0000FFu;  // the brush's pixel, 'o'
        switch (round % 4) {
            case 0:
            case 1:
                whole.dc.polygon(pts.data(), n);
                clipped.dc.polygon(pts.data(), n);
                if (n == 3) {
                    painter.triangleWithCorners(pts.data(), cornerPixel);
                    for (const Point& p : pts) {
                        whole.dc.setPixelV(p.x, p.y, BrushRef);
                        clipped.dc.setPixelV(p.x, p.y, BrushRef);
                    }
                } else {
                    painter.polygon(pts.data(), n);
                }
                break;
            case 2:
                whole.dc.polyline(pts.data(), n);
                clipped.dc.polyline(pts.data(), n);
                painter.polyline(pts.data(), n);
                break;
            case 3:
                whole.dc.fillRect(pts[0].x, pts[0].y, pts[1].x, pts[1].y, PenRef);
                clipped.dc.fillRect(pts[0].x, pts[0].y, pts[1].x, pts[1].y, PenRef);
                whole.dc.setPixelV(pts[1].x, pts[1].y, BrushRef);
                clipped.dc.setPixelV(pts[1].x, pts[1].y, BrushRef);
                batch.dc.fillRect(pts[0].x, pts[0].y, pts[1].x, pts[1].y, PenRef);
                painter.setPixel(pts[1].x, pts[1].y, cornerPixel);
                break;
        }
        Picture expected = whole.picture();
        for (int32_t y = 0; y < 10; ++y)
            for (int32_t x = 0; x < 12; ++x)
                if (x < left || x >= right || y < top || y >= bottom) expected[y][x] = '.';
        ASSERT_EQ(clipped.picture(), expected) << describe(pts) << left << ',' << top << ',' << right << ',' << bottom;
        ASSERT_EQ(batch.picture(), expected) << describe(pts);
    }
}

TEST(DeviceContextClipping, ClipBoxIsTheRectangleWithinTheSurface) {
    Canvas c(8, 6);
    EXPECT_EQ(c.dc.clipBox().right, 8);
    EXPECT_EQ(c.dc.clipBox().bottom, 6);
    c.dc.intersectClipRect(-5, 2, 5, 100);
    c.dc.intersectClipRect(1, I32Min, I32Max, 4);
    const ClipBox box = c.dc.clipBox();
    EXPECT_EQ((std::vector<int32_t>{box.left, box.top, box.right, box.bottom}), (std::vector<int32_t>{1, 2, 5, 4}));
    c.dc.intersectClipRect(6, 0, 8, 6);  // disjoint: nothing can be drawn
    EXPECT_TRUE(c.dc.clipBox().empty());
    c.dc.fillRect(0, 0, 8, 6, PenRef);
    EXPECT_EQ(c.picture(), Picture(6, std::string(8, '.')));
    c.dc.clearClip();
    c.dc.fillRect(0, 0, 8, 6, PenRef);
    EXPECT_EQ(c.picture(), Picture(6, std::string(8, '#')));
}

TEST(DeviceContextRect, PixelsAndRectanglesAreClipped) {
    Canvas c(5, 4);
    for (Point p : {Point{-1, 0}, {5, 0}, {0, -1}, {0, 4}, {I32Min, I32Max}}) c.dc.setPixelV(p.x, p.y, PenRef);
    EXPECT_EQ(c.picture(), Picture(4, "....."));
    c.dc.setPixelV(4, 3, PenRef);
    c.dc.fillRect(-5, -5, 2, 2, BrushRef);
    c.dc.fillRect(3, 0, 3, 4, PenRef);  // empty: right == left
    c.dc.fillRect(3, 3, 4, 1, PenRef);  // empty: bottom < top
    EXPECT_EQ(c.picture(), (Picture{"oo...", "oo...", ".....", "....#"}));
    c.dc.fillRect(I32Min, 2, I32Max, 3, BrushRef);
    EXPECT_EQ(c.picture()[2], "ooooo");

    c.surface.fill(0x123456u);
    c.dc.blackness(-10, 1, I32Max, 2);       // x + width does not overflow
    c.dc.blackness(I32Max - 1, 0, I32Max, 4);  // entirely to the right
    c.dc.blackness(1, 0, -1, 4);               // negative width: empty
    EXPECT_EQ(c.picture(), (Picture{"?????", ".....", ".....", "?????"}));
}

}  // namespace
}  // namespace volumix
