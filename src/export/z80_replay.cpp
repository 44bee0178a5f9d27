#include "export/z80_replay.h"

#if VOLUMIX_WITH_Z80EX

#include <z80ex/z80ex.h>

#include <memory>

namespace volumix {

namespace {

constexpr int64_t VsyncStart = 15360;  // 240 lines into the frame
constexpr int64_t VsyncLength = 512;   // 8 lines
constexpr int64_t FrameTimeLimit = 64 * int64_t{NopsPerFrame};

// Pages at 0x0000, 0x4000, 0x8000, 0xC000 under RAM configurations 0..7.
constexpr uint8_t PageMap[8][4] = {{0, 1, 2, 3}, {0, 1, 2, 7}, {4, 5, 6, 7}, {0, 3, 2, 7},
                                   {0, 4, 2, 3}, {0, 5, 2, 3}, {0, 6, 2, 3}, {0, 7, 2, 3}};

struct Machine {
    std::vector<uint8_t> ram;
    uint8_t config = 0;
    int64_t now = 0;  // NOPs since the start

    size_t physical(uint16_t address) const {
        return size_t{PageMap[config][address >> 14]} * 0x4000 + (address & 0x3FFF);
    }
    bool vsync() const {
        const int64_t phase = (now + 3) % NopsPerFrame;  // the I/O cycle ends the instruction
        return phase >= VsyncStart && phase < VsyncStart + VsyncLength;
    }
};

Z80EX_BYTE readMemory(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* data) {
    const auto* m = static_cast<Machine*>(data);
    return m->ram[m->physical(address)];
}

void writeMemory(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* data) {
    auto* m = static_cast<Machine*>(data);
    m->ram[m->physical(address)] = value;
}

Z80EX_BYTE readPort(Z80EX_CONTEXT*, Z80EX_WORD port, void* data) {
    const auto* m = static_cast<Machine*>(data);
    // PPI port B at &F5xx: bit 0 is the vertical sync; 0x1E a 6128's links.
    if ((port >> 8) == 0xF5) return static_cast<Z80EX_BYTE>(0x1E | (m->vsync() ? 1 : 0));
    return 0xFF;
}

void writePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* data) {
    auto* m = static_cast<Machine*>(data);
    // Gate array (A15 = 0, A14 = 1): &C0..&C7 choose the RAM configuration.
    if ((port & 0xC000) == 0x4000 && (value & 0xC0) == 0xC0) m->config = value & 7;
}

Z80EX_BYTE readInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

// The CPC stretches every memory access to a 1 µs slot: ceil(T / 4) is right
// for most instructions and one NOP short for those below.
int32_t extraNop(uint8_t first, uint8_t second, int32_t tstates) {
    switch (first) {
        case 0xC5: case 0xD5: case 0xE5: case 0xF5:  // PUSH rr
        case 0xC7: case 0xCF: case 0xD7: case 0xDF: case 0xE7: case 0xEF: case 0xF7: case 0xFF:  // RST
        case 0x22: case 0x2A: case 0xE3:  // LD (nn),HL; LD HL,(nn); EX (SP),HL
            return 1;
        case 0xC0: case 0xC8: case 0xD0: case 0xD8: case 0xE0: case 0xE8: case 0xF0: case 0xF8:
            return tstates == 11 ? 1 : 0;  // RET cc, taken
        case 0x10:
            return tstates == 8 ? 1 : 0;  // DJNZ, not taken
        case 0xED:
            if ((second & 0xC6) == 0x40) return 1;  // IN r,(C) / OUT (C),r
            switch (second) {
                case 0xA0: case 0xA8: case 0xA1: case 0xA9: case 0xA2: case 0xAA: case 0xA3: case 0xAB:
                    return 1;  // LDI LDD CPI CPD INI IND OUTI OUTD
                case 0xB0: case 0xB8: case 0xB1: case 0xB9:
                    return tstates == 16 ? 1 : 0;  // the last LDIR/LDDR/CPIR/CPDR step
                default: return 0;
            }
        case 0xDD: case 0xFD:
            if (second == 0xE5 || second == 0xE3 || second == 0x22 || second == 0x2A) return 1;
            if (second == 0x36) return 1;  // LD (IX+d),n
            return 0;
        default: return 0;
    }
}

struct ContextDeleter {
    void operator()(Z80EX_CONTEXT* context) const { z80ex_destroy(context); }
};

}  // namespace

