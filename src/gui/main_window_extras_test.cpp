#include <QAbstractButton>
#include <QApplication>
#include <QDropEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QUrl>

#include <gtest/gtest.h>

#include "export/amsdos.h"
#include "sequence/animation_sequence.h"
#include "gui/generator_dlg.h"
#include "gui/prompts.h"
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

}  // namespace
}  // namespace volumix
