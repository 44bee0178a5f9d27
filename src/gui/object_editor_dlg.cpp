#include "gui/object_editor_dlg.h"

#include <QButtonGroup>
#include <QFile>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalBlocker>
#include <QWheelEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>

#include "gui/dialog_template.h"
#include "gui/frame_canvas.h"
#include "gui/object_list_model.h"
#include "gui/object_params_dlg.h"
#include "gui/prompts.h"
#include "gui/failure_text.h"
#include "objedit/object_files.h"
#include "render/renderer.h"
#include "platform/french_texts.h"

namespace volumix {

namespace {

struct ModeChoice {
    int32_t id;
    RenderMode mode;
    int y;
};
// Table order is the tab order of the group; the ids are not in mode order.
constexpr ModeChoice ModeChoices[EditorRenderModeCount] = {
    {CObjectEditorDlg::IdModePoints, RenderPoints, 284},
    {CObjectEditorDlg::IdModeHiddenPoints, RenderHiddenPoints, 297},
    {CObjectEditorDlg::IdModeWireframe, RenderWireframe, 308},
    {CObjectEditorDlg::IdModeHiddenFaces, RenderHiddenFaces, 321},
    {CObjectEditorDlg::IdModeFilledFaces, RenderFilledFaces, 332}};

struct AngleSlider {
    int32_t slider;
    int32_t box;
    const char* caption;
    int x;
};
constexpr AngleSlider AngleSliders[3] = {{CObjectEditorDlg::IdAngleX, CObjectEditorDlg::IdAngleXBox, "X", 436},
                                         {CObjectEditorDlg::IdAngleY, CObjectEditorDlg::IdAngleYBox, "Y", 460},
                                         {CObjectEditorDlg::IdAngleZ, CObjectEditorDlg::IdAngleZBox, "Z", 484}};

constexpr int WheelNotch = 120;  // angle delta of one wheel step

// Where the view stands in the client area, in pixels.
constexpr int ViewX = 4;
constexpr int ViewY = 4;

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

FileChoice objectFileChoice(bool save) {
    // Only .asc files are written.
    return readOrSaveChoice(save ? QStringLiteral("Objets Ascii 3DS (*.asc *.ASC)") : objectOpenFilter(),
                            QStringLiteral("ASC"), save);
}

}  // namespace

CObjectEditorDlg::CObjectEditorDlg(MeshObject& mesh, const InkArray& inks, CPrompts& prompts, QWidget* parent)
    : QDialog(parent), mesh_(mesh), prompts_(prompts), renderer_(std::make_unique<FrameRenderer>()) {
    settings_.inks = inks;
    // The editor always opens on an empty object.
    mesh_.clear();

    setWindowTitle(QStringLiteral("Editeur d'objets"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(dialogFont());
    setDialogSize(*this, 504, 397);

    viewSurface_.create(EditorViewWidth, EditorViewHeight);
    view_ = new CFrameCanvas(viewSurface_, 1, 1, this);
    view_->move(ViewX, ViewY);
    // A drag turns the view, the wheel zooms it.
    view_->setCursor(Qt::OpenHandCursor);
    view_->installEventFilter(this);
    buildControls();
    buildListsAndBoxes();
    connectHandlers();
    initialise();
}

CObjectEditorDlg::~CObjectEditorDlg() = default;

void CObjectEditorDlg::buildControls() {
    newObject_ = placeControl(new QPushButton(QStringLiteral("Nouvel Objet"), this), IdNewObject, 436, 4, 56, 12);
    loadObject_ = placeControl(new QPushButton(QStringLiteral("Lire Objet"), this), IdLoadObject, 436, 20, 56, 12);
    mergeObject_ = placeControl(new QPushButton(QStringLiteral("Fusionner Objet"), this), IdMergeObject, 436, 36, 56, 12);
    saveObject_ = placeControl(new QPushButton(QStringLiteral("Sauver Objet"), this), IdSaveObject, 436, 52, 56, 12);

    placeControl(new QLabel(QStringLiteral("Angles :"), this), 0, 452, 72, 28, 8);
    for (size_t axis = 0; axis < 3; ++axis) {
        const AngleSlider& angle = AngleSliders[axis];
        placeControl(new QLabel(QString::fromLatin1(angle.caption), this), 0, angle.x + 4, 84, 8, 8);
        auto* slider = placeControl(new QSlider(Qt::Vertical, this), angle.slider, angle.x, 92, 12, 144);
        angleSliders_[axis] = slider;
        slider->setRange(0, EditorAngleMax);
        slider->setPageStep((EditorAngleMax + 1) / 5);
        // Minimum at the top, and the arrow keys move the thumb the way they point.
        slider->setInvertedAppearance(true);
        slider->setInvertedControls(true);
        slider->setTickPosition(QSlider::NoTicks);
        angleBoxes_[axis] = placeControl(new QLineEdit(this), angle.box, angle.x, 236, 16, 12);
        angleBoxes_[axis]->setReadOnly(true);
    }

    placeControl(new QLabel(QStringLiteral("Zoom:"), this), 0, 4, 256, 24, 8);
    zoomBox_ = placeControl(new QLineEdit(this), IdZoomBox, 28, 252, 24, 12);
    zoomBox_->setReadOnly(true);
    auto* zoom = placeControl(new QSlider(Qt::Horizontal, this), IdZoom, 52, 252, 380, 12);
    zoom_ = zoom;
    zoom->setRange(EditorZoomMin, EditorZoomMax);
    zoom->setPageStep(EditorZoomMax / 5);
    zoom->setTickPosition(QSlider::NoTicks);
    // Its wheel zooms by the view's factor, not by three of 50,000 steps.
    zoom->installEventFilter(this);
    modifyParameters_ =
        placeControl(new QPushButton(QStringLiteral("Modifier paramètres"), this), IdModifyParameters, 432, 256, 68, 12);

    auto* modes = new QButtonGroup(this);
    for (size_t k = 0; k < modeRadios_.size(); ++k) {
        modeRadios_[k] =
            placeControl(new QRadioButton(QString::fromUtf8(french::RenderModeCaptions[ModeChoices[k].mode]), this), ModeChoices[k].id,
                248, ModeChoices[k].y, 84, 8);
        modes->addButton(modeRadios_[k]);
    }
}

void CObjectEditorDlg::buildListsAndBoxes() {
    const auto makeList = [this](CObjectListModel* model, int32_t id, int x, int width) {
        auto* list = placeControl(new QListView(this), id, x, 272, width, 104);
        list->setModel(model);
        // Every line has the same height: the view never measures 65,536 lines.
        list->setUniformItemSizes(true);
        list->setSelectionMode(QAbstractItemView::SingleSelection);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        // Columns of fixed width need a font of fixed width; a line longer
        // than the list scrolls.
        list->setFont(listFont(font()));
        list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        list->setTextElideMode(Qt::ElideNone);
        return list;
    };
    placeControl(new QLabel(QStringLiteral("Points :"), this), 0, 16, 272, 24, 8);
    points_ = new CObjectListModel(mesh_, CObjectListModel::Points, this);
    pointList_ = makeList(points_, IdPointList, 44, 200);
    placeControl(new QLabel(QStringLiteral("Faces :"), this), 0, 308, 272, 24, 8);
    faces_ = new CObjectListModel(mesh_, CObjectListModel::Faces, this);
    faceList_ = makeList(faces_, IdFaceList, 336, 164);

    addPoint_ = placeControl(new QPushButton(QStringLiteral("Ajouter"), this), IdAddPoint, 0, 352, 40, 12);
    editPoint_ = placeControl(new QPushButton(QStringLiteral("Editer"), this), IdEditPoint, 0, 368, 40, 12);
    deletePoint_ = placeControl(new QPushButton(QStringLiteral("Supprimer"), this), IdDeletePoint, 0, 384, 40, 12);
    placeControl(new QLabel(QStringLiteral("X"), this), 0, 48, 384, 8, 8);
    pointBoxes_[0] = placeControl(new QLineEdit(this), IdPointX, 56, 380, 40, 12);
    placeControl(new QLabel(QStringLiteral("Y"), this), 0, 116, 384, 8, 8);
    pointBoxes_[1] = placeControl(new QLineEdit(this), IdPointY, 124, 380, 40, 12);
    placeControl(new QLabel(QStringLiteral("Z"), this), 0, 184, 384, 8, 8);
    pointBoxes_[2] = placeControl(new QLineEdit(this), IdPointZ, 192, 380, 44, 12);

    addFace_ = placeControl(new QPushButton(QStringLiteral("Ajouter"), this), IdAddFace, 292, 352, 40, 12);
    editFace_ = placeControl(new QPushButton(QStringLiteral("Editer"), this), IdEditFace, 292, 368, 40, 12);
    deleteFace_ = placeControl(new QPushButton(QStringLiteral("Supprimer"), this), IdDeleteFace, 292, 384, 40, 12);
    const struct {
        const char* caption;
        int32_t id;
        int labelX, boxX, boxWidth;
    } indexBoxes[3] = {{"A", IdFaceA, 340, 348, 28}, {"B", IdFaceB, 392, 400, 28}, {"C", IdFaceC, 448, 456, 32}};
    for (size_t k = 0; k < 3; ++k) {
        const auto& box = indexBoxes[k];
        placeControl(new QLabel(QString::fromLatin1(box.caption), this), 0, box.labelX, 384, 8, 8);
        auto* edit = placeControl(new QLineEdit(this), box.id, box.boxX, 380, box.boxWidth, 12);
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
        faceBoxes_[k] = edit;
    }
}

void CObjectEditorDlg::connectHandlers() {
    for (size_t axis = 0; axis < 3; ++axis)
        connect(angleSliders_[axis], &QSlider::valueChanged, this, [this, axis](int value) { OnAngleChanged(axis, value); });
    connect(zoom_, &QSlider::valueChanged, this, &CObjectEditorDlg::OnZoomChanged);
    for (size_t k = 0; k < modeRadios_.size(); ++k)
        connect(modeRadios_[k], &QAbstractButton::clicked, this, [this, mode = ModeChoices[k].mode] { OnRenderMode(mode); });

    connect(pointList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { if (!refilling_) OnSelectPoint(); });
    connect(faceList_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this] { if (!refilling_) OnSelectFace(); });
    // A click on the line already current selects it again, as a list box
    // notifies every click: after "Ajouter" of a face, clicking the selected
    // point's line makes it the selection again.
    connect(pointList_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (selection_.point != index.row() || selection_.face != -1) OnSelectPoint();
    });
    connect(faceList_, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (selection_.face != index.row() || selection_.point != -1) OnSelectFace();
    });

