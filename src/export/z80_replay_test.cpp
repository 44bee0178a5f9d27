// The player on the emulated CPC with runs built here byte by byte: the
// rate's schedule, the vertical syncs counted while frames play, offset 0
// with base &0000, sprite boxes of every shape, and the loop from the last
// frame to frame 0.
#include "export/z80_replay.h"

#include <gtest/gtest.h>

#include <random>

#include "cpc/frame_extraction.h"
#include "cpc/palette.h"
#include "platform/dib_surface.h"
#include "testing/run_support.h"

namespace volumix {
namespace {

using Bytes = std::vector<uint8_t>;


// A screen delta: address, value per change (offsets ascending), 00 00.
Bytes delta(uint16_t base, const std::vector<std::pair<uint16_t, uint8_t>>& changes) {
    Bytes out;
    for (const auto& [offset, value] : changes) {
        const uint16_t address = static_cast<uint16_t>(base + offset);  // base &0000, offset 0: 00 00
        out.insert(out.end(), {uint8_t(address), uint8_t(address >> 8), value});
    }
    out.insert(out.end(), {0, 0});
    return out;
}

Bytes compressed(const Bytes& plain) {
    FrameRecord record;
    for (uint8_t byte : plain) record.appendByte(byte);
    compressDelta(record);
    return Bytes(record.data.begin(), record.data.begin() + record.length);
}

// Changes of frame k: `count` offsets `stride` apart.
std::vector<std::pair<uint16_t, uint8_t>> spreadChanges(int32_t count, int32_t k, int32_t stride = 4) {
    std::vector<std::pair<uint16_t, uint8_t>> changes;
    for (int32_t i = 0; i < count; ++i)
        changes.emplace_back(static_cast<uint16_t>((i * stride + k) % ScreenBytes), static_cast<uint8_t>(k * 7 + i + 1));
    std::sort(changes.begin(), changes.end());
    return changes;
}

// The screens the deltas leave, from `start`.
std::vector<ScreenImage> screensAfter(const std::vector<std::vector<std::pair<uint16_t, uint8_t>>>& frames,
                                      ScreenImage screen = {}) {
    std::vector<ScreenImage> screens;
    for (const auto& changes : frames) {
        for (const auto& [offset, value] : changes) screen[offset] = value;
        screens.push_back(screen);
    }
    return screens;
}

CpcMachine machineFor(const PlaybackSettings& settings, const RunData& data) {
    CpcMachine machine;
    EXPECT_FALSE(buildCpcMachine(settings, data, false, machine).failed());
    return machine;
}

TEST(Z80Replay, FrameKStartsAtSyncKTimesTheRate) {
    std::vector<std::vector<std::pair<uint16_t, uint8_t>>> frames;
    std::vector<Bytes> records;
    for (int32_t k = 0; k < 5; ++k) {
        frames.push_back(spreadChanges(40 + 30 * k, k));
        records.push_back(delta(0xC000, frames.back()));
    }
    for (const int32_t rate : {1, 3, PlayerRateMax}) {
        SCOPED_TRACE(rate);
        PlaybackSettings settings;
        settings.format.rate = rate;
        const ReplayReport report = replayFrames(machineFor(settings, test::mainMemoryRun(records)), screensAfter(frames));
        ASSERT_FALSE(report.failure.failed());
        EXPECT_EQ(report.rate, rate);
        EXPECT_EQ(report.missedSyncs, 0);
        ASSERT_EQ(report.frames.size(), 6u);
        for (size_t k = 0; k < report.frames.size(); ++k) {
            const ReplayFrame& frame = report.frames[k];
            EXPECT_EQ(frame.sync, static_cast<int32_t>(k) * rate) << k;
            EXPECT_TRUE(frame.onTime) << k;
            EXPECT_TRUE(frame.fits) << k;
            EXPECT_EQ(frame.matches, !frame.loop) << k;  // frame 4's bytes stay behind on the loop
            EXPECT_EQ(frame.bytes, 40 + 30 * frame.frame) << k;
        }
    }
}

// Frames that cost between one and two 50 Hz frames: 3,000 to 3,800 single
// changes, or 2,400 to 2,800 in groups of four.
struct HeavyRun {
    std::vector<std::vector<std::pair<uint16_t, uint8_t>>> frames;
    RunData data;
};

HeavyRun heavyRun(bool compress) {
    HeavyRun run;
    std::vector<Bytes> records;
    for (int32_t k = 0; k < 3; ++k) {
        run.frames.push_back(compress ? spreadChanges(2400 + 200 * k, k, 1) : spreadChanges(3000 + 400 * k, k));
        const Bytes plain = delta(0xC000, run.frames.back());
        records.push_back(compress ? compressed(plain) : plain);
    }
    run.data = test::mainMemoryRun(records);
    return run;
}

TEST(Z80Replay, OverrunningFramesCostOnlyTheirSlotAndAutoChoosesTheFewestSyncsThatFit) {
    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        const HeavyRun run = heavyRun(compress);
        PlaybackSettings settings;
        settings.format.frames = DeltaFrames{compress};
        const CpcMachine machine = machineFor(settings, run.data);
        const std::vector<ScreenImage> screens = screensAfter(run.frames);

        // One sync a frame: each frame overruns, the next starts at once,
        // and the sync count stays right (every sync is read while it lasts).
        const ReplayReport late = replayFrames(machine, screens);
        ASSERT_FALSE(late.failure.failed());
        EXPECT_EQ(late.missedSyncs, 0);
        for (const ReplayFrame& frame : late.frames) {
            EXPECT_GT(frame.nops, NopsPerFrame) << frame.frame;
            EXPECT_LT(frame.nops, 2 * NopsPerFrame) << frame.frame;
            EXPECT_FALSE(frame.fits) << frame.frame;
            EXPECT_LT(frame.longestUnsampled, 512) << frame.frame;
            EXPECT_EQ(frame.matches, !frame.loop) << frame.frame;
        }
        EXPECT_TRUE(late.frames[0].onTime);
        EXPECT_FALSE(late.frames[1].onTime);

        Failure failure;
        const RateChoice choice = measureRate(machine, &failure);
        EXPECT_FALSE(failure.failed());
        EXPECT_EQ(choice.rate, 2);
        EXPECT_TRUE(choice.fits);
        EXPECT_EQ(choice.dearestFrame, 2);  // the most changes
        EXPECT_GT(choice.dearestNops, NopsPerFrame);

        CpcMachine paced = machine;
        paced.rate = 2;
        paced.ram[paced.playerAddress + size_t{PlayerRateParam}] = 2;
        const ReplayReport onTime = replayFrames(paced, screens);
        EXPECT_EQ(onTime.missedSyncs, 0);
        for (size_t k = 0; k < onTime.frames.size(); ++k) {
            EXPECT_TRUE(onTime.frames[k].onTime) << k;
            EXPECT_TRUE(onTime.frames[k].fits) << k;
            EXPECT_EQ(onTime.frames[k].sync, 2 * static_cast<int32_t>(k));
            EXPECT_LT(onTime.frames[k].longestUnsampled, 512) << k;  // a sync comes while it plays
        }
    }
}

TEST(Z80Replay, AChangeAtOffsetZeroWithBaseZeroPlaysWhole) {
    // 00 00 starts frame 0 (a change at offset 0) and frame 2 (a compressed
    // group of four at offset 0); frame 1 is empty: 00 00 alone.
    const std::vector<std::vector<std::pair<uint16_t, uint8_t>>> frames = {
        {{0, 0x11}, {7, 0x22}}, {}, {{0, 0x33}, {1, 0x44}, {2, 0x55}, {3, 0x66}, {9, 0x77}}, {{5, 0x88}}};
    struct Case {
        bool compress, banks;
        uint16_t base;  // the data at &0200 leaves base &0000 to runs with banks
    };
    for (const Case c : {Case{false, true, 0x0000}, Case{true, true, 0x0000}, Case{true, false, 0xC000}}) {
        SCOPED_TRACE(std::string(c.compress ? "compressed" : "plain") + (c.banks ? ", banks" : ""));
        const bool compress = c.compress;
        std::vector<Bytes> records;
        for (const auto& changes : frames)
            records.push_back(compress ? compressed(delta(c.base, changes)) : delta(c.base, changes));
        if (!compress) {
            EXPECT_EQ(records[0][0] | records[0][1], 0);
        }
        EXPECT_EQ(records[2][0] | records[2][1], 0);
        RunData data = test::mainMemoryRun(records);
        if (c.banks) {
            // The records in bank 4, the last one in bank 5.
            data = RunData{};
            data.banks = true;
            for (size_t k = 0; k < records.size(); ++k) {
                Bytes& bank = data.bankData[k + 1 < records.size() ? 0 : 1];
                const uint16_t address = static_cast<uint16_t>(0x4000 + bank.size());
                bank.insert(bank.end(), records[k].begin(), records[k].end());
                data.index.insert(data.index.end(),
                                  {uint8_t(address), uint8_t(address >> 8), uint8_t(k + 1 < records.size() ? 4 : 5)});
            }
        }
        PlaybackSettings settings;
        settings.format.baseAddress = c.base;
        settings.format.frames = DeltaFrames{compress};
        const std::vector<ScreenImage> screens = screensAfter(frames);
        const ReplayReport report = replayFrames(machineFor(settings, data), screens);
        ASSERT_FALSE(report.failure.failed());
        ASSERT_EQ(report.frames.size(), frames.size() + 1);
        for (size_t k = 0; k < frames.size(); ++k) {
            EXPECT_TRUE(report.frames[k].matches) << k;
            EXPECT_EQ(report.frames[k].bytes, static_cast<int32_t>(frames[k].size())) << k;
        }
    }
}

// A sprite block's record and the screen it leaves (zeros outside its box).
struct SpriteFrame {
    Bytes record;
    ScreenImage screen{};
};

int32_t lineOffset(int32_t y) { return (y >> 3) * 80 + (y & 7) * ScreenRasterBlock; }

SpriteFrame spriteFrame(int32_t x0, int32_t y0, int32_t x1, int32_t y1, int32_t layout, std::mt19937& random) {
    SpriteFrame frame;
    frame.record = {uint8_t(x0), uint8_t(y0), uint8_t(x1), uint8_t(y1)};
    if (x1 < x0 || y1 < y0) return frame;
    for (int32_t y = y0; y <= y1; ++y)
        for (int32_t x = x0; x <= x1; ++x) frame.screen[lineOffset(y) + x] = static_cast<uint8_t>(1 + random() % 255);
    const auto at = [&](int32_t x, int32_t y) { return frame.screen[lineOffset(y) + x]; };
    if (layout == SpriteLayoutLines) {
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x) frame.record.push_back(at(x, y));
    } else if (layout == SpriteLayoutOneColumn) {
        for (int32_t x = x0; x <= x1; ++x)
            for (int32_t y = y0; y <= y1; ++y) frame.record.push_back(at(x, y));
    } else {
        for (int32_t x = x0; x <= x1; x += 2)
            for (int32_t y = y0; y <= y1; ++y) {
                frame.record.push_back(at(x, y));
                frame.record.push_back(x + 1 <= x1 ? at(x + 1, y) : 0);
            }
    }
    return frame;
}

