#include <QApplication>
#include <QCommandLineParser>
#include <QCheckBox>
#include <QLineEdit>
#include <QMouseEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/app_stores.h"
#include "gui/cost_chart.h"
#include "gui/cpc_playback_dlg.h"
#include "gui/frame_canvas.h"
#include "gui/dialog_template.h"
#include "gui/generator_dlg.h"
#include "gui/generator_dlg_ids.h"
#include "gui/prompts.h"
#include "gui/translations.h"
#include "sequence/sequence_csv.h"

namespace volumix {

// The sequence file's own report belongs to the sequence editor.
class DiscardedLines : public MessageSink {
public:
    void addLine(const std::string&) override {}
};

}  // namespace volumix

namespace {

const char* const RenderNames[volumix::RenderModeCount] = {
    "points", "hidden-points", "wireframe", "hidden-faces", "filled-faces", "sprites", "hidden-sprites"};

// Frame times of one run, to see that the window keeps its 20 ms pace.
struct RunTiming {
    QElapsedTimer clock;
    qint64 first = -1;
    qint64 last = -1;
    qint64 longestGap = 0;
    int frames = 0;
    int lateFrames = 0;  // more than one frame time (20 ms) after the previous one

    void frameDone() {
        const qint64 now = clock.elapsed();
        if (first < 0) first = now;
        if (last >= 0) {
            longestGap = std::max(longestGap, now - last);
            if (now - last > 21) ++lateFrames;
        }
        last = now;
        ++frames;
    }
};

// The window's command-line options.
struct WindowOptions {
    QCommandLineOption render{QStringLiteral("render"),
                              QStringLiteral("render mode: points, hidden-points, wireframe, hidden-faces, "
                                             "filled-faces, sprites or hidden-sprites"),
                              QStringLiteral("MODE")};
    QCommandLineOption screenshot{QStringLiteral("screenshot"),
                                  QStringLiteral("run at once, save the window as FILE.png and quit"),
                                  QStringLiteral("FILE.png")};
    QCommandLineOption timing{QStringLiteral("timing"),
                              QStringLiteral("with --screenshot: print the run's frame pace on stderr; with "
                                             "--cpc-dialog: the time \"Lecture CPC\" took to open")};
    QCommandLineOption out{QStringLiteral("out"), QStringLiteral("output base name (\"Fichiers CPC\")"),
                           QStringLiteral("PREFIX")};
    QCommandLineOption cpcDialog{
        QStringLiteral("cpc-dialog"),
        QStringLiteral("run at once (with --out), open \"Lecture CPC\", save it as FILE.png after a second and quit"),
        QStringLiteral("FILE.png")};
    QCommandLineOption sequence{QStringLiteral("sequence"),
                                QStringLiteral("take every frame's values from a sequence file (.csv)"),
                                QStringLiteral("FILE.csv")};

