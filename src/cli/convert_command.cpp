#include "cli/convert_command.h"

#include <CLI/CLI.hpp>

#include <cctype>
#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "cli/failure_text.h"
#include "cli/generate_command.h"
#include "cli/parse_arguments.h"
#include "mesh/mesh_import.h"

namespace volumix {

namespace {

bool endsWithAsc(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".asc";
}

int fail(const std::string& message, int status) {
    std::fprintf(stderr, "error: %s\n", message.c_str());
    return status;
}

}  // namespace

int runConvertCommand(const std::vector<std::string>& arguments) {
    CLI::App app{"Writes an object file as a 3D Studio ASCII mesh (.asc).", "volumix convert"};
    std::string input, output;
    app.add_option("input", input, "the object file: .asc, .obj, .stl, .ply, .gltf, .glb, .3ds, .dae...")
        ->required()
        ->type_name("IN");
    app.add_option("output", output, "the .asc file to write")->required()->type_name("OUT.asc");
    if (const std::optional<int> status = parseArguments(app, arguments)) return *status;
    if (!endsWithAsc(output)) return fail("the output must be an .asc file (got " + output + ")", ExitUsage);

    try {
        const auto mesh = std::make_unique<MeshObject>();
        Failure failure;
        const AscLoadResult loaded = loadMeshFile(*mesh, input, false, &failure);
        if (loaded != AscOk) return fail(cannotRead(failure), ExitInputFailed);
        // An empty .asc would only hide that the file was not understood.
        if (mesh->vertexCount == 0 && mesh->faceCount == 0)
            return fail("cannot read " + input + ": holds no mesh (0 points, 0 faces)", ExitInputFailed);
        if (!saveAsc(*mesh, output, &failure)) return fail(cannotWrite(failure), ExitInputFailed);
        std::printf("%s: %d points, %d faces\n", output.c_str(), mesh->vertexCount, mesh->faceCount);
        return ExitOk;
    } catch (const std::bad_alloc&) {
        return fail("out of memory", ExitInputFailed);
    }
}

}  // namespace volumix
