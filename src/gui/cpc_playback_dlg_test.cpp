// "Lecture CPC": the last run's files played as the CPC plays them, checked
// against what the command line makes of the same options.
#include "gui/cpc_playback_dlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>

#include <filesystem>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/run_playback.h"
#include "export/beam_replay.h"
#include "cpc/show_frame.h"
#include "export/gif_preview.h"
#include "gui/cost_chart.h"
#include "gui/dialog_layout_checks.h"
#include "gui/dialog_template.h"
#include "gui/generator_dlg.h"
#include "gui/generator_dlg_ids.h"
#include "gui/prompts.h"
#include "platform/french_texts.h"
#include "testing/cli_runner.h"
#include "testing/test_support.h"
#ifdef VOLUMIX_WITH_GIF
#include "testing/gif_read_back.h"
#endif

namespace volumix {
namespace {

namespace fs = std::filesystem;
using Typed = std::vector<std::pair<int32_t, QString>>;

const QString TorusPath = QStringLiteral(VOLUMIX_EXAMPLES_DIR "/torus.asc");

class FakeClock : public Clock {
public:
    uint32_t now = 0;
    uint32_t milliseconds() override { return now; }
    void sleep(uint32_t milliseconds) override { now += std::max<uint32_t>(milliseconds, 1); }
};

// File choosers answer from a queue; told texts are kept.
class QueuedPrompts : public CPrompts {
public:
    QStringList files;
    QStringList told;
    QString chooseFile(QWidget*, const FileChoice&) override { return files.isEmpty() ? QString() : files.takeFirst(); }
    bool askYesNo(QWidget*, const QString&) override { return false; }
    void tell(QWidget*, const QString& text) override { told << text; }
};

// A run of the example in the window and the same options on the command line.
struct RunChoice {
    const char* arguments;
    Typed typed;
    std::vector<int32_t> clicked;
};

// Twelve frames, 128K, whose frame 0 needs more than a 50 Hz frame and
// whose frame 1, started late, ends after its slot.
const RunChoice MixedCosts = {
    "--frames 12 --render filled-faces --start 160,100,750,750,90,0,0 --increment 0,0,0,0,7,9,0 --banks --base 0000",
    {{IdFrameCount, "12"}, {StartValueIds[2], "750"}, {StartValueIds[3], "750"}, {IncrementIds[4], "7"},
     {IncrementIds[5], "9"}},
    {RenderModeIds[RenderFilledFaces], IdBanks, IdBase0000}};

struct Window {
    std::unique_ptr<AppStores> stores = makeAppStores();
    QueuedPrompts prompts;
    FakeClock clock;
    CGeneratorDlg dialog{*stores, prompts};

    Window() { dialog.setClock(clock); }
    QAbstractButton* button(int32_t id) const { return controlById<QAbstractButton>(dialog, id); }
    void type(const Typed& boxes) {
        for (const auto& [id, text] : boxes) controlById<QLineEdit>(dialog, id)->setText(text);
    }
    // Runs the choice into `prefix` (none when empty).
    void run(const RunChoice& choice, const fs::path& prefix) {
        if (!prefix.empty()) fs::create_directories(prefix.parent_path());
        type({{IdObjectPath, TorusPath}, {IdCpcPath, QString::fromStdString(prefix.string())}});
        type(choice.typed);
        for (int32_t id : choice.clicked) button(id)->click();
        button(IdStart)->click();
    }
};

template <typename Widget>
Widget* control(const CCpcPlaybackDlg& dialog, int32_t id) {
    Widget* widget = controlById<Widget>(dialog, id);
    EXPECT_NE(widget, nullptr) << id;
    return widget;
}

QString labelText(const CCpcPlaybackDlg& dialog, int32_t id) { return control<QLabel>(dialog, id)->text(); }

void hover(const CCostChart& chart, int32_t bar) {
    auto& target = const_cast<CCostChart&>(chart);
    const QPointF at = QRectF(chart.barColumns(bar)).center();
    QMouseEvent move(QEvent::MouseMove, at, target.mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(&target, &move);
}

// What `volumix verify` prints of each frame: its cost, its slot, whether it
// ended in it and whether it started late.
struct PrintedFrame {
    int32_t frame = 0;
    bool loop = false;
    int64_t nops = 0, slot = 0;
    bool fits = true, late = false;
};

std::vector<PrintedFrame> printedFrames(const test::CliOutcome& outcome) {
    const QRegularExpression line(QStringLiteral(R"(^frame +(\d+)( \(loop\))? +(\d+) us of (\d+) +(fits|over)( late)?)"));
    std::vector<PrintedFrame> frames;
    for (const std::string& text : outcome.out) {
        const QRegularExpressionMatch m = line.match(QString::fromStdString(text));
        if (!m.hasMatch()) continue;
        frames.push_back({m.captured(1).toInt(), m.capturedLength(2) > 0, m.captured(3).toLongLong(),
                          m.captured(4).toLongLong(), m.captured(5) == QLatin1String("fits"), m.capturedLength(6) > 0});
    }
    return frames;
}

std::set<std::string> fileNames(const fs::path& dir) {
    std::set<std::string> found;
    for (const auto& entry : fs::directory_iterator(dir)) found.insert(entry.path().filename().string());
    return found;
}

// Closes any modal dialog a click opened, so a test never waits on one; the
// count of those closed.
int closeModalsLater() {
    static int closed = 0;
    QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            ++closed;
            modal->close();
        }
    });
    return closed;
}

