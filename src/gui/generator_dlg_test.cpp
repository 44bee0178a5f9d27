// The main window driven as a user drives it: typing into its boxes, clicking
// its controls, answering its colour chooser and running it. Events go through
// QApplication, so a key a child ignores reaches the window, as on screen.
#include "gui/generator_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <sstream>
#include <vector>

#include "cpc/screen_format.h"
#include "cpc/show_frame.h"
#include "export/amsdos.h"
#include "gui/colour_picker_dlg.h"
#include "gui/dialog_layout_checks.h"
#include "gui/dialog_template.h"
#include "gui/generator_dlg_ids.h"
#include "gui/frame_canvas.h"
#include "gui/prompts.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using Typed = std::vector<std::pair<int32_t, QString>>;

const QString TorusPath = QStringLiteral(VOLUMIX_EXAMPLES_DIR "/torus.asc");

// Time passes only when the run sleeps, at least 1 ms a sleep as on a real
// system. It starts just before the 32-bit wrap, which a short run crosses.
class FakeClock : public Clock {
public:
    uint32_t now = 0xFFFFFFC0u;
    uint32_t milliseconds() override { return now; }
    void sleep(uint32_t milliseconds) override { now += std::max<uint32_t>(milliseconds, 1); }
};

class FakePrompts : public CPrompts {
public:
    QString chosenFile;
    QStringList told;
    QString chooseFile(QWidget*, const FileChoice&) override { return chosenFile; }
    bool askYesNo(QWidget*, const QString&) override { return false; }
    void tell(QWidget*, const QString& text) override { told << text; }
};

