// The sprite editor driven as a user drives it: mouse presses and moves at
// client positions, clicks on its controls, keys, the wheel, and its file
// choosers and message boxes answered by fake prompts.
#include "gui/sprite_editor_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "gui/dialog_layout_checks.h"
#include "gui/dialog_template.h"
#include "gui/prompts.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using Dlg = CSpriteEditorDlg;

class FakePrompts : public CPrompts {
public:
    QString chosenFile;
    bool answerYes = false;
    QStringList told;
    QStringList asked;
    std::vector<FileChoice> choices;
    QString chooseFile(QWidget*, const FileChoice& choice) override {
        choices.push_back(choice);
        return chosenFile;
    }
    bool askYesNo(QWidget*, const QString& text) override {
        asked << text;
        return answerYes;
    }
    void tell(QWidget*, const QString& text) override { told << text; }
};

// A bank where byte (r, c) of sprite n is (n + r + c) & 15.
SpriteBank patternedBank() {
    SpriteBank bank;
    for (int32_t n = 0; n < SpriteCountMax; ++n)
        for (int32_t i = 0; i < SpriteBytes; ++i) bank.sprite(n)[i] = static_cast<uint8_t>((n + i / 32 + i % 32) & 15);
    return bank;
}

struct Editor {
    SpriteBank bank;
    FakePrompts prompts;
    Dlg dialog;

    explicit Editor(int32_t mode = 0, int32_t size = 4, int32_t count = 16, SpriteBank start = SpriteBank())
        : bank(std::move(start)), dialog(bank, DefaultInks, mode, size, count, prompts, nullptr) {}

    template <typename Widget = QWidget>
    Widget* get(int32_t id) const {
        auto* widget = controlById<Widget>(dialog, id);
        EXPECT_NE(widget, nullptr) << id;
        return widget;
    }
    void click(int32_t id) { get<QAbstractButton>(id)->click(); }
    QString text(int32_t id) const {
        if (auto* label = controlById<QLabel>(dialog, id)) return label->text();
        return get<QLineEdit>(id)->text();
    }
    QScrollBar* scroll() const { return get<QScrollBar>(Dlg::IdScroll); }

    void mouse(QEvent::Type type, int x, int y, Qt::MouseButton button, Qt::MouseButtons buttons,
               Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const QPointF at(x, y);
        QMouseEvent event(type, at, dialog.mapToGlobal(at), button, buttons, modifiers);
        QApplication::sendEvent(&dialog, &event);
    }
    void press(int x, int y, Qt::MouseButton button = Qt::LeftButton) {
        mouse(QEvent::MouseButtonPress, x, y, button, button);
        mouse(QEvent::MouseButtonRelease, x, y, button, Qt::NoButton);
    }
    void move(int x, int y, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        mouse(QEvent::MouseMove, x, y, Qt::NoButton, buttons, modifiers);
    }
    void key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QKeyEvent press(QEvent::KeyPress, key, modifiers);
        QKeyEvent release(QEvent::KeyRelease, key, modifiers);
        QApplication::sendEvent(target, &press);
        QApplication::sendEvent(target, &release);
    }
    void wheel(int x, int y, int angle) {
        const QPointF at(x, y);
        QWheelEvent event(at, dialog.mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&dialog, &event);
    }
    void chooseInk(int32_t ink) {
        auto* swatch = get<CSwatchFrame>(Dlg::IdFirstSwatch + ink);
        const QPointF at = QRectF(swatch->rect()).center();
        QMouseEvent release(QEvent::MouseButtonRelease, at, swatch->mapToGlobal(at), Qt::LeftButton, Qt::NoButton,
                            Qt::NoModifier);
        QApplication::sendEvent(swatch, &release);
    }
    uint32_t face() const { return dialog.palette().color(QPalette::Window).rgb() & 0xFFFFFFu; }
    // What the window shows in a rectangle, as 0x00RRGGBB pixels.
    QImage shown(const QRect& area) { return dialog.grab(area).toImage().convertToFormat(QImage::Format_RGB32); }
};

