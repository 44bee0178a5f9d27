#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cpc/screen_format.h"
#include "export/cpc_snapshot.h"
#include "platform/failure.h"

namespace volumix {

// One 50 Hz frame of the CPC: 312 lines of 64 µs.
inline constexpr int32_t NopsPerFrame = 19968;

// One played frame: its cost, when it started against the rate's schedule
// (frame k at vertical sync k × rate, counted from frame 0's), and the
// screen compared with the frame the run drew.
struct ReplayFrame {
    int32_t frame = 0;      // position in the index; the loop's frame 0 comes last
    bool loop = false;      // frame 0 again, played after the last frame
    int64_t nops = 0;       // µs of CPC time from its start to the player's next wait
    int64_t slotNops = 0;   // from the start of its scheduled sync to that wait
    int32_t sync = 0;       // the vertical sync it started at or after
    bool onTime = true;     // started at the start of its scheduled sync
    bool fits = true;       // ended before the next frame's scheduled sync
    int32_t bytes = 0;      // changed bytes, or box bytes for a sprite block
    int64_t longestUnsampled = 0;  // longest stretch without reading the sync while it played
    bool matches = true;
    uint16_t address = 0;   // first differing CPC address
    uint8_t screenByte = 0, expectedByte = 0;
    // Double buffering: the frame is checked on the screen the CRTC is given
    // (R12) at the sync after it ends; false when the player never gave it.
    bool shown = true;
    uint16_t shownScreen = 0;
};

struct ReplayReport {
    std::vector<ReplayFrame> frames;
    int32_t rate = 1;
    bool boxBytes = false;     // `bytes` counts a sprite block's box
    int32_t missedSyncs = 0;   // vertical syncs that came and went unread while the player ran
    Failure failure;           // the emulation could not go on (the player ran away)
};

// Runs the player on an emulated Z80 over the machine's memory, with the
// gate array's RAM configurations and a vertical sync every 19,968 µs,
// through every frame of the index and once more through frame 0.
// `expected[k]` is the screen after index entry k; only the bytes the CRTC
// shows for the machine's R1 are compared. Screens read from .SCR files
// (`fromScrFiles`) hold the mode and inks at 0x17D0..0x17E0 in place of
// picture bytes, so those offsets are not compared.
ReplayReport replayFrames(const CpcMachine& machine, const std::vector<ScreenImage>& expected,
                          bool fromScrFiles = false);

// The first displayed line starts 72 lines after a vertical sync starts (the
// CRTC's frame start, where it takes R12): NOP 0 of every 19,968.
inline constexpr int64_t VsyncStartNops = 15360;  // 240 lines into the CRTC frame
inline constexpr int64_t FirstLineAfterSync = 72 * 64;
static_assert(VsyncStartNops + FirstLineAfterSync == NopsPerFrame);

// A byte the processor wrote to main memory (pages 0..3, which the CRTC
// reads), and when: NOPs since the replay started.
struct MemoryWrite {
    int64_t time = 0;
    uint16_t address = 0;
    uint8_t value = 0;
};

// What a replay did to the memory the CRTC reads, for the beam model.
struct ReplayTrace {
    std::vector<uint8_t> startMemory;                    // pages 0..3 at the start
    std::vector<MemoryWrite> writes;                     // in time order
    std::vector<std::pair<int64_t, uint8_t>> r12Writes;  // (time, value)
    uint8_t startR12 = 0;
    int64_t firstSync = 0;      // the vertical sync frame 0 started at (its index from the start)
    int64_t lastSync = -1;      // the sync after which the loop's frame 0 is shown
};

// The same replay, recording every write to pages 0..3 and every R12 write,
// and going on until the picture after `trace.lastSync` is drawn.
ReplayReport replayFrames(const CpcMachine& machine, const std::vector<ScreenImage>& expected, bool fromScrFiles,
                          ReplayTrace* trace);

// Mean over frames 1 to the last of each frame's cost per changed (or box)
// byte; frame 0, drawn from the start screen, and frames without bytes are
// left out (frame 0 counts when it is the only one). 0 when none counts.
double nopsPerByte(const ReplayReport& report);

// The smallest rate at which every replayed frame fits: its cost from the
// start of its sync within rate × 19,968 µs. `fits` is false when even
// PlayerRateMax is too few (the rate is then PlayerRateMax).
struct RateChoice {
    int32_t rate = 1;
    int32_t dearestFrame = 0;
    int64_t dearestNops = 0;  // its cost from the start of its sync
    bool fits = true;
};
RateChoice chooseRate(const ReplayReport& report);

// Replays the machine's frames to choose its rate: first at one frame per
// sync (frames that overrun there start late, which only overstates their
// cost), then at that rate, where every frame starts on time and costs what
// it will cost. Leaves the rate in the machine untouched.
RateChoice measureRate(const CpcMachine& machine, Failure* failure);

}  // namespace volumix
