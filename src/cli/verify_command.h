#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "export/z80_replay.h"

namespace volumix {

// `volumix verify PREFIX [--snapshot FILE.sna]`: plays the run's data files
// with the snapshot's player on an emulated CPC and compares every frame
// with the run's .SCR files. 0 when every frame matches, 1 otherwise.
int runVerifyCommand(const std::vector<std::string>& arguments);

// One line per frame, then the summary. True when every frame matched and
// the player kept its count of vertical syncs. `stoppedByFullMemory` names
// that cause of a loop that does not close.
bool printReplayReport(const ReplayReport& report, std::FILE* out, bool stoppedByFullMemory = false);

}  // namespace volumix
