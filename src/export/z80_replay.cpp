#include "export/z80_replay.h"

#if VOLUMIX_WITH_Z80EX

#include <z80ex/z80ex.h>

#include <algorithm>
#include <memory>

namespace volumix {

namespace {

constexpr int64_t VsyncStart = VsyncStartNops;
constexpr int64_t VsyncLength = 512;   // 8 lines
constexpr int64_t FrameTimeLimit = 64 * int64_t{NopsPerFrame};

// Pages at 0x0000, 0x4000, 0x8000, 0xC000 under RAM configurations 0..7.
constexpr uint8_t PageMap[8][4] = {{0, 1, 2, 3}, {0, 1, 2, 7}, {4, 5, 6, 7}, {0, 3, 2, 7},
                                   {0, 4, 2, 3}, {0, 5, 2, 3}, {0, 6, 2, 3}, {0, 7, 2, 3}};

struct Machine {
    std::vector<uint8_t> ram;
    uint8_t config = 0;
    int64_t now = 0;  // NOPs since the start
    int64_t syncReads = 0;      // reads of PPI port B
    int64_t lastSyncRead = -1;  // the last sync during which it was read
    uint8_t crtcSelected = 0;
    std::vector<std::pair<int64_t, uint8_t>> r12Writes;
    // The beam model's record of writes to pages 0..3 (when tracing).
    std::vector<MemoryWrite>* writes = nullptr;
    Z80EX_CONTEXT* cpu = nullptr;

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
    const size_t at = m->physical(address);
    m->ram[at] = value;
    // When within the instruction: the T-states it has taken so far.
    if (m->writes != nullptr && at < 0x10000)
        m->writes->push_back({m->now + z80ex_op_tstate(m->cpu) / 4, static_cast<uint16_t>(at), value});
}

Z80EX_BYTE readPort(Z80EX_CONTEXT*, Z80EX_WORD port, void* data) {
    auto* m = static_cast<Machine*>(data);
    // PPI port B at &F5xx: bit 0 is the vertical sync; 0x1E a 6128's links.
    if ((port >> 8) != 0xF5) return 0xFF;
    ++m->syncReads;
    const bool sync = m->vsync();
    if (sync) m->lastSyncRead = (m->now + 3 - VsyncStart) / NopsPerFrame;
    return static_cast<Z80EX_BYTE>(0x1E | (sync ? 1 : 0));
}

void writePort(Z80EX_CONTEXT*, Z80EX_WORD port, Z80EX_BYTE value, void* data) {
    auto* m = static_cast<Machine*>(data);
    // Gate array (A15 = 0, A14 = 1): &C0..&C7 choose the RAM configuration.
    if ((port & 0xC000) == 0x4000 && (value & 0xC0) == 0xC0) m->config = value & 7;
    // CRTC (A14 = 0): A9-A8 = 0 selects a register, 1 writes it.
    if ((port & 0x4000) == 0) {
        const int function = (port >> 8) & 3;
        if (function == 0) m->crtcSelected = value & 31;
        if (function == 1 && m->crtcSelected == 12) m->r12Writes.emplace_back(m->now + 3, value);
    }
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

// A played frame's data as the player finds it: where it lies in the 128 KB
// and how long it is (up to the next entry of its bank, or the bank's end).
struct FrameData {
    size_t at = 0;
    int64_t length = 0;
};

std::vector<FrameData> frameData(const CpcMachine& start) {
    const std::vector<uint8_t>& ram = start.ram;
    const auto word = [&](size_t at) { return static_cast<uint16_t>(ram[at % ram.size()] | (ram[(at + 1) % ram.size()] << 8)); };
    std::vector<FrameData> frames;
    for (int32_t k = 0; k < start.frameCount; ++k) {
        const size_t entry = start.indexAddress + size_t{3} * k;
        const uint16_t address = word(entry);
        const uint8_t bank = ram[(entry + 2) % ram.size()];
        uint16_t end = 0;
        if (k + 1 < start.frameCount && ram[(entry + 5) % ram.size()] == bank) {
            end = word(entry + 3);
        } else {
            const int32_t slot = ((bank - 4) & 7) < 5 ? ((bank - 4) & 7) : 4;
            end = word(start.playerAddress + size_t{PlayerEndsParam} + 2 * slot);
        }
        FrameData data;
        data.at = bank >= 4 && bank <= 7 ? size_t{bank} * 0x4000 + (address & 0x3FFF) : address;
        data.length = int64_t{end} - address;
        frames.push_back(data);
    }
    return frames;
}

// Changed bytes of a delta frame, or box bytes of a sprite block.
int32_t frameBytes(const CpcMachine& start, const FrameData& data) {
    const std::vector<uint8_t>& ram = start.ram;
    const auto byte = [&](int64_t k) { return ram[(data.at + static_cast<size_t>(k)) % ram.size()]; };
    if (data.length < 2) return 0;
    switch (start.kind) {
        case PlayerDelta: return static_cast<int32_t>((data.length - 2) / 3);
        case PlayerCompressedDelta: {
            int64_t values = 0;
            for (int64_t k = 0; k + 2 < data.length;) {
                if (k > 0 && byte(k) == 0 && byte(k + 1) == 0) break;
                const int64_t n = 4 - (byte(k + 1) >> 6);
                values += n;
                k += 2 + n;
            }
            return static_cast<int32_t>(values);
        }
        default: {
            if (data.length < 4 || byte(2) < byte(0) || byte(3) < byte(1)) return 0;
            return (byte(2) - byte(0) + 1) * (byte(3) - byte(1) + 1);
        }
    }
}

// The start of vertical sync `index`, counted from the start of the run.
int64_t syncStart(int64_t index) { return index * NopsPerFrame + VsyncStart; }

// A frame that waited starts within a few dozen µs of its sync: the wait
// samples every 14 µs, then selects the frame's bank.
constexpr int64_t OnTimeSlack = 64;

}  // namespace


namespace {

// One replay: the emulated machine, the player's landmarks, and what the
// replay has seen so far. run() steps the player until every frame, and
// frame 0 after the last, has been played and checked.
class Replay {
public:
    Replay(const CpcMachine& start, const std::vector<ScreenImage>& expected, bool fromScrFiles, ReplayTrace* trace)
        : start_(start), expected_(expected), trace_(trace), frames_(start.frameCount) {
        report_.rate = std::max(1, start.rate);
        report_.boxBytes = start.kind >= PlayerSpriteLines;
        m_.ram = start.ram;
        cpu_.reset(z80ex_create(readMemory, &m_, writeMemory, &m_, readPort, &m_, writePort, &m_, readInterruptVector,
                                &m_));
        m_.cpu = cpu_.get();
        if (trace_ != nullptr) {
            *trace_ = ReplayTrace{};
            trace_->startMemory.assign(m_.ram.begin(), m_.ram.begin() + 0x10000);
            trace_->startR12 = crtcRegisters(start)[12];
            m_.writes = &trace_->writes;
        }
        z80ex_set_reg(m_.cpu, regPC, start.playerAddress);
        z80ex_set_reg(m_.cpu, regSP, start.stackTop);
        z80ex_set_reg(m_.cpu, regIM, 1);
        z80ex_set_reg(m_.cpu, regIFF1, 0);
        z80ex_set_reg(m_.cpu, regIFF2, 0);

        const uint16_t player = start.playerAddress;
        const auto word = [&](uint16_t at) { return static_cast<uint16_t>(m_.ram[at] | (m_.ram[uint16_t(at + 1)] << 8)); };
        go_ = word(uint16_t(player + PlayerGoParam));
        // A double-buffered frame ends where it waits for the sync that shows it.
        wait_ = word(uint16_t(player + (start.doubleBuffer ? PlayerShowParam : PlayerWaitParam)));
        shown_ = displayedOffsets(start.crtcR1, start.linear);
        if (fromScrFiles)
            std::erase_if(shown_, [](uint16_t offset) {
                return offset >= PaletteModeOffset && offset < PaletteInksOffset + InkCount;
            });
    }

