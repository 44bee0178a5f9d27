// The object editor and its parameters dialog driven as a user drives them:
// typing into the boxes, clicking buttons and list lines, moving sliders and
// answering the questions and file choosers through fake prompts.
#include "gui/object_editor_dlg.h"

#include "gui/dialog_layout_checks.h"
#include "gui/dialog_template.h"
#include "gui/frame_canvas.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>

#include <functional>
#include <numeric>
#include <memory>
#include <string>
#include <vector>

#include "gui/object_list_model.h"
#include "gui/object_params_dlg.h"
#include "gui/prompts.h"
#include "objedit/object_files.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using Dlg = CObjectEditorDlg;

class FakePrompts : public CPrompts {
public:
    QStringList files;          // answers to the file choosers, in order; "" cancels
    std::vector<FileChoice> choices;
    bool answer = true;
    QStringList questions;
    QStringList told;
    QString chooseFile(QWidget*, const FileChoice& choice) override {
        choices.push_back(choice);
        return files.isEmpty() ? QString() : files.takeFirst();
    }
    bool askYesNo(QWidget*, const QString& text) override {
        questions << text;
        return answer;
    }
    void tell(QWidget*, const QString& text) override { told << text; }
};

void pressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

// A file of `points` points along X and a face per consecutive triple.
std::string ascText(int32_t points, int32_t faces) {
    std::string text = "Named object: \"Test\"\nVertex list:\n";
    for (int32_t i = 0; i < points; ++i)
        text += "Vertex " + std::to_string(i) + ":  X: " + std::to_string(10 * i) + " Y: " + std::to_string(i % 3) +
                " Z: 0\n";
    text += "Face list:\n";
    for (int32_t i = 0; i < faces; ++i)
        text += "Face " + std::to_string(i) + ":    A:" + std::to_string(i % points) + " B:" +
                std::to_string((i + 1) % points) + " C:" + std::to_string((i + 2) % points) + "\n";
    return text;
}

// An editor of its own over its own mesh, prompts and scratch folder.
struct Editor {
    std::unique_ptr<MeshObject> mesh = std::make_unique<MeshObject>();
    FakePrompts prompts;
    test::TestFolder folder;
    InkArray inks = DefaultInks;
    std::unique_ptr<Dlg> dialog;

    explicit Editor(int32_t preloaded = 0) {
        for (int32_t i = 0; i < preloaded; ++i) mesh->vertices[static_cast<size_t>(i)] = {1, 2, 3};
        mesh->vertexCount = preloaded;
        dialog = std::make_unique<Dlg>(*mesh, inks, prompts, nullptr);
    }
    QLineEdit* box(int32_t id) const { return controlById<QLineEdit>(*dialog, id); }
    QAbstractButton* button(int32_t id) const { return controlById<QAbstractButton>(*dialog, id); }
    QListView* list(int32_t id) const { return controlById<QListView>(*dialog, id); }
    QSlider* slider(int32_t id) const { return controlById<QSlider>(*dialog, id); }
    bool enabled(int32_t id) const { return controlById<QWidget>(*dialog, id)->isEnabled(); }
    void click(int32_t id) { button(id)->click(); }
    void type(int32_t id, const QString& text) { box(id)->setText(text); }
    void addPoint(const QString& x, const QString& y, const QString& z) {
        type(Dlg::IdPointX, x);
        type(Dlg::IdPointY, y);
        type(Dlg::IdPointZ, z);
        click(Dlg::IdAddPoint);
    }
    void addFace(int a, int b, int c) {
        type(Dlg::IdFaceA, QString::number(a));
        type(Dlg::IdFaceB, QString::number(b));
        type(Dlg::IdFaceC, QString::number(c));
        click(Dlg::IdAddFace);
    }
    QStringList lines(int32_t id) const {
        QStringList out;
        const QAbstractItemModel* model = list(id)->model();
        for (int row = 0; row < model->rowCount(); ++row) out << model->index(row, 0).data().toString();
        return out;
    }
    int currentRow(int32_t id) const {
        const QModelIndex current = list(id)->currentIndex();
        return current.isValid() && list(id)->selectionModel()->isSelected(current) ? current.row() : -1;
    }
    void clickLine(int32_t id, int row) {
        QListView* view = list(id);
        view->scrollTo(view->model()->index(row, 0));
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(view->model()->index(row, 0)).center());
    }
    fs::path writeFile(const std::string& name, const std::string& text) const {
        const fs::path path = folder / name;
        test::writeText(path, text);
        return path;
    }
    void loadFile(int32_t command, const fs::path& path) {
        prompts.files << QString::fromStdString(path.string());
        click(command);
    }
    uint32_t viewPixel(int x, int y) const { return dialog->viewSurface().row(y)[x]; }
    uint32_t inkPixel(int32_t ink) const { return hardwareColourPixel(inks[static_cast<size_t>(ink)]); }
};

// Runs `act` on the modal dialog once it is open.
template <typename Dialog>
void whenModal(const std::function<void(Dialog&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
    });
}

