#include "export/cpc_snapshot.h"

#include <gtest/gtest.h>

#include "export/z80_replay.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

// Bank-layout data of one plain delta per frame: frame k sets offset k+1 (or
// offset 0 for the end-marker case) to value 0x11 * (k + 1).
RunData bankedDeltas(int32_t frames, uint16_t base, bool touchOffsetZero) {
    RunData data;
    data.banks = true;
    for (int32_t k = 0; k < frames; ++k) {
        const uint16_t address = static_cast<uint16_t>(0x4000 + data.bankData[0].size());
        const uint16_t target = static_cast<uint16_t>(base + (touchOffsetZero ? 0 : k + 1));
        for (uint8_t byte : {uint8_t(target), uint8_t(target >> 8), uint8_t(0x11 * (k + 1)), uint8_t(0), uint8_t(0)})
            data.bankData[0].push_back(byte);
        for (uint8_t byte : {uint8_t(address), uint8_t(address >> 8), uint8_t(4)}) data.index.push_back(byte);
    }
    return data;
}

TEST(CpcSnapshot, HeaderFieldsReadBackAsWritten) {
    PlaybackSettings settings;
    settings.format.baseAddress = 0x0000;
    settings.format.crtcR1 = 48;
    settings.screenMode = 2;
    settings.format.frames = DeltaFrames{true};
    settings.inks = {0, 26, 13, 6, 26, 0, 2, 7, 10, 12, 14, 16, 18, 22, 1, 14};
    CpcMachine machine;
    ASSERT_FALSE(buildCpcMachine(settings, bankedDeltas(3, 0, false), true, machine).failed());
    const std::vector<uint8_t> bytes = buildSnapshot(machine);
    ASSERT_EQ(bytes.size(), 256u + 128u * 1024u);

    SnapshotInfo info;
    ASSERT_FALSE(readSnapshot(bytes, info).failed());
    EXPECT_EQ(info.version, 3);
    EXPECT_EQ(info.pc, machine.playerAddress);
    EXPECT_EQ(info.sp, machine.stackTop);
    EXPECT_EQ(info.pc % 256, 0);
    EXPECT_EQ(info.iff0, 0);
    EXPECT_EQ(info.iff1, 0);
    EXPECT_EQ(info.interruptMode, 1);
    EXPECT_EQ(info.pens[0], 0x14);   // black
    EXPECT_EQ(info.pens[1], 0x0B);   // bright white &4B
    EXPECT_EQ(info.pens[2], 0x00);   // white &40
    EXPECT_EQ(info.pens[16], 0x14);  // border as ink 0
    EXPECT_EQ(info.modeAndRom, 0x8E);
    EXPECT_EQ(info.ramConfig, 0);
    EXPECT_EQ(info.crtc[0], 63);
    EXPECT_EQ(info.crtc[1], 48);
    EXPECT_EQ(info.crtc[6], 21);  // 1,024 words / 48 per row
    EXPECT_EQ(info.crtc[9], 7);
    EXPECT_EQ(info.crtc[12], 0x00);
    EXPECT_EQ(info.dumpKb, 128);
    EXPECT_EQ(info.machineType, 2);
    for (int k = 0x6F; k < 0x75; ++k) EXPECT_EQ(bytes[k], 2) << k;

    CpcMachine back;
    ASSERT_FALSE(machineFromSnapshot(info, back).failed());
    EXPECT_EQ(back.kind, PlayerCompressedDelta);
    EXPECT_EQ(back.frameCount, 3);
    EXPECT_EQ(back.indexAddress, 0xE400);
    EXPECT_EQ(back.baseAddress, 0x0000);
    EXPECT_EQ(back.ram, machine.ram);
}

TEST(CpcSnapshot, PlayerIsRelocatedByItsHighBytesOnly) {
    ASSERT_GT(PlayerCode.size(), 16u);
    EXPECT_EQ(PlayerCode[0], 0xC3);  // JP start
    ASSERT_FALSE(PlayerRelocations.empty());
    const std::vector<uint8_t> moved = relocatedPlayer(0x9300);
    size_t changed = 0;
    for (size_t k = 0; k < moved.size(); ++k)
        if (moved[k] != PlayerCode[k]) {
            ++changed;
            EXPECT_EQ(uint8_t(moved[k] - PlayerCode[k]), 0x93) << k;
        }
    EXPECT_EQ(changed, PlayerRelocations.size());
}

