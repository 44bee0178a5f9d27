#include "platform/dib_surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include <vector>

namespace volumix {
namespace {

TEST(DibSurface, CreateFillAndRelease) {
    CDibSurface surface;
    EXPECT_FALSE(surface.create(0, 10));
    EXPECT_FALSE(surface.create(10, -1));
    EXPECT_EQ(surface.ready, 0);

    ASSERT_TRUE(surface.create(32, 16));
    EXPECT_EQ(surface.ready, 1);
    EXPECT_EQ(surface.pixelCount(), 512);
    surface.fill(0x7F7F7Fu);
    int filled = 0;
    for (int i = 0; i < 512; ++i) filled += surface.bits[i] == 0x7F7F7Fu;
    EXPECT_EQ(filled, 512);

    surface.release();
    EXPECT_EQ(surface.ready, 0);
    EXPECT_EQ(surface.bits, nullptr);
    EXPECT_EQ(surface.pixelCount(), 0);  // no size is left behind the pixels
    surface.fill(1);  // tolerated on a released surface
    surface.release();
}

TEST(DibSurface, WideningPerGroupSize) {
    CDibSurface frame;
    ASSERT_TRUE(frame.create(FrameWidth, FrameHeight));
    const uint32_t group[4] = {0, 0x00007Fu, 0, 0xFE0000u};
    auto load = [&] {
        frame.fill(0);
        for (int i = 0; i < 4; ++i) frame.row(7)[760 + i] = group[i];
    };

    load();
    frame.widenPixels(4);  // a mode-0 pixel
    for (int i = 0; i < 4; ++i) EXPECT_EQ(frame.row(7)[760 + i], 0xFE0000u);

    load();
    frame.widenPixels(2);  // a mode-1 pixel
    EXPECT_EQ(frame.row(7)[760], 0x00007Fu);
    EXPECT_EQ(frame.row(7)[761], 0x00007Fu);
    EXPECT_EQ(frame.row(7)[762], 0xFE0000u);
    EXPECT_EQ(frame.row(7)[763], 0xFE0000u);

    load();
    frame.widenPixels(1);  // a mode-2 pixel
    for (int i = 0; i < 4; ++i) EXPECT_EQ(frame.row(7)[760 + i], group[i]);

    // Values compare as signed and start from 0: a top-bit value never wins.
    frame.fill(0);
    frame.row(0)[0] = 0x80000000u;
    frame.row(0)[1] = 0x000001u;
    frame.widenPixels(4);
    EXPECT_EQ(frame.row(0)[0], 1u);
    EXPECT_EQ(frame.row(0)[3], 1u);
    EXPECT_EQ(frame.row(1)[0], 0u);
}

// Uniform groups are left unwritten; mixed, uniform, top-bit and partial
// groups must still widen as the group-by-group rule says.
TEST(DibSurface, WideningMatchesTheGroupRuleOnRandomLines) {
    std::mt19937 random(7);
    const uint32_t values[] = {0u, 0x7Fu, 0xFE0000u, 0x80000000u, 0xFFFFFFFFu, 0x7F7F7Fu};
    std::uniform_int_distribution<int> pick(0, 5), run(1, 9);
    for (int32_t width : {1, 3, 6, 768, 771}) {
        for (int32_t group : {2, 3, 4, 5}) {
            CDibSurface surface;
            ASSERT_TRUE(surface.create(width, 3));
            // Runs of one value, so that many groups are already uniform.
            for (int64_t i = 0; i < surface.pixelCount();) {
                const uint32_t value = values[pick(random)];
                for (int n = run(random); n > 0 && i < surface.pixelCount(); --n) surface.bits[i++] = value;
            }
            std::vector<uint32_t> expected(surface.bits, surface.bits + surface.pixelCount());
            for (int32_t y = 0; y < 3; ++y)
                for (int32_t x = 0; x < width; x += group) {
                    const int32_t end = std::min(width, x + group);
                    int32_t largest = 0;
                    for (int32_t i = x; i < end; ++i) largest = std::max(largest, static_cast<int32_t>(expected[y * width + i]));
                    for (int32_t i = x; i < end; ++i) expected[y * width + i] = static_cast<uint32_t>(largest);
                }
            surface.widenPixels(group);
            ASSERT_EQ(std::vector<uint32_t>(surface.bits, surface.bits + surface.pixelCount()), expected)
                << width << ' ' << group;
        }
    }
}

TEST(DibSurface, BlitRepeatsPixelsByWholeFactorsAndClips) {
    CDibSurface surface;
    ASSERT_TRUE(surface.create(2, 2));
    surface.bits[0] = 1;
    surface.bits[1] = 2;
    surface.bits[2] = 3;
    surface.bits[3] = 4;

    std::vector<uint32_t> window(7 * 5, 9);
    const PixelView view{window.data(), 7, 5, 7};
    surface.blit(view, 1, 1, 3, 2);
    const std::vector<uint32_t> expected = {
        9, 9, 9, 9, 9, 9, 9,
        9, 1, 1, 1, 2, 2, 2,
        9, 1, 1, 1, 2, 2, 2,
        9, 3, 3, 3, 4, 4, 4,
        9, 3, 3, 3, 4, 4, 4,
    };
    EXPECT_EQ(window, expected);

    // Partly off the top-left corner: the visible part lines up with the rest.
    std::fill(window.begin(), window.end(), 9);
    surface.blit(view, -2, -1, 3, 2);
    EXPECT_EQ(window[0], 1u);
    EXPECT_EQ(window[1], 2u);
    EXPECT_EQ(window[3], 2u);
    EXPECT_EQ(window[4], 9u);
    EXPECT_EQ(window[7], 3u);
    EXPECT_EQ(window[2 * 7], 3u);
    EXPECT_EQ(window[3 * 7], 9u);

    // Far away or with no scale, nothing is touched.
    std::fill(window.begin(), window.end(), 9);
    surface.blit(view, 2000000000, 0, 2000000000, 1);
    surface.blit(view, 0, 0, 0, 1);
    EXPECT_EQ(window, std::vector<uint32_t>(7 * 5, 9));
}

}  // namespace
}  // namespace volumix
