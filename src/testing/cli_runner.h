#pragma once

// Runs the built `volumix` through a shell, as a user would, for the end-to-end
// tests of the command line.

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace volumix::test {

struct CliOutcome {
    int status = -1;               // the exit status; -1 when it did not exit
    std::vector<std::string> out;  // stdout, line by line
    std::string outText;           // stdout as written
    std::string err;
};

// `arguments` follow the program's path as typed in a shell; `before` runs
// first in the same shell (limits, traps). stdin is empty, and both outputs
// go through files of `scratch`, which are removed again.
inline CliOutcome runCli(const std::filesystem::path& scratch, const std::string& arguments,
                         const std::string& before = "") {
    const std::filesystem::path out = scratch / "stdout.txt";
    const std::filesystem::path err = scratch / "stderr.txt";
    const std::string program = std::string("exec '") + VOLUMIX_CLI_PATH + "' " + arguments;
    std::string quoted;
    for (const char c : before + program) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    const std::string command =
        "sh -c '" + quoted + "' >'" + out.string() + "' 2>'" + err.string() + "' </dev/null";
    const int raw = std::system(command.c_str());
    CliOutcome outcome;
    outcome.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    outcome.outText = readText(out);
    outcome.err = readText(err);
    std::istringstream lines(outcome.outText);
    for (std::string line; std::getline(lines, line);) outcome.out.push_back(line);
    std::error_code ignored;
    std::filesystem::remove(out, ignored);
    std::filesystem::remove(err, ignored);
    return outcome;
}

}  // namespace volumix::test
