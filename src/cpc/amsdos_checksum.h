#pragma once

#include <array>
#include <cstdint>

namespace volumix {

// The 128-byte header AMSDOS puts before a file's data. Reading a screen
// checks it; the export writes it (export/amsdos.h).
inline constexpr int32_t AmsdosHeaderBytes = 128;
// The checksum covers bytes 0..66 and is stored at 67..68.
inline constexpr int32_t AmsdosChecksummedBytes = 67;
using AmsdosHeader = std::array<uint8_t, AmsdosHeaderBytes>;

// Low 16 bits of the sum of bytes 0..66, as stored at 67..68.
uint16_t amsdosChecksum(const uint8_t* header);

// True when the 16-bit value at 67..68 matches the checksum.
bool amsdosChecksumValid(const uint8_t* header);

}  // namespace volumix