void clickWidget(QWidget* widget) {
    ASSERT_NE(widget, nullptr);
    const QPointF at = QRectF(widget->rect()).center();
    for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::LeftButton},
                                        std::pair{QEvent::MouseButtonRelease, Qt::NoButton}}) {
        QMouseEvent event(type, at, widget->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

void pressKey(QWidget* widget, Qt::Key key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

// A window of its own, with its stores, fake prompts and fake clock.
struct Session {
    std::unique_ptr<AppStores> stores = makeAppStores();
    FakePrompts prompts;
    FakeClock clock;
    CGeneratorDlg dialog{*stores, prompts};

    Session() { dialog.setClock(clock); }
    QLineEdit* box(int32_t id) const { return controlById<QLineEdit>(dialog, id); }
    QAbstractButton* button(int32_t id) const { return controlById<QAbstractButton>(dialog, id); }
    void type(const Typed& boxes) {
        for (const auto& [id, text] : boxes) box(id)->setText(text);
    }
    void click(int32_t id) { button(id)->click(); }
    bool ticked(int32_t id) const { return button(id)->isChecked(); }
    bool enabled(int32_t id) const { return controlById<QWidget>(dialog, id)->isEnabled(); }
    QColor swatch(int32_t ink) const {
        return controlById<CSwatchFrame>(dialog, IdFirstSwatch + ink)->colour();
    }
    uint32_t pixel(int x, int y) const { return stores->frameSurface.bits[y * FrameWidth + x]; }
    QListWidget* list() const { return controlById<QListWidget>(dialog, IdMessageList); }
    QStringList messages() const {
        QStringList lines;
        for (int row = 0; row < list()->count(); ++row) lines << list()->item(row)->text();
        return lines;
    }
    int frameMismatches(const std::function<uint32_t(int x, int y)>& expected) const {
        int wrong = 0;
        for (int y = 0; y < FrameHeight; ++y)
            for (int x = 0; x < FrameWidth; ++x) wrong += pixel(x, y) != expected(x, y);
        return wrong;
    }
};

// Ink 0 (hardware colour 1 by default) up to the picture's end, black beyond.
std::function<uint32_t(int, int)> emptyPicture(int pictureEnd, int32_t paper = 1) {
    return [=](int x, int) { return x < pictureEnd ? hardwareColourPixel(paper) : 0u; };
}

// Preview pixels that differ from frame pixel (x, y) as `expected` gives it:
// each frame row fills two preview rows.
int previewMismatches(const CGeneratorDlg& dialog, const std::function<uint32_t(int, int)>& expected) {
    auto* canvas = dialog.findChild<CFrameCanvas*>();
    if (canvas == nullptr || canvas->pos() != QPoint(FrameViewX, FrameViewY)) return -1;
    const QImage image = canvas->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (image.size() != QSize(FrameWidth, FrameViewScaleY * FrameHeight)) return -1;
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < FrameWidth; ++x) wrong += (image.pixel(x, y) & 0xFFFFFFu) != expected(x, y / 2);
    return wrong;
}

TEST(MainWindow, OpensWithItsDefaultsCaptionAndEmptyPicture) {
    Session s;
    const QRegularExpression caption(QStringLiteral(
        R"(^Volumix V1\.10 - Kestrin & Morvel/QXV \(Build [A-Z][a-z]{2} [ \d]\d \d{4} \d\d:\d\d:\d\d\)$)"));
    EXPECT_TRUE(caption.match(s.dialog.windowTitle()).hasMatch()) << s.dialog.windowTitle().toStdString();
    for (int32_t id : {IdMode0, IdRenderPoints, IdBaseC000, IdLayoutLines}) EXPECT_TRUE(s.ticked(id)) << id;
    EXPECT_EQ(controlById<QLabel>(s.dialog, IdSpriteSizeLabel)->text(), "(Taille sprites : 4x4)");
    EXPECT_EQ(controlById<QLabel>(s.dialog, IdSpriteCountLabel)->text(), "(Nombre de sprites : 16)");
    EXPECT_FALSE(s.enabled(IdPointsExport));
    EXPECT_EQ(previewMismatches(s.dialog, emptyPicture(640)), 0);  // R1 = 40
}

TEST(MainWindow, EveryCaptionFitsAndNoControlHidesAnother) {
    Session s;
    CColorPickerDlg chooser(1, nullptr);
    expectCaptionsFitAndNothingOverlaps(s.dialog);
    expectCaptionsFitAndNothingOverlaps(chooser);
}

TEST(MainWindow, StartRewritesTheBoxesWithWhatItUnderstood) {
    const struct {
        Typed typed;
        int32_t screenModeId, shownId;
        const char* shown;
    } cases[] = {
        {{{IdPx, "12abc"}}, IdMode0, IdPx, "12"},
        {{{IdPx, ""}}, IdMode0, IdPx, "0"},
        {{{IdFrameCount, "500"}}, IdMode0, IdFrameCount, "359"},
        {{{IdFrameStep, "400"}}, IdMode0, IdFrameStep, "60"},
        {{{IdFrameStep, "2"}, {IdFirstFrame, "3"}}, IdMode0, IdFirstFrame, "2"},
        {{{IdFrameStep, "0"}}, IdMode0, IdFrameStep, "1"},
        {{{IdFillInk, "7"}}, IdMode1, IdFillInk, "3"},
        {{{IdFillInk, "7"}}, IdMode0, IdFillInk, "7"},
        {{{IdLineInk, "3"}}, IdMode2, IdLineInk, "1"},
    };
    for (const auto& c : cases) {
        Session s;  // no object file: the run does nothing but read the boxes
        s.click(c.screenModeId);
        s.type(c.typed);
        s.click(IdStart);
        EXPECT_EQ(s.box(c.shownId)->text(), c.shown) << c.shownId << " typed " << c.typed[0].second.toStdString();
        EXPECT_TRUE(s.enabled(IdStart));
    }
}

TEST(MainWindow, ClicksFollowTheEnablingRules) {
    Session s;
    s.click(RenderModeIds[RenderWireframe]);
    s.click(IdMode1);
    EXPECT_FALSE(s.enabled(IdPointsExport));
    s.click(IdRenderPoints);
    ASSERT_TRUE(s.enabled(IdPointsExport));
    s.click(IdCompress);
    s.click(IdPointsExport);  // point lists are never compressed
    EXPECT_FALSE(s.ticked(IdCompress) || s.enabled(IdCompress));
    s.click(IdMode0);  // nor offered outside mode 1
    EXPECT_FALSE(s.ticked(IdPointsExport) || s.enabled(IdPointsExport));
    EXPECT_TRUE(s.enabled(IdCompress));

    const int32_t spriteOptions[] = {IdSizeOnlyHeader, LayoutIds[0], LayoutIds[1], LayoutIds[2]};
    s.click(IdCompress);
    for (int32_t id : spriteOptions) EXPECT_FALSE(s.enabled(id)) << id;
    s.click(IdSpriteExport);
    EXPECT_FALSE(s.ticked(IdCompress) || s.enabled(IdCompress));
    for (int32_t id : spriteOptions) EXPECT_TRUE(s.enabled(id)) << id;
    s.click(IdSpriteExport);
    EXPECT_TRUE(s.enabled(IdCompress));
    EXPECT_FALSE(s.enabled(IdSizeOnlyHeader));

    for (int32_t id : {IdLoadScr, IdBackgroundPath, IdImportPalette}) EXPECT_FALSE(s.enabled(id)) << id;
    s.click(IdBackgroundTick);
    for (int32_t id : {IdLoadScr, IdBackgroundPath, IdImportPalette}) EXPECT_TRUE(s.enabled(id)) << id;
}

TEST(MainWindow, BackgroundScreenBringsItsPaletteOnlyWhenAsked) {
    // 0x5A bytes with a palette naming mode 2 and inks k + 3, except ink 1:
    // 99, which is no hardware colour.
    const test::TestFolder folder;
    const AmsdosHeader header = buildAmsdosHeader("BACK.SCR", 0xC000, ScreenBytes, 0xC000);
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.resize(AmsdosHeaderBytes + ScreenBytes, 0x5A);
    uint8_t* image = bytes.data() + AmsdosHeaderBytes;
    std::copy(PaletteSignature.begin(), PaletteSignature.end(), image + PaletteSignatureOffset);
    image[PaletteModeOffset] = 2;
    InkArray fileInks;
    for (int32_t k = 0; k < InkCount; ++k) {
        image[PaletteInksOffset + k] = static_cast<uint8_t>(k == 1 ? 99 : k + 3);
        fileInks[static_cast<size_t>(k)] = k == 1 ? 0 : k + 3;
    }
    test::writeBytes(folder / "back.scr", bytes);
    const QString path = QString::fromStdString((folder / "back.scr").string());

    for (const bool importPalette : {true, false})
        for (const bool throughButton : {false, true}) {
            SCOPED_TRACE(testing::Message() << "import " << importPalette << ", button " << throughButton);
            Session s;
            s.click(IdMode1);
            s.click(IdBackgroundTick);
            if (importPalette) s.click(IdImportPalette);
            s.prompts.chosenFile = path;
            if (throughButton) s.click(IdLoadScr);
            else s.dialog.loadBackgroundFile(path);

            const int32_t mode = importPalette ? 2 : 1;
            const InkArray& inks = importPalette ? fileInks : DefaultInks;
            EXPECT_EQ(s.box(IdBackgroundPath)->text(), path);
            EXPECT_TRUE(s.ticked(ScreenModeIds[static_cast<size_t>(mode)]));
            EXPECT_EQ(s.dialog.currentScreenMode(), mode);
            EXPECT_EQ(s.dialog.currentInks(), inks);
            for (int32_t k = 0; k < InkCount; ++k)
                EXPECT_EQ(s.swatch(k), colourOfRef(hardwareColourRef(inks[static_cast<size_t>(k)]))) << k;
            // The frame shows the screen in that mode and those inks.
            const ScreenModeTraits traits = ScreenModes[static_cast<size_t>(mode)];
            int32_t pixelInks[8] = {};
            unpackScreenByte(mode, 0x5A, pixelInks);
            EXPECT_EQ(s.frameMismatches([&](int x, int) {
                const int32_t ink = pixelInks[x / traits.columnsPerPixel % traits.pixelsPerByte];
                return x < 640 ? hardwareColourPixel(inks[static_cast<size_t>(ink)]) : 0u;
            }), 0);
            EXPECT_TRUE(s.messages().isEmpty());
        }
}

TEST(MainWindow, AppliedR1IsClampedAndBlackensWhatTheCpcDoesNotShow) {
    const struct {
        const char *typed, *shown;
        int pictureEnd;
    } cases[] = {{"0", "1", 16}, {"30", "30", 480}, {"48", "48", 768}, {"100", "64", 768}, {"", "1", 16}};
    Session s;  // one window throughout: a wider picture must come back
    for (const auto& c : cases) {
        s.type({{IdCrtcR1, c.typed}});
        s.click(IdApplyR1);
        EXPECT_EQ(s.box(IdCrtcR1)->text(), c.shown) << c.typed;
        EXPECT_EQ(s.frameMismatches(emptyPicture(c.pictureEnd)), 0) << c.typed;
    }
}

enum class Answer { Validate, Cancel, CloseBox };

TEST(MainWindow, InkSwatchChangesOnlyWhenTheChooserIsValidated) {
    const struct {
        int32_t ink;
        Answer answer;
        int32_t expected;
    } cases[] = {{3, Answer::Validate, 13}, {3, Answer::Cancel, DefaultInks[3]}, {3, Answer::CloseBox, DefaultInks[3]},
                 {0, Answer::Validate, 13}, {0, Answer::Cancel, DefaultInks[0]}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "ink " << c.ink << ", answer " << static_cast<int>(c.answer));
        Session s;
        s.stores->frameSurface.fill(0x123456);  // shows whether the frame is redrawn
        // Once the chooser's modal loop runs: colour 13, then the answer.
        QTimer::singleShot(0, [answer = c.answer] {
            auto* chooser = qobject_cast<CColorPickerDlg*>(QApplication::activeModalWidget());
            ASSERT_NE(chooser, nullptr);
            clickWidget(chooser->findChild<CSwatchFrame*>(QStringLiteral("1213")));
            if (answer == Answer::CloseBox) chooser->close();
            else chooser->findChild<QPushButton*>(answer == Answer::Validate ? "1" : "2")->click();
        });
        clickWidget(controlById<QWidget>(s.dialog, IdFirstSwatch + c.ink));
        EXPECT_EQ(s.dialog.currentInks()[static_cast<size_t>(c.ink)], c.expected);
        EXPECT_EQ(s.swatch(c.ink), colourOfRef(hardwareColourRef(c.expected)));
        EXPECT_EQ(s.frameMismatches(emptyPicture(640, s.dialog.currentInks()[0])), 0);
    }
}

TEST(ColourChooser, ShowsTheChoiceAndEnterValidatesIt) {
    CColorPickerDlg chooser(24, nullptr);
    chooser.show();
    const auto* current = chooser.findChild<CSwatchFrame*>(QStringLiteral("1230"));
    const auto* label = chooser.findChild<QLabel*>(QStringLiteral("1231"));
    ASSERT_TRUE(current != nullptr && label != nullptr);
    EXPECT_EQ(current->colour(), colourOfRef(hardwareColourRef(24)));
    EXPECT_EQ(label->text(), "24 :");
    for (int n = 0; n < HardwareColourCount; ++n)
        EXPECT_EQ(chooser.findChild<CSwatchFrame*>(QString::number(1200 + n))->colour(),
                  colourOfRef(hardwareColourRef(n)));
    clickWidget(chooser.findChild<CSwatchFrame*>(QStringLiteral("1205")));
    EXPECT_EQ(current->colour(), colourOfRef(hardwareColourRef(5)));
    EXPECT_EQ(label->text(), "05 :");
    pressKey(chooser.findChild<QPushButton*>(QStringLiteral("2")), Qt::Key_Return);  // "Annuler" has the focus
    EXPECT_TRUE(chooser.validated == 1 && chooser.selectedColour == 5 && !chooser.isVisible());

    CColorPickerDlg escaped(24, nullptr);
    escaped.show();
    pressKey(&escaped, Qt::Key_Escape);
    EXPECT_TRUE(escaped.validated == 0 && !escaped.isVisible());
}

TEST(MainWindowRun, PacedRunListsEveryFrameAndLocksTheControlsMeanwhile) {
    Session s;
    s.type({{IdObjectPath, TorusPath}, {IdFrameCount, "5"}});
    std::vector<int> indexes;
    std::vector<uint32_t> times;
    // The 66 controls below the swatches less the eight a run leaves alone
    // ("Arrêter", both editors, "Importer palette", "Appliquer", the message
    // list and the two sprite labels): 58 locked, the GIF preview and
    // "Lecture CPC" included.
    std::vector<QWidget*> locked, usable;
    for (int32_t group = 0; group < ControlGroupCount; ++group)
        for (QWidget* widget : s.dialog.controlsOf(static_cast<ControlGroup>(group)))
            (lockedForRun(static_cast<ControlGroup>(group)) ? locked : usable).push_back(widget);
    EXPECT_EQ(locked.size(), 58u);
    EXPECT_EQ(usable.size(), 22u);  // the swatches, "Arrêter", "Appliquer", the palette, editors and list
    std::vector<QWidget*> all = locked;
    all.insert(all.end(), usable.begin(), usable.end());
    std::sort(all.begin(), all.end());
    EXPECT_EQ(std::adjacent_find(all.begin(), all.end()), all.end()) << "a widget is in two groups";
    EXPECT_EQ(std::count(all.begin(), all.end(), nullptr), 0);
    // The run leaves those as they were ("Importer palette" waits for the
    // background box), except "Arrêter", usable until the first run ends.
    std::vector<bool> usableBefore;
    for (QWidget* widget : usable) usableBefore.push_back(widget->isEnabled());
    int lockedButEnabled = 0, usableChanged = 0;
    QObject::connect(&s.dialog, &CGeneratorDlg::frameFinished, [&](int framesDrawn, int frameIndex) {
        indexes.push_back(frameIndex);
        times.push_back(s.clock.now);
        EXPECT_EQ(framesDrawn, static_cast<int>(indexes.size()));
        for (QWidget* widget : locked) lockedButEnabled += widget->isEnabled();
        for (size_t k = 0; k < usable.size(); ++k) usableChanged += usable[k]->isEnabled() != usableBefore[k];
    });
    s.click(IdStart);

    EXPECT_EQ(indexes, (std::vector<int>{-1, 0, 1, 2, 3, 4}));
    EXPECT_EQ(lockedButEnabled + usableChanged, 0);
    EXPECT_EQ(std::count(usableBefore.begin(), usableBefore.end(), false), 1);  // "Importer palette"
    ASSERT_EQ(times.size(), 6u);
    EXPECT_LT(times[1] - times[0], 20u);  // the first frame does not wait
    for (size_t k = 2; k < times.size(); ++k) {
        EXPECT_GE(times[k] - times[k - 1], 20u) << k;  // unsigned: across the clock's wrap
        EXPECT_LT(times[k] - times[k - 1], 40u) << k;
    }
    const QStringList lines = s.messages();
    ASSERT_EQ(lines.size(), 6);
    int sum = 0;
    const QRegularExpression frameLine(QStringLiteral(R"(^Frame +(\d+) Taille=(\d+)$)"));
    for (int k = 0; k < 5; ++k) {
        const QRegularExpressionMatch match = frameLine.match(lines[k]);
        ASSERT_TRUE(match.hasMatch() && match.captured(1).toInt() == k) << lines[k].toStdString();
        sum += match.captured(2).toInt();
    }
    EXPECT_EQ(lines.last(), QStringLiteral("Total = %1 octets").arg(sum));
    EXPECT_EQ(s.list()->currentRow(), 5);
    EXPECT_TRUE(s.enabled(IdStart) && !s.enabled(IdStop));
    EXPECT_EQ(s.dialog.lastRunResult().outcome, RunCompleted);
}

// What the user does while frame 2 is on screen; it reaches the window among
// the events the run dispatches between frames.
TEST(MainWindowRun, StopAndCloseEndTheRunAfterTheFrameKeysDoNot) {
    enum Action { Stop, Close, Escape, Enter };
    const struct {
        Action action;
        int framesListed;
        RunOutcome outcome;
        bool visibleAfter;
    } cases[] = {{Stop, 3, RunStopped, true}, {Close, 3, RunStopped, false}, {Escape, 5, RunCompleted, true},
                 {Enter, 5, RunCompleted, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.action);
        Session s;
        s.dialog.show();
        s.type({{IdObjectPath, TorusPath}, {IdFrameCount, "5"}});
        int runs = 0;
        bool visibleDuringRun = false;
        QObject::connect(&s.dialog, &CGeneratorDlg::runFinished, [&] { ++runs; });
        QObject::connect(&s.dialog, &CGeneratorDlg::frameFinished, [&](int, int frameIndex) {
            if (frameIndex != 2) return;
            QTimer::singleShot(0, &s.dialog, [&] {
                if (c.action == Stop) s.click(IdStop);
                if (c.action == Close) s.dialog.close();  // the run still uses the window
                if (c.action == Escape) pressKey(&s.dialog, Qt::Key_Escape);
                if (c.action == Enter) pressKey(controlById<QWidget>(s.dialog, IdStop), Qt::Key_Return);
                visibleDuringRun = s.dialog.isVisible();
            });
        });
        s.click(IdStart);
        const QStringList lines = s.messages();
        ASSERT_EQ(lines.size(), c.framesListed + 1) << lines.join('|').toStdString();
        for (int k = 0; k < c.framesListed; ++k)
            EXPECT_TRUE(lines[k].startsWith(QStringLiteral("Frame %1 ").arg(k, 3))) << k;
        EXPECT_TRUE(lines.last().startsWith("Total = "));
        EXPECT_EQ(s.dialog.lastRunResult().outcome, c.outcome);
        EXPECT_TRUE(visibleDuringRun);
        EXPECT_EQ(s.dialog.isVisible(), c.visibleAfter);
        EXPECT_EQ(runs, 1);
    }
}

TEST(MainWindowRun, OutsideARunEnterDoesNothingAndEscapeCloses) {
    Session s;
    s.dialog.show();
    s.type({{IdObjectPath, TorusPath}, {IdFrameCount, "1"}});
    int runs = 0;
    QObject::connect(&s.dialog, &CGeneratorDlg::runFinished, [&] { ++runs; });
    for (QWidget* target : {static_cast<QWidget*>(&s.dialog), controlById<QWidget>(s.dialog, IdStart), controlById<QWidget>(s.dialog, IdPx)})
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Enter}) pressKey(target, key);
    EXPECT_EQ(runs, 0);
    EXPECT_TRUE(s.dialog.isVisible());
    pressKey(&s.dialog, Qt::Key_Escape);
    EXPECT_FALSE(s.dialog.isVisible());
}

