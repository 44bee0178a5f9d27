#pragma once

#include <CLI/CLI.hpp>

#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "cli/generate_command.h"

namespace volumix {

// Parses a subcommand's arguments. Nothing when the run may go on; otherwise
// the exit status: the help printed (0) or "error: ..." on stderr (2).
inline std::optional<int> parseArguments(CLI::App& app, const std::vector<std::string>& arguments) {
    try {
        // CLI11 takes the arguments last first.
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend());
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        std::fputs(app.help().c_str(), stdout);
        return ExitOk;
    } catch (const CLI::ParseError& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return ExitUsage;
    }
    return std::nullopt;
}

}  // namespace volumix
