#include "export/run_layout.h"

#include <gtest/gtest.h>

#include "export/player_binary.h"

namespace volumix {
namespace {

ExportFormat doubleBuffered(uint16_t base, bool banks) {
    ExportFormat format;
    format.baseAddress = base;
    format.banks = banks;
    format.doubleBuffer = true;
    return format;
}

TEST(RunLayout, WithoutDoubleBufferingTheLayoutIsTheMemoryMapsOwn) {
    for (const bool banks : {false, true})
        for (const uint16_t base : {0x0000, 0x4000, 0x8000, 0xC000}) {
            ExportFormat format;
            format.banks = banks;
            format.baseAddress = base;
            RunMemoryLayout layout;
            ASSERT_FALSE(runMemoryLayout(format, layout).failed());
            EXPECT_FALSE(layout.doubleBuffer);
            EXPECT_EQ(layout.screens[0], base);
            EXPECT_EQ(layout.screens[1], base);
            EXPECT_EQ(layout.indexAddress, banks ? 0xE400 : 0xA600);
            EXPECT_EQ(layout.largeCapacity, LargeDataCapacity);
        }
}

TEST(RunLayout, TheSecondScreenLeavesTheDataItsLargestRoom) {
    struct Case {
        uint16_t base;
        bool banks;
        uint16_t second;
        uint16_t index;
        int32_t capacity;
    };
    const Case cases[] = {
        // Main memory from &0200: the index and player move below &8000.
        {0xC000, false, 0x8000, 0x7300, 0x7100},
        {0x8000, false, 0xC000, 0x7300, 0x7100},
        // The data ends at the base screen; index and player stay beyond it.
        {0x4000, false, 0xC000, 0xA600, 0x3E00},
        // Bank 8's part from &4000: up to &C000, index and player moved...
        {0x0000, true, 0xC000, 0xB300, 0x7300},
        {0xC000, true, 0x0000, 0xB300, 0x7300},
        // ...or up to the base screen at &8000, the index at &E400 as before.
        {0x8000, true, 0x0000, 0xE400, 0x4000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << c.base << (c.banks ? " banks" : ""));
        RunMemoryLayout layout;
        ASSERT_FALSE(runMemoryLayout(doubleBuffered(c.base, c.banks), layout).failed());
        EXPECT_TRUE(layout.doubleBuffer);
        EXPECT_EQ(layout.screens[0], c.base);
        EXPECT_EQ(layout.secondScreen(), c.second);
        EXPECT_EQ(layout.indexAddress, c.index);
        EXPECT_EQ(layout.largeCapacity, c.capacity);
        EXPECT_EQ(layout.capacityCost(), LargeDataCapacity - c.capacity);
        // Neither screen holds the data, the index or the moved player.
        const uint32_t start = c.banks ? 0x4000 : 0x0200;
        const uint32_t moved = layout.indexAddress + MovedIndexRoom + MovedPlayerRoom;
        for (const uint32_t screen : layout.screens) {
            EXPECT_TRUE(start + c.capacity <= screen || screen + 0x4000 <= start) << std::hex << screen;
            if (layout.indexAddress != indexAddress(c.banks)) {
                EXPECT_TRUE(moved <= screen || screen + 0x4000 <= layout.indexAddress) << std::hex << screen;
            }
        }
        EXPECT_NE(layout.screens[0], layout.screens[1]);
    }
}

TEST(RunLayout, RefusesWhatCannotBeDoubleBufferedWithTheReason) {
    RunMemoryLayout layout;
    Failure none = runMemoryLayout(doubleBuffered(0x0000, false), layout);
    EXPECT_EQ(none.code, FailureNoSecondScreen);
    EXPECT_EQ(none.begin, 0x0200u);
    EXPECT_EQ(none.otherEnd, 0x4000u);
    EXPECT_EQ(runMemoryLayout(doubleBuffered(0x4000, true), layout).code, FailureBanksHideScreen);

    ExportFormat points = doubleBuffered(0xC000, false);
    points.frames = PointFrames{};
    EXPECT_EQ(runMemoryLayout(points, layout).code, FailurePointsNotPlayed);
    ExportFormat sizes = doubleBuffered(0xC000, false);
    sizes.frames = SpriteFrames{SpriteLayoutLines, true};
    EXPECT_EQ(runMemoryLayout(sizes, layout).code, FailureSizeHeaderNotPlayed);

    // Frame k is drawn on screen k mod 2: the loop needs an even count.
    EXPECT_FALSE(doubleBufferRefusal(doubleBuffered(0xC000, false), 358).failed());
    EXPECT_FALSE(doubleBufferRefusal(doubleBuffered(0xC000, false), 0).failed());
    const Failure odd = doubleBufferRefusal(doubleBuffered(0xC000, false), 359);
    EXPECT_EQ(odd.code, FailureOddFrameCount);
    EXPECT_EQ(odd.count, 359);
    ExportFormat single;
    EXPECT_FALSE(doubleBufferRefusal(single, 359).failed());
}

TEST(RunLayout, TheMovedPlayerFitsItsRoom) {
    // Its code and stack between the moved index and the screen.
    EXPECT_LE(PlayerCode.size() + PlayerStackBytes, size_t{MovedPlayerRoom});
}

TEST(RunLayout, StoredFramesCountTheStepsBelowTheCount) {
    EXPECT_EQ(storedFrameCount(60, 0, 1), 60);
    EXPECT_EQ(storedFrameCount(10, 1, 3), 3);  // 1, 4, 7
    EXPECT_EQ(storedFrameCount(10, 0, 3), 4);  // 0, 3, 6, 9
    EXPECT_EQ(storedFrameCount(5, 5, 1), 0);
    EXPECT_EQ(storedFrameCount(5, 0, 0), 0);
}

}  // namespace
}  // namespace volumix