TEST(ObjectEditorDlg, OpensEmptyWithZeroBoxesPointsModeAndFewButtons) {
    Editor e(10);
    EXPECT_EQ(e.mesh->vertexCount, 0);  // the object loaded elsewhere is emptied
    EXPECT_EQ(e.mesh->faceCount, 0);
    EXPECT_EQ(e.dialog->windowTitle(), "Editeur d'objets");
    EXPECT_TRUE(e.lines(Dlg::IdPointList).isEmpty());
    EXPECT_TRUE(e.lines(Dlg::IdFaceList).isEmpty());
    for (int32_t id : {Dlg::IdPointX, Dlg::IdPointY, Dlg::IdPointZ}) EXPECT_EQ(e.box(id)->text(), "0.0");
    for (int32_t id : {Dlg::IdFaceA, Dlg::IdFaceB, Dlg::IdFaceC, Dlg::IdAngleXBox, Dlg::IdAngleYBox, Dlg::IdAngleZBox})
        EXPECT_EQ(e.box(id)->text(), "0");
    EXPECT_EQ(e.box(Dlg::IdZoomBox)->text(), "1");
    EXPECT_TRUE(e.box(Dlg::IdZoomBox)->isReadOnly());
    EXPECT_TRUE(e.button(Dlg::IdModePoints)->isChecked());
    for (int32_t id : {Dlg::IdEditPoint, Dlg::IdDeletePoint, Dlg::IdEditFace, Dlg::IdDeleteFace, Dlg::IdNewObject,
                       Dlg::IdSaveObject, Dlg::IdModifyParameters})
        EXPECT_FALSE(e.enabled(id)) << id;
    for (int32_t id : {Dlg::IdAddPoint, Dlg::IdAddFace, Dlg::IdLoadObject, Dlg::IdMergeObject})
        EXPECT_TRUE(e.enabled(id)) << id;
    // Sliders: angles 0..359 with 0 at the top, zoom 1..50000.
    for (int32_t id : {Dlg::IdAngleX, Dlg::IdAngleY, Dlg::IdAngleZ}) {
        EXPECT_EQ(e.slider(id)->maximum(), 359);
        EXPECT_TRUE(e.slider(id)->invertedAppearance());
        EXPECT_EQ(e.slider(id)->orientation(), Qt::Vertical);
    }
    EXPECT_EQ(e.slider(Dlg::IdZoom)->minimum(), 1);
    EXPECT_EQ(e.slider(Dlg::IdZoom)->maximum(), 50000);
    EXPECT_EQ(e.dialog->view()->geometry(), QRect(4, 4, 640, 400));
}

TEST(ObjectEditorDlg, EveryCaptionFitsAndNoControlHidesAnother) {
    Editor e;
    CObjectParamsDlg params(*e.mesh, nullptr);
    expectCaptionsFitAndNothingOverlaps(*e.dialog);
    expectCaptionsFitAndNothingOverlaps(params);
}

TEST(ObjectEditorDlg, EnterNeverClosesItEscapeDoes) {
    Editor e;
    e.dialog->show();
    for (QWidget* target : {static_cast<QWidget*>(e.dialog.get()), controlById<QWidget>(*e.dialog, Dlg::IdPointX),
                            controlById<QWidget>(*e.dialog, Dlg::IdAddPoint), controlById<QWidget>(*e.dialog, Dlg::IdFaceA)})
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) pressKey(target, key);
    EXPECT_TRUE(e.dialog->isVisible());
    EXPECT_EQ(e.mesh->vertexCount, 0);  // and no button was clicked by it
    pressKey(e.dialog.get(), Qt::Key_Escape);
    EXPECT_FALSE(e.dialog->isVisible());
}

TEST(ObjectEditorDlg, AddedPointsAreListedAndSelected) {
    Editor e;
    e.addPoint("1.5", "-2.25", "0");
    e.addPoint("1,5", "abc", "1e3");
    EXPECT_EQ(e.lines(Dlg::IdPointList),
              QStringList({"Point     0 : X=1.5000       Y=-2.2500      Z=0.0000      ",
                           "Point     1 : X=1.0000       Y=0.0000       Z=1000.0000   "}));
    EXPECT_EQ(e.currentRow(Dlg::IdPointList), 1);
    EXPECT_EQ(e.dialog->selection().point, 1);
    for (int32_t id : {Dlg::IdEditPoint, Dlg::IdDeletePoint, Dlg::IdNewObject}) EXPECT_TRUE(e.enabled(id));
    EXPECT_FALSE(e.enabled(Dlg::IdSaveObject));  // points only: nothing to save yet
    EXPECT_FALSE(e.enabled(Dlg::IdModifyParameters));

    // "Editer" replaces the selected point and keeps it selected.
    e.type(Dlg::IdPointX, "-7");
    e.click(Dlg::IdEditPoint);
    EXPECT_EQ(e.lines(Dlg::IdPointList)[1], "Point     1 : X=-7.0000      Y=0.0000       Z=1000.0000   ");
    EXPECT_EQ(e.currentRow(Dlg::IdPointList), 1);
}

