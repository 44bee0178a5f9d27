#pragma once

#include <cstdint>
#include <vector>

#include "cpc/screen_format.h"
#include "export/cpc_snapshot.h"
#include "export/z80_replay.h"

namespace volumix {

// The monitor's side of a replay. The CRTC runs on the standard 50 Hz
// registers: a picture starts 72 lines after a vertical sync starts, where
// the CRTC takes R12; line y is read 64 µs x y later, and byte x of it x / 2
// µs into the line (a character of two bytes a µs, R1 of them a line). Each
// byte shows what memory held at that moment: a write that comes before the
// beam shows, one that comes after waits for the next picture.

// What the monitor shows during each 50 Hz frame of a replay.
struct MonitorPlayback {
    ReplayReport report;                 // the frames' costs and checks, as replayFrames gives them
    std::vector<ScreenImage> pictures;   // one per 50 Hz frame from the sync that starts frame 0, through
                                         // the loop's frame 0: the displayed screen's bytes as the beam read them
    std::vector<uint8_t> torn;           // per picture: 1 when it mixes two states (the player was overtaken)
    // Per picture: the first raster line where the picture changes state,
    // the tear: where the newer state starts below older lines, or the older
    // one below newer lines (a player the beam overtook); -1 if none.
    std::vector<int32_t> tearLine;
    int32_t tornCount = 0;
    std::vector<uint16_t> shownScreens;  // per picture: the screen the CRTC showed (R12's page)
};

// Plays the machine as replayFrames does and builds what the monitor shows.
// A picture is torn when some displayed line shows bytes from before the
// memory changed next to bytes from after (within the picture's time), or
// when some lines show the screen as it was when the picture started and
// others as it was when it ended. Empty pictures when the replay failed.
MonitorPlayback replayWithBeam(const CpcMachine& machine, const std::vector<ScreenImage>& expected,
                               bool fromScrFiles = false);

}  // namespace volumix
