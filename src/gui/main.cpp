#include <QApplication>
#include <QCommandLineParser>
#include <QLineEdit>
#include <QTimer>

#include <memory>

#include "app/app_stores.h"
#include "gui/generator_dlg.h"
#include "gui/prompts.h"

// The application: one main window, run modally; the program ends with it.
// Beside a mesh to open, it takes --screenshot FILE.png: start a run at once
// and save a picture of the window when it ends (scripts/screenshot.sh).
int main(int argc, char** argv) {
    QGuiApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::Round);
    QApplication application(argc, argv);
    QApplication::setApplicationName(volumix::ApplicationName);

    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("object"), QStringLiteral("3D Studio ASCII mesh (.asc) to open"));
    const QCommandLineOption screenshot(QStringLiteral("screenshot"),
                                        QStringLiteral("run at once, save the window as FILE.png and quit"),
                                        QStringLiteral("FILE.png"));
    parser.addOption(screenshot);
    parser.process(application);

    auto stores = volumix::makeAppStores();
    volumix::CQtPrompts prompts;
    volumix::CGeneratorDlg dialog(*stores, prompts);
    if (!parser.positionalArguments().isEmpty()) {
        auto* objectPath = static_cast<QLineEdit*>(dialog.control(volumix::IdObjectPath));
        objectPath->setText(parser.positionalArguments().constFirst());
    }
    if (parser.isSet(screenshot)) {
        const QString file = parser.value(screenshot);
        QObject::connect(&dialog, &volumix::CGeneratorDlg::runFinished, &dialog, [&dialog, file] {
            dialog.grab().save(file);
            dialog.done(0);
        });
        QTimer::singleShot(200, &dialog, [&dialog] { dialog.OnStart(); });
    }
    dialog.exec();
    return 0;
}
