// End-to-end tests of `volumix generate`: the built program is run as a user
// would run it, and its streams, exit status and files are checked.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
using volumix::test::writeBytes;
using volumix::test::writeText;

using Outcome = volumix::test::CliOutcome;

class GenerateCommand : public ::testing::Test {
protected:
    static std::string example(const char* name) { return std::string(VOLUMIX_EXAMPLES_DIR) + "/" + name; }

    Outcome run(const std::string& arguments) { return runVolumix("generate " + arguments); }

    Outcome runVolumix(const std::string& arguments) { return volumix::test::runCli(folder_.path(), arguments); }

    size_t filesWritten() const {
        size_t count = 0;
        for (const auto& entry : fs::recursive_directory_iterator(folder_.path())) count += entry.is_regular_file();
        return count;
    }

    TestFolder folder_;
};

TEST_F(GenerateCommand, DefaultRunListsSixtyFramesAndTheirTotal) {
    const Outcome result = run(example("torus.asc"));
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.out.size(), 61u);
    long sum = 0;
    for (size_t i = 0; i < 60; ++i) {
        char expected[32];
        std::snprintf(expected, sizeof expected, "Frame %3zu Taille=", i);
        ASSERT_EQ(result.out[i].rfind(expected, 0), 0u) << result.out[i];
        sum += std::stol(result.out[i].substr(std::string(expected).size()));
    }
    EXPECT_EQ(result.out.back(), "Total = " + std::to_string(sum) + " octets");
    EXPECT_EQ(filesWritten(), 0u);  // without --out nothing is written
}

TEST_F(GenerateCommand, FrameCountingAndSequences) {
    Outcome result = run(example("torus.asc") + " --frames 10 --step 2 --first 1");
    ASSERT_EQ(result.status, 0) << result.err;
    std::vector<std::string> frames;
    for (const std::string& line : result.out) frames.push_back(line.rfind("Total", 0) == 0 ? "Total" : line.substr(0, 9));
    EXPECT_EQ(frames, (std::vector<std::string>{"Frame   1", "Frame   3", "Frame   5", "Frame   7", "Frame   9",
                                                "Total"}));
    // The window's clamps: 500 frames become 359.
    result = run(example("torus.asc") + " --frames 500");
    EXPECT_EQ(result.out.size(), 360u);

    // A sequence of five rows: five frames, whatever --frames says.
    writeText(folder_ / "five.csv", "header;\n0;160;100;1000;1000;90;0;0;\n1;160;100;1000;1000;90;6;0;\n"
                                    "2;160;100;1000;1000;90;12;0;\n3;160;100;1000;1000;90;18;0;\n"
                                    "4;160;100;1000;1000;90;24;0;\n");
    result = run(example("torus.asc") + " --frames 50 --sequence " + (folder_ / "five.csv").string());
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.size(), 6u);

    // No usable row: only the pre-roll is drawn, and the total is 0.
    writeText(folder_ / "none.csv", "1;1;1;1;1;1;1;1;\n");
    result = run(example("torus.asc") + " --sequence " + (folder_ / "none.csv").string());
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out, (std::vector<std::string>{"Total = 0 octets"}));
}

