#include "platform/file_io.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "testing/test_support.h"

namespace volumix {
namespace {

using namespace test;
namespace fs = std::filesystem;

TEST(FileIo, OnlyRegularFilesAreReadAndLargeOnesAreRefusedUnread) {
    const TestFolder folder;
    writeText(folder / "six", "abcdef");
    const fs::path pipe = folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const struct {
        fs::path path;
        size_t largest;
        const char* reason;  // empty when the file is read
    } cases[] = {{folder / "six", 6, ""},
                 {folder / "six", 5, "larger than 5 bytes"},
                 {folder.path(), 100, "is a folder, not a file"},
                 {pipe, 100, "not a regular file (a device, pipe or socket)"},  // opening it would block
                 {"/dev/zero", 100, "not a regular file (a device, pipe or socket)"},
                 {folder / "none", 100, "No such file or directory"}};
    for (const auto& c : cases) {
        std::string failure;
        const auto bytes = readWholeFile(c.path, c.largest, &failure);
        EXPECT_EQ(bytes.has_value(), std::string(c.reason).empty()) << c.path;
        EXPECT_EQ(failure, c.reason) << c.path;
    }
    // The first bytes of a longer file are fine when only those are wanted.
    const auto start = readFileBytes(folder / "six", 4);
    ASSERT_TRUE(start.has_value());
    EXPECT_EQ(std::string(start->begin(), start->end()), "abcd");
}

TEST(FileIo, ReplacingWritesWholeFilesAndLeavesNoTemporary) {
    const TestFolder folder;
    const fs::path target = folder / "out.bin";
    writeText(target, "old");
    const std::vector<uint8_t> bytes = {1, 2, 3};
    EXPECT_TRUE(writeFileReplacing(target, bytes));
    EXPECT_EQ(readBytes(target), bytes);
    // A name inside a missing folder cannot be created; nothing appears.
    const FileWriteResult failed = writeFileReplacing(folder / "missing" / "out.bin", bytes);
    EXPECT_EQ(failed.status, FileCreateFailed);
    EXPECT_EQ(failed.reason, "No such file or directory");
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace volumix
