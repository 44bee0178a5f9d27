#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>
#include <functional>

#include <gtest/gtest.h>

#include "export/amsdos.h"
#include "sequence/animation_sequence.h"
#include "gui/dialog_layout_checks.h"
#include "gui/dialog_template.h"
#include "gui/generator_dlg.h"
#include "gui/generator_dlg_ids.h"
#include "gui/object_editor_dlg.h"
#include "gui/prompts.h"
#include "gui/sequence_editor_dlg.h"
#include "gui/sprite_editor_dlg.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

using namespace test;

class NoPrompts : public CPrompts {
public:
    QStringList asked;
    bool answer = false;
    QString chooseFile(QWidget*, const FileChoice&) override { return {}; }
    bool askYesNo(QWidget*, const QString& text) override {
        asked << text;
        return answer;
    }
    void tell(QWidget*, const QString&) override {}
};

class SteppingClock : public Clock {
public:
    uint32_t now = 1000;
    uint32_t milliseconds() override { return now; }
    void sleep(uint32_t milliseconds) override { now += std::max<uint32_t>(milliseconds, 1); }
};

// Delivers a drag of one file and, when the window takes it, the drop.
bool dropFile(CGeneratorDlg& dialog, const std::filesystem::path& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(QString::fromStdString(file.string()))});
    const QPoint at(100, 100);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &drop);
    return true;
}

TEST(MainWindowDrop, MeshFillsTheObjectBoxScreenBecomesTheBackgroundOthersAreRefused) {
    TestFolder folder;
    auto stores = makeAppStores();
    NoPrompts prompts;
    CGeneratorDlg dialog(*stores, prompts);

    const auto mesh = folder / "Model.ASC";
    writeText(mesh, "");
    ASSERT_TRUE(dropFile(dialog, mesh));
    EXPECT_EQ(controlById<QLineEdit>(dialog, IdObjectPath)->text().toStdString(), mesh.string());

    // Every byte 0xFF: in mode 0 each pixel shows ink 15, not the ink-0 fill.
    std::vector<uint8_t> screen(AmsdosHeaderBytes + 16384, 0xFF);
    const AmsdosHeader header = buildAmsdosHeader("BACK.SCR", 0xC000, 16384, 0);
    std::copy(header.begin(), header.end(), screen.begin());
    const auto scr = folder / "back.scr";
    writeBytes(scr, screen);
    ASSERT_TRUE(dropFile(dialog, scr));
    EXPECT_TRUE(controlById<QAbstractButton>(dialog, IdBackgroundTick)->isChecked());
    EXPECT_EQ(dialog.hasBackground(), true);
    EXPECT_EQ(controlById<QLineEdit>(dialog, IdBackgroundPath)->text().toStdString(), scr.string());
    EXPECT_EQ(stores->frameSurface.bits[0], hardwareColourPixel(dialog.currentInks()[15]));

    const auto other = folder / "notes.txt";
    writeText(other, "x");
    EXPECT_FALSE(dropFile(dialog, other));
    EXPECT_EQ(controlById<QLineEdit>(dialog, IdObjectPath)->text().toStdString(), mesh.string());
}

// A drop is one local mesh or screen file, and none while a run uses the
// window.
TEST(MainWindowDrop, TwoFilesOrADropDuringARunAreRefused) {
    TestFolder folder;
    auto stores = makeAppStores();
    NoPrompts prompts;
    SteppingClock clock;
    CGeneratorDlg dialog(*stores, prompts);
    dialog.setClock(clock);
    const auto mesh = folder / "a.asc";
    writeText(mesh, "");
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(QString::fromStdString(mesh.string())),
                 QUrl::fromLocalFile(QString::fromStdString((folder / "b.asc").string()))});
    QDragEnterEvent enter(QPoint(100, 100), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&dialog, &enter);
    EXPECT_FALSE(enter.isAccepted());

    auto* objectPath = controlById<QLineEdit>(dialog, IdObjectPath);
    objectPath->setText(VOLUMIX_EXAMPLES_DIR "/torus.asc");
    controlById<QLineEdit>(dialog, IdFrameCount)->setText("2");
    bool acceptedDuringRun = true;
    QObject::connect(&dialog, &CGeneratorDlg::frameFinished, &dialog, [&](int, int frameIndex) {
        if (frameIndex == 0) acceptedDuringRun = dropFile(dialog, mesh);
    });
    dialog.OnStart();
    EXPECT_FALSE(acceptedDuringRun);
    EXPECT_EQ(objectPath->text(), VOLUMIX_EXAMPLES_DIR "/torus.asc");
    EXPECT_TRUE(dropFile(dialog, mesh));  // and again once it has ended
    EXPECT_EQ(objectPath->text().toStdString(), mesh.string());
}

