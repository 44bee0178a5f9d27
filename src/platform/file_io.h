#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/failure.h"

namespace volumix {

enum FileWriteStatus : int32_t {
    FileWriteOk = 0,
    FileCreateFailed,  // the file (or its temporary) could not be created
    FileWriteFailed,   // a write, flush, close or the final rename failed
};

struct FileWriteResult {
    FileWriteStatus status = FileWriteOk;
    Failure failure;  // when it failed: the file and errno
    explicit operator bool() const { return status == FileWriteOk; }
};

// Writes `bytes` to a new temporary file beside `path` (a name no other
// program holds, created exclusively), then renames it into place, so a
// failed or interrupted write never leaves a partial file nor destroys an
// existing one. On failure the temporary is removed.
FileWriteResult writeFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// Creates a new file beside `path` under a temporary name no one else holds
// (the process id, a counter and a random part; created only if the name did
// not exist) and opens it for binary writing. Its descriptor, or -1 with
// errno set. The caller renames it into place or removes it.
int createTemporaryBeside(const std::filesystem::path& path, std::filesystem::path& temporary);

// Creates (or empties) a file and opens it for binary writing, with the
// path's wide form on Windows; nullptr with errno set when it cannot be.
std::FILE* createForWriting(const std::filesystem::path& path);

// Writes all `count` bytes to a descriptor, again after interruptions; false
// (errno set) when a write fails.
bool writeAll(int fd, const void* data, size_t count);

// Cuts an open file back to `size` bytes.
bool truncateOpenFile(std::FILE* file, long size);

// Reads at most `limit` bytes from the start of a regular file. Directories,
// devices, pipes and sockets are refused before they are opened: they may
// never end or never answer. Nothing when the file cannot be read, with the
// facts in `failure` when given.
std::optional<std::vector<uint8_t>> readFileBytes(const std::filesystem::path& path, size_t limit = SIZE_MAX,
                                                  Failure* failure = nullptr);

// Reads a whole regular file of at most `largest` bytes; a larger one is
// refused without being read (FailureTooLarge), so memory stays bounded.
std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path, size_t largest,
                                                  Failure* failure = nullptr);

}  // namespace volumix
