#pragma once

#include <cstdint>

#include "cpc/palette.h"

namespace volumix {

// How the renderer reads the sprite bank's bytes (the bank itself, with its
// files and editing, lives above the renderer).
inline constexpr int32_t SpriteCountMax = 256;
inline constexpr int32_t SpriteSideMax = 16;
// What a new session draws with: 4 x 4 sprites, the first 16 cycled.
inline constexpr int32_t DefaultSpriteSize = 4;
inline constexpr int32_t DefaultSpriteCount = 16;
inline constexpr int32_t SpriteRowBytes = 32;
inline constexpr int32_t SpriteBytes = SpriteSideMax * SpriteRowBytes;  // 512
inline constexpr int32_t SpriteBankBytes = SpriteCountMax * SpriteBytes;  // 131072
// A sprite byte is an ink number; its low four bits are all an ink has.
inline constexpr uint8_t SpriteInkMask = 0x0F;
static_assert(SpriteInkMask + 1 == InkCount);
// A sprite of side s is 2s bytes wide.
static_assert(SpriteRowBytes == 2 * SpriteSideMax);

}  // namespace volumix
