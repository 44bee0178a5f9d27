#include "cpc/show_frame.h"

#include "platform/dib_surface.h"

namespace volumix {

namespace {
constexpr int32_t ColumnsPerR1 = 16;  // R1 counts 2-byte characters of 8 columns each
}

void blackenOutsidePicture(CDeviceContext& frameContext, int32_t crtcR1) {
    const int64_t pictureEnd = int64_t{ColumnsPerR1} * crtcR1;
    if (pictureEnd <= FrameWidth - ColumnsPerR1) {
        const int32_t x = pictureEnd < 0 ? 0 : static_cast<int32_t>(pictureEnd);
        frameContext.blackness(x, 0, FrameWidth - x, FrameHeight);
    }
}

void showFrame(CDeviceContext& frameContext, int32_t crtcR1, const PixelView& window) {
    blackenOutsidePicture(frameContext, crtcR1);
    frameContext.surface().blit(window, FrameViewX, FrameViewY, FrameViewScaleX, FrameViewScaleY);
}

}  // namespace volumix
