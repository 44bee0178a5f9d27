#include "cpc/palette.h"

#include "cpc/screen_format.h"
#include "platform/device_context.h"

namespace volumix {

uint32_t hardwareColourPixel(int32_t colour) {
    if (colour < 0 || colour >= HardwareColourCount) return HardwarePalette[0];
    return HardwarePalette[colour];
}

uint32_t hardwareColourRef(int32_t colour) {
    if (colour < 0 || colour >= HardwareColourCount) return 0xFFFFFFFFu;
    return pixelToColourRef(HardwarePalette[colour]);
}

uint32_t pixelToColourRef(uint32_t pixel) {
    return colourRefToPixel(pixel);  // the red/blue exchange is its own inverse
}

int32_t inkOfPixel(const InkArray& inks, uint32_t pixel) {
    for (int32_t k = 0; k < InkCount; ++k)
        if (hardwareColourPixel(inks[k]) == pixel) return k;
    return 0;
}

// Mode 0 names every ink: an unknown mode masks nothing away.
static_assert(ScreenModes[0].inkMask == InkCount - 1);

int32_t inkMaskOfMode(int32_t screenMode) {
    return ScreenModes[static_cast<size_t>(isScreenMode(screenMode) ? screenMode : 0)].inkMask;
}

}  // namespace volumix
