#include "sequence/sequence_editor.h"

#include "platform/crt_numbers.h"
#include "platform/french_texts.h"
#include "sequence/sequence_csv.h"

namespace volumix {

std::string sequenceListLine(int32_t index, const SequenceFrame& row) {
    return formatLine("Trame:%3d  PX:%-8d  PY:%-8d  ZX:%-8d  ZY:%-8d  AX:%-8d  AY:%-8d  AZ:%-8d", index, row.px,
                      row.py, row.zx, row.zy, row.ax, row.ay, row.az);
}

int32_t readEditBox(std::string_view text) { return parseAtoi(text.substr(0, EditBoxTextMax)); }

SequenceFrame readEditBoxes(const EditBoxTexts& texts) {
    SequenceFrame values;
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) values.field(k) = readEditBox(texts[static_cast<size_t>(k)]);
    return values;
}

EditBoxTexts editBoxTexts(const SequenceFrame& values) {
    EditBoxTexts texts;
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) texts[static_cast<size_t>(k)] = std::to_string(values.field(k));
    return texts;
}

SequenceEditorButtons sequenceEditorButtons(int32_t selectedRow, int32_t rowCount) {
    SequenceEditorButtons buttons;
    buttons.edit = buttons.remove = selectedRow >= 0;
    buttons.clear = buttons.exportCsv = rowCount > 0;
    return buttons;
}

SequenceEditor::SequenceEditor(AnimationSequence& sequence, const SequenceFrame& startValues,
                               const SequenceFrame& increments, int32_t frameCount)
    : sequence_(sequence),
      startValues_(startValues),
      increments_(increments),
      frameCount_(frameCount),
      editValues_(startValues) {
    refresh();
}

void SequenceEditor::refresh() {
    if (selectedRow_ < 0 || selectedRow_ >= sequence_.rowCount) selectedRow_ = -1;
    highlightedRow_ = selectedRow_;
}

const SequenceFrame* SequenceEditor::select(int32_t row) {
    // The list reports -1 when nothing is picked; that row is never read.
    selectedRow_ = (row >= 0 && row < sequence_.rowCount) ? row : -1;
    highlightedRow_ = selectedRow_;
    return selectedRow_ >= 0 ? &sequence_.row(selectedRow_) : nullptr;
}

bool SequenceEditor::edit(const EditBoxTexts& texts) {
    if (selectedRow_ < 0 || selectedRow_ >= sequence_.rowCount) return false;
    editValues_ = readEditBoxes(texts);
    sequence_.setRow(selectedRow_, editValues_);
    refresh();
    return true;
}

bool SequenceEditor::insert(const EditBoxTexts& texts, MessageSink& messages) {
    // The table has no room past its last row: refuse rather than overwrite.
    if (sequence_.rowCount >= SequenceCapacity) {
        messages.addLine(std::string(french::SequenceFullLine));
        return false;
    }
    editValues_ = readEditBoxes(texts);
    sequence_.append(editValues_);
    selectedRow_ = sequence_.rowCount - 1;
    refresh();
    // The new line stays highlighted, but the buttons wait for a pick.
    selectedRow_ = -1;
    return true;
}

bool SequenceEditor::remove() {
    if (selectedRow_ < 0 || selectedRow_ >= sequence_.rowCount) return false;
    sequence_.removeRow(selectedRow_);
    refresh();
    return true;
}

void SequenceEditor::clear() {
    sequence_.clear();
    selectedRow_ = -1;
    refresh();
}

void SequenceEditor::generate(MessageSink& messages) {
    sequence_.generate(startValues_, increments_, frameCount_);
    selectedRow_ = -1;
    refresh();
    messages.addLine(formatLine(french::FramesComputedLine, sequence_.rowCount));
}

bool SequenceEditor::exportCsv(const std::filesystem::path& path, MessageSink& messages) {
    return exportSequenceCsv(sequence_, path, messages);
}

bool SequenceEditor::importCsv(const std::filesystem::path& path, MessageSink& messages) {
    if (!importSequenceCsv(sequence_, path, messages)) return false;
    refresh();
    return true;
}

}  // namespace volumix
