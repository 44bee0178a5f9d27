#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cpc/palette.h"
#include "cpc/screen_format.h"
#include "export/export_format.h"
#include "export/player_binary.h"
#include "export/run_layout.h"
#include "platform/failure.h"

namespace volumix {

// A run's data and index files as read back: main memory (bank 0, or the
// last part, bank 8, loaded at 0x4000), the 16 KB banks 4..7, and the index
// entries of every file in storing order (address, bank).
struct RunData {
    bool banks = false;
    std::vector<uint8_t> mainData;
    std::array<std::vector<uint8_t>, 4> bankData;  // banks 4..7
    std::vector<uint8_t> index;
};

// Reads PREFIX (or PREFIX.C4 .. PREFIX.C8) and their .idx files. Fails when
// a file is missing, short, larger than the memory it is loaded into, or an
// entry points outside its data.
Failure readRunData(const std::string& prefix, RunData& data);

// What the player needs of a run beyond its files.
struct PlaybackSettings {
    ExportFormat format;
    int32_t screenMode = 1;
    InkArray inks = DefaultInks;
    ScreenImage startScreen{};  // the background, or an empty screen
};

// The playback of a run of this format. The player starts from the screen
// its first frame was taken against: a delta run's background (the
// pre-roll's reference). Sprite blocks carry the background inside their
// box and start from an empty screen.
PlaybackSettings playbackOf(const ExportFormat& format, int32_t screenMode, const InkArray& inks,
                            const ScreenImage* background);

// The CPC's memory and registers ready to play: 128 KB (pages 0..7; a 64K
// machine uses 0..3), the player placed and given its parameters.
struct CpcMachine {
    std::vector<uint8_t> ram = std::vector<uint8_t>(8 * 0x4000);
    bool uses128K = false;
    uint16_t playerAddress = 0;
    uint16_t stackTop = 0;
    uint16_t indexAddress = 0;
    uint16_t frameCount = 0;
    PlayerKind kind = PlayerDelta;
    uint16_t baseAddress = DefaultScreenBase;
    int32_t crtcR1 = DefaultCrtcR1;
    bool linear = false;
    int32_t screenMode = 1;
    InkArray inks = DefaultInks;
    int32_t rate = 1;  // vertical syncs per frame
    // Frame k is drawn on the base screen when k is even, on the second one
    // when odd, and shown from the next vertical sync. The player starts by
    // copying the start screen to the second one, which the CRTC shows from
    // the sync that starts frame 0: frame 0 is drawn out of sight.
    bool doubleBuffer = false;
    uint16_t secondScreen = DefaultScreenBase;
};

// Why the player cannot play these settings (points, "Taille simple", a
// sprite wider than 80 bytes, an R1 no CRTC shows, a rate outside
// 1..PlayerRateMax); nothing when it can.
Failure playbackRefusal(const PlaybackSettings& settings);

// Lays the run out as in the CPC: data, index, start screen, player. On
// failure, the conflict and what to change. A linear screen is refused for
// a snapshot only (its memory can still be checked).
Failure buildCpcMachine(const PlaybackSettings& settings, const RunData& data, bool forSnapshot,
                        CpcMachine& machine);

// Character rows a 16 KB screen shows without its 2,048-byte blocks
// wrapping: 25, fewer when R1 is above 40 (1,024 words per block).
int32_t displayedRows(int32_t crtcR1);

// Screen offsets the CRTC shows for this width, ascending.
std::vector<uint16_t> displayedOffsets(int32_t crtcR1, bool linear);

// Firmware colour 0..26 to the gate array's hardware code (0x40..0x5F).
uint8_t gateArrayColour(int32_t firmwareColour);

// The CRTC's R0..R17 for the run: what the snapshot holds and the disk
// loader sets.
std::array<uint8_t, 18> crtcRegisters(const CpcMachine& machine);

// A version 3 snapshot (256-byte header, then 64 or 128 KB).
std::vector<uint8_t> buildSnapshot(const CpcMachine& machine);

// The header fields a reader needs, and the memory.
struct SnapshotInfo {
    int32_t version = 0;
    uint16_t pc = 0, sp = 0;
    uint8_t iff0 = 0, iff1 = 0, interruptMode = 0;
    std::array<uint8_t, 17> pens{};
    uint8_t modeAndRom = 0, ramConfig = 0;
    std::array<uint8_t, 18> crtc{};
    int32_t dumpKb = 0;
    uint8_t machineType = 0;
    std::vector<uint8_t> ram = std::vector<uint8_t>(8 * 0x4000);
};

Failure readSnapshot(const std::vector<uint8_t>& bytes, SnapshotInfo& info);

// The machine a snapshot of ours starts from (player parameters at its PC;
// the mode and inks from the header). A player that lists more frames than a
// run stores is refused.
Failure machineFromSnapshot(const SnapshotInfo& info, CpcMachine& machine);

// Puts the run's data and index where the CPC holds them (over a snapshot's,
// so that the files themselves are what gets played), and tells the player
// where each bank's data ends.
void overlayRunData(const RunData& data, CpcMachine& machine);

}  // namespace volumix