TEST(MainWindowRun, PreviewShowsTheFrameDoubledDownwards) {
    Session s;
    s.type({{IdObjectPath, TorusPath}, {IdFrameCount, "1"}, {IdCrtcR1, "32"}});
    for (int32_t id : {int32_t{IdMode1}, RenderModeIds[RenderFilledFaces], int32_t{IdApplyR1}, int32_t{IdStart}})
        s.click(id);
    ASSERT_EQ(s.dialog.lastRunResult().outcome, RunCompleted);
    std::set<uint32_t> colours;
    for (int x = 0; x < 512; ++x) colours.insert(s.pixel(x, FrameHeight / 2));
    ASSERT_GT(colours.size(), 1u) << "nothing was drawn";
    EXPECT_EQ(s.frameMismatches([&](int x, int y) { return x < 512 ? s.pixel(x, y) : 0u; }), 0);
    EXPECT_EQ(previewMismatches(s.dialog, [&](int x, int y) { return s.pixel(x, y); }), 0);
}

// The same choices in the window and on the command line give the same lines
// and files (the folders differ, the names do not: AMSDOS headers hold them).
std::set<std::string> fileNames(const fs::path& dir) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) found.insert(entry.path().filename().string());
    return found;
}

// Runs the command line on the torus into `folder`/cli and checks that the
// window's last run wrote the same files, byte for byte, and listed the same
// lines.
void expectSameAsCommandLine(const Session& s, const fs::path& folder, const fs::path& window,
                             const std::string& arguments) {
    const fs::path cli = folder / "cli";
    fs::create_directories(cli);
    const std::string command = std::string("'") + VOLUMIX_CLI_PATH + "' generate '" + TorusPath.toStdString() +
                                "' -o '" + (cli / "anim").string() + "' " + arguments + " >'" +
                                (folder / "stdout.txt").string() + "'";
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::istringstream printed(test::readText(folder / "stdout.txt"));
    fs::remove(folder / "stdout.txt");
    QStringList printedLines;
    for (std::string line; std::getline(printed, line);) printedLines << QString::fromStdString(line);

    EXPECT_EQ(s.messages(), printedLines);
    const std::set<std::string> written = fileNames(cli);
    EXPECT_EQ(fileNames(window), written);
    EXPECT_GE(written.size(), 3u);  // at least data, index and source or screens
    for (const std::string& name : written)
        EXPECT_TRUE(test::readBytes(cli / name) == test::readBytes(window / name)) << name;
}

