#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QLabel>
#include <QListWidget>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <functional>

#include <gtest/gtest.h>

#include "export/amsdos.h"
#include "sequence/animation_sequence.h"
#include "gui/generator_dlg.h"
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
    EXPECT_EQ(static_cast<QLineEdit*>(dialog.control(IdObjectPath))->text().toStdString(), mesh.string());

    // Every byte 0xFF: in mode 0 each pixel shows ink 15, not the ink-0 fill.
    std::vector<uint8_t> screen(AmsdosHeaderBytes + 16384, 0xFF);
    const AmsdosHeader header = buildAmsdosHeader("BACK.SCR", 0xC000, 16384, 0);
    std::copy(header.begin(), header.end(), screen.begin());
    const auto scr = folder / "back.scr";
    writeBytes(scr, screen);
    ASSERT_TRUE(dropFile(dialog, scr));
    EXPECT_TRUE(static_cast<QAbstractButton*>(dialog.control(IdBackgroundTick))->isChecked());
    EXPECT_EQ(dialog.backgroundLoaded, 1);
    EXPECT_EQ(static_cast<QLineEdit*>(dialog.control(IdBackgroundPath))->text().toStdString(), scr.string());
    EXPECT_EQ(stores->frameSurface.bits[0], hardwareColourPixel(dialog.inks[15]));

    const auto other = folder / "notes.txt";
    writeText(other, "x");
    EXPECT_FALSE(dropFile(dialog, other));
    EXPECT_EQ(static_cast<QLineEdit*>(dialog.control(IdObjectPath))->text().toStdString(), mesh.string());
}

// Quitting with a sequence or sprites that no file holds asks first; only Yes
// quits. A window with nothing unsaved closes without a question.
TEST(MainWindowQuit, AsksBeforeDroppingUnsavedSequenceOrSprites) {
    const QString question = QStringLiteral("Des modifications n'ont pas été sauvegardées. Quitter quand même ?");
    enum Change { Nothing, Sequence, Sprites };
    const struct {
        Change change;
        bool answer;
        bool asked;
        bool closed;
    } cases[] = {{Nothing, false, false, true},
                 {Sequence, false, true, false},
                 {Sequence, true, true, true},
                 {Sprites, false, true, false},
                 {Sprites, true, true, true}};
    for (const auto& c : cases) {
        auto stores = makeAppStores();
        NoPrompts prompts;
        prompts.answer = c.answer;
        CGeneratorDlg dialog(*stores, prompts);
        dialog.show();
        if (c.change == Sequence) stores->sequence.append(SequenceFrame{});
        if (c.change == Sprites) stores->sprites.unsaved = true;
        dialog.close();  // the close box; Escape takes the same way
        EXPECT_EQ(prompts.asked, c.asked ? QStringList{question} : QStringList{}) << c.change;
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

class SteppingClock : public Clock {
public:
    uint32_t now = 1000;
    uint32_t milliseconds() override { return now; }
    void sleep(uint32_t milliseconds) override { now += std::max<uint32_t>(milliseconds, 1); }
};

TEST(MainWindowEditors, SequenceEditorGetsTheParametersAsARunReadsThem) {
    auto stores = makeAppStores();
    NoPrompts prompts;
    CGeneratorDlg dialog(*stores, prompts);
    auto* px = static_cast<QLineEdit*>(dialog.control(StartValueIds[0]));
    px->setText("12abc");
    answerModal<CSequenceEditorDlg>([](CSequenceEditorDlg& editor) {
        static_cast<QAbstractButton*>(editor.control(CSequenceEditorDlg::IdGenerate))->click();
        editor.close();
    });
    static_cast<QAbstractButton*>(dialog.control(IdSequenceEditor))->click();
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
    static_cast<QLineEdit*>(dialog.control(IdObjectPath))->setText(VOLUMIX_EXAMPLES_DIR "/torus.asc");
    static_cast<QLineEdit*>(dialog.control(IdFrameCount))->setText("4");
    QObject::connect(&dialog, &CGeneratorDlg::frameFinished, &dialog, [&](int, int frameIndex) {
        if (frameIndex != 1) return;
        answerModal<CSpriteEditorDlg>([](CSpriteEditorDlg& editor) {
            static_cast<QLineEdit*>(editor.control(CSpriteEditorDlg::IdCount))->setText("3");
            static_cast<QAbstractButton*>(editor.control(CSpriteEditorDlg::IdClose))->click();
        });
        static_cast<QAbstractButton*>(dialog.control(IdSpriteEditor))->click();
    });
    dialog.OnStart();
    EXPECT_EQ(dialog.spriteCount, 3);
    EXPECT_EQ(static_cast<QLabel*>(dialog.control(IdSpriteCountLabel))->text(), "(Nombre de sprites : 3)");
    auto* list = static_cast<QListWidget*>(dialog.control(IdMessageList));
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
    static_cast<QLineEdit*>(dialog.control(IdObjectPath))->setText(VOLUMIX_EXAMPLES_DIR "/torus.asc");
    static_cast<QLineEdit*>(dialog.control(IdFrameCount))->setText("3");
    const auto listed = [&] {
        QStringList lines;
        auto* list = static_cast<QListWidget*>(dialog.control(IdMessageList));
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
        static_cast<QAbstractButton*>(dialog.control(IdObjectEditor))->click();
    });
    dialog.OnStart();
    EXPECT_EQ(editorVertices, 0);  // the editor opened on an empty object
    EXPECT_EQ(listed(), alone);
    EXPECT_EQ(listed().size(), 4);  // frames 0..2 and the total
    const uint32_t ink0 = hardwareColourPixel(dialog.inks[0]);
    const CDibSurface& frame = stores->frameSurface;
    int64_t drawn = 0;
    for (int32_t y = 0; y < frame.height; ++y)
        for (int32_t x = 0; x < 16 * dialog.crtcR1; ++x) drawn += frame.bits[y * frame.width + x] != ink0;
    EXPECT_GT(drawn, 0);
}

}  // namespace
}  // namespace volumix