TEST(CpcPlaybackText, NumbersAreGroupedByThreeWithNoBreakSpaces) {
    const QChar gap(0x00A0);
    const struct {
        int64_t value;
        QString text;
    } cases[] = {{0, "0"},
                 {999, "999"},
                 {1000, QStringLiteral("1") + gap + "000"},
                 {19968, QStringLiteral("19") + gap + "968"},
                 {1234567, QStringLiteral("1") + gap + "234" + gap + "567"},
                 {-26755, QStringLiteral("-26") + gap + "755"}};
    for (const auto& c : cases) EXPECT_EQ(frenchNumber(c.value), c.text) << c.value;
}

TEST(MainWindowCpcPlayback, TheButtonWaitsForFilesThePlayerPlays) {
    const test::TestFolder folder;
    Window w;
    QAbstractButton* play = w.button(IdCpcPlayback);
    ASSERT_NE(play, nullptr);
    EXPECT_EQ(play->text(), "Lecture CPC");
    EXPECT_FALSE(play->isEnabled());

    // A run that writes nothing leaves nothing to play; the dialog, opened
    // anyway, says so and offers nothing.
    w.run({"", {{IdFrameCount, "2"}}, {}}, {});
    ASSERT_EQ(w.dialog.lastRunResult().outcome, RunCompleted);
    EXPECT_FALSE(play->isEnabled());
    {
        CCpcPlaybackDlg dialog(w.dialog, w.prompts);
        EXPECT_EQ(dialog.refusal().toStdString(), formatLine(french::PlaybackImpossible, french::NoFileWritten));
        for (int32_t id : {IdSaveSnapshot, IdSaveDisk, IdSaveGif, IdPlaybackRate, IdPlaybackDoubleBuffer})
            EXPECT_FALSE(control<QWidget>(dialog, id)->isEnabled()) << id;
        EXPECT_FALSE(dialog.pace().isActive());
        EXPECT_EQ(labelText(dialog, IdPlaybackStatus), dialog.refusal());
    }

    // Files the player does not play: the reason, and no dialog.
    const struct {
        const char* name;
        RunChoice choice;
        const char* reason;
    } refused[] = {
        {"points", {"", {{IdFrameCount, "2"}}, {IdMode1, RenderModeIds[RenderPoints], IdPointsExport}},
         "L'export des points n'est pas joué par le lecteur CPC"},
        {"linear", {"", {{IdFrameCount, "2"}}, {IdLinear}},
         "Un écran linéaire (R9=0) ne peut pas montrer 200 lignes par les seuls registres du CRTC"},
        // Frame 0 alone is larger than the memory.
        {"full",
         {"",
          {{IdFrameCount, "12"}, {StartValueIds[2], "2500"}, {StartValueIds[3], "2500"}, {IncrementIds[4], "7"},
           {IncrementIds[5], "9"}},
          {RenderModeIds[RenderFilledFaces]}},
         french::NoFrameStored},
    };
    for (const auto& c : refused) {
        SCOPED_TRACE(c.name);
        Window r;
        r.run(c.choice, folder / c.name / "anim");
        ASSERT_NE(r.dialog.lastRunResult().outcome, RunLoadFailed);
        ASSERT_TRUE(r.button(IdCpcPlayback)->isEnabled());
        const int before = closeModalsLater();
        r.button(IdCpcPlayback)->click();
        QApplication::processEvents();
        EXPECT_EQ(closeModalsLater(), before);
        EXPECT_EQ(r.prompts.told,
                  QStringList{QString::fromUtf8(formatLine(french::PlaybackImpossible, c.reason).c_str())});
    }

    w.run({"", {}, {}}, folder / "played" / "anim");
    EXPECT_TRUE(play->isEnabled());
}

