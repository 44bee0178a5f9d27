#pragma once

#include <cstdint>
#include <vector>

namespace volumix {

// The Z80 player (player/player.asm), assembled by the build at origin 0,
// and the offsets of the high bytes of its own addresses.
extern const std::vector<uint8_t> PlayerCode;
extern const std::vector<uint16_t> PlayerRelocations;

// Offsets of the player's parameter block (the build checks them against
// the labels p_index ... p_ends of player.asm).
inline constexpr uint16_t PlayerIndexParam = 3;
inline constexpr uint16_t PlayerFramesParam = 5;
inline constexpr uint16_t PlayerBaseParam = 7;
inline constexpr uint16_t PlayerKindParam = 9;
inline constexpr uint16_t PlayerStackParam = 10;
inline constexpr uint16_t PlayerGoParam = 12;    // a frame's work starts there
inline constexpr uint16_t PlayerWaitParam = 14;  // and ends on reaching this
inline constexpr uint16_t PlayerRateParam = 16;  // vertical syncs per frame
// Five words: where the data ends in banks 4, 5, 6, 7, then in main memory.
inline constexpr uint16_t PlayerEndsParam = 17;
// Double buffering: the second screen's address, whether frames alternate
// between the two screens (1) or not (0), and where a double-buffered frame's
// work ends (the wait for the sync that shows it).
inline constexpr uint16_t PlayerSecondParam = 27;
inline constexpr uint16_t PlayerDoubleParam = 29;
inline constexpr uint16_t PlayerShowParam = 30;

// Vertical syncs per frame the player accepts.
inline constexpr int32_t PlayerRateMax = 50;

// Frames a snapshot's player may list: as many as a run stores.
inline constexpr int32_t PlayerFramesMax = 360;

// Room kept after the code: the player's calls use at most 16 bytes of it
// as stack; the disk loader's last step (its stub and the stub's table of
// moves) runs there before it starts the player.
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
