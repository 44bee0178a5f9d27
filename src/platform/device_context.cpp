#include "platform/device_context.h"

#include <algorithm>
#include <cstddef>
#include <limits>
#include <utility>
#include <vector>


// Pixel rules, as the platform we stand in for draws them:
//
// Lines set their start pixel and never their end pixel. Along the major axis
// (x when |dx| > |dy|, otherwise y, so exact diagonals are y-major) step k of
// n = max(|dx|, |dy|) steps sets the minor coordinate
//     minor0 + ceilDiv(2 * k * dMinor - n, 2 * n),
// i.e. the nearest one, with an exact half going to the smaller coordinate.
// Since the halves always round the same way, a segment and its reverse set
// the same pixels apart from their ends.
//
// Polygon interiors use the alternate rule. Horizontal edges are ignored; an
// edge from its top (xt, yt) to its bottom (xb, yb) crosses rows
// yt <= y < yb at column ceil(xt + (y - yt) * (xb - xt) / (yb - yt)), and
// each row fills [e1, e2), [e3, e4), ... of its sorted crossings, so left and
// top boundaries are filled and right and bottom ones are not. The outline is
// drawn over the fill with the line rule.
//
// Coordinates are any 32-bit values. Differences of two of them need 33 bits
// and products of two differences up to 66, so the few exact divisions that
// position a clipped line or edge are done in 128 bits; the per-pixel loops
// only add and compare. Work is bounded by what lands on the surface, never by
// the length of a line or the height of a polygon.
//
// Every primitive draws into a Canvas: the surface's memory and the clip
// rectangle intersected with it. Clipping only narrows the ranges walked; the
// walks start from exact positions, so a clipped primitive sets the same
// pixels as the whole one inside the rectangle.

namespace volumix {

namespace {

__extension__ typedef __int128 Wide;

constexpr int64_t Int64Min = std::numeric_limits<int64_t>::min();
constexpr int64_t Int64Max = std::numeric_limits<int64_t>::max();

bool fitsInt64(Wide v) { return v >= Int64Min && v <= Int64Max; }

// Rounds towards minus infinity; b > 0.
int64_t floorDiv(int64_t a, int64_t b) {
    int64_t q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}

// Rounds towards minus infinity; b > 0. Most calls fit 64 bits, and a 64-bit
// division is several times cheaper than a 128-bit one.
Wide floorDivWide(Wide a, Wide b) {
    if (fitsInt64(a) && b <= Int64Max) return floorDiv(static_cast<int64_t>(a), static_cast<int64_t>(b));
    Wide q = a / b;
    if (a % b != 0 && a < 0) --q;
    return q;
}

Wide ceilDivWide(Wide a, Wide b) { return -floorDivWide(-a, b); }

bool hasPixels(const CDibSurface& s) { return s.bits != nullptr && s.width > 0 && s.height > 0; }

// Intersects the half-open range [lo, hi) with [limitLo, limitHi); false when
// empty. Every axis-aligned clip (rectangles, polygon rows and spans) goes
// through here.
bool clipRange(int64_t& lo, int64_t& hi, int64_t limitLo, int64_t limitHi) {
    lo = std::max(lo, limitLo);
    hi = std::min(hi, limitHi);
    return lo < hi;
}

// The pixels a primitive may set: the surface's rows and the clip rectangle
// within it, never empty.
struct Canvas {
    uint32_t* bits;
    int64_t stride;
    int64_t left, top, right, bottom;

