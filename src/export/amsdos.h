#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

namespace volumix {

inline constexpr int32_t AmsdosHeaderBytes = 128;
// The checksum covers bytes 0..66 and is stored at 67..68.
inline constexpr int32_t AmsdosChecksummedBytes = 67;
using AmsdosHeader = std::array<uint8_t, AmsdosHeaderBytes>;

// Low 16 bits of the sum of bytes 0..66, as stored at 67..68.
uint16_t amsdosChecksum(const uint8_t* header);

// True when the 16-bit value at 67..68 matches the checksum.
bool amsdosChecksumValid(const uint8_t* header);

// The 128-byte header of a binary file (type 2): name and extension taken
// from the part of `fileName` after its last '/' or '\', upper-cased and
// space-padded (8 + 3); length, load and entry addresses little-endian.
AmsdosHeader buildAmsdosHeader(std::string_view fileName, uint16_t loadAddress, uint16_t length,
                               uint16_t entryAddress);

// Writes the header at the file's position, or with `rewind` over the first
// 128 bytes (the rest of the file is unchanged; the position returns to the
// end afterwards). False on a write error.
bool writeAmsdosHeader(std::FILE* file, std::string_view fileName, uint16_t loadAddress, uint16_t length,
                       uint16_t entryAddress, bool rewind);

}  // namespace volumix