    void declare(QCommandLineParser& parser) const {
        parser.addHelpOption();
        parser.addPositionalArgument(
            QStringLiteral("object"), QStringLiteral("mesh file to open (.asc, .obj, .stl, .ply, .gltf, .glb, .3ds, "
                                                     ".dae...), or a .SCR screen to load as the background"));
        parser.addOptions({render, screenshot, timing, out, cpcDialog, sequence});
    }
};

// Puts the window in the state the options ask for. 0, or the exit status
// of a refused option.
int applyOptions(const QCommandLineParser& parser, const WindowOptions& options, volumix::CGeneratorDlg& dialog,
                 volumix::AppStores& stores) {
    // What the desktop opens with the window: a mesh, or a screen, taken as a
    // dropped one is.
    if (!parser.positionalArguments().isEmpty()) dialog.openFile(parser.positionalArguments().constFirst());
    if (parser.isSet(options.render)) {
        const auto* name =
            std::find(std::begin(RenderNames), std::end(RenderNames), parser.value(options.render).toStdString());
        if (name == std::end(RenderNames)) {
            std::fprintf(stderr, "error: unknown render mode '%s'\n", qPrintable(parser.value(options.render)));
            return 2;
        }
        dialog.selectRenderMode(static_cast<volumix::RenderMode>(name - std::begin(RenderNames)));
    }
    if (parser.isSet(options.sequence)) {
        volumix::DiscardedLines discard;
        volumix::Failure failure;
        if (!volumix::importSequenceCsv(stores.sequence, QFile::encodeName(parser.value(options.sequence)).toStdString(),
                                        discard, &failure)) {
            std::fprintf(stderr, "error: cannot read %s\n", qPrintable(parser.value(options.sequence)));
            return 2;
        }
        stores.sequence.unsaved = false;
        volumix::controlById<QCheckBox>(dialog, volumix::IdUseSequence)->click();
    }
    if (parser.isSet(options.out))
        volumix::controlById<QLineEdit>(dialog, volumix::IdCpcPath)->setText(parser.value(options.out));
    return 0;
}

// --cpc-dialog: after the run, "Lecture CPC" opens, the mouse names the
// dearest frame, and a second of playback later the dialog is saved.
void captureCpcDialogAfterRun(volumix::CGeneratorDlg& dialog, volumix::CPrompts& prompts, const QString& file,
                              bool report) {
    QObject::connect(&dialog, &volumix::CGeneratorDlg::runFinished, &dialog, [&dialog, &prompts, file, report] {
        QElapsedTimer opening;
        opening.start();
        auto* playback = new volumix::CCpcPlaybackDlg(dialog, prompts, &dialog);
        playback->setAttribute(Qt::WA_DeleteOnClose);
        if (!playback->playable()) {
            std::fprintf(stderr, "error: %s\n", qPrintable(playback->refusal()));
            dialog.done(1);
            return;
        }
        playback->show();
        if (auto* chart = playback->findChild<volumix::CCostChart*>()) {
            int32_t dearest = 0;
            for (int32_t k = 0; k < chart->barCount(); ++k)
                if (chart->barCost(k) > chart->barCost(dearest)) dearest = k;
            const QPointF at = QRectF(chart->barColumns(dearest)).center();
            QMouseEvent move(QEvent::MouseMove, at, chart->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(chart, &move);
        }
        if (report) std::fprintf(stderr, "\"Lecture CPC\" opened in %lld ms\n", opening.elapsed());
        QTimer::singleShot(1000, playback, [&dialog, playback, file] {
            playback->grab().save(file);
            playback->close();
            dialog.done(0);
        });
    });
}

// --screenshot: the window is saved when the run ends, with its pace.
void captureWindowAfterRun(volumix::CGeneratorDlg& dialog, RunTiming& pace, const QString& file, bool report) {
    QObject::connect(&dialog, &volumix::CGeneratorDlg::frameFinished, &dialog, [&pace] { pace.frameDone(); });
    QObject::connect(&dialog, &volumix::CGeneratorDlg::runFinished, &dialog, [&dialog, &pace, file, report] {
        if (report && pace.frames > 1)
            std::fprintf(stderr,
                         "%d frames, %.1f frames per second, longest gap %lld ms, %d gaps over 21 ms, longest wait "
                         "for a repaint %lld ms\n",
                         pace.frames, 1000.0 * (pace.frames - 1) / static_cast<double>(pace.last - pace.first),
                         pace.longestGap, pace.lateFrames, dialog.preview().longestRepaintWaitMs());
        dialog.grab().save(file);
        dialog.done(0);
    });
    pace.clock.start();
}

}  // namespace

// The application: one main window, run modally; the program ends with it.
// For scripts it also takes a mesh to open, a render mode to select, and
// --screenshot FILE.png: start a run at once, save a picture of the window
// when it ends and quit (scripts/screenshot.sh); --timing reports the run's pace.
// --cpc-dialog FILE.png runs at once too, then opens "Lecture CPC" on the
// run's files (--out names them) and saves it after a second of playback.
int main(int argc, char** argv) {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication application(argc, argv);
    QApplication::setApplicationName(volumix::ApplicationName);
    // The standard buttons and the file dialogs speak French as the window does.
    volumix::installQtFrench(application);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    QCommandLineParser parser;
    const WindowOptions options;
    options.declare(parser);
    parser.process(application);

    auto stores = volumix::makeAppStores();
    volumix::CQtPrompts prompts;
    volumix::CGeneratorDlg dialog(*stores, prompts);
    if (const int status = applyOptions(parser, options, dialog, *stores); status != 0) return status;

    RunTiming pace;
    const bool report = parser.isSet(options.timing);
    if (parser.isSet(options.cpcDialog))
        captureCpcDialogAfterRun(dialog, prompts, parser.value(options.cpcDialog), report);
    else if (parser.isSet(options.screenshot))
        captureWindowAfterRun(dialog, pace, parser.value(options.screenshot), report);
    if (parser.isSet(options.cpcDialog) || parser.isSet(options.screenshot))
        QTimer::singleShot(200, &dialog, [&dialog] { dialog.OnStart(); });
    dialog.exec();
    return 0;
}
