#include "gui/sequence_editor_dlg.h"

#include <QFile>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>

#include <filesystem>

#include "gui/dialog_template.h"
#include "gui/prompts.h"
#include "platform/french_texts.h"

namespace volumix {

namespace {

const char* const BoxLabels[SequenceFrame::FieldCount] = {"PX:", "PY:", "ZX:", "ZY:", "AX:", "AY:", "AZ:"};
constexpr int BoxPitch = 56;

const QString ReplaceQuestion = QString::fromUtf8(french::ReplaceSequenceQuestion);

FileChoice csvChoice(bool save) {
    return readOrSaveChoice(QStringLiteral("Fichiers CSV (*.csv *.CSV)"), QStringLiteral("CSV"), save);
}

std::filesystem::path pathOf(const QString& chosen) { return QFile::encodeName(chosen).toStdString(); }

}  // namespace

CSequenceEditorDlg::CSequenceEditorDlg(AnimationSequence& sequence, const SequenceFrame& start,
                                       const SequenceFrame& increments, int32_t frameCount, CPrompts& prompts,
                                       QWidget* parent)
    : QDialog(parent), editor_(sequence, start, increments, frameCount), prompts_(prompts) {
    setWindowTitle(QStringLiteral("Editeur de séquence"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    setFont(dialogFont());
    setDialogSize(*this, 404, 309);

    placeControl(new QGroupBox(QStringLiteral("Séquence"), this), 0, 4, 4, 396, 228);
    list_ = placeControl(new QListWidget(this), IdSequenceList, 8, 16, 388, 176);
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) {
        placeControl(new QLabel(QString::fromUtf8(BoxLabels[k]), this), 0, 8 + BoxPitch * k, 200, 12, 8);
        boxes_[static_cast<size_t>(k)] =
            placeControl(new QLineEdit(this), EditBoxIds[static_cast<size_t>(k)], 24 + BoxPitch * k, 196, 36, 12);
    }
    edit_ = placeControl(new QPushButton(QStringLiteral("Edition"), this), IdEdit, 8, 216, 44, 12);
    insert_ = placeControl(new QPushButton(QStringLiteral("Insertion"), this), IdInsert, 56, 216, 44, 12);
    delete_ = placeControl(new QPushButton(QStringLiteral("Suppression"), this), IdDelete, 104, 216, 44, 12);
    messages_ = placeControl(new QListWidget(this), IdMessageList, 4, 236, 324, 56);
    clearMessages_ = placeControl(new QPushButton(QStringLiteral("Effacer messages"), this), IdClearMessages, 332, 236, 68, 12);
    export_ = placeControl(new QPushButton(QStringLiteral("Exporter Séquence"), this), IdExport, 8, 296, 68, 12);
    import_ = placeControl(new QPushButton(QStringLiteral("Importer Séquence"), this), IdImport, 80, 296, 68, 12);
    clearSequence_ = placeControl(new QPushButton(QStringLiteral("Effacer Séquence"), this), IdClearSequence, 152, 296, 68, 12);
    generate_ = placeControl(new QPushButton(QStringLiteral("Générér séquence depuis paramètres"), this), IdGenerate, 272, 296,
                    128, 12);
    // The lines are columns of fixed width.
    list_->setFont(listFont(font()));
    for (QListWidget* listBox : {list_, messages_}) {
        listBox->setSelectionMode(QAbstractItemView::SingleSelection);
        listBox->setUniformItemSizes(true);
    }

    connectHandlers();
    refresh();
}

CSequenceEditorDlg::~CSequenceEditorDlg() = default;

void CSequenceEditorDlg::connectHandlers() {
    // A press on the highlighted line also picks it: after "Insertion" the new
    // line is highlighted without being the row the buttons act on.
    connect(list_, &QListWidget::itemSelectionChanged, this, &CSequenceEditorDlg::OnListSelection);
    connect(list_, &QAbstractItemView::pressed, this, &CSequenceEditorDlg::OnListSelection);
    const std::pair<QPushButton*, void (CSequenceEditorDlg::*)()> handlers[] = {
        {edit_, &CSequenceEditorDlg::OnEdit},
        {insert_, &CSequenceEditorDlg::OnInsert},
        {delete_, &CSequenceEditorDlg::OnDelete},
        {clearMessages_, &CSequenceEditorDlg::OnClearMessages},
        {export_, &CSequenceEditorDlg::OnExport},
        {import_, &CSequenceEditorDlg::OnImport},
        {clearSequence_, &CSequenceEditorDlg::OnClearSequence},
        {generate_, &CSequenceEditorDlg::OnGenerate},
    };
    for (const auto& [button, handler] : handlers) connect(button, &QPushButton::clicked, this, handler);
}

void CSequenceEditorDlg::refresh() {
    {
        // Emptying and refilling the list must not read as the user's pick.
        const QSignalBlocker blocker(list_);
        list_->clear();
        const AnimationSequence& sequence = editor_.sequence();
        QStringList lines;
        lines.reserve(sequence.rowCount);
        for (int32_t i = 0; i < sequence.rowCount; ++i)
            lines << QString::fromStdString(sequenceListLine(i, sequence.row(i)));
        list_->addItems(lines);
        if (editor_.highlightedRow() >= 0) list_->setCurrentRow(editor_.highlightedRow());
    }
    showInBoxes(editor_.editValues());
    showButtons();
}

void CSequenceEditorDlg::showButtons() {
    const SequenceEditorButtons buttons = editor_.buttons();
    edit_->setEnabled(buttons.edit);
    delete_->setEnabled(buttons.remove);
    clearSequence_->setEnabled(buttons.clear);
    export_->setEnabled(buttons.exportCsv);
}

void CSequenceEditorDlg::showInBoxes(const SequenceFrame& values) {
    const EditBoxTexts texts = editBoxTexts(values);
    for (size_t k = 0; k < boxes_.size(); ++k) boxes_[k]->setText(QString::fromStdString(texts[k]));
}

EditBoxTexts CSequenceEditorDlg::boxTexts() const {
    EditBoxTexts texts;
    for (size_t k = 0; k < boxes_.size(); ++k) texts[k] = boxes_[k]->text().toStdString();
    return texts;
}

void CSequenceEditorDlg::addLine(const std::string& line) {
    messages_->addItem(QString::fromStdString(line));
    messages_->setCurrentRow(messages_->count() - 1);
}

void CSequenceEditorDlg::OnListSelection() {
    const QList<QListWidgetItem*> picked = list_->selectedItems();
    const int32_t row = picked.isEmpty() ? -1 : list_->row(picked.constFirst());
    if (const SequenceFrame* shown = editor_.select(row)) showInBoxes(*shown);
    showButtons();
}

void CSequenceEditorDlg::OnEdit() {
    if (editor_.edit(boxTexts())) refresh();
}

void CSequenceEditorDlg::OnInsert() {
    if (editor_.insert(boxTexts(), *this)) refresh();
}

void CSequenceEditorDlg::OnDelete() {
    if (editor_.remove()) refresh();
}

void CSequenceEditorDlg::OnClearSequence() {
    if (!prompts_.askYesNo(this, QString::fromUtf8(french::AreYouSure))) return;
    editor_.clear();
    refresh();
}

void CSequenceEditorDlg::OnClearMessages() { messages_->clear(); }

void CSequenceEditorDlg::OnGenerate() {
    if (editor_.replacingNeedsConfirmation() && !prompts_.askYesNo(this, ReplaceQuestion)) return;
    editor_.generate(*this);
    refresh();
}

void CSequenceEditorDlg::OnExport() {
    const QString chosen = prompts_.chooseFile(this, csvChoice(true));
    if (chosen.isEmpty()) return;
    editor_.exportCsv(pathOf(chosen), *this);
}

void CSequenceEditorDlg::OnImport() {
    if (editor_.replacingNeedsConfirmation() && !prompts_.askYesNo(this, ReplaceQuestion)) return;
    const QString chosen = prompts_.chooseFile(this, csvChoice(false));
    if (chosen.isEmpty()) return;
    if (editor_.importCsv(pathOf(chosen), *this)) refresh();
}

void CSequenceEditorDlg::keyPressEvent(QKeyEvent* event) {
    // Enter does nothing here; Escape closes the window, keeping every change.
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

}  // namespace volumix