TEST(Z80Replay, SpriteBoxesOfEveryShapeDrawAndClearWhatTheyLeave) {
    struct Box {
        int32_t x0, y0, x1, y1;
    };
    // Odd and even heights and first lines, one line, one row, narrow and
    // full-width boxes, boxes that shrink, grow, move apart, and none; a box
    // that ends on the last line.
    const std::vector<Box> boxes = {
        {10, 5, 20, 40},  {10, 6, 20, 40},  {11, 6, 19, 39}, {30, 50, 30, 50}, {79, 199, 0, 0},
        {0, 0, 79, 7},    {5, 3, 7, 150},   {6, 3, 7, 150},  {40, 190, 79, 199}, {0, 8, 2, 15},
        {33, 17, 34, 18}, {20, 60, 61, 61}, {20, 61, 60, 140}, {0, 0, 79, 199}, {40, 100, 41, 100},
        {5, 180, 79, 199},  // odd width at the right edge: two columns pad past byte 79
    };
    for (const int32_t layout : {SpriteLayoutLines, SpriteLayoutOneColumn, SpriteLayoutTwoColumns}) {
        SCOPED_TRACE(layout);
        std::mt19937 random(layout);
        std::vector<Bytes> records;
        std::vector<ScreenImage> screens;
        for (const Box& box : boxes) {
            SpriteFrame frame = spriteFrame(box.x0, box.y0, box.x1, box.y1, layout, random);
            records.push_back(frame.record);
            screens.push_back(frame.screen);
        }
        PlaybackSettings settings;
        settings.format.frames = SpriteFrames{static_cast<SpriteLayout>(layout)};
        const ReplayReport report = replayFrames(machineFor(settings, test::mainMemoryRun(records)), screens);
        ASSERT_FALSE(report.failure.failed());
        EXPECT_EQ(report.missedSyncs, 0);
        ASSERT_EQ(report.frames.size(), boxes.size() + 1);
        for (const ReplayFrame& frame : report.frames) {
            EXPECT_TRUE(frame.matches) << frame.frame << " at &" << std::hex << frame.address;
            const Box& box = boxes[static_cast<size_t>(frame.frame)];
            const int32_t area = box.x1 < box.x0 ? 0 : (box.x1 - box.x0 + 1) * (box.y1 - box.y0 + 1);
            EXPECT_EQ(frame.bytes, area);
            // The whole screen drawn late still samples the sync often enough.
            EXPECT_LT(frame.longestUnsampled, 512) << frame.frame;
        }
    }
}

