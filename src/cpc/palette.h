#pragma once

#include <array>
#include <cstdint>

namespace volumix {

// The 27 hardware colours of the CPC, as frame pixels 0x00RRGGBB. Each
// component takes one of three levels (0x00, 0x7F, 0xFE); the index is
// 9 * G + 3 * R + B with the level numbers 0..2.
inline constexpr int HardwareColourCount = 27;
inline constexpr std::array<uint32_t, HardwareColourCount> HardwarePalette = [] {
    constexpr uint32_t levels[3] = {0x00, 0x7F, 0xFE};
    std::array<uint32_t, HardwareColourCount> table{};
    for (int g = 0; g < 3; ++g)
        for (int r = 0; r < 3; ++r)
            for (int b = 0; b < 3; ++b)
                table[9 * g + 3 * r + b] = (levels[r] << 16) | (levels[g] << 8) | levels[b];
    return table;
}();

inline constexpr int InkCount = 16;
using InkArray = std::array<int32_t, InkCount>;

// The working inks a new session starts with.
inline constexpr InkArray DefaultInks = {1, 24, 20, 6, 26, 0, 2, 7, 10, 12, 14, 16, 18, 22, 1, 14};

// Hardware colour number to frame pixel 0x00RRGGBB; out of range gives black.
uint32_t hardwareColourPixel(int32_t colour);

// Hardware colour number to GDI colour 0x00BBGGRR; out of range gives
// 0xFFFFFFFF, which is no valid colour.
uint32_t hardwareColourRef(int32_t colour);

// Frame pixel 0x00RRGGBB to GDI colour 0x00BBGGRR. The exchange of red and
// blue is its own inverse, so this also turns a GDI colour into a pixel.
uint32_t pixelToColourRef(uint32_t pixel);

// First ink (0..15) whose hardware colour gives exactly this pixel, 0 when
// none does. An ink holding no valid hardware colour matches like black.
int32_t inkOfPixel(const InkArray& inks, uint32_t pixel);

// Inks usable in screen mode 0, 1, 2: mask 15, 3, 1 (other modes: 15).
int32_t inkMaskOfMode(int32_t screenMode);

}  // namespace volumix