    const std::pair<QPushButton*, void (CObjectEditorDlg::*)()> commands[] = {
        {addPoint_, &CObjectEditorDlg::OnAddPoint},       {editPoint_, &CObjectEditorDlg::OnEditPoint},
        {deletePoint_, &CObjectEditorDlg::OnDeletePoint}, {addFace_, &CObjectEditorDlg::OnAddFace},
        {editFace_, &CObjectEditorDlg::OnEditFace},       {deleteFace_, &CObjectEditorDlg::OnDeleteFace},
        {newObject_, &CObjectEditorDlg::OnNewObject},     {loadObject_, &CObjectEditorDlg::OnLoadObject},
        {mergeObject_, &CObjectEditorDlg::OnMergeObject}, {saveObject_, &CObjectEditorDlg::OnSaveObject},
        {modifyParameters_, &CObjectEditorDlg::OnModifyParameters}};
    for (const auto& [button, handler] : commands) connect(button, &QAbstractButton::clicked, this, handler);
}

void CObjectEditorDlg::initialise() {
    // The sliders start at their minimum, which agrees with the settings.
    for (QLineEdit* box : angleBoxes_) box->setText(QStringLiteral("0"));
    zoomBox_->setText(QString::number(settings_.zoom));
    for (QLineEdit* box : pointBoxes_) box->setText(QStringLiteral("0.0"));
    for (QLineEdit* box : faceBoxes_) box->setText(QStringLiteral("0"));
    modeRadios_[0]->setChecked(true);  // Mode "points"
    settings_.mode = RenderPoints;
    redrawView();
    updateButtons();
}