// Replays each stored screen delta, found through the index file, over the
// screen before it: the result is that frame's .SCR image.
TEST_F(GenerateCommand, DataFilesReplayIntoTheScreenFiles) {
    const std::string prefix = (folder_ / "run" / "anim").string();
    const Outcome result = run(example("torus.asc") + " --frames 12 --scr --asm -o " + prefix);
    ASSERT_EQ(result.status, 0) << result.err;

    const std::vector<uint8_t> data = readBytes(prefix);
    const std::vector<uint8_t> index = readBytes(prefix + ".idx");
    ASSERT_GE(data.size(), 128u);
    ASSERT_EQ(index.size(), 128u + 12 * 3);
    EXPECT_EQ(data[64] | (data[65] << 8), static_cast<int>(data.size()) - 128);  // final length in the header

    std::vector<uint8_t> screen(16384, 0);
    for (int frame = 0; frame < 12; ++frame) {
        const uint8_t* entry = index.data() + 128 + frame * 3;
        const int address = entry[0] | (entry[1] << 8);
        EXPECT_EQ(entry[2], 0);  // main memory
        size_t at = static_cast<size_t>(address - 0x0200 + 128);
        while (true) {
            ASSERT_LT(at + 1, data.size());
            const int target = data[at] | (data[at + 1] << 8);
            if (target == 0) break;
            ASSERT_GE(target, 0xC000);
            screen[static_cast<size_t>(target - 0xC000)] = data[at + 2];
            at += 3;
        }
        char name[16];
        std::snprintf(name, sizeof name, "%03d.SCR", frame);
        const std::vector<uint8_t> scr = readBytes(prefix + name);
        ASSERT_EQ(scr.size(), 16512u);
        for (size_t offset = 0; offset < screen.size(); ++offset) {
            // The first frame's file carries the mode and inks, which reach
            // the data with the next frame's delta.
            if (frame == 0 && offset >= 0x17D0 && offset <= 0x17E0) continue;
            ASSERT_EQ(screen[offset], scr[128 + offset]) << "frame " << frame << " offset " << offset;
        }
    }
    EXPECT_NE(readText(prefix + ".asm").find("TabIndex:\r\n"), std::string::npos);
}

TEST_F(GenerateCommand, BadCommandLinesWriteNothing) {
    const std::string out = " -o " + (folder_ / "x" / "y").string();
    for (const char* bad : {" --bogus", " --frames -1", " --frames ten", " --r1 -2", " --inks 1,2,3",
                            " --inks 1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,27", " --sprite-size 5",
                            " --sprite-count 0", " --sprite-count 257", " --mode 3", " --base 1234",
                            " --export points", " --export points --mode 1 --render wireframe",
                            " --compress --export sprite", " --start 1,2,3", " --import-palette"}) {
        const Outcome result = run(example("torus.asc") + bad + out);
        EXPECT_EQ(result.status, 2) << bad;
        EXPECT_EQ(result.err.rfind("error: ", 0), 0u) << bad << ": " << result.err;
        EXPECT_TRUE(result.out.empty()) << bad;
    }
    EXPECT_EQ(filesWritten(), 0u);
    // Accepted spellings of the base address.
    for (const char* base : {"c000", "#C000", "0xC000", "0X4000"})
        EXPECT_EQ(run(example("torus.asc") + " --frames 1 --base '" + base + "'").status, 0) << base;
}

TEST_F(GenerateCommand, VersionAndCommandList) {
    for (const char* flag : {"--version", "-V"}) {
        const Outcome version = runVolumix(flag);
        EXPECT_EQ(version.status, 0) << flag;
        ASSERT_EQ(version.out.size(), 1u) << flag;
        EXPECT_EQ(version.out[0].rfind("Volumix V1.10 - ", 0), 0u) << version.out[0];
        EXPECT_NE(version.out[0].find(" (Build "), std::string::npos) << version.out[0];
    }
    const Outcome help = runVolumix("--help");
    EXPECT_EQ(help.status, 0);
    for (const char* command : {"  generate ", "  convert ", "  verify "})
        EXPECT_EQ(std::count_if(help.out.begin(), help.out.end(),
                                [&](const std::string& line) { return line.rfind(command, 0) == 0; }),
                  1)
            << command;
    const Outcome unknown = runVolumix("frobnicate");
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("volumix --help"), std::string::npos) << unknown.err;
}

TEST_F(GenerateCommand, SpriteRunsWithABank) {
    std::vector<uint8_t> bank(131072);
    for (size_t i = 0; i < bank.size(); ++i) bank[i] = static_cast<uint8_t>(i / 512 % 4);
    writeBytes(folder_ / "bank.spt", bank);
    const std::string prefix = (folder_ / "sprites" / "s").string();
    const Outcome result = run(example("torus.asc") + " --render hidden-sprites --mode 1 --sprites " +
                               (folder_ / "bank.spt").string() +
                               " --sprite-size 8 --sprite-count 3 --export sprite --sprite-layout 2col "
                               "--sprite-header size --frames 4 --asm -o " + prefix);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.size(), 5u);
    const std::string source = readText(prefix + ".asm");
    EXPECT_NE(source.find("; Mode du sprite = 2 COLONNES par 2 COLONNES\r\n"), std::string::npos);
    EXPECT_NE(source.find("' (TailleX,TailleY)\r\n"), std::string::npos);
}

