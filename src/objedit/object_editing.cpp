#include "objedit/object_editing.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>

#include "mesh/object_params.h"

namespace volumix {

namespace {

// The number a message names after "(>", -1 when it names none.
enum class Align { Left, Right };

void appendField(std::string& out, std::string_view text, size_t width, Align align) {
    const size_t padding = text.size() < width ? width - text.size() : 0;
    if (align == Align::Right) out.append(padding, ' ');
    out += text;
    if (align == Align::Left) out.append(padding, ' ');
}

void appendInt(std::string& out, int32_t value, size_t width, Align align) {
    std::array<char, 16> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), value);
    appendField(out, std::string_view(digits.data(), static_cast<size_t>(written.ptr - digits.data())), width, align);
}

// "%.<decimals>f" in the C locale, whatever the value's size; to_chars never
// looks at the locale and spells infinities and NaN as printf does.
void appendFixed(std::string& out, double value, int decimals, size_t width) {
    std::array<char, 400> digits{};  // DBL_MAX has 309 integer digits
    const auto written =
        std::to_chars(digits.data(), digits.data() + digits.size(), value, std::chars_format::fixed, decimals);
    appendField(out, std::string_view(digits.data(), static_cast<size_t>(written.ptr - digits.data())), width,
                Align::Left);
}

bool pointExists(const MeshObject& mesh, int32_t point) { return point >= 0 && point < mesh.vertexCount; }
bool faceExists(const MeshObject& mesh, int32_t face) { return face >= 0 && face < mesh.faceCount; }

bool usesPoint(const MeshFace& face, int32_t point) { return face.a == point || face.b == point || face.c == point; }

// A corner after `removed` was deleted from `oldCount` points: numbers of
// points past it move down with them; numbers that named no point stay.
int32_t renumberedCorner(int32_t corner, int32_t removed, int32_t oldCount) {
    return corner > removed && corner < oldCount ? corner - 1 : corner;
}

}  // namespace

bool readPointBoxes(const PointBoxTexts& boxes, MeshVertex& point) {
    const MeshVertex read{readBoxDouble(boxes.x), readBoxDouble(boxes.y), readBoxDouble(boxes.z)};
    if (!std::isfinite(read.x) || !std::isfinite(read.y) || !std::isfinite(read.z)) return false;
    point = read;
    return true;
}

MeshFace readFaceBoxes(const FaceBoxTexts& boxes) {
    return {readBoxInt(boxes.a), readBoxInt(boxes.b), readBoxInt(boxes.c)};
}

int32_t refusedCoordinateBox(const PointBoxTexts& boxes) {
    const std::string_view texts[3] = {boxes.x, boxes.y, boxes.z};
    for (int32_t k = 0; k < 3; ++k)
        if (!std::isfinite(readBoxDouble(texts[k]))) return k;
    return -1;
}

int32_t refusedCornerBox(const MeshObject& mesh, const FaceBoxTexts& boxes) {
    const MeshFace face = readFaceBoxes(boxes);
    const int32_t corners[3] = {face.a, face.b, face.c};
    for (int32_t k = 0; k < 3; ++k)
        if (!pointExists(mesh, corners[k])) return k;
    return -1;
}

EditOutcome addPoint(MeshObject& mesh, EditorSelection& selection, const PointBoxTexts& boxes) {
    if (mesh.vertexCount >= MeshCapacity) return EditTooManyPoints;
    MeshVertex point;
    if (!readPointBoxes(boxes, point)) return EditNotFinite;
    selection.point = mesh.vertexCount;
    mesh.vertices[static_cast<size_t>(mesh.vertexCount++)] = point;
    return EditApplied;
}

EditOutcome editPoint(MeshObject& mesh, const EditorSelection& selection, const PointBoxTexts& boxes) {
    if (!pointExists(mesh, selection.point)) return EditNoSelection;
    MeshVertex point;
    if (!readPointBoxes(boxes, point)) return EditNotFinite;
    mesh.vertices[static_cast<size_t>(selection.point)] = point;
    return EditApplied;
}

bool pointIsUsed(const MeshObject& mesh, int32_t point) {
    const auto end = mesh.faces.begin() + std::clamp(mesh.faceCount, 0, MeshCapacity);
    return std::any_of(mesh.faces.begin(), end, [point](const MeshFace& face) { return usesPoint(face, point); });
}

