#include <algorithm>
#include <array>

#include "platform/dib_surface.h"
#include "cpc/screen_codec.h"

namespace volumix {

namespace {

// Maps frame pixels to their share of a screen byte. The top two bits of each
// component tell the three hardware levels apart (0x00, 0x7F, 0xFE give 0, 1,
// 3), so every hardware colour has its own slot among 64; a pixel counts only
// when it is exactly the slot's colour, which keeps inkOfPixel's answer
// (first ink of the colour, 0 when none) for any pixel value. Each slot holds
// the bits its ink sets at every pixel position of the byte, so a byte is the
// OR of one lookup per sampled pixel.
class PixelBitsMap {
public:
    static constexpr int32_t Slots = 64;

    PixelBitsMap(int32_t mode, const InkArray& inks) {
        constexpr int32_t levelOfCode[4] = {0, 1, -1, 2};
        const int32_t pixelsPerByte = ScreenModes[mode].pixelsPerByte;
        for (uint32_t slot = 0; slot < Slots; ++slot) {
            const int32_t b = levelOfCode[slot & 3];
            const int32_t g = levelOfCode[(slot >> 2) & 3];
            const int32_t r = levelOfCode[(slot >> 4) & 3];
            // A slot with no hardware colour takes no pixel that could reach
            // it, and sets no bits.
            pixelOfSlot_[slot] = NoPixel;
            if (b < 0 || g < 0 || r < 0) continue;
            pixelOfSlot_[slot] = HardwarePalette[9 * g + 3 * r + b];
            const int32_t ink = inkOfPixel(inks, pixelOfSlot_[slot]);
            for (int32_t position = 0; position < pixelsPerByte; ++position) {
                int32_t pixelInks[8] = {};
                pixelInks[position] = ink;
                bitsOf_[position][slot] = packScreenByte(mode, pixelInks);
            }
        }
    }

    uint32_t bits(int32_t position, uint32_t pixel) const {
        // Gathers bits 6-7, 14-15, 22-23 into bits 26-31; the other products
        // stay below bit 24.
        const uint32_t slot = ((pixel & 0xC0C0C0u) * 0x104100u) >> 26;
        return pixel == pixelOfSlot_[slot] ? bitsOf_[position][slot] : 0u;
    }

private:
    static constexpr uint32_t NoPixel = 0xFFFFFFFFu;
    std::array<uint32_t, Slots> pixelOfSlot_{};
    std::array<std::array<uint8_t, Slots>, 8> bitsOf_{};
};

template <int32_t Mode>
void encodeLine(const uint32_t* line, uint8_t* out, int32_t count, const PixelBitsMap& map) {
    constexpr int32_t pixelsPerByte = ScreenModes[Mode].pixelsPerByte;
    constexpr int32_t columnsPerPixel = ScreenModes[Mode].columnsPerPixel;
    for (int32_t j = 0; j < count; ++j) {
        const uint32_t* columns = line + FrameColumnsPerByte * j;
        uint32_t value = 0;
        for (int32_t p = 0; p < pixelsPerByte; ++p) value |= map.bits(p, columns[p * columnsPerPixel]);
        out[j] = static_cast<uint8_t>(value);
    }
}

}  // namespace

void encodeScreen(const uint32_t* framePixels, ScreenImage& target, int32_t screenMode, const InkArray& inks,
                  int32_t bytesPerLine, bool linear) {
    if (framePixels == nullptr || !isScreenMode(screenMode) || bytesPerLine <= 0) return;
    // A line can never store more than the image holds; this keeps the
    // address arithmetic small without changing what is stored.
    bytesPerLine = std::min(bytesPerLine, ScreenBytes);
    const PixelBitsMap map(screenMode, inks);
    constexpr void (*encoders[3])(const uint32_t*, uint8_t*, int32_t, const PixelBitsMap&) = {
        encodeLine<0>, encodeLine<1>, encodeLine<2>};
    const auto encode = encoders[screenMode];
    // Bytes past the frame's 96 per line have no pixels: they encode as ink 0.
    const int32_t framedBytes = std::min(bytesPerLine, FrameBytesPerLine);
    const uint8_t emptyByte = 0;
    for (int32_t y = 0; y < FrameHeight; ++y) {
        const int64_t address = screenLineAddress(y, bytesPerLine, linear);
        if (address >= ScreenBytes) continue;
        const int32_t storable = static_cast<int32_t>(std::min<int64_t>(bytesPerLine, ScreenBytes - address));
        const int32_t encoded = std::min(storable, framedBytes);
        uint8_t* out = target.data() + address;
        encode(framePixels + static_cast<int64_t>(y) * FrameWidth, out, encoded, map);
        std::fill(out + encoded, out + storable, emptyByte);
    }
}

}  // namespace volumix