    uint32_t* row(int64_t y) const { return bits + y * stride; }
    bool contains(Point p) const { return p.x >= left && p.x < right && p.y >= top && p.y < bottom; }
};

// Fills [left, right) x [top, bottom), already clipped.
void fillClippedRect(const Canvas& c, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel) {
    for (int64_t y = top; y < bottom; ++y) {
        uint32_t* row = c.row(y);
        std::fill(row + left, row + right, pixel);
    }
}

void clipAndFillRect(const Canvas& c, int64_t left, int64_t top, int64_t right, int64_t bottom, uint32_t pixel) {
    if (!clipRange(left, right, c.left, c.right) || !clipRange(top, bottom, c.top, c.bottom)) return;
    fillClippedRect(c, left, top, right, bottom, pixel);
}

// Fills columns [from, to) of a row within the canvas; the ends may lie
// anywhere, and to <= from is empty.
void fillSpan(const Canvas& c, uint32_t* row, int64_t from, int64_t to, uint32_t pixel) {
    if (!clipRange(from, to, c.left, c.right)) return;
    for (int64_t x = from; x < to; ++x) row[x] = pixel;
}

// ---- Lines ----

// A segment seen along its major axis. Step k (0 <= k < steps) sets
//     major = major0 + majorSign * k
//     minor = minor0 + minorSign * floor((2 * k * minorDelta + bias) / (2 * steps))
// which is the line rule rewritten with a non-negative numerator: the bias is
// steps - 1 when the minor coordinate grows and steps when it shrinks, which
// sends exact halves towards the smaller coordinate either way.
struct Segment {
    bool xMajor;
    int64_t major0, minor0;
    int64_t majorSign, minorSign;
    int64_t steps;       // |major delta|, also the number of pixels
    int64_t minorDelta;  // |minor delta|, at most `steps`
    int64_t bias;
};

// Written as selects rather than branches: the renderer's segments point every
// which way, so branches on direction would mostly mispredict.
Segment makeSegment(Point from, Point to) {
    const int64_t dx = int64_t{to.x} - from.x;
    const int64_t dy = int64_t{to.y} - from.y;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    Segment g{};
    g.xMajor = adx > ady;
    const int64_t dMinor = g.xMajor ? dy : dx;
    g.major0 = g.xMajor ? from.x : from.y;
    g.minor0 = g.xMajor ? from.y : from.x;
    g.majorSign = (g.xMajor ? dx : dy) < 0 ? -1 : 1;
    g.minorSign = dMinor < 0 ? -1 : 1;
    g.steps = g.xMajor ? adx : ady;
    g.minorDelta = g.xMajor ? ady : adx;
    g.bias = g.steps - (dMinor >= 0);
    return g;
}

// Narrows the steps [0, steps) to those whose pixel lies on the canvas,
// exactly, so a clipped segment keeps the pixels the whole one would set
// there. Both coordinates are monotonic in k, so each axis bounds one range.
bool clipSegment(const Canvas& c, const Segment& g, int64_t& first, int64_t& last) {
    const int64_t majorLo = g.xMajor ? c.left : c.top;
    const int64_t majorHi = g.xMajor ? c.right : c.bottom;
    const int64_t minorLo = g.xMajor ? c.top : c.left;
    const int64_t minorHi = g.xMajor ? c.bottom : c.right;
    Wide lo = 0;
    Wide hi = g.steps;
    if (g.majorSign > 0) {
        lo = std::max<Wide>(lo, majorLo - g.major0);
        hi = std::min<Wide>(hi, majorHi - g.major0);
    } else {
        lo = std::max<Wide>(lo, g.major0 - majorHi + 1);
        hi = std::min<Wide>(hi, g.major0 - majorLo + 1);
    }
    if (lo >= hi) return false;

    if (g.minorDelta == 0) {
        if (g.minor0 < minorLo || g.minor0 >= minorHi) return false;
    } else {
        // The minor offset q(k) never decreases; the on-canvas offsets are
        // [qLo, qHi). q(k) >= u  <=>  k >= ceil((2 * steps * u - bias) / (2 * minorDelta)).
        const Wide qLo = g.minorSign > 0 ? minorLo - g.minor0 : g.minor0 - minorHi + 1;
        const Wide qHi = g.minorSign > 0 ? minorHi - g.minor0 : g.minor0 - minorLo + 1;
        const Wide den = Wide{2} * g.minorDelta;
        lo = std::max(lo, ceilDivWide(Wide{2} * g.steps * qLo - g.bias, den));
        hi = std::min(hi, ceilDivWide(Wide{2} * g.steps * qHi - g.bias, den));
        if (lo >= hi) return false;
    }
    first = static_cast<int64_t>(lo);  // within [0, steps] once non-empty
    last = static_cast<int64_t>(hi);
    return true;
}

// Sets steps [first, last) of a segment. Takes pre-clipped input: every one of
// those pixels must be on the canvas. Error-term stepping, no division per pixel.
void walkSegment(const Canvas& c, const Segment& g, int64_t first, int64_t last, uint32_t pixel) {
    const int64_t den = 2 * g.steps;
    int64_t q = 0;
    int64_t rem = g.bias;  // the numerator's remainder; bias < den
    if (first > 0) {
        const Wide num = Wide{2} * first * g.minorDelta + g.bias;
        q = static_cast<int64_t>(num / den);
        rem = static_cast<int64_t>(num % den);
    }
    const int64_t major = g.major0 + g.majorSign * first;
    const int64_t minor = g.minor0 + g.minorSign * q;
    const ptrdiff_t stride = c.stride;
    const ptrdiff_t majorStep = g.xMajor ? g.majorSign : g.majorSign * stride;
    const ptrdiff_t minorStep = g.xMajor ? g.minorSign * stride : g.minorSign;
    ptrdiff_t at = g.xMajor ? minor * stride + major : major * stride + minor;
    // 2 * minorDelta <= den, so a step carries at most once. The carry is
    // taken without a branch: a random slope's carries defeat prediction, and
    // the renderer's segments are short and point every which way.
    const int64_t incLessDen = 2 * g.minorDelta - den;
    uint32_t* bits = c.bits;
    for (int64_t k = first; k < last; ++k) {
        bits[at] = pixel;
        at += majorStep;
        const int64_t over = rem + incLessDen;
        const bool carry = over >= 0;
        rem = carry ? over : over + den;
        at += carry ? minorStep : 0;
    }
}

// The segment rule for both ends on the canvas, the usual case for a mesh's
// small faces: every pixel lies in the box spanned by the ends, so nothing is
// clipped, and the walk starts at the first pixel. The same stepping as
// makeSegment and walkSegment, with their set-up cut down to what this needs,
// as the renderer's segments are one or two pixels long.
[[gnu::always_inline]] inline void drawInsideSegment(const Canvas& c, Point from, Point to, uint32_t pixel) {
    const int64_t dx = int64_t{to.x} - from.x;
    const int64_t dy = int64_t{to.y} - from.y;
    const int64_t adx = dx < 0 ? -dx : dx;
    const int64_t ady = dy < 0 ? -dy : dy;
    const bool xMajor = adx > ady;
    const int64_t steps = xMajor ? adx : ady;
    const int64_t stepX = dx < 0 ? -1 : 1;
    const int64_t stepY = dy < 0 ? -c.stride : c.stride;
    const ptrdiff_t majorStep = xMajor ? stepX : stepY;
    const ptrdiff_t minorStep = xMajor ? stepY : stepX;
    const int64_t den = 2 * steps;
    const int64_t incLessDen = 2 * (xMajor ? ady : adx) - den;
    int64_t rem = steps - ((xMajor ? dy : dx) >= 0);  // the bias
    ptrdiff_t at = int64_t{from.y} * c.stride + from.x;
    for (int64_t k = 0; k < steps; ++k) {
        c.bits[at] = pixel;
        at += majorStep;
        const int64_t over = rem + incLessDen;
        const bool carry = over >= 0;
        rem = carry ? over : over + den;
        at += carry ? minorStep : 0;
    }
}

void drawSegment(const Canvas& c, Point from, Point to, uint32_t pixel) {
    if (c.contains(from) && c.contains(to)) {
        drawInsideSegment(c, from, to, pixel);
        return;
    }
    const Segment g = makeSegment(from, to);
    if (g.steps == 0) return;
    int64_t first = 0;
    int64_t last = g.steps;
    if (!clipSegment(c, g, first, last)) return;
    walkSegment(c, g, first, last, pixel);
}

// ---- Polygon interiors ----

// Walks an edge's crossing column down the rows, as
//     x = xt + floor(((y - yt) * (xb - xt) + den - 1) / den),  den = yb - yt,
// which is the ceiling in the crossing rule. The quotient and remainder are
// carried from row to row, so only the first row divides.
struct EdgeWalker {
    int64_t x = 0;
    int64_t rem = 0;  // in [0, den)
    int64_t den = 1;
    int64_t stepQ = 0;
    int64_t stepR = 0;  // in [0, den)

