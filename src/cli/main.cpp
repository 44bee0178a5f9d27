#include <cstdio>
#include <string>
#include <vector>

#include "app/version.h"
#include "cli/convert_command.h"
#include "cli/generate_command.h"
#include "cli/verify_command.h"

namespace {

void printUsage(std::FILE* stream) {
    std::fputs(
        "Usage: volumix COMMAND [options]\n"
        "Turns 3D meshes into Amstrad CPC animation screens and data.\n"
        "\n"
        "Commands:\n"
        "  generate OBJECT [options]  render an animation of a mesh into .SCR screens, CPC data and assembler\n"
        "  convert IN OUT.asc         write a mesh of another format as a 3D Studio ASCII (.asc) file\n"
        "  verify PREFIX [options]    play a run's data on an emulated CPC and check every frame\n"
        "\n"
        "Options:\n"
        "  -h, --help                 this list\n"
        "  -V, --version              the version and build date\n"
        "\n"
        "Run 'volumix COMMAND --help' for the options of a command.\n",
        stream);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        printUsage(stderr);
        return volumix::ExitUsage;
    }
    const std::string command = argv[1];
    const std::vector<std::string> arguments(argv + 2, argv + argc);
    if (command == "--help" || command == "-h") {
        printUsage(stdout);
        return volumix::ExitOk;
    }
    if (command == "--version" || command == "-V") {
        // The window's caption, which carries the version and the build time.
        std::printf("%s\n", volumix::programCaption().c_str());
        return volumix::ExitOk;
    }
    if (command == "generate") return volumix::runGenerateCommand(arguments);
    if (command == "verify") return volumix::runVerifyCommand(arguments);
    if (command == "convert") return volumix::runConvertCommand(arguments);
    std::fprintf(stderr, "error: unknown command '%s' (try 'volumix --help')\n", command.c_str());
    return volumix::ExitUsage;
}