TEST(MainWindowRun, WritesTheSameFilesAsTheCommandLine) {
    const struct {
        const char* arguments;
        Typed typed;
        std::vector<int32_t> clicked;
    } cases[] = {
        // Six frames: a seventh no longer fits in memory with these choices.
        {"--frames 6 --mode 1 --render wireframe --compress --asm --scr",
         {{IdFrameCount, "6"}},
         {IdMode1, RenderModeIds[RenderWireframe], IdCompress, IdWriteAsm, IdWriteScr}},
        // Compressed deltas do not show the base address; plain ones do.
        {"--frames 9 --step 2 --first 1 --base 4000 --r1 32 --render filled-faces --line-ink 2 --fill-ink 3 "
         "--start 150,90,1100,1000,90,0,0 --increment 2,0,0,0,5,6,3 --linear --banks --asm",
         {{IdFrameCount, "9"}, {IdFrameStep, "2"}, {IdFirstFrame, "1"}, {IdCrtcR1, "32"}, {IdLineInk, "2"},
          {IdFillInk, "3"}, {StartValueIds[0], "150"}, {StartValueIds[1], "90"}, {StartValueIds[2], "1100"},
          {IncrementIds[0], "2"}, {IncrementIds[4], "5"}, {IncrementIds[6], "3"}},
         {IdApplyR1, IdBase4000, RenderModeIds[RenderFilledFaces], IdLinear, IdBanks, IdWriteAsm}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const test::TestFolder folder;
        const fs::path window = folder / "window";
        fs::create_directories(window);
        Session s;
        s.type({{IdObjectPath, TorusPath}, {IdCpcPath, QString::fromStdString((window / "anim").string())}});
        s.type(c.typed);
        for (int32_t id : c.clicked) s.click(id);
        s.click(IdStart);
        ASSERT_EQ(s.dialog.lastRunResult().outcome, RunCompleted);
        EXPECT_TRUE(s.prompts.told.isEmpty());
        expectSameAsCommandLine(s, folder.path(), window, c.arguments);
    }
}

// Runs with other settings before the one compared leave nothing behind in
// its files: each run starts as a new program would.
TEST(MainWindowRun, EarlierRunsWithOtherSettingsChangeNoByteOfTheNext) {
    struct Step {
        Typed typed;
        std::vector<int32_t> clicked;
    };
    const struct {
        const char* arguments;
        std::vector<Step> steps;  // the last one is compared
    } cases[] = {
        // The earlier .SCR files stamped mode 1's byte into the screens.
        {"--scr --frames 10",
         {{{{IdFrameCount, "10"}}, {IdWriteScr}}, {{}, {IdMode1}}, {{}, {IdMode0}}}},
        // Wider lines leave bytes in the blocks' undisplayed ends.
        {"--render filled-faces --compress --banks --asm --scr --base 4000 --r1 32 --frames 20",
         {{{{IdFrameCount, "20"}, {IdCrtcR1, "32"}},
           {RenderModeIds[RenderFilledFaces], IdCompress, IdBanks, IdWriteAsm, IdWriteScr, IdBase4000, IdApplyR1}},
          {{{IdCrtcR1, "40"}}, {IdApplyR1}},
          {{{IdCrtcR1, "32"}}, {IdApplyR1}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.arguments);
        const test::TestFolder folder;
        Session s;
        s.type({{IdObjectPath, TorusPath}});
        fs::path window;
        for (size_t k = 0; k < c.steps.size(); ++k) {
            window = folder / ("run" + std::to_string(k));
            fs::create_directories(window);
            s.type({{IdCpcPath, QString::fromStdString((window / "anim").string())}});
            s.type(c.steps[k].typed);
            for (int32_t id : c.steps[k].clicked) s.click(id);
            s.click(IdStart);
            ASSERT_EQ(s.dialog.lastRunResult().outcome, RunCompleted) << k;
        }
        expectSameAsCommandLine(s, folder.path(), window, c.arguments);
    }
}

}  // namespace
}  // namespace volumix