std::vector<int32_t> changedOffsets(const SpriteBank& bank, const SpriteBank& before, int32_t sprite) {
    std::vector<int32_t> offsets;
    for (int32_t i = 0; i < SpriteBytes; ++i)
        if (bank.sprite(sprite)[i] != before.sprite(sprite)[i]) offsets.push_back(i);
    return offsets;
}

uint32_t inkPixel(int32_t ink) { return hardwareColourPixel(DefaultInks[static_cast<size_t>(ink)]); }

int mismatches(const QImage& image, const std::function<uint32_t(int, int)>& expected) {
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) wrong += (image.pixel(x, y) & 0xFFFFFFu) != expected(x, y);
    return wrong;
}

TEST(SpriteEditorWindow, OpensWithItsSettingsAndEveryCaptionFits) {
    Editor e(2, 16, 40, patternedBank());
    EXPECT_EQ(e.dialog.windowTitle(), "Editeur de Sprites");
    EXPECT_EQ(e.text(Dlg::IdSpriteNumber) + "|" + e.text(Dlg::IdCount), "0|40");
    EXPECT_TRUE(e.get<QAbstractButton>(Dlg::IdMode0 + 2)->isChecked());
    EXPECT_TRUE(e.get<QAbstractButton>(Dlg::IdSize4 + 3)->isChecked());
    EXPECT_FALSE(e.get<QAbstractButton>(Dlg::IdGridLines)->isChecked());
    EXPECT_EQ(e.scroll()->maximum(), 255);
    for (int32_t ink = 0; ink < InkCount; ++ink)
        EXPECT_EQ(e.get<CSwatchFrame>(Dlg::IdFirstSwatch + ink)->colour().rgb() & 0xFFFFFFu, inkPixel(ink));
    EXPECT_EQ(e.get<CSwatchFrame>(Dlg::IdCurrentInk)->colour().rgb() & 0xFFFFFFu, inkPixel(0));

    e.move(419, 259, Qt::NoButton);  // the longest cursor texts
    EXPECT_EQ(e.text(Dlg::IdCursorColumn), "Position x : 31");
    const QRect grid(SpriteGridLeft, SpriteGridTop, SpriteGridSide, SpriteGridSide);
    const QRect strip(SpriteStripLeft, SpriteStripTop, SpriteStripWidth, 2 * SpriteStripHeight);
    expectCaptionsFitAndNothingOverlaps(e.dialog);
    for (const QWidget* w : e.dialog.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        const std::string name = w->objectName().toStdString();
        EXPECT_TRUE(e.dialog.rect().contains(w->geometry())) << name;
        EXPECT_FALSE(w->geometry().intersects(grid) || w->geometry().intersects(strip)) << name;
    }
}

TEST(SpriteEditorWindow, PressesAtClientPositionsPaintAndEraseCells) {
    const struct {
        int32_t mode, size, x, y;
        Qt::MouseButton button;
        int32_t first, count;  // changed offsets of sprite 0
    } cases[] = {
        {0, 4, 200, 10, Qt::LeftButton, 4, 4},          {0, 4, 228, 10, Qt::LeftButton, 0, 0},
        {1, 12, 355, 195, Qt::RightButton, 11 * 32 + 22, 2}, {2, 16, 419, 259, Qt::LeftButton, 511, 1},
        {2, 16, 300, 100, Qt::MiddleButton, 0, 0},
    };
    for (const auto& c : cases) {
        SpriteBank start;
        start.bytes.assign(start.bytes.size(), 9);
        Editor e(c.mode, c.size, 16, start);
        e.chooseInk(6);
        e.press(c.x, c.y, c.button);
        std::vector<int32_t> expected;
        for (int32_t k = 0; k < c.count; ++k) expected.push_back(c.first + k);
        EXPECT_EQ(changedOffsets(e.bank, start, 0), expected) << c.x << "," << c.y;
        EXPECT_EQ(e.bank.sprite(0)[c.first], c.count == 0 ? 9 : c.button == Qt::LeftButton ? 6 : 0);
        EXPECT_EQ(e.bank.unsaved, c.count > 0);
    }
}