// A prefix whose folder is a plain file: nothing can be created there, so the
// run ends before its first frame with its total, and the command fails.
TEST_F(GenerateCommand, UncreatableOutputEndsTheRunAndFails) {
    writeText(folder_ / "plainfile", "not a folder");
    const std::string prefix = (folder_ / "plainfile" / "out").string();
    const Outcome result = run(example("torus.asc") + " --frames 3 -o " + prefix);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err.rfind("error: cannot write " + prefix, 0), 0u) << result.err;
    size_t frames = 0;
    std::vector<std::string> failures;
    for (const std::string& line : result.out) {
        frames += line.rfind("Frame ", 0) == 0;
        if (line.rfind("Erreur de cr\xC3\xA9" "ation du fichier ", 0) == 0) failures.push_back(line);
    }
    EXPECT_EQ(frames, 0u);
    ASSERT_FALSE(result.out.empty());
    EXPECT_EQ(result.out.back(), "Total = 0 octets");
    ASSERT_FALSE(failures.empty());
    EXPECT_EQ(failures.front(), "Erreur de cr\xC3\xA9" "ation du fichier " + prefix);
    EXPECT_EQ(filesWritten(), 1u);  // the plain file alone
}

TEST_F(GenerateCommand, UnreadableFilesAndMemoryFull) {
    const std::string out = " -o " + (folder_ / "x" / "y").string();
    Outcome result = run((folder_ / "missing.asc").string() + out);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, (std::vector<std::string>{"Erreur d'ouverture du fichier objet."}));
    for (const std::string& bad : {" --background " + (folder_ / "none.scr").string(),
                                   " --sprites " + (folder_ / "none.spt").string(),
                                   " --sequence " + (folder_ / "none.csv").string()}) {
        result = run(example("torus.asc") + bad + out);
        EXPECT_EQ(result.status, 1) << bad;
        EXPECT_EQ(result.err.rfind("error: ", 0), 0u) << result.err;
    }
    // Neither an AMSDOS header nor a bare 16384-byte image.
    writeText(folder_ / "headerless.scr", std::string(16383, '\0'));
    result = run(example("torus.asc") + " --background " + (folder_ / "headerless.scr").string() + out);
    EXPECT_EQ(result.status, 1);

    // Over the tables' limits: the run's own line, and no output.
    std::string vertices;
    for (int i = 0; i <= 65536; ++i) vertices += "Vertex 0:  X: 0 Y: 0 Z: 0\n";
    writeText(folder_ / "big.asc", vertices);
    result = run((folder_ / "big.asc").string() + out);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, (std::vector<std::string>{"Trop de points (>65536) dans l'objet !"}));
    std::string faces;
    for (int i = 0; i <= 65536; ++i) faces += "Face 0:    A:0 B:0 C:0\n";
    writeText(folder_ / "big.asc", faces);
    result = run((folder_ / "big.asc").string() + out);
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.out, (std::vector<std::string>{"Trop de faces (>65536) dans l'objet !"}));
    EXPECT_EQ(filesWritten(), 2u);  // only the two files made above

    // Filled faces change most of the screen: main memory fills in a few frames.
    result = run(example("torus.asc") + " --render filled-faces --mode 1 --frames 30" + out);
    EXPECT_EQ(result.status, 3);
    ASSERT_GE(result.out.size(), 3u);
    EXPECT_EQ(result.out[result.out.size() - 3], "D\xC3\xA9passement capacit\xC3\xA9 m\xC3\xA9moire !!!");
    EXPECT_EQ(result.out.back().rfind("Total = ", 0), 0u);
}

}  // namespace
