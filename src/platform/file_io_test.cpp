#include "platform/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
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
        FailureCode code;  // FailureNone when the file is read
        int systemError = 0;
    } cases[] = {{folder / "six", 6, FailureNone},
                 {folder / "six", 5, FailureTooLarge},
                 {folder.path(), 100, FailureIsFolder},
                 {pipe, 100, FailureNotRegular},  // opening it would block
                 {"/dev/zero", 100, FailureNotRegular},
                 {folder / "none", 100, FailureSystem, ENOENT}};
    for (const auto& c : cases) {
        Failure failure;
        const auto bytes = readWholeFile(c.path, c.largest, &failure);
        EXPECT_EQ(bytes.has_value(), c.code == FailureNone) << c.path;
        EXPECT_EQ(failure.code, c.code) << c.path;
        EXPECT_EQ(failure.systemError, c.systemError) << c.path;
        if (c.code != FailureNone) {
            EXPECT_EQ(failure.path, c.path.string());
        }
        if (c.code == FailureTooLarge) {
            EXPECT_EQ(failure.count, 5);
        }
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
    EXPECT_EQ(failed.failure.code, FailureSystem);
    EXPECT_EQ(failed.failure.systemError, ENOENT);
    size_t files = 0;
    for (const auto& entry : fs::directory_iterator(folder.path())) files += entry.is_regular_file();
    EXPECT_EQ(files, 1u);
}

}  // namespace
}  // namespace volumix