    ReplayReport run() {
        if (frames_ == 0) return report_;
        data_ = frameData(start_);
        while (true) {
            if (stopAt_ >= 0) {
                if (m_.now >= stopAt_) break;
            } else if (m_.now - since_ > FrameTimeLimit + int64_t{report_.rate} * NopsPerFrame) {
                report_.failure.code = inFrame_ ? FailurePlayerUnfinished : FailurePlayerNeverStarted;
                report_.failure.count = static_cast<int64_t>(report_.frames.size() % frames_);
                return report_;
            }
            step();
            if (stopAt_ >= 0) continue;  // tracing on to the end of the last picture
            noteScreenShown();
            const uint16_t next = z80ex_get_reg(m_.cpu, regPC);
            if (next == go_ && !inFrame_) {
                if (!frameStarts()) break;
            } else if (next == wait_ && inFrame_) {
                frameEnds();
            }
        }
        if (trace_ != nullptr) {
            trace_->r12Writes = m_.r12Writes;
            trace_->firstSync = firstSync_;
            trace_->lastSync = lastSync_;
        }
        return report_;
    }

private:
    // One instruction, timed as the CPC stretches it, with the syncs the
    // player sampled and those it missed.
    void step() {
        const uint16_t pc = z80ex_get_reg(m_.cpu, regPC);
        const uint8_t b0 = m_.ram[m_.physical(pc)], b1 = m_.ram[m_.physical(uint16_t(pc + 1))];
        const int64_t reads = m_.syncReads;
        int32_t tstates = 0;
        do tstates += z80ex_step(m_.cpu);
        while (z80ex_last_op_type(m_.cpu) != 0);
        const int64_t before = m_.now;
        m_.now += (tstates + 3) / 4 + extraNop(b0, b1, tstates);
        if (m_.syncReads != reads) {
            if (inFrame_) longestUnsampled_ = std::max(longestUnsampled_, before - lastRead_);
            lastRead_ = before;
        }
        // A sync that ended without the player reading it is lost to its
        // count; those before frame 0 (a double-buffered player copies the
        // start screen first) start nothing.
        while (m_.now >= syncStart(nextSyncChecked_) + VsyncLength) {
            if (m_.lastSyncRead < nextSyncChecked_ && !starts_.empty()) ++report_.missedSyncs;
            ++nextSyncChecked_;
        }
    }

