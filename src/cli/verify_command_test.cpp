// End-to-end tests of the player, the snapshot and the replay check: runs
// are generated and played back by the built program.
#include <gtest/gtest.h>

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

using Outcome = volumix::test::CliOutcome;

class PlayerReplay : public ::testing::Test {
protected:
    static std::string example(const char* name) { return std::string(VOLUMIX_EXAMPLES_DIR) + "/" + name; }

    Outcome run(const std::string& arguments) { return volumix::test::runCli(folder_.path(), arguments); }

    std::string prefix(const std::string& name) const { return (folder_ / name).string(); }

    // A small torus turning, so that every run fits in memory and loops.
    std::string generate(const std::string& name, const std::string& options, int frames = 12) const {
        return "generate '" + example("torus.asc") + "' --frames " + std::to_string(frames) + " --start 160,100,250,250,90,0,0 -o '" +
               prefix(name) + "' " + options;
    }

    static bool hasLine(const Outcome& outcome, const std::string& text) {
        for (const std::string& line : outcome.out)
            if (line.find(text) != std::string::npos) return true;
        return false;
    }

    TestFolder folder_;
};

TEST_F(PlayerReplay, EveryLayoutReplaysEveryFrame) {
    // A background for the sprites-over-background runs.
    ASSERT_EQ(run(generate("bg", "--render filled-faces --scr", 1)).status, 0);
    const std::string background = " --background '" + prefix("bg") + "000.SCR'";
    struct Case {
        const char* name;
        std::string options;
    };
    const Case cases[] = {
        {"wire", "--render wireframe --mode 1 --base C000"},
        {"wirepacked", "--render wireframe --mode 0 --compress --r1 32"},
        {"wirewide", "--render wireframe --r1 48 --base 4000"},
        {"filledbanks", "--render filled-faces --banks --base 0000"},
        {"filledbankspacked", "--render filled-faces --banks --compress --base 8000 --r1 36"},
        {"filled4000", "--render filled-faces --base 4000"},
        {"spritesbg", "--render sprites --compress" + background},
        {"spritesbgbanks", "--render hidden-sprites --banks --base 0000" + background},
        {"spritelines", "--render filled-faces --export sprite --sprite-layout lines"},
        {"sprite1col", "--render wireframe --export sprite --sprite-layout 1col --banks --base 0000"},
        {"sprite2col", "--render filled-faces --export sprite --sprite-layout 2col --r1 39"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome result = run(generate(c.name, c.options + " --verify --snapshot '" + prefix(c.name) + ".sna'"));
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_TRUE(hasLine(result, "frames checked: 12 (and frame 0 after the last), mismatches: 0"));
        EXPECT_TRUE(hasLine(result, "frame   0 (loop)"));
        EXPECT_TRUE(fs::exists(prefix(c.name) + ".sna"));
    }
    // A linear run has no snapshot, but its memory is checked.
    const Outcome linear = run(generate("linear", "--render wireframe --linear --verify"));
    EXPECT_EQ(linear.status, 0) << linear.err;
    EXPECT_TRUE(hasLine(linear, "mismatches: 0"));
    const Outcome refused = run(generate("linear2", "--linear --snapshot x.sna"));
    EXPECT_EQ(refused.status, 2);
    EXPECT_NE(refused.err.find("display split"), std::string::npos) << refused.err;
}

TEST_F(PlayerReplay, OneChangedDataByteFailsAtItsFrame) {
    const std::string name = "torus";
    ASSERT_EQ(run(generate(name, "--render wireframe --scr --snapshot '" + prefix(name) + ".sna'")).status, 0);
    const Outcome clean = run("verify '" + prefix(name) + "'");
    ASSERT_EQ(clean.status, 0) << clean.err;
    ASSERT_EQ(clean.out.size(), 13u + 5u);

    // Frame 5's first value byte: its index entry gives its CPC address.
    std::vector<uint8_t> index = readBytes(prefix(name) + ".idx");
    std::vector<uint8_t> data = readBytes(prefix(name));
    const size_t address = index[128 + 15] | (index[128 + 16] << 8);
    data[128 + (address - 0x0200) + 2] ^= 0x5A;
    writeBytes(prefix(name), data);

    const Outcome broken = run("verify '" + prefix(name) + "'");
    EXPECT_EQ(broken.status, 1);
    ASSERT_GE(broken.out.size(), 6u);
    for (int k = 0; k < 5; ++k) EXPECT_NE(broken.out[k].find("ok"), std::string::npos) << broken.out[k];
    EXPECT_NE(broken.out[5].find("mismatch at &"), std::string::npos) << broken.out[5];
    EXPECT_TRUE(hasLine(broken, "mismatches: "));
}

TEST_F(PlayerReplay, ARunWithoutSnapshotIsCheckedFromItsDescription) {
    struct Case {
        const char* name;
        std::string generateOptions, verifyOptions;
        int status;
    };
    const Case cases[] = {
        // Line 95 of this screen holds the offsets where a .SCR keeps its
        // mode and inks: both checks must compare the picture, not those.
        {"lin", "--render wireframe --linear --base 4000 --r1 32 --verify", "--linear --base 4000 --r1 32", 0},
        {"linpacked", "--render filled-faces --linear --compress --banks --base 0000", "--linear --compress --base 0000", 0},
        {"plain", "--render filled-faces --r1 36", "--r1 36", 0},
        // A description that is not the run's: the compressed data is played
        // as plain deltas and frame 0 already differs.
        {"wrong", "--render wireframe --linear --compress", "--linear", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(run(generate(c.name, c.generateOptions + " --scr")).status, 0);
        const Outcome result = run("verify '" + prefix(c.name) + "' " + c.verifyOptions);
        EXPECT_EQ(result.status, c.status) << result.err;
        EXPECT_EQ(hasLine(result, "frames checked: 12 (and frame 0 after the last), mismatches: 0"), c.status == 0);
    }
    // Without a snapshot or a description the error says what to give.
    const Outcome bare = run("verify '" + prefix("lin") + "'");
    EXPECT_EQ(bare.status, 1);
    EXPECT_NE(bare.err.find("--linear"), std::string::npos) << bare.err;
    // A snapshot and a description together are refused.
    EXPECT_EQ(run("verify '" + prefix("lin") + "' --linear --snapshot x.sna").status, 2);
}

TEST_F(PlayerReplay, ARunCutShortByFullMemoryNamesItsLoop) {
    const Outcome result = run("generate '" + example("torus.asc") +
                               "' --frames 30 --render filled-faces --start 160,100,900,900,90,0,0 "
                               "--increment 0,0,0,0,7,11,0 -o '" + prefix("full") + "' --verify");
    EXPECT_TRUE(hasLine(result, "Dépassement capacité mémoire !!!"));
    EXPECT_TRUE(hasLine(result, "frame   0         ") && hasLine(result, "mismatches: 1"));
    EXPECT_TRUE(hasLine(result, "(frame 0 matched on its first play"));
    EXPECT_EQ(result.status, 1);
}

// The value printed after `prefix` on the line that starts with it.
double valueAfter(const Outcome& outcome, const std::string& prefix) {
    for (const std::string& line : outcome.out)
        if (line.rfind(prefix, 0) == 0) return std::stod(line.substr(prefix.size()));
    return -1;
}

TEST_F(PlayerReplay, EveryExportStaysWithinItsCostPerByteGoal) {
    // The runs the README names: the torus turning, 12 frames, filled faces
    // and wireframe, mode 0 at zoom 600 and mode 2 at zoom 500 (main memory,
    // base &C000). Costs are counted by the emulator: the same on every run.
    struct Export {
        const char* name;
        const char* options;
        double goal;  // µs per changed byte, or per box byte
    };
    const Export exports[] = {
        {"delta", "", 11},
        {"compressed", "--compress", 16},
        {"lines", "--export sprite --sprite-layout lines", 8},
        {"1col", "--export sprite --sprite-layout 1col", 12},
        {"2col", "--export sprite --sprite-layout 2col", 12},
    };
    for (const char* render : {"filled-faces", "wireframe"}) {
        for (const auto& [mode, zoom] : {std::pair{0, 600}, std::pair{2, 500}}) {
            for (const Export& e : exports) {
                const std::string name = std::string(render) + std::to_string(mode) + e.name;
                SCOPED_TRACE(name);
                const std::string zoomText = std::to_string(zoom);
                const Outcome result =
                    run("generate '" + example("torus.asc") + "' --frames 12 --render " + render + " --mode " +
                        std::to_string(mode) + " --start 160,100," + zoomText + "," + zoomText +
                        ",90,0,0 --increment 0,0,0,0,2,3,0 " + e.options + " -o '" + prefix(name) + "' --verify");
                ASSERT_EQ(result.status, 0) << result.err;
                EXPECT_TRUE(hasLine(result, "frames checked: 12 (and frame 0 after the last), mismatches: 0"));
                const double cost = valueAfter(result, "cost: ");
                EXPECT_GT(cost, 0);
                EXPECT_LE(cost, e.goal);
            }
        }
    }
}

TEST_F(PlayerReplay, TheRateIsKeptInTheSnapshotAndAutoPicksTheFewestSyncs) {
    const auto torus = [&](const std::string& name, const std::string& options) {
        return "generate '" + example("torus.asc") + "' --frames 12 --render filled-faces --start 160,100,600,600,90,0,0 "
               "--increment 0,0,0,0,2,3,0 --scr -o '" + prefix(name) + "' " + options;
    };
    const Outcome three = run(torus("three", "--rate 3 --snapshot '" + prefix("three") + ".sna'"));
    ASSERT_EQ(three.status, 0) << three.err;
    const Outcome checked = run("verify '" + prefix("three") + "'");
    EXPECT_EQ(checked.status, 0) << checked.err;
    EXPECT_TRUE(hasLine(checked, "rate: one frame every 3 vertical syncs (16.69 frames/s)"));
    EXPECT_TRUE(hasLine(checked, "every frame fits in its 59904 us: yes"));
    EXPECT_TRUE(hasLine(checked, "frame   5          ")) << "frame lines";
    // A run without a snapshot is checked at the rate its description names.
    EXPECT_EQ(run("verify '" + prefix("three") + "' --rate 3").status, 0);

    // Frame 0 of the compressed run costs more than one 50 Hz frame and
    // less than two; the other frames fit in one.
    const Outcome autoRate = run(torus("auto", "--compress --rate auto --verify"));
    EXPECT_EQ(autoRate.status, 0) << autoRate.err;
    EXPECT_TRUE(hasLine(autoRate, "rate: auto chose 2 vertical syncs per frame: the dearest frame, 0, takes "));
    EXPECT_TRUE(hasLine(autoRate, "rate: one frame every 2 vertical syncs"));
    EXPECT_TRUE(hasLine(autoRate, "every frame fits in its 39936 us: yes"));

    for (const char* bad : {"0", "51", "two"}) {
        SCOPED_TRACE(bad);
        const Outcome refused = run(generate("bad", std::string("--rate ") + bad + " --verify"));
        EXPECT_EQ(refused.status, 2);
        EXPECT_NE(refused.err.find("--rate"), std::string::npos) << refused.err;
    }
    const Outcome noPlayer = run(generate("none", "--rate 2"));
    EXPECT_EQ(noPlayer.status, 2);
    EXPECT_NE(noPlayer.err.find("--rate needs --snapshot, --dsk or --verify"), std::string::npos) << noPlayer.err;
}

TEST_F(PlayerReplay, FrameZeroPlaysRightAfterTheLastFrame) {
    // Here the last frame leaves &AA at &3227 where frame 0 holds the empty
    // screen's 0: frame 0's delta lists that byte, so the loop closes.
    const Outcome result = run("generate '" + example("torus.asc") +
                               "' --render wireframe --mode 2 --r1 32 --banks --base 0000 --compress --frames 14 "
                               "--increment 0,0,0,0,3,7,0 -o '" + prefix("loop") + "' --verify");
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_TRUE(hasLine(result, "frames checked: 14 (and frame 0 after the last), mismatches: 0"));
}

TEST_F(PlayerReplay, ALoopThatDoesNotCloseIsExplainedByWhatIsKnown) {
    // A completed run whose last frame (data and .SCR) also writes 0x55 at
    // &C000, which no frame touches: frame 0's delta has no reason to list
    // that byte, so the loop does not close. The run was not stopped by full
    // memory, and verify does not say it was. (The last record may grow: its
    // length is up to the end of the file.)
    const std::string name = "altered";
    ASSERT_EQ(run(generate(name, "--render wireframe --scr --snapshot '" + prefix(name) + ".sna'")).status, 0);
    const std::vector<uint8_t> index = readBytes(prefix(name) + ".idx");
    std::vector<uint8_t> data = readBytes(prefix(name));
    std::vector<uint8_t> lastScreen = readBytes(prefix(name) + "011.SCR");
    ASSERT_EQ(readBytes(prefix(name) + "000.SCR")[128], 0);
    ASSERT_EQ(lastScreen[128], 0);
    const size_t last = 128 + ((index[index.size() - 3] | (index[index.size() - 2] << 8)) - 0x0200);
    data.insert(data.begin() + static_cast<std::ptrdiff_t>(last), {0x00, 0xC0, 0x55});
    lastScreen[128] = 0x55;
    writeBytes(prefix(name), data);
    writeBytes(prefix(name) + "011.SCR", lastScreen);
    const Outcome result = run("verify '" + prefix(name) + "'");
    EXPECT_EQ(result.status, 1);
    for (const std::string& line : result.out) {
        if (line.rfind("frame  11 ", 0) == 0) {
            EXPECT_TRUE(line.ends_with("  ok")) << line;
        }
    }
    EXPECT_TRUE(hasLine(result, "frames checked: 12 (and frame 0 after the last), mismatches: 1"));
    EXPECT_TRUE(hasLine(result, "(frame 0 matched on its first play: its delta starts from the run's last planned "
                                "frame, and the last frame stored left another screen here)"));
    for (const std::string& line : result.out) EXPECT_EQ(line.find("full memory"), std::string::npos) << line;
}

TEST_F(PlayerReplay, ExportsThePlayerCannotPlayAreRefusedBeforeTheRun) {
    const Outcome points = run(generate("p", "--mode 1 --export points --snapshot p.sna"));
    EXPECT_EQ(points.status, 2);
    EXPECT_NE(points.err.find("point list"), std::string::npos) << points.err;
    const Outcome size = run(generate("s", "--export sprite --sprite-header size --verify"));
    EXPECT_EQ(size.status, 2);
    EXPECT_NE(size.err.find("--sprite-header corners"), std::string::npos) << size.err;
    const Outcome noPrefix = run("generate '" + example("torus.asc") + "' --verify");
    EXPECT_EQ(noPrefix.status, 2);
    // The layout conflict is known after the run: the files stay, no snapshot.
    const Outcome conflict = run(generate("c", "--render filled-faces --banks --snapshot '" + prefix("c") + ".sna'"));
    EXPECT_EQ(conflict.status, 1);
    EXPECT_NE(conflict.err.find("the index (&E400"), std::string::npos) << conflict.err;
    EXPECT_TRUE(fs::exists(prefix("c") + ".C4"));
    EXPECT_FALSE(fs::exists(prefix("c") + ".sna"));
}

}  // namespace
