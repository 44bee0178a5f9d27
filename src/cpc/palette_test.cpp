#include "cpc/palette.h"

#include <gtest/gtest.h>

namespace volumix {
namespace {

TEST(HardwarePalette, FollowsTheLevelRuleAndKnownEntries) {
    const uint32_t levels[3] = {0x00, 0x7F, 0xFE};
    for (int index = 0; index < HardwareColourCount; ++index) {
        const int g = index / 9, r = (index / 3) % 3, b = index % 3;
        EXPECT_EQ(HardwarePalette[index], (levels[r] << 16) | (levels[g] << 8) | levels[b]) << index;
    }
    EXPECT_EQ(HardwarePalette[0], 0x000000u);
    EXPECT_EQ(HardwarePalette[6], 0xFE0000u);
    EXPECT_EQ(HardwarePalette[11], 0x007FFEu);
    EXPECT_EQ(HardwarePalette[26], 0xFEFEFEu);
}

TEST(HardwarePalette, ConversionsAndRangeGuards) {
    EXPECT_EQ(hardwareColourPixel(13), 0x7F7F7Fu);
    EXPECT_EQ(hardwareColourRef(13), 0x7F7F7Fu);
    EXPECT_EQ(hardwareColourPixel(3), 0x7F0000u);
    EXPECT_EQ(hardwareColourRef(3), 0x00007Fu);
    EXPECT_EQ(hardwareColourRef(11), 0xFE7F00u);

    EXPECT_EQ(hardwareColourPixel(27), 0u);
    EXPECT_EQ(hardwareColourPixel(-1), 0u);
    EXPECT_EQ(hardwareColourRef(27), 0xFFFFFFFFu);
    EXPECT_EQ(hardwareColourRef(-1), 0xFFFFFFFFu);

    // No range check and a zero top byte: the exchange is its own inverse.
    EXPECT_EQ(pixelToColourRef(0xAB123456u), 0x00563412u);
    for (int index = 0; index < HardwareColourCount; ++index)
        EXPECT_EQ(pixelToColourRef(pixelToColourRef(HardwarePalette[index])), HardwarePalette[index]);
}

TEST(HardwarePalette, InkOfPixelTakesTheFirstMatchingInk) {
    EXPECT_EQ(inkOfPixel(DefaultInks, 0xFEFE00u), 1);
    EXPECT_EQ(inkOfPixel(DefaultInks, 0x00007Fu), 0);
    EXPECT_EQ(inkOfPixel(DefaultInks, 0x123456u), 0);  // no ink has it
    EXPECT_EQ(inkOfPixel(DefaultInks, 0x00FEFEu), 2);

    InkArray inks = DefaultInks;
    inks[0] = 1;
    inks[14] = 1;
    EXPECT_EQ(inkOfPixel(inks, 0x00007Fu), 0);
    inks[0] = 26;
    EXPECT_EQ(inkOfPixel(inks, 0x00007Fu), 14);

    // An ink holding no hardware colour must not index past the table.
    inks[3] = 99;
    inks[5] = 3;
    EXPECT_EQ(inkOfPixel(inks, 0x000000u), 3);
}

TEST(HardwarePalette, InkMaskPerMode) {
    EXPECT_EQ(inkMaskOfMode(0), 15);
    EXPECT_EQ(inkMaskOfMode(1), 3);
    EXPECT_EQ(inkMaskOfMode(2), 1);
}

}  // namespace
}  // namespace volumix
