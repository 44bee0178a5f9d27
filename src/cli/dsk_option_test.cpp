// `generate --dsk`: the disk image of a real run, read back by an outside
// reader (cpmtools) and by the disk tests' own reader, its loader run on an
// emulated Z80 against the firmware stand-in, and what it loaded played by
// the replay check.

#include <gtest/gtest.h>

#include <cstdlib>

#include "cli/generate_command.h"
#include "export/cpc_snapshot.h"
#include "export/player_binary.h"
#include "export/scr_file.h"
#include "export/z80_replay.h"
#include "testing/cli_runner.h"
#include "testing/cpc_disk_standin.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

const std::string Torus = std::string(VOLUMIX_EXAMPLES_DIR) + "/torus.asc";

struct RunCase {
    const char* what;
    std::string options;
    bool banks;
    bool byteByByte;  // a file too large to hold aside is read with CAS IN CHAR
};

const RunCase Runs[] = {
    {"64K: the example's points, index and player over HIMEM", "", false, false},
    {"128K: the last part past &A67C and &C000, screen at &0000",
     "--render filled-faces --frames 50 --start 160,100,500,500,90,0,0 --increment 0,0,0,0,9,7,0 --banks --base 0000",
     true, true},
    {"64K: sprite blocks in two columns, mode 2",
     "--render hidden-sprites --export sprite --sprite-layout 2col --mode 2 --frames 20 --start 160,100,400,400,90,0,0",
     false, false},
    {"64K: wide lines (R1 = 48), points over a background at &C000",
     "--r1 48 --frames 30 --background BACKGROUND", false, false},
    {"64K double buffered: screens &C000 and &8000 over a background, index and player below &8000",
     "--render filled-faces --frames 20 --start 160,100,300,300,90,0,0 --increment 0,0,0,0,4,6,0 --double-buffer "
     "--background BACKGROUND",
     false, false},
    {"128K double buffered: screens &0000 and &C000, index at &B300",
     "--render filled-faces --frames 60 --start 160,100,500,500,90,0,0 --increment 0,0,0,0,9,7,0 --compress --banks "
     "--base 0000 --double-buffer",
     true, false},
    {"128K: 359 compressed frames",
     "--render filled-faces --frames 359 --start 160,100,200,200,90,0,0 --increment 0,0,0,0,1,1,0 --compress --banks "
     "--base 0000",
     true, false},
};

std::vector<ScreenImage> scrFiles(const std::string& prefix, int32_t count) {
    std::vector<ScreenImage> screens;
    for (int32_t k = 0; k < count; ++k) {
        const std::vector<uint8_t> bytes = test::readBytes(frameScrPath(prefix, k));
        if (bytes.size() != 128 + ScreenBytes) break;
        std::copy(bytes.begin() + 128, bytes.end(), screens.emplace_back().begin());
    }
    return screens;
}

#if VOLUMIX_TEST_HAS_Z80EX

TEST(DskOption, TheDiskLoadsWhatTheSnapshotHoldsAndPlaysIt) {
    for (const RunCase& c : Runs) {
        SCOPED_TRACE(c.what);
        test::TestFolder folder;
        const std::string prefix = (folder.path() / "torus").string();
        // A background made by a run of its own.
        std::string options = c.options;
        if (const size_t at = options.find("BACKGROUND"); at != std::string::npos) {
            const std::string first = (folder.path() / "first").string();
            ASSERT_EQ(test::runCli(folder.path(), "generate '" + Torus + "' --frames 12 --scr -o '" +
                                                      first + "'").status, ExitOk);
            options.replace(at, 10, "'" + frameScrPath(first, 11) + "'");
        }
        const test::CliOutcome generated = test::runCli(
            folder.path(), "generate '" + Torus + "' " + options + " -o '" + prefix + "' --scr --snapshot '" + prefix +
                               ".sna' --dsk '" + prefix + ".dsk'");
        ASSERT_EQ(generated.status, ExitOk) << generated.err;
        EXPECT_NE(generated.err.find("RUN\"TORUS\" on a CPC 6128"), std::string::npos) << generated.err;

        SnapshotInfo info;
        CpcMachine machine;
        ASSERT_FALSE(readSnapshot(test::readBytes(prefix + ".sna"), info).failed());
        ASSERT_FALSE(machineFromSnapshot(info, machine).failed());
        ASSERT_EQ(machine.uses128K, c.banks);
        const test::DataDisk disk = test::readDataDisk(test::readBytes(prefix + ".dsk"));
        ASSERT_EQ(disk.error, "");
        const test::LoaderRun run = test::runLoaderFromDisk(disk, "torus", machine.playerAddress);
        ASSERT_EQ(run.failure, "") << run.printed;
        EXPECT_EQ(run.runFile, "TORUS.BIN");
        EXPECT_EQ(run.charReads > 0, c.byteByByte) << run.charReads;

        // Every byte the snapshot holds, but for the player's stack space,
        // where the loader's last step ran; the CRTC, inks and mode too.
        const uint32_t stub = machine.stackTop - PlayerStackBytes;
        int32_t differences = 0;
        for (uint32_t p = 0; p < (c.banks ? 0x20000u : 0x10000u); ++p)
            if ((p < stub || p >= machine.stackTop) && run.ram[p] != machine.ram[p]) ++differences;
        EXPECT_EQ(differences, 0);
        EXPECT_TRUE(std::equal(info.crtc.begin(), info.crtc.begin() + 16, run.crtc.begin()));
        EXPECT_TRUE(std::equal(info.pens.begin(), info.pens.end(), run.pens.begin()));
        EXPECT_EQ(run.modeAndRom, info.modeAndRom);
        EXPECT_EQ(run.sp, info.sp);
        EXPECT_EQ(run.ramConfig, info.ramConfig);

        // The player started from what the loader left plays every frame.
        CpcMachine loaded = machine;
        loaded.ram = run.ram;
        const ReplayReport report = replayFrames(loaded, scrFiles(prefix, machine.frameCount), true);
        EXPECT_FALSE(report.failure.failed());
        ASSERT_EQ(report.frames.size(), size_t{machine.frameCount} + 1);
        int32_t mismatches = 0;
        for (const ReplayFrame& frame : report.frames) mismatches += frame.matches ? 0 : 1;
        EXPECT_EQ(mismatches, 0);
    }
}

