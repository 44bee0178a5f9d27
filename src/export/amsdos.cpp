#include "export/amsdos.h"

#include <algorithm>

namespace volumix {

namespace {

constexpr int32_t NameOffset = 1;
constexpr int32_t NameLength = 8;
constexpr int32_t ExtensionOffset = 9;
constexpr int32_t ExtensionLength = 3;
constexpr int32_t TypeOffset = 18;
constexpr int32_t LengthOffset = 19;
constexpr int32_t LoadOffset = 21;
constexpr int32_t LogicalLengthOffset = 24;
constexpr int32_t EntryOffset = 26;
constexpr int32_t FileLengthOffset = 64;
constexpr int32_t ChecksumOffset = AmsdosChecksummedBytes;
constexpr uint8_t BinaryFileType = 2;

void putWord(AmsdosHeader& header, int32_t offset, uint16_t value) {
    header[offset] = static_cast<uint8_t>(value);
    header[offset + 1] = static_cast<uint8_t>(value >> 8);
}

// Only a..z change: the CPC's catalogue is upper case, and any other byte
// (digits, punctuation, accented letters) is kept as it was given.
uint8_t upper(char c) {
    const auto byte = static_cast<uint8_t>(c);
    return (byte >= 'a' && byte <= 'z') ? static_cast<uint8_t>(byte - 'a' + 'A') : byte;
}

void putPadded(AmsdosHeader& header, int32_t offset, int32_t width, std::string_view text) {
    const auto used = static_cast<int32_t>(std::min<size_t>(text.size(), static_cast<size_t>(width)));
    for (int32_t k = 0; k < width; ++k) header[offset + k] = k < used ? upper(text[k]) : ' ';
}

}  // namespace

AmsdosHeader buildAmsdosHeader(std::string_view fileName, uint16_t loadAddress, uint16_t length,
                               uint16_t entryAddress) {
    AmsdosHeader header{};
    // Folders are left out whichever separator names them: only the base name
    // can go into the CPC's 8 + 3 catalogue entry.
    const size_t separator = fileName.find_last_of("/\\");
    if (separator != std::string_view::npos) fileName.remove_prefix(separator + 1);
    const size_t dot = fileName.find('.');
    putPadded(header, NameOffset, NameLength, fileName.substr(0, dot));
    putPadded(header, ExtensionOffset, ExtensionLength,
              dot == std::string_view::npos ? std::string_view{} : fileName.substr(dot + 1));
    header[TypeOffset] = BinaryFileType;
    putWord(header, LengthOffset, length);
    putWord(header, LoadOffset, loadAddress);
    putWord(header, LogicalLengthOffset, length);
    putWord(header, EntryOffset, entryAddress);
    putWord(header, FileLengthOffset, length);
    putWord(header, ChecksumOffset, amsdosChecksum(header.data()));
    return header;
}

bool writeAmsdosHeader(std::FILE* file, std::string_view fileName, uint16_t loadAddress, uint16_t length,
                       uint16_t entryAddress, bool rewind) {
    if (file == nullptr) return false;
    const AmsdosHeader header = buildAmsdosHeader(fileName, loadAddress, length, entryAddress);
    if (rewind && std::fseek(file, 0, SEEK_SET) != 0) return false;
    bool written = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    // Later writes append after the data already there.
    if (rewind) written = (std::fseek(file, 0, SEEK_END) == 0) && written;
    return written;
}

}  // namespace volumix
