#include "export/disk_loader.h"

#include <gtest/gtest.h>

#include <random>

#include "export/amsdos.h"
#include "export/player_binary.h"
#include "testing/cpc_disk_standin.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

TEST(DiskLoader, NamesTheRunAsRunTypesIt) {
    const struct {
        const char* prefix;
        const char* name;
    } cases[] = {
        {"out/torus", "TORUS"},           {"C:\\cpc\\Anim2", "ANIM2"},   {"toolongname", "TOOLONGN"},
        {"my anim", "MY_ANIM"},           {"a..b--c", "A_B_C"},          {"d\xC3\xA9j\xC3\xA0", "D_J_"},
        {"out/run.v2", "RUN_V2"},         {"out/", "VOLUMIX"},           {"", "VOLUMIX"},
        {"_x", "_X"},
    };
    for (const auto& c : cases) EXPECT_EQ(amsdosBaseName(c.prefix), c.name) << c.prefix;
}

// A run's files as the export writes them, with random frames: main memory
// data from &0200 (or the last part from &4000 with banks) and the banks'
// pages, each with its index.
struct SyntheticRun {
    const char* what;
    bool banks;
    std::array<uint32_t, 4> bankBytes;  // C4..C7
    uint32_t mainBytes;                 // the data file, or C8
    uint16_t base;
    bool background;
    bool doubleBuffer = false;
};

void writeDataFile(const std::string& path, uint8_t bank, uint16_t load, uint32_t size, std::mt19937& random,
                   std::vector<uint8_t>& index) {
    std::vector<uint8_t> data(size);
    for (uint8_t& byte : data) byte = static_cast<uint8_t>(random());
    const AmsdosHeader header = buildAmsdosHeader(path, load, static_cast<uint16_t>(size), 0);
    std::vector<uint8_t> bytes(header.begin(), header.end());
    bytes.insert(bytes.end(), data.begin(), data.end());
    test::writeBytes(path, bytes);
    std::vector<uint8_t> entries;
    for (uint32_t at = 0; at < size; at += 1 + random() % 3000) {
        const uint32_t address = load + at;
        entries.insert(entries.end(), {static_cast<uint8_t>(address), static_cast<uint8_t>(address >> 8), bank});
    }
    const AmsdosHeader indexHeader = buildAmsdosHeader(path + ".idx", static_cast<uint16_t>(load - 0x5C00), 768, 0);
    std::vector<uint8_t> indexBytes(indexHeader.begin(), indexHeader.end());
    indexBytes.insert(indexBytes.end(), entries.begin(), entries.end());
    test::writeBytes(path + ".idx", indexBytes);
    index.insert(index.end(), entries.begin(), entries.end());
}

// Writes the files and lays the run out as its snapshot would.
Failure makeRun(const SyntheticRun& run, const std::string& prefix, uint32_t seed, CpcMachine& machine) {
    std::mt19937 random(seed);
    std::vector<uint8_t> index;
    if (!run.banks) {
        writeDataFile(prefix, 0, 0x0200, run.mainBytes, random, index);
    } else {
        for (int k = 0; k < 4 && run.bankBytes[k] > 0; ++k)
            writeDataFile(prefix + ".C" + std::to_string(4 + k), static_cast<uint8_t>(4 + k), 0x4000, run.bankBytes[k],
                          random, index);
        if (run.mainBytes > 0) writeDataFile(prefix + ".C8", 8, 0x4000, run.mainBytes, random, index);
    }
    RunData data;
    if (Failure failure = readRunData(prefix, data); failure.failed()) return failure;
    PlaybackSettings settings;
    settings.format.baseAddress = run.base;
    settings.format.doubleBuffer = run.doubleBuffer;
    settings.screenMode = 0;
    for (int k = 0; k < InkCount; ++k) settings.inks[k] = (k * 5) % 27;
    if (run.background)
        for (uint8_t& byte : settings.startScreen) byte = static_cast<uint8_t>(random() | 1);
    return buildCpcMachine(settings, data, true, machine);
}

