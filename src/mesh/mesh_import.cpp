#include "mesh/mesh_import.h"

#include <algorithm>

namespace volumix {

namespace {

std::string lowerAscii(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; });
    return text;
}

std::string upperAscii(std::string_view text) {
    std::string upper(text);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; });
    return upper;
}

}  // namespace

bool isImportedMeshFile(const std::filesystem::path& path) {
    const std::string extension = path.extension().string();
    if (extension.size() < 2) return false;
    const std::string name = lowerAscii(extension.substr(1));
    return std::find(ImportedMeshExtensions.begin(), ImportedMeshExtensions.end(), name) !=
           ImportedMeshExtensions.end();
}

bool meshImportAvailable() {
#ifdef VOLUMIX_WITH_ASSIMP
    return true;
#else
    return false;
#endif
}

std::string importedMeshPatterns() {
    std::string patterns;
    if (!meshImportAvailable()) return patterns;
    for (const std::string_view extension : ImportedMeshExtensions) {
        if (!patterns.empty()) patterns += ' ';
        patterns += "*.";
        patterns += extension;
        patterns += " *.";
        patterns += upperAscii(extension);
    }
    return patterns;
}

AscLoadResult loadMeshFile(MeshObject& mesh, const std::filesystem::path& path, bool recentre,
                           Failure* failure) {
    if (!isImportedMeshFile(path)) return loadAsc(mesh, path, recentre, failure);
#ifdef VOLUMIX_WITH_ASSIMP
    const AscLoadResult result = importMeshFile(mesh, path, failure);
    if (result == AscOk && recentre) {
        // x + (-c) is x - c exactly: the same points as loadAsc's recentring.
        const Vec3 centre = meshBounds(mesh).centre;
        offsetAndScaleMesh(mesh, {-centre.x, -centre.y, -centre.z}, {1.0, 1.0, 1.0});
    }
    return result;
#else
    report(failure, fileFailure(FailureImporterMissing, path.string()));
    return AscOpenFailed;
#endif
}

}  // namespace volumix