TEST(CpcPlaybackDlg, ChartHasABarPerFrameMarkedByItsCostAgainstTheBudget) {
    const test::TestFolder folder;
    Window w;
    w.run(MixedCosts, folder / "window" / "anim");
    ASSERT_EQ(w.dialog.lastRunResult().outcome, RunCompleted);
    fs::create_directories(folder / "cli");
    const test::CliOutcome verified = test::runCli(
        folder.path(), "generate '" + TorusPath.toStdString() + "' -o '" + (folder / "cli" / "anim").string() + "' " +
                           MixedCosts.arguments + " --verify");
    ASSERT_EQ(verified.status, 0) << verified.err;
    const std::vector<PrintedFrame> printed = printedFrames(verified);
    ASSERT_EQ(printed.size(), 13u);  // twelve frames and frame 0 again

    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    ASSERT_TRUE(dialog.playable()) << dialog.refusal().toStdString();
    expectCaptionsFitAndNothingOverlaps(dialog);
    const CCostChart& chart = dialog.chart();
    ASSERT_EQ(chart.barCount(), 13);
    EXPECT_EQ(chart.budget(), 19968);
    const QImage picture = const_cast<CCostChart&>(chart).grab().toImage().convertToFormat(QImage::Format_RGB32);
    std::set<CCostChart::BarKind> kinds;
    for (int32_t bar = 0; bar < 13; ++bar) {
        SCOPED_TRACE(bar);
        const PrintedFrame& frame = printed[static_cast<size_t>(bar)];
        EXPECT_EQ(chart.barCost(bar), frame.nops);
        const CCostChart::BarKind kind = frame.nops > frame.slot ? CCostChart::BarOverBudget
                                         : frame.fits            ? CCostChart::BarFits
                                                                 : CCostChart::BarLate;
        EXPECT_EQ(chart.barKind(bar), kind);
        kinds.insert(kind);
        // The bar's foot is painted in its kind's colour.
        const QPoint foot(chart.barColumns(bar).left() + 1, chart.floorY() - 1);
        EXPECT_EQ(QColor(picture.pixel(foot)), CCostChart::colourOf(kind));
    }
    EXPECT_EQ(kinds.size(), 3u) << "the run should show every kind of bar";
    // The budget line lies across the chart, under the dearest bars' tops.
    EXPECT_GT(chart.budgetLineY(), 0);
    EXPECT_LT(chart.budgetLineY(), chart.floorY());

    // The frame under the mouse is named with its cost and the budget.
    const QString budget = QStringLiteral(" µs sur 19") + QChar(0x00A0) + "968";
    hover(chart, 1);
    EXPECT_EQ(labelText(dialog, IdFrameCostLabel), "Image 1 : " + frenchNumber(printed[1].nops) + budget);
    hover(chart, 12);
    EXPECT_EQ(labelText(dialog, IdFrameCostLabel), "Image 0 (boucle) : " + frenchNumber(printed[12].nops) + budget);
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(const_cast<CCostChart*>(&chart), &leave);
    EXPECT_EQ(labelText(dialog, IdFrameCostLabel), "");
    // The torn pictures are the beam model's, on the files played; frame 0
    // takes more than a 50 Hz frame, so the beam overtakes it.
    RunPlayback played;
    ASSERT_FALSE(played.open(w.dialog.lastPlayableRun(), 1).failed());
    const int32_t torn = replayWithBeam(played.machine(), {}).tornCount;
    EXPECT_GT(torn, 0);
    EXPECT_EQ(labelText(dialog, IdTornLabel), "Images déchirées : " + QString::number(torn));
    EXPECT_EQ(labelText(dialog, IdCheckedLabel), "Images vérifiées : 12 (et l'image 0 après la dernière), écarts : 0");

    // Two syncs a frame: everything fits, the budget doubles.
    auto* rate = control<QComboBox>(dialog, IdPlaybackRate);
    EXPECT_EQ(rate->currentText(), "1");
    rate->setCurrentIndex(2);
    EXPECT_EQ(dialog.playedRate(), 2);
    EXPECT_EQ(chart.budget(), 2 * 19968);
    for (int32_t bar = 0; bar < chart.barCount(); ++bar) EXPECT_EQ(chart.barKind(bar), CCostChart::BarFits) << bar;
    hover(chart, 0);
    EXPECT_TRUE(labelText(dialog, IdFrameCostLabel).endsWith(QStringLiteral(" µs sur 39") + QChar(0x00A0) + "936"));

    // "automatique" chooses what the command line's --rate auto chooses.
    const test::CliOutcome automatic = test::runCli(
        folder.path(), "generate '" + TorusPath.toStdString() + "' -o '" + (folder / "cli" / "anim").string() + "' " +
                           MixedCosts.arguments + " --snapshot '" + (folder / "cli" / "a.sna").string() +
                           "' --rate auto");
    ASSERT_EQ(automatic.status, 0) << automatic.err;
    const QRegularExpression chose(QStringLiteral(R"(rate: auto chose (\d+) vertical syncs? per frame: the dearest frame, (\d+), takes (\d+) us)"));
    const QRegularExpressionMatch said = chose.match(QString::fromStdString(automatic.outText));
    ASSERT_TRUE(said.hasMatch()) << automatic.outText;
    rate->setCurrentIndex(CCpcPlaybackDlg::AutomaticRate);
    EXPECT_EQ(dialog.playedRate(), said.captured(1).toInt());
    EXPECT_TRUE(labelText(dialog, IdRateLabel)
                    .startsWith(QStringLiteral("Cadence automatique : %1 balayages par image ; la plus chère, l'image %2, prend %3 µs")
                                    .arg(said.captured(1), said.captured(2), frenchNumber(said.captured(3).toLongLong()))))
        << labelText(dialog, IdRateLabel).toStdString();
}

