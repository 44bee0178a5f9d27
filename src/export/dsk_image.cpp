#include "export/dsk_image.h"

#include <algorithm>
#include <set>

namespace volumix {

namespace {

constexpr int32_t RecordBytes = 128;
constexpr int32_t EntryBytes = 32;
constexpr int32_t BlocksPerEntry = 16;
constexpr int32_t RecordsPerEntry = BlocksPerEntry * DataDiskBlockBytes / RecordBytes;
constexpr uint8_t Unused = 0xE5;
// Physical order of the sector ids on a track, as the CPC formats it.
constexpr uint8_t Interleave[DataDiskSectorsPerTrack] = {0, 5, 1, 6, 2, 7, 3, 8, 4};

bool nameCharacter(char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_'; }

// Where a 512-byte sector of the DATA format lies in the image: logical
// sector s is track s / 9, id &C1 + s % 9.
size_t sectorOffset(int32_t logical) {
    const int32_t track = logical / DataDiskSectorsPerTrack;
    const int32_t id = logical % DataDiskSectorsPerTrack;
    const auto slot = static_cast<int32_t>(std::find(Interleave, Interleave + DataDiskSectorsPerTrack, id) - Interleave);
    return 256 + static_cast<size_t>(track) * DataDiskTrackBytes + 256 + static_cast<size_t>(slot) * DataDiskSectorBytes;
}

void writeText(std::vector<uint8_t>& image, size_t at, std::string_view text) {
    std::copy(text.begin(), text.end(), image.begin() + static_cast<std::ptrdiff_t>(at));
}

}  // namespace

bool validDiskFileName(std::string_view name) {
    const size_t dot = name.find('.');
    if (dot == std::string_view::npos || dot == 0 || dot > 8 || name.size() - dot - 1 > 3) return false;
    const std::string_view base = name.substr(0, dot), extension = name.substr(dot + 1);
    return std::all_of(base.begin(), base.end(), nameCharacter) &&
           std::all_of(extension.begin(), extension.end(), nameCharacter);
}

int32_t diskBlocks(size_t bytes) {
    return static_cast<int32_t>((bytes + DataDiskBlockBytes - 1) / DataDiskBlockBytes);
}

namespace {

// The disk's refusal of these files, if any: a bad or repeated name, or more
// blocks or directory entries than it has (with every file's size).
Failure diskRefusal(const std::vector<DiskFile>& files) {
    std::set<std::string> names;
    int32_t blocks = 0, entries = 0;
    Failure failure;
    for (const DiskFile& file : files) {
        failure.detail = file.name;
        if (!validDiskFileName(file.name)) failure.code = FailureDiskFileName;
        if (!names.insert(file.name).second) failure.code = FailureDiskNameRepeated;
        if (failure.failed()) return failure;
        const int32_t records = static_cast<int32_t>((file.bytes.size() + RecordBytes - 1) / RecordBytes);
        blocks += diskBlocks(file.bytes.size());
        entries += std::max(1, (records + RecordsPerEntry - 1) / RecordsPerEntry);
        failure.sizes.emplace_back(file.name, diskBlocks(file.bytes.size()));
    }
    failure.detail.clear();
    if (blocks > DataDiskFreeBlocks) {
        failure.code = FailureDiskFull;
        failure.count = blocks;
        failure.other = DataDiskFreeBlocks;
    } else if (entries > DataDiskDirectoryEntries) {
        failure.code = FailureDiskDirectoryFull;
        failure.count = entries;
        failure.other = DataDiskDirectoryEntries;
    }
    return failure;
}

// A formatted, empty DATA disk: the disk and track information blocks, every
// sector filled with &E5.
std::vector<uint8_t> emptyDataDisk() {
    std::vector<uint8_t> image(DataDiskImageBytes, 0);
    writeText(image, 0, "EXTENDED CPC DSK File\r\nDisk-Info\r\n");
    writeText(image, 0x22, "Volumix");
    image[0x30] = DataDiskTracks;
    image[0x31] = 1;
    for (int32_t track = 0; track < DataDiskTracks; ++track) {
        image[0x34 + track] = static_cast<uint8_t>(DataDiskTrackBytes / 256);
        const size_t at = 256 + static_cast<size_t>(track) * DataDiskTrackBytes;
        writeText(image, at, "Track-Info\r\n");
        image[at + 0x10] = static_cast<uint8_t>(track);
        image[at + 0x11] = 0;
        image[at + 0x14] = 2;  // 512 bytes
        image[at + 0x15] = DataDiskSectorsPerTrack;
        image[at + 0x16] = 0x4E;
        image[at + 0x17] = Unused;
        for (int32_t slot = 0; slot < DataDiskSectorsPerTrack; ++slot) {
            uint8_t* info = &image[at + 0x18 + 8 * static_cast<size_t>(slot)];
            info[0] = static_cast<uint8_t>(track);
            info[1] = 0;
            info[2] = static_cast<uint8_t>(DataDiskFirstSectorId + Interleave[slot]);
            info[3] = 2;
            info[6] = static_cast<uint8_t>(DataDiskSectorBytes & 0xFF);
            info[7] = static_cast<uint8_t>(DataDiskSectorBytes >> 8);
        }
        std::fill(image.begin() + static_cast<std::ptrdiff_t>(at + 256),
                  image.begin() + static_cast<std::ptrdiff_t>(at + DataDiskTrackBytes), Unused);
    }
    return image;
}

}  // namespace

Failure buildDataDiskImage(const std::vector<DiskFile>& files, std::vector<uint8_t>& image) {
    image.clear();
    if (Failure refusal = diskRefusal(files); refusal.failed()) return refusal;
    image = emptyDataDisk();

    // Block b is logical sectors 2b and 2b + 1; blocks 0 and 1 are the
    // directory, whose free entries stay &E5.
    const auto blockAt = [&](int32_t block, int32_t offset) {
        const int32_t sector = block * 2 + offset / DataDiskSectorBytes;
        return sectorOffset(sector) + static_cast<size_t>(offset % DataDiskSectorBytes);
    };
    int32_t nextBlock = DataDiskDirectoryBlocks, entry = 0;
    for (const DiskFile& file : files) {
        const size_t dot = file.name.find('.');
        const std::string base = file.name.substr(0, dot), extension = file.name.substr(dot + 1);
        const int32_t records = static_cast<int32_t>((file.bytes.size() + RecordBytes - 1) / RecordBytes);
        const int32_t fileBlocks = diskBlocks(file.bytes.size());
        for (int32_t extent = 0; extent == 0 || extent * RecordsPerEntry < records; ++extent, ++entry) {
            uint8_t dir[EntryBytes] = {};
            dir[0] = 0;  // user 0
            for (int32_t k = 0; k < 8; ++k) dir[1 + k] = k < static_cast<int32_t>(base.size()) ? base[k] : ' ';
            for (int32_t k = 0; k < 3; ++k) dir[9 + k] = k < static_cast<int32_t>(extension.size()) ? extension[k] : ' ';
            dir[12] = static_cast<uint8_t>(extent);
            dir[15] = static_cast<uint8_t>(std::min(RecordsPerEntry, records - extent * RecordsPerEntry));
            for (int32_t k = 0; k < BlocksPerEntry; ++k) {
                const int32_t block = extent * BlocksPerEntry + k;
                if (block < fileBlocks) dir[16 + k] = static_cast<uint8_t>(nextBlock + block);
            }
            for (int32_t k = 0; k < EntryBytes; ++k) image[blockAt(entry * EntryBytes / DataDiskBlockBytes,
                                                                   entry * EntryBytes % DataDiskBlockBytes + k)] = dir[k];
        }
        // The last record is filled up with zeros; a block's unused records keep &E5.
        const size_t padded = static_cast<size_t>(records) * RecordBytes;
        for (size_t k = 0; k < padded; ++k)
            image[blockAt(nextBlock + static_cast<int32_t>(k / DataDiskBlockBytes), static_cast<int32_t>(k % DataDiskBlockBytes))] =
                k < file.bytes.size() ? file.bytes[k] : 0;
        nextBlock += fileBlocks;
    }
    return {};
}

}  // namespace volumix
