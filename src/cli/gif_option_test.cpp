// `volumix generate --gif`: the run's frames as the window's preview shows
// them, in a GIF read back with giflib.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "cpc/screen_codec.h"
#include "export/scr_file.h"
#include "platform/dib_surface.h"
#include "testing/cli_runner.h"
#include "testing/test_support.h"
#ifdef VOLUMIX_WITH_GIF
#include "testing/gif_read_back.h"
#endif

namespace volumix {
namespace {

namespace fs = std::filesystem;

using Outcome = test::CliOutcome;

class GifOption : public ::testing::Test {
protected:
    // `before` runs in the same shell first (limits, traps).
    Outcome generate(const std::string& arguments, const std::string& before = "") {
        return test::runCli(folder_.path(),
                            "generate '" VOLUMIX_EXAMPLES_DIR "/torus.asc' " + arguments, before);
    }

    size_t filesLeft() const {
        size_t count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) count += entry.is_regular_file();
        return count;
    }

    test::TestFolder folder_;
};

#ifdef VOLUMIX_WITH_GIF

TEST_F(GifOption, HoldsEveryFrameThePreviewShowedPreRollFirst) {
    const fs::path gif = folder_ / "torus.gif";
    const std::string prefix = (folder_ / "torus").string();
    const Outcome result = generate("--frames 5 --scr -o '" + prefix + "' --gif '" + gif.string() + "'");
    ASSERT_EQ(result.status, 0) << result.err;

    const test::GifReadBack back = test::readGifBack(gif);
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.width, 768);
    EXPECT_EQ(back.height, 400);
    EXPECT_TRUE(back.loopsForever);
    EXPECT_EQ(back.delays, std::vector<int32_t>(6, 2));
    ASSERT_EQ(back.frames.size(), 6u);
    // The pre-roll is drawn with the last frame's values.
    EXPECT_TRUE(back.frames[0] == back.frames[5]);
    EXPECT_FALSE(back.frames[1] == back.frames[2]);

    // Frame 2 (image 3) is its .SCR file decoded, lines doubled, with the
    // columns past 16 x R1 = 640 black.
    CCpcScreen screen;
    int32_t mode = 0;
    ASSERT_EQ(loadScr(screen, frameScrPath(prefix, 2), mode, DefaultInks, false), ScrOk);
    std::vector<uint32_t> frame(FramePixelCount);
    decodeToFrame(screen, frame.data(), 0, 80, false);
    const std::vector<uint32_t>& shown = back.frames[3];
    for (int32_t y = 0; y < 400; ++y)
        for (int32_t x = 0; x < 768; ++x)
            ASSERT_EQ(shown[static_cast<size_t>(y * 768 + x)],
                      x < 640 ? frame[static_cast<size_t>(y / 2 * 768 + x)] : 0u)
                << x << ',' << y;
}

// Nothing is left when the GIF cannot be made or written whole: not the GIF,
// not its temporary.
TEST_F(GifOption, AGifThatCannotBeWrittenFailsAndLeavesNothing) {
    const struct {
        const char* path;
        const char* before;  // a file size limit makes writes fail midway
        const char* reason;
    } cases[] = {{"missing/torus.gif", "", "No such file or directory"},
                 {"torus.gif", "trap '' XFSZ; ulimit -f 64; ", "File too large"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const fs::path gif = folder_ / c.path;
        const Outcome result = generate("--gif '" + gif.string() + "'", c.before);
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err, "error: cannot write " + gif.string() + ": " + c.reason + "\n");
        EXPECT_EQ(filesLeft(), 0u);
    }
}

#else

TEST_F(GifOption, ABuildWithoutGiflibRefusesIt) {
    const fs::path gif = folder_ / "torus.gif";
    const Outcome result = generate("-o '" + (folder_ / "torus").string() + "' --gif '" + gif.string() + "'");
    EXPECT_EQ(result.status, 2);
    EXPECT_EQ(result.err, "error: --gif: this build cannot write GIF files (it was built without giflib)\n");
    EXPECT_EQ(filesLeft(), 0u);
}

#endif

}  // namespace
}  // namespace volumix