TEST(CpcSnapshot, LayoutsThatCannotPlayAreRefusedWithTheirFacts) {
    struct Case {
        const char* name;
        bool banks;
        uint16_t base;
        size_t mainBytes;
        bool linear, points, sizeOnly;
        int32_t sprite, r1;
        FailureCode code;
        MemoryArea area = MemoryAreaNone;
        uint32_t areaBegin = 0;
        LayoutAdvice advice = LayoutAdviceNone;
    };
    const Case cases[] = {
        {"linear", false, 0xC000, 10, true, false, false, 0, 40, FailureLinearSnapshot},
        {"points", false, 0xC000, 10, false, true, false, 0, 40, FailurePointsNotPlayed},
        {"size header", false, 0xC000, 10, false, false, true, 1, 40, FailureSizeHeaderNotPlayed},
        {"wide sprite", false, 0xC000, 10, false, false, false, 1, 48, FailureSpriteTooWide},
        {"banked screen", true, 0x4000, 10, false, false, false, 0, 40, FailureBanksHideScreen},
        {"data into screen", false, 0x4000, 0x3F00, false, false, false, 0, 40, FailureReachesScreen, MemoryAreaData,
         0x0200, LayoutAdviceBaseC000OrBanks},
        {"index in screen", true, 0xC000, 10, false, false, false, 0, 40, FailureReachesScreen, MemoryAreaIndex, 0xE400,
         LayoutAdviceBase0000},
        {"bank 8 into screen", true, 0x8000, 0x5000, false, false, false, 0, 40, FailureReachesScreen,
         MemoryAreaLastBankData, 0x4000, LayoutAdviceBase0000},
        {"screen over data", false, 0x0000, 10, false, false, false, 0, 40, FailureReachesScreen, MemoryAreaData, 0x0200,
         LayoutAdviceBaseC000OrBanks},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RunData data;
        data.banks = c.banks;
        data.mainData.assign(c.mainBytes, 0);
        data.index = {uint8_t(c.banks ? 0x00 : 0x00), uint8_t(c.banks ? 0x40 : 0x02), uint8_t(c.banks ? 8 : 0)};
        PlaybackSettings settings;
        settings.format.baseAddress = c.base;
        settings.format.linear = c.linear;
        if (c.points) settings.format.frames = PointFrames{};
        if (c.sprite != 0) settings.format.frames = SpriteFrames{static_cast<SpriteLayout>(c.sprite), c.sizeOnly};
        settings.format.crtcR1 = c.r1;
        CpcMachine machine;
        const Failure failure = buildCpcMachine(settings, data, true, machine);
        EXPECT_EQ(failure.code, c.code);
        EXPECT_EQ(failure.area, c.area);
        EXPECT_EQ(failure.advice, c.advice);
        if (c.code == FailureReachesScreen) {
            EXPECT_EQ(failure.begin, c.areaBegin);
            EXPECT_EQ(failure.otherBegin, c.base);
            EXPECT_EQ(failure.otherEnd, c.base + 0x4000u);
        }
    }
}

TEST(CpcSnapshot, ThePlayerFitsTheFullestLayouts) {
    // Main memory full up to the index, 360 entries, screen at &C000: the
    // gap after the index; bank 8 full up to the bank index, screen at
    // &0000: the gap after that index.
    struct Case {
        bool banks;
        uint16_t base;
        uint16_t expected;
    };
    for (const Case& c : {Case{false, 0xC000, 0xAB00}, Case{true, 0x0000, 0xE900}}) {
        SCOPED_TRACE(c.banks);
        RunData data;
        data.banks = c.banks;
        data.mainData.assign(0xA400, 0);
        for (int32_t k = 0; k < 360; ++k)
            data.index.insert(data.index.end(), {uint8_t(0x00), uint8_t(c.banks ? 0x40 : 0x02), uint8_t(c.banks ? 8 : 0)});
        PlaybackSettings settings;
        settings.format.baseAddress = c.base;
        CpcMachine machine;
        ASSERT_FALSE(buildCpcMachine(settings, data, true, machine).failed());
        EXPECT_EQ(machine.playerAddress, c.expected);
        EXPECT_LE(machine.stackTop, c.banks ? 0x10000 - 1 : 0xC000);
    }
}

