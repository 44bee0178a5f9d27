#pragma once

class QCoreApplication;
class QTranslator;

namespace volumix {

// Gives the application Qt's own French texts (the standard buttons, the
// file dialogs and their questions), as the rest of the window speaks
// French. Returns the translator, owned by `application`, or nullptr when
// Qt's French translations are not installed (Debian: qt6-translations-l10n).
QTranslator* installQtFrench(QCoreApplication& application);

}  // namespace volumix