    // Double buffering: a frame is checked once the CRTC is given its screen.
    void noteScreenShown() {
        if (unshown_ >= 0 && m_.r12Writes.size() > r12Seen_) {
            ReplayFrame& result = report_.frames[static_cast<size_t>(unshown_)];
            const uint8_t r12 = m_.r12Writes.back().second;
            result.shown = true;
            result.shownScreen = static_cast<uint16_t>(((r12 >> 4) & 3) * 0x4000);
            compareScreen(result, result.shownScreen);
            if (result.loop) lastSync_ = (m_.r12Writes.back().first - VsyncStart) / NopsPerFrame;
            unshown_ = -1;
        }
        r12Seen_ = m_.r12Writes.size();
    }

    // False when the replay has played what it wanted.
    bool frameStarts() {
        if (starts_.empty()) firstSync_ = (m_.now - VsyncStart) / NopsPerFrame;
        starts_.push_back(m_.now);
        if (static_cast<int32_t>(starts_.size()) > frames_ + 1) {  // and frame 0 after the last
            // Only the last period was wanted; the beam model also needs the
            // picture that shows the loop's frame 0.
            if (trace_ == nullptr || lastSync_ < 0) return false;
            stopAt_ = std::max(m_.now, (lastSync_ + 2) * NopsPerFrame);
            return true;
        }
        inFrame_ = true;
        frameStart_ = since_ = lastRead_ = m_.now;
        longestUnsampled_ = 0;
        return true;
    }

    void frameEnds() {
        inFrame_ = false;
        since_ = m_.now;
        ReplayFrame result;
        const int32_t position = static_cast<int32_t>(report_.frames.size());
        result.loop = position == frames_;
        result.frame = result.loop ? 0 : position;
        result.nops = m_.now - frameStart_;
        const int64_t target = firstSync_ + int64_t{position} * report_.rate;
        result.sync = static_cast<int32_t>((frameStart_ - VsyncStart) / NopsPerFrame - firstSync_);
        result.onTime = frameStart_ >= syncStart(target) && frameStart_ - syncStart(target) < OnTimeSlack;
        result.slotNops = m_.now - syncStart(target);
        result.fits = m_.now <= syncStart(target + report_.rate);
        result.bytes = frameBytes(start_, data_[static_cast<size_t>(result.frame)]);
        result.longestUnsampled = std::max(longestUnsampled_, m_.now - lastRead_);
        if (start_.doubleBuffer) {
            // Checked once the CRTC is given its screen.
            result.shown = false;
            result.matches = static_cast<size_t>(result.frame) >= expected_.size();
            unshown_ = position;
        } else {
            compareScreen(result, start_.baseAddress);
            if (result.loop) lastSync_ = result.sync + firstSync_;
        }
        report_.frames.push_back(result);
    }

