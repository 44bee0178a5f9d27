#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <system_error>

namespace volumix {

namespace {

std::string systemReason(int error) { return std::strerror(error); }

// Creates a temporary beside `path` under a name no one else holds: the
// process id, a counter and a random part, taken only if the name did not
// exist (O_EXCL), so two programs saving the same file never share one.
int createTemporaryBeside(const std::filesystem::path& path, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::minstd_rand random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path;
        temporary += ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
                     std::to_string(random() % 1000000);
        const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

bool writeAll(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

// Opens a regular file for reading; anything else is refused unopened.
std::FILE* openRegularFile(const std::filesystem::path& path, std::string* failure) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        if (failure != nullptr) *failure = systemReason(errno);
        return nullptr;
    }
    if (S_ISDIR(info.st_mode)) {
        if (failure != nullptr) *failure = "is a folder, not a file";
        return nullptr;
    }
    if (!S_ISREG(info.st_mode)) {
        if (failure != nullptr) *failure = "not a regular file (a device, pipe or socket)";
        return nullptr;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr && failure != nullptr) *failure = systemReason(errno);
    return file;
}

std::optional<std::vector<uint8_t>> readOpenFile(std::FILE* file, size_t limit, std::string* failure) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    bool failed = false;
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof chunk, limit - bytes.size());
        const size_t got = std::fread(chunk, 1, want, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < want) {
            failed = std::ferror(file) != 0;
            if (failed && failure != nullptr) *failure = systemReason(errno);
            break;
        }
    }
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

}  // namespace

FileWriteResult writeFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    FileWriteResult result;
    if (path.empty()) return {FileCreateFailed, "no file name"};
    std::filesystem::path temporary;
    const int fd = createTemporaryBeside(path, temporary);
    if (fd < 0) return {FileCreateFailed, systemReason(errno)};
    bool written = writeAll(fd, bytes.data(), bytes.size());
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && written) {
        written = false;
        error = errno;
    }
    std::error_code renameError;
    if (written) std::filesystem::rename(temporary, path, renameError);
    if (!written || renameError) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return {FileWriteFailed, written ? renameError.message() : systemReason(error)};
    }
    return result;
}

std::optional<std::vector<uint8_t>> readFileBytes(const std::filesystem::path& path, size_t limit,
                                                  std::string* failure) {
    std::FILE* file = openRegularFile(path, failure);
    if (file == nullptr) return std::nullopt;
    return readOpenFile(file, limit, failure);
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path, size_t largest,
                                                  std::string* failure) {
    std::FILE* file = openRegularFile(path, failure);
    if (file == nullptr) return std::nullopt;
    // One byte more than allowed tells a file that is too large (also one
    // that grew since it was looked at).
    const size_t limit = largest == SIZE_MAX ? largest : largest + 1;
    auto bytes = readOpenFile(file, limit, failure);
    if (bytes && bytes->size() > largest) {
        if (failure != nullptr) *failure = "larger than " + std::to_string(largest) + " bytes";
        return std::nullopt;
    }
    return bytes;
}

}  // namespace volumix
