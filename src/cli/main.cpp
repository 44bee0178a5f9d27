#include <cstdio>
#include <string>
#include <vector>

#include "cli/generate_command.h"
#include "cli/verify_command.h"

namespace {

void printUsage(std::FILE* stream) {
    std::fputs(
        "Usage: volumix generate OBJECT.asc [options]\n"
        "       volumix verify PREFIX [--snapshot FILE.sna]\n"
        "Renders an animation of a 3D Studio ASCII mesh into Amstrad CPC data.\n"
        "Run 'volumix generate --help' for the options.\n",
        stream);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return volumix::ExitUsage;
    }
    const std::string command = argv[1];
    if (command == "--help" || command == "-h") {
        printUsage(stdout);
        return volumix::ExitOk;
    }
    if (command == "generate") return volumix::runGenerateCommand(std::vector<std::string>(argv + 2, argv + argc));
    if (command == "verify") return volumix::runVerifyCommand(std::vector<std::string>(argv + 2, argv + argc));
    std::fprintf(stderr, "error: unknown command '%s' (try 'volumix generate --help')\n", command.c_str());
    return volumix::ExitUsage;
}