PointDeletion deletePoint(MeshObject& mesh, EditorSelection& selection) {
    PointDeletion done;
    const int32_t removed = selection.point;
    if (!pointExists(mesh, removed)) return done;
    const int32_t oldCount = mesh.vertexCount;
    std::copy(mesh.vertices.begin() + removed + 1, mesh.vertices.begin() + oldCount, mesh.vertices.begin() + removed);
    mesh.vertexCount = oldCount - 1;
    done.deleted = true;

    // One pass closes up the faces that remain and renumbers their corners.
    int32_t kept = 0;
    for (int32_t i = 0; i < mesh.faceCount; ++i) {
        MeshFace face = mesh.faces[static_cast<size_t>(i)];
        if (usesPoint(face, removed)) {
            done.facesRemoved = true;
            continue;
        }
        const MeshFace moved{renumberedCorner(face.a, removed, oldCount), renumberedCorner(face.b, removed, oldCount),
                             renumberedCorner(face.c, removed, oldCount)};
        if (moved.a != face.a || moved.b != face.b || moved.c != face.c) done.facesRenumbered = true;
        mesh.faces[static_cast<size_t>(kept++)] = moved;
    }
    mesh.faceCount = kept;

    if (!pointExists(mesh, selection.point)) selection.point = -1;
    if (done.facesRemoved || !faceExists(mesh, selection.face)) selection.face = -1;
    return done;
}

EditOutcome addFace(MeshObject& mesh, EditorSelection& selection, const FaceBoxTexts& boxes) {
    const MeshFace face = readFaceBoxes(boxes);
    if (!mesh.faceIsValid(face)) return EditBadIndex;
    if (mesh.faceCount >= MeshCapacity) return EditTooManyFaces;
    selection.face = mesh.faceCount;
    mesh.faces[static_cast<size_t>(mesh.faceCount++)] = face;
    return EditApplied;
}

EditOutcome editFace(MeshObject& mesh, const EditorSelection& selection, const FaceBoxTexts& boxes) {
    if (!faceExists(mesh, selection.face)) return EditNoSelection;
    const MeshFace face = readFaceBoxes(boxes);
    if (!mesh.faceIsValid(face)) return EditBadIndex;
    mesh.faces[static_cast<size_t>(selection.face)] = face;
    return EditApplied;
}

EditOutcome deleteFace(MeshObject& mesh, EditorSelection& selection) {
    const int32_t removed = selection.face;
    if (!faceExists(mesh, removed)) return EditNoSelection;
    std::copy(mesh.faces.begin() + removed + 1, mesh.faces.begin() + mesh.faceCount, mesh.faces.begin() + removed);
    --mesh.faceCount;
    if (!faceExists(mesh, selection.face)) selection.face = -1;
    return EditApplied;
}

std::string pointListLine(int32_t number, const MeshVertex& point) {
    std::string line = "Point ";
    appendInt(line, number, 5, Align::Right);
    line += " : X=";
    appendFixed(line, point.x, 4, 12);
    line += " Y=";
    appendFixed(line, point.y, 4, 12);
    line += " Z=";
    appendFixed(line, point.z, 4, 12);
    return line;
}

std::string faceListLine(int32_t number, const MeshFace& face) {
    std::string line = "Face ";
    appendInt(line, number, 5, Align::Right);
    line += " : A=";
    appendInt(line, face.a, 5, Align::Left);
    line += " B=";
    appendInt(line, face.b, 5, Align::Left);
    line += " C=";
    appendInt(line, face.c, 5, Align::Left);
    return line;
}

std::string coordinateBoxText(double value) {
    std::string text;
    appendFixed(text, value, 6, 0);
    return text;
}

EditorButtons editorButtons(const MeshObject& mesh, const EditorSelection& selection) {
    EditorButtons buttons;
    buttons.pointEditDelete = selection.point >= 0;
    buttons.faceEditDelete = selection.face >= 0;
    buttons.newObject = mesh.faceCount != 0 || mesh.vertexCount != 0;
    buttons.saveObject = mesh.faceCount != 0;
    buttons.modifyParameters = mesh.faceCount != 0;
    return buttons;
}

}  // namespace volumix
