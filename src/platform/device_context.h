#pragma once

#include <cstdint>

#include "platform/dib_surface.h"

namespace volumix {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

// A half-open rectangle [left, right) x [top, bottom).
struct ClipBox {
    int32_t left = 0;
    int32_t top = 0;
    int32_t right = 0;
    int32_t bottom = 0;
    bool empty() const { return left >= right || top >= bottom; }
};

// Our stand-in for a GDI memory device context selected onto a CDibSurface:
// one solid pen of width 1 and one solid brush, and the few primitives the
// program draws with. Pixels follow GDI's rules exactly (see the .cpp), so a
// frame comes out the same on every OS. Colours given to the context are GDI
// colours 0x00BBGGRR; the surface stores 0x00RRGGBB. Everything is clipped
// to the surface and to the clip rectangle; coordinates may be any 32-bit
// values.
class CDeviceContext {
public:
    explicit CDeviceContext(CDibSurface& surface) : surface_(&surface) {}

    // Selecting returns the previously selected colour, as SelectObject does.
    uint32_t selectPen(uint32_t colourRef);
    uint32_t selectBrush(uint32_t colourRef);
    uint32_t penColour() const { return pen_; }
    uint32_t brushColour() const { return brush_; }

    // Fills the interior (alternate rule) with the brush, then outlines the
    // closed polygon p0 -> p1 -> ... -> p(n-1) -> p0 with the pen.
    void polygon(const Point* points, int32_t count);
    // Segments p0 -> p1 -> ... -> p(n-1) with the pen; the last point is not set.
    void polyline(const Point* points, int32_t count);
    // MoveToEx / LineTo: a segment from the current position, which then moves.
    void moveTo(int32_t x, int32_t y);
    void lineTo(int32_t x, int32_t y);
    void setPixelV(int32_t x, int32_t y, uint32_t colourRef);
    // Solid fill of [left, right) x [top, bottom) in a GDI colour (FillRect).
    void fillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colourRef);
    // PatBlt with BLACKNESS: writes 0x00000000 over the rectangle at (x, y).
    void blackness(int32_t x, int32_t y, int32_t width, int32_t height);

    // Narrows drawing to [left, right) x [top, bottom) within the current
    // clip (IntersectClipRect). Clipping never moves a pixel: inside the
    // rectangle a primitive sets exactly the pixels it sets without it, so
    // copies of a context clipped to disjoint bands can draw one picture on
    // several threads.
    void intersectClipRect(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // Drawing reaches the whole surface again (SelectClipRgn with no region).
    void clearClip();
    // The clip rectangle within the surface (GetClipBox); empty when nothing
    // can be drawn.
    ClipBox clipBox() const;

    CDibSurface& surface() { return *surface_; }

private:
    CDibSurface* surface_;
    int32_t clipLeft_ = INT32_MIN;
    int32_t clipTop_ = INT32_MIN;
    int32_t clipRight_ = INT32_MAX;
    int32_t clipBottom_ = INT32_MAX;
    uint32_t pen_ = 0;      // GDI colour; black, as a new context's stock pen
    uint32_t brush_ = 0xFFFFFFu;  // white, as a new context's stock brush
    Point current_{};
};

// GDI colour 0x00BBGGRR to the surface's pixel 0x00RRGGBB.
uint32_t colourRefToPixel(uint32_t colourRef);

// A context's surface, clip box, pen and brush taken once for a run of
// primitives, as the frame renderer draws its faces, instead of once per
// call. Draws exactly what the context's own calls draw. Valid while the
// surface keeps its pixel memory and size.
class BatchPainter {
public:
    explicit BatchPainter(CDeviceContext& context);

    ClipBox box() const { return {left_, top_, right_, bottom_}; }
    // As CDeviceContext::polygon and polyline.
    void polygon(const Point* points, int32_t count) const;
    void polyline(const Point* points, int32_t count) const;
    // polygon() of a triangle, then its three corners set to `cornerPixel`.
    void triangleWithCorners(const Point* corners, uint32_t cornerPixel) const;
    // Sets one pixel, given as a surface value 0x00RRGGBB, when it lies in
    // the clip box.
    void setPixel(int32_t x, int32_t y, uint32_t pixel) const {
        if (x >= left_ && x < right_ && y >= top_ && y < bottom_) bits_[int64_t{y} * stride_ + x] = pixel;
    }

private:
    uint32_t* bits_ = nullptr;
    int64_t stride_ = 0;
    int32_t left_ = 0, top_ = 0, right_ = 0, bottom_ = 0;  // within the surface; empty when nothing is drawn
    uint32_t fill_ = 0;
    uint32_t pen_ = 0;
};

}  // namespace volumix