TEST(ObjectEditorDlg, NonFiniteCoordinatesAreRefusedSayingWhyAndTheBoxKeepsItsText) {
    Editor e;
    e.addPoint("1", "2", "3");
    EXPECT_TRUE(e.prompts.told.isEmpty());
    for (const char* text : {"inf", "nan", "1e999", "-Infinity"}) {
        e.prompts.told.clear();
        e.addPoint("1", text, "3");
        EXPECT_EQ(e.mesh->vertexCount, 1) << text;
        EXPECT_EQ(e.box(Dlg::IdPointY)->text(), text);
        e.click(Dlg::IdEditPoint);
        EXPECT_EQ(e.mesh->vertices[0].y, 2.0) << text;
        // "Ajouter", then "Editer": each says which box and why.
        const QString why = QStringLiteral("Point refusé : Y = « %1 » n'est pas un nombre fini.").arg(text);
        EXPECT_EQ(e.prompts.told, QStringList({why, why}));
    }
    e.prompts.told.clear();
    e.addPoint("inf", "2", "nan");  // the first box at fault is named
    EXPECT_EQ(e.prompts.told, QStringList({"Point refusé : X = « inf » n'est pas un nombre fini."}));
}

TEST(ObjectEditorDlg, FacesNeedExistingPointsAndAreSelectedWhenAdded) {
    Editor e;
    for (int i = 0; i < 5; ++i) e.addPoint(QString::number(100 * i), "0", "0");
    e.addFace(5, 0, 1);  // only 5 points: refused, saying why
    EXPECT_EQ(e.mesh->faceCount, 0);
    EXPECT_EQ(e.box(Dlg::IdFaceA)->text(), "5");
    EXPECT_EQ(e.prompts.told, QStringList({"Face refusée : A = 5 ne désigne aucun point (points 0 à 4)."}));
    // A negative index cannot be typed, but one put there is refused too.
    e.type(Dlg::IdFaceA, "-1");
    e.click(Dlg::IdAddFace);
    EXPECT_EQ(e.mesh->faceCount, 0);
    EXPECT_EQ(e.box(Dlg::IdFaceA)->text(), "-1");
    EXPECT_FALSE(e.box(Dlg::IdFaceA)->hasAcceptableInput());
    EXPECT_EQ(e.prompts.told.last(), "Face refusée : A = -1 ne désigne aucun point (points 0 à 4).");
    e.prompts.told.clear();

    e.addPoint("0", "100", "0");
    e.addFace(5, 0, 1);
    ASSERT_EQ(e.mesh->faceCount, 1);
    EXPECT_EQ(e.lines(Dlg::IdFaceList), QStringList({"Face     0 : A=5     B=0     C=1    "}));
    EXPECT_EQ(e.currentRow(Dlg::IdFaceList), 0);
    EXPECT_EQ(e.dialog->selection().face, 0);
    EXPECT_EQ(e.dialog->selection().point, 5);  // adding a face keeps the point
    for (int32_t id : {Dlg::IdEditFace, Dlg::IdDeleteFace, Dlg::IdSaveObject, Dlg::IdModifyParameters})
        EXPECT_TRUE(e.enabled(id)) << id;
    EXPECT_TRUE(e.prompts.told.isEmpty());

    // "Editer" with an index past the end changes nothing either.
    e.type(Dlg::IdFaceA, "1");
    e.type(Dlg::IdFaceB, "2");
    e.type(Dlg::IdFaceC, "9");
    e.click(Dlg::IdEditFace);
    EXPECT_EQ(e.mesh->faces[0].c, 1);
    EXPECT_EQ(e.prompts.told, QStringList({"Face refusée : C = 9 ne désigne aucun point (points 0 à 5)."}));
    e.prompts.told.clear();
    e.type(Dlg::IdFaceC, "4");
    e.click(Dlg::IdEditFace);
    EXPECT_EQ(e.lines(Dlg::IdFaceList), QStringList({"Face     0 : A=1     B=2     C=4    "}));
    EXPECT_TRUE(e.prompts.told.isEmpty());

    Editor empty;
    empty.addFace(0, 0, 0);
    EXPECT_EQ(empty.prompts.told, QStringList({"Face refusée : A = 0 ne désigne aucun point (l'objet n'a aucun point)."}));
}

TEST(ObjectEditorDlg, SelectingAPointClearsTheFaceAndViceVersa) {
    Editor e;
    e.addPoint("1", "2", "3");
    e.addPoint("0.1234567", "-5", "6");
    e.addPoint("7", "8", "9");
    e.addFace(2, 1, 0);
    e.clickLine(Dlg::IdPointList, 1);
    EXPECT_EQ(e.dialog->selection().point, 1);
    EXPECT_EQ(e.dialog->selection().face, -1);
    EXPECT_EQ(e.currentRow(Dlg::IdFaceList), -1);
    EXPECT_EQ(e.box(Dlg::IdPointX)->text(), "0.123457");
    EXPECT_EQ(e.box(Dlg::IdPointY)->text(), "-5.000000");
    EXPECT_TRUE(e.enabled(Dlg::IdEditPoint));
    EXPECT_FALSE(e.enabled(Dlg::IdEditFace));

    e.type(Dlg::IdFaceA, "0");
    e.clickLine(Dlg::IdFaceList, 0);
    EXPECT_EQ(e.dialog->selection().face, 0);
    EXPECT_EQ(e.dialog->selection().point, -1);
    EXPECT_EQ(e.currentRow(Dlg::IdPointList), -1);
    EXPECT_EQ(e.box(Dlg::IdFaceA)->text(), "2");
    EXPECT_EQ(e.box(Dlg::IdPointX)->text(), "0.123457");  // the other kind's boxes stay
    EXPECT_FALSE(e.enabled(Dlg::IdEditPoint));
    EXPECT_TRUE(e.enabled(Dlg::IdDeleteFace));
}