TEST(CpcPlaybackDlg, SavesTheSnapshotAndDiskTheCommandLineWritesAtEachRate) {
    const test::TestFolder folder;
    Window w;
    w.run(MixedCosts, folder / "window" / "anim");
    ASSERT_EQ(w.dialog.lastRunResult().outcome, RunCompleted);
    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    ASSERT_TRUE(dialog.playable()) << dialog.refusal().toStdString();

    const struct {
        const char* rate;
        int32_t choice;
    } cases[] = {{"1", 1}, {"3", 3}, {"auto", CCpcPlaybackDlg::AutomaticRate}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rate);
        const fs::path cli = folder / (std::string("cli") + c.rate);
        const fs::path saved = folder / (std::string("saved") + c.rate);
        fs::create_directories(cli);
        fs::create_directories(saved);
        control<QComboBox>(dialog, IdPlaybackRate)->setCurrentIndex(c.choice);
        w.prompts.files = {QString::fromStdString((saved / "anim.sna").string()),
                           QString::fromStdString((saved / "anim.dsk").string())};
        control<QPushButton>(dialog, IdSaveSnapshot)->click();
        control<QPushButton>(dialog, IdSaveDisk)->click();
        EXPECT_TRUE(w.prompts.told.isEmpty()) << w.prompts.told.join('\n').toStdString();
        EXPECT_EQ(labelText(dialog, IdPlaybackStatus),
                  QString::fromStdString((saved / "anim.dsk").string()) +
                      " : RUN\"ANIM\" sur un CPC 6128 joue l'animation");

        const test::CliOutcome made = test::runCli(
            folder.path(), "generate '" + TorusPath.toStdString() + "' -o '" + (cli / "anim").string() + "' " +
                               MixedCosts.arguments + " --snapshot '" + (cli / "anim.sna").string() + "' --dsk '" +
                               (cli / "anim.dsk").string() + "' --rate " + c.rate);
        ASSERT_EQ(made.status, 0) << made.err;
        for (const char* name : {"anim.sna", "anim.dsk"})
            EXPECT_TRUE(test::readBytes(cli / name) == test::readBytes(saved / name)) << name;
        // The files the dialog played are the command line's too.
        for (const std::string& name : fileNames(folder / "window"))
            EXPECT_TRUE(test::readBytes(cli / name) == test::readBytes(folder / "window" / name)) << name;
    }
}

