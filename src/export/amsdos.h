#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "cpc/amsdos_checksum.h"

namespace volumix {

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
