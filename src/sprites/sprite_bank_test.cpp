#include "sprites/sprite_bank.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/file_io.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using test::TestFolder;
using test::writeBytes;

TEST(SpriteBank, StartsAsInkOneAndCyclesSprites) {
    SpriteBank bank;
    EXPECT_EQ(bank.bytes.size(), 131072u);
    EXPECT_EQ(std::count(bank.bytes.begin(), bank.bytes.end(), 1), 131072);
    EXPECT_EQ(bank.sprite(1) - bank.sprite(0), 512);

    // The pre-roll draws no sprite (-1); then 0, 1, 2, 0, 1 with three sprites.
    std::vector<int32_t> used;
    int32_t index = -1;
    for (int frame = 0; frame < 5; ++frame) {
        index = nextSpriteIndex(index, 3);
        used.push_back(index);
    }
    EXPECT_EQ(used, (std::vector<int32_t>{0, 1, 2, 0, 1}));
    // A count lowered below the current index wraps at once.
    EXPECT_EQ(nextSpriteIndex(10, 4), 0);
    EXPECT_EQ(nextSpriteIndex(15, 16), 0);
    EXPECT_EQ(nextSpriteIndex(INT32_MAX, 16), 0);
}

TEST(SpriteBankFiles, SaveThenLoadGivesTheSameBank) {
    const TestFolder folder;
    SpriteBank bank;
    for (size_t i = 0; i < bank.bytes.size(); ++i) bank.bytes[i] = static_cast<uint8_t>((i * 7 + i / 512) & 15);
    ASSERT_TRUE(saveSpt(bank, folder / "all.spt"));
    EXPECT_EQ(fs::file_size(folder / "all.spt"), 131072u);

    SpriteBank loaded;
    EXPECT_EQ(loadSpt(loaded, folder / "all.spt"), SptOk);
    EXPECT_EQ(loaded.bytes, bank.bytes);
}

TEST(SpriteBankFiles, ShortLongAndForeignFiles) {
    const TestFolder folder;
    // 1024 bytes replace sprites 0 and 1 only.
    writeBytes(folder / "short.spt", std::vector<uint8_t>(1024, 5));
    SpriteBank bank;
    ASSERT_EQ(loadSpt(bank, folder / "short.spt"), SptOk);
    EXPECT_EQ(std::count(bank.bytes.begin(), bank.bytes.begin() + 1024, 5), 1024);
    EXPECT_EQ(std::count(bank.bytes.begin() + 1024, bank.bytes.end(), 1), 131072 - 1024);

    // Bytes past the bank are ignored; values above 15 keep their low nibble.
    std::vector<uint8_t> foreign(131072 + 300, 0xFF);
    foreign[0] = 0x1A;
    foreign[1] = 0x10;
    writeBytes(folder / "long.spt", foreign);
    ASSERT_EQ(loadSpt(bank, folder / "long.spt"), SptOk);
    EXPECT_EQ(bank.bytes[0], 0x0A);
    EXPECT_EQ(bank.bytes[1], 0x00);
    EXPECT_EQ(bank.bytes[131071], 0x0F);

    // Unreadable: the bank stays as it was.
    const std::vector<uint8_t> before = bank.bytes;
    EXPECT_EQ(loadSpt(bank, folder / "missing.spt"), SptOpenFailed);
    EXPECT_EQ(loadSpt(bank, folder.path()), SptOpenFailed);
    EXPECT_EQ(bank.bytes, before);
}

TEST(SpriteBankFiles, FailedSaveKeepsTheExistingFile) {
    const TestFolder folder;
    writeBytes(folder / "keep.spt", std::vector<uint8_t>(10, 3));
    SpriteBank bank;
    // The target's folder does not exist: nothing written, nothing left behind.
    EXPECT_FALSE(saveSpt(bank, folder / "no/such/folder.spt"));
    // The target is a folder: the rename fails and the folder survives.
    fs::create_directories(folder / "taken.spt");
    EXPECT_FALSE(saveSpt(bank, folder / "taken.spt"));
    EXPECT_TRUE(fs::is_directory(folder / "taken.spt"));
    EXPECT_EQ(fs::file_size(folder / "keep.spt"), 10u);
    int leftovers = 0;
    for (const auto& entry : fs::directory_iterator(folder.path()))
        leftovers += entry.path().filename().string().find(".tmp") != std::string::npos;
    EXPECT_EQ(leftovers, 0);
}

}  // namespace
}  // namespace volumix
