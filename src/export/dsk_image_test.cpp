#include "export/dsk_image.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "testing/cpc_disk_standin.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

// "F<k>.<extension>" (built by appending: GCC 12 warns wrongly on "F" + string).
std::string numbered(int k, const char* extension) {
    std::string name = "F";
    name += std::to_string(k);
    name += '.';
    name += extension;
    return name;
}

std::vector<uint8_t> randomBytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(size);
    for (uint8_t& byte : bytes) byte = static_cast<uint8_t>(random());
    return bytes;
}

// Sizes around the record, block and 16 KB entry boundaries.
std::vector<DiskFile> sampleFiles() {
    std::vector<DiskFile> files;
    const size_t sizes[] = {1, 128, 129, 1024, 1025, 16384, 16385, 40000, 0};
    int k = 0;
    for (const size_t size : sizes) {
        files.push_back({numbered(k, "BIN"), randomBytes(size, 7 + k)});
        ++k;
    }
    return files;
}

TEST(DataDiskImage, HasTheGeometryOfADataDisk) {
    std::vector<uint8_t> image;
    ASSERT_FALSE(buildDataDiskImage(sampleFiles(), image).failed());
    ASSERT_EQ(image.size(), size_t{256 + 40 * (256 + 9 * 512)});
    EXPECT_EQ(std::string(image.begin(), image.begin() + 34), "EXTENDED CPC DSK File\r\nDisk-Info\r\n");
    EXPECT_EQ(image[0x30], 40);
    EXPECT_EQ(image[0x31], 1);
    const uint8_t ids[9] = {0xC1, 0xC6, 0xC2, 0xC7, 0xC3, 0xC8, 0xC4, 0xC9, 0xC5};
    for (int track = 0; track < 40; ++track) {
        SCOPED_TRACE("track " + std::to_string(track));
        EXPECT_EQ(image[0x34 + track], 0x13);
        const size_t at = 256 + size_t(track) * 0x1300;
        EXPECT_EQ(std::string(image.begin() + at, image.begin() + at + 12), "Track-Info\r\n");
        EXPECT_EQ(image[at + 0x10], track);
        EXPECT_EQ(image[at + 0x14], 2);
        EXPECT_EQ(image[at + 0x15], 9);
        EXPECT_EQ(image[at + 0x17], 0xE5);
        for (int s = 0; s < 9; ++s) {
            const uint8_t* info = &image[at + 0x18 + 8 * s];
            EXPECT_EQ(info[0], track);
            EXPECT_EQ(info[2], ids[s]);
            EXPECT_EQ(info[3], 2);
            EXPECT_EQ(info[6] | info[7] << 8, 512);
        }
    }
    // The last track is past every file: all &E5.
    const size_t last = 256 + 39 * size_t{0x1300} + 256;
    EXPECT_TRUE(std::all_of(image.begin() + last, image.begin() + last + 9 * 512, [](uint8_t b) { return b == 0xE5; }));
}

TEST(DataDiskImage, FilesReadBackWholeWithOneEntryPer16Kb) {
    const std::vector<DiskFile> files = sampleFiles();
    std::vector<uint8_t> image;
    ASSERT_FALSE(buildDataDiskImage(files, image).failed());
    const test::DataDisk disk = test::readDataDisk(image);
    ASSERT_EQ(disk.error, "");
    ASSERT_EQ(disk.files.size(), files.size());
    for (const DiskFile& file : files) {
        SCOPED_TRACE(file.name);
        const auto found = disk.files.find(file.name);
        ASSERT_NE(found, disk.files.end());
        // Whole records: the file, then zeros up to the next 128 bytes.
        ASSERT_EQ(found->second.size(), (file.bytes.size() + 127) / 128 * 128);
        EXPECT_TRUE(std::equal(file.bytes.begin(), file.bytes.end(), found->second.begin()));
        EXPECT_TRUE(std::all_of(found->second.begin() + static_cast<std::ptrdiff_t>(file.bytes.size()),
                                found->second.end(), [](uint8_t b) { return b == 0; }));
    }
    // The directory (track 0, sectors C1..C4): 40000 bytes = 313 records in
    // three entries, extents 0, 1, 2, with 128, 128 and 57 records.
    const auto entry = [&](int k) {
        const int sector = k / 16;  // 16 entries per 512-byte sector, sectors in id order
        const uint8_t slot[] = {0, 2, 4, 6};
        return &image[256 + 256 + size_t{slot[sector]} * 512 + (k % 16) * 32];
    };
    int found = 0;
    for (int k = 0; k < 64; ++k) {
        const uint8_t* dir = entry(k);
        if (std::string(dir + 1, dir + 12) != "F7      BIN") continue;
        const int records[] = {128, 128, 57};
        EXPECT_EQ(dir[0], 0);
        EXPECT_EQ(dir[12], found);
        EXPECT_EQ(dir[15], records[found]);
        ++found;
    }
    EXPECT_EQ(found, 3);
}

