#include "platform/pixel_view.h"

#include <algorithm>

namespace volumix {

void stretchCopy(const uint32_t* source, int32_t sourceWidth, int32_t sourceHeight, const PixelView& target,
                 int32_t x, int32_t y, int32_t scaleX, int32_t scaleY) {
    if (source == nullptr || target.pixels == nullptr || scaleX < 1 || scaleY < 1) return;
    if (sourceWidth <= 0 || sourceHeight <= 0) return;
    // Target rectangle in 64 bits: the scaled size may not fit in 32.
    const int64_t left = std::max<int64_t>(x, 0);
    const int64_t top = std::max<int64_t>(y, 0);
    const int64_t right = std::min<int64_t>(int64_t{x} + int64_t{sourceWidth} * scaleX, target.width);
    const int64_t bottom = std::min<int64_t>(int64_t{y} + int64_t{sourceHeight} * scaleY, target.height);
    if (left >= right || top >= bottom) return;
    for (int64_t ty = top; ty < bottom; ++ty) {
        const uint32_t* sourceRow = source + ((ty - y) / scaleY) * sourceWidth;
        uint32_t* targetRow = target.pixels + ty * target.stride;
        if (scaleX == 1) {
            std::copy(sourceRow + (left - x), sourceRow + (right - x), targetRow + left);
            continue;
        }
        for (int64_t tx = left; tx < right; ++tx) targetRow[tx] = sourceRow[(tx - x) / scaleX];
    }
}

}  // namespace volumix
