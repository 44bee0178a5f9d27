#include "platform/text_lines.h"

namespace volumix {

TextPieceReader::TextPieceReader(std::span<const uint8_t> bytes, size_t pieceLimit)
    : bytes_(bytes), pieceLimit_(pieceLimit == 0 ? 1 : pieceLimit), buffer_(pieceLimit_) {}

bool TextPieceReader::next(std::string_view& piece) {
    if (position_ >= bytes_.size()) return false;
    size_t length = 0;
    while (length < pieceLimit_ && position_ < bytes_.size()) {
        char c = static_cast<char>(bytes_[position_++]);
        if (c == '\r' && position_ < bytes_.size() && bytes_[position_] == '\n') {
            c = '\n';
            ++position_;
        }
        buffer_[length++] = c;
        if (c == '\n') break;
    }
    piece = std::string_view(buffer_.data(), length);
    piece = piece.substr(0, piece.find('\0'));
    return true;
}

}  // namespace volumix
