#pragma once

#include <string>

#include "export/cpc_snapshot.h"

namespace volumix {

// `generate --dsk FILE.dsk`: writes a CPC data disk holding the run's files,
// its player and a loader, so that RUN"NAME" plays the run as its snapshot
// does. Errors go to stderr with the reason (a run too large for the disk
// gives the files' sizes); ExitOk or ExitInputFailed.
int writeRunDisk(const CpcMachine& machine, const std::string& prefix, const std::string& path);

}  // namespace volumix