// Mode 2 pixels for one byte value: 8 pixels, ink 1 where a bit is set.
void paintByte(std::vector<uint32_t>& pixels, int32_t y, int32_t column, uint8_t value) {
    for (int32_t bit = 0; bit < 8; ++bit)
        pixels[static_cast<size_t>(y * FrameWidth + column * 8 + bit)] =
            hardwareColourPixel(DefaultInks[(value >> (7 - bit)) & 1]);
}

TEST(Z80Replay, FrameZeroIsRightAfterTheStartScreenAndAfterTheLastFrame) {
    // The pre-roll is the last frame. At line 0 byte 0 the last frame holds
    // 0xAA (the empty screen's 0 XOR 0xAA) where frame 0 holds 0; at byte 1
    // the pre-roll holds 0x0F and frame 0 holds 0x0F XOR 0xAA. A mark by XOR
    // alone lists neither byte in frame 0's delta.
    std::vector<uint32_t> first(FramePixelCount, hardwareColourPixel(DefaultInks[0]));
    std::vector<uint32_t> last = first;
    paintByte(last, 0, 0, 0xAA);
    paintByte(last, 0, 1, 0x0F);
    paintByte(first, 0, 1, 0x0F ^ 0xAA);
    paintByte(first, 3, 9, 0x81);
    paintByte(last, 100, 40, 0x3C);

    FrameEncoding encoding;
    encoding.screenMode = 2;
    ScreenImages images;
    encoding.framePixels = last.data();
    extractScreenDelta(images, encoding, nullptr, 0xC000, nullptr);  // the pre-roll
    std::vector<Bytes> records;
    std::vector<ScreenImage> screens;
    for (const std::vector<uint32_t>* pixels : {&first, &last}) {
        encoding.framePixels = pixels->data();
        FrameRecord record;
        extractScreenDelta(images, encoding, &record, 0xC000, nullptr);
        records.emplace_back(record.data.begin(), record.data.begin() + record.length);
        screens.push_back(images.currentImage);
    }
    ASSERT_EQ(screens.size(), 2u);
    EXPECT_EQ(screens[0][0], 0x00);
    EXPECT_EQ(screens[0][1], 0x0F ^ 0xAA);
    EXPECT_EQ(screens[1][0], 0xAA);

    PlaybackSettings settings;
    settings.screenMode = 2;
    const ReplayReport report = replayFrames(machineFor(settings, test::mainMemoryRun(records)), screens);
    ASSERT_FALSE(report.failure.failed());
    ASSERT_EQ(report.frames.size(), 3u);
    for (const ReplayFrame& frame : report.frames)
        EXPECT_TRUE(frame.matches) << frame.frame << (frame.loop ? " (loop)" : "") << " at &" << std::hex
                                   << frame.address;
}

