#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "platform/dib_surface.h"

namespace volumix {

// One CPC screen: 16 KB of video memory, offset 0 being the first byte of the
// screen block whatever its base address.
inline constexpr int32_t ScreenBytes = 16384;
using ScreenImage = std::array<uint8_t, ScreenBytes>;

// The CRTC's power-on line width (R1, in 2-byte characters) and the
// firmware's screen block: what a run uses unless told otherwise.
inline constexpr int32_t DefaultCrtcR1 = 40;
inline constexpr uint16_t DefaultScreenBase = 0xC000;

// The eight raster lines of a character row lie this far apart.
inline constexpr int32_t ScreenRasterBlock = 2048;
static_assert(8 * ScreenRasterBlock == ScreenBytes, "the eight raster blocks fill the screen");

// Spare bytes that hold an embedded palette (never shown with 80-byte lines).
inline constexpr int32_t PaletteSignatureOffset = 0x07D0;
inline constexpr std::array<uint8_t, 4> PaletteSignature = {0x3A, 0xD0, 0xD7, 0xCD};
inline constexpr int32_t PaletteModeOffset = 0x17D0;
inline constexpr int32_t PaletteInksOffset = 0x17D1;

// Each screen mode described once: the encoder, the decoder and every view
// of a mode's pixels work from this. A screen byte always covers
// FrameColumnsPerByte frame columns, so a pixel covers 8 / pixelsPerByte of
// them, and holds 8 / pixelsPerByte bits of ink number.
struct ScreenModeTraits {
    int32_t pixelsPerByte;    // 2, 4, 8
    int32_t columnsPerPixel;  // 4, 2, 1
    int32_t bitsPerPixel;     // 4, 2, 1
    int32_t inkMask;          // 15, 3, 1
    // Each ink bit is a plane of one bit per pixel, the planes being
    // pixelsPerByte bits apart (mode 0 stores them in the order 0, 2, 1, 3).
    std::array<int32_t, 4> planeShift;

    // The byte's bit that holds bit `inkBit` of pixel `pixel` (leftmost 0).
    constexpr int32_t bitOf(int32_t pixel, int32_t inkBit) const {
        return 7 - pixel - planeShift[static_cast<size_t>(inkBit)];
    }
};

constexpr ScreenModeTraits screenModeTraits(int32_t pixelsPerByte, std::array<int32_t, 4> planeShift) {
    const int32_t bitsPerPixel = 8 / pixelsPerByte;
    return {pixelsPerByte, FrameColumnsPerByte / pixelsPerByte, bitsPerPixel, (1 << bitsPerPixel) - 1, planeShift};
}

inline constexpr std::array<ScreenModeTraits, 3> ScreenModes = {
    screenModeTraits(2, {0, 4, 2, 6}), screenModeTraits(4, {0, 4}), screenModeTraits(8, {0})};

// The mode-2 pixel is the frame's column.
static_assert(ScreenModes[2].columnsPerPixel == 1);

inline bool isScreenMode(int32_t mode) { return mode >= 0 && mode < static_cast<int32_t>(ScreenModes.size()); }

// The bits of a screen byte that hold pixel p (leftmost first) of the mode:
// in mode 1, 0x88, 0x44, 0x22, 0x11.
constexpr uint8_t screenPixelBits(int32_t mode, int32_t pixel) {
    const ScreenModeTraits& traits = ScreenModes[static_cast<size_t>(mode)];
    uint32_t bits = 0;
    for (int32_t b = 0; b < traits.bitsPerPixel; ++b) bits |= 1u << traits.bitOf(pixel, b);
    return static_cast<uint8_t>(bits);
}

// Frame columns that one pixel of the mode covers, the group a frame is
// widened to before encoding: 4, 2, 1 (1, no widening, for an unknown mode).
inline int32_t widenGroupOfMode(int32_t screenMode) {
    return isScreenMode(screenMode) ? ScreenModes[static_cast<size_t>(screenMode)].columnsPerPixel : 1;
}

// Packs the ink numbers of a byte's pixels (leftmost first; only the bits the
// mode uses count) into a screen byte, as planeShift lays them out. Mode 0:
// bit 7 p0b0, 6 p1b0, 5 p0b2, 4 p1b2, 3 p0b1, 2 p1b1, 1 p0b3, 0 p1b3. Mode 1:
// bit 7-k pk b0, bit 3-k pk b1. Mode 2: bit 7-k pk.
uint8_t packScreenByte(int32_t mode, const int32_t* pixelInks);

// The inverse: writes the mode's pixelsPerByte ink numbers of a screen byte.
void unpackScreenByte(int32_t mode, uint8_t value, int32_t* pixelInks);

// Offset of line y in the image: the CRTC's character-row layout, or one line
// after the other when the linear option (R9 = 0) is on. In 64 bits, so any
// line width gives an address that can be compared with the image's end.
inline int64_t screenLineAddress(int32_t y, int32_t bytesPerLine, bool linear) {
    if (linear) return int64_t{y} * bytesPerLine;
    return int64_t{y >> 3} * bytesPerLine + int64_t{y & 7} * ScreenRasterBlock;
}

}  // namespace volumix