TEST(CpcPlaybackDlg, PlaysEveryPictureEvery20MsAndLoopsBackToFrame1) {
    const test::TestFolder folder;
    Window w;
    w.run(MixedCosts, folder / "window" / "anim");
    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    ASSERT_TRUE(dialog.playable()) << dialog.refusal().toStdString();
    EXPECT_TRUE(dialog.pace().isActive());
    EXPECT_EQ(dialog.pace().interval(), 20);
    EXPECT_EQ(dialog.pace().timerType(), Qt::PreciseTimer);

    const MonitorPlayback& monitor = dialog.monitor();
    const std::vector<ReplayFrame>& frames = monitor.report.frames;
    ASSERT_EQ(frames.size(), 13u);
    // One sync a frame, from frame 0's through the loop's frame 0.
    const int32_t pictures = static_cast<int32_t>(monitor.pictures.size());
    EXPECT_GE(pictures, 13);
    const PlaybackSettings playback = playbackOfRun(w.dialog.lastPlayableRun());
    CDibSurface expected;
    expected.create(FrameWidth, FrameHeight);
    const auto shows = [&](int32_t picture) {
        CCpcScreen screen;
        screen.image = monitor.pictures[static_cast<size_t>(picture)];
        screen.inks = playback.inks;
        decodeToFrame(screen, expected.bits, playback.screenMode, playback.format.bytesPerLine(), false);
        CDeviceContext context(expected);
        blackenOutsidePicture(context, playback.format.crtcR1);
        return std::equal(expected.bits, expected.bits + FramePixelCount, dialog.shownSurface().bits);
    };
    EXPECT_EQ(dialog.shownPicture(), 0);
    EXPECT_TRUE(shows(0));
    for (int32_t k = 1; k < pictures; ++k) {
        dialog.showNextPicture();
        ASSERT_EQ(dialog.shownPicture(), k);
    }
    EXPECT_TRUE(shows(pictures - 1));
    // After the loop's frame 0, frame 1: frame 0 plays once a turn.
    dialog.showNextPicture();
    EXPECT_EQ(dialog.shownPicture(), frames[1].sync - frames[0].sync);
    EXPECT_TRUE(shows(dialog.shownPicture()));

    // Left to its timer, it steps once every 20 ms (no faster).
    int ticks = 0;
    QObject::connect(&dialog.pace(), &QTimer::timeout, [&ticks] { ++ticks; });
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 400) QApplication::processEvents(QEventLoop::AllEvents, 5);
    const qint64 elapsed = clock.elapsed();
    EXPECT_LE(ticks, elapsed / 20 + 1);
    EXPECT_GE(ticks, 5) << "in " << elapsed << " ms";
}

