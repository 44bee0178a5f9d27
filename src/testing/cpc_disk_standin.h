#pragma once

// For the disk tests: a reader of DATA-format disk images written from the
// format's description (not from our writer), and the disk loader run on an
// emulated Z80 (libz80ex) against a stand-in for the 6128 firmware's calls
// it makes (KL INIT BACK, CAS IN OPEN, CAS IN DIRECT, CAS IN CHAR, CAS IN
// CLOSE, TXT OUTPUT and the interrupt entry), serving the files from the
// image. While the firmware is on, the run fails on any processor write to
// &0000-&003F or &A67C-&BFFF, on any read below &4000 or from &C000 on (a
// ROM may be there), on a call the stand-in does not know, and on a file
// read into the firmware's RAM or over the disc buffer. No CPC firmware is
// run: none is packaged for Debian.

#if __has_include(<z80ex/z80ex.h>)
#define VOLUMIX_TEST_HAS_Z80EX 1
#include <z80ex/z80ex.h>
#endif

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace volumix::test {

// A DATA-format disk's files by name ("NAME.EXT", or "NAME." without an
// extension), as whole 128-byte records.
struct DataDisk {
    std::map<std::string, std::vector<uint8_t>> files;
    std::string error;  // why the image could not be read
};

inline DataDisk readDataDisk(const std::vector<uint8_t>& image) {
    DataDisk disk;
    const std::string extended = "EXTENDED CPC DSK File\r\nDisk-Info\r\n";
    if (image.size() < 256 || !std::equal(extended.begin(), extended.end(), image.begin())) {
        disk.error = "not an extended DSK image";
        return disk;
    }
    const int tracks = image[0x30], sides = image[0x31];
    // (track, sector id) -> offset of its 512 bytes.
    std::map<std::pair<int, int>, size_t> sectors;
    size_t at = 256;
    for (int t = 0; t < tracks * sides; ++t) {
        const size_t size = size_t{image[0x34 + t]} * 256;
        if (size == 0) continue;
        if (at + size > image.size() || std::string(image.begin() + at, image.begin() + at + 10) != "Track-Info") {
            disk.error = "track " + std::to_string(t) + " has no track information block";
            return disk;
        }
        size_t data = at + 256;
        for (int s = 0; s < image[at + 0x15]; ++s) {
            const uint8_t* info = &image[at + 0x18 + 8 * s];
            sectors[{info[0], info[2]}] = data;
            data += size_t{info[6]} | size_t{info[7]} << 8;
        }
        at += size;
    }
    // Block b = logical sectors 2b, 2b + 1; logical s = track s / 9, id &C1 + s % 9.
    const auto blockByte = [&](int block, int offset, bool& ok) -> uint8_t {
        const int logical = block * 2 + offset / 512;
        const auto found = sectors.find({logical / 9, 0xC1 + logical % 9});
        if (found == sectors.end()) {
            ok = false;
            return 0;
        }
        return image[found->second + offset % 512];
    };
    struct Extent {
        int records;
        std::vector<int> blocks;
    };
    std::map<std::string, std::map<int, Extent>> extents;
    bool ok = true;
    for (int entry = 0; entry < 64; ++entry) {
        uint8_t dir[32];
        for (int k = 0; k < 32; ++k) dir[k] = blockByte(entry / 32, entry % 32 * 32 + k, ok);
        if (dir[0] == 0xE5) continue;
        std::string name, extension;
        for (int k = 1; k <= 8; ++k) if (dir[k] != ' ') name += static_cast<char>(dir[k] & 0x7F);
        for (int k = 9; k <= 11; ++k) if (dir[k] != ' ') extension += static_cast<char>(dir[k] & 0x7F);
        Extent extent{dir[15], {}};
        for (int k = 16; k < 32; ++k) if (dir[k] != 0) extent.blocks.push_back(dir[k]);
        extents[name + "." + extension][dir[12] | dir[14] << 5] = extent;
    }
    for (const auto& [name, parts] : extents) {
        std::vector<uint8_t>& bytes = disk.files[name];
        for (const auto& [number, extent] : parts) {
            int left = extent.records * 128;
            for (const int block : extent.blocks)
                for (int k = 0; k < 1024 && left > 0; ++k, --left) bytes.push_back(blockByte(block, k, ok));
        }
    }
    if (!ok) disk.error = "a block lies on a sector the image does not have";
    return disk;
}

#if VOLUMIX_TEST_HAS_Z80EX

// What the loader left: the 128 KB (pages 0..7) and the hardware it set.
struct LoaderRun {
    std::string failure;  // empty when the loader handed over to the player
    std::string runFile;  // what RUN"NAME" found
    std::string printed;  // through TXT OUTPUT
    std::vector<uint8_t> ram = std::vector<uint8_t>(8 * 0x4000);
    std::array<uint8_t, 18> crtc{};
    std::array<uint8_t, 17> pens{};  // hardware codes & 0x1F, the border last
    uint8_t modeAndRom = 0;
    uint8_t ramConfig = 0;
    uint16_t sp = 0;
    bool interruptsOn = true;
    int32_t opens = 0, directReads = 0, charReads = 0, interrupts = 0;
    int64_t tstates = 0;
};

namespace standin {

constexpr uint8_t PageMap[8][4] = {{0, 1, 2, 3}, {0, 1, 2, 7}, {4, 5, 6, 7}, {0, 3, 2, 7},
                                   {0, 4, 2, 3}, {0, 5, 2, 3}, {0, 6, 2, 3}, {0, 7, 2, 3}};
constexpr uint16_t Himem = 0xA67B;

struct Cpc {
    LoaderRun* run = nullptr;
    bool only64K = false;
    uint8_t config = 0;
    bool firmwareOn = true;
    bool discOn = false;
    uint8_t selectedPen = 0, selectedRegister = 0;
    // The open file.
    bool open = false;
    std::vector<uint8_t> data;
    size_t position = 0;
    uint16_t entry = 0;
    uint16_t buffer = 0;
    uint32_t scribble = 1;

    size_t physical(uint16_t address) const { return size_t{PageMap[config][address >> 14]} * 0x4000 + (address & 0x3FFF); }
    static bool firmwareRam(uint16_t address) { return address < 0x40 || (address > Himem && address < 0xC000); }
    void fail(const std::string& why) {
        if (run->failure.empty()) run->failure = why;
    }
    uint8_t peek(uint16_t address) const { return run->ram[physical(address)]; }
    void poke(uint16_t address, uint8_t value) { run->ram[physical(address)] = value; }
    // What the disc system does with its buffer is its own affair.
    void scribbleBuffer() {
        for (int k = 0; k < 0x800; ++k) {
            scribble = scribble * 1103515245u + 12345u;
            poke(static_cast<uint16_t>(buffer + k), static_cast<uint8_t>(scribble >> 16));
        }
    }
};

inline std::string hex(uint32_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "&%04X", static_cast<unsigned>(value & 0xFFFF));
    return text;
}

inline Z80EX_BYTE readMemory(Z80EX_CONTEXT*, Z80EX_WORD address, int, void* data) {
    auto* cpc = static_cast<Cpc*>(data);
    if (cpc->firmwareOn && (address < 0x4000 || address >= 0xC000))
        cpc->fail("read " + hex(address) + " while the firmware is on (a ROM may be there)");
    return cpc->peek(address);
}

inline void writeMemory(Z80EX_CONTEXT*, Z80EX_WORD address, Z80EX_BYTE value, void* data) {
    auto* cpc = static_cast<Cpc*>(data);
    if (cpc->firmwareOn && Cpc::firmwareRam(address))
        cpc->fail("wrote " + hex(address) + ", the firmware's RAM, while the firmware is on");
    cpc->poke(address, value);
}

inline Z80EX_BYTE readPort(Z80EX_CONTEXT*, Z80EX_WORD port, void*) { return (port >> 8) == 0xF5 ? 0x1E : 0xFF; }

inline void writePort(Z80EX_CONTEXT* cpu, Z80EX_WORD port, Z80EX_BYTE value, void* data) {
    auto* cpc = static_cast<Cpc*>(data);
    if ((port & 0xC000) == 0x4000) {  // gate array
        switch (value & 0xC0) {
            case 0x00: cpc->selectedPen = (value & 0x10) ? 16 : (value & 0x0F); break;
            case 0x40: cpc->run->pens[cpc->selectedPen] = value & 0x1F; break;
            case 0x80:
                cpc->run->modeAndRom = value;
                if ((value & 0x0C) == 0x0C && cpc->firmwareOn) {
                    if (z80ex_get_reg(cpu, regIFF1) != 0) cpc->fail("both ROMs turned off with interrupts on");
                    cpc->firmwareOn = false;
                }
                break;
            default:
                if (!cpc->only64K) cpc->config = value & 7;  // a 464 or 664 has no other RAM
                break;
        }
    }
    if ((port >> 8) == 0xBC) cpc->selectedRegister = value & 0x1F;
    if ((port >> 8) == 0xBD && cpc->selectedRegister < 18) cpc->run->crtc[cpc->selectedRegister] = value;
}

inline Z80EX_BYTE readInterruptVector(Z80EX_CONTEXT*, void*) { return 0xFF; }

struct ContextDeleter {
    void operator()(Z80EX_CONTEXT* context) const { z80ex_destroy(context); }
};

// The catalogue key AMSDOS would look for: upper case, "NAME.EXT".
inline std::string amsdosKey(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name.find('.') == std::string::npos ? name + "." : name;
}

}  // namespace standin