TEST(SpriteEditorWindow, DraggingPaintsWithOneButtonAloneAndShowsThePosition) {
    Editor e;
    e.chooseInk(3);
    e.move(200, 40, Qt::NoButton);
    EXPECT_EQ(e.text(Dlg::IdCursorColumn) + "|" + e.text(Dlg::IdCursorLine), "Position x : 1|Position y : 2");
    EXPECT_FALSE(e.bank.unsaved);

    e.mouse(QEvent::MouseButtonPress, 170, 10, Qt::LeftButton, Qt::LeftButton);
    e.move(170, 30, Qt::LeftButton);
    e.move(200, 30, Qt::LeftButton);
    EXPECT_EQ(std::vector<int>({e.bank.sprite(0)[0], e.bank.sprite(0)[32], e.bank.sprite(0)[39]}),
              std::vector<int>({3, 3, 3}));
    // Shift, Ctrl or a second button: the position only.
    for (const auto& [buttons, modifiers] :
         {std::pair{Qt::MouseButtons(Qt::LeftButton), Qt::KeyboardModifiers(Qt::ShiftModifier)},
          std::pair{Qt::MouseButtons(Qt::LeftButton), Qt::KeyboardModifiers(Qt::ControlModifier)},
          std::pair{Qt::MouseButtons(Qt::LeftButton | Qt::RightButton), Qt::KeyboardModifiers(Qt::NoModifier)}}) {
        const SpriteBank before = e.bank;
        e.move(200, 60, buttons, modifiers);
        EXPECT_EQ(e.bank.bytes, before.bytes);
        EXPECT_EQ(e.text(Dlg::IdCursorLine), "Position y : 3");
        e.move(170, 10, Qt::NoButton);
    }
    // A right drag erases; outside the area the texts empty and nothing is painted.
    e.move(200, 10, Qt::RightButton);
    EXPECT_EQ(e.bank.sprite(0)[7], 0);
    const SpriteBank before = e.bank;
    e.move(240, 10, Qt::LeftButton);
    EXPECT_EQ(e.text(Dlg::IdCursorColumn) + e.text(Dlg::IdCursorLine), "");
    EXPECT_EQ(e.bank.bytes, before.bytes);
}

TEST(SpriteEditorWindow, TheGridAndStripShowTheBank) {
    for (bool lines : {false, true}) {
        Editor e(1, 8, 16, patternedBank());
        e.dialog.show();
        if (lines) e.click(Dlg::IdGridLines);
        e.chooseInk(5);  // stored as 5, shown as ink 1 in mode 1
        e.press(164, 4);
        e.chooseInk(2);
        e.press(291, 131);
        e.press(180, 4, Qt::RightButton);
        EXPECT_EQ(e.bank.sprite(0)[0], 5);
        const QImage grid = e.shown(QRect(SpriteGridLeft, SpriteGridTop, SpriteGridSide, SpriteGridSide));
        const uint32_t face = e.face();
        EXPECT_EQ(mismatches(grid,
                             [&](int x, int y) -> uint32_t {
                                 if (lines && x <= 128 && y <= 128 && (x % 16 == 0 || y % 16 == 0)) return 0xC0C0C0;
                                 const int column = x / 8;
                                 if (column >= 16 || y / 16 >= 8) return face;
                                 return inkPixel(e.bank.sprite(0)[(y / 16) * 32 + column - column % 2] & 3);
                             }),
                  0)
            << "lines " << lines;
        EXPECT_EQ(grid.pixel(1, 1) & 0xFFFFFFu, inkPixel(1));
        EXPECT_EQ(grid.pixel(17, 1) & 0xFFFFFFu, inkPixel(0));
        // Sprite 0: the two left slots of the strip are empty.
        const QImage strip = e.shown(QRect(SpriteStripLeft, SpriteStripTop, SpriteStripWidth, 2 * SpriteStripHeight));
        EXPECT_EQ(mismatches(strip,
                             [&](int x, int y) -> uint32_t {
                                 const int slot = x / 34;
                                 const int column = x % 34 - 1;
                                 if (slot < 2 || column < 0 || column >= 16 || y / 2 >= 8) return face;
                                 return inkPixel(e.bank.sprite(slot - 2)[(y / 2) * 32 + column - column % 2] & 3);
                             }),
                  0);
    }
}