#ifdef VOLUMIX_WITH_GIF
TEST(CpcPlaybackDlg, GifHasEveryPictureOfTheMonitorAt20Ms) {
    const test::TestFolder folder;
    Window w;
    w.run(MixedCosts, folder / "window" / "anim");
    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    ASSERT_TRUE(dialog.playable());
    w.prompts.files = {QString::fromStdString((folder / "monitor.gif").string())};
    control<QPushButton>(dialog, IdSaveGif)->click();
    EXPECT_TRUE(w.prompts.told.isEmpty()) << w.prompts.told.join('\n').toStdString();

    const test::GifReadBack back = test::readGifBack(folder / "monitor.gif");
    ASSERT_TRUE(back.ok) << back.error;
    const MonitorPlayback& monitor = dialog.monitor();
    ASSERT_EQ(back.frames.size(), monitor.pictures.size());
    EXPECT_TRUE(back.loopsForever);
    for (const int32_t delay : back.delays) EXPECT_EQ(delay, 2);
    // Each GIF frame is its picture as the dialog shows it, lines doubled.
    for (int32_t picture : {0, 1, static_cast<int32_t>(monitor.pictures.size()) - 1}) {
        while (dialog.shownPicture() != picture) dialog.showNextPicture();
        const std::vector<uint32_t>& frame = back.frames[static_cast<size_t>(picture)];
        int32_t wrong = 0;
        for (int32_t y = 0; y < 2 * FrameHeight; ++y)
            for (int32_t x = 0; x < FrameWidth; ++x)
                wrong += frame[static_cast<size_t>(y * FrameWidth + x)] != dialog.shownSurface().row(y / 2)[x];
        EXPECT_EQ(wrong, 0) << picture;
    }
}
#endif

TEST(CpcPlaybackDlg, FilesThatCannotBeWrittenAreToldInFrench) {
    const test::TestFolder folder;
    Window w;
    w.run({"", {{IdFrameCount, "3"}}, {}}, folder / "window" / "anim");
    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    ASSERT_TRUE(dialog.playable());
    const fs::path missing = folder / "missing" / "out";
    for (const int32_t id : {IdSaveSnapshot, IdSaveDisk, IdSaveGif}) {
        SCOPED_TRACE(id);
        if (!control<QPushButton>(dialog, id)->isEnabled()) continue;  // a build without giflib
        w.prompts.told.clear();
        w.prompts.files = {QString::fromStdString(missing.string())};
        control<QPushButton>(dialog, id)->click();
        ASSERT_EQ(w.prompts.told.size(), 1);
        EXPECT_TRUE(w.prompts.told[0].endsWith(QStringLiteral("Aucun fichier ou dossier de ce nom")))
            << w.prompts.told[0].toStdString();
        EXPECT_FALSE(fs::exists(missing));
    }
    // A chooser cancelled writes nothing and says nothing.
    w.prompts.told.clear();
    control<QPushButton>(dialog, IdSaveSnapshot)->click();
    EXPECT_TRUE(w.prompts.told.isEmpty());
}

// Double buffering makes the run again through the window's run, with the
// choices and settings the last run started with, whatever the window's
// controls say now, and shows its progress meanwhile.
TEST(CpcPlaybackDlg, DoubleBufferingRunsTheLastRunAgainFromItsOwnSettings) {
    const test::TestFolder folder;
    Window w;
    const fs::path window = folder / "window";
    w.run(MixedCosts, window / "anim");
    ASSERT_EQ(w.dialog.lastRunResult().outcome, RunCompleted);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> first;
    for (const std::string& name : fileNames(window)) first.emplace_back(name, test::readBytes(window / name));
    // The window changes after the run: none of it reaches the rerun.
    w.type({{IdFrameCount, "3"}, {IdCpcPath, QString::fromStdString((folder / "elsewhere").string())},
            {StartValueIds[2], "300"}});
    w.button(RenderModeIds[RenderWireframe])->click();

    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    ASSERT_TRUE(dialog.playable());
    auto* doubleBuffer = control<QCheckBox>(dialog, IdPlaybackDoubleBuffer);
    auto* progress = control<QProgressBar>(dialog, IdRerunProgress);
    EXPECT_FALSE(doubleBuffer->isChecked());
    int frames = 0, busyFrames = 0, closable = 0;
    QObject::connect(&w.dialog, &CGeneratorDlg::frameFinished, [&] {
        ++frames;
        busyFrames += dialog.busy() && progress->isVisibleTo(&dialog) && !doubleBuffer->isEnabled();
        closable += control<QPushButton>(dialog, IdPlaybackClose)->isEnabled();
    });
    doubleBuffer->click();
    EXPECT_EQ(frames, 14);  // a pre-roll for each screen, and twelve frames
    EXPECT_EQ(busyFrames, 14);
    EXPECT_EQ(closable, 0);
    EXPECT_EQ(progress->maximum(), 14);
    EXPECT_EQ(progress->value(), 14);
    EXPECT_FALSE(dialog.busy());
    EXPECT_TRUE(w.dialog.lastPlayableRun().parameters.format.doubleBuffer);
    EXPECT_TRUE(doubleBuffer->isChecked());
    EXPECT_TRUE(dialog.playable()) << dialog.refusal().toStdString();
    EXPECT_EQ(dialog.chart().barCount(), 13);
    EXPECT_FALSE(fs::exists(folder / "elsewhere"));

    // Off again: the files are the first run's, byte for byte.
    doubleBuffer->click();
    EXPECT_FALSE(w.dialog.lastPlayableRun().parameters.format.doubleBuffer);
    for (const auto& [name, bytes] : first) EXPECT_TRUE(test::readBytes(window / name) == bytes) << name;
    EXPECT_EQ(fileNames(window).size(), first.size());
}

