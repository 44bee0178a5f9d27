// Double buffering end to end: runs generated with --double-buffer play on
// the emulated CPC with every frame shown whole (verify's beam model counts
// no torn picture), from the snapshot and from the run's description; what
// cannot be double buffered is refused before the run, with the reason.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "testing/cli_runner.h"
#include "testing/test_support.h"

namespace {

namespace fs = std::filesystem;
using volumix::test::TestFolder;
using Outcome = volumix::test::CliOutcome;

class DoubleBuffer : public ::testing::Test {
protected:
    static std::string torus() { return std::string(VOLUMIX_EXAMPLES_DIR) + "/torus.asc"; }
    Outcome run(const std::string& arguments) { return volumix::test::runCli(folder_.path(), arguments); }
    std::string prefix(const std::string& name) const { return (folder_ / name).string(); }
    std::string generate(const std::string& name, const std::string& options, int frames = 20) const {
        return "generate '" + torus() + "' --frames " + std::to_string(frames) +
               " --start 160,100,300,300,90,0,0 --increment 0,0,0,0,4,6,0 -o '" + prefix(name) + "' " + options;
    }
    static bool hasLine(const Outcome& outcome, const std::string& text) {
        for (const std::string& line : outcome.out)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    static int tornCount(const Outcome& outcome) {
        for (const std::string& line : outcome.out)
            if (line.rfind("monitor: ", 0) == 0) return std::stoi(line.substr(line.find(" frames, ") + 9));
        return -1;
    }
    TestFolder folder_;
};


TEST_F(DoubleBuffer, RunsPlayWithNoMismatchAndNoTornPicture) {
    // A background whose picture covers only part of the screen, so that the
    // sprite blocks drawn over it stay small.
    ASSERT_EQ(run("generate '" + torus() + "' --frames 2 --start 80,60,150,150,90,0,0 --scr -o '" + prefix("bg") + "'")
                  .status,
              0);
    const std::string background = " --background '" + prefix("bg") + "001.SCR'";
    struct Case {
        const char* name;
        std::string options;
        const char* screens;
    };
    const Case cases[] = {
        {"wire", "--render wireframe", "&C000 and &8000"},
        {"wirepacked", "--render wireframe --compress --mode 0 --base 8000", "&8000 and &C000"},
        {"filledbanks", "--render filled-faces --banks --base 0000", "&0000 and &C000"},
        {"filledbankspacked", "--render filled-faces --banks --compress --base C000 --mode 2", "&C000 and &0000"},
        {"filledbg8000", "--render filled-faces --banks --compress --base 8000" + background, "&8000 and &0000"},
        {"spritesbg", "--render filled-faces --export sprite --sprite-layout 2col --banks --base 0000 --rate auto" + background,
         "&0000 and &C000"},
        {"sprite1col", "--render wireframe --export sprite --sprite-layout 1col --base 4000", "&4000 and &C000"},
        {"spritelines", "--render hidden-sprites --export sprite --sprite-layout lines --banks --base 0000 --rate 2",
         "&0000 and &C000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string sna = prefix(c.name) + ".sna";
        const Outcome made = run(generate(c.name, c.options + " --double-buffer --scr --snapshot '" + sna + "'"));
        ASSERT_EQ(made.status, 0) << made.err;
        EXPECT_TRUE(hasLine(made, std::string("double buffer: frames alternate between the screens at ") + c.screens))
            << made.outText.substr(0, 300);
        const std::string gif = prefix(c.name) + ".gif";
        const Outcome checked = run("verify '" + prefix(c.name) + "' --gif '" + gif + "'");
        EXPECT_EQ(checked.status, 0) << checked.outText << checked.err;
        EXPECT_TRUE(hasLine(checked, "frames checked: 20 (and frame 0 after the last), mismatches: 0"));
        EXPECT_FALSE(hasLine(checked, " late"));
        EXPECT_FALSE(hasLine(checked, "missed"));
        EXPECT_EQ(tornCount(checked), 0) << checked.outText;
        ASSERT_TRUE(fs::exists(gif));
    }
}

TEST_F(DoubleBuffer, TheSameHeavyRunTearsSingleBufferedAndNotDoubleBuffered) {
    const std::string heavy = "--render filled-faces --mode 0 --banks --base 0000 --increment 0,0,0,0,2,3,0";
    const auto heavyRun = [&](const std::string& name, const std::string& extra) {
        return "generate '" + torus() + "' --frames 12 --start 160,100,600,600,90,0,0 -o '" + prefix(name) + "' " +
               heavy + extra + " --scr --snapshot '" + prefix(name) + ".sna'";
    };
    ASSERT_EQ(run(heavyRun("single", "")).status, 0);
    ASSERT_EQ(run(heavyRun("double", " --double-buffer")).status, 0);
    const Outcome single = run("verify '" + prefix("single") + "' --gif '" + prefix("single") + ".gif'");
    const Outcome twice = run("verify '" + prefix("double") + "' --gif '" + prefix("double") + ".gif'");
    EXPECT_EQ(single.status, 0) << single.outText;
    EXPECT_EQ(twice.status, 0) << twice.outText;
    EXPECT_GT(tornCount(single), 0) << single.outText;
    EXPECT_EQ(tornCount(twice), 0) << twice.outText;
    // One GIF frame a 50 Hz frame: 12 frames and the loop's frame 0; double
    // buffered, one more for the sync that shows it.
    EXPECT_TRUE(hasLine(single, "monitor: 13 pictures"));
    EXPECT_TRUE(hasLine(twice, "monitor: 14 pictures"));
}

TEST_F(DoubleBuffer, ARunWithoutSnapshotIsDescribedWithDoubleBuffer) {
    ASSERT_EQ(run(generate("linear", "--render wireframe --linear --double-buffer --compress --scr")).status, 0);
    const Outcome described = run("verify '" + prefix("linear") + "' --linear --compress --double-buffer");
    EXPECT_EQ(described.status, 0) << described.outText << described.err;
    EXPECT_TRUE(hasLine(described, "mismatches: 0"));
    // Described without it, the frames land on screens the check does not show.
    const Outcome wrong = run("verify '" + prefix("linear") + "' --linear --compress");
    EXPECT_EQ(wrong.status, 1);
}

TEST_F(DoubleBuffer, WhatCannotBeDoubleBufferedIsRefusedBeforeTheRun) {
    struct Case {
        const char* name;
        std::string options;
        const char* reason;
    };
    const Case cases[] = {
        {"odd", "--frames 11", "even number of frames (11 here)"},
        {"base0", "--base 0000", "no 16 KB page is left for the second one"},
        {"banks4000", "--banks --base 4000", "with --banks the screen cannot be at &4000"},
        {"points", "--mode 1 --export points", "point list"},
        {"size", "--export sprite --sprite-header size", "--sprite-header corners"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome refused = run("generate '" + torus() + "' " + c.options + " --double-buffer -o '" + prefix(c.name) + "'");
        EXPECT_EQ(refused.status, 2);
        EXPECT_NE(refused.err.find("--double-buffer: "), std::string::npos) << refused.err;
        EXPECT_NE(refused.err.find(c.reason), std::string::npos) << refused.err;
        EXPECT_FALSE(fs::exists(prefix(c.name) + ".idx"));
    }
}

TEST_F(DoubleBuffer, TheDataStopsBeforeTheSecondScreen) {
    // Main memory from &0200 to &72FF: the run ends with full memory
    // earlier than it would without double buffering.
    const std::string big = "--render filled-faces --mode 0 --start 160,100,700,700,90,0,0 --frames 40";
    const Outcome single = run("generate '" + torus() + "' " + big + " -o '" + prefix("s") + "'");
    const Outcome twice = run("generate '" + torus() + "' " + big + " --double-buffer -o '" + prefix("d") + "'");
    EXPECT_EQ(single.status, 3);
    EXPECT_EQ(twice.status, 3);
    const auto stored = [](const Outcome& outcome) {
        for (const std::string& line : outcome.out)
            if (line.rfind("Nombre d'images", 0) == 0) return std::stoi(line.substr(line.find(':') + 1));
        return -1;
    };
    EXPECT_GT(stored(single), stored(twice));
    EXPECT_GT(stored(twice), 0);
    EXPECT_LE(fs::file_size(prefix("d")), 128u + 0x7100u);
    EXPECT_TRUE(hasLine(twice, "main memory holds 28928 bytes of data (41984 without double buffering), the index "
                               "lies at &7300"));
}

}  // namespace