// A background that fails says why in the message list: a file that opened
// but holds no screen is not called unopened, and the system's reason is
// worded in French.
TEST(MainWindowBackground, AFailedScreenSaysWhy) {
    TestFolder folder;
    const auto junk = folder / "junk.scr";
    writeBytes(junk, std::vector<uint8_t>(300, 0x41));
    const auto below = folder / "junk.scr" / "below.scr";
    const auto locked = folder / "locked.scr";
    writeBytes(locked, std::vector<uint8_t>(AmsdosHeaderBytes + 16384, 0));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    const struct {
        std::filesystem::path path;
        QString line;
        bool skip;
    } cases[] = {
        {junk, QStringLiteral("Le fichier %1 n'est pas un écran CPC"), false},
        {folder / "missing.scr", QStringLiteral("Erreur d'ouverture du fichier %1 (Aucun fichier ou dossier de ce nom)"), false},
        {below, QStringLiteral("Erreur d'ouverture du fichier %1 (N'est pas un dossier)"), false},
        {folder.path(), QStringLiteral("Erreur d'ouverture du fichier %1 (Est un dossier, pas un fichier)"), false},
        // Permissions do not bite for root, who reads the file all the same.
        {locked, QStringLiteral("Erreur d'ouverture du fichier %1 (Permission refusée)"), ::geteuid() == 0},
    };
    for (const auto& c : cases) {
        if (c.skip) continue;
        auto stores = makeAppStores();
        NoPrompts prompts;
        CGeneratorDlg dialog(*stores, prompts);
        controlById<QAbstractButton>(dialog, IdBackgroundTick)->click();
        const QString path = QString::fromStdString(c.path.string());
        dialog.loadBackgroundFile(path);
        auto* list = controlById<QListWidget>(dialog, IdMessageList);
        ASSERT_EQ(list->count(), 1) << c.path;
        EXPECT_EQ(list->item(0)->text(), c.line.arg(path));
        EXPECT_EQ(list->currentRow(), 0);
        EXPECT_FALSE(dialog.hasBackground());
        EXPECT_EQ(stores->frameSurface.bits[0], hardwareColourPixel(dialog.currentInks()[0]));
    }
    std::filesystem::permissions(locked, std::filesystem::perms::owner_all);
}

// Output that cannot be written is reported with the system's reason in
// French (the command line keeps the system's English).
TEST(MainWindowRunFailure, UnwrittenOutputIsReportedInFrench) {
    TestFolder folder;
    writeText(folder / "file", "x");
    const struct {
        std::filesystem::path prefix;
        QString reason;
    } cases[] = {{folder / "no" / "anim", QStringLiteral("Aucun fichier ou dossier de ce nom")},
                 {folder / "file" / "anim", QStringLiteral("N'est pas un dossier")}};
    for (const auto& c : cases) {
        auto stores = makeAppStores();
        QStringList told;
        class Telling : public NoPrompts {
        public:
            explicit Telling(QStringList& told) : told_(told) {}
            void tell(QWidget*, const QString& text) override { told_ << text; }
            QStringList& told_;
        } prompts(told);
        SteppingClock clock;
        CGeneratorDlg dialog(*stores, prompts);
        dialog.setClock(clock);
        controlById<QLineEdit>(dialog, IdObjectPath)->setText(VOLUMIX_EXAMPLES_DIR "/torus.asc");
        controlById<QLineEdit>(dialog, IdCpcPath)->setText(QString::fromStdString(c.prefix.string()));
        controlById<QLineEdit>(dialog, IdFrameCount)->setText("1");
        dialog.OnStart();
        ASSERT_EQ(told.size(), 1) << c.prefix;
        EXPECT_EQ(told[0], QStringLiteral("Des fichiers de sortie n'ont pas pu être écrits :\n%1 : %2")
                               .arg(QString::fromStdString(c.prefix.string()), c.reason));
    }
}

// Quitting with a sequence or sprites that no file holds asks first, naming
// what would be lost; only Yes quits. A window with nothing unsaved closes
// without a question.
TEST(MainWindowQuit, AsksBeforeDroppingUnsavedSequenceOrSprites) {
    const QString sequence = QStringLiteral("La séquence a des modifications non sauvegardées. Quitter quand même ?");
    const QString sprites = QStringLiteral("Les sprites ont des modifications non sauvegardées. Quitter quand même ?");
    const QString both =
        QStringLiteral("La séquence et les sprites ont des modifications non sauvegardées. Quitter quand même ?");
    enum Change { Nothing, Sequence, Sprites, Both };
    const struct {
        Change change;
        bool answer;
        QString question;
        bool closed;
    } cases[] = {{Nothing, false, {}, true},       {Sequence, false, sequence, false}, {Sequence, true, sequence, true},
                 {Sprites, false, sprites, false}, {Sprites, true, sprites, true},     {Both, false, both, false},
                 {Both, true, both, true}};
    for (const auto& c : cases) {
        auto stores = makeAppStores();
        NoPrompts prompts;
        prompts.answer = c.answer;
        CGeneratorDlg dialog(*stores, prompts);
        dialog.show();
        if (c.change == Sequence || c.change == Both) stores->sequence.append(SequenceFrame{});
        if (c.change == Sprites || c.change == Both) stores->sprites.unsaved = true;
        dialog.close();  // the close box; Escape takes the same way
        EXPECT_EQ(prompts.asked, c.question.isEmpty() ? QStringList{} : QStringList{c.question}) << c.change;
        EXPECT_EQ(dialog.isVisible(), !c.closed) << c.change << ' ' << c.answer;
    }
}