    void compareScreen(ReplayFrame& result, uint16_t screen) const {
        result.matches = true;
        if (static_cast<size_t>(result.frame) >= expected_.size()) return;
        const ScreenImage& want = expected_[static_cast<size_t>(result.frame)];
        for (const uint16_t offset : shown_) {
            const uint8_t got = m_.ram[screen + offset];
            if (got == want[offset]) continue;
            result.matches = false;
            result.address = static_cast<uint16_t>(screen + offset);
            result.screenByte = got;
            result.expectedByte = want[offset];
            break;
        }
    }

    const CpcMachine& start_;
    const std::vector<ScreenImage>& expected_;
    ReplayTrace* trace_;
    const int32_t frames_;
    ReplayReport report_;
    Machine m_;
    std::unique_ptr<Z80EX_CONTEXT, ContextDeleter> cpu_;
    uint16_t go_ = 0, wait_ = 0;
    std::vector<uint16_t> shown_;  // the screen offsets compared
    std::vector<FrameData> data_;
    std::vector<int64_t> starts_;
    bool inFrame_ = false;
    int64_t frameStart_ = 0;
    int64_t since_ = 0;  // the last start or end of a frame
    int64_t firstSync_ = 0;
    int64_t lastRead_ = 0, longestUnsampled_ = 0;
    int64_t nextSyncChecked_ = 0;  // the first sync whose sampling is not yet checked
    int32_t unshown_ = -1;         // double buffering: the frame that waits for the CRTC to show it
    size_t r12Seen_ = 0;
    int64_t lastSync_ = -1;  // the sync after which the loop's frame 0 is shown
    int64_t stopAt_ = -1;    // tracing: the end of that picture
};

}  // namespace

ReplayReport replayFrames(const CpcMachine& start, const std::vector<ScreenImage>& expected, bool fromScrFiles,
                          ReplayTrace* trace) {
    return Replay(start, expected, fromScrFiles, trace).run();
}

double nopsPerByte(const ReplayReport& report) {
    double sum = 0;
    int32_t counted = 0;
    for (const ReplayFrame& frame : report.frames) {
        const bool only = report.frames.size() <= 2;  // frame 0 and its loop
        if (frame.loop || frame.bytes == 0 || (frame.frame == 0 && !only)) continue;
        sum += static_cast<double>(frame.nops) / frame.bytes;
        ++counted;
    }
    return counted == 0 ? 0.0 : sum / counted;
}

RateChoice chooseRate(const ReplayReport& report) {
    RateChoice choice;
    const ReplayFrame* dearest = nullptr;
    for (const ReplayFrame& frame : report.frames)
        if (dearest == nullptr || frame.slotNops > dearest->slotNops) dearest = &frame;
    if (dearest == nullptr) return choice;
    choice.dearestFrame = dearest->frame;
    choice.dearestNops = dearest->slotNops;
    const int64_t slots = (dearest->slotNops + NopsPerFrame - 1) / NopsPerFrame;
    choice.fits = slots <= PlayerRateMax;
    choice.rate = static_cast<int32_t>(std::clamp<int64_t>(slots, 1, PlayerRateMax));
    return choice;
}

RateChoice measureRate(const CpcMachine& machine, Failure* failure) {
    CpcMachine trial = machine;
    trial.rate = 1;
    trial.ram[trial.playerAddress + size_t{PlayerRateParam}] = 1;
    ReplayReport report = replayFrames(trial, {});
    RateChoice choice = chooseRate(report);
    if (!report.failure.failed() && choice.rate > 1) {
        trial.rate = choice.rate;
        trial.ram[trial.playerAddress + size_t{PlayerRateParam}] = static_cast<uint8_t>(choice.rate);
        report = replayFrames(trial, {});
        choice = chooseRate(report);
    }
    if (failure != nullptr) *failure = report.failure;
    return choice;
}

}  // namespace volumix

#else

namespace volumix {

ReplayReport replayFrames(const CpcMachine&, const std::vector<ScreenImage>&, bool, ReplayTrace*) {
    ReplayReport report;
    report.failure.code = FailureEmulatorMissing;
    return report;
}

double nopsPerByte(const ReplayReport&) { return 0.0; }

RateChoice chooseRate(const ReplayReport&) { return {}; }

RateChoice measureRate(const CpcMachine&, Failure* failure) {
    Failure missing;
    missing.code = FailureEmulatorMissing;
    report(failure, missing);
    return {};
}

}  // namespace volumix

#endif

namespace volumix {

ReplayReport replayFrames(const CpcMachine& start, const std::vector<ScreenImage>& expected, bool fromScrFiles) {
    return replayFrames(start, expected, fromScrFiles, nullptr);
}

}  // namespace volumix