    // Edge from its top (xt, yt) to its bottom (xb, yb), yt < yb, placed on
    // row y with yt <= y < yb.
    void start(int64_t xt, int64_t yt, int64_t xb, int64_t yb, int64_t y) {
        den = yb - yt;
        const int64_t dx = xb - xt;
        if (den == 1) {  // the edge of a small triangle often spans one row
            stepQ = dx;
            stepR = 0;
        } else {
            // Floor division written so the sign test becomes a conditional move.
            const int64_t q = dx / den;
            const int64_t r = dx % den;
            stepQ = q - (r < 0);
            stepR = r + (r < 0 ? den : 0);
        }
        if (y == yt) {  // unclipped: the common case needs no division
            x = xt;
            rem = den - 1;
            return;
        }
        const Wide num = Wide{y - yt} * dx + (den - 1);
        const int64_t first = static_cast<int64_t>(floorDivWide(num, den));
        x = xt + first;
        rem = static_cast<int64_t>(num - Wide{first} * den);
    }

    void advance() {
        const int64_t over = rem + stepR - den;  // branch-free carry, as for lines
        const bool carry = over >= 0;
        rem = carry ? over : over + den;
        x += stepQ + carry;
    }
};

// Fills rows [y, yEnd) between the long edge and a short one; the walkers may
// lie anywhere. Walkers are passed by value and the function forced inline so
// they stay in registers through the row loop.
// With `Inside` every corner lies on the canvas, and so does every span.
template <bool Inside>
[[gnu::always_inline]] inline EdgeWalker fillRows(const Canvas& c, uint32_t* row, int64_t y, int64_t yEnd,
                                                  EdgeWalker longEdge, EdgeWalker shortEdge, bool longIsLeft,
                                                  uint32_t pixel) {
    for (; y < yEnd; ++y, row += c.stride) {
        const int64_t left = longIsLeft ? longEdge.x : shortEdge.x;
        const int64_t right = longIsLeft ? shortEdge.x : longEdge.x;
        if constexpr (Inside) {
            for (int64_t x = left; x < right; ++x) row[x] = pixel;
        } else {
            fillSpan(c, row, left, right, pixel);
        }
        longEdge.advance();
        shortEdge.advance();
    }
    return longEdge;
}

// The frame renderer's workhorse. Sorted by y, a triangle's rows cross the
// long edge top->bottom and one of the two short edges, and nothing else, so
// each row is a single span between two walkers. Which side the long edge is
// on follows from the turn at the middle vertex, once for the whole triangle:
// the ceiling is monotonic, so the walkers never cross.
//
// With `Inside` all three corners lie on the canvas (the usual case for a
// mesh's small faces): nothing needs clipping, and the differences, bounded by
// the surface's size, multiply within 64 bits.
template <bool Inside>
void fillTriangle(const Canvas& canvas, Point a, Point b, Point c, uint32_t pixel) {
    if (b.y < a.y) std::swap(a, b);
    if (c.y < b.y) std::swap(b, c);
    if (b.y < a.y) std::swap(a, b);
    int64_t y = a.y;
    int64_t yEnd = c.y;
    if (!clipRange(y, yEnd, canvas.top, canvas.bottom)) return;
    Wide turn;
    if constexpr (Inside)
        turn = (int64_t{b.x} - a.x) * (int64_t{c.y} - a.y) - (int64_t{b.y} - a.y) * (int64_t{c.x} - a.x);
    else
        turn = Wide{int64_t{b.x} - a.x} * (int64_t{c.y} - a.y) - Wide{int64_t{b.y} - a.y} * (int64_t{c.x} - a.x);
    if (turn == 0) return;  // collinear: both crossings agree on every row
    const bool longIsLeft = turn > 0;
    const int64_t yMid = std::clamp<int64_t>(b.y, y, yEnd);
    uint32_t* row = canvas.row(y);

    EdgeWalker longEdge;
    EdgeWalker shortEdge;
    longEdge.start(a.x, a.y, c.x, c.y, y);
    if (y < yMid) {
        shortEdge.start(a.x, a.y, b.x, b.y, y);
        longEdge = fillRows<Inside>(canvas, row, y, yMid, longEdge, shortEdge, longIsLeft, pixel);
        row += (yMid - y) * canvas.stride;
        y = yMid;
    }
    if (y < yEnd) {
        shortEdge.start(b.x, b.y, c.x, c.y, y);
        fillRows<Inside>(canvas, row, y, yEnd, longEdge, shortEdge, longIsLeft, pixel);
    }
}

// Any polygon: a scanline over an active edge list. Edges are clipped to the
// canvas's rows up front and rows with no edge are skipped.
void fillPolygon(const Canvas& c, const Point* points, int32_t count, uint32_t pixel) {
    struct Edge {
        Point top, bottom;
        int64_t first, last;  // on-surface rows it crosses
    };
    struct Active {
        EdgeWalker walker;
        int64_t last;
    };
    std::vector<Edge> edges;
    edges.reserve(static_cast<size_t>(count));
    for (int32_t i = 0; i < count; ++i) {
        Point top = points[i];
        Point bottom = points[i + 1 == count ? 0 : i + 1];
        if (top.y == bottom.y) continue;
        if (bottom.y < top.y) std::swap(top, bottom);
        int64_t first = top.y;
        int64_t last = bottom.y;
        if (clipRange(first, last, c.top, c.bottom)) edges.push_back({top, bottom, first, last});
    }
    if (edges.empty()) return;
    std::sort(edges.begin(), edges.end(), [](const Edge& l, const Edge& r) { return l.first < r.first; });

    std::vector<Active> active;
    std::vector<int64_t> crossings;
    size_t next = 0;
    int64_t y = edges.front().first;
    while (next < edges.size() || !active.empty()) {
        if (active.empty()) y = std::max(y, edges[next].first);
        for (; next < edges.size() && edges[next].first <= y; ++next) {
            const Edge& e = edges[next];
            Active entry{{}, e.last};
            entry.walker.start(e.top.x, e.top.y, e.bottom.x, e.bottom.y, y);
            active.push_back(entry);
        }
        crossings.clear();
        for (const Active& entry : active) crossings.push_back(entry.walker.x);
        std::sort(crossings.begin(), crossings.end());
        // A closed outline crosses each row an even number of times.
        uint32_t* row = c.row(y);
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) fillSpan(c, row, crossings[i], crossings[i + 1], pixel);

        ++y;
        std::erase_if(active, [y](const Active& entry) { return entry.last <= y; });
        for (Active& entry : active) entry.walker.advance();
    }
}

}  // namespace

