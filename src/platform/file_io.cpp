#include "platform/file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#ifdef _WIN32
#include <io.h>
#include <process.h>
#else
#include <unistd.h>
#endif

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

// The system calls differ on Windows in name and in taking wide paths; files
// are always binary there, or LF would become CR LF.
#ifdef _WIN32
int openNewFile(const std::filesystem::path& path) {
    return ::_wopen(path.c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | _O_BINARY, _S_IREAD | _S_IWRITE);
}
int processId() { return ::_getpid(); }
int writeSome(int fd, const uint8_t* bytes, size_t count) {
    return ::_write(fd, bytes, static_cast<unsigned>(std::min<size_t>(count, 1u << 30)));
}
std::FILE* openForReading(const std::filesystem::path& path) { return ::_wfopen(path.c_str(), L"rb"); }
std::FILE* openForWriting(const std::filesystem::path& path) { return ::_wfopen(path.c_str(), L"wb"); }
#else
int openNewFile(const std::filesystem::path& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666); }
int processId() { return static_cast<int>(::getpid()); }
ssize_t writeSome(int fd, const uint8_t* bytes, size_t count) { return ::write(fd, bytes, count); }
std::FILE* openForReading(const std::filesystem::path& path) { return std::fopen(path.c_str(), "rb"); }
std::FILE* openForWriting(const std::filesystem::path& path) { return std::fopen(path.c_str(), "wb"); }
#endif

// Opens a regular file for reading; anything else is refused unopened.
std::FILE* openRegularFile(const std::filesystem::path& path, Failure* failure) {
    std::error_code code;
    const std::filesystem::file_status status = std::filesystem::status(path, code);
    if (code) {
        report(failure, fileFailure(FailureSystem, path.string(), code.value()));
        return nullptr;
    }
    if (std::filesystem::is_directory(status)) {
        report(failure, fileFailure(FailureIsFolder, path.string()));
        return nullptr;
    }
    if (!std::filesystem::is_regular_file(status)) {
        report(failure, fileFailure(FailureNotRegular, path.string()));
        return nullptr;
    }
    std::FILE* file = openForReading(path);
    if (file == nullptr) report(failure, fileFailure(FailureSystem, path.string(), errno));
    return file;
}

std::optional<std::vector<uint8_t>> readOpenFile(std::FILE* file, const std::filesystem::path& path, size_t limit,
                                                 Failure* failure) {
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    bool failed = false;
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof chunk, limit - bytes.size());
        const size_t got = std::fread(chunk, 1, want, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < want) {
            failed = std::ferror(file) != 0;
            if (failed) report(failure, fileFailure(FailureSystem, path.string(), errno));
            break;
        }
    }
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

}  // namespace

int createTemporaryBeside(const std::filesystem::path& path, std::filesystem::path& temporary) {
    static std::atomic<unsigned> counter{0};
    static thread_local std::minstd_rand random{std::random_device{}()};
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = path;
        temporary += ".tmp" + std::to_string(processId()) + "-" + std::to_string(counter.fetch_add(1)) + "-" +
                     std::to_string(random() % 1000000);
        const int fd = openNewFile(temporary);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

std::FILE* createForWriting(const std::filesystem::path& path) { return openForWriting(path); }

bool writeAll(int fd, const void* data, size_t count) {
    const auto* bytes = static_cast<const uint8_t*>(data);
    while (count > 0) {
        const auto written = writeSome(fd, bytes, count);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        count -= static_cast<size_t>(written);
    }
    return true;
}

bool truncateOpenFile(std::FILE* file, long size) {
#ifdef _WIN32
    return ::_chsize_s(::_fileno(file), size) == 0;
#else
    return ::ftruncate(::fileno(file), size) == 0;
#endif
}

FileWriteResult writeFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    FileWriteResult result;
    if (path.empty()) return {FileCreateFailed, fileFailure(FailureNoFileName, {})};
    std::filesystem::path temporary;
    const int fd = createTemporaryBeside(path, temporary);
    if (fd < 0) return {FileCreateFailed, fileFailure(FailureSystem, path.string(), errno)};
    bool written = writeAll(fd, bytes.data(), bytes.size());
    int error = written ? 0 : errno;
#ifdef _WIN32
    const int closed = ::_close(fd);
#else
    const int closed = ::close(fd);
#endif
    if (closed != 0 && written) {
        written = false;
        error = errno;
    }
    std::error_code renameError;
    if (written) std::filesystem::rename(temporary, path, renameError);
    if (!written || renameError) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return {FileWriteFailed, fileFailure(FailureSystem, path.string(), written ? renameError.value() : error)};
    }
    return result;
}

std::optional<std::vector<uint8_t>> readFileBytes(const std::filesystem::path& path, size_t limit,
                                                  Failure* failure) {
    std::FILE* file = openRegularFile(path, failure);
    if (file == nullptr) return std::nullopt;
    return readOpenFile(file, path, limit, failure);
}

std::optional<std::vector<uint8_t>> readWholeFile(const std::filesystem::path& path, size_t largest,
                                                  Failure* failure) {
    std::FILE* file = openRegularFile(path, failure);
    if (file == nullptr) return std::nullopt;
    // One byte more than allowed tells a file that is too large (also one
    // that grew since it was looked at).
    const size_t limit = largest == SIZE_MAX ? largest : largest + 1;
    auto bytes = readOpenFile(file, path, limit, failure);
    if (bytes && bytes->size() > largest) {
        Failure tooLarge = fileFailure(FailureTooLarge, path.string());
        tooLarge.count = static_cast<int64_t>(largest);
        report(failure, std::move(tooLarge));
        return std::nullopt;
    }
    return bytes;
}

}  // namespace volumix
