#include "gui/prompts.h"

#include <QFileDialog>
#include <QMessageBox>

#include <utility>

#include "mesh/mesh_import.h"

namespace volumix {

FileChoice readOrSaveChoice(QString filter, QString defaultSuffix, bool save) {
    FileChoice choice;
    choice.filter = std::move(filter);
    choice.defaultSuffix = std::move(defaultSuffix);
    choice.save = save;
    choice.fileMustExist = !save;
    choice.askOverwrite = save;
    return choice;
}

QString objectOpenFilter() {
    const QString asc = QStringLiteral("Objets Ascii 3DS (*.asc *.ASC)");
    const std::string imported = importedMeshPatterns();
    if (imported.empty()) return asc;
    return QStringLiteral("Objets 3D (*.asc *.ASC ") + QString::fromStdString(imported) + QStringLiteral(");;") + asc;
}

QString unsavedWorkText(bool sequence, bool sprites) {
    if (sequence && sprites) return QStringLiteral("La séquence et les sprites ont des modifications non sauvegardées.");
    if (sequence) return QStringLiteral("La séquence a des modifications non sauvegardées.");
    if (sprites) return QStringLiteral("Les sprites ont des modifications non sauvegardées.");
    return {};
}

QString CQtPrompts::chooseFile(QWidget* parent, const FileChoice& choice) {
    QFileDialog dialog(parent);
    dialog.setNameFilter(choice.filter);
    dialog.setDefaultSuffix(choice.defaultSuffix);
    dialog.setAcceptMode(choice.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    // The folder must exist in every case; the file only when asked.
    dialog.setFileMode(choice.fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (choice.save && !choice.askOverwrite) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

bool CQtPrompts::askYesNo(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationName, text, QMessageBox::Yes | QMessageBox::No, parent);
    box.setDefaultButton(QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

void CQtPrompts::tell(QWidget* parent, const QString& text) {
    QMessageBox box(QMessageBox::NoIcon, ApplicationName, text, QMessageBox::Ok, parent);
    box.exec();
}

}  // namespace volumix
