#include "gui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace volumix {

namespace {

// Qt 6 names the file dialog's kinds of file ("Folder", "Drive") under a
// context that older catalogues still file under the dialog's own.
class CQtFrenchTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    QString translate(const char* context, const char* source, const char* disambiguation, int n) const override {
        QString text = QTranslator::translate(context, source, disambiguation, n);
        if (text.isEmpty() && context != nullptr && qstrcmp(context, "QAbstractFileIconProvider") == 0)
            text = QTranslator::translate("QFileDialog", source, disambiguation, n);
        return text;
    }
};

}  // namespace

QTranslator* installQtFrench(QCoreApplication& application) {
    auto* translator = new CQtFrenchTranslator(&application);
    // qtbase holds the texts of the widgets, dialogs and standard buttons.
    if (!translator->load(QLocale(QLocale::French, QLocale::France), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return nullptr;
    }
    return translator;
}

}  // namespace volumix