TEST(ObjectEditorDlg, DeletingAPointAsksWhenFacesUseItAndRenumbersTheRest) {
    Editor e;
    for (int i = 0; i < 5; ++i) e.addPoint(QString::number(i), "0", "0");
    e.addFace(0, 1, 2);
    e.addFace(1, 2, 3);
    e.addFace(0, 3, 4);
    e.clickLine(Dlg::IdPointList, 2);

    e.prompts.answer = false;
    e.click(Dlg::IdDeletePoint);
    EXPECT_EQ(e.prompts.questions,
              QStringList({"Ce point est utilisé dans une ou plusieurs faces, confirmer la suppression"}));
    EXPECT_EQ(e.mesh->vertexCount, 5);
    EXPECT_EQ(e.mesh->faceCount, 3);

    e.prompts.answer = true;
    e.click(Dlg::IdDeletePoint);
    EXPECT_EQ(e.prompts.questions.size(), 2);  // asked once for both faces
    EXPECT_EQ(e.mesh->vertexCount, 4);
    // The face left still names the points it named: 3 and 4 are now 2 and 3.
    EXPECT_EQ(e.lines(Dlg::IdFaceList), QStringList({"Face     0 : A=0     B=2     C=3    "}));
    EXPECT_EQ(e.currentRow(Dlg::IdFaceList), -1);
    EXPECT_EQ(e.currentRow(Dlg::IdPointList), 2);  // the next point took its place
    EXPECT_EQ(e.lines(Dlg::IdPointList)[2], "Point     2 : X=3.0000       Y=0.0000       Z=0.0000      ");
    EXPECT_EQ(e.box(Dlg::IdPointX)->text(), "2.000000");  // the deleted point's values stay shown

    // A point no face uses goes without a question; the face lines follow.
    e.clickLine(Dlg::IdPointList, 1);
    e.click(Dlg::IdDeletePoint);
    EXPECT_EQ(e.prompts.questions.size(), 2);
    EXPECT_EQ(e.lines(Dlg::IdFaceList), QStringList({"Face     0 : A=0     B=1     C=2    "}));
    for (int32_t row = 0; row < 3; ++row) EXPECT_EQ(e.mesh->vertices[static_cast<size_t>(row)].x, row == 0 ? 0 : row + 2);
}

TEST(ObjectEditorDlg, DeletingTheLastLineLeavesNothingSelected) {
    Editor e;
    for (int i = 0; i < 3; ++i) e.addPoint(QString::number(i), "0", "0");
    e.addFace(0, 1, 2);
    e.addFace(2, 1, 0);
    // The last face: nothing stays selected, and the face buttons act on nothing.
    e.clickLine(Dlg::IdFaceList, 1);
    e.click(Dlg::IdDeleteFace);
    EXPECT_EQ(e.dialog->selection().face, -1);
    EXPECT_EQ(e.currentRow(Dlg::IdFaceList), -1);
    EXPECT_FALSE(e.enabled(Dlg::IdEditFace));
    EXPECT_FALSE(e.enabled(Dlg::IdDeleteFace));
    // The only face left: deleting it leaves none to save or scale.
    e.clickLine(Dlg::IdFaceList, 0);
    e.click(Dlg::IdDeleteFace);
    EXPECT_EQ(e.mesh->faceCount, 0);
    EXPECT_FALSE(e.enabled(Dlg::IdSaveObject));
    EXPECT_FALSE(e.enabled(Dlg::IdModifyParameters));
    EXPECT_TRUE(e.enabled(Dlg::IdNewObject));  // points remain

    e.clickLine(Dlg::IdPointList, 2);
    e.click(Dlg::IdDeletePoint);
    EXPECT_EQ(e.dialog->selection().point, -1);
    EXPECT_EQ(e.currentRow(Dlg::IdPointList), -1);
    EXPECT_FALSE(e.enabled(Dlg::IdEditPoint));
    EXPECT_FALSE(e.enabled(Dlg::IdDeletePoint));
    e.click(Dlg::IdEditPoint);  // programmatic clicks on disabled buttons do nothing
    EXPECT_EQ(e.mesh->vertexCount, 2);

    // With faces removed by a point's deletion, no face stays selected.
    e.addPoint("5", "5", "5");
    e.addFace(0, 1, 2);
    e.click(Dlg::IdDeletePoint);  // point 2 is still selected: the face uses it
    EXPECT_EQ(e.mesh->faceCount, 0);
    EXPECT_EQ(e.dialog->selection().face, -1);
    EXPECT_FALSE(e.enabled(Dlg::IdDeleteFace));
}

