// What the command line does with files that fail it: a full disk, inputs
// that are no regular files, and objects that hold no mesh.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/cli_runner.h"
#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using volumix::test::readBytes;
using volumix::test::readText;
using volumix::test::TestFolder;
using volumix::test::writeText;

using Outcome = volumix::test::CliOutcome;

Outcome runVolumix(const fs::path& scratch, const std::string& arguments) {
    return volumix::test::runCli(scratch, "generate " + arguments);
}

const std::string Example = std::string(VOLUMIX_EXAMPLES_DIR) + "/torus.asc";

uint16_t wordAt(const std::vector<uint8_t>& bytes, size_t at) {
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

// A tmpfs of a few kilobytes, mounted for the test (root only).
class SmallDisk {
public:
    SmallDisk(const fs::path& where, int kilobytes) : where_(where) {
        fs::create_directories(where_);
        const std::string options = "size=" + std::to_string(kilobytes) + "k";
        mounted_ = ::mount("tmpfs", where_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk() {
        if (mounted_) ::umount(where_.c_str());
    }
    bool mounted() const { return mounted_; }

private:
    fs::path where_;
    bool mounted_ = false;
};

// Every file a failed run leaves must be whole: the data file's header gives
// the bytes it holds, the index lists only records inside it, the source
// ends with a whole line, no .SCR is partial and no temporary is left.
void expectConsistentFiles(const fs::path& disk, const std::string& dataName, long total) {
    const auto data = readBytes(disk / dataName);
    ASSERT_GE(data.size(), 128u);
    const size_t held = data.size() - 128;
    EXPECT_EQ(wordAt(data, 19), held);
    EXPECT_EQ(static_cast<long>(held), total);  // uncompressed: the total is what the data holds
    const uint16_t base = dataName.ends_with(".C4") ? 0x4000 : 0x0200;
    const auto index = readBytes(disk / (dataName + ".idx"));
    ASSERT_GE(index.size(), 128u);
    ASSERT_EQ((index.size() - 128) % 3, 0u);
    for (size_t at = 128; at < index.size(); at += 3) {
        const uint16_t address = wordAt(index, at);
        EXPECT_GE(address, base);
        EXPECT_LT(address, base + held);
    }
    if (fs::exists(disk / (dataName + ".asm"))) {
        const std::string source = readText(disk / (dataName + ".asm"));
        EXPECT_TRUE(source.empty() || source.ends_with("\r\n"));
    }
    for (const auto& entry : fs::directory_iterator(disk)) {
        const std::string name = entry.path().filename().string();
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
        if (name.ends_with(".SCR")) {
            EXPECT_EQ(entry.file_size(), 16512u) << name;
        }
    }
}

TEST(CommandLineFailures, AFullDiskEndsTheRunWithConsistentFiles) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
    const TestFolder folder;
    // Disks that fill up at different files: a .SCR, the source, the data,
    // a bank's source.
    const struct {
        const char* options;
        int kilobytes;
        const char* dataName;
    } cases[] = {{"--scr --asm", 64, "anim"}, {"--asm", 40, "anim"}, {"", 16, "anim"}, {"--asm --banks", 24, "anim.C4"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.options) + " on " + std::to_string(c.kilobytes) + " KiB");
        const fs::path disk = folder / ("disk" + std::to_string(c.kilobytes));
        const SmallDisk small(disk, c.kilobytes);
        if (!small.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here";
        const Outcome result = runVolumix(folder.path(), Example + " " + c.options + " --frames 60 -o " +
                                                             (disk / "anim").string());
        EXPECT_EQ(result.status, 1);
        EXPECT_EQ(result.err.rfind("error: cannot write " + disk.string(), 0), 0u) << result.err;
        EXPECT_NE(result.err.find("No space left on device"), std::string::npos) << result.err;
        ASSERT_FALSE(result.out.empty());
        long total = -1;
        EXPECT_EQ(std::sscanf(result.out.back().c_str(), "Total = %ld octets", &total), 1) << result.out.back();
        bool reported = false;
        for (const std::string& line : result.out) reported |= line.rfind("Erreur d'\xC3\xA9" "criture du fichier ", 0) == 0;
        EXPECT_TRUE(reported);
        expectConsistentFiles(disk, c.dataName, total);
    }
}

TEST(CommandLineFailures, InputsThatAreNoRegularFilesAreRefused) {
    const TestFolder folder;
    const fs::path pipe = folder / "pipe";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
    const std::string folderPath = folder.path().string();
    const std::string cases[] = {
        "/dev/zero", folderPath, pipe.string(),
        Example + " --sequence /dev/zero", Example + " --sequence " + pipe.string(),
        Example + " --background " + folderPath, Example + " --background /dev/zero",
        Example + " --sprites " + pipe.string()};
    for (const std::string& arguments : cases) {
        const Outcome result = runVolumix(folder.path(), arguments);
        EXPECT_EQ(result.status, 1) << arguments;
        EXPECT_EQ(result.err.rfind("error: cannot read ", 0), 0u) << arguments << ": " << result.err;
    }
}

TEST(CommandLineFailures, ObjectWithoutMeshRunsEmptyWithAWarning) {
    const TestFolder folder;
    std::string noise;
    for (int i = 0; i < 5000; ++i) noise += static_cast<char>((i * 7919) % 251);
    writeText(folder / "noise.bin", noise);
    const Outcome result = runVolumix(folder.path(), (folder / "noise.bin").string() + " --frames 2");
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "warning: " + (folder / "noise.bin").string() + " holds no mesh (0 points, 0 faces)\n");
    ASSERT_FALSE(result.out.empty());
    EXPECT_EQ(result.out.back().rfind("Total = ", 0), 0u);
}

TEST(CommandLineFailures, ObjectThatCannotBeReadSaysWhy) {
    const TestFolder folder;
    const std::string missing = (folder / "missing.asc").string();
    const Outcome result = runVolumix(folder.path(), missing);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, (std::vector<std::string>{"Erreur d'ouverture du fichier objet."}));
    EXPECT_EQ(result.err, "error: cannot read " + missing + ": No such file or directory\n");
}

}  // namespace
