#include "export/cpc_snapshot.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace volumix {

namespace {

constexpr uint32_t PageBytes = 0x4000;
constexpr uint16_t MainDataAddress = 0x0200;
constexpr uint16_t BankWindow = 0x4000;
constexpr uint16_t MainIndexAddress = 0xA600;
constexpr uint16_t BankIndexAddress = 0xE400;
constexpr size_t HeaderBytes = 128;
constexpr size_t SnapshotHeaderBytes = 256;

std::string hex4(uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "&%04X", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

struct Area {
    uint32_t begin = 0, end = 0;  // [begin, end)
    std::string what;
    bool overlaps(const Area& other) const { return begin < other.end && other.begin < end; }
    std::string range() const { return hex4(begin) + "-" + hex4(end - 1); }
};

// A data or index file: its header's length, and the bytes after it.
bool readCpcFile(const std::string& path, std::vector<uint8_t>& bytes, std::string* error) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        if (error) *error = "cannot read " + path + ": no such file";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (all.size() < HeaderBytes || all.size() > HeaderBytes + 0x10000) {
        if (error) *error = path + " is not a data file of ours (size " + std::to_string(all.size()) + ")";
        return false;
    }
    bytes.assign(all.begin() + HeaderBytes, all.end());
    return true;
}

bool readBank(const std::string& path, uint8_t bank, uint16_t loadAddress, std::vector<uint8_t>& data,
              std::vector<uint8_t>& index, std::string* error) {
    std::vector<uint8_t> entries;
    if (!readCpcFile(path, data, error) || !readCpcFile(path + ".idx", entries, error)) return false;
    if (entries.size() % 3 != 0) {
        if (error) *error = path + ".idx does not hold whole 3-byte entries";
        return false;
    }
    for (size_t k = 0; k < entries.size(); k += 3) {
        const uint32_t address = entries[k] | (entries[k + 1] << 8);
        if (entries[k + 2] != bank || address < loadAddress || address >= loadAddress + data.size()) {
            if (error) *error = path + ".idx entry " + std::to_string(k / 3) + " points outside " + path;
            return false;
        }
    }
    index.insert(index.end(), entries.begin(), entries.end());
    return true;
}

void placeRunData(const RunData& data, CpcMachine& machine) {
    const uint16_t mainAddress = data.banks ? BankWindow : MainDataAddress;
    std::copy(data.mainData.begin(), data.mainData.end(), machine.ram.begin() + mainAddress);
    for (size_t k = 0; k < data.bankData.size(); ++k)
        std::copy(data.bankData[k].begin(), data.bankData[k].end(), machine.ram.begin() + (4 + k) * PageBytes);
    machine.indexAddress = data.banks ? BankIndexAddress : MainIndexAddress;
    std::copy(data.index.begin(), data.index.end(), machine.ram.begin() + machine.indexAddress);
    machine.frameCount = static_cast<uint16_t>(data.index.size() / 3);
    machine.uses128K = data.banks;
}

void writeWord(std::vector<uint8_t>& bytes, size_t at, uint16_t value) {
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

uint16_t readWord(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

}  // namespace

bool readRunData(const std::string& prefix, RunData& data, std::string* error) {
    data = RunData{};
    std::error_code code;
    data.banks = std::filesystem::exists(prefix + ".C4", code);
    if (!data.banks) return readBank(prefix, 0, MainDataAddress, data.mainData, data.index, error);
    for (uint8_t bank = 4; bank <= 8; ++bank) {
        const std::string path = prefix + ".C" + std::to_string(bank);
        if (bank > 4 && !std::filesystem::exists(path, code)) break;
        std::vector<uint8_t>& target = bank == 8 ? data.mainData : data.bankData[bank - 4];
        if (!readBank(path, bank, BankWindow, target, data.index, error)) return false;
    }
    return true;
}

void setStartScreen(PlaybackSettings& settings, const ScreenImage* background) {
    settings.startScreen = background != nullptr && settings.spriteLayout == 0 ? *background : ScreenImage{};
}

std::string playbackRefusal(const PlaybackSettings& settings) {
    if (settings.pointsExport)
        return "the point list export is not played: it lists lit bytes, not the screen's content "
               "(use --export delta or sprite)";
    if (settings.spriteLayout != 0 && settings.sizeOnlyHeader)
        return "sprite blocks with --sprite-header size carry no position: the player needs "
               "--sprite-header corners";
    if (settings.spriteLayout != 0 && settings.crtcR1 > 40)
        return "sprite blocks cover an 80-byte-wide screen: with --r1 above 40 use --export delta";
    if (settings.crtcR1 < 1 || settings.crtcR1 > 63)
        return "R1 = " + std::to_string(settings.crtcR1) + " shows no picture with R0 = 63: use --r1 1..63";
    return {};
}

std::string buildCpcMachine(const PlaybackSettings& settings, const RunData& data, bool forSnapshot,
                            CpcMachine& machine) {
    machine = CpcMachine{};
    if (std::string refusal = playbackRefusal(settings); !refusal.empty()) return refusal;
    if (forSnapshot && settings.linear)
        return "a linear screen (--linear, R9 = 0) cannot show 200 lines through CRTC register values alone: "
               "the vertical registers stop at 127 and the address wraps every 2,048 bytes, so it needs a "
               "display split within each frame; the data files are written, and --verify still checks them";
    const uint16_t base = settings.baseAddress & 0xC000;
    if (data.banks && base == BankWindow)
        return "with --banks the screen cannot be at &4000: banks 4 to 7 are selected there while the player "
               "reads them, which hides the screen from the processor; use --base 0000";

    machine.kind = settings.spriteLayout == 0 ? (settings.compress ? PlayerCompressedDelta : PlayerDelta)
                                              : static_cast<PlayerKind>(PlayerSpriteLines + settings.spriteLayout - 1);
    machine.baseAddress = base;
    machine.crtcR1 = settings.crtcR1;
    machine.linear = settings.linear;
    machine.screenMode = settings.screenMode;
    machine.inks = settings.inks;
    placeRunData(data, machine);

    const Area screen{base, base + PageBytes, "the screen"};
    std::vector<Area> used;
    const uint32_t mainStart = data.banks ? BankWindow : MainDataAddress;
    if (!data.mainData.empty())
        used.push_back({mainStart, mainStart + static_cast<uint32_t>(data.mainData.size()),
                        data.banks ? "bank 8's data (the last part, in main memory)" : "the data"});
    if (!data.index.empty())
        used.push_back({machine.indexAddress, machine.indexAddress + static_cast<uint32_t>(data.index.size()),
                        "the index"});
    for (const Area& area : used) {
        if (!area.overlaps(screen)) continue;
        std::string advice;
        if (!data.banks)
            advice = base == 0xC000 ? "shorten the run" : "use --base C000, or --banks";
        else
            advice = data.mainData.size() + BankWindow <= 0x8000 && area.what != "the index"
                         ? "use --base 0000 or 8000"
                         : "use --base 0000";
        return area.what + " (" + area.range() + ") reaches the screen at " + screen.range() + "; " + advice;
    }

    // The player and its stack: the first free 256-byte boundary, never
    // behind the bank window, nor over the screen, data or index.
    used.push_back(screen);
    if (data.banks) used.push_back({BankWindow, 0x8000, "the bank window"});
    const uint32_t size = static_cast<uint32_t>(PlayerCode.size()) + PlayerStackBytes;
    for (uint32_t origin = 0x0100; origin + size <= 0x10000; origin += 0x100) {
        const Area player{origin, origin + size, "the player"};
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
        std::copy(code.begin(), code.end(), machine.ram.begin() + origin);
        // The start screen last: it is what the CRTC shows before frame 0.
        std::copy(settings.startScreen.begin(), settings.startScreen.end(), machine.ram.begin() + base);
        return {};
    }
    return "no room is left for the player (" + std::to_string(size) + " bytes) beside the screen, data and index; "
           "use --banks or a shorter run";
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

bool readSnapshot(const std::vector<uint8_t>& bytes, SnapshotInfo& info, std::string* error) {
    const auto fail = [&](const std::string& reason) {
        if (error) *error = reason;
        return false;
    };
    info = SnapshotInfo{};
    if (bytes.size() < SnapshotHeaderBytes || std::string(bytes.begin(), bytes.begin() + 8) != "MV - SNA")
        return fail("not a CPC snapshot (no 'MV - SNA' signature)");
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
    if (info.dumpKb != 64 && info.dumpKb != 128)
        return fail("snapshot memory of " + std::to_string(info.dumpKb) + " KB: only 64 or 128 KB dumps are read");
    const size_t dump = static_cast<size_t>(info.dumpKb) * 1024;
    if (bytes.size() < SnapshotHeaderBytes + dump) return fail("the snapshot is shorter than its memory dump");
    std::copy(bytes.begin() + SnapshotHeaderBytes, bytes.begin() + static_cast<std::ptrdiff_t>(SnapshotHeaderBytes + dump),
              info.ram.begin());
    return true;
}

bool machineFromSnapshot(const SnapshotInfo& info, CpcMachine& machine, std::string* error) {
    machine = CpcMachine{};
    machine.ram = info.ram;
    machine.uses128K = info.dumpKb == 128;
    machine.playerAddress = info.pc;
    const uint32_t pc = info.pc;
    if ((pc & 0xFF) != 0 || pc + PlayerCode.size() > 0x10000 ||
        !std::equal(PlayerCode.begin(), PlayerCode.begin() + PlayerIndexParam, info.ram.begin() + pc, [&](uint8_t a, uint8_t b) {
            return a == b || a + (pc >> 8) == b;
        })) {
        if (error) *error = "the snapshot does not start our player";
        return false;
    }
    machine.indexAddress = readWord(info.ram, pc + PlayerIndexParam);
    machine.frameCount = readWord(info.ram, pc + PlayerFramesParam);
    machine.baseAddress = readWord(info.ram, pc + PlayerBaseParam) & 0xC000;
    machine.kind = static_cast<PlayerKind>(info.ram[pc + PlayerKindParam]);
    machine.stackTop = readWord(info.ram, pc + PlayerStackParam);
    machine.crtcR1 = info.crtc[1];
    machine.linear = info.crtc[9] == 0;
    machine.screenMode = info.modeAndRom & 3;
    return true;
}

void overlayRunData(const RunData& data, CpcMachine& machine) { placeRunData(data, machine); }

}  // namespace volumix