uint32_t colourRefToPixel(uint32_t colourRef) {
    // 0x00BBGGRR to 0x00RRGGBB: red and blue change places.
    return ((colourRef & 0xFFu) << 16) | (colourRef & 0xFF00u) | ((colourRef >> 16) & 0xFFu);
}

uint32_t CDeviceContext::selectPen(uint32_t colourRef) { return std::exchange(pen_, colourRef); }

uint32_t CDeviceContext::selectBrush(uint32_t colourRef) { return std::exchange(brush_, colourRef); }

void CDeviceContext::intersectClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    clipLeft_ = std::max(clipLeft_, left);
    clipTop_ = std::max(clipTop_, top);
    clipRight_ = std::min(clipRight_, right);
    clipBottom_ = std::min(clipBottom_, bottom);
}

void CDeviceContext::clearClip() {
    clipLeft_ = INT32_MIN;
    clipTop_ = INT32_MIN;
    clipRight_ = INT32_MAX;
    clipBottom_ = INT32_MAX;
}

namespace {

// The context's canvas; false when nothing can be drawn.
bool canvasOf(const CDibSurface& s, int32_t left, int32_t top, int32_t right, int32_t bottom, Canvas& c) {
    if (!hasPixels(s)) return false;
    c.bits = s.bits;
    c.stride = s.width;
    c.left = left;
    c.top = top;
    c.right = right;
    c.bottom = bottom;
    return clipRange(c.left, c.right, 0, s.width) && clipRange(c.top, c.bottom, 0, s.height);
}

}  // namespace

