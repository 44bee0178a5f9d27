#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "export/message_sink.h"
#include "sequence/animation_sequence.h"

namespace volumix {

// A row as the sequence editor's list shows it: "Trame:  0  PX:160       PY:...".
std::string sequenceListLine(int32_t index, const SequenceFrame& row);

// The texts of the editor's seven boxes, PX ... AZ.
using EditBoxTexts = std::array<std::string, SequenceFrame::FieldCount>;

// A box is read up to this many characters; the rest is ignored.
inline constexpr size_t EditBoxTextMax = 255;

// A box's number, read as atoi reads it (a text without one reads 0).
int32_t readEditBox(std::string_view text);
SequenceFrame readEditBoxes(const EditBoxTexts& texts);
EditBoxTexts editBoxTexts(const SequenceFrame& values);

// Which of the editor's buttons are usable; the others always are.
struct SequenceEditorButtons {
    bool edit = false;       // "Edition"
    bool remove = false;     // "Suppression"
    bool clear = false;      // "Effacer Séquence"
    bool exportCsv = false;  // "Exporter Séquence"
    bool operator==(const SequenceEditorButtons&) const = default;
};
SequenceEditorButtons sequenceEditorButtons(int32_t selectedRow, int32_t rowCount);

// The sequence editor without its window: it edits the store in place (every
// change is kept at once) and tracks the row the buttons act on. Reports go
// to the editor's message list.
class SequenceEditor {
public:
    // `startValues`, `increments` and `frameCount` are the main window's at
    // the moment the editor opens; generation uses them.
    SequenceEditor(AnimationSequence& sequence, const SequenceFrame& startValues, const SequenceFrame& increments,
                   int32_t frameCount);

    const AnimationSequence& sequence() const { return sequence_; }
    // The row "Edition" and "Suppression" act on; -1 for none.
    int32_t selectedRow() const { return selectedRow_; }
    // The line the list highlights once refilled; -1 for none. It is the
    // selected row, except right after "Insertion", which highlights the new
    // line without selecting it.
    int32_t highlightedRow() const { return highlightedRow_; }
    // What the boxes show after a change: the values last read from them (at
    // first the start values), not necessarily the selected row's.
    const SequenceFrame& editValues() const { return editValues_; }
    SequenceEditorButtons buttons() const { return sequenceEditorButtons(selectedRow_, sequence_.rowCount); }
    // Generation and import replace a sequence that is not empty only once
    // the user has confirmed.
    bool replacingNeedsConfirmation() const { return sequence_.rowCount != 0; }

    // The user picked line `row` of the list, or none (-1). Returns the row
    // to show in the boxes, or nullptr when there is none.
    const SequenceFrame* select(int32_t row);
    // "Edition": stores the boxes into the selected row. False, nothing read
    // or changed, without a selection.
    bool edit(const EditBoxTexts& texts);
    // "Insertion": appends the boxes as a new last row, whatever the
    // selection, and leaves no row selected. A full sequence stores nothing
    // and reports "Séquence pleine (360 trames maximum)".
    bool insert(const EditBoxTexts& texts, MessageSink& messages);
    // "Suppression": removes the selected row; the index stays selected, so
    // the row that moves up into its place is selected next.
    bool remove();
    // "Effacer Séquence", once confirmed.
    void clear();
    // "Générér séquence depuis paramètres", once confirmed: start + i x
    // increment for i below the frame count, then "Nombre de trames
    // calculées : %d".
    void generate(MessageSink& messages);
    // "Exporter Séquence" and "Importer Séquence" once a file is chosen. An
    // import keeps the selection when it is still a row.
    bool exportCsv(const std::filesystem::path& path, MessageSink& messages);
    bool importCsv(const std::filesystem::path& path, MessageSink& messages);

private:
    // The selection rule of a list refill: a selection past the rows is none.
    void refresh();

    AnimationSequence& sequence_;
    SequenceFrame startValues_;
    SequenceFrame increments_;
    int32_t frameCount_;
    SequenceFrame editValues_;
    int32_t selectedRow_ = -1;
    int32_t highlightedRow_ = -1;
};

}  // namespace volumix
