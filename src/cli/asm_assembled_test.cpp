// The assembler sources, read by a real assembler: pasmo assembles each .asm
// a run writes, and its bytes must be the data file's, followed by the
// closing part that the index file describes.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using volumix::test::readBytes;
using volumix::test::readText;
using volumix::test::TestFolder;

constexpr size_t HeaderSize = 128;  // AMSDOS header of data and index files

int shell(const std::string& command) {
    const int raw = std::system(command.c_str());
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// Built piece by piece: GCC 12 misreports "'" + text + "'" (-Wrestrict).
std::string inQuotes(const fs::path& path) {
    std::string text = "'";
    text += path.string();
    text += '\'';
    return text;
}

int word(const std::vector<uint8_t>& bytes, size_t at) { return bytes[at] | (bytes[at + 1] << 8); }

uint8_t selectByteOfBank(int bank) { return static_cast<uint8_t>(bank == 0 ? 0xC0 : 0xC0 | ((bank + 3) & 7)); }

struct IndexEntry {
    std::string label;  // SP_Frame_nnn
    int address = 0;
    int bank = 0;
};

struct AssembledCase {
    const char* name;
    const char* options;
    int frames;
};

class AsmAssembled : public ::testing::TestWithParam<AssembledCase> {};

// Frames 0.. by 1, so the k-th record stored is frame k (label k + 1). The
// runs with banks are long enough to fill bank 4 and go on in bank 5.
TEST_P(AsmAssembled, PasmoGivesTheDataFileBytes) {
    const AssembledCase& c = GetParam();
    TestFolder folder;
    for (const bool banks : {false, true}) {
        SCOPED_TRACE(banks ? "with banks" : "without banks");
        const fs::path prefix = folder / (banks ? "banked" : "plain");
        const std::string generate = std::string("'") + VOLUMIX_CLI_PATH + "' generate '" + VOLUMIX_EXAMPLES_DIR +
                                     "/torus.asc' --frames " + std::to_string(c.frames) + " " + c.options +
                                     (banks ? " --banks" : "") + " --asm -o " + inQuotes(prefix) + " >/dev/null";
        ASSERT_EQ(shell(generate), 0);

        std::vector<std::string> suffixes;
        if (!banks) suffixes.push_back("");
        for (int bank = 4; banks && bank <= 8; ++bank)
            if (fs::exists(prefix.string() + ".C" + std::to_string(bank))) suffixes.push_back(".C" + std::to_string(bank));
        if (banks) {
            ASSERT_GE(suffixes.size(), 2u) << "the run should reach a second bank";
        }

        // Every entry of the banks so far: the last bank's table names them all.
        std::vector<IndexEntry> entries;
        for (const std::string& suffix : suffixes) {
            SCOPED_TRACE(suffix);
            const std::vector<uint8_t> data = readBytes(prefix.string() + suffix);
            const std::vector<uint8_t> index = readBytes(prefix.string() + suffix + ".idx");
            ASSERT_GE(data.size(), HeaderSize);
            ASSERT_GE(index.size(), HeaderSize);
            const int loadAddress = word(data, 21);
            const size_t stored = data.size() - HeaderSize;
            ASSERT_EQ(static_cast<size_t>(word(data, 64)), stored);

            // Labels of earlier banks are not defined in this source: they
            // are given as their index files place them.
            std::string equates;
            for (const IndexEntry& earlier : entries)
                equates += " --equ " + earlier.label + "=" + std::to_string(earlier.address - loadAddress);
            const size_t ownFirst = entries.size();
            for (size_t at = HeaderSize; at + 3 <= index.size(); at += 3) {
                char label[16];
                std::snprintf(label, sizeof label, "SP_Frame_%03zu", entries.size() + 1);
                entries.push_back({label, word(index, at), index[at + 2]});
            }
            ASSERT_GT(entries.size(), ownFirst);

            const fs::path binary = folder / ("assembled" + suffix + ".bin");
            const fs::path errors = folder / "pasmo.txt";
            const std::string assemble = std::string("'") + VOLUMIX_PASMO_PATH + "' --bin" + equates + " " +
                                         inQuotes(prefix.string() + suffix + ".asm") + " " + inQuotes(binary) + " 2>" +
                                         inQuotes(errors);
            ASSERT_EQ(shell(assemble), 0) << readText(errors);
            const std::vector<uint8_t> assembled = readBytes(binary);

            // Assembled from address 0: the records, then DW #0000 and the
            // table, whose words are the frames' offsets from the load address
            // (for this bank's frames, where pasmo placed their labels).
            std::vector<uint8_t> expected(data.begin() + HeaderSize, data.end());
            const auto addWord = [&expected](int value) {
                expected.push_back(static_cast<uint8_t>(value));
                expected.push_back(static_cast<uint8_t>(value >> 8));
            };
            addWord(0);
            for (const IndexEntry& entry : entries) {
                addWord(entry.address - loadAddress);
                if (banks) expected.push_back(selectByteOfBank(entry.bank));
            }
            addWord(0);
            if (banks) expected.push_back(0);
            EXPECT_TRUE(assembled == expected) << "assembled " << assembled.size() << " bytes, expected "
                                               << expected.size();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Exports, AsmAssembled,
    ::testing::Values(
        AssembledCase{"delta", "--render filled-faces --start 160,100,600,600,90,0,0 --increment 0,0,0,0,1,3,0", 12},
        AssembledCase{"compressed",
                      "--render filled-faces --start 160,100,600,600,90,0,0 --increment 0,0,0,0,1,3,0 --compress", 16},
        AssembledCase{"points", "--mode 1 --render points --export points", 70}),
    [](const ::testing::TestParamInfo<AssembledCase>& info) { return std::string(info.param.name); });

}  // namespace