TEST(ObjectEditorDlg, FullTablesAreRefusedWithTheGeneratorsTexts) {
    Editor e;
    e.mesh->vertexCount = MeshCapacity;
    e.addPoint("1", "1", "1");
    EXPECT_EQ(e.mesh->vertexCount, MeshCapacity);
    e.mesh->faceCount = MeshCapacity;
    e.addFace(0, 1, 2);
    EXPECT_EQ(e.mesh->faceCount, MeshCapacity);
    EXPECT_EQ(e.prompts.told, QStringList({"Trop de points (>65536) dans l'objet !",
                                           "Trop de faces (>65536) dans l'objet !"}));
}

TEST(ObjectEditorDlg, NewObjectAsksAndKeepsTheButtonsAsTheyWere) {
    Editor e;
    for (int i = 0; i < 3; ++i) e.addPoint(QString::number(i), "0", "0");
    e.addFace(0, 1, 2);
    e.prompts.answer = false;
    e.click(Dlg::IdNewObject);
    EXPECT_EQ(e.prompts.questions, QStringList({"Etes-vous sur(e) ?"}));
    EXPECT_EQ(e.mesh->vertexCount, 3);
    e.prompts.answer = true;
    e.click(Dlg::IdNewObject);
    EXPECT_EQ(e.mesh->vertexCount, 0);
    EXPECT_EQ(e.mesh->faceCount, 0);
    EXPECT_TRUE(e.lines(Dlg::IdPointList).isEmpty() && e.lines(Dlg::IdFaceList).isEmpty());
    EXPECT_EQ(e.dialog->selection().point, -1);
    EXPECT_EQ(e.dialog->selection().face, -1);
    EXPECT_TRUE(e.enabled(Dlg::IdSaveObject));  // not updated: saving writes an empty object
    for (int32_t id : {Dlg::IdEditFace, Dlg::IdDeleteFace}) e.click(id);
    EXPECT_EQ(e.mesh->faceCount, 0);
}

TEST(ObjectEditorDlg, ReadAndMergeFillTheListsWithoutSelection) {
    Editor e;
    e.slider(Dlg::IdZoom)->setValue(1234);
    const fs::path file = e.writeFile("ten.asc", ascText(10, 4));
    e.addPoint("1", "1", "1");
    e.loadFile(Dlg::IdLoadObject, file);
    ASSERT_EQ(e.prompts.choices.size(), 1u);
    const FileChoice& open = e.prompts.choices[0];
    EXPECT_FALSE(open.save);
    EXPECT_TRUE(open.fileMustExist);
    EXPECT_EQ(open.defaultSuffix, "ASC");
    EXPECT_TRUE(open.filter.contains("*.asc") && open.filter.contains("*.ASC"));
    EXPECT_EQ(e.lines(Dlg::IdPointList).size(), 10);
    EXPECT_EQ(e.lines(Dlg::IdFaceList).size(), 4);
    EXPECT_EQ(e.lines(Dlg::IdPointList)[9], "Point     9 : X=90.0000      Y=0.0000       Z=0.0000      ");
    EXPECT_EQ(e.currentRow(Dlg::IdPointList), -1);
    EXPECT_EQ(e.dialog->selection().point, -1);
    EXPECT_TRUE(e.enabled(Dlg::IdSaveObject) && e.enabled(Dlg::IdModifyParameters));
    EXPECT_FALSE(e.enabled(Dlg::IdEditPoint));
    EXPECT_EQ(e.dialog->viewSettings().zoom, 1234);  // the view keeps its settings

    e.loadFile(Dlg::IdMergeObject, file);
    EXPECT_EQ(e.mesh->vertexCount, 20);
    EXPECT_EQ(e.lines(Dlg::IdFaceList)[4], "Face     4 : A=10    B=11    C=12   ");
    EXPECT_TRUE(e.prompts.told.isEmpty());

    // Cancelled: nothing changes but the buttons are brought up to date.
    e.clickLine(Dlg::IdPointList, 3);
    e.click(Dlg::IdLoadObject);
    EXPECT_EQ(e.mesh->vertexCount, 20);
    EXPECT_EQ(e.dialog->selection().point, 3);
}

TEST(ObjectEditorDlg, AFailedReadOrMergeLeavesTheObjectAndSaysWhy) {
    Editor e;
    const fs::path file = e.writeFile("three.asc", ascText(3, 1));
    e.loadFile(Dlg::IdLoadObject, file);
    std::string tooMany = "Named object: \"Big\"\n";
    for (int32_t i = 0; i < MeshCapacity - 1; ++i) tooMany += "Vertex 0:  X: 1 Y: 1 Z: 1\n";
    const fs::path big = e.writeFile("big.asc", tooMany);
    const struct {
        int32_t command;
        fs::path path;
        const char* message;
    } cases[] = {{Dlg::IdLoadObject, e.folder / "missing.asc",
                  "Erreur d'ouverture du fichier objet.\nAucun fichier ou dossier de ce nom"},
                 {Dlg::IdMergeObject, e.folder / "missing.asc",
                  "Erreur d'ouverture du fichier objet.\nAucun fichier ou dossier de ce nom"},
                 {Dlg::IdLoadObject, e.folder.path(), "Erreur d'ouverture du fichier objet.\nEst un dossier, pas un fichier"},
                 {Dlg::IdLoadObject, e.folder / "three.asc" / "below.asc",
                  "Erreur d'ouverture du fichier objet.\nN'est pas un dossier"},
                 {Dlg::IdMergeObject, big, "Trop de points (>65536) dans l'objet !"}};
    for (const auto& c : cases) {
        e.prompts.told.clear();
        e.clickLine(Dlg::IdPointList, 1);
        e.loadFile(c.command, c.path);
        EXPECT_EQ(e.prompts.told, QStringList({c.message})) << c.path;
        EXPECT_EQ(e.mesh->vertexCount, 3);
        EXPECT_EQ(e.mesh->faceCount, 1);
        EXPECT_EQ(e.lines(Dlg::IdPointList).size(), 3);
        EXPECT_EQ(e.lines(Dlg::IdFaceList).size(), 1);
        EXPECT_EQ(e.dialog->selection().point, -1);
        EXPECT_EQ(e.currentRow(Dlg::IdPointList), -1);
    }
    // Read alone, the big file fits.
    e.loadFile(Dlg::IdLoadObject, big);
    EXPECT_EQ(e.mesh->vertexCount, MeshCapacity - 1);
}

