#pragma once

#include <cstdint>

namespace volumix {

// Where a run lies in the CPC's memory. The data files are written for
// these load addresses and the snapshot, the replay check and the disk
// loader place them there again, so every one of them reads this header.

// One 16 KB page; the gate array maps four of them into the address space.
inline constexpr uint32_t CpcPageBytes = 0x4000;

// Main memory (bank 0) or the 16 KB banks 4..7 of a 128K machine, seen one at
// a time at &4000 (configurations &C4..&C7), then the last part (bank 8) in
// main memory from &4000.
inline constexpr uint8_t MainMemoryBank = 0;
inline constexpr uint8_t FirstExtraBank = 4;
inline constexpr uint8_t LastBank = 8;

inline constexpr uint16_t MainDataAddress = 0x0200;
inline constexpr uint16_t BankWindowAddress = 0x4000;
inline constexpr int32_t LargeDataCapacity = 0xA400;  // main memory, and the last part (bank 8)
inline constexpr int32_t BankDataCapacity = 0x4000;

// The index table lies 0x5C00 below the data (in 16-bit arithmetic): 0xA600
// for main memory, 0xE400 with banks, right where the large data ends.
inline constexpr uint16_t IndexBelowData = 0x5C00;
inline constexpr uint16_t MainIndexAddress = static_cast<uint16_t>(MainDataAddress - IndexBelowData);
inline constexpr uint16_t BankIndexAddress = static_cast<uint16_t>(BankWindowAddress - IndexBelowData);
inline constexpr uint16_t IndexFileLength = 768;  // 256 entries of 3 bytes
inline constexpr int32_t IndexEntryBytes = 3;     // address, then bank

static_assert(MainIndexAddress == 0xA600 && BankIndexAddress == 0xE400);
static_assert(MainDataAddress + LargeDataCapacity == MainIndexAddress, "main data ends where its index starts");
static_assert(BankWindowAddress + LargeDataCapacity == BankIndexAddress, "bank 8's part ends where the index starts");
static_assert(BankDataCapacity == CpcPageBytes, "a bank is one page");

inline constexpr bool isExtraBank(uint8_t bank) { return bank >= FirstExtraBank && bank < LastBank; }
inline constexpr uint16_t loadAddressOfBank(uint8_t bank) {
    return bank == MainMemoryBank ? MainDataAddress : BankWindowAddress;
}
inline constexpr int32_t capacityOfBank(uint8_t bank) { return isExtraBank(bank) ? BankDataCapacity : LargeDataCapacity; }
inline constexpr uint16_t indexAddress(bool banks) { return banks ? BankIndexAddress : MainIndexAddress; }

}  // namespace volumix
