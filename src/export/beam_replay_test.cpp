// The beam model on runs built here byte by byte: a frame the beam overtakes
// tears where the beam passes the player, and the same frames double
// buffered are never seen half drawn.
#include "export/beam_replay.h"
#include "testing/run_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace volumix {
namespace {

using Bytes = std::vector<uint8_t>;

constexpr int32_t BytesALine = 20;
constexpr int32_t Lines = 200;


uint16_t lineOffset(int32_t y) { return static_cast<uint16_t>((y >> 3) * 80 + (y & 7) * 0x800); }

// A plain delta that writes the first 20 bytes of every line, top line
// first: some 160 µs a line, slower than the beam's 64.
Bytes linesDelta(uint16_t base, uint8_t value, ScreenImage& image) {
    Bytes out;
    for (int32_t y = 0; y < Lines; ++y)
        for (int32_t x = 0; x < BytesALine; ++x) {
            const uint16_t offset = static_cast<uint16_t>(lineOffset(y) + x);
            const uint16_t address = static_cast<uint16_t>(base + offset);
            out.insert(out.end(), {uint8_t(address), uint8_t(address >> 8), value});
            image[offset] = value;
        }
    out.insert(out.end(), {0, 0});
    return out;
}

CpcMachine machineOf(bool doubleBuffer, const RunData& data) {
    PlaybackSettings settings;
    settings.format.doubleBuffer = doubleBuffer;  // base &C000: second screen &8000
    CpcMachine machine;
    EXPECT_FALSE(buildCpcMachine(settings, data, false, machine).failed());
    return machine;
}

bool lineShows(const ScreenImage& picture, int32_t y, uint8_t value) {
    const uint8_t* line = picture.data() + lineOffset(y);
    return std::all_of(line, line + BytesALine, [&](uint8_t b) { return b == value; });
}

TEST(BeamReplay, AFrameSlowerThanTheBeamTearsWhereTheBeamPassesThePlayer) {
    ScreenImage first{}, second{};
    const Bytes frame0 = linesDelta(0xC000, 0x11, first);
    second = first;
    const Bytes frame1 = linesDelta(0xC000, 0x22, second);
    const CpcMachine machine = machineOf(false, test::mainMemoryRun({frame0, frame1}));
    const MonitorPlayback playback = replayWithBeam(machine, {first, second});
    ASSERT_FALSE(playback.report.failure.failed());
    ASSERT_GE(playback.report.frames.size(), 1u);

    // Where the beam should pass the player: frame 0 writes its bytes at an
    // even pace from its start; the beam reads line y 4,608 + 64 y µs after
    // the sync starts, byte x of it x / 2 µs later.
    const ReplayFrame& played = playback.report.frames[0];
    EXPECT_TRUE(played.onTime);
    const double perByte = static_cast<double>(played.nops) / played.bytes;
    const double start = static_cast<double>(played.slotNops - played.nops);
    int32_t expected = -1;
    for (int32_t y = 0; y < Lines && expected < 0; ++y)
        for (int32_t x = 0; x < BytesALine; ++x)
            if (start + perByte * (y * BytesALine + x + 1) > FirstLineAfterSync + 64.0 * y + x / 2) {
                expected = y;
                break;
            }
    ASSERT_GT(expected, 10);
    ASSERT_LT(expected, 150);

    // Picture 0 follows frame 0's sync: frame 0 above the tear, the start
    // screen below it.
    ASSERT_GE(playback.pictures.size(), 2u);
    EXPECT_EQ(playback.torn[0], 1);
    EXPECT_NEAR(playback.tearLine[0], expected, 2);
    EXPECT_TRUE(lineShows(playback.pictures[0], 0, 0x11));
    EXPECT_TRUE(lineShows(playback.pictures[0], expected - 3, 0x11));
    EXPECT_TRUE(lineShows(playback.pictures[0], expected + 3, 0x00));
    EXPECT_TRUE(lineShows(playback.pictures[0], Lines - 1, 0x00));
    EXPECT_GE(playback.tornCount, 1);
    EXPECT_EQ(std::count(playback.torn.begin(), playback.torn.end(), 1), playback.tornCount);
    for (size_t k = 0; k < playback.pictures.size(); ++k) EXPECT_EQ(playback.torn[k] != 0, playback.tearLine[k] >= 0);
}

TEST(BeamReplay, DoubleBufferedFramesAreNeverSeenHalfDrawn) {
    // The same slow frames on the two screens: &C000, then &8000.
    ScreenImage first{}, second{};
    const Bytes frame0 = linesDelta(0xC000, 0x11, first);
    const Bytes frame1 = linesDelta(0x8000, 0x22, second);
    for (const int32_t rate : {1, 2}) {
        SCOPED_TRACE(rate);
        CpcMachine machine = machineOf(true, test::mainMemoryRun({frame0, frame1}));
        machine.rate = rate;
        machine.ram[machine.playerAddress + size_t{PlayerRateParam}] = static_cast<uint8_t>(rate);
        ASSERT_TRUE(machine.doubleBuffer);
        ASSERT_EQ(machine.secondScreen, 0x8000);
        ASSERT_EQ(machine.indexAddress, 0x7300);
        const MonitorPlayback playback = replayWithBeam(machine, {first, second});
        ASSERT_FALSE(playback.report.failure.failed());
        ASSERT_EQ(playback.report.frames.size(), 3u);
        for (const ReplayFrame& frame : playback.report.frames) {
            EXPECT_TRUE(frame.shown);
            EXPECT_TRUE(frame.matches) << frame.frame << std::hex << " at " << frame.address;
            EXPECT_EQ(frame.shownScreen, frame.frame == 0 ? 0xC000 : 0x8000);
        }
        EXPECT_EQ(playback.tornCount, 0);
        // One picture per 50 Hz frame from frame 0's sync through the one
        // that shows the loop's frame 0; each shows one whole state.
        ASSERT_GE(playback.pictures.size(), 4u);
        EXPECT_EQ(playback.shownScreens.front(), 0x8000);  // the start screen's copy
        EXPECT_TRUE(lineShows(playback.pictures.front(), 0, 0x00));
        EXPECT_EQ(playback.shownScreens.back(), 0xC000);
        EXPECT_TRUE(lineShows(playback.pictures.back(), Lines - 1, 0x11));
        int32_t shownFirst = 0, shownSecond = 0;
        for (size_t k = 0; k < playback.pictures.size(); ++k) {
            const ScreenImage& picture = playback.pictures[k];
            const uint8_t top = picture[0];
            for (int32_t y = 0; y < Lines; ++y) ASSERT_TRUE(lineShows(picture, y, top)) << "picture " << k << " line " << y;
            shownFirst += top == 0x11 ? 1 : 0;
            shownSecond += top == 0x22 ? 1 : 0;
        }
        EXPECT_GE(shownFirst, 2);  // frame 0, and again on the loop
        EXPECT_GE(shownSecond, 1);
    }
}

TEST(BeamReplay, PicturesFollowTheRateFromFrameZerosSync) {
    // Quick frames, drawn before the beam reaches the screen: no tear, one
    // picture per sync from frame 0's through the loop's frame 0.
    ScreenImage screen{};
    std::vector<Bytes> records;
    std::vector<ScreenImage> expected;
    for (int32_t k = 0; k < 4; ++k) {
        Bytes delta;
        const uint16_t address = static_cast<uint16_t>(0xC000 + lineOffset(10 * k));
        delta.insert(delta.end(), {uint8_t(address), uint8_t(address >> 8), uint8_t(k + 1), 0, 0});
        screen[address - 0xC000] = static_cast<uint8_t>(k + 1);
        records.push_back(delta);
        expected.push_back(screen);
    }
    for (const int32_t rate : {1, 3}) {
        SCOPED_TRACE(rate);
        CpcMachine machine = machineOf(false, test::mainMemoryRun(records));
        machine.rate = rate;
        machine.ram[machine.playerAddress + size_t{PlayerRateParam}] = static_cast<uint8_t>(rate);
        const MonitorPlayback playback = replayWithBeam(machine, expected);
        ASSERT_FALSE(playback.report.failure.failed());
        EXPECT_EQ(playback.pictures.size(), size_t(4 * rate + 1));
        EXPECT_EQ(playback.tornCount, 0);
        EXPECT_EQ(playback.pictures[0][lineOffset(0)], 1);
        EXPECT_EQ(playback.pictures[size_t(3 * rate)][lineOffset(30)], 4);
    }
}

}  // namespace
}  // namespace volumix
