#include "sequence/animation_sequence.h"

#include <algorithm>

namespace volumix {

namespace {
constexpr int32_t SequenceFrame::*FieldMembers[SequenceFrame::FieldCount] = {
    &SequenceFrame::px, &SequenceFrame::py, &SequenceFrame::zx, &SequenceFrame::zy,
    &SequenceFrame::ax, &SequenceFrame::ay, &SequenceFrame::az};

int32_t wrappingAdd(int32_t a, uint32_t b) { return static_cast<int32_t>(static_cast<uint32_t>(a) + b); }
}  // namespace

int32_t& SequenceFrame::field(int k) { return this->*FieldMembers[k]; }
int32_t SequenceFrame::field(int k) const { return this->*FieldMembers[k]; }

SequenceFrame advanceFrame(const SequenceFrame& start, const SequenceFrame& increment, int32_t times) {
    SequenceFrame result;
    for (int k = 0; k < SequenceFrame::FieldCount; ++k)
        result.field(k) = wrappingAdd(start.field(k), static_cast<uint32_t>(increment.field(k)) * static_cast<uint32_t>(times));
    return result;
}

bool AnimationSequence::append(const SequenceFrame& row) {
    if (rowCount < 0 || rowCount >= SequenceCapacity) return false;
    rows[static_cast<size_t>(rowCount++)] = row;
    unsaved = true;
    return true;
}

void AnimationSequence::setRow(int32_t index, const SequenceFrame& row) {
    if (index < 0 || index >= rowCount) return;
    rows[static_cast<size_t>(index)] = row;
    unsaved = true;
}

void AnimationSequence::removeRow(int32_t index) {
    if (index < 0 || index >= rowCount) return;
    std::copy(rows.begin() + index + 1, rows.begin() + rowCount, rows.begin() + index);
    --rowCount;
    unsaved = true;
}

void AnimationSequence::generate(const SequenceFrame& start, const SequenceFrame& increment, int32_t n) {
    rowCount = std::clamp(n, 0, SequenceCapacity);
    unsaved = true;
    SequenceFrame value = start;
    for (int32_t i = 0; i < rowCount; ++i) {
        rows[static_cast<size_t>(i)] = value;
        value = advanceFrame(value, increment, 1);
    }
}

}  // namespace volumix