// Every byte of the 128 KB but the player's stack space, where the loader's
// last step runs.
void expectMemoryOfTheSnapshot(const test::LoaderRun& run, const CpcMachine& machine) {
    const uint32_t stub = machine.stackTop - PlayerStackBytes;
    int32_t differences = 0;
    for (uint32_t p = 0; p < run.ram.size(); ++p) {
        if (p >= stub && p < machine.stackTop) continue;
        if (run.ram[p] != machine.ram[p] && ++differences <= 5)
            ADD_FAILURE() << "physical &" << std::hex << p << ": loaded " << int(run.ram[p]) << ", snapshot "
                          << int(machine.ram[p]);
    }
    EXPECT_EQ(differences, 0);
    const std::array<uint8_t, 18> crtc = crtcRegisters(machine);
    EXPECT_TRUE(std::equal(crtc.begin(), crtc.begin() + 16, run.crtc.begin()));
    for (int k = 0; k < InkCount; ++k) EXPECT_EQ(run.pens[k], gateArrayColour(machine.inks[k]) & 0x1F) << "pen " << k;
    EXPECT_EQ(run.pens[16], gateArrayColour(machine.inks[0]) & 0x1F);
    EXPECT_EQ(run.modeAndRom, 0x8C | machine.screenMode);
    EXPECT_EQ(run.ramConfig, 0);
    EXPECT_EQ(run.sp, machine.stackTop);
    EXPECT_FALSE(run.interruptsOn);
}

#if VOLUMIX_TEST_HAS_Z80EX

TEST(DiskLoader, LoadsEveryLayoutWithTheFirmwareLeftAlone) {
    constexpr uint32_t Full = 0x4000, MainFull = 0xA400;
    const SyntheticRun runs[] = {
        {"64K, small, screen at C000", false, {}, 8000, 0xC000, false},
        {"64K, memory full (data to &A5FF)", false, {}, MainFull, 0xC000, true},
        {"64K, screen at 4000", false, {}, 0x3000, 0x4000, true},
        {"128K, two banks", true, {Full, 9000, 0, 0}, 0, 0x0000, false},
        {"128K, screen at 0000 over the restart vectors", true, {Full, Full, 5000, 0}, 0, 0x0000, true},
        {"128K, the last part past &A67C", true, {Full, Full, Full, Full}, MainFull, 0x0000, false},
        {"128K, screen at 8000", true, {Full, Full, Full, 12000}, 0x3000, 0x8000, true},
        // Double buffering: the index and player may lie where they do not
        // without it; the player copies the background to the second screen.
        {"64K, double buffered on &C000 and &8000, data full to &72FF", false, {}, 0x7100, 0xC000, true, true},
        {"64K, double buffered on &4000 and &C000", false, {}, 0x3E00, 0x4000, true, true},
        {"128K, double buffered on &0000 and &C000, index at &B300", true, {Full, Full, 5000, 0}, 0x7300, 0x0000,
         true, true},
        {"128K, double buffered on &8000 and &0000", true, {Full, Full, Full, Full}, 0x4000, 0x8000, true, true},
    };
    uint32_t seed = 11;
    for (const SyntheticRun& layout : runs) {
        SCOPED_TRACE(layout.what);
        test::TestFolder folder;
        const std::string prefix = (folder.path() / "anim").string();
        CpcMachine machine;
        ASSERT_FALSE(makeRun(layout, prefix, ++seed, machine).failed());
        std::vector<DiskFile> files;
        LoaderSummary summary;
        ASSERT_FALSE(runDiskFiles(machine, prefix, files, &summary).failed());
        std::vector<uint8_t> image;
        ASSERT_FALSE(buildDataDiskImage(files, image).failed());
        const test::DataDisk disk = test::readDataDisk(image);
        const test::LoaderRun run = test::runLoaderFromDisk(disk, "anim", machine.playerAddress, {.seed = seed});
        ASSERT_EQ(run.failure, "") << run.printed;
        EXPECT_EQ(run.runFile, "ANIM.BIN");
        EXPECT_EQ(run.printed, "");
        EXPECT_GT(run.interrupts, 0);
        expectMemoryOfTheSnapshot(run, machine);
        EXPECT_GE(summary.loaderAddress, 0x8000);
        EXPECT_LE(summary.loaderAddress + summary.loaderBytes, 0xA67C);
        if (layout.mainBytes == MainFull) {
            EXPECT_GT(summary.byteByByteBytes, 0);
            EXPECT_GT(run.charReads, 0);
        }
    }
}