TEST(CpcSnapshot, DataFilesLargerThanTheirMemoryAreRefused) {
    // A frame larger than a bank goes whole into the next bank's file: such
    // a file does not fit the 16 KB window it is read through (and was
    // copied past the end of the 128 KB image).
    test::TestFolder folder;
    const auto file = [&](const std::string& name, size_t bytes) {
        std::vector<uint8_t> content(128 + bytes, 0);
        test::writeBytes(folder / name, content);
    };
    const std::string prefix = (folder / "run").string();
    for (const char* bank : {"C4", "C5", "C6"}) {
        file(std::string("run.") + bank, 0);
        test::writeBytes(folder / (std::string("run.") + bank + ".idx"), std::vector<uint8_t>(128, 0));
    }
    file("run.C7", 20000);
    std::vector<uint8_t> index(128, 0);
    index.insert(index.end(), {0x00, 0x40, 7});
    test::writeBytes(folder / "run.C7.idx", index);
    RunData data;
    const Failure failure = readRunData(prefix, data);
    EXPECT_EQ(failure.code, FailureDataTooLarge);
    EXPECT_EQ(failure.path, (folder / "run.C7").string());
    EXPECT_EQ(failure.count, 20000);
    EXPECT_EQ(failure.begin, 0x4000u);
    EXPECT_EQ(failure.end, 0x8000u);
    file("run.C7", 16384);  // a full bank is fine
    EXPECT_FALSE(readRunData(prefix, data).failed());
}

TEST(CpcSnapshot, TheRateAndWhereEachBanksDataEndsReachThePlayer) {
    PlaybackSettings settings;
    settings.format.baseAddress = 0x0000;
    settings.format.rate = 7;
    RunData data = bankedDeltas(3, 0x0000, false);
    data.bankData[1] = {1, 2, 3};  // bank 5
    data.mainData = {4, 5};        // bank 8 at &4000
    CpcMachine machine;
    ASSERT_FALSE(buildCpcMachine(settings, data, true, machine).failed());
    const auto word = [&](size_t at) { return machine.ram[at] | (machine.ram[at + 1] << 8); };
    const size_t params = machine.playerAddress;
    EXPECT_EQ(machine.ram[params + PlayerRateParam], 7);
    EXPECT_EQ(word(params + PlayerEndsParam), 0x4000 + 15);     // bank 4: three records of 5 bytes
    EXPECT_EQ(word(params + PlayerEndsParam + 2), 0x4003);      // bank 5
    EXPECT_EQ(word(params + PlayerEndsParam + 4), 0x4000);      // banks 6, 7: empty
    EXPECT_EQ(word(params + PlayerEndsParam + 8), 0x4002);      // main memory

    SnapshotInfo info;
    ASSERT_FALSE(readSnapshot(buildSnapshot(machine), info).failed());
    CpcMachine back;
    ASSERT_FALSE(machineFromSnapshot(info, back).failed());
    EXPECT_EQ(back.rate, 7);
    // Files read back over the snapshot set the ends again.
    data.bankData[0].resize(10);
    overlayRunData(data, back);
    EXPECT_EQ(back.ram[params + PlayerEndsParam] | (back.ram[params + PlayerEndsParam + 1] << 8), 0x400A);

    for (const int32_t rate : {0, PlayerRateMax + 1}) {
        settings.format.rate = rate;
        const Failure refusal = buildCpcMachine(settings, data, true, machine);
        EXPECT_EQ(refusal.code, FailureRateOutOfRange);
        EXPECT_EQ(refusal.count, rate);
    }
}

}  // namespace
}  // namespace volumix
