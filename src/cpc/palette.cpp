#include "cpc/palette.h"

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

int32_t inkMaskOfMode(int32_t screenMode) {
    switch (screenMode) {
        case 1: return 3;
        case 2: return 1;
        default: return 15;
    }
}

}  // namespace volumix