TEST(ObjectEditorDlg, SaveAsksBeforeOverwritingAndWritesTheObject) {
    Editor e;
    for (int i = 0; i < 3; ++i) e.addPoint(QString::number(i), "0.5", "0");
    e.addFace(0, 1, 2);
    const fs::path path = e.folder / "saved.asc";
    e.loadFile(Dlg::IdSaveObject, path);
    ASSERT_EQ(e.prompts.choices.size(), 1u);
    EXPECT_TRUE(e.prompts.choices[0].save);
    EXPECT_TRUE(e.prompts.choices[0].askOverwrite);
    EXPECT_EQ(e.prompts.choices[0].defaultSuffix, "ASC");
    ASSERT_TRUE(saveAsc(*e.mesh, e.folder / "expected.asc"));
    EXPECT_EQ(test::readText(path), test::readText(e.folder / "expected.asc"));
    EXPECT_EQ(e.dialog->selection().face, 0);  // saving changes nothing in the editor
    EXPECT_TRUE(e.prompts.told.isEmpty());

    e.loadFile(Dlg::IdSaveObject, e.folder / "no" / "such" / "folder.asc");
    EXPECT_EQ(e.prompts.told, QStringList({"Erreur d'écriture du fichier objet."}));
}

TEST(ObjectEditorDlg, SlidersAndModesRedrawTheViewAsTheRendererDraws) {
    Editor e;
    e.loadFile(Dlg::IdLoadObject, e.writeFile("fan.asc", ascText(6, 4)));
    e.slider(Dlg::IdZoom)->setValue(30000);
    e.slider(Dlg::IdAngleX)->setValue(20);
    e.slider(Dlg::IdAngleY)->setValue(359);
    e.slider(Dlg::IdAngleZ)->setValue(45);
    EXPECT_EQ(e.box(Dlg::IdZoomBox)->text(), "30000");
    EXPECT_EQ(e.box(Dlg::IdAngleYBox)->text(), "359");
    e.button(Dlg::IdModeFilledFaces)->click();
    e.clickLine(Dlg::IdFaceList, 1);

    // The same drawing made directly with the renderer and the marker.
    CDibSurface expected;
    ASSERT_TRUE(expected.create(640, 400));
    expected.fill(e.inkPixel(0));
    CDeviceContext context(expected);
    context.selectPen(pixelToColourRef(e.inkPixel(1)));
    context.selectBrush(pixelToColourRef(e.inkPixel(2)));
    const ProjectionParams params{320, 200, 30000, 30000, 20, 359, 45};
    RenderStyle style;
    style.mode = RenderFilledFaces;
    style.pointColour = pixelToColourRef(e.inkPixel(1));
    auto renderer = std::make_unique<FrameRenderer>();
    renderer->renderFrame(context, *e.mesh, params, style);
    context.selectPen(pixelToColourRef(e.inkPixel(3)));
    drawEditorMarker(context, *e.mesh, params, 1, -1, pixelToColourRef(e.inkPixel(3)), renderer->projection);

    e.dialog->show();
    const QImage shown = e.dialog->view()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(640, 400));
    int wrong = 0;
    int selection = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 640; ++x) {
            wrong += (shown.pixel(x, y) & 0xFFFFFFu) != expected.row(y)[x];
            selection += expected.row(y)[x] == e.inkPixel(3);
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(selection, 20) << "the selected face's outline was drawn";

    // Each mode button redraws at once.
    e.button(Dlg::IdModeHiddenPoints)->click();
    EXPECT_EQ(e.dialog->viewSettings().mode, RenderHiddenPoints);
    int filled = 0;
    for (int y = 0; y < 400; ++y)
        for (int x = 0; x < 640; ++x) filled += e.viewPixel(x, y) == e.inkPixel(2);
    EXPECT_EQ(filled, 0);
}