#endif

// The run's files as Debian's cpmtools (through libdsk) lists and copies
// them off the image: the data files byte for byte, the index files with
// their true length in the header.
TEST(DskOption, CpmtoolsGivesBackTheRunsFiles) {
    if (std::system("command -v cpmls >/dev/null 2>&1 && command -v cpmcp >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "cpmtools is not installed (scripts/setup.sh installs it)";
    test::TestFolder folder;
    const std::string prefix = (folder.path() / "anim").string();
    const test::CliOutcome generated =
        test::runCli(folder.path(), "generate '" + Torus + "' " + Runs[1].options + " -o '" + prefix + "' --dsk '" +
                                        prefix + ".dsk'");
    ASSERT_EQ(generated.status, ExitOk) << generated.err;
    const std::string image = prefix + ".dsk";
    const std::string listing = (folder.path() / "listing.txt").string();
    ASSERT_EQ(std::system(("cpmls -f cpcdata -T edsk '" + image + "' >'" + listing + "'").c_str()), 0);
    std::vector<std::string> names;
    std::istringstream lines(test::readText(listing));
    for (std::string line; std::getline(lines, line);)
        if (!line.empty() && line.back() != ':') names.push_back(line);
    EXPECT_EQ(names, (std::vector<std::string>{"anim.bin", "anim.c4", "anim.c5", "anim.c6", "anim.c7", "anim.c8",
                                                "anim.i4", "anim.i5", "anim.i6", "anim.i7", "anim.i8", "anim.ply"}));
    for (int bank = 4; bank <= 8; ++bank) {
        SCOPED_TRACE(bank);
        for (const bool index : {false, true}) {
            const std::string onDisk = std::string(index ? "anim.i" : "anim.c") + std::to_string(bank);
            const std::string back = (folder.path() / ("back." + onDisk)).string();
            ASSERT_EQ(std::system(("cpmcp -f cpcdata -T edsk '" + image + "' 0:" + onDisk + " '" + back + "'").c_str()), 0);
            const std::vector<uint8_t> copied = test::readBytes(back);
            const std::vector<uint8_t> written =
                test::readBytes(prefix + ".C" + std::to_string(bank) + (index ? ".idx" : ""));
            ASSERT_EQ(copied.size(), (written.size() + 127) / 128 * 128);
            const size_t from = index ? 128 : 0;
            EXPECT_TRUE(std::equal(written.begin() + static_cast<std::ptrdiff_t>(from), written.end(),
                                   copied.begin() + static_cast<std::ptrdiff_t>(from)));
            if (index) {
                EXPECT_EQ(copied[24] | copied[25] << 8, static_cast<int>(written.size() - 128));
            }
        }
    }
}

TEST(DskOption, RefusedBeforeTheRunWhenItCannotPlay) {
    test::TestFolder folder;
    const std::string prefix = (folder.path() / "anim").string();
    const struct {
        std::string options;
        const char* said;
    } cases[] = {
        {"--dsk x.dsk", "--snapshot, --dsk and --verify need -o PREFIX"},
        {"-o '" + prefix + "' --dsk x.dsk --linear", "--dsk: a linear screen"},
        {"-o '" + prefix + "' --dsk x.dsk --export points --mode 1", "--dsk: the point list export is not played"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.options);
        const test::CliOutcome outcome = test::runCli(folder.path(), "generate '" + Torus + "' " + c.options);
        EXPECT_EQ(outcome.status, ExitUsage);
        EXPECT_NE(outcome.err.find(c.said), std::string::npos) << outcome.err;
        EXPECT_FALSE(std::filesystem::exists(prefix));
    }
}

}  // namespace
}  // namespace volumix
