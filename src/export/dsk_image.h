#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/failure.h"

namespace volumix {

// The CPC's DATA format, what a 6128 formats by default: one side, 40 tracks
// of 9 sectors of 512 bytes (ids &C1..&C9), no reserved track, 1 KB blocks,
// the first two holding 64 directory entries.
inline constexpr int32_t DataDiskTracks = 40;
inline constexpr int32_t DataDiskSectorsPerTrack = 9;
inline constexpr int32_t DataDiskSectorBytes = 512;
inline constexpr uint8_t DataDiskFirstSectorId = 0xC1;
inline constexpr int32_t DataDiskBlockBytes = 1024;
inline constexpr int32_t DataDiskBlocks = 180;
inline constexpr int32_t DataDiskDirectoryBlocks = 2;
inline constexpr int32_t DataDiskDirectoryEntries = 64;
// What files may take: 178 KB.
inline constexpr int32_t DataDiskFreeBlocks = DataDiskBlocks - DataDiskDirectoryBlocks;
// An image of it: the 256-byte disk information block, then 40 tracks of a
// 256-byte track information block and 9 sectors.
inline constexpr int32_t DataDiskTrackBytes = 256 + DataDiskSectorsPerTrack * DataDiskSectorBytes;
inline constexpr int32_t DataDiskImageBytes = 256 + DataDiskTracks * DataDiskTrackBytes;

// A file as it goes on the disk: its AMSDOS name ("NAME.EXT") and its bytes,
// the 128-byte AMSDOS header first.
struct DiskFile {
    std::string name;
    std::vector<uint8_t> bytes;
};

// True for a name the CPC's catalogue holds and RUN" can type: 1 to 8
// characters, a dot and up to 3 more, each an upper-case letter, a digit or _.
bool validDiskFileName(std::string_view name);

// Whole 1 KB blocks a file of `bytes` takes on the disk.
int32_t diskBlocks(size_t bytes);

// An extended DSK image of a DATA-format disk holding the files, in order,
// each in consecutive blocks and directory entries (16 KB per entry). On
// failure nothing is made: a bad or repeated name, or files that need more
// than the disk's 178 KB or 64 entries (with their sizes).
Failure buildDataDiskImage(const std::vector<DiskFile>& files, std::vector<uint8_t>& image);

}  // namespace volumix
