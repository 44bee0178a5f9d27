#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/cpc_snapshot.h"
#include "export/dsk_image.h"

namespace volumix {

// The disk loader (player/loader.asm), assembled by the build at origin 0,
// and the offsets of the high bytes of its own addresses. Its plan is
// appended after the code.
extern const std::vector<uint8_t> LoaderCode;
extern const std::vector<uint16_t> LoaderRelocations;

// Offset of the byte giving the size of the stub the loader copies into the
// player's stack space.
inline constexpr uint16_t LoaderStubSizeParam = 3;

// While the firmware and the disc system are on they use &0000-&003F (the
// restart vectors) and the RAM from HIMEM + 1 up to &BFFF; HIMEM is &A67B on
// a 6128 with its disc ROM.
inline constexpr uint16_t FirmwareLowEnd = 0x0040;
inline constexpr uint16_t DiscHimem = 0xA67B;
inline constexpr uint16_t FirmwareRamEnd = 0xC000;

// The name RUN" takes for a run: the prefix's last path part, a..z made
// upper case, A-Z and 0-9 kept, each run of other characters (spaces, dots,
// accented letters) one _, cut to 8; VOLUMIX when nothing is left.
std::string amsdosBaseName(std::string_view prefix);

// How the loader brings the run in.
struct LoaderSummary {
    uint16_t loaderAddress = 0;
    uint16_t loaderBytes = 0;     // code, plan and stack
    uint16_t bufferAddress = 0;   // the disc system's 2 KB buffer
    int32_t heldBytes = 0;        // read into a free place and moved once the firmware is off
    int32_t byteByByteBytes = 0;  // read with CAS IN CHAR (files that are loaded in several places)
    int32_t stubEntries = 0;      // moves and fills the stub does over the loader
};

// The disk's files for a run laid out in `machine` (as for its snapshot)
// whose data and index files `prefix` names: NAME.BIN (the loader RUN"NAME
// starts), NAME.PLY (the player and anything else of the machine's memory
// that no run file holds), NAME.SCR (the start screen, unless it is empty),
// NAME.DAT and NAME.IDX, or with banks NAME.C4..C8 and NAME.I4..I8. The data
// files go as written; an index file's header gives its true length (the
// export's says 768, and the disc system loads what the header says). Fails
// when a file is missing or does not match the machine, or leaves the
// loader no room for its work while the firmware is on.
Failure runDiskFiles(const CpcMachine& machine, const std::string& prefix, std::vector<DiskFile>& files,
                     LoaderSummary* summary = nullptr);

}  // namespace volumix