void CObjectEditorDlg::accept() {}

void CObjectEditorDlg::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void CObjectEditorDlg::redrawView() {
    drawEditorView(viewSurface_, *renderer_, mesh_, settings_);
    view_->update();
}

void CObjectEditorDlg::OnAngleChanged(size_t axis, int value) {
    storeAngle(axis, value);
    redrawView();
}

void CObjectEditorDlg::storeAngle(size_t axis, int value) {
    int32_t& stored = axis == 0 ? settings_.angleX : (axis == 1 ? settings_.angleY : settings_.angleZ);
    stored = value;
    angleBoxes_[axis]->setText(QString::number(value));
}

bool CObjectEditorDlg::eventFilter(QObject* watched, QEvent* event) {
    const bool onView = watched == view_;
    if (event->type() == QEvent::Wheel && (onView || watched == zoom_)) {
        OnWheel(*static_cast<QWheelEvent*>(event));
        return true;
    }
    if (!onView) return QDialog::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) break;
            dragging_ = true;
            dragStart_ = mouse->position().toPoint();
            dragFrom_ = {angleSliders_[0]->value(), angleSliders_[1]->value()};
            view_->setCursor(Qt::ClosedHandCursor);
            return true;
        }
        case QEvent::MouseMove: {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (!dragging_ || !(mouse->buttons() & Qt::LeftButton)) break;
            OnViewDrag(mouse->position().toPoint());
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton || !dragging_) break;
            dragging_ = false;
            view_->setCursor(Qt::OpenHandCursor);
            return true;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