ReplayReport replayFrames(const CpcMachine& start, const std::vector<ScreenImage>& expected, bool fromScrFiles) {
    ReplayReport report;
    Machine m;
    m.ram = start.ram;
    std::unique_ptr<Z80EX_CONTEXT, ContextDeleter> cpu(z80ex_create(readMemory, &m, writeMemory, &m, readPort, &m,
                                                                    writePort, &m, readInterruptVector, &m));
    z80ex_set_reg(cpu.get(), regPC, start.playerAddress);
    z80ex_set_reg(cpu.get(), regSP, start.stackTop);
    z80ex_set_reg(cpu.get(), regIM, 1);
    z80ex_set_reg(cpu.get(), regIFF1, 0);
    z80ex_set_reg(cpu.get(), regIFF2, 0);

    const uint16_t player = start.playerAddress;
    const auto word = [&](uint16_t at) { return static_cast<uint16_t>(m.ram[at] | (m.ram[uint16_t(at + 1)] << 8)); };
    const uint16_t go = word(uint16_t(player + PlayerGoParam));
    const uint16_t wait = word(uint16_t(player + PlayerWaitParam));
    const int32_t frames = start.frameCount;
    if (frames == 0) return report;

    std::vector<uint16_t> shown = displayedOffsets(start.crtcR1, start.linear);
    if (fromScrFiles)
        std::erase_if(shown, [](uint16_t offset) {
            return offset >= PaletteModeOffset && offset < PaletteInksOffset + InkCount;
        });
    const uint16_t base = start.baseAddress;
    ScreenImage before{};
    std::vector<int64_t> starts;
    bool inFrame = false;
    int64_t frameStart = 0;
    int64_t since = 0;  // the last start or end of a frame
    const int32_t checks = frames + 1;  // and frame 0 after the last

    while (true) {
        if (m.now - since > FrameTimeLimit) {
            report.failure = inFrame ? "the player did not finish frame " + std::to_string(report.frames.size() % frames)
                                     : "the player never started a frame";
            return report;
        }
        const uint16_t pc = z80ex_get_reg(cpu.get(), regPC);
        const uint8_t b0 = m.ram[m.physical(pc)], b1 = m.ram[m.physical(uint16_t(pc + 1))];
        int32_t tstates = 0;
        do tstates += z80ex_step(cpu.get());
        while (z80ex_last_op_type(cpu.get()) != 0);
        m.now += (tstates + 3) / 4 + extraNop(b0, b1, tstates);

        const uint16_t next = z80ex_get_reg(cpu.get(), regPC);
        if (next == go && !inFrame) {
            starts.push_back(m.now);
            if (static_cast<int32_t>(starts.size()) > checks) break;  // only the last period was wanted
            inFrame = true;
            frameStart = since = m.now;
            for (int32_t k = 0; k < ScreenBytes; ++k) before[k] = m.ram[base + k];
        } else if (next == wait && inFrame) {
            inFrame = false;
            since = m.now;
            ReplayFrame result;
            const int32_t position = static_cast<int32_t>(report.frames.size());
            result.loop = position == frames;
            result.frame = result.loop ? 0 : position;
            result.nops = m.now - frameStart;
            if (static_cast<size_t>(result.frame) < expected.size()) {
                const ScreenImage& want = expected[result.frame];
                for (const uint16_t offset : shown) {
                    const uint8_t got = m.ram[base + offset];
                    if (got == want[offset]) continue;
                    result.matches = false;
                    result.address = static_cast<uint16_t>(base + offset);
                    result.screenByte = got;
                    result.expectedByte = want[offset];
                    break;
                }
            }
            if (!result.matches) {
                // A change at offset 0 whose entry begins 00 00 ends the
                // frame's list before anything is written.
                const size_t entry = start.indexAddress + size_t{3} * result.frame;
                const uint16_t address = word(static_cast<uint16_t>(entry));
                const uint8_t bank = m.ram[static_cast<uint16_t>(entry + 2)];
                const size_t at = bank >= 4 && bank <= 7 ? bank * size_t{0x4000} + (address & 0x3FFF) : address;
                const bool startsWithEnd = m.ram[at] == 0 && m.ram[(at + 1) % m.ram.size()] == 0;
                const bool offsetZeroChanges = before[0] != expected[result.frame][0];
                result.endMarkerLimit = start.kind <= PlayerCompressedDelta && startsWithEnd && offsetZeroChanges;
            }
            report.frames.push_back(result);
        }
    }
    for (size_t k = 0; k < report.frames.size(); ++k)
        report.frames[k].fits = starts[k + 1] - starts[k] < NopsPerFrame + NopsPerFrame / 2;
    return report;
}

}  // namespace volumix

#else

namespace volumix {

ReplayReport replayFrames(const CpcMachine&, const std::vector<ScreenImage>&, bool) {
    ReplayReport report;
    report.failure = "this build of volumix has no Z80 emulator (it was built without libz80ex)";
    return report;
}

}  // namespace volumix

#endif
