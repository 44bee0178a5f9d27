#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace volumix {

// Writes `bytes` to a temporary file beside `path`, then renames it into
// place, so a failed or interrupted write never destroys an existing file.
// Returns false (leaving any existing file untouched) on failure.
bool writeFileReplacing(const std::filesystem::path& path, std::span<const uint8_t> bytes);

// Reads at most `limit` bytes from the start of a file as raw bytes; nothing
// when the file cannot be opened or read.
std::optional<std::vector<uint8_t>> readFileBytes(const std::filesystem::path& path, size_t limit = SIZE_MAX);

}  // namespace volumix