void CObjectEditorDlg::OnViewDrag(const QPoint& at) {
    const QPoint moved = at - dragStart_;
    const EditorDragAngles angles = anglesAfterDrag(dragFrom_.angleX, dragFrom_.angleY, moved.x(), moved.y());
    QSlider* sliderX = angleSliders_[0];
    QSlider* sliderY = angleSliders_[1];
    if (sliderX->value() == angles.angleX && sliderY->value() == angles.angleY) return;
    // The sliders take the angles; the view is drawn once for both.
    {
        const QSignalBlocker blockX(sliderX);
        const QSignalBlocker blockY(sliderY);
        sliderX->setValue(angles.angleX);
        sliderY->setValue(angles.angleY);
    }
    storeAngle(0, sliderX->value());
    storeAngle(1, sliderY->value());
    redrawView();
}

void CObjectEditorDlg::OnWheel(const QWheelEvent& event) {
    // Whole notches only: a fine wheel or a touchpad zooms a step for each
    // notch's worth of turning. Up zooms in.
    const QPoint delta = event.angleDelta();
    wheelRemainder_ += delta.y() != 0 ? delta.y() : delta.x();
    const int notches = wheelRemainder_ / WheelNotch;
    if (notches == 0) return;
    wheelRemainder_ -= notches * WheelNotch;
    zoom_->setValue(zoomAfterWheel(zoom_->value(), notches));
}

void CObjectEditorDlg::OnZoomChanged(int value) {
    settings_.zoom = value;
    zoomBox_->setText(QString::number(value));
    redrawView();
}

void CObjectEditorDlg::OnRenderMode(RenderMode mode) {
    settings_.mode = mode;
    redrawView();
}

void CObjectEditorDlg::OnSelectPoint() {
    const QModelIndex current = pointList_->currentIndex();
    selection_.point = current.isValid() ? current.row() : -1;
    selection_.face = -1;
    selectListRow(faceList_, -1);
    showSelection(selection_.point, -1);
    redrawView();
    updateButtons();
}

void CObjectEditorDlg::OnSelectFace() {
    const QModelIndex current = faceList_->currentIndex();
    selection_.face = current.isValid() ? current.row() : -1;
    selection_.point = -1;
    selectListRow(pointList_, -1);
    showSelection(-1, selection_.face);
    redrawView();
    updateButtons();
}

