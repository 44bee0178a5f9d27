#include "export/amsdos.h"

#include <gtest/gtest.h>

#include <string>

#include "export/scr_file.h"
#include "platform/file_io.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

using test::TestFolder;

// The header of a frame's .SCR file, written out by hand.
AmsdosHeader anim007Header() {
    AmsdosHeader expected{};
    const std::string entry = "ANIM007 SCR";
    for (size_t k = 0; k < entry.size(); ++k) expected[1 + k] = static_cast<uint8_t>(entry[k]);
    expected[18] = 2;
    expected[19] = 0x00, expected[20] = 0x40;  // length
    expected[21] = 0x00, expected[22] = 0xC0;  // load address
    expected[24] = 0x00, expected[25] = 0x40;  // logical length
    expected[64] = 0x00, expected[65] = 0x40;  // file length
    // 'A'+'N'+'I'+'M'+'0'+'0'+'7'+' '+'S'+'C'+'R' + 2 + 0x40 + 0xC0 + 0x40 + 0x40 = 1094
    expected[67] = 0x46, expected[68] = 0x04;
    return expected;
}

std::string nameAndExtension(std::string_view fileName) {
    const AmsdosHeader header = buildAmsdosHeader(fileName, 0, 0, 0);
    return std::string(header.begin() + 1, header.begin() + 12);
}

TEST(Amsdos, FrameScrHeaderByteByByte) {
    EXPECT_EQ(buildAmsdosHeader("anim007.SCR", 0xC000, 0x4000, 0), anim007Header());
    // Folders never reach the header, whichever separator names them.
    EXPECT_EQ(buildAmsdosHeader("C:\\out\\anim007.SCR", 0xC000, 0x4000, 0), anim007Header());
    EXPECT_EQ(buildAmsdosHeader("/tmp/out.d/anim007.SCR", 0xC000, 0x4000, 0), anim007Header());
    EXPECT_TRUE(amsdosChecksumValid(anim007Header().data()));
    AmsdosHeader damaged = anim007Header();
    damaged[5] ^= 1;
    EXPECT_FALSE(amsdosChecksumValid(damaged.data()));
}

TEST(Amsdos, NameAndExtensionAreCutAndPadded) {
    EXPECT_EQ(nameAndExtension("averylongname.bin"), "AVERYLONBIN");
    EXPECT_EQ(nameAndExtension("anim.C4"), "ANIM    C4 ");
    EXPECT_EQ(nameAndExtension("anim.C4.idx"), "ANIM    C4.");
    EXPECT_EQ(nameAndExtension("out/noext"), "NOEXT      ");
    EXPECT_EQ(nameAndExtension("a_b-1.x~z"), "A_B-1   X~Z");
    EXPECT_EQ(nameAndExtension("folder/"), "           ");
}

TEST(Amsdos, RewindReplacesOnlyTheHeader) {
    const TestFolder folder;
    const auto path = folder / "data.bin";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_TRUE(writeAmsdosHeader(file, path.string(), 0x4000, 0, 0, false));
    for (int k = 0; k < 300; ++k) std::fputc(k & 0xFF, file);
    ASSERT_TRUE(writeAmsdosHeader(file, path.string(), 0x4000, 300, 0, true));
    std::fputc(0x77, file);  // lands after the data, not inside it
    std::fclose(file);

    const auto bytes = readFileBytes(path);
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 128u + 300u + 1u);
    const AmsdosHeader expected = buildAmsdosHeader("data.bin", 0x4000, 300, 0);
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes->begin()));
    for (int k = 0; k < 300; ++k) ASSERT_EQ((*bytes)[128 + k], k & 0xFF) << k;
    EXPECT_EQ(bytes->back(), 0x77);
}

TEST(FrameScr, StoresModeAndInksInImageAndFile) {
    const TestFolder folder;
    ScreenImage image;
    image.fill(0x5A);
    EXPECT_EQ(frameScrPath((folder / "anim").string(), 7), (folder / "anim007.SCR").string());
    ASSERT_TRUE(writeFrameScr((folder / "anim").string(), 7, 1, DefaultInks, image));

    const uint8_t expectedInks[16] = {0x01, 0x18, 0x14, 0x06, 0x1A, 0x00, 0x02, 0x07,
                                      0x0A, 0x0C, 0x0E, 0x10, 0x12, 0x16, 0x01, 0x0E};
    EXPECT_EQ(image[0x17D0], 1);
    for (int k = 0; k < 16; ++k) EXPECT_EQ(image[0x17D1 + k], expectedInks[k]) << k;
    EXPECT_EQ(image[0x17CF], 0x5A);
    EXPECT_EQ(image[0x17E1], 0x5A);

    const auto bytes = readFileBytes(folder / "anim007.SCR");
    ASSERT_TRUE(bytes);
    ASSERT_EQ(bytes->size(), 16512u);
    const AmsdosHeader expected = anim007Header();
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bytes->begin()));
    EXPECT_TRUE(std::equal(image.begin(), image.end(), bytes->begin() + 128));

    // A file that cannot be created leaves the image as it was.
    ScreenImage untouched{};
    EXPECT_FALSE(writeFrameScr((folder / "missing" / "anim").string(), 0, 2, DefaultInks, untouched));
    EXPECT_EQ(untouched, ScreenImage{});
}

}  // namespace
}  // namespace volumix
