#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "mesh/mesh_object.h"

namespace volumix {

// What the object editor has selected: a point, a face, or -1 for none.
// Both may be set (adding a face keeps the selected point); a face then
// takes precedence in the view.
struct EditorSelection {
    int32_t point = -1;
    int32_t face = -1;
};

// The texts of the coordinate boxes X, Y, Z and of the index boxes A, B, C.
struct PointBoxTexts {
    std::string_view x, y, z;
};
struct FaceBoxTexts {
    std::string_view a, b, c;
};

enum EditOutcome : int32_t {
    EditApplied = 0,
    EditNoSelection = 1,      // "Editer" or "Supprimer" with nothing selected
    EditNotFinite = 2,        // a coordinate box reads as infinite or not a number
    EditBadIndex = 3,         // a face corner that names no point
    EditTooManyPoints = 4,    // the point table is full
    EditTooManyFaces = 5,     // the face table is full
};

// The boxes as the commands read them. A point is usable only when its three
// coordinates are finite; indices are read with atoi's rules.
bool readPointBoxes(const PointBoxTexts& boxes, MeshVertex& point);
MeshFace readFaceBoxes(const FaceBoxTexts& boxes);

// Why a command refused its boxes, for the message that says so: the first
// coordinate box (0 X, 1 Y, 2 Z) that is not a finite number, and the first
// corner (0 A, 1 B, 2 C) that names no point; -1 when there is none.
int32_t refusedCoordinateBox(const PointBoxTexts& boxes);
int32_t refusedCornerBox(const MeshObject& mesh, const FaceBoxTexts& boxes);

// "Ajouter" of the points: appends the typed point and selects it.
EditOutcome addPoint(MeshObject& mesh, EditorSelection& selection, const PointBoxTexts& boxes);
// "Editer" of the points: replaces the selected point.
EditOutcome editPoint(MeshObject& mesh, const EditorSelection& selection, const PointBoxTexts& boxes);

// Whether any face names this point (the deletion then needs a Yes).
bool pointIsUsed(const MeshObject& mesh, int32_t point);

struct PointDeletion {
    bool deleted = false;
    bool facesRemoved = false;     // faces that used the point are gone
    bool facesRenumbered = false;  // some face's corners moved down one number
};

// "Supprimer" of the points, once confirmed: removes the selected point and
// every face using it; the later points move down one place and the faces
// that remain follow them, so each still names the point it named. Corners
// that named no point before keep their number. The point that takes the
// deleted one's place is selected (none past the end); the face selection
// is dropped when faces were removed.
PointDeletion deletePoint(MeshObject& mesh, EditorSelection& selection);

// "Ajouter" of the faces: appends the typed face and selects it, when every
// corner names an existing point.
EditOutcome addFace(MeshObject& mesh, EditorSelection& selection, const FaceBoxTexts& boxes);
// "Editer" of the faces.
EditOutcome editFace(MeshObject& mesh, const EditorSelection& selection, const FaceBoxTexts& boxes);
// "Supprimer" of the faces: the face taking its place is selected (none
// past the end).
EditOutcome deleteFace(MeshObject& mesh, EditorSelection& selection);

// The list lines: "Point %5d : X=%-12.4f Y=%-12.4f Z=%-12.4f" and
// "Face %5d : A=%-5d B=%-5d C=%-5d", as long as the values need.
std::string pointListLine(int32_t number, const MeshVertex& point);
std::string faceListLine(int32_t number, const MeshFace& face);
// A selected point's coordinate in its box: "%f".
std::string coordinateBoxText(double value);

// Which of the editor's buttons are enabled.
struct EditorButtons {
    bool pointEditDelete = false;  // "Editer", "Supprimer" of the points
    bool faceEditDelete = false;   // "Editer", "Supprimer" of the faces
    bool newObject = false;        // "Nouvel Objet"
    bool saveObject = false;       // "Sauver Objet"
    bool modifyParameters = false; // "Modifier paramètres"
};
EditorButtons editorButtons(const MeshObject& mesh, const EditorSelection& selection);

}  // namespace volumix
