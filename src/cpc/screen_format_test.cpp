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

}  // namespace
}  // namespace volumix
