#include "sequence/sequence_editor.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "testing/test_support.h"

namespace volumix {
namespace {

using test::CollectedLines;

const SequenceFrame Start{160, 100, 1000, 1000, 90, 0, 0};
const SequenceFrame Increments{0, 0, 0, 0, 0, 6, 0};

SequenceFrame rowOf(int32_t n) { return {n, n + 1, n + 2, n + 3, n + 4, n + 5, n + 6}; }

EditBoxTexts typed(const SequenceFrame& values) { return editBoxTexts(values); }

// A store holding rows rowOf(0) ... rowOf(count - 1), with nothing unsaved.
AnimationSequence sequenceOf(int32_t count) {
    AnimationSequence sequence;
    for (int32_t i = 0; i < count; ++i) sequence.append(rowOf(i * 10));
    sequence.unsaved = false;
    return sequence;
}

TEST(SequenceEditorText, ListLineLayout) {
    const struct {
        int32_t index;
        SequenceFrame row;
        const char* line;
    } cases[] = {
        {0, {160, 100, 1000, 1000, 90, 0, 0},
         "Trame:  0  PX:160       PY:100       ZX:1000      ZY:1000      AX:90        AY:0         AZ:0       "},
        {42, {-5, -12345678, 7, 0, 400, -1, 12345678},
         "Trame: 42  PX:-5        PY:-12345678  ZX:7         ZY:0         AX:400       AY:-1        AZ:12345678"},
        // Wider values push the rest along rather than being cut.
        {359, {INT32_MIN, INT32_MAX, 0, 0, 0, 0, 0},
         "Trame:359  PX:-2147483648  PY:2147483647  ZX:0         ZY:0         AX:0         AY:0         AZ:0       "},
    };
    for (const auto& c : cases) EXPECT_EQ(sequenceListLine(c.index, c.row), c.line) << c.index;
}

TEST(SequenceEditorText, EditBoxesReadAsAtoi) {
    const struct {
        std::string text;
        int32_t value;
    } cases[] = {
        {"12", 12},
        {"12abc", 12},
        {"  \t-7", -7},
        {"+8", 8},
        {"", 0},
        {"abc", 0},
        {"- 5", 0},
        {"3.9", 3},
        {"99999999999", INT32_MAX},
        {std::string(254, ' ') + "9", 9},
        // Only the first 255 characters of a box are read.
        {std::string(255, ' ') + "9", 0},
        {std::string(253, ' ') + "987", 98},
    };
    for (const auto& c : cases) EXPECT_EQ(readEditBox(c.text), c.value) << '"' << c.text << '"';

    const EditBoxTexts texts{"1", "-2", "x", " 4", "5y", "", "+7"};
    EXPECT_EQ(readEditBoxes(texts), (SequenceFrame{1, -2, 0, 4, 5, 0, 7}));
    EXPECT_EQ(editBoxTexts({1, -2, 0, 4, 5, INT32_MIN, 7}),
              (EditBoxTexts{"1", "-2", "0", "4", "5", "-2147483648", "7"}));
}

TEST(SequenceEditorText, ButtonRule) {
    const struct {
        int32_t selectedRow, rowCount;
        SequenceEditorButtons buttons;
    } cases[] = {
        {-1, 0, {false, false, false, false}},
        {-1, 3, {false, false, true, true}},
        {0, 3, {true, true, true, true}},
        {2, 3, {true, true, true, true}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sequenceEditorButtons(c.selectedRow, c.rowCount), c.buttons) << c.selectedRow << " " << c.rowCount;
}

TEST(SequenceEditor, SelectingShowsTheRowAndNeverReadsOutsideIt) {
    AnimationSequence sequence = sequenceOf(3);
    SequenceEditor editor(sequence, Start, Increments, 60);
    EXPECT_EQ(editor.editValues(), Start);
    EXPECT_EQ(editor.selectedRow(), -1);
    const SequenceFrame* shown = editor.select(2);
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(*shown, rowOf(20));
    EXPECT_EQ(editor.selectedRow(), 2);
    EXPECT_EQ(editor.editValues(), Start);  // picking a row does not change what was typed
    EXPECT_TRUE(editor.buttons().edit);

    // An emptied list reports -1; a stale row number is no row either.
    for (int32_t row : {-1, 3, 360, INT32_MIN}) {
        editor.select(1);
        EXPECT_EQ(editor.select(row), nullptr) << row;
        EXPECT_EQ(editor.selectedRow(), -1) << row;
        EXPECT_FALSE(editor.buttons().edit) << row;
    }
}

TEST(SequenceEditor, EditionStoresTheBoxesIntoTheSelectedRow) {
    AnimationSequence sequence = sequenceOf(3);
    SequenceEditor editor(sequence, Start, Increments, 60);
    EXPECT_FALSE(editor.edit(typed(rowOf(99))));  // no selection: nothing happens
    EXPECT_FALSE(sequence.unsaved);
    EXPECT_EQ(editor.editValues(), Start);

    editor.select(1);
    EXPECT_TRUE(editor.edit({"5", "6abc", "", "-1", "400", "0", "7"}));
    EXPECT_EQ(sequence.row(1), (SequenceFrame{5, 6, 0, -1, 400, 0, 7}));
    EXPECT_EQ(editor.editValues(), sequence.row(1));
    EXPECT_EQ(sequence.row(0), rowOf(0));
    EXPECT_EQ(sequence.row(2), rowOf(20));
    EXPECT_EQ(editor.selectedRow(), 1);
    EXPECT_EQ(editor.highlightedRow(), 1);
    EXPECT_TRUE(sequence.unsaved);
}

TEST(SequenceEditor, InsertionAlwaysAppendsAndLeavesNoSelection) {
    AnimationSequence sequence = sequenceOf(5);
    SequenceEditor editor(sequence, Start, Increments, 60);
    CollectedLines messages;
    editor.select(2);
    ASSERT_TRUE(editor.insert(typed(rowOf(99)), messages));
    ASSERT_EQ(sequence.rowCount, 6);
    EXPECT_EQ(sequence.row(5), rowOf(99));
    EXPECT_EQ(sequence.row(2), rowOf(20));
    EXPECT_EQ(editor.highlightedRow(), 5);
    EXPECT_EQ(editor.selectedRow(), -1);
    EXPECT_EQ(editor.buttons(), (SequenceEditorButtons{false, false, true, true}));
    EXPECT_EQ(editor.editValues(), rowOf(99));
    EXPECT_TRUE(messages.lines.empty());
    EXPECT_TRUE(sequence.unsaved);

}

TEST(SequenceEditor, InsertionIntoAFullSequenceStoresNothing) {
    AnimationSequence sequence = sequenceOf(SequenceCapacity);
    SequenceEditor editor(sequence, Start, Increments, 60);
    CollectedLines messages;
    editor.select(7);
    EXPECT_FALSE(editor.insert(typed(rowOf(-1)), messages));
    EXPECT_EQ(sequence.rowCount, SequenceCapacity);
    EXPECT_EQ(sequence.row(SequenceCapacity - 1), rowOf((SequenceCapacity - 1) * 10));
    EXPECT_EQ(messages.lines, std::vector<std::string>{"S\xC3\xA9quence pleine (360 trames maximum)"});
    EXPECT_EQ(editor.selectedRow(), 7);
    EXPECT_EQ(editor.editValues(), Start);
    EXPECT_FALSE(sequence.unsaved);

    // One place left: taken, then refused.
    sequence.removeRow(0);
    EXPECT_TRUE(editor.insert(typed(rowOf(-1)), messages));
    EXPECT_EQ(sequence.row(SequenceCapacity - 1), rowOf(-1));
    EXPECT_FALSE(editor.insert(typed(rowOf(-2)), messages));
    EXPECT_EQ(sequence.row(SequenceCapacity - 1), rowOf(-1));
}

TEST(SequenceEditor, SuppressionKeepsTheIndex) {
    AnimationSequence sequence = sequenceOf(5);
    SequenceEditor editor(sequence, Start, Increments, 60);
    EXPECT_FALSE(editor.remove());
    EXPECT_EQ(sequence.rowCount, 5);

    editor.select(3);
    ASSERT_TRUE(editor.remove());
    ASSERT_EQ(sequence.rowCount, 4);
    EXPECT_EQ(sequence.row(3), rowOf(40));  // the former row 4, now selected in its place
    EXPECT_EQ(editor.selectedRow(), 3);
    EXPECT_EQ(editor.highlightedRow(), 3);
    EXPECT_EQ(editor.editValues(), Start);  // the boxes keep what was typed

    // Deleting the last row leaves nothing selected.
    ASSERT_TRUE(editor.remove());
    EXPECT_EQ(sequence.rowCount, 3);
    EXPECT_EQ(editor.selectedRow(), -1);
    EXPECT_EQ(editor.highlightedRow(), -1);
    EXPECT_FALSE(editor.remove());
    EXPECT_EQ(sequence.rowCount, 3);
}

TEST(SequenceEditor, ClearingAndGeneratingDropTheSelection) {
    AnimationSequence sequence = sequenceOf(3);
    SequenceFrame start = Start, increments = Increments;
    start.px = 10;
    increments.px = -3;
    SequenceEditor editor(sequence, start, increments, 4);
    CollectedLines messages;
    EXPECT_TRUE(editor.replacingNeedsConfirmation());

    editor.select(1);
    editor.generate(messages);
    ASSERT_EQ(sequence.rowCount, 4);
    for (int32_t i = 0; i < 4; ++i) EXPECT_EQ(sequence.row(i).px, 10 - 3 * i);
    EXPECT_EQ(sequence.row(3).ay, 18);
    EXPECT_EQ(editor.selectedRow(), -1);
    EXPECT_EQ(messages.lines.back(), "Nombre de trames calcul\xC3\xA9" "es : 4");

    editor.select(2);
    editor.clear();
    EXPECT_EQ(sequence.rowCount, 0);
    EXPECT_EQ(editor.selectedRow(), -1);
    EXPECT_EQ(editor.buttons(), SequenceEditorButtons{});
    EXPECT_FALSE(editor.replacingNeedsConfirmation());

}

}  // namespace
}  // namespace volumix
