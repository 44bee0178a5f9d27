#include "cpc/show_frame.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/dib_surface.h"

namespace volumix {
namespace {

// First black column of line 0 after showing a white frame with this R1, or
// FrameWidth when the whole line stays white.
int32_t firstBlackColumn(int32_t crtcR1, std::vector<uint32_t>* windowOut = nullptr) {
    CDibSurface frame;
    EXPECT_TRUE(frame.create(FrameWidth, FrameHeight));
    frame.fill(0xFEFEFEu);
    CDeviceContext context(frame);
    std::vector<uint32_t> window(780 * 410, 0x123456u);
    showFrame(context, crtcR1, PixelView{window.data(), 780, 410, 780});
    if (windowOut) *windowOut = window;
    for (int32_t x = 0; x < FrameWidth; ++x) {
        if (frame.row(0)[x] == 0) {
            for (int32_t check = x; check < FrameWidth; ++check)
                EXPECT_EQ(frame.row(FrameHeight - 1)[check], 0u) << crtcR1 << ':' << check;
            return x;
        }
    }
    return FrameWidth;
}

TEST(ShowFrame, BlackensColumnsOutsideThePicture) {
    EXPECT_EQ(firstBlackColumn(40), 640);
    EXPECT_EQ(firstBlackColumn(47), 752);
    EXPECT_EQ(firstBlackColumn(48), FrameWidth);
    EXPECT_EQ(firstBlackColumn(64), FrameWidth);
    EXPECT_EQ(firstBlackColumn(1), 16);
    EXPECT_EQ(firstBlackColumn(0), 0);
}

TEST(ShowFrame, CopiesAtFourFourDoubledDown) {
    std::vector<uint32_t> window;
    firstBlackColumn(40, &window);
    auto at = [&](int x, int y) { return window[y * 780 + x]; };
    EXPECT_EQ(at(3, 4), 0x123456u);
    EXPECT_EQ(at(4, 3), 0x123456u);
    EXPECT_EQ(at(4, 4), 0xFEFEFEu);
    EXPECT_EQ(at(643, 403), 0xFEFEFEu);
    EXPECT_EQ(at(644, 403), 0u);
    EXPECT_EQ(at(771, 403), 0u);
    EXPECT_EQ(at(772, 403), 0x123456u);
    EXPECT_EQ(at(4, 404), 0x123456u);
}

}  // namespace
}  // namespace volumix