TEST(SpriteEditorWindow, ScrollBarStepsAndTheWheel) {
    const struct {
        int from;
        QAbstractSlider::SliderAction action;
        int to;
    } cases[] = {
        {253, QAbstractSlider::SliderPageStepAdd, 255}, {3, QAbstractSlider::SliderPageStepSub, 0},
        {100, QAbstractSlider::SliderPageStepAdd, 105}, {255, QAbstractSlider::SliderSingleStepAdd, 255},
        {7, QAbstractSlider::SliderSingleStepSub, 6},   {7, QAbstractSlider::SliderToMaximum, 255},
        {200, QAbstractSlider::SliderToMinimum, 0},
    };
    for (const auto& c : cases) {
        Editor e;
        e.scroll()->setSliderPosition(c.from);  // a thumb drag
        ASSERT_EQ(e.text(Dlg::IdSpriteNumber), QString::number(c.from));
        e.scroll()->triggerAction(c.action);
        EXPECT_EQ(e.dialog.editor().currentSprite, c.to) << c.from << " " << c.action;
        EXPECT_EQ(e.scroll()->value(), c.to);
        EXPECT_EQ(e.text(Dlg::IdSpriteNumber), QString::number(c.to));
    }
    Editor e;
    e.wheel(300, 100, -120);  // down over the grid: the next sprite
    e.wheel(250, 300, -240);  // two notches over the strip
    EXPECT_EQ(e.dialog.editor().currentSprite, 3);
    EXPECT_EQ(e.scroll()->value(), 3);
    e.wheel(300, 100, 60);  // half a notch waits for the other half
    EXPECT_EQ(e.dialog.editor().currentSprite, 3);
    e.wheel(300, 100, 60);
    e.wheel(50, 50, 120);  // away from the views
    EXPECT_EQ(e.dialog.editor().currentSprite, 2);
    e.wheel(300, 100, 120 * 5);
    EXPECT_EQ(e.text(Dlg::IdSpriteNumber), "0");
}