ClipBox CDeviceContext::clipBox() const {
    Canvas c;
    if (!canvasOf(*surface_, clipLeft_, clipTop_, clipRight_, clipBottom_, c)) return {};
    return {static_cast<int32_t>(c.left), static_cast<int32_t>(c.top), static_cast<int32_t>(c.right),
            static_cast<int32_t>(c.bottom)};
}

BatchPainter::BatchPainter(CDeviceContext& context)
    : fill_(colourRefToPixel(context.brushColour())), pen_(colourRefToPixel(context.penColour())) {
    const ClipBox box = context.clipBox();
    if (box.empty()) return;
    bits_ = context.surface().bits;
    stride_ = context.surface().width;
    left_ = box.left;
    top_ = box.top;
    right_ = box.right;
    bottom_ = box.bottom;
}

void BatchPainter::polygon(const Point* points, int32_t count) const {
    if (points == nullptr || count < 2 || bits_ == nullptr) return;
    const Canvas c{bits_, stride_, left_, top_, right_, bottom_};
    if (count == 3 && c.contains(points[0]) && c.contains(points[1]) && c.contains(points[2])) {
        fillTriangle<true>(c, points[0], points[1], points[2], fill_);
        drawInsideSegment(c, points[0], points[1], pen_);
        drawInsideSegment(c, points[1], points[2], pen_);
        drawInsideSegment(c, points[2], points[0], pen_);
        return;
    }
    if (count == 3)
        fillTriangle<false>(c, points[0], points[1], points[2], fill_);
    else if (count > 3)
        fillPolygon(c, points, count, fill_);
    for (int32_t i = 0; i < count; ++i) drawSegment(c, points[i], points[i + 1 == count ? 0 : i + 1], pen_);
}

