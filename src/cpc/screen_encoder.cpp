#include <algorithm>
#include <array>

#include "cpc/dib_surface.h"
#include "cpc/screen_codec.h"

namespace volumix {

namespace {

// Frame pixels are hardware colours almost always: each component is one of
// three levels. Mapping the levels back to a hardware number and that to the
// first ink holding it gives inkOfPixel's answer with three table lookups
// instead of sixteen comparisons per pixel.
class PixelInkMap {
public:
    explicit PixelInkMap(const InkArray& inks) {
        levelOf_.fill(-1);
        levelOf_[0x00] = 0;
        levelOf_[0x7F] = 1;
        levelOf_[0xFE] = 2;
        for (int32_t colour = 0; colour < HardwareColourCount; ++colour)
            inkOfColour_[colour] = static_cast<uint8_t>(inkOfPixel(inks, HardwarePalette[colour]));
    }

    int32_t inkOf(uint32_t pixel) const {
        if (pixel > 0xFFFFFFu) return 0;
        const int32_t r = levelOf_[(pixel >> 16) & 0xFF];
        const int32_t g = levelOf_[(pixel >> 8) & 0xFF];
        const int32_t b = levelOf_[pixel & 0xFF];
        if ((r | g | b) < 0) return 0;  // no hardware colour, so no ink has it
        return inkOfColour_[9 * g + 3 * r + b];
    }

private:
    std::array<int8_t, 256> levelOf_{};
    std::array<uint8_t, HardwareColourCount> inkOfColour_{};
};

}  // namespace

void encodeScreen(const uint32_t* framePixels, ScreenImage& target, int32_t screenMode, const InkArray& inks,
                  int32_t bytesPerLine, bool linear) {
    if (framePixels == nullptr || !isScreenMode(screenMode) || bytesPerLine <= 0) return;
    // A line can never store more than the image holds; this keeps the
    // address arithmetic small without changing what is stored.
    bytesPerLine = std::min(bytesPerLine, ScreenBytes);
    const PixelInkMap map(inks);
    const ScreenModeTraits& traits = ScreenModes[screenMode];
    // Bytes past the frame's 96 per line have no pixels: they encode as ink 0.
    const int32_t framedBytes = std::min(bytesPerLine, FrameBytesPerLine);
    const uint8_t emptyByte = 0;
    for (int32_t y = 0; y < FrameHeight; ++y) {
        const int64_t address = screenLineAddress(y, bytesPerLine, linear);
        if (address >= ScreenBytes) continue;
        const int32_t storable = static_cast<int32_t>(std::min<int64_t>(bytesPerLine, ScreenBytes - address));
        const uint32_t* line = framePixels + static_cast<int64_t>(y) * FrameWidth;
        uint8_t* out = target.data() + address;
        const int32_t encoded = std::min(storable, framedBytes);
        for (int32_t j = 0; j < encoded; ++j) {
            int32_t pixelInks[8];
            const uint32_t* columns = line + 8 * j;
            for (int32_t p = 0; p < traits.pixelsPerByte; ++p) pixelInks[p] = map.inkOf(columns[p * traits.columnsPerPixel]);
            out[j] = packScreenByte(screenMode, pixelInks);
        }
        std::fill(out + encoded, out + storable, emptyByte);
    }
}

}  // namespace volumix
