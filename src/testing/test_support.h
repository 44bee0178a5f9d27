#pragma once

// Scaffolding shared by the test binaries: a scratch folder per test, a
// message sink that keeps its lines, and byte-exact file helpers.

#include <gtest/gtest.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "export/message_sink.h"

namespace volumix::test {

// An empty folder of the running test's own, removed with everything in it
// when destroyed. Its name carries the suite, the test and the process id,
// so tests run in parallel (by ctest, or from two build folders) never share
// a folder.
class TestFolder {
public:
    TestFolder() {
        std::string name = "volumix";
        if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info()) {
            // Appended piece by piece: GCC 12 misreports a chain of string
            // additions under -O3 (-Wrestrict).
            name += '_';
            name += info->test_suite_name();
            name += '_';
            name += info->name();
        }
        name += '_';
        name += std::to_string(::getpid());
        // Parameterised tests put '/' in their names.
        for (char& c : name) {
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-') c = '_';
        }
        path_ = std::filesystem::temp_directory_path() / name;
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);  // left over by a crashed run
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::filesystem::path& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

struct CollectedLines : MessageSink {
    std::vector<std::string> lines;
    void addLine(const std::string& line) override { lines.push_back(line); }
};

// The whole file; a missing file or a folder fails the test and reads as
// empty.
inline std::string readText(const std::filesystem::path& path) {
    std::error_code ignored;
    std::ifstream in(path, std::ios::binary);
    if (!in || std::filesystem::is_directory(path, ignored)) {
        ADD_FAILURE() << "cannot read " << path;
        return {};
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline std::vector<uint8_t> readBytes(const std::filesystem::path& path) {
    const std::string text = readText(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

// Replaces the file with exactly these bytes; a failed write fails the test.
inline void writeText(const std::filesystem::path& path, std::string_view text) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    if (!out) ADD_FAILURE() << "cannot write " << path;
}

inline void writeBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    writeText(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

}  // namespace volumix::test