void BatchPainter::triangleWithCorners(const Point* corners, uint32_t cornerPixel) const {
    if (bits_ == nullptr) return;
    const Canvas c{bits_, stride_, left_, top_, right_, bottom_};
    if (c.contains(corners[0]) && c.contains(corners[1]) && c.contains(corners[2])) {
        fillTriangle<true>(c, corners[0], corners[1], corners[2], fill_);
        drawInsideSegment(c, corners[0], corners[1], pen_);
        drawInsideSegment(c, corners[1], corners[2], pen_);
        drawInsideSegment(c, corners[2], corners[0], pen_);
        for (int32_t i = 0; i < 3; ++i) c.row(corners[i].y)[corners[i].x] = cornerPixel;
        return;
    }
    polygon(corners, 3);
    for (int32_t i = 0; i < 3; ++i) setPixel(corners[i].x, corners[i].y, cornerPixel);
}

void BatchPainter::polyline(const Point* points, int32_t count) const {
    if (points == nullptr || count < 2 || bits_ == nullptr) return;
    const Canvas c{bits_, stride_, left_, top_, right_, bottom_};
    for (int32_t i = 0; i + 1 < count; ++i) drawSegment(c, points[i], points[i + 1], pen_);
}

void CDeviceContext::polygon(const Point* points, int32_t count) { BatchPainter(*this).polygon(points, count); }

void CDeviceContext::polyline(const Point* points, int32_t count) { BatchPainter(*this).polyline(points, count); }

void CDeviceContext::moveTo(int32_t x, int32_t y) { current_ = {x, y}; }

void CDeviceContext::lineTo(int32_t x, int32_t y) {
    const Point to{x, y};
    Canvas c;
    if (canvasOf(*surface_, clipLeft_, clipTop_, clipRight_, clipBottom_, c))
        drawSegment(c, current_, to, colourRefToPixel(pen_));
    current_ = to;
}

void CDeviceContext::setPixelV(int32_t x, int32_t y, uint32_t colourRef) {
    Canvas c;
    if (canvasOf(*surface_, clipLeft_, clipTop_, clipRight_, clipBottom_, c) && c.contains({x, y}))
        c.row(y)[x] = colourRefToPixel(colourRef);
}

void CDeviceContext::fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colourRef) {
    Canvas c;
    if (canvasOf(*surface_, clipLeft_, clipTop_, clipRight_, clipBottom_, c))
        clipAndFillRect(c, left, top, right, bottom, colourRefToPixel(colourRef));
}

void CDeviceContext::blackness(int32_t x, int32_t y, int32_t width, int32_t height) {
    Canvas c;
    if (canvasOf(*surface_, clipLeft_, clipTop_, clipRight_, clipBottom_, c))
        clipAndFillRect(c, x, y, int64_t{x} + width, int64_t{y} + height, 0u);
}

}  // namespace volumix
