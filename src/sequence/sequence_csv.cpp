#include "sequence/sequence_csv.h"

#include <charconv>
#include <string>
#include <string_view>

#include "platform/crt_numbers.h"
#include "platform/file_io.h"
#include "platform/french_texts.h"
#include "platform/text_lines.h"

namespace volumix {

// The full-sequence line names the sequence's capacity.
static_assert(french::numberAfter(french::SequenceFullLine, "(") == SequenceCapacity);

namespace {

// Each read of a sequence file takes at most this many characters.
constexpr size_t CsvPieceLimit = 1023;

void appendField(std::string& out, int32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, result.ptr);
    out += ';';
}

// Field k of a line: the text between the k-th and the (k + 1)-th ';'.
std::string_view fieldOf(std::string_view line, int k, bool& present) {
    size_t begin = 0;
    for (int i = 0; i < k; ++i) {
        const size_t separator = line.find(';', begin);
        if (separator == std::string_view::npos) {
            present = false;
            return {};
        }
        begin = separator + 1;
    }
    present = true;
    return line.substr(begin, line.find(';', begin) - begin);
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool exportSequenceCsv(AnimationSequence& sequence, const std::filesystem::path& path, MessageSink& messages) {
    std::string out = "Num\xE9ro Frame;Position X;Position Y;Zoom X;Zoom Y;Angle X;Angle Y;Angle Z;\r\n";
    for (int32_t i = 0; i < sequence.rowCount; ++i) {
        appendField(out, i);
        for (int k = 0; k < SequenceFrame::FieldCount; ++k) appendField(out, sequence.row(i).field(k));
        out += "\r\n";
    }
    if (!writeFileReplacing(path, std::span(reinterpret_cast<const uint8_t*>(out.data()), out.size()))) {
        messages.addLine(formatLine(french::CannotCreateFileLine, path.string().c_str()));
        return false;
    }
    sequence.unsaved = false;
    messages.addLine(formatLine(french::FramesExportedLine, sequence.rowCount));
    return true;
}

bool importSequenceCsv(AnimationSequence& sequence, const std::filesystem::path& path, MessageSink& messages,
                       Failure* failure) {
    const auto bytes = readWholeFile(path, CsvFileBytesMax, failure);
    if (!bytes) {
        messages.addLine(formatLine(french::CannotOpenFileLine, path.string().c_str()));
        return false;
    }
    sequence.clear();
    bool full = false;
    TextPieceReader reader(*bytes, CsvPieceLimit);
    std::string_view line;
    while (reader.next(line)) {
        bool present = false;
        const std::string_view frameField = fieldOf(line, 0, present);
        if (frameField.empty() || !isDigit(frameField.front())) continue;
        if (parseAtoi(frameField) != sequence.rowCount) continue;
        SequenceFrame row;
        for (int k = 0; k < SequenceFrame::FieldCount; ++k) {
            const std::string_view text = fieldOf(line, k + 1, present);
            row.field(k) = present ? parseAtoi(text) : 0;
        }
        if (!sequence.append(row) && !full) {
            full = true;
            messages.addLine(std::string(french::SequenceFullLine));
        }
    }
    sequence.unsaved = false;
    messages.addLine(formatLine(french::FramesImportedLine, sequence.rowCount));
    return true;
}

}  // namespace volumix
