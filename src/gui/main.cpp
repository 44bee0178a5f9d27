#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QLocale>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "app/app_stores.h"
#include "gui/frame_canvas.h"
#include "gui/generator_dlg.h"
#include "gui/prompts.h"
#include "gui/translations.h"

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

}  // namespace

// The application: one main window, run modally; the program ends with it.
// For scripts it also takes a mesh to open, a render mode to select, and
// --screenshot FILE.png: start a run at once, save a picture of the window
// when it ends and quit (scripts/screenshot.sh); --timing reports the run's pace.
int main(int argc, char** argv) {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication application(argc, argv);
    QApplication::setApplicationName(volumix::ApplicationName);
    // The standard buttons and the file dialogs speak French as the window does.
    volumix::installQtFrench(application);
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("object"),
                                 QStringLiteral("mesh file to open (.asc, .obj, .stl, .ply, .gltf, .glb, .3ds, .dae...), "
                                                "or a .SCR screen to load as the background"));
    const QCommandLineOption render(QStringLiteral("render"),
                                    QStringLiteral("render mode: points, hidden-points, wireframe, hidden-faces, "
                                                   "filled-faces, sprites or hidden-sprites"),
                                    QStringLiteral("MODE"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("run at once, save the window as FILE.png and quit"),
                                        QStringLiteral("FILE.png"));
    const QCommandLineOption timing(QStringLiteral("timing"),
                                    QStringLiteral("with --screenshot: print the run's frame pace on stderr"));
    parser.addOptions({render, screenshot, timing});
    parser.process(application);

    auto stores = volumix::makeAppStores();
    volumix::CQtPrompts prompts;
    volumix::CGeneratorDlg dialog(*stores, prompts);
    // What the desktop opens with the window: a mesh, or a screen, taken as a
    // dropped one is.
    if (!parser.positionalArguments().isEmpty()) dialog.openFile(parser.positionalArguments().constFirst());
    if (parser.isSet(render)) {
        const auto* name = std::find(std::begin(RenderNames), std::end(RenderNames), parser.value(render).toStdString());
        if (name == std::end(RenderNames)) {
            std::fprintf(stderr, "error: unknown render mode '%s'\n", qPrintable(parser.value(render)));
            return 2;
        }
        dialog.selectRenderMode(static_cast<volumix::RenderMode>(name - std::begin(RenderNames)));
    }

    RunTiming pace;
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QObject::connect(&dialog, &volumix::CGeneratorDlg::frameFinished, &dialog, [&pace] { pace.frameDone(); });
        QObject::connect(&dialog, &volumix::CGeneratorDlg::runFinished, &dialog,
                         [&dialog, &pace, file, report = parser.isSet(timing)] {
                             if (report && pace.frames > 1)
                                 std::fprintf(stderr,
                                              "%d frames, %.1f frames per second, longest gap %lld ms, %d gaps "
                                              "over 21 ms, longest wait for a repaint %lld ms\n",
                                              pace.frames,
                                              1000.0 * (pace.frames - 1) / static_cast<double>(pace.last - pace.first),
                                              pace.longestGap, pace.lateFrames,
                                              dialog.preview().longestRepaintWaitMs());
                             dialog.grab().save(file);
                             dialog.done(0);
                         });
        pace.clock.start();
        QTimer::singleShot(200, &dialog, [&dialog] { dialog.OnStart(); });
    }
    dialog.exec();
    return 0;
}