// The sliders stay the one source of the angles and the zoom: a drag on the
// view moves the AX and AY sliders, the wheel the zoom slider.
TEST(ObjectEditorDlg, DraggingTheViewTurnsItAndTheWheelZoomsIt) {
    Editor e;
    e.loadFile(Dlg::IdLoadObject, e.writeFile("fan.asc", ascText(6, 4)));
    e.dialog->show();
    QWidget* view = e.dialog->view();
    const auto mouse = [view](QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons held) {
        QMouseEvent event(type, QPointF(at), view->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
        QApplication::sendEvent(view, &event);
    };
    const auto shows = [&](int angleX, int angleY) {
        EXPECT_EQ(e.slider(Dlg::IdAngleX)->value(), angleX);
        EXPECT_EQ(e.slider(Dlg::IdAngleY)->value(), angleY);
        EXPECT_EQ(e.box(Dlg::IdAngleXBox)->text(), QString::number(angleX));
        EXPECT_EQ(e.box(Dlg::IdAngleYBox)->text(), QString::number(angleY));
        EXPECT_EQ(e.dialog->viewSettings().angleX, angleX);
        EXPECT_EQ(e.dialog->viewSettings().angleY, angleY);
    };
    e.slider(Dlg::IdZoom)->setValue(30000);
    e.slider(Dlg::IdAngleX)->setValue(10);
    e.slider(Dlg::IdAngleY)->setValue(20);
    e.slider(Dlg::IdAngleZ)->setValue(45);
    const std::vector<uint32_t> before(e.dialog->viewSurface().bits, e.dialog->viewSurface().bits + 640 * 400);

    mouse(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {120, 100}, Qt::NoButton, Qt::LeftButton);  // 20 pixels right: 10 degrees about Y
    shows(10, 30);
    EXPECT_NE(std::vector<uint32_t>(e.dialog->viewSurface().bits, e.dialog->viewSurface().bits + 640 * 400), before);
    mouse(QEvent::MouseMove, {81, 130}, Qt::NoButton, Qt::LeftButton);  // measured from the press
    shows(25, 11);
    mouse(QEvent::MouseMove, {81, 60}, Qt::NoButton, Qt::LeftButton);  // up past 0 wraps to 359 and below
    shows(350, 11);
    mouse(QEvent::MouseMove, {81, 130}, Qt::NoButton, Qt::LeftButton);
    shows(25, 11);
    mouse(QEvent::MouseButtonRelease, {81, 130}, Qt::LeftButton, Qt::NoButton);
    mouse(QEvent::MouseMove, {300, 300}, Qt::NoButton, Qt::NoButton);  // no button: no turn
    shows(25, 11);
    mouse(QEvent::MouseButtonPress, {100, 100}, Qt::RightButton, Qt::RightButton);
    mouse(QEvent::MouseMove, {200, 200}, Qt::NoButton, Qt::RightButton);  // the right button does not turn
    mouse(QEvent::MouseButtonRelease, {200, 200}, Qt::RightButton, Qt::NoButton);
    shows(25, 11);
    EXPECT_EQ(e.slider(Dlg::IdAngleZ)->value(), 45);

    const auto wheel = [](QWidget* target, int delta) {
        const QPointF at(10, 5);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(target, &event);
    };
    QSlider* zoom = e.slider(Dlg::IdZoom);
    const struct {
        int from;
        QWidget* target;
        std::vector<int> deltas;
        int expected;
    } notches[] = {{1000, view, {120}, 1250},       {1000, view, {-240}, 640},  {1000, view, {60, 59}, 1000},
                   {1000, view, {60, 60}, 1250},    {1, view, {120}, 2},        {50000, view, {120}, 50000},
                   {1000, zoom, {120}, 1250},       {1000, zoom, {-120}, 800}};  // the slider's own wheel too
    for (const auto& n : notches) {
        zoom->setValue(n.from);
        for (int delta : n.deltas) wheel(n.target, delta);
        EXPECT_EQ(zoom->value(), n.expected) << n.from;
        EXPECT_EQ(e.dialog->viewSettings().zoom, n.expected);
        EXPECT_EQ(e.box(Dlg::IdZoomBox)->text(), QString::number(n.expected));
        wheel(n.target, -(std::accumulate(n.deltas.begin(), n.deltas.end(), 0) % 120));  // no part-notch left over
    }
}

TEST(ObjectEditorDlg, ARefillFormatsOnlyTheLinesShown) {
    Editor e;
    e.dialog->show();
    e.loadFile(Dlg::IdLoadObject, e.writeFile("many.asc", ascText(MeshCapacity, MeshCapacity)));
    ASSERT_EQ(e.mesh->vertexCount, MeshCapacity);
    auto* points = qobject_cast<CObjectListModel*>(e.list(Dlg::IdPointList)->model());
    ASSERT_NE(points, nullptr);
    QApplication::processEvents();
    const int64_t before = points->linesFormatted();
    e.clickLine(Dlg::IdPointList, 40000);
    e.click(Dlg::IdAddPoint);  // refused: the table is full
    e.click(Dlg::IdEditPoint);
    e.dialog->view()->grab();
    e.list(Dlg::IdPointList)->grab();
    EXPECT_LT(points->linesFormatted() - before, 2000);
    EXPECT_EQ(e.lines(Dlg::IdPointList).size(), MeshCapacity);
    EXPECT_EQ(e.currentRow(Dlg::IdPointList), 40000);
}

TEST(ObjectParamsDlg, ShowsTheBoxAndLinkedDisablesTheOtherSizes) {
    Editor e;
    for (const char* x : {"2", "6"}) e.addPoint(x, "-1", "10");
    CObjectParamsDlg dialog(*e.mesh, nullptr);
    const auto text = [&](int32_t id) { return controlById<QLineEdit>(dialog, id)->text(); };
    EXPECT_EQ(dialog.windowTitle(), "Paramètres objet");
    EXPECT_EQ(text(CObjectParamsDlg::IdCentreX), "  4.0000");
    EXPECT_EQ(text(CObjectParamsDlg::IdCentreY), " -1.0000");
    EXPECT_EQ(text(CObjectParamsDlg::IdSizeX), "  4.0000");
    EXPECT_EQ(text(CObjectParamsDlg::IdSizeZ), "  0.0000");
    auto* linked = controlById<QCheckBox>(dialog, CObjectParamsDlg::IdLinked);
    EXPECT_FALSE(linked->isChecked());
    EXPECT_TRUE(controlById<QWidget>(dialog, CObjectParamsDlg::IdSizeY)->isEnabled());
    linked->click();
    EXPECT_FALSE(controlById<QWidget>(dialog, CObjectParamsDlg::IdSizeY)->isEnabled());
    EXPECT_FALSE(controlById<QWidget>(dialog, CObjectParamsDlg::IdSizeZ)->isEnabled());
    EXPECT_TRUE(controlById<QWidget>(dialog, CObjectParamsDlg::IdSizeX)->isEnabled());
    EXPECT_EQ(text(CObjectParamsDlg::IdSizeY), "  0.0000");
    linked->click();
    EXPECT_TRUE(controlById<QWidget>(dialog, CObjectParamsDlg::IdSizeZ)->isEnabled());
    EXPECT_TRUE(controlById<QPushButton>(dialog, CObjectParamsDlg::IdApply)->isDefault());
}

TEST(ObjectParamsDlg, ApplyAndCancelFromTheEditorRedrawTheView) {
    Editor e;
    for (const char* x : {"2", "6", "4"}) e.addPoint(x, QString::fromLatin1(x), "0");
    e.addFace(0, 1, 2);
    e.slider(Dlg::IdZoom)->setValue(30000);
    const std::vector<uint32_t> drawnBefore(e.dialog->viewSurface().bits, e.dialog->viewSurface().bits + 640 * 400);

    // "Annuler": nothing changes, the view is drawn again all the same.
    whenModal<CObjectParamsDlg>(
        [](CObjectParamsDlg& d) { controlById<QPushButton>(d, CObjectParamsDlg::IdCancel)->click(); });
    e.click(Dlg::IdModifyParameters);
    EXPECT_EQ(e.mesh->vertices[1].x, 6.0);
    e.dialog->viewSurface().bits[0] ^= 1;  // a stale pixel the redraw must replace
    whenModal<CObjectParamsDlg>([](CObjectParamsDlg& d) { d.reject(); });
    e.click(Dlg::IdModifyParameters);
    EXPECT_EQ(e.dialog->viewSurface().bits[0], drawnBefore[0]);

    // A non-finite size is refused and the dialog stays open on its box;
    // then centre 0 and size 8 along X: x from -4 to 4.
    whenModal<CObjectParamsDlg>([&](CObjectParamsDlg& d) {
        auto* sizeX = controlById<QLineEdit>(d, CObjectParamsDlg::IdSizeX);
        sizeX->setText("1e999");
        pressKey(sizeX, Qt::Key_Return);  // Enter applies
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.refusedBox(), 3);
        EXPECT_EQ(sizeX->text(), "1e999");
        EXPECT_EQ(e.mesh->vertices[0].x, 2.0);
        controlById<QLineEdit>(d, CObjectParamsDlg::IdCentreX)->setText("0");
        sizeX->setText("8");
        pressKey(sizeX, Qt::Key_Return);
    });
    e.click(Dlg::IdModifyParameters);
    EXPECT_DOUBLE_EQ(e.mesh->vertices[0].x, -4.0);
    EXPECT_DOUBLE_EQ(e.mesh->vertices[1].x, 4.0);
    EXPECT_DOUBLE_EQ(e.mesh->vertices[1].y, 6.0);  // Y was not changed
    // The view shows the scaled object: corner (-4, 2) at (316, 202), on the
    // outline of the face, still selected since it was added.
    EXPECT_EQ(e.viewPixel(316, 202), e.inkPixel(3));
    EXPECT_NE(std::vector<uint32_t>(e.dialog->viewSurface().bits, e.dialog->viewSurface().bits + 640 * 400),
              drawnBefore);
    EXPECT_EQ(e.lines(Dlg::IdPointList)[0], "Point     0 : X=-4.0000      Y=2.0000       Z=0.0000      ");
}

TEST(ObjectParamsDlg, WithNoPointsApplyChangesNothing) {
    Editor e;
    CObjectParamsDlg dialog(*e.mesh, nullptr);
    EXPECT_EQ(controlById<QLineEdit>(dialog, CObjectParamsDlg::IdSizeX)->text(), "  0.0000");
    dialog.show();
    controlById<QPushButton>(dialog, CObjectParamsDlg::IdApply)->click();
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(e.mesh->vertexCount, 0);
}

}  // namespace
}  // namespace volumix
