// Runs every kept fuzz input through its harness: the seeds, the minimised
// finds, and each input that once broke a harness (crash-*, regress-*). A
// broken property aborts the process, so ctest reports the target as failed.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "harnesses.h"

namespace volumix {
namespace {

struct FuzzTarget {
    const char* name;  // the corpus folder
    int (*harness)(const uint8_t*, size_t);
};

std::ostream& operator<<(std::ostream& out, const FuzzTarget& target) { return out << target.name; }

std::vector<uint8_t> readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CorpusReplay : public ::testing::TestWithParam<FuzzTarget> {};

TEST_P(CorpusReplay, EveryKeptInputPasses) {
    const std::filesystem::path folder = std::filesystem::path(VOLUMIX_FUZZ_CORPUS_DIR) / GetParam().name;
    ASSERT_TRUE(std::filesystem::is_directory(folder)) << folder;
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());  // a failure names the same file every time
    ASSERT_FALSE(files.empty()) << "no inputs in " << folder;

    for (const auto& file : files) {
        SCOPED_TRACE(file.filename().string());
        const std::vector<uint8_t> bytes = readAll(file);
        EXPECT_EQ(GetParam().harness(bytes.data(), bytes.size()), 0);
    }
    // libFuzzer also starts every run with the empty input.
    EXPECT_EQ(GetParam().harness(nullptr, 0), 0);
}

INSTANTIATE_TEST_SUITE_P(Fuzz, CorpusReplay,
                         ::testing::Values(FuzzTarget{"asc", fuzzAscReader}, FuzzTarget{"scr", fuzzScreenReader},
                                           FuzzTarget{"csv", fuzzSequenceCsv}, FuzzTarget{"spt", fuzzSpriteBank},
                                           FuzzTarget{"run", fuzzGenerationRun},
                                           FuzzTarget{"sna", fuzzSnapshotReplay}),
                         [](const ::testing::TestParamInfo<FuzzTarget>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace volumix
