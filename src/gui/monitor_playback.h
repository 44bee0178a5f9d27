#pragma once

// What the CPC's monitor showed while the player played a run: the "Lecture
// CPC" dialog plays it back at 50 Hz and writes it as a GIF.
#include <cstdint>
#include <vector>

#include "cpc/screen_format.h"
#include "export/cpc_snapshot.h"
#include "export/beam_replay.h"
#include "export/z80_replay.h"

namespace volumix {

// The one place the window makes a MonitorPlayback: the replay of the
// machine's frames, `expected[k]` being the screen after index entry k.
MonitorPlayback monitorPlaybackOf(const CpcMachine& machine, const std::vector<ScreenImage>& expected);

// Each picture's frame: the position in `report.frames` of the last frame
// started at or before its sync.
std::vector<int32_t> frameOfEachPicture(const MonitorPlayback& playback);

// The picture the loop goes back to after the last one: the sync frame 1
// started at (so frame 0 plays once per turn, as the loop's frame 0).
int32_t loopRestartPicture(const MonitorPlayback& playback);

}  // namespace volumix