TEST(Z80Replay, ChooseRateTakesTheDearestFrameFromItsSync) {
    ReplayReport report;
    EXPECT_EQ(chooseRate(report).rate, 1);
    for (const int64_t nops : {5000, 45000, 19968, 12000}) {
        ReplayFrame frame;
        frame.frame = static_cast<int32_t>(report.frames.size());
        frame.slotNops = nops;
        report.frames.push_back(frame);
    }
    RateChoice choice = chooseRate(report);
    EXPECT_EQ(choice.rate, 3);  // 45,000 us need three 19,968 us slots
    EXPECT_EQ(choice.dearestFrame, 1);
    EXPECT_EQ(choice.dearestNops, 45000);
    EXPECT_TRUE(choice.fits);
    report.frames[2].slotNops = int64_t{PlayerRateMax} * NopsPerFrame + 1;
    choice = chooseRate(report);
    EXPECT_EQ(choice.rate, PlayerRateMax);
    EXPECT_FALSE(choice.fits);
    report.frames[2].slotNops = 2 * NopsPerFrame;  // exactly two slots fit
    EXPECT_EQ(chooseRate(report).rate, 3);
    report.frames[1].slotNops = 100;
    EXPECT_EQ(chooseRate(report).rate, 2);
}

}  // namespace
}  // namespace volumix
