#include "export/gif_preview.h"

#include <gtest/gtest.h>

#include <cerrno>

#include <filesystem>
#include <vector>

#include "platform/device_context.h"
#include "testing/test_support.h"
#ifdef VOLUMIX_WITH_GIF
#include "testing/gif_read_back.h"
#endif

namespace volumix {
namespace {

namespace fs = std::filesystem;

// A frame striped with every ink: column groups of 8 cycle through the inks,
// shifted by one group every 16 lines, so both directions are checked.
void paintStripes(CDibSurface& frame, const InkArray& inks, int32_t shift) {
    for (int32_t y = 0; y < FrameHeight; ++y)
        for (int32_t x = 0; x < FrameWidth; ++x)
            frame.row(y)[x] = hardwareColourPixel(inks[static_cast<size_t>((x / 8 + y / 16 + shift) % InkCount)]);
}

// What the main window shows for this frame, through its own code: the
// 768 x 400 picture at (4, 4) of its pixels.
std::vector<uint32_t> windowPreview(const CDibSurface& frame, int32_t crtcR1) {
    CDibSurface copy;
    copy.create(FrameWidth, FrameHeight);
    std::copy(frame.bits, frame.bits + frame.pixelCount(), copy.bits);
    CDeviceContext context(copy);
    const int32_t width = FrameViewX + GifPreviewWidth;
    std::vector<uint32_t> window(static_cast<size_t>(width) * (FrameViewY + GifPreviewHeight));
    showFrame(context, crtcR1, PixelView{window.data(), width, FrameViewY + GifPreviewHeight, width});
    std::vector<uint32_t> shown;
    for (int32_t y = 0; y < GifPreviewHeight; ++y) {
        const uint32_t* line = window.data() + static_cast<size_t>(FrameViewY + y) * width + FrameViewX;
        shown.insert(shown.end(), line, line + GifPreviewWidth);
    }
    return shown;
}

TEST(GifPreview, EntriesFollowTheInksAndBlackenLikeTheWindow) {
    InkArray inks = DefaultInks;
    CDibSurface frame, scratch;
    frame.create(FrameWidth, FrameHeight);
    paintStripes(frame, inks, 0);
    const GifPalette palette = gifPaletteOfInks(inks);
    std::vector<uint8_t> entries;
    previewEntries(frame, 30, palette, scratch, entries);
    ASSERT_EQ(entries.size(), static_cast<size_t>(FramePixelCount));
    const std::vector<uint32_t> shown = windowPreview(frame, 30);
    for (int32_t y = 0; y < FrameHeight; ++y)
        for (int32_t x = 0; x < FrameWidth; ++x)
            ASSERT_EQ(palette[entries[static_cast<size_t>(y * FrameWidth + x)]],
                      shown[static_cast<size_t>(2 * y * GifPreviewWidth + x)])
                << x << ',' << y;
    // The run's frame is left as drawn: the export reads it afterwards.
    EXPECT_EQ(frame.row(0)[FrameWidth - 1], hardwareColourPixel(inks[(FrameWidth - 1) / 8 % InkCount]));
    // A colour outside the table takes the nearest entry; black past the
    // inks is entry 16 when no ink is black.
    inks.fill(26);  // all white
    frame.fill(0xF0F0F0u);
    previewEntries(frame, 20, gifPaletteOfInks(inks), scratch, entries);
    EXPECT_EQ(entries[0], 0);
    EXPECT_EQ(entries[static_cast<size_t>(FrameWidth - 1)], GifBlackEntry);
}

#ifdef VOLUMIX_WITH_GIF

TEST(GifPreview, ReadsBackAsTheWindowShowedEachFrame) {
    test::TestFolder folder;
    const fs::path path = folder / "preview.gif";
    InkArray changed = DefaultInks;
    changed[3] = 26;
    // R1 40 and 30 blacken from column 640 and 480; 48 blackens nothing.
    // The third frame's inks differ from the first's: it has its own table.
    const struct {
        InkArray inks;
        int32_t crtcR1;
        int32_t shift;
    } frames[] = {{DefaultInks, 40, 0}, {DefaultInks, 30, 5}, {changed, 48, 9}};

    GifPreviewWriter writer;
    ASSERT_TRUE(writer.open(path)) << writer.failure().code;
    EXPECT_FALSE(fs::exists(path));  // only once whole
    CDibSurface frame;
    frame.create(FrameWidth, FrameHeight);
    std::vector<std::vector<uint32_t>> expected;
    for (const auto& f : frames) {
        paintStripes(frame, f.inks, f.shift);
        expected.push_back(windowPreview(frame, f.crtcR1));
        ASSERT_TRUE(writer.addFrame(frame, f.inks, f.crtcR1)) << writer.failure().detail;
    }
    ASSERT_TRUE(writer.finish()) << writer.failure().detail;
    EXPECT_EQ(writer.framesWritten(), 3);

    const test::GifReadBack back = test::readGifBack(path);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.width, 768);
    EXPECT_EQ(back.height, 400);
    EXPECT_EQ(back.globalColours, 32);
    EXPECT_TRUE(back.loopsForever);
    EXPECT_EQ(back.delays, (std::vector<int32_t>{2, 2, 2}));
    EXPECT_EQ(back.ownTable, (std::vector<bool>{false, false, true}));
    ASSERT_EQ(back.frames.size(), 3u);
    for (size_t k = 0; k < 3; ++k) EXPECT_TRUE(back.frames[k] == expected[k]) << "frame " << k;
    // Only the GIF is left in the folder: no temporary.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

TEST(GifPreview, AnUnfinishedOrUncreatableFileLeavesNothing) {
    test::TestFolder folder;
    GifPreviewWriter writer;
    EXPECT_FALSE(writer.open(folder / "missing" / "preview.gif"));
    EXPECT_EQ(writer.failure().code, FailureSystem);
    EXPECT_EQ(writer.failure().systemError, ENOENT);

    // An earlier file of that name stays as it was until a new one is whole.
    const fs::path path = folder / "preview.gif";
    test::writeText(path, "earlier");
    {
        GifPreviewWriter abandoned;
        ASSERT_TRUE(abandoned.open(path));
        CDibSurface frame;
        frame.create(FrameWidth, FrameHeight);
        ASSERT_TRUE(abandoned.addFrame(frame, DefaultInks, 40));
    }  // destroyed unfinished
    EXPECT_EQ(test::readText(path), "earlier");
    EXPECT_EQ(std::distance(fs::directory_iterator(folder.path()), fs::directory_iterator()), 1);
}

#else

TEST(GifPreview, ABuildWithoutGiflibRefusesToWrite) {
    test::TestFolder folder;
    GifPreviewWriter writer;
    EXPECT_FALSE(gifPreviewAvailable());
    EXPECT_FALSE(writer.open(folder / "preview.gif"));
    EXPECT_EQ(writer.failure().code, FailureGifMissing);
    EXPECT_FALSE(fs::exists(folder / "preview.gif"));
}

#endif

}  // namespace
}  // namespace volumix