// Runs `answer` on the modal dialog that the next event opens.
template <typename Dialog>
void answerModal(std::function<void(Dialog&)> answer) {
    QTimer::singleShot(0, [answer] {
        auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        answer(*dialog);
    });
}

TEST(MainWindowEditors, SequenceEditorGetsTheParametersAsARunReadsThem) {
    auto stores = makeAppStores();
    NoPrompts prompts;
    CGeneratorDlg dialog(*stores, prompts);
    auto* px = controlById<QLineEdit>(dialog, StartValueIds[0]);
    px->setText("12abc");
    answerModal<CSequenceEditorDlg>([](CSequenceEditorDlg& editor) {
        controlById<QAbstractButton>(editor, CSequenceEditorDlg::IdGenerate)->click();
        editor.close();
    });
    controlById<QAbstractButton>(dialog, IdSequenceEditor)->click();
    EXPECT_EQ(px->text(), "12");
    ASSERT_EQ(stores->sequence.rowCount, 60);
    EXPECT_EQ(stores->sequence.row(0).px, 12);
    EXPECT_EQ(stores->sequence.row(59).ay, 6 * 59);
}

// The sprite editor stays usable during a run: the run waits while it is
// open, then goes on with the count it hands back.
TEST(MainWindowEditors, SpriteEditorDuringARunHandsBackItsCount) {
    auto stores = makeAppStores();
    NoPrompts prompts;
    SteppingClock clock;
    CGeneratorDlg dialog(*stores, prompts);
    dialog.setClock(clock);
    controlById<QLineEdit>(dialog, IdObjectPath)->setText(VOLUMIX_EXAMPLES_DIR "/torus.asc");
    controlById<QLineEdit>(dialog, IdFrameCount)->setText("4");
    QObject::connect(&dialog, &CGeneratorDlg::frameFinished, &dialog, [&](int, int frameIndex) {
        if (frameIndex != 1) return;
        answerModal<CSpriteEditorDlg>([](CSpriteEditorDlg& editor) {
            controlById<QLineEdit>(editor, CSpriteEditorDlg::IdCount)->setText("3");
            controlById<QAbstractButton>(editor, CSpriteEditorDlg::IdClose)->click();
        });
        controlById<QAbstractButton>(dialog, IdSpriteEditor)->click();
    });
    dialog.OnStart();
    EXPECT_EQ(dialog.currentSpriteCount(), 3);
    EXPECT_EQ(controlById<QLabel>(dialog, IdSpriteCountLabel)->text(), "(Nombre de sprites : 3)");
    auto* list = controlById<QListWidget>(dialog, IdMessageList);
    ASSERT_GT(list->count(), 0);
    EXPECT_TRUE(list->item(list->count() - 1)->text().startsWith("Total = "));
    EXPECT_EQ(list->count(), 5);  // frames 0..3 and the total
}

// The object editor too: opening it empties the mesh, so the frames drawn
// after it closes show nothing but the ink-0 fill.
// The editor, opened during a run, empties its own object; the run goes on
// drawing the mesh it loaded, so its frames and sizes are those of a run
// without the editor.
TEST(MainWindowEditors, ObjectEditorDuringARunLeavesTheRunItsMesh) {
    auto stores = makeAppStores();
    NoPrompts prompts;
    SteppingClock clock;
    CGeneratorDlg dialog(*stores, prompts);
    dialog.setClock(clock);
    controlById<QLineEdit>(dialog, IdObjectPath)->setText(VOLUMIX_EXAMPLES_DIR "/torus.asc");
    controlById<QLineEdit>(dialog, IdFrameCount)->setText("3");
    const auto listed = [&] {
        QStringList lines;
        auto* list = controlById<QListWidget>(dialog, IdMessageList);
        for (int k = 0; k < list->count(); ++k) lines << list->item(k)->text();
        return lines;
    };
    dialog.OnStart();
    const QStringList alone = listed();

    int32_t editorVertices = -1;
    QObject::connect(&dialog, &CGeneratorDlg::frameFinished, &dialog, [&](int, int frameIndex) {
        if (frameIndex != 0) return;
        answerModal<CObjectEditorDlg>([&](CObjectEditorDlg& editor) {
            editorVertices = stores->mesh.vertexCount;
            editor.close();
        });
        controlById<QAbstractButton>(dialog, IdObjectEditor)->click();
    });
    dialog.OnStart();
    EXPECT_EQ(editorVertices, 0);  // the editor opened on an empty object
    EXPECT_EQ(listed(), alone);
    EXPECT_EQ(listed().size(), 4);  // frames 0..2 and the total
    const uint32_t ink0 = hardwareColourPixel(dialog.currentInks()[0]);
    const CDibSurface& frame = stores->frameSurface;
    int64_t drawn = 0;
    for (int32_t y = 0; y < frame.height; ++y)
        for (int32_t x = 0; x < 16 * dialog.currentCrtcR1(); ++x) drawn += frame.bits[y * frame.width + x] != ink0;
    EXPECT_GT(drawn, 0);
}

}  // namespace
}  // namespace volumix
