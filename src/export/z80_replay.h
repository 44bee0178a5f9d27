#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cpc/screen_format.h"
#include "export/cpc_snapshot.h"

namespace volumix {

// One 50 Hz frame of the CPC: 312 lines of 64 µs.
inline constexpr int32_t NopsPerFrame = 19968;

// One played frame: its cost from the vertical sync that started it to the
// player's next wait, and the screen compared with the frame the run drew.
struct ReplayFrame {
    int32_t frame = 0;       // position in the index; the loop's frame 0 comes last
    bool loop = false;       // frame 0 again, played after the last frame
    int64_t nops = 0;        // µs of CPC time
    bool fits = true;        // the next frame started at the next sync
    bool matches = true;
    uint16_t address = 0;    // first differing CPC address
    uint8_t screenByte = 0, expectedByte = 0;
    bool endMarkerLimit = false;  // the mismatch is the 00 00 end-marker limit
};

struct ReplayReport {
    std::vector<ReplayFrame> frames;
    std::string failure;  // the emulation could not go on (the player ran away)
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

}  // namespace volumix