// The machine the loader is tried on.
struct StandInOptions {
    uint32_t seed = 1;                    // of the junk in memory
    int64_t budget = 400'000'000;         // T-states before the run counts as lost
    bool only64K = false;                 // no second 64 KB: &C4..&C7 change nothing
    uint16_t discWorkArea = 0x584;        // what the disc ROM takes from the top it is given
};

// Types RUN"name" on a 6128 whose memory holds junk: finds the file as
// AMSDOS does (no extension, then .BAS, then .BIN), loads it at its header's
// address and starts it with the firmware on and the disc ROM not
// initialised, until it jumps to `player` with the firmware off.
inline LoaderRun runLoaderFromDisk(const DataDisk& disk, const std::string& name, uint16_t player,
                                   const StandInOptions& options = {}) {
    using namespace standin;
    LoaderRun run;
    std::mt19937 junk(options.seed);
    for (uint8_t& byte : run.ram) byte = static_cast<uint8_t>(junk());
    Cpc cpc;
    cpc.run = &run;
    cpc.only64K = options.only64K;
    const int64_t budget = options.budget;

    const std::vector<uint8_t>* program = nullptr;
    for (const std::string extension : {".", ".BAS", ".BIN"}) {
        const auto found = disk.files.find(amsdosKey(name + (extension == "." ? "" : extension)));
        if (found == disk.files.end()) continue;
        run.runFile = found->first;
        program = &found->second;
        break;
    }
    if (program == nullptr || program->size() < 128 || (*program)[18] != 2) {
        run.failure = "RUN\"" + name + "\" finds no binary file";
        return run;
    }
    const uint16_t load = static_cast<uint16_t>((*program)[21] | (*program)[22] << 8);
    const uint16_t length = static_cast<uint16_t>((*program)[24] | (*program)[25] << 8);
    const uint16_t entry = static_cast<uint16_t>((*program)[26] | (*program)[27] << 8);
    if (program->size() < size_t{128} + length || load + length > Himem + 1 || load < 0x40) {
        run.failure = run.runFile + " does not fit below HIMEM";
        return run;
    }
    std::copy(program->begin() + 128, program->begin() + 128 + length, run.ram.begin() + load);

    std::unique_ptr<Z80EX_CONTEXT, ContextDeleter> owner(
        z80ex_create(readMemory, &cpc, writeMemory, &cpc, readPort, &cpc, writePort, &cpc, readInterruptVector, &cpc));
    Z80EX_CONTEXT* cpu = owner.get();
    z80ex_set_reg(cpu, regPC, entry);
    z80ex_set_reg(cpu, regSP, 0xBFF8);  // the firmware's stack
    z80ex_set_reg(cpu, regIM, 1);
    z80ex_set_reg(cpu, regIFF1, 1);
    z80ex_set_reg(cpu, regIFF2, 1);

    const auto returnFromCall = [&] {
        const uint16_t sp = z80ex_get_reg(cpu, regSP);
        z80ex_set_reg(cpu, regPC, static_cast<uint16_t>(cpc.peek(sp) | cpc.peek(static_cast<uint16_t>(sp + 1)) << 8));
        z80ex_set_reg(cpu, regSP, static_cast<uint16_t>(sp + 2));
    };
    const auto setFlags = [&](uint8_t a, bool carry, bool zero) {
        z80ex_set_reg(cpu, regAF, static_cast<uint16_t>(a << 8 | (carry ? 0x01 : 0) | (zero ? 0x40 : 0) | 0x28));
    };
    const auto corrupt = [&](std::initializer_list<Z80_REG_T> registers) {
        for (const Z80_REG_T r : registers) z80ex_set_reg(cpu, r, static_cast<Z80EX_WORD>(junk()));
    };

    int64_t nextInterrupt = 13312;  // every 52 lines of 64 us
    uint8_t lastOpcode = 0;
    while (run.failure.empty()) {
        if (run.tstates > budget) {
            run.failure = "the loader did not reach the player in " + std::to_string(budget) + " T-states";
            break;
        }
        const uint16_t pc = z80ex_get_reg(cpu, regPC);
        if (!cpc.firmwareOn) {
            if (z80ex_get_reg(cpu, regIFF1) != 0) cpc.fail("interrupts on with the firmware off");
            if (pc == player) {
                // Handed over, not slid into (JP (HL), JP nn or RET).
                if (lastOpcode != 0xE9 && lastOpcode != 0xC3 && lastOpcode != 0xC9)
                    cpc.fail("reached the player without a jump to it");
                break;
            }
        } else if (pc == 0xBCCE) {  // KL INIT BACK
            if ((z80ex_get_reg(cpu, regBC) & 0xFF) != 7) cpc.fail("KL INIT BACK for another ROM than the disc's (7)");
            // The disc ROM takes its work area from the top it is given.
            z80ex_set_reg(cpu, regHL, static_cast<uint16_t>(z80ex_get_reg(cpu, regHL) - options.discWorkArea));
            corrupt({regAF, regBC});
            cpc.discOn = true;
            returnFromCall();
            continue;
        } else if (pc == 0xBC77 || pc == 0xBC83 || pc == 0xBC80 || pc == 0xBC7A) {
            if (!cpc.discOn) {
                cpc.fail("a cassette call at " + hex(pc) + " before the disc ROM was initialised: it goes to the tape");
                break;
            }
            if (pc == 0xBC77) {  // CAS IN OPEN: B = name length, HL = name, DE = 2 KB buffer
                if (cpc.open) cpc.fail("CAS IN OPEN with a file open");
                const uint16_t hl = z80ex_get_reg(cpu, regHL), de = z80ex_get_reg(cpu, regDE);
                const int b = z80ex_get_reg(cpu, regBC) >> 8;
                std::string wanted;
                for (int k = 0; k < b; ++k) wanted += static_cast<char>(cpc.peek(static_cast<uint16_t>(hl + k)));
                cpc.buffer = de;
                if (de < 0x4000 || de + 0x800 > Himem + 1 || (cpc.config != 0 && de < 0x8000))
                    cpc.fail("the disc buffer at " + hex(de) + " is under a ROM, the firmware or the bank window");
                cpc.scribbleBuffer();
                ++run.opens;
                run.tstates += 400'000;  // the catalogue is read: a tenth of a second
                const auto found = disk.files.find(amsdosKey(wanted));
                if (found == disk.files.end() || found->second.size() < 128) {
                    setFlags(0x92, false, false);
                } else {
                    const std::vector<uint8_t>& bytes = found->second;
                    uint16_t sum = 0;
                    for (int k = 0; k < 67; ++k) sum = static_cast<uint16_t>(sum + bytes[k]);
                    const uint16_t logical = static_cast<uint16_t>(bytes[24] | bytes[25] << 8);
                    if (sum != (bytes[67] | bytes[68] << 8)) cpc.fail(found->first + " has no valid AMSDOS header");
                    if (bytes.size() < size_t{128} + logical) cpc.fail(found->first + " is shorter than its header says");
                    cpc.data.assign(bytes.begin() + 128, bytes.begin() + 128 + std::min<size_t>(logical, bytes.size() - 128));
                    cpc.position = 0;
                    cpc.entry = static_cast<uint16_t>(bytes[26] | bytes[27] << 8);
                    cpc.open = true;
                    z80ex_set_reg(cpu, regBC, logical);
                    z80ex_set_reg(cpu, regDE, static_cast<uint16_t>(bytes[21] | bytes[22] << 8));
                    z80ex_set_reg(cpu, regHL, 0xA700);  // the header's copy, in the disc ROM's work area
                    setFlags(bytes[18], true, false);
                }
            } else if (!cpc.open) {
                cpc.fail("a file call at " + hex(pc) + " with no file open");
            } else if (pc == 0xBC83) {  // CAS IN DIRECT: HL = where
                const uint16_t to = z80ex_get_reg(cpu, regHL);
                ++run.directReads;
                if (to + cpc.data.size() > 0x10000) cpc.fail("CAS IN DIRECT past &FFFF");
                for (size_t k = 0; k < cpc.data.size() && to + k < 0x10000; ++k) {
                    const auto address = static_cast<uint16_t>(to + k);
                    if (Cpc::firmwareRam(address)) {
                        cpc.fail("CAS IN DIRECT into the firmware's RAM at " + hex(address));
                        break;
                    }
                    if (address >= cpc.buffer && address < cpc.buffer + 0x800) {
                        cpc.fail("CAS IN DIRECT over the disc buffer at " + hex(address));
                        break;
                    }
                    cpc.poke(address, cpc.data[k]);
                }
                cpc.position = cpc.data.size();
                cpc.scribbleBuffer();
                run.tstates += 200 * static_cast<int64_t>(cpc.data.size());  // some 5 KB a second
                corrupt({regBC, regDE});
                z80ex_set_reg(cpu, regHL, cpc.entry);
                setFlags(static_cast<uint8_t>(junk()), true, false);
            } else if (pc == 0xBC80) {  // CAS IN CHAR
                ++run.charReads;
                run.tstates += 400;
                if (cpc.position % 0x800 == 0) cpc.scribbleBuffer();
                if (cpc.position < cpc.data.size())
                    setFlags(cpc.data[cpc.position++], true, false);
                else
                    setFlags(0x1A, false, false);
            } else {  // CAS IN CLOSE
                cpc.open = false;
                corrupt({regBC, regDE, regHL});
                setFlags(static_cast<uint8_t>(junk()), true, false);
            }
            returnFromCall();
            continue;
        } else if (pc == 0xBB5A) {  // TXT OUTPUT keeps every register
            run.printed += static_cast<char>(z80ex_get_reg(cpu, regAF) >> 8);
            returnFromCall();
            continue;
        } else if (pc == 0x0038) {  // the firmware's interrupt handler: EI, RET
            ++run.interrupts;
            returnFromCall();
            z80ex_set_reg(cpu, regIFF1, 1);
            z80ex_set_reg(cpu, regIFF2, 1);
            continue;
        } else if (Cpc::firmwareRam(pc) || pc >= 0xC000 || pc < 0x4000) {
            cpc.fail("called " + hex(pc) + ", which the stand-in does not provide");
            break;
        }
        lastOpcode = cpc.peek(pc);
        do run.tstates += z80ex_step(cpu);
        while (z80ex_last_op_type(cpu) != 0);
        if (run.tstates >= nextInterrupt) {
            nextInterrupt = (run.tstates / 13312 + 1) * 13312;
            if (cpc.firmwareOn) run.tstates += z80ex_int(cpu);
        }
    }
    run.ramConfig = cpc.config;
    run.sp = z80ex_get_reg(cpu, regSP);
    run.interruptsOn = z80ex_get_reg(cpu, regIFF1) != 0;
    return run;
}

#endif

}  // namespace volumix::test
