#pragma once

#include <cstdint>

#include "platform/dib_surface.h"

namespace volumix {

struct Point {
    int32_t x = 0;
    int32_t y = 0;
};

// Our stand-in for a GDI memory device context selected onto a CDibSurface:
// one solid pen of width 1 and one solid brush, and the few primitives the
// program draws with. Pixels follow GDI's rules exactly (see the .cpp), so a
// frame comes out the same on every OS. Colours given to the context are GDI
// colours 0x00BBGGRR; the surface stores 0x00RRGGBB. Everything is clipped
// to the surface; coordinates may be any 32-bit values.
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

    CDibSurface& surface() { return *surface_; }

private:
    CDibSurface* surface_;
    uint32_t pen_ = 0;      // GDI colour; black, as a new context's stock pen
    uint32_t brush_ = 0xFFFFFFu;  // white, as a new context's stock brush
    Point current_{};
};

// GDI colour 0x00BBGGRR to the surface's pixel 0x00RRGGBB.
uint32_t colourRefToPixel(uint32_t colourRef);

}  // namespace volumix