void CObjectEditorDlg::showSelection(int32_t point, int32_t face) {
    if (point >= 0 && point < mesh_.vertexCount) {
        const MeshVertex& v = mesh_.vertices[static_cast<size_t>(point)];
        pointBoxes_[0]->setText(QString::fromStdString(coordinateBoxText(v.x)));
        pointBoxes_[1]->setText(QString::fromStdString(coordinateBoxText(v.y)));
        pointBoxes_[2]->setText(QString::fromStdString(coordinateBoxText(v.z)));
    }
    if (face >= 0 && face < mesh_.faceCount) {
        const MeshFace& f = mesh_.faces[static_cast<size_t>(face)];
        faceBoxes_[0]->setText(QString::number(f.a));
        faceBoxes_[1]->setText(QString::number(f.b));
        faceBoxes_[2]->setText(QString::number(f.c));
    }
}

void CObjectEditorDlg::updateButtons() {
    const EditorButtons enabled = editorButtons(mesh_, selection_);
    editPoint_->setEnabled(enabled.pointEditDelete);
    deletePoint_->setEnabled(enabled.pointEditDelete);
    editFace_->setEnabled(enabled.faceEditDelete);
    deleteFace_->setEnabled(enabled.faceEditDelete);
    newObject_->setEnabled(enabled.newObject);
    saveObject_->setEnabled(enabled.saveObject);
    modifyParameters_->setEnabled(enabled.modifyParameters);
}

void CObjectEditorDlg::selectListRow(QListView* list, int32_t row) {
    refilling_ = true;
    if (row >= 0 && row < list->model()->rowCount()) {
        const QModelIndex index = list->model()->index(row, 0);
        list->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
        list->scrollTo(index);
    } else {
        list->selectionModel()->clear();
    }
    refilling_ = false;
}

void CObjectEditorDlg::rebuildPointList(int32_t selected) {
    refilling_ = true;
    points_->refill();
    refilling_ = false;
    selectListRow(pointList_, selected);
}

void CObjectEditorDlg::rebuildFaceList(int32_t selected) {
    refilling_ = true;
    faces_->refill();
    refilling_ = false;
    selectListRow(faceList_, selected);
}

PointBoxTexts CObjectEditorDlg::pointBoxes() {
    boxTexts_ = {pointBoxes_[0]->text().toStdString(), pointBoxes_[1]->text().toStdString(),
                 pointBoxes_[2]->text().toStdString()};
    return {boxTexts_[0], boxTexts_[1], boxTexts_[2]};
}

FaceBoxTexts CObjectEditorDlg::faceBoxes() {
    boxTexts_ = {faceBoxes_[0]->text().toStdString(), faceBoxes_[1]->text().toStdString(),
                 faceBoxes_[2]->text().toStdString()};
    return {boxTexts_[0], boxTexts_[1], boxTexts_[2]};
}

void CObjectEditorDlg::tellPointRefusal(EditOutcome outcome, const PointBoxTexts& boxes) {
    // The boxes keep their text, to be mended.
    if (outcome == EditTooManyPoints) prompts_.tell(this, fromUtf8(french::TooManyPoints));
    if (outcome != EditNotFinite) return;
    const int32_t box = refusedCoordinateBox(boxes);
    if (box < 0) return;
    const std::string_view texts[3] = {boxes.x, boxes.y, boxes.z};
    prompts_.tell(this, QStringLiteral("Point refusé : %1 = « %2 » n'est pas un nombre fini.")
                            .arg(QString(QLatin1Char("XYZ"[box])), fromUtf8(texts[box])));
}

void CObjectEditorDlg::tellFaceRefusal(EditOutcome outcome, const FaceBoxTexts& boxes) {
    if (outcome == EditTooManyFaces) prompts_.tell(this, fromUtf8(french::TooManyFaces));
    if (outcome != EditBadIndex) return;
    const int32_t box = refusedCornerBox(mesh_, boxes);
    if (box < 0) return;
    const MeshFace face = readFaceBoxes(boxes);
    const int32_t corner = box == 0 ? face.a : (box == 1 ? face.b : face.c);
    const QString points = mesh_.vertexCount == 0
                               ? QStringLiteral("l'objet n'a aucun point")
                               : QStringLiteral("points 0 à %1").arg(mesh_.vertexCount - 1);
    prompts_.tell(this, QStringLiteral("Face refusée : %1 = %2 ne désigne aucun point (%3).")
                            .arg(QLatin1Char("ABC"[box]))
                            .arg(corner)
                            .arg(points));
}

