#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace volumix {

// Cuts text into the pieces that C's fgets into a buffer of `pieceLimit` + 1
// bytes would return in Windows text mode: at most `pieceLimit` characters,
// ending after a line end, a CR LF pair read as one LF. A longer line comes
// out as several pieces, each handled as a line of its own by our readers,
// so line ends of either kind split at the same places on every platform.
class TextPieceReader {
public:
    TextPieceReader(std::span<const uint8_t> bytes, size_t pieceLimit);

    // The next piece as a C string would see it (cut at a NUL); false at the
    // end of the data.
    bool next(std::string_view& piece);

private:
    std::span<const uint8_t> bytes_;
    size_t pieceLimit_;
    size_t position_ = 0;
    std::vector<char> buffer_;
};

}  // namespace volumix
