#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "cpc/palette.h"
#include "mesh/mesh_object.h"
#include "objedit/editor_view.h"
#include "objedit/object_editing.h"
#include "platform/dib_surface.h"

class QPushButton;
class QRadioButton;
class QLineEdit;
class QListView;
class QSlider;
class QWheelEvent;

namespace volumix {

class CFrameCanvas;
class CObjectListModel;
class CPrompts;

// "Editeur d'objets": builds or changes the mesh by hand, point by point and
// face by face, with a preview that turns and zooms, and reads, merges and
// saves .asc files. It works on the mesh itself, which it empties on
// opening; there is no undo. Run it with exec(); nothing is read back.
class CObjectEditorDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int32_t IdAngleX = 1007;
    static constexpr int32_t IdAngleY = 1008;
    static constexpr int32_t IdAngleZ = 1009;
    static constexpr int32_t IdZoom = 1012;
    static constexpr int32_t IdModePoints = 1025;
    static constexpr int32_t IdModeWireframe = 1026;
    static constexpr int32_t IdModeFilledFaces = 1027;
    static constexpr int32_t IdModeHiddenFaces = 1028;
    static constexpr int32_t IdModeHiddenPoints = 1047;
    static constexpr int32_t IdLoadObject = 1067;
    static constexpr int32_t IdNewObject = 1068;
    static constexpr int32_t IdSaveObject = 1069;
    static constexpr int32_t IdMergeObject = 1070;
    static constexpr int32_t IdAngleXBox = 1071;
    static constexpr int32_t IdAngleYBox = 1072;
    static constexpr int32_t IdAngleZBox = 1073;
    static constexpr int32_t IdZoomBox = 1074;
    static constexpr int32_t IdPointList = 1075;
    static constexpr int32_t IdFaceList = 1076;
    static constexpr int32_t IdPointX = 1077;
    static constexpr int32_t IdPointY = 1078;
    static constexpr int32_t IdPointZ = 1079;
    static constexpr int32_t IdAddPoint = 1080;
    static constexpr int32_t IdFaceA = 1082;
    static constexpr int32_t IdFaceB = 1084;
    static constexpr int32_t IdFaceC = 1086;
    static constexpr int32_t IdEditPoint = 1088;
    static constexpr int32_t IdDeletePoint = 1090;
    static constexpr int32_t IdAddFace = 1092;
    static constexpr int32_t IdEditFace = 1094;
    static constexpr int32_t IdDeleteFace = 1095;
    static constexpr int32_t IdModifyParameters = 1096;

    CObjectEditorDlg(MeshObject& mesh, const InkArray& inks, CPrompts& prompts, QWidget* parent);
    ~CObjectEditorDlg() override;

    CFrameCanvas* view() const { return view_; }
    const CDibSurface& viewSurface() const { return viewSurface_; }
    const EditorSelection& selection() const { return selection_; }
    const EditorViewSettings& viewSettings() const { return settings_; }

    // Draws the object and the selection and shows them.
    void redrawView();

    // Enter never closes the editor; only Escape and the close box do.
    void accept() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    // The view's drag and wheel, and the zoom slider's wheel.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    void buildListsAndBoxes();
    void connectHandlers();
    void initialise();

    // Angles by axis: 0 X, 1 Y, 2 Z.
    void OnAngleChanged(size_t axis, int value);
    // Keeps a slider's angle and shows it in its box, without redrawing.
    void storeAngle(size_t axis, int value);
    void OnViewDrag(const QPoint& at);
    void OnWheel(const QWheelEvent& event);
    void OnZoomChanged(int value);
    void OnRenderMode(RenderMode mode);
    void OnSelectPoint();
    void OnSelectFace();
    void OnAddPoint();
    void OnEditPoint();
    void OnDeletePoint();
    void OnAddFace();
    void OnEditFace();
    void OnDeleteFace();
    void OnNewObject();
    void OnLoadObject();
    void OnMergeObject();
    void OnSaveObject();
    void OnModifyParameters();
    void readObject(bool merge);

    // Writes a point's coordinates ("%f") and a face's indices into their
    // boxes; -1 leaves that kind's boxes as they are.
    void showSelection(int32_t point, int32_t face);
    void updateButtons();
    void rebuildPointList(int32_t selected);
    void rebuildFaceList(int32_t selected);
    // Makes `row` the list's one selected line (-1: none) without notifying.
    void selectListRow(QListView* list, int32_t row);
    // Says why a command refused the boxes (a full table, a coordinate that
    // is not a finite number, a corner that names no point).
    void tellPointRefusal(EditOutcome outcome, const PointBoxTexts& boxes);
    void tellFaceRefusal(EditOutcome outcome, const FaceBoxTexts& boxes);

    PointBoxTexts pointBoxes();
    FaceBoxTexts faceBoxes();

    MeshObject& mesh_;
    CPrompts& prompts_;
    EditorViewSettings settings_;
    EditorSelection& selection_ = settings_.selection;
    CDibSurface viewSurface_;
    std::unique_ptr<FrameRenderer> renderer_;
    CFrameCanvas* view_ = nullptr;
    QPushButton* newObject_ = nullptr;
    QPushButton* loadObject_ = nullptr;
    QPushButton* mergeObject_ = nullptr;
    QPushButton* saveObject_ = nullptr;
    QPushButton* modifyParameters_ = nullptr;
    std::array<QSlider*, 3> angleSliders_{};  // X, Y, Z
    std::array<QLineEdit*, 3> angleBoxes_{};
    QSlider* zoom_ = nullptr;
    QLineEdit* zoomBox_ = nullptr;
    std::array<QRadioButton*, EditorRenderModeCount> modeRadios_{};  // in the group's order
    QPushButton* addPoint_ = nullptr;
    QPushButton* editPoint_ = nullptr;
    QPushButton* deletePoint_ = nullptr;
    QPushButton* addFace_ = nullptr;
    QPushButton* editFace_ = nullptr;
    QPushButton* deleteFace_ = nullptr;
    std::array<QLineEdit*, 3> pointBoxes_{};  // X, Y, Z
    std::array<QLineEdit*, 3> faceBoxes_{};   // A, B, C
    QListView* pointList_ = nullptr;
    QListView* faceList_ = nullptr;
    CObjectListModel* points_ = nullptr;
    CObjectListModel* faces_ = nullptr;
    // Box texts held for the duration of one command's reading.
    std::array<std::string, 3> boxTexts_;
    bool refilling_ = false;
    // A drag on the view: where the button went down and the angles then.
    bool dragging_ = false;
    QPoint dragStart_;
    EditorDragAngles dragFrom_;
    int wheelRemainder_ = 0;
};

}  // namespace volumix
