#pragma once

#include <QString>

class QWidget;

namespace volumix {

// How a file chooser behaves, after the flags of the platform's dialogs.
struct FileChoice {
    QString filter;         // Qt form: "Images CPC (*.SCR *.scr)"
    QString defaultSuffix;  // added when the name typed has none; may be empty
    bool save = false;      // a save-as chooser; otherwise an open chooser
    bool fileMustExist = false;
    bool askOverwrite = false;  // save: ask before replacing a file
};

// The chooser of an editor's "read" or "save" button for one kind of file:
// reading wants an existing file, saving asks before replacing one.
FileChoice readOrSaveChoice(QString filter, QString defaultSuffix, bool save);

// File choosers and message boxes go through here, so tests answer them
// without a modal loop.
class CPrompts {
public:
    virtual ~CPrompts() = default;
    // The chosen full path, or an empty string when cancelled.
    virtual QString chooseFile(QWidget* parent, const FileChoice& choice) = 0;
    // A Yes/No box with no icon; true only for Yes. Every question the
    // program asks confirms a loss (of a sequence, sprites, an object, faces,
    // unsaved changes), so No is the default: a stray Enter keeps the work.
    virtual bool askYesNo(QWidget* parent, const QString& text) = 0;
    // A box with one OK button.
    virtual void tell(QWidget* parent, const QString& text) = 0;
};

// The real dialogs.
class CQtPrompts : public CPrompts {
public:
    QString chooseFile(QWidget* parent, const FileChoice& choice) override;
    bool askYesNo(QWidget* parent, const QString& text) override;
    void tell(QWidget* parent, const QString& text) override;
};

// The filter of the choosers that read an object: every object file the build
// reads first, then the .asc files alone.
QString objectOpenFilter();

// What holds changes no file has, as a question before losing them names
// it: "La séquence a des modifications non sauvegardées.", the same of the
// sprites or of both; empty when nothing does.
QString unsavedWorkText(bool sequence, bool sprites);

// The caption of the program's message boxes.
inline const QString ApplicationName = QStringLiteral("Volumix");

}  // namespace volumix
