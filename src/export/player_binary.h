#pragma once

#include <cstdint>
#include <vector>

namespace volumix {

// The Z80 player (player/player.asm), assembled by the build at origin 0,
// and the offsets of the high bytes of its own addresses.
extern const std::vector<uint8_t> PlayerCode;
extern const std::vector<uint16_t> PlayerRelocations;

// Offsets of the player's parameter block.
inline constexpr uint16_t PlayerIndexParam = 3;
inline constexpr uint16_t PlayerFramesParam = 5;
inline constexpr uint16_t PlayerBaseParam = 7;
inline constexpr uint16_t PlayerKindParam = 9;
inline constexpr uint16_t PlayerStackParam = 10;
inline constexpr uint16_t PlayerGoParam = 12;    // a frame's work starts there
inline constexpr uint16_t PlayerWaitParam = 14;  // and ends on reaching this

// Stack room kept after the code.
inline constexpr uint16_t PlayerStackBytes = 64;

// What the player plays.
enum PlayerKind : uint8_t {
    PlayerDelta = 0,
    PlayerCompressedDelta = 1,
    PlayerSpriteLines = 2,
    PlayerSpriteOneColumn = 3,
    PlayerSpriteTwoColumns = 4,
};

// The player's bytes for `origin` (a multiple of 256), parameters unset.
std::vector<uint8_t> relocatedPlayer(uint16_t origin);

}  // namespace volumix
