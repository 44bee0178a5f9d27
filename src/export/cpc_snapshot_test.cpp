#include "export/cpc_snapshot.h"

#include <gtest/gtest.h>

#include "export/z80_replay.h"

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

TEST(Z80Replay, BankedDeltasPlayAndTheOffsetZeroLimitIsNamed) {
    for (const bool offsetZero : {false, true}) {
        SCOPED_TRACE(offsetZero);
        PlaybackSettings settings;
        settings.format.baseAddress = 0x0000;
        const RunData data = bankedDeltas(4, 0x0000, offsetZero);
        CpcMachine machine;
        ASSERT_FALSE(buildCpcMachine(settings, data, false, machine).failed());
        std::vector<ScreenImage> expected(4);
        ScreenImage screen{};
        for (int k = 0; k < 4; ++k) {
            screen[offsetZero ? 0 : k + 1] = uint8_t(0x11 * (k + 1));
            expected[k] = screen;
        }
        const ReplayReport report = replayFrames(machine, expected);
        ASSERT_EQ(report.failure, "");
        ASSERT_EQ(report.frames.size(), 5u);
        for (const ReplayFrame& frame : report.frames) {
            EXPECT_TRUE(frame.fits);
            EXPECT_GT(frame.nops, 0);
            EXPECT_LT(frame.nops, 200);
            // Frame 0's single byte stays behind after the last frame: the
            // loop shows the others' bytes, which the expected frame 0 lacks.
            if (offsetZero) {
                EXPECT_FALSE(frame.matches);
                EXPECT_TRUE(frame.endMarkerLimit);
                EXPECT_EQ(frame.address, 0x0000);
            } else {
                EXPECT_EQ(frame.matches, !frame.loop) << frame.frame;
                EXPECT_FALSE(frame.endMarkerLimit);
            }
        }
    }
}

}  // namespace
}  // namespace volumix
