#include "export/cpc_snapshot.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "cpc/amsdos_checksum.h"
#include "export/cpc_memory_map.h"
#include "platform/file_io.h"

namespace volumix {

namespace {

constexpr uint32_t PageBytes = CpcPageBytes;
constexpr uint16_t BankWindow = BankWindowAddress;
constexpr size_t HeaderBytes = AmsdosHeaderBytes;
constexpr size_t SnapshotHeaderBytes = 256;

struct Area {
    uint32_t begin = 0, end = 0;  // [begin, end)
    MemoryArea what = MemoryAreaNone;
    bool overlaps(const Area& other) const { return begin < other.end && other.begin < end; }
};

Failure layoutFailure(FailureCode code, int64_t count = 0) {
    Failure failure;
    failure.code = code;
    failure.count = count;
    return failure;
}

// A data or index file: the bytes after its header. One holds at most 64 KB
// after the header: anything larger is not ours and is not read.
Failure readCpcFile(const std::string& path, std::vector<uint8_t>& bytes) {
    Failure failure;
    const std::optional<std::vector<uint8_t>> all = readWholeFile(path, HeaderBytes + 0x10000, &failure);
    if (!all) return failure;
    if (all->size() < HeaderBytes) {
        failure = fileFailure(FailureNotDataFile, path);
        failure.count = static_cast<int64_t>(all->size());
        return failure;
    }
    bytes.assign(all->begin() + HeaderBytes, all->end());
    return {};
}

Failure readBank(const std::string& path, uint8_t bank, uint16_t loadAddress, std::vector<uint8_t>& data,
                 std::vector<uint8_t>& index) {
    std::vector<uint8_t> entries;
    if (Failure failure = readCpcFile(path, data); failure.failed()) return failure;
    if (Failure failure = readCpcFile(path + ".idx", entries); failure.failed()) return failure;
    // Banks 4..7 are seen through the 16 KB window at &4000; a frame larger
    // than a bank is stored whole in the next one and cannot be played.
    const uint32_t room = isExtraBank(bank) ? PageBytes : 0x10000 - loadAddress;
    if (data.size() > room) {
        Failure tooLarge = fileFailure(FailureDataTooLarge, path);
        tooLarge.count = static_cast<int64_t>(data.size());
        tooLarge.begin = loadAddress;
        tooLarge.end = loadAddress + room;
        return tooLarge;
    }
    if (entries.size() % IndexEntryBytes != 0) return fileFailure(FailureIndexNotWhole, path + ".idx");
    for (size_t k = 0; k < entries.size(); k += IndexEntryBytes) {
        const uint32_t address = entries[k] | (entries[k + 1] << 8);
        if (entries[k + 2] != bank || address < loadAddress || address >= loadAddress + data.size()) {
            Failure outside = fileFailure(FailureIndexOutside, path + ".idx");
            outside.count = static_cast<int64_t>(k / IndexEntryBytes);
            return outside;
        }
    }
    index.insert(index.end(), entries.begin(), entries.end());
    return {};
}

void writeWord(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

// Where each bank's data ends, as the player's p_ends lists them: banks 4..7,
// then main memory. A frame's length is up to the next entry of its bank, or
// up to this end.
void writeDataEnds(const RunData& data, std::vector<uint8_t>& bytes, size_t at) {
    for (size_t k = 0; k < data.bankData.size(); ++k)
        writeWord(bytes, at + 2 * k, static_cast<uint16_t>(BankWindow + data.bankData[k].size()));
    const uint32_t mainAddress = loadAddressOfBank(data.banks ? LastBank : MainMemoryBank);
    writeWord(bytes, at + 2 * data.bankData.size(), static_cast<uint16_t>(mainAddress + data.mainData.size()));
}

// Copies stay inside the 64 KB (or 16 KB bank) each part is read into: the
// sizes are checked when the files are read, and again here for RunData
// made elsewhere.
void copyInto(const std::vector<uint8_t>& from, std::vector<uint8_t>& ram, size_t at, size_t room) {
    std::copy(from.begin(), from.begin() + static_cast<std::ptrdiff_t>(std::min(from.size(), room)),
              ram.begin() + static_cast<std::ptrdiff_t>(at));
}

// The index goes where the machine says (the layout's, or a snapshot's).
void placeRunData(const RunData& data, CpcMachine& machine) {
    const uint32_t mainAddress = loadAddressOfBank(data.banks ? LastBank : MainMemoryBank);
    copyInto(data.mainData, machine.ram, mainAddress, 0x10000 - mainAddress);
    for (size_t k = 0; k < data.bankData.size(); ++k)
        copyInto(data.bankData[k], machine.ram, (FirstExtraBank + k) * PageBytes, PageBytes);
    copyInto(data.index, machine.ram, machine.indexAddress, 0x10000 - machine.indexAddress);
    machine.frameCount =
        static_cast<uint16_t>(std::min<size_t>(data.index.size(), 0x10000 - machine.indexAddress) / IndexEntryBytes);
    machine.uses128K = data.banks;
}

uint16_t readWord(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

}  // namespace

Failure readRunData(const std::string& prefix, RunData& data) {
    data = RunData{};
    std::error_code code;
    data.banks = std::filesystem::exists(prefix + ".C4", code);
    if (!data.banks) {
        if (Failure failure = readBank(prefix, MainMemoryBank, MainDataAddress, data.mainData, data.index);
            failure.failed())
            return failure;
    }
    for (uint8_t bank = FirstExtraBank; data.banks && bank <= LastBank; ++bank) {
        const std::string path = prefix + ".C" + std::to_string(bank);
        if (bank > FirstExtraBank && !std::filesystem::exists(path, code)) break;
        std::vector<uint8_t>& target = bank == LastBank ? data.mainData : data.bankData[bank - FirstExtraBank];
        if (Failure failure = readBank(path, bank, BankWindow, target, data.index); failure.failed()) return failure;
    }
    const uint32_t index = indexAddress(data.banks);
    if (data.index.size() > 0x10000 - index) {
        Failure tooLong = fileFailure(FailureIndexTooLong, prefix);
        tooLong.count = static_cast<int64_t>(data.index.size() / IndexEntryBytes);
        tooLong.begin = index;
        return tooLong;
    }
    return {};
}

PlaybackSettings playbackOf(const ExportFormat& format, int32_t screenMode, const InkArray& inks,
                            const ScreenImage* background) {
    PlaybackSettings settings;
    settings.format = format;
    settings.screenMode = screenMode;
    settings.inks = inks;
    if (background != nullptr && format.delta()) settings.startScreen = *background;
    return settings;
}

Failure playbackRefusal(const PlaybackSettings& settings) {
    const ExportFormat& format = settings.format;
    const SpriteFrames* sprite = format.sprite();
    if (format.points()) return layoutFailure(FailurePointsNotPlayed);
    if (sprite != nullptr && sprite->sizeOnlyHeader) return layoutFailure(FailureSizeHeaderNotPlayed);
    if (sprite != nullptr && format.crtcR1 > 40) return layoutFailure(FailureSpriteTooWide, format.crtcR1);
    if (format.crtcR1 < 1 || format.crtcR1 > 63) return layoutFailure(FailureR1NotShown, format.crtcR1);
    if (format.rate < 1 || format.rate > PlayerRateMax) return layoutFailure(FailureRateOutOfRange, format.rate);
    return {};
}

Failure buildCpcMachine(const PlaybackSettings& settings, const RunData& data, bool forSnapshot,
                        CpcMachine& machine) {
    machine = CpcMachine{};
    if (Failure refusal = playbackRefusal(settings); refusal.failed()) return refusal;
    const ExportFormat& format = settings.format;
    if (forSnapshot && format.linear) return layoutFailure(FailureLinearSnapshot);
    const uint16_t base = format.baseAddress & 0xC000;
    if (data.banks && base == BankWindow) return layoutFailure(FailureBanksHideScreen);
    // The files decide the banks: the layout is that of a run written so.
    ExportFormat written = format;
    written.banks = data.banks;
    RunMemoryLayout layout;
    if (Failure failure = runMemoryLayout(written, layout); failure.failed()) return failure;

    const SpriteFrames* sprite = format.sprite();
    machine.kind = sprite == nullptr ? (format.compressed() ? PlayerCompressedDelta : PlayerDelta)
                                     : static_cast<PlayerKind>(PlayerSpriteLines + (sprite->layout - int32_t{SpriteLayoutLines}));
    machine.baseAddress = base;
    machine.crtcR1 = format.crtcR1;
    machine.linear = format.linear;
    machine.screenMode = settings.screenMode;
    machine.inks = settings.inks;
    machine.rate = format.rate;
    machine.doubleBuffer = layout.doubleBuffer;
    machine.secondScreen = layout.secondScreen();
    machine.indexAddress = layout.indexAddress;
    placeRunData(data, machine);

    std::vector<Area> screens{{base, base + PageBytes, MemoryAreaNone}};
    if (layout.doubleBuffer) screens.push_back({layout.secondScreen(), layout.secondScreen() + PageBytes, MemoryAreaNone});
    std::vector<Area> used;
    const uint32_t mainStart = data.banks ? BankWindow : MainDataAddress;
    if (!data.mainData.empty())
        used.push_back({mainStart, mainStart + static_cast<uint32_t>(data.mainData.size()),
                        data.banks ? MemoryAreaLastBankData : MemoryAreaData});
    if (!data.index.empty())
        used.push_back({machine.indexAddress, machine.indexAddress + static_cast<uint32_t>(data.index.size()),
                        MemoryAreaIndex});
    for (const Area& area : used)
    for (const Area& screen : screens) {
        if (!area.overlaps(screen)) continue;
        Failure failure = layoutFailure(FailureReachesScreen);
        failure.area = area.what;
        failure.begin = area.begin;
        failure.end = area.end;
        failure.otherBegin = screen.begin;
        failure.otherEnd = screen.end;
        if (!data.banks)
            failure.advice = base == DefaultScreenBase ? LayoutAdviceShorterRun : LayoutAdviceBaseC000OrBanks;
        else
            failure.advice = data.mainData.size() + BankWindow <= BankWindow + PageBytes && area.what != MemoryAreaIndex
                                 ? LayoutAdviceBase0000Or8000
                                 : LayoutAdviceBase0000;
        return failure;
    }

    // The player and its stack: the first free 256-byte boundary, never
    // behind the bank window, nor over the screen, data or index.
    used.insert(used.end(), screens.begin(), screens.end());
    if (data.banks) used.push_back({BankWindow, BankWindow + PageBytes, MemoryAreaNone});
    const uint32_t size = static_cast<uint32_t>(PlayerCode.size()) + PlayerStackBytes;
    for (uint32_t origin = 0x0100; origin + size <= 0x10000; origin += 0x100) {
        const Area player{origin, origin + size, MemoryAreaNone};
        if (std::any_of(used.begin(), used.end(), [&](const Area& area) { return area.overlaps(player); }))
            continue;
        std::vector<uint8_t> code = relocatedPlayer(static_cast<uint16_t>(origin));
        machine.playerAddress = static_cast<uint16_t>(origin);
        machine.stackTop = static_cast<uint16_t>(origin + size);
        writeWord(code, PlayerIndexParam, machine.indexAddress);
        writeWord(code, PlayerFramesParam, machine.frameCount);
        writeWord(code, PlayerBaseParam, base);
        code[PlayerKindParam] = machine.kind;
        writeWord(code, PlayerStackParam, machine.stackTop);
        code[PlayerRateParam] = static_cast<uint8_t>(machine.rate);
        writeDataEnds(data, code, PlayerEndsParam);
        writeWord(code, PlayerSecondParam, machine.secondScreen);
        code[PlayerDoubleParam] = machine.doubleBuffer ? 1 : 0;
        std::copy(code.begin(), code.end(), machine.ram.begin() + origin);
        // The start screen last: it is what the CRTC shows before frame 0.
        // With double buffering the player copies it to the second screen.
        std::copy(settings.startScreen.begin(), settings.startScreen.end(), machine.ram.begin() + base);
        return {};
    }
    return layoutFailure(FailureNoRoomForPlayer, size);
}

int32_t displayedRows(int32_t crtcR1) { return crtcR1 <= 0 ? 0 : std::min(25, 1024 / crtcR1); }

std::vector<uint16_t> displayedOffsets(int32_t crtcR1, bool linear) {
    std::vector<uint16_t> offsets;
    const int32_t width = 2 * std::clamp(crtcR1, 0, 64);
    const int32_t lines = linear ? 200 : 8 * displayedRows(crtcR1);
    for (int32_t y = 0; y < lines; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const int64_t offset = screenLineAddress(y, width, linear) + x;
            if (offset < ScreenBytes) offsets.push_back(static_cast<uint16_t>(offset));
        }
    std::sort(offsets.begin(), offsets.end());
    offsets.erase(std::unique(offsets.begin(), offsets.end()), offsets.end());
    return offsets;
}

uint8_t gateArrayColour(int32_t firmwareColour) {
    static constexpr uint8_t codes[27] = {0x54, 0x44, 0x55, 0x5C, 0x58, 0x5D, 0x4C, 0x45, 0x4D,
                                          0x56, 0x46, 0x57, 0x5E, 0x40, 0x5F, 0x4E, 0x47, 0x4F,
                                          0x52, 0x42, 0x53, 0x5A, 0x59, 0x5B, 0x4A, 0x43, 0x4B};
    return firmwareColour >= 0 && firmwareColour < 27 ? codes[firmwareColour] : 0x54;
}

std::array<uint8_t, 18> crtcRegisters(const CpcMachine& machine) {
    // Power-on 50 Hz values, with the run's width, the rows a 16 KB screen
    // holds at that width, HSYNC kept right of wide pictures, and the base.
    const int32_t r1 = machine.crtcR1;
    return {63, static_cast<uint8_t>(r1), static_cast<uint8_t>(std::clamp(46 + (r1 - 40) / 2, r1, 62)),
            0x8E, 38, 0, static_cast<uint8_t>(displayedRows(r1)), 30, 0, 7, 0, 0,
            static_cast<uint8_t>((machine.baseAddress >> 14) << 4), 0, 0, 0, 0, 0};
}

std::vector<uint8_t> buildSnapshot(const CpcMachine& machine) {
    const size_t dump = (machine.uses128K ? 8 : 4) * PageBytes;
    std::vector<uint8_t> bytes(SnapshotHeaderBytes + dump, 0);
    const char signature[] = "MV - SNA";
    std::copy(signature, signature + 8, bytes.begin());
    bytes[0x10] = 3;
    writeWord(bytes, 0x21, machine.stackTop);
    writeWord(bytes, 0x23, machine.playerAddress);
    bytes[0x1B] = bytes[0x1C] = 0;  // interrupts off: the player runs DI
    bytes[0x25] = 1;
    bytes[0x2E] = 0x10;
    for (int k = 0; k < InkCount; ++k) bytes[0x2F + k] = gateArrayColour(machine.inks[k]) & 0x1F;
    bytes[0x2F + 16] = gateArrayColour(machine.inks[0]) & 0x1F;  // border as ink 0
    const auto mode = static_cast<uint8_t>(machine.screenMode & 3);
    bytes[0x40] = 0x8C | mode;  // both ROMs off
    bytes[0x41] = 0;
    const std::array<uint8_t, 18> crtc = crtcRegisters(machine);
    std::copy(crtc.begin(), crtc.end(), bytes.begin() + 0x43);
    bytes[0x59] = 0x82;
    bytes[0x5B + 7] = 0x3F;  // PSG R7: all channels off
    writeWord(bytes, 0x6B, static_cast<uint16_t>(dump / 1024));
    bytes[0x6D] = 2;  // 6128
    std::fill(bytes.begin() + 0x6F, bytes.begin() + 0x75, mode);
    std::copy(machine.ram.begin(), machine.ram.begin() + static_cast<std::ptrdiff_t>(dump),
              bytes.begin() + SnapshotHeaderBytes);
    return bytes;
}

Failure readSnapshot(const std::vector<uint8_t>& bytes, SnapshotInfo& info) {
    info = SnapshotInfo{};
    if (bytes.size() < SnapshotHeaderBytes || std::string(bytes.begin(), bytes.begin() + 8) != "MV - SNA")
        return layoutFailure(FailureNotSnapshot);
    info.version = bytes[0x10];
    info.sp = readWord(bytes, 0x21);
    info.pc = readWord(bytes, 0x23);
    info.iff0 = bytes[0x1B];
    info.iff1 = bytes[0x1C];
    info.interruptMode = bytes[0x25];
    std::copy(bytes.begin() + 0x2F, bytes.begin() + 0x40, info.pens.begin());
    info.modeAndRom = bytes[0x40];
    info.ramConfig = bytes[0x41];
    std::copy(bytes.begin() + 0x43, bytes.begin() + 0x55, info.crtc.begin());
    info.dumpKb = readWord(bytes, 0x6B);
    info.machineType = bytes[0x6D];
    if (info.dumpKb != 64 && info.dumpKb != 128) return layoutFailure(FailureSnapshotMemory, info.dumpKb);
    const size_t dump = static_cast<size_t>(info.dumpKb) * 1024;
    if (bytes.size() < SnapshotHeaderBytes + dump) return layoutFailure(FailureSnapshotShort);
    std::copy(bytes.begin() + SnapshotHeaderBytes, bytes.begin() + static_cast<std::ptrdiff_t>(SnapshotHeaderBytes + dump),
              info.ram.begin());
    return {};
}

Failure machineFromSnapshot(const SnapshotInfo& info, CpcMachine& machine) {
    machine = CpcMachine{};
    machine.ram = info.ram;
    machine.uses128K = info.dumpKb == 128;
    machine.playerAddress = info.pc;
    const uint32_t pc = info.pc;
    if ((pc & 0xFF) != 0 || pc + PlayerCode.size() > 0x10000 ||
        !std::equal(PlayerCode.begin(), PlayerCode.begin() + PlayerIndexParam, info.ram.begin() + pc, [&](uint8_t a, uint8_t b) {
            return a == b || a + (pc >> 8) == b;
        })) {
        return layoutFailure(FailureNotOurPlayer);
    }
    machine.indexAddress = readWord(info.ram, pc + PlayerIndexParam);
    machine.frameCount = readWord(info.ram, pc + PlayerFramesParam);
    machine.baseAddress = readWord(info.ram, pc + PlayerBaseParam) & 0xC000;
    machine.kind = static_cast<PlayerKind>(info.ram[pc + PlayerKindParam]);
    machine.stackTop = readWord(info.ram, pc + PlayerStackParam);
    machine.rate = info.ram[pc + PlayerRateParam];
    machine.crtcR1 = info.crtc[1];
    machine.linear = info.crtc[9] == 0;
    machine.screenMode = info.modeAndRom & 3;
    for (int32_t k = 0; k < InkCount; ++k) {
        int32_t firmware = 0;
        while (firmware < HardwareColourCount && (gateArrayColour(firmware) & 0x1F) != (info.pens[k] & 0x1F)) ++firmware;
        machine.inks[static_cast<size_t>(k)] = firmware < HardwareColourCount ? firmware : 0;
    }
    // An older player has code, not a flag, there: only 1 means double buffering.
    machine.doubleBuffer = info.ram[pc + PlayerDoubleParam] == 1;
    machine.secondScreen = readWord(info.ram, pc + PlayerSecondParam) & 0xC000;
    if (machine.frameCount > PlayerFramesMax) return layoutFailure(FailureSnapshotFrames, machine.frameCount);
    return {};
}

void overlayRunData(const RunData& data, CpcMachine& machine) {
    placeRunData(data, machine);
    writeDataEnds(data, machine.ram, machine.playerAddress + size_t{PlayerEndsParam});
}

}  // namespace volumix
