#pragma once

#include <cstdint>

namespace volumix {

// A rectangle of 32-bit pixels owned by someone else: a window's back buffer,
// an image, or another surface. Rows are `stride` pixels apart.
struct PixelView {
    uint32_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;
};

// Copies a source block to (x, y) of the target, each source pixel repeated
// exactly scaleX times across and scaleY times down (a COLORONCOLOR stretch by
// whole factors). Clipped to the target; factors below 1 copy nothing.
void stretchCopy(const uint32_t* source, int32_t sourceWidth, int32_t sourceHeight, const PixelView& target,
                 int32_t x, int32_t y, int32_t scaleX, int32_t scaleY);

}  // namespace volumix
