#include "platform/file_io.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <string>
#include <system_error>

namespace volumix {

namespace {

std::filesystem::path temporaryBeside(const std::filesystem::path& path) {
    // Unique within the process; the pid-free counter is enough because the
    // name is only held between our own create and rename.
    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary = path;
    temporary += ".tmp" + std::to_string(counter.fetch_add(1));
    return temporary;
}

}  // namespace

bool writeFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes) {
    if (path.empty()) return false;
    const std::filesystem::path temporary = temporaryBeside(path);
    std::FILE* file = std::fopen(temporary.string().c_str(), "wb");
    if (file == nullptr) return false;
    bool written = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    written = (std::fflush(file) == 0) && written;
    written = (std::fclose(file) == 0) && written;
    std::error_code error;
    if (written) std::filesystem::rename(temporary, path, error);
    if (!written || error) {
        std::filesystem::remove(temporary, error);
        return false;
    }
    return true;
}

std::optional<std::vector<uint8_t>> readFileBytes(const std::filesystem::path& path, size_t limit) {
    std::FILE* file = std::fopen(path.string().c_str(), "rb");
    if (file == nullptr) return std::nullopt;
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    bool failed = false;
    while (bytes.size() < limit) {
        const size_t want = std::min(sizeof chunk, limit - bytes.size());
        const size_t got = std::fread(chunk, 1, want, file);
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (got < want) {
            failed = std::ferror(file) != 0;
            break;
        }
    }
    std::fclose(file);
    if (failed) return std::nullopt;
    return bytes;
}

}  // namespace volumix
