#pragma once

#include <cstdint>
#include <vector>

#include "platform/pixel_view.h"

namespace volumix {

// Geometry of the frame surface: one column is one mode-2 pixel, so a CPC
// screen byte covers 8 columns in every mode and a line is 96 bytes.
inline constexpr int32_t FrameWidth = 768;
inline constexpr int32_t FrameHeight = 200;
inline constexpr int32_t FramePixelCount = FrameWidth * FrameHeight;
inline constexpr int32_t FrameColumnsPerByte = 8;
inline constexpr int32_t FrameBytesPerLine = FrameWidth / FrameColumnsPerByte;
static_assert(FrameBytesPerLine * FrameColumnsPerByte == FrameWidth, "a frame line is whole screen bytes");

// The 32-bit RGB drawing surface: top-down rows of 0x00RRGGBB pixels that can
// be written directly through `bits` and drawn on through a CDeviceContext.
// The pixel memory is the surface's own; no window is needed to create it.
class CDibSurface {
public:
    int32_t width = 0;
    int32_t height = 0;
    uint32_t* bits = nullptr;  // pixel (x, y) is bits[y * width + x]
    int32_t ready = 0;

    CDibSurface() = default;
    CDibSurface(const CDibSurface&) = delete;
    CDibSurface& operator=(const CDibSurface&) = delete;
    CDibSurface(CDibSurface&&) noexcept;
    CDibSurface& operator=(CDibSurface&&) noexcept;

    // Allocates width x height black pixels. Returns false, leaving `ready`
    // as it was, for a non-positive or unreasonably large size.
    bool create(int32_t newWidth, int32_t newHeight);
    void release();

    void fill(uint32_t value);

    // Copies the surface to (x, y) of the target, scaled by whole factors.
    void blit(const PixelView& target, int32_t x, int32_t y, int32_t scaleX, int32_t scaleY) const;

    // Sets every group of `groupSize` columns of each line to the largest of
    // its pixel values (compared as signed, starting from 0), so each group
    // holds one colour, as one CPC pixel of the mode can show. Group sizes
    // below 2 leave the surface unchanged.
    void widenPixels(int32_t groupSize);

    uint32_t* row(int32_t y) { return bits + static_cast<int64_t>(y) * width; }
    const uint32_t* row(int32_t y) const { return bits + static_cast<int64_t>(y) * width; }
    int64_t pixelCount() const { return static_cast<int64_t>(width) * height; }

private:
    std::vector<uint32_t> storage_;
};

}  // namespace volumix
