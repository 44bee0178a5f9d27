#include "cpc/screen_format.h"

#include <gtest/gtest.h>

namespace volumix {
namespace {

TEST(ScreenFormat, PackUndoesUnpackForEveryByteAndIgnoresUnusedInkBits) {
    for (int32_t mode = 0; mode <= 2; ++mode) {
        const ScreenModeTraits& traits = ScreenModes[mode];
        for (int32_t value = 0; value < 256; ++value) {
            int32_t inks[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
            unpackScreenByte(mode, static_cast<uint8_t>(value), inks);
            for (int32_t p = 0; p < 8; ++p) {
                if (p < traits.pixelsPerByte) EXPECT_EQ(inks[p] & ~traits.inkMask, 0) << mode << ' ' << value;
                else EXPECT_EQ(inks[p], -1) << "pixel past the byte written, mode " << mode;
            }
            EXPECT_EQ(packScreenByte(mode, inks), value) << mode;
            for (int32_t p = 0; p < traits.pixelsPerByte; ++p) inks[p] |= ~traits.inkMask;
            EXPECT_EQ(packScreenByte(mode, inks), value) << mode;
        }
    }
}

// The hardware's bit layouts, written out by hand: one ink bit at a time.
TEST(ScreenFormat, InkBitsLieWhereTheGateArrayReadsThem) {
    const struct {
        int32_t mode, pixel, ink;
        uint8_t byte;
    } cases[] = {
        {0, 0, 1, 0x80}, {0, 0, 2, 0x08}, {0, 0, 4, 0x20}, {0, 0, 8, 0x02},
        {0, 1, 1, 0x40}, {0, 1, 2, 0x04}, {0, 1, 4, 0x10}, {0, 1, 8, 0x01},
        {1, 0, 1, 0x80}, {1, 0, 2, 0x08}, {1, 3, 1, 0x10}, {1, 3, 2, 0x01},
        {2, 0, 1, 0x80}, {2, 7, 1, 0x01},
    };
    for (const auto& c : cases) {
        int32_t inks[8] = {};
        inks[c.pixel] = c.ink;
        EXPECT_EQ(packScreenByte(c.mode, inks), c.byte) << c.mode << ' ' << c.pixel << ' ' << c.ink;
    }
    const uint8_t mode1[4] = {0x88, 0x44, 0x22, 0x11};
    for (int32_t p = 0; p < 4; ++p) EXPECT_EQ(screenPixelBits(1, p), mode1[p]);
    EXPECT_EQ(screenPixelBits(0, 0), 0xAA);
    EXPECT_EQ(screenPixelBits(0, 1), 0x55);
    EXPECT_EQ(screenPixelBits(2, 5), 0x04);
}

TEST(ScreenFormat, ModesDescribeTheirPixels) {
    const struct {
        int32_t mode, pixelsPerByte, columns, inkMask;
    } cases[] = {{0, 2, 4, 15}, {1, 4, 2, 3}, {2, 8, 1, 1}};
    for (const auto& c : cases) {
        EXPECT_EQ(ScreenModes[c.mode].pixelsPerByte, c.pixelsPerByte);
        EXPECT_EQ(ScreenModes[c.mode].inkMask, c.inkMask);
        EXPECT_EQ(widenGroupOfMode(c.mode), c.columns);
    }
    // An unknown mode is not widened.
    for (const int32_t mode : {-1, 3, 255}) EXPECT_EQ(widenGroupOfMode(mode), 1) << mode;
}

}  // namespace
}  // namespace volumix