// Layouts drawn at random: each loads exactly what its snapshot holds, or
// is refused for want of room.
TEST(DiskLoader, RandomLayoutsLoadExactlyOrAreRefused) {
    std::mt19937 random(2026);
    int32_t loaded = 0, refused = 0;
    for (int32_t k = 0; k < 16; ++k) {
        SyntheticRun layout{"random", random() % 3 != 0, {}, 0, 0xC000, random() % 2 == 0};
        if (layout.banks) {
            const uint32_t banks = 1 + random() % 4;
            for (uint32_t b = 0; b < banks; ++b) layout.bankBytes[b] = b + 1 < banks ? 0x3000 + random() % 0x1001 : 1 + random() % 0x4000;
            if (banks == 4) layout.mainBytes = random() % 0xA401;
            layout.base = layout.mainBytes <= 0x4000 && random() % 2 == 0 ? 0x8000 : 0x0000;
        } else {
            layout.mainBytes = 1 + random() % 0xA400;
            layout.base = layout.mainBytes < 0x3E00 && random() % 2 == 0 ? 0x4000 : 0xC000;
        }
        SCOPED_TRACE("layout " + std::to_string(k) + (layout.banks ? ", banks " : ", main ") + std::to_string(layout.mainBytes));
        test::TestFolder folder;
        const std::string prefix = (folder.path() / "anim").string();
        CpcMachine machine;
        if (makeRun(layout, prefix, 100 + k, machine).failed()) continue;  // no snapshot either
        std::vector<DiskFile> files;
        const Failure failure = runDiskFiles(machine, prefix, files);
        if (failure.failed()) {
            EXPECT_EQ(failure.code, FailureNoRoomForLoader);
            ++refused;
            continue;
        }
        std::vector<uint8_t> image;
        ASSERT_FALSE(buildDataDiskImage(files, image).failed());
        const test::LoaderRun run =
            test::runLoaderFromDisk(test::readDataDisk(image), "ANIM", machine.playerAddress, {.seed = static_cast<uint32_t>(k)});
        ASSERT_EQ(run.failure, "") << run.printed;
        expectMemoryOfTheSnapshot(run, machine);
        ++loaded;
    }
    EXPECT_GE(loaded, 12) << refused << " refused";
}

TEST(DiskLoader, StopsWithAMessageWhenTheMachineIsNotTheOneExpected) {
    test::TestFolder folder;
    const std::string prefix = (folder.path() / "anim").string();
    CpcMachine machine;
    ASSERT_FALSE(makeRun({"", true, {0x4000, 0x2000, 0, 0}, 0, 0x0000, false}, prefix, 5, machine).failed());
    std::vector<DiskFile> files;
    ASSERT_FALSE(runDiskFiles(machine, prefix, files).failed());
    std::vector<uint8_t> image;
    ASSERT_FALSE(buildDataDiskImage(files, image).failed());
    const test::DataDisk disk = test::readDataDisk(image);

    // Each stop leaves the firmware on, says why on the screen, and never
    // starts the player.
    const test::StandInOptions briefly{.budget = 20'000'000};
    const auto expectStop = [&](const test::LoaderRun& run, const std::string& said) {
        EXPECT_NE(run.failure.find("did not reach the player"), std::string::npos) << run.failure;
        EXPECT_EQ(run.printed, said);
    };
    test::DataDisk without = disk;
    ASSERT_EQ(without.files.erase("ANIM.C5"), 1u);
    expectStop(test::runLoaderFromDisk(without, "ANIM", machine.playerAddress, briefly),
               "Chargement impossible : ANIM.C5");
    test::StandInOptions small = briefly;
    small.only64K = true;
    expectStop(test::runLoaderFromDisk(disk, "ANIM", machine.playerAddress, small), "Il faut un CPC de 128 Ko");
    test::StandInOptions hungry = briefly;
    hungry.discWorkArea = 0x600;
    expectStop(test::runLoaderFromDisk(disk, "ANIM", machine.playerAddress, hungry),
               "Systeme disque inattendu (memoire)");
    test::StandInOptions thrifty = briefly;
    thrifty.discWorkArea = 0x504;  // less than on a 6128 is fine
    thrifty.budget = 400'000'000;
    EXPECT_EQ(test::runLoaderFromDisk(disk, "ANIM", machine.playerAddress, thrifty).failure, "");

    // A file of another length than the plan's.
    test::DataDisk changed = disk;
    std::vector<uint8_t>& index = changed.files.at("ANIM.I4");
    index[24] = static_cast<uint8_t>(index[24] - 3);
    uint16_t sum = 0;
    for (int k = 0; k < 67; ++k) sum = static_cast<uint16_t>(sum + index[k]);
    index[67] = static_cast<uint8_t>(sum);
    index[68] = static_cast<uint8_t>(sum >> 8);
    expectStop(test::runLoaderFromDisk(changed, "ANIM", machine.playerAddress, briefly), "Chargement impossible : ANIM.I4");
}

