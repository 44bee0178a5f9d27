#pragma once

#include <string>
#include <vector>

namespace volumix {

// Exit statuses of the command line.
inline constexpr int ExitOk = 0;
inline constexpr int ExitInputFailed = 1;   // a file could not be read, or an output file written
inline constexpr int ExitUsage = 2;         // the command line itself is wrong
inline constexpr int ExitMemoryFull = 3;    // the run stopped: the CPC's memory is full

// `volumix generate OBJECT.asc [options]`: one generation run, headless.
// Prints the message list on stdout; errors as "error: ..." on stderr.
int runGenerateCommand(const std::vector<std::string>& arguments);

}  // namespace volumix