TEST(SpriteEditorWindow, CopyPasteKeysAndEffacerTout) {
    Editor e(0, 4, 16, patternedBank());
    const SpriteBank start = e.bank;
    e.key(&e.dialog, Qt::Key_V, Qt::ControlModifier);  // nothing copied yet
    EXPECT_EQ(e.bank.bytes, start.bytes);
    e.scroll()->setSliderPosition(4);
    e.key(&e.dialog, Qt::Key_C, Qt::ControlModifier);
    e.scroll()->setSliderPosition(9);
    e.key(&e.dialog, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(copySprite(e.bank, 9), copySprite(start, 4));
    e.scroll()->setSliderPosition(10);
    e.click(Dlg::IdPaste);
    EXPECT_EQ(copySprite(e.bank, 10), copySprite(start, 4));
    e.chooseInk(3);
    e.click(Dlg::IdFill);
    EXPECT_EQ(std::count(e.bank.sprite(10), e.bank.sprite(11), 3), SpriteBytes);
    EXPECT_EQ(copySprite(e.bank, 11), copySprite(start, 11));

    // "Effacer tout" asks first; No changes nothing.
    const SpriteBank before = e.bank;
    e.click(Dlg::IdFillAll);
    EXPECT_EQ(e.prompts.asked, QStringList{"Etes-vous sur(e) ?"});
    EXPECT_EQ(e.bank.bytes, before.bytes);
    e.prompts.answerYes = true;
    e.click(Dlg::IdFillAll);
    EXPECT_EQ(std::count(e.bank.bytes.begin(), e.bank.bytes.end(), 3), SpriteBankBytes);
}

TEST(SpriteEditorWindow, EnterKeepsTheCountWhileClosingReadsIt) {
    const struct {
        const char* typed;
        int how;  // 0 Enter in the count box, 1 Enter on "Effacer tout", 2 "Fermer", 3 Escape, 4 close box
        int32_t count;
        QDialog::DialogCode result;
    } cases[] = {
        {"40", 0, 16, QDialog::Accepted}, {"40", 1, 16, QDialog::Accepted}, {"40", 2, 40, QDialog::Rejected},
        {"40", 3, 40, QDialog::Rejected}, {"40", 4, 40, QDialog::Rejected}, {"999", 2, 256, QDialog::Rejected},
        {"", 4, 1, QDialog::Rejected},
    };
    for (const auto& c : cases) {
        Editor e(0, 8, 16);
        e.dialog.show();
        e.click(Dlg::IdSize4 + 3);
        auto* count = e.get<QLineEdit>(Dlg::IdCount);
        count->setText(QString::fromLatin1(c.typed));
        if (c.how == 0) e.key(count, Qt::Key_Return);
        if (c.how == 1) e.key(e.get<QPushButton>(Dlg::IdFillAll), Qt::Key_Return);
        if (c.how == 2) e.click(Dlg::IdClose);
        if (c.how == 3) e.key(count, Qt::Key_Escape);
        if (c.how == 4) e.dialog.close();
        EXPECT_FALSE(e.dialog.isVisible()) << c.how;
        EXPECT_EQ(e.dialog.result(), c.result) << c.how;
        EXPECT_EQ(e.dialog.spriteCount(), c.count) << c.typed << " " << c.how;
        EXPECT_EQ(e.dialog.spriteSize(), 16);     // however it ends
        EXPECT_TRUE(e.prompts.asked.isEmpty());  // Enter clicked no button
    }
    Editor e;
    auto* count = e.get<QLineEdit>(Dlg::IdCount);
    count->clear();
    QTest::keyClicks(count, "12a-3");
    EXPECT_EQ(count->text(), "123");
}

TEST(SpriteEditorWindow, SavingAndLoadingSprites) {
    const test::TestFolder folder;
    Editor e(0, 4, 16, patternedBank());
    e.bank.unsaved = true;
    e.prompts.answerYes = true;  // loading over the unsaved edits
    e.click(Dlg::IdSave);  // both choosers cancelled: nothing happens
    e.click(Dlg::IdLoad);
    ASSERT_EQ(e.prompts.choices.size(), 2u);
    const FileChoice save = e.prompts.choices[0];
    const FileChoice load = e.prompts.choices[1];
    EXPECT_TRUE(save.save && save.askOverwrite && !load.save && load.fileMustExist);
    EXPECT_EQ(save.filter, load.filter);
    EXPECT_TRUE(save.filter.contains("*.spt") && save.filter.contains("*.SPT") && save.defaultSuffix == "spt");
    EXPECT_TRUE(e.prompts.told.isEmpty() && e.bank.unsaved);

    e.prompts.chosenFile = QString::fromStdString((folder / "bank.spt").string());
    e.click(Dlg::IdSave);
    EXPECT_EQ(test::readBytes(folder / "bank.spt"), e.bank.bytes);
    EXPECT_FALSE(e.bank.unsaved);

    // A 1024-byte file replaces sprites 0 and 1 only, and the grid shows it;
    // a longer one gives its first 131072 bytes.
    const SpriteBank before = e.bank;
    test::writeBytes(folder / "short.spt", std::vector<uint8_t>(1024, 7));
    e.prompts.chosenFile = QString::fromStdString((folder / "short.spt").string());
    e.click(Dlg::IdLoad);
    EXPECT_EQ(std::count(e.bank.bytes.begin(), e.bank.bytes.begin() + 1024, 7), 1024);
    EXPECT_TRUE(std::equal(e.bank.bytes.begin() + 1024, e.bank.bytes.end(), before.bytes.begin() + 1024));
    EXPECT_EQ(e.dialog.editor().workingCopy, copySprite(e.bank, 0));
    std::vector<uint8_t> longer(SpriteBankBytes + 100, 2);
    longer[SpriteBankBytes - 1] = 9;
    test::writeBytes(folder / "long.spt", longer);
    e.prompts.chosenFile = QString::fromStdString((folder / "long.spt").string());
    e.click(Dlg::IdLoad);
    EXPECT_EQ(e.bank.bytes, std::vector<uint8_t>(longer.begin(), longer.begin() + SpriteBankBytes));
    EXPECT_TRUE(e.prompts.told.isEmpty());
}

// A file replaces every sprite: edits no file holds are asked for first, as
// quitting asks, and only Yes goes on to the chooser.
TEST(SpriteEditorWindow, LoadingOverUnsavedSpritesAsksFirst) {
    const test::TestFolder folder;
    test::writeBytes(folder / "sevens.spt", std::vector<uint8_t>(SpriteBankBytes, 7));
    const QString question = QStringLiteral("Les sprites ont des modifications non sauvegardées. Les remplacer quand même ?");
    const struct {
        bool unsaved, answer, asked, loaded;
    } cases[] = {{false, false, false, true}, {true, false, true, false}, {true, true, true, true}};
    for (const auto& c : cases) {
        Editor e(0, 4, 16, patternedBank());
        const SpriteBank start = e.bank;
        e.bank.unsaved = c.unsaved;
        e.prompts.answerYes = c.answer;
        e.prompts.chosenFile = QString::fromStdString((folder / "sevens.spt").string());
        e.click(Dlg::IdLoad);
        EXPECT_EQ(e.prompts.asked, c.asked ? QStringList{question} : QStringList{}) << c.unsaved << c.answer;
        EXPECT_EQ(e.prompts.choices.size(), c.loaded ? 1u : 0u);
        EXPECT_EQ(e.bank.bytes, c.loaded ? std::vector<uint8_t>(SpriteBankBytes, 7) : start.bytes);
        EXPECT_EQ(e.bank.unsaved, !c.loaded);
    }
}

TEST(SpriteEditorWindow, FilesThatFailAreReported) {
    const test::TestFolder folder;
    Editor e(0, 4, 16, patternedBank());
    const SpriteBank start = e.bank;
    const QString missing = QString::fromStdString((folder / "missing.spt").string());
    e.prompts.chosenFile = missing;
    e.click(Dlg::IdLoad);
    EXPECT_EQ(e.prompts.told, QStringList{"Erreur d'ouverture du fichier " + missing +
                                          QStringLiteral("\nAucun fichier ou dossier de ce nom")});
    EXPECT_EQ(e.bank.bytes, start.bytes);
    // A folder opens as no file; what the file layer says of it is worded too.
    e.prompts.told.clear();
    e.prompts.chosenFile = QString::fromStdString(folder.path().string());
    e.click(Dlg::IdLoad);
    EXPECT_EQ(e.prompts.told, QStringList{"Erreur d'ouverture du fichier " + e.prompts.chosenFile +
                                          QStringLiteral("\nEst un dossier, pas un fichier")});

    e.prompts.told.clear();
    e.bank.unsaved = true;
    const QString nowhere = QString::fromStdString((folder / "no" / "such.spt").string());
    e.prompts.chosenFile = nowhere;
    e.click(Dlg::IdSave);
    EXPECT_EQ(e.prompts.told, QStringList{"Erreur de création du fichier " + nowhere});
    EXPECT_TRUE(e.bank.unsaved);

    // A failed save over an existing file leaves it whole: the name is so long
    // that no temporary fits beside it.
    const fs::path existing = folder / (std::string(240, 'a') + ".spt");
    test::writeBytes(existing, std::vector<uint8_t>(10, 4));
    e.prompts.chosenFile = QString::fromStdString(existing.string());
    e.click(Dlg::IdSave);
    EXPECT_EQ(e.prompts.told.size(), 2);
    EXPECT_EQ(test::readBytes(existing), std::vector<uint8_t>(10, 4));
}

}  // namespace
}  // namespace volumix