#endif

TEST(DiskLoader, RefusesARunThatLeavesNoRoomWhileTheFirmwareIsOn) {
    // Every bank full, the last part up to &E3FF and a background at &0000:
    // some 6 KB stay free, less than the firmware's RAM and the loader's need.
    test::TestFolder folder;
    const std::string prefix = (folder.path() / "anim").string();
    CpcMachine machine;
    ASSERT_FALSE(makeRun({"", true, {0x4000, 0x4000, 0x4000, 0x4000}, 0xA400, 0x0000, true}, prefix, 3, machine).failed());
    std::vector<DiskFile> files;
    EXPECT_EQ(runDiskFiles(machine, prefix, files).code, FailureNoRoomForLoader);
    EXPECT_TRUE(files.empty());
}

TEST(DiskLoader, PutsTheRunsFilesOnTheDiskAsWrittenWithTrueIndexLengths) {
    test::TestFolder folder;
    const std::string prefix = (folder.path() / "Wave 1").string();
    CpcMachine machine;
    ASSERT_FALSE(makeRun({"", true, {0x4000, 100, 0, 0}, 0, 0x8000, true}, prefix, 9, machine).failed());
    std::vector<DiskFile> files;
    ASSERT_FALSE(runDiskFiles(machine, prefix, files).failed());
    std::vector<std::string> names;
    for (const DiskFile& file : files) names.push_back(file.name);
    EXPECT_EQ(names, (std::vector<std::string>{"WAVE_1.BIN", "WAVE_1.PLY", "WAVE_1.SCR", "WAVE_1.C4", "WAVE_1.I4",
                                               "WAVE_1.C5", "WAVE_1.I5"}));
    for (const auto& [name, path] : {std::pair{"WAVE_1.C4", prefix + ".C4"}, {"WAVE_1.C5", prefix + ".C5"}}) {
        const auto file = std::find_if(files.begin(), files.end(), [&](const DiskFile& f) { return f.name == name; });
        EXPECT_EQ(file->bytes, test::readBytes(path)) << name;
    }
    const std::vector<uint8_t> written = test::readBytes(prefix + ".C4.idx");
    const std::vector<uint8_t>& onDisk = files[4].bytes;
    ASSERT_EQ(onDisk.size(), written.size());
    EXPECT_TRUE(std::equal(written.begin() + 128, written.end(), onDisk.begin() + 128));
    EXPECT_EQ(written[24] | written[25] << 8, 768);
    EXPECT_EQ(onDisk[24] | onDisk[25] << 8, static_cast<int>(written.size() - 128));
    EXPECT_EQ(onDisk[21] | onDisk[22] << 8, 0xE400);
    EXPECT_TRUE(amsdosChecksumValid(onDisk.data()));
    // The screen file holds the start screen at the base address.
    EXPECT_EQ(files[2].bytes.size(), 128u + 0x4000);
    EXPECT_TRUE(std::equal(files[2].bytes.begin() + 128, files[2].bytes.end(), machine.ram.begin() + 0x8000));
    EXPECT_EQ(files[2].bytes[21] | files[2].bytes[22] << 8, 0x8000);

    // A file changed after the run is not put on the disk.
    std::vector<uint8_t> changed = test::readBytes(prefix + ".C5");
    changed.back() ^= 1;
    test::writeBytes(prefix + ".C5", changed);
    const Failure changedFile = runDiskFiles(machine, prefix, files);
    EXPECT_EQ(changedFile.code, FailureFileNotAsPlaced);
    EXPECT_EQ(changedFile.path, prefix + ".C5");
    EXPECT_EQ(changedFile.begin, 0x4000u);
}

}  // namespace
}  // namespace volumix
