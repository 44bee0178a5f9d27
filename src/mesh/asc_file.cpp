// Reading and writing the 3D Studio ASCII (.asc) subset Volumix uses.

#include <algorithm>
#include <array>
#include <charconv>
#include <limits>
#include <string>
#include <string_view>

#include "mesh/mesh_object.h"
#include "platform/crt_numbers.h"
#include "platform/file_io.h"
#include "platform/french_texts.h"
#include "platform/text_lines.h"

namespace volumix {

namespace {

// Lines are cut where fgets with a 200-byte buffer cuts them.
constexpr size_t AscPieceLimit = 199;

char toUpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Moves `position` to the first character at or after it whose upper case is
// `label`, or to the end of the line when there is none, and returns where the
// value begins (two characters on, past the colon) or nothing.
std::string_view findLabelledValue(std::string_view line, size_t& position, char label) {
    while (position < line.size() && toUpperAscii(line[position]) != label) ++position;
    if (position >= line.size() || line.size() - position <= 2) return {};
    return line.substr(position + 2);
}

MeshVertex readVertex(std::string_view line) {
    size_t position = 11;  // past "Vertex", whose own x would otherwise match
    MeshVertex vertex;
    vertex.x = parseAtof(findLabelledValue(line, position, 'X'));
    vertex.y = parseAtof(findLabelledValue(line, position, 'Y'));
    vertex.z = parseAtof(findLabelledValue(line, position, 'Z'));
    return vertex;
}

int32_t addIndexBase(int32_t index, int32_t base) {
    const int64_t sum = static_cast<int64_t>(index) + base;
    return static_cast<int32_t>(std::clamp<int64_t>(sum, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

MeshFace readFace(std::string_view line, int32_t indexBase) {
    size_t position = 9;  // past "Face", whose own a and c would otherwise match
    MeshFace face;
    face.a = addIndexBase(parseAtoi(findLabelledValue(line, position, 'A')), indexBase);
    face.b = addIndexBase(parseAtoi(findLabelledValue(line, position, 'B')), indexBase);
    face.c = addIndexBase(parseAtoi(findLabelledValue(line, position, 'C')), indexBase);
    return face;
}

void recentreMesh(MeshObject& mesh) {
    const Vec3 centre = meshBounds(mesh).centre;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.x -= centre.x;
        v.y -= centre.y;
        v.z -= centre.z;
    }
}

void appendPadded(std::string& out, std::string_view text, size_t width) {
    out += text;
    if (text.size() < width) out.append(width - text.size(), ' ');
}

// printf "%-<width>d".
void appendInt(std::string& out, int32_t value, size_t width = 0) {
    std::array<char, 16> digits{};
    const auto result = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    appendPadded(out, std::string_view(digits.data(), static_cast<size_t>(result.ptr - digits.data())), width);
}

// printf "%-12.4f" in the C locale; to_chars never looks at the locale.
void appendCoordinate(std::string& out, double value) {
    std::array<char, 400> text{};  // DBL_MAX has 309 integer digits
    const auto result = std::to_chars(text.data(), text.data() + text.size(), value, std::chars_format::fixed, 4);
    appendPadded(out, std::string_view(text.data(), static_cast<size_t>(result.ptr - text.data())), 12);
}

}  // namespace

AscLoadResult loadAscBytes(MeshObject& mesh, std::span<const uint8_t> bytes, bool recentre) {
    int32_t indexBase = 0;
    TextPieceReader reader(bytes, AscPieceLimit);
    std::string_view line;
    while (reader.next(line)) {
        if (line.starts_with("Vertex")) {
            if (mesh.vertexCount >= MeshCapacity) return AscTooManyVertices;
            if (line.starts_with("Vertex list")) continue;
            mesh.vertices[static_cast<size_t>(mesh.vertexCount++)] = readVertex(line);
        } else if (line.starts_with("Face")) {
            if (mesh.faceCount >= MeshCapacity) return AscTooManyFaces;
            if (line.starts_with("Face list")) continue;
            mesh.faces[static_cast<size_t>(mesh.faceCount++)] = readFace(line, indexBase);
        } else if (line.starts_with("Named object")) {
            indexBase = mesh.vertexCount;
        }
    }
    if (recentre) recentreMesh(mesh);
    return AscOk;
}

// The full-table texts name the tables' size.
static_assert(french::numberAfter(french::TooManyPoints, "(>") == MeshCapacity &&
              french::numberAfter(french::TooManyFaces, "(>") == MeshCapacity);

std::string_view ascLoadMessage(AscLoadResult result) {
    switch (result) {
        case AscOk: return {};
        case AscOpenFailed: return french::ObjectOpenFailed;
        case AscTooManyVertices: return french::TooManyPoints;
        case AscTooManyFaces: return french::TooManyFaces;
    }
    return french::ObjectOpenFailed;
}

void reportCapacity(Failure* failure, AscLoadResult result, const std::filesystem::path& path) {
    if (result != AscTooManyVertices && result != AscTooManyFaces) return;
    Failure full = fileFailure(result == AscTooManyVertices ? FailureTooManyPoints : FailureTooManyFaces, path.string());
    full.count = MeshCapacity;
    report(failure, std::move(full));
}

AscLoadResult loadAsc(MeshObject& mesh, const std::filesystem::path& path, bool recentre, Failure* failure) {
    const std::optional<std::vector<uint8_t>> bytes = readWholeFile(path, AscFileBytesMax, failure);
    if (!bytes) return AscOpenFailed;
    const AscLoadResult result = loadAscBytes(mesh, *bytes, recentre);
    reportCapacity(failure, result, path);
    return result;
}

bool saveAsc(const MeshObject& mesh, const std::filesystem::path& path, Failure* failure) {
    constexpr std::string_view newline = "\r\n";
    std::string out;
    out.reserve(128 + static_cast<size_t>(mesh.vertexCount) * 64 + static_cast<size_t>(mesh.faceCount) * 40);

    // Windows-1252: each e acute is the single byte 0xE9.
    out += "Named object : \"Objet g\xE9" "n\xE9" "r\xE9" " avec Volumix\"";
    out += newline;
    out += "Tri-mesh, Vertices:";
    appendInt(out, mesh.vertexCount, 7);
    out += "Faces:";
    appendInt(out, mesh.faceCount);
    out += newline;
    out += "Vertex list:";
    out += newline;
    for (int32_t i = 0; i < mesh.vertexCount; ++i) {
        const MeshVertex& v = mesh.vertices[static_cast<size_t>(i)];
        out += "Vertex ";
        appendInt(out, i);
        out += ":  X:";
        appendCoordinate(out, v.x);
        out += " Y:";
        appendCoordinate(out, v.y);
        out += " Z:";
        appendCoordinate(out, v.z);
        out += newline;
    }
    out += newline;
    out += "Face list:";
    out += newline;
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        const MeshFace& f = mesh.faces[static_cast<size_t>(i)];
        out += "Face ";
        appendInt(out, i);
        out += ":  A:";
        appendInt(out, f.a, 5);
        out += " B:";
        appendInt(out, f.b, 5);
        out += " C:";
        appendInt(out, f.c, 5);
        out += newline;
    }
    const FileWriteResult written =
        writeFileReplacing(path, std::span(reinterpret_cast<const uint8_t*>(out.data()), out.size()));
    if (!written) report(failure, written.failure);
    return static_cast<bool>(written);
}

}  // namespace volumix