// After the double-buffering export is in, the command line takes
// --double-buffer; until then there is nothing to compare with.
TEST(CpcPlaybackDlg, DoubleBufferedFilesAreTheCommandLines) {
    const test::TestFolder folder;
    if (test::runCli(folder.path(), "generate --help").outText.find("--double-buffer") == std::string::npos)
        GTEST_SKIP() << "the command line has no --double-buffer yet";
    Window w;
    const fs::path window = folder / "window";
    w.run(MixedCosts, window / "anim");
    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    ASSERT_TRUE(dialog.playable());
    control<QCheckBox>(dialog, IdPlaybackDoubleBuffer)->click();
    ASSERT_TRUE(dialog.playable()) << dialog.refusal().toStdString();
    w.prompts.files = {QString::fromStdString((folder / "window.sna").string())};
    control<QPushButton>(dialog, IdSaveSnapshot)->click();

    const fs::path cli = folder / "cli";
    fs::create_directories(cli);
    const test::CliOutcome made = test::runCli(
        folder.path(), "generate '" + TorusPath.toStdString() + "' -o '" + (cli / "anim").string() + "' " +
                           MixedCosts.arguments + " --double-buffer --snapshot '" + (folder / "cli.sna").string() + "'");
    ASSERT_EQ(made.status, 0) << made.err;
    EXPECT_EQ(fileNames(window), fileNames(cli));
    for (const std::string& name : fileNames(cli))
        EXPECT_TRUE(test::readBytes(cli / name) == test::readBytes(window / name)) << name;
    EXPECT_TRUE(test::readBytes(folder / "cli.sna") == test::readBytes(folder / "window.sna"));
}

TEST(CpcPlaybackDlg, OpensInUnderASecondAfterA359FrameRun) {
    const test::TestFolder folder;
    Window w;
    // The README's 359-frame run.
    w.run({"",
           {{IdFrameCount, "359"}, {StartValueIds[2], "200"}, {StartValueIds[3], "200"}, {IncrementIds[4], "1"},
            {IncrementIds[5], "1"}},
           {RenderModeIds[RenderFilledFaces], IdCompress, IdBanks, IdBase0000}},
          folder / "anim");
    ASSERT_EQ(w.dialog.lastRunResult().outcome, RunCompleted);
    QElapsedTimer opening;
    opening.start();
    CCpcPlaybackDlg dialog(w.dialog, w.prompts);
    dialog.show();
    QApplication::processEvents();
    const qint64 elapsed = opening.elapsed();
    ASSERT_TRUE(dialog.playable()) << dialog.refusal().toStdString();
    EXPECT_EQ(dialog.chart().barCount(), 360);
    std::printf("[ timing   ] \"Lecture CPC\" opened on 359 frames in %lld ms\n", static_cast<long long>(elapsed));
#if !defined(__SANITIZE_ADDRESS__)
    EXPECT_LT(elapsed, 1000);
#endif
}

}  // namespace
}  // namespace volumix