void CObjectEditorDlg::OnAddPoint() {
    const PointBoxTexts boxes = pointBoxes();
    const EditOutcome outcome = addPoint(mesh_, selection_, boxes);
    if (outcome != EditApplied) return tellPointRefusal(outcome, boxes);
    rebuildPointList(selection_.point);
    updateButtons();
}

void CObjectEditorDlg::OnEditPoint() {
    const PointBoxTexts boxes = pointBoxes();
    const EditOutcome outcome = editPoint(mesh_, selection_, boxes);
    if (outcome != EditApplied) return tellPointRefusal(outcome, boxes);
    rebuildPointList(selection_.point);
}

void CObjectEditorDlg::OnDeletePoint() {
    if (selection_.point < 0 || selection_.point >= mesh_.vertexCount) return;
    if (pointIsUsed(mesh_, selection_.point) && !prompts_.askYesNo(this, fromUtf8(french::PointInUseQuestion))) return;
    const PointDeletion done = deletePoint(mesh_, selection_);
    if (done.facesRemoved) {
        rebuildFaceList(-1);
        redrawView();
    } else if (done.facesRenumbered) {
        // Same faces, same shapes; only the numbers on their lines moved.
        rebuildFaceList(selection_.face);
    }
    rebuildPointList(selection_.point);
    updateButtons();
}

void CObjectEditorDlg::OnAddFace() {
    const FaceBoxTexts boxes = faceBoxes();
    const EditOutcome outcome = addFace(mesh_, selection_, boxes);
    if (outcome != EditApplied) return tellFaceRefusal(outcome, boxes);
    rebuildFaceList(selection_.face);
    redrawView();
    updateButtons();
}

void CObjectEditorDlg::OnEditFace() {
    const FaceBoxTexts boxes = faceBoxes();
    const EditOutcome outcome = editFace(mesh_, selection_, boxes);
    if (outcome != EditApplied) return tellFaceRefusal(outcome, boxes);
    rebuildFaceList(selection_.face);
    redrawView();
}

void CObjectEditorDlg::OnDeleteFace() {
    if (deleteFace(mesh_, selection_) != EditApplied) return;
    rebuildFaceList(selection_.face);
    redrawView();
    updateButtons();
}

void CObjectEditorDlg::OnNewObject() {
    if (!prompts_.askYesNo(this, fromUtf8(french::AreYouSure))) return;
    selection_ = EditorSelection{};
    mesh_.clear();
    rebuildPointList(-1);
    rebuildFaceList(-1);
    redrawView();
    // The buttons keep their states: those left enabled act on nothing.
}

void CObjectEditorDlg::OnLoadObject() { readObject(false); }

void CObjectEditorDlg::OnMergeObject() { readObject(true); }

void CObjectEditorDlg::readObject(bool merge) {
    const QString path = prompts_.chooseFile(this, objectFileChoice(false));
    if (!path.isEmpty()) {
        Failure failure;
        const AscLoadResult result = readObjectFile(mesh_, QFile::encodeName(path).toStdString(),
                                                    merge ? ObjectReadMerge : ObjectReadReplace, &failure);
        // The lists show the object as it now is, whether or not it changed.
        selection_ = EditorSelection{};
        rebuildPointList(-1);
        rebuildFaceList(-1);
        redrawView();
        if (result != AscOk) {
            QString text = fromUtf8(ascLoadMessage(result));
            if (result == AscOpenFailed) text += QStringLiteral("\n") + failureReason(failure);
            prompts_.tell(this, text);
        }
    }
    updateButtons();
}

void CObjectEditorDlg::OnSaveObject() {
    const QString path = prompts_.chooseFile(this, objectFileChoice(true));
    if (path.isEmpty()) return;
    if (!saveAsc(mesh_, QFile::encodeName(path).toStdString()))
        prompts_.tell(this, fromUtf8(french::ObjectWriteFailed));
}

void CObjectEditorDlg::OnModifyParameters() {
    {
        CObjectParamsDlg dialog(mesh_, this);
        dialog.exec();
    }
    // Whatever closed it: the view shows the object as it now is, and so do
    // the point lines on screen (the list formats its lines when shown).
    redrawView();
    points_->refreshLines();
}

}  // namespace volumix