TEST(DataDiskImage, RefusesWhatTheDiskCannotHold) {
    const struct {
        const char* what;
        std::vector<DiskFile> files;
        FailureCode code;
        int64_t count = 0, other = 0;  // needed, and what the disk has
        std::string name;
    } cases[] = {
        {"more than 178 KB",
         {{"BIG.C4", std::vector<uint8_t>(100 * 1024)}, {"BIG.C5", std::vector<uint8_t>(78 * 1024 + 1)}},
         FailureDiskFull, 179, 178, ""},
        {"more than 64 entries", {}, FailureDiskDirectoryFull, 65, 64, ""},
        {"a lower-case name", {{"anim.bin", {1}}}, FailureDiskFileName, 0, 0, "anim.bin"},
        {"a nine-letter name", {{"ANIMATION.BIN", {1}}}, FailureDiskFileName, 0, 0, "ANIMATION.BIN"},
        {"no extension dot", {{"ANIM", {1}}}, FailureDiskFileName, 0, 0, "ANIM"},
        {"a space", {{"MY ANIM.BIN", {1}}}, FailureDiskFileName, 0, 0, "MY ANIM.BIN"},
        {"the same name twice", {{"A.BIN", {1}}, {"A.BIN", {2}}}, FailureDiskNameRepeated, 0, 0, "A.BIN"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<DiskFile> files = c.files;
        if (files.empty())
            for (int k = 0; k < 65; ++k) files.push_back({numbered(k, "X"), {1}});
        std::vector<uint8_t> image(10, 1);
        const Failure failure = buildDataDiskImage(files, image);
        EXPECT_EQ(failure.code, c.code);
        EXPECT_EQ(failure.count, c.count);
        EXPECT_EQ(failure.other, c.other);
        EXPECT_EQ(failure.detail, c.name);
        EXPECT_TRUE(image.empty());
    }
    // A full disk names each file with its size.
    std::vector<uint8_t> image;
    const Failure full = buildDataDiskImage(cases[0].files, image);
    EXPECT_EQ(full.sizes, (std::vector<std::pair<std::string, int64_t>>{{"BIG.C4", 100}, {"BIG.C5", 79}}));
    // Exactly full: 178 blocks, 64 entries.
    std::vector<DiskFile> exactlyFull;
    for (int k = 0; k < 64; ++k) exactlyFull.push_back({numbered(k, "X"), std::vector<uint8_t>(k < 50 ? 3072 : 1024)});
    EXPECT_FALSE(buildDataDiskImage(exactlyFull, image).failed());
    EXPECT_EQ(test::readDataDisk(image).files.size(), 64u);
}

// Debian's cpmtools reads the image through libdsk ("-T edsk": its "dsk"
// driver takes only the older MV - CPCEMU form) with its diskdefs entry for
// the CPC's data format.
TEST(DataDiskImage, CpmtoolsListsTheFilesAndGivesBackTheirBytes) {
    if (std::system("command -v cpmls >/dev/null 2>&1 && command -v cpmcp >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "cpmtools is not installed (scripts/setup.sh installs it)";
    test::TestFolder folder;
    const std::vector<DiskFile> files = sampleFiles();
    std::vector<uint8_t> image;
    ASSERT_FALSE(buildDataDiskImage(files, image).failed());
    const std::string path = (folder.path() / "sample.dsk").string();
    test::writeBytes(path, image);
    const std::string listing = (folder.path() / "listing.txt").string();
    ASSERT_EQ(std::system(("cpmls -f cpcdata -T edsk -l '" + path + "' >'" + listing + "' 2>&1").c_str()), 0)
        << test::readText(listing);
    const std::string listed = test::readText(listing);
    for (const DiskFile& file : files) {
        SCOPED_TRACE(file.name);
        std::string lower = file.name;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        // Sizes in whole records.
        const std::string size = std::to_string((file.bytes.size() + 127) / 128 * 128);
        EXPECT_NE(listed.find(" " + size + " "), std::string::npos) << listed;
        EXPECT_NE(listed.find(lower), std::string::npos) << listed;
        const std::string back = (folder.path() / lower).string();
        ASSERT_EQ(std::system(("cpmcp -f cpcdata -T edsk '" + path + "' 0:" + lower + " '" + back + "'").c_str()), 0);
        const std::vector<uint8_t> bytes = test::readBytes(back);
        ASSERT_EQ(bytes.size(), (file.bytes.size() + 127) / 128 * 128);
        EXPECT_TRUE(std::equal(file.bytes.begin(), file.bytes.end(), bytes.begin()));
    }
}

}  // namespace
}  // namespace volumix
