#include "cpc/palette.h"

namespace volumix {

namespace {
constexpr uint32_t RedShift = 16;
constexpr uint32_t GreenMask = 0x0000FF00u;
constexpr uint32_t ByteMask = 0xFFu;
}  // namespace

uint32_t hardwareColourPixel(int32_t colour) {
    if (colour < 0 || colour >= HardwareColourCount) return HardwarePalette[0];
    return HardwarePalette[colour];
}

uint32_t hardwareColourRef(int32_t colour) {
    if (colour < 0 || colour >= HardwareColourCount) return 0xFFFFFFFFu;
    return pixelToColourRef(HardwarePalette[colour]);
}

uint32_t pixelToColourRef(uint32_t pixel) {
    return ((pixel & ByteMask) << RedShift) | (pixel & GreenMask) | ((pixel >> RedShift) & ByteMask);
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
