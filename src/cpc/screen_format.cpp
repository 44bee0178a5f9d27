#include "cpc/screen_format.h"

#include "cpc/palette.h"

namespace volumix {

namespace {

// With the power-on line width, every raster block shows the frame's 25
// character rows of 80 bytes and leaves its last bytes unseen.
constexpr int32_t ShownBlockBytes = 2 * DefaultCrtcR1 * (FrameHeight / 8);

constexpr bool unseenOnStandardLines(int32_t offset, int32_t count) {
    return offset % ScreenRasterBlock >= ShownBlockBytes && offset % ScreenRasterBlock + count <= ScreenRasterBlock;
}

static_assert(unseenOnStandardLines(PaletteSignatureOffset, static_cast<int32_t>(PaletteSignature.size())));
static_assert(unseenOnStandardLines(PaletteModeOffset, 1 + InkCount) && PaletteInksOffset == PaletteModeOffset + 1);

}  // namespace

uint8_t packScreenByte(int32_t mode, const int32_t* pixelInks) {
    if (!isScreenMode(mode)) return 0;
    const ScreenModeTraits& traits = ScreenModes[static_cast<size_t>(mode)];
    unsigned value = 0;
    for (int32_t p = 0; p < traits.pixelsPerByte; ++p)
        for (int32_t b = 0; b < traits.bitsPerPixel; ++b)
            value |= ((static_cast<unsigned>(pixelInks[p]) >> b) & 1u) << traits.bitOf(p, b);
    return static_cast<uint8_t>(value);
}

void unpackScreenByte(int32_t mode, uint8_t value, int32_t* pixelInks) {
    if (!isScreenMode(mode)) return;
    const ScreenModeTraits& traits = ScreenModes[static_cast<size_t>(mode)];
    for (int32_t p = 0; p < traits.pixelsPerByte; ++p) {
        pixelInks[p] = 0;
        for (int32_t b = 0; b < traits.bitsPerPixel; ++b)
            pixelInks[p] |= ((value >> traits.bitOf(p, b)) & 1) << b;
    }
}

}  // namespace volumix
