#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace volumix {

// One frame's seven parameters, in this fixed order everywhere (editor,
// CSV columns, the main window's boxes): position, zoom, angles in degrees.
struct SequenceFrame {
    int32_t px = 0;
    int32_t py = 0;
    int32_t zx = 0;
    int32_t zy = 0;
    int32_t ax = 0;
    int32_t ay = 0;
    int32_t az = 0;

    static constexpr int FieldCount = 7;
    int32_t& field(int k);
    int32_t field(int k) const;
    bool operator==(const SequenceFrame&) const = default;
};

// start + times * increment, field by field, wrapping as 32-bit two's
// complement does (the same values repeated addition gives).
SequenceFrame advanceFrame(const SequenceFrame& start, const SequenceFrame& increment, int32_t times);

inline constexpr int32_t SequenceCapacity = 360;

// The explicit per-frame parameter list: row k drives frame k. A fixed table
// of 360 rows; rows from rowCount on are stale and never read.
struct AnimationSequence {
    std::array<SequenceFrame, SequenceCapacity> rows{};
    int32_t rowCount = 0;
    // Changed since the rows were last read from or written to a file: every
    // change below sets it, the CSV import and export clear it.
    bool unsaved = false;

    void clear() {
        rowCount = 0;
        unsaved = true;
    }
    // False, nothing stored, when the table is full.
    bool append(const SequenceFrame& row);
    void setRow(int32_t index, const SequenceFrame& row);
    void removeRow(int32_t index);
    // Rows start, start + increment, ... (n of them, at most 360).
    void generate(const SequenceFrame& start, const SequenceFrame& increment, int32_t n);
    const SequenceFrame& row(int32_t index) const { return rows[static_cast<size_t>(index)]; }
};

}  // namespace volumix
