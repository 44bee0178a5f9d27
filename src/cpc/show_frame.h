#pragma once

#include <cstdint>

#include "platform/device_context.h"
#include "platform/pixel_view.h"

namespace volumix {

// Where the main window shows the frame, and how much it is enlarged.
inline constexpr int32_t FrameViewX = 4;
inline constexpr int32_t FrameViewY = 4;
inline constexpr int32_t FrameViewScaleX = 1;
inline constexpr int32_t FrameViewScaleY = 2;

// Blackens the frame's columns from 16 * R1 on, the part of the frame the
// CPC does not show (nothing with R1 of 48 or more).
void blackenOutsidePicture(CDeviceContext& frameContext, int32_t crtcR1);

// Blackens the frame's columns from 16 * R1 on (outside the CPC picture; with
// R1 of 48 or more nothing is), then copies the frame into the window's
// pixels at (4, 4), doubled vertically.
void showFrame(CDeviceContext& frameContext, int32_t crtcR1, const PixelView& window);

}  // namespace volumix
