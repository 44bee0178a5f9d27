#pragma once

#include <QDialog>

#include <array>
#include <cstdint>
#include <string>

#include "export/message_sink.h"
#include "sequence/sequence_editor.h"

class QLineEdit;
class QListWidget;
class QPushButton;

namespace volumix {

class CPrompts;

// "Editeur de séquence": the per-frame parameter list, edited in place. There
// is no OK or Cancel: every change is kept at once, and Escape or the close
// box only close the window.
class CSequenceEditorDlg : public QDialog, private MessageSink {
    Q_OBJECT
public:
    static constexpr int32_t IdSequenceList = 1048;
    static constexpr std::array<int32_t, SequenceFrame::FieldCount> EditBoxIds = {1003, 1004, 1005, 1006,
                                                                                  1007, 1008, 1009};
    static constexpr int32_t IdEdit = 1049;
    static constexpr int32_t IdInsert = 1051;
    static constexpr int32_t IdDelete = 1053;
    static constexpr int32_t IdMessageList = 1061;
    static constexpr int32_t IdClearMessages = 1062;
    static constexpr int32_t IdExport = 1057;
    static constexpr int32_t IdImport = 1055;
    static constexpr int32_t IdClearSequence = 1060;
    static constexpr int32_t IdGenerate = 1059;

    // `start`, `increments` and `frameCount` are the main window's values;
    // "Générér séquence depuis paramètres" uses them.
    CSequenceEditorDlg(AnimationSequence& sequence, const SequenceFrame& start, const SequenceFrame& increments,
                       int32_t frameCount, CPrompts& prompts, QWidget* parent = nullptr);
    ~CSequenceEditorDlg() override;

    const SequenceEditor& editor() const { return editor_; }

    void OnListSelection();
    void OnEdit();
    void OnInsert();
    void OnDelete();
    void OnClearSequence();
    void OnClearMessages();
    void OnGenerate();
    void OnExport();
    void OnImport();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void connectHandlers();

    // Refills the list, highlights the editor's line and shows the values
    // last typed.
    void refresh();
    void showButtons();
    void showInBoxes(const SequenceFrame& values);
    EditBoxTexts boxTexts() const;
    // The message list: a new last line, selected so that it shows.
    void addLine(const std::string& line) override;

    SequenceEditor editor_;
    CPrompts& prompts_;
    QListWidget* list_ = nullptr;
    QListWidget* messages_ = nullptr;
    QPushButton* edit_ = nullptr;
    QPushButton* insert_ = nullptr;
    QPushButton* delete_ = nullptr;
    QPushButton* clearMessages_ = nullptr;
    QPushButton* export_ = nullptr;
    QPushButton* import_ = nullptr;
    QPushButton* clearSequence_ = nullptr;
    QPushButton* generate_ = nullptr;
    std::array<QLineEdit*, SequenceFrame::FieldCount> boxes_{};
};

}  // namespace volumix
