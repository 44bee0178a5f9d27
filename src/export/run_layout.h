#pragma once

#include <array>
#include <cstdint>

#include "export/cpc_memory_map.h"
#include "export/export_format.h"
#include "platform/failure.h"

namespace volumix {

// Double buffering: the index and the player move to the top of the memory
// the data shares with them when their usual place lies in the second screen.
// The player keeps its 2 KB (code and stack), the index 1,280 bytes (360
// entries of 3, rounded up to 256).
inline constexpr uint16_t MovedPlayerRoom = 0x0800;
inline constexpr uint16_t MovedIndexRoom = 0x0500;
static_assert(MovedIndexRoom >= 360 * IndexEntryBytes);

// Where a run's screens, main data and index lie in the CPC's memory. Frame
// k (in storing order) is drawn on screens[k % 2]; without double buffering
// both are the base address.
struct RunMemoryLayout {
    std::array<uint16_t, 2> screens = {0xC000, 0xC000};
    bool doubleBuffer = false;
    uint16_t indexAddress = MainIndexAddress;
    int32_t largeCapacity = LargeDataCapacity;  // main memory's data, or bank 8's part

    uint16_t secondScreen() const { return screens[1]; }
    // What the second screen costs the data: 16 KB of screen, and the bytes
    // of data the large part no longer holds.
    int32_t capacityCost() const { return LargeDataCapacity - largeCapacity; }
};

// The layout of a run of this format. Double buffering picks the second
// screen from the base, the banks and the memory map:
//   no banks: base &C000 -> &8000 and base &8000 -> &C000, the data ending
//             where the moved index starts (&7300); base &4000 -> &C000, the
//             data ending at the base screen, the index at &A600;
//             base &0000 -> none (the data starts at &0200, inside it);
//   banks:    base &0000 -> &C000 and base &C000 -> &0000, bank 8's part
//             ending where the moved index starts (&B300); base &8000 ->
//             &0000, the part ending at the base screen, the index at &E400;
//             base &4000 -> none (the bank window hides it).
// Fails, with the reason, for a layout with no second screen and for exports
// the player does not play (points, "Taille simple").
Failure runMemoryLayout(const ExportFormat& format, RunMemoryLayout& layout);

// The frames a run stores: firstFrame, firstFrame + step, ... below the count.
int32_t storedFrameCount(int32_t frameCount, int32_t firstFrame, int32_t frameStep);

// Why a run of `storedFrames` frames cannot be double buffered: no second
// screen, or an odd count (frame 0 of the loop would be drawn on the screen
// being shown). Nothing without double buffering.
Failure doubleBufferRefusal(const ExportFormat& format, int32_t storedFrames);

}  // namespace volumix
