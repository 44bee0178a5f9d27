#include "export/frame_export.h"

#include <gtest/gtest.h>

#include <set>

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "platform/dib_surface.h"
#include "export/amsdos.h"
#include "export/asm_source.h"
#include "export/scr_file.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;

using test::CollectedLines;
using test::readBytes;
using test::readText;
using test::TestFolder;

uint16_t wordAt(const std::vector<uint8_t>& bytes, size_t offset) {
    return static_cast<uint16_t>(bytes.at(offset) | (bytes.at(offset + 1) << 8));
}

// Load address, then length, of an AMSDOS header at the start of `bytes`.
std::pair<uint16_t, uint16_t> loadAndLength(const std::vector<uint8_t>& bytes) {
    EXPECT_TRUE(bytes.size() >= 128 && amsdosChecksumValid(bytes.data()));
    return {wordAt(bytes, 21), wordAt(bytes, 19)};
}

void setRecord(FrameExport& exporter, int32_t index, int32_t length) {
    FrameRecord& record = exporter.records[static_cast<size_t>(index)];
    record.length = length;
    for (int32_t k = 0; k < length; ++k) record.data[static_cast<size_t>(k)] = static_cast<uint8_t>(index * 31 + k);
}

// A frame of ink 0 with a block of another ink over byte columns [x0, x1)
// and lines [y0, y1).
std::vector<uint32_t> blockFrame(int32_t x0, int32_t x1, int32_t y0, int32_t y1, int32_t ink) {
    std::vector<uint32_t> pixels(FramePixelCount, hardwareColourPixel(DefaultInks[0]));
    for (int32_t y = y0; y < y1; ++y)
        std::fill_n(&pixels[y * FrameWidth + 8 * x0], 8 * (x1 - x0), hardwareColourPixel(DefaultInks[ink]));
    return pixels;
}

FramePicture framePicture(int32_t index, const std::vector<uint32_t>& pixels) {
    FramePicture picture;
    picture.frameIndex = index;
    picture.framePixels = pixels.data();
    return picture;
}

ExportFormat withBanks(bool banks) {
    ExportFormat format;
    format.banks = banks;
    return format;
}

const std::string MemoryFull = "D\xC3\xA9passement capacit\xC3\xA9 m\xC3\xA9moire !!!";
std::string framesMade(int count) { return "Nombre d'images g\xC3\xA9n\xC3\xA9r\xC3\xA9" "es : " + std::to_string(count); }
std::string cannotCreate(const std::string& path) { return "Erreur de cr\xC3\xA9" "ation du fichier " + path; }
std::string cannotWrite(const std::string& path) { return "Erreur d'\xC3\xA9" "criture du fichier " + path; }

TEST(AsmSource, DeltaBlockEightBytesALine) {
    FrameRecord record;
    const uint8_t bytes[11] = {0x10, 0xC0, 0x01, 0x11, 0xC0, 0x02, 0x12, 0xC0, 0x05, 0xC1, 0x11};
    for (uint8_t b : bytes) record.appendByte(b);
    EXPECT_EQ(asmFrameBlock(record, 0, nullptr),
              ";\r\n; Trame 1\r\n;\r\nSP_Frame_001:\r\n"
              "        DB      #10, #C0, #01, #11, #C0, #02, #12, #C0\r\n"
              "        DB      #05, #C1, #11\r\n");
}

TEST(AsmSource, SpriteBlocksCarryLayoutAndHeader) {
    FrameRecord record;
    for (uint8_t b : {0x02, 0x01, 0xAB, 0xCD}) record.appendByte(b);
    const SpriteFrames sizes{SpriteLayoutLines, true}, corners{SpriteLayoutTwoColumns, false};
    EXPECT_EQ(asmFrameBlock(record, 9, &sizes),
              ";\r\n; Trame 10\r\n;\r\nSP_Frame_010:\r\n"
              "; Mode du sprite = LIGNES PAR LIGNES\r\n"
              "        DB      #02, #01,                   ' (TailleX,TailleY)\r\n"
              "        DB      #AB, #CD\r\n");
    EXPECT_EQ(asmFrameBlock(record, 0, &corners),
              ";\r\n; Trame 1\r\n;\r\nSP_Frame_001:\r\n"
              "; Mode du sprite = 2 COLONNES par 2 COLONNES\r\n"
              "        DB      #02, #01, #AB, #CD      ' (XD,YD,XA,YA)\r\n");
}

TEST(AsmSource, ClosingListsStoredFramesByStep) {
    const std::vector<FrameRecord> records(FrameStoreSize);
    EXPECT_EQ(asmClosing(records, 3, 0, 2, false),
              "        DW      #0000\r\n\r\n;\r\n; Tableau d'index...\r\n;\r\nTabIndex:\r\n"
              "        DW      SP_Frame_001\r\n        DW      SP_Frame_003\r\n        DW      SP_Frame_005\r\n"
              "        DW      #0000\r\n");
    EXPECT_EQ(asmClosing(records, 0, 0, 1, true),
              "        DW      #0000\r\n\r\n;\r\n; Tableau d'index...\r\n;\r\nTabIndex:\r\n"
              "        DW      #0000\r\n        DB      #00\r\n");
}

TEST(FrameExport, MainMemoryFillsExactlyThenReportsFull) {
    const TestFolder folder;
    const std::string prefix = (folder / "anim").string();
    CollectedLines messages;
    FrameExport exporter;
    const ExportFormat format;
    exporter.openExport({prefix, true}, format, 0, 1, messages);
    setRecord(exporter, 0, 20000);
    setRecord(exporter, 1, 21984);
    setRecord(exporter, 2, 1);
    EXPECT_TRUE(exporter.storeRecordForTest(0, format, messages));
    EXPECT_TRUE(exporter.storeRecordForTest(1, format, messages));
    EXPECT_TRUE(messages.lines.empty());
    EXPECT_FALSE(exporter.storeRecordForTest(2, format, messages));
    EXPECT_EQ(messages.lines, (std::vector<std::string>{MemoryFull, framesMade(2)}));
    // The header already holds the final length when memory is full.
    auto data = readBytes(prefix);
    EXPECT_EQ(loadAndLength(data), std::make_pair(uint16_t{0x0200}, uint16_t{0xA400}));
    exporter.closeExport(messages);

    data = readBytes(prefix);
    ASSERT_EQ(data.size(), 128u + 41984u);
    EXPECT_EQ(loadAndLength(data), std::make_pair(uint16_t{0x0200}, uint16_t{0xA400}));
    EXPECT_TRUE(std::equal(data.begin() + 128, data.begin() + 20128, exporter.records[0].data.begin()));
    EXPECT_TRUE(std::equal(data.begin() + 20128, data.end(), exporter.records[1].data.begin()));

    const auto index = readBytes(prefix + ".idx");
    ASSERT_EQ(index.size(), 128u + 6u);
    EXPECT_EQ(loadAndLength(index), std::make_pair(uint16_t{0xA600}, uint16_t{768}));
    EXPECT_EQ(std::vector<uint8_t>(index.begin() + 128, index.end()),
              (std::vector<uint8_t>{0x00, 0x02, 0x00, 0x20, 0x50, 0x00}));
    EXPECT_EQ(exporter.records[1].bank, 0);
}

TEST(FrameExport, BanksSwitchAndListTheirFrames) {
    const TestFolder folder;
    const std::string prefix = (folder / "anim").string();
    CollectedLines messages;
    FrameExport exporter;
    const ExportFormat format = withBanks(true);
    exporter.openExport({prefix, true}, format, 0, 1, messages);
    for (int i = 0; i < 3; ++i) {
        setRecord(exporter, i, 5000);
        ASSERT_TRUE(exporter.storeRecordForTest(i, format, messages));
    }
    EXPECT_EQ(exporter.currentBank(), 4);
    setRecord(exporter, 3, 2000);  // 17000 would pass 16384
    ASSERT_TRUE(exporter.storeRecordForTest(3, format, messages));
    EXPECT_EQ(exporter.currentBank(), 5);
    EXPECT_EQ(exporter.records[3].bank, 5);
    exporter.closeExport(messages);
    EXPECT_TRUE(messages.lines.empty());

    const auto bank4 = readBytes(prefix + ".C4");
    EXPECT_EQ(bank4.size(), 128u + 15000u);
    EXPECT_EQ(loadAndLength(bank4), std::make_pair(uint16_t{0x4000}, uint16_t{15000}));
    const auto bank5 = readBytes(prefix + ".C5");
    EXPECT_EQ(bank5.size(), 128u + 2000u);
    EXPECT_EQ(loadAndLength(bank5), std::make_pair(uint16_t{0x4000}, uint16_t{2000}));
    EXPECT_TRUE(std::equal(bank5.begin() + 128, bank5.end(), exporter.records[3].data.begin()));

    const auto index4 = readBytes(prefix + ".C4.idx");
    EXPECT_EQ(loadAndLength(index4), std::make_pair(uint16_t{0xE400}, uint16_t{768}));
    EXPECT_EQ(std::vector<uint8_t>(index4.begin() + 128, index4.end()),
              (std::vector<uint8_t>{0x00, 0x40, 4, 0x88, 0x53, 4, 0x10, 0x67, 4}));
    const auto index5 = readBytes(prefix + ".C5.idx");
    EXPECT_EQ(std::vector<uint8_t>(index5.begin() + 128, index5.end()), (std::vector<uint8_t>{0x00, 0x40, 5}));

    const std::string entriesOfBank4 =
        "TabIndex:\r\n"
        "        DW      SP_Frame_001\r\n        DB      #C7\r\n"
        "        DW      SP_Frame_002\r\n        DB      #C7\r\n"
        "        DW      SP_Frame_003\r\n        DB      #C7\r\n";
    const std::string tableEnd = "        DW      #0000\r\n        DB      #00\r\n";
    const std::string asm4 = readText(prefix + ".C4.asm");
    EXPECT_TRUE(asm4.ends_with(entriesOfBank4 + tableEnd));
    const std::string asm5 = readText(prefix + ".C5.asm");
    EXPECT_TRUE(asm5.starts_with(";\r\n; Trame 4\r\n;\r\nSP_Frame_004:\r\n"));
    EXPECT_TRUE(asm5.ends_with(entriesOfBank4 + "        DW      SP_Frame_004\r\n        DB      #C0\r\n" + tableEnd));
}

// Runs into the same prefix: each leaves the data, index and source files of
// its own layout only, so nothing of an earlier run is read back with it.
TEST(FrameExport, ARunRemovesTheFilesOfEarlierRunsItDoesNotWrite) {
    const TestFolder folder;
    const std::string prefix = (folder / "anim").string();
    const auto run = [&](bool banks, bool writeAsm, int32_t frames) {
        CollectedLines messages;
        FrameExport exporter;
        const ExportFormat format = withBanks(banks);
        exporter.openExport({prefix, writeAsm}, format, 0, 1, messages);
        for (int32_t i = 0; i < frames; ++i) {
            setRecord(exporter, i, 8000);  // two to a bank
            EXPECT_TRUE(exporter.storeRecordForTest(i, format, messages));
        }
        exporter.closeExport(messages);
        std::set<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder.path())) names.insert(entry.path().filename().string());
        return names;
    };
    using Names = std::set<std::string>;
    EXPECT_EQ(run(true, true, 5), (Names{"anim.C4", "anim.C4.idx", "anim.C4.asm", "anim.C5", "anim.C5.idx",
                                         "anim.C5.asm", "anim.C6", "anim.C6.idx", "anim.C6.asm"}));
    EXPECT_EQ(run(true, false, 3), (Names{"anim.C4", "anim.C4.idx", "anim.C5", "anim.C5.idx"}));
    EXPECT_EQ(run(false, true, 2), (Names{"anim", "anim.idx", "anim.asm"}));
    EXPECT_EQ(run(true, false, 2), (Names{"anim.C4", "anim.C4.idx"}));
}

// Every byte changed: the record holds the whole delta, which no bank can
// take; the banks are passed over and nothing is written past a capacity.
TEST(FrameExport, FrameLargerThanAnyBankEndsInMemoryFull) {
    const TestFolder folder;
    const std::string prefix = (folder / "anim").string();
    CollectedLines messages;
    FrameExport exporter;
    ExportFormat format = withBanks(true);
    format.crtcR1 = 48;  // 96-byte lines reach every offset of the image
    exporter.openExport({prefix}, format, 0, 1, messages);
    const auto blank = blockFrame(0, 0, 0, 0, 0);
    const auto full = blockFrame(0, 96, 0, 200, 3);
    EXPECT_EQ(exporter.exportFrame(framePicture(-1, blank), format, messages), 0);
    EXPECT_EQ(exporter.exportFrame(framePicture(0, full), format, messages), 0);
    EXPECT_EQ(exporter.records[0].length, FrameRecordCapacity);
    EXPECT_EQ(wordAt(exporter.records[0].data, FrameRecordCapacity - 2), 0);
    EXPECT_EQ(messages.lines, (std::vector<std::string>{"Frame   0 Taille=49154", MemoryFull, framesMade(0)}));
    EXPECT_EQ(exporter.currentBank(), 8);
    exporter.closeExport(messages);
    for (const char* bank : {".C4", ".C5", ".C6", ".C7", ".C8"}) {
        const auto data = readBytes(prefix + bank);
        EXPECT_EQ(data.size(), 128u) << bank;
        EXPECT_EQ(loadAndLength(data), std::make_pair(uint16_t{0x4000}, uint16_t{0})) << bank;
    }
}

TEST(FrameExport, UncreatableFilesAreReportedOncePerFile) {
    const TestFolder folder;
    const auto frame = blockFrame(4, 9, 10, 20, 1);
    {
        const std::string prefix = (folder / "missing/anim").string();
        CollectedLines messages;
        FrameExport exporter;
        const ExportFormat format;
        exporter.openExport({prefix, true, true}, format, 0, 1, messages);
        exporter.exportFrame(framePicture(-1, frame), format, messages);
        EXPECT_EQ(exporter.exportFrame(framePicture(0, frame), format, messages), 0);  // nothing stored
        exporter.closeExport(messages);
        // The bank needs all its files: the first that fails is reported and
        // the others are not attempted.
        ASSERT_EQ(messages.lines.size(), 3u);
        EXPECT_EQ(messages.lines[0], cannotCreate(prefix));
        EXPECT_TRUE(messages.lines[1].starts_with("Frame   0 Taille="));
        EXPECT_EQ(messages.lines[2], cannotCreate(prefix + "000.SCR"));
        EXPECT_EQ(exporter.framesStored(), 0);
        EXPECT_TRUE(exporter.outputFailed());
    }
    {
        // The data file's name is taken by a folder: no file of the bank is
        // left behind, since none could hold a frame.
        const std::string prefix = (folder / "taken").string();
        fs::create_directory(prefix);
        CollectedLines messages;
        FrameExport exporter;
        const ExportFormat format;
        exporter.openExport({prefix, true}, format, 0, 1, messages);
        exporter.exportFrame(framePicture(-1, frame), format, messages);
        EXPECT_EQ(exporter.exportFrame(framePicture(0, frame), format, messages), 0);
        exporter.closeExport(messages);
        EXPECT_EQ(messages.lines.size(), 2u);
        EXPECT_EQ(messages.lines.at(0), cannotCreate(prefix));
        EXPECT_FALSE(fs::exists(prefix + ".idx"));
        EXPECT_FALSE(fs::exists(prefix + ".asm"));
    }
}

TEST(FrameExport, DataFileWriteFailureIsReportedNotStored) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    const TestFolder folder;
    const std::string prefix = (folder / "full").string();
    fs::create_symlink("/dev/full", prefix);
    const auto frame = blockFrame(4, 9, 10, 20, 1);
    CollectedLines messages;
    FrameExport exporter;
    const ExportFormat format;
    exporter.openExport({prefix, true}, format, 0, 1, messages);
    exporter.exportFrame(framePicture(-1, frame), format, messages);
    EXPECT_EQ(exporter.exportFrame(framePicture(0, frame), format, messages), 0);
    exporter.closeExport(messages);
    // The header cannot be written: the bank's files are removed again.
    EXPECT_EQ(messages.lines.size(), 2u);
    EXPECT_EQ(messages.lines.at(0), cannotWrite(prefix));
    EXPECT_EQ(exporter.framesStored(), 0);
    EXPECT_FALSE(fs::exists(prefix + ".idx"));
}

TEST(FrameExport, EmptyPrefixWritesNothing) {
    const TestFolder folder;
    const fs::path previous = fs::current_path();
    fs::current_path(folder.path());
    const auto frame = blockFrame(4, 9, 10, 20, 1);
    CollectedLines messages;
    FrameExport exporter;
    const ExportFormat format = withBanks(true);
    exporter.openExport({"", true, true}, format, 0, 1, messages);
    EXPECT_EQ(exporter.exportFrame(framePicture(-1, frame), format, messages), 0);
    const int32_t size = exporter.exportFrame(framePicture(0, frame), format, messages);
    exporter.closeExport(messages);
    const bool empty = fs::is_empty(folder.path());
    fs::current_path(previous);
    EXPECT_TRUE(empty);
    EXPECT_EQ(size, 5 * 10 * 3 + 2);
    EXPECT_EQ(messages.lines, (std::vector<std::string>{"Frame   0 Taille=152"}));
}

TEST(FrameExport, RefusesIndexPastStoreAndStoresSpriteBlocksWhole) {
    const auto frame = blockFrame(10, 11, 5, 6, 1);
    CollectedLines messages;
    FrameExport exporter;
    ExportFormat format;
    format.frames = SpriteFrames{SpriteLayoutLines, true};
    exporter.openExport({}, format, 0, 1, messages);
    EXPECT_EQ(exporter.exportFrame(framePicture(FrameStoreSize, frame), format, messages), 0);
    EXPECT_EQ(exporter.images.currentImage, ScreenImage{});  // refused before any work
    EXPECT_TRUE(messages.lines.empty());

    EXPECT_EQ(exporter.exportFrame(framePicture(3, frame), format, messages), 3);
    EXPECT_EQ(messages.lines, (std::vector<std::string>{"Frame   3 Taille=3"}));
    EXPECT_EQ(exporter.records[3].data[0], 1);
    EXPECT_EQ(exporter.records[3].data[1], 1);
    EXPECT_EQ(exporter.records[3].frameNumber, 3);
}

// What a playback routine finds through the index files: each bank's data,
// its entries' addresses and bank bytes.
struct StoredFrame {
    std::vector<uint8_t> bytes;
    uint8_t bank;
};

std::vector<StoredFrame> readStoredFrames(const std::string& prefix) {
    std::vector<StoredFrame> frames;
    for (int bank = 4; bank <= 8; ++bank) {
        const std::string name = prefix + ".C" + std::to_string(bank);
        if (!fs::exists(name)) break;
        const auto data = readBytes(name);
        const auto index = readBytes(name + ".idx");
        const auto [load, used] = loadAndLength(data);
        EXPECT_EQ(data.size(), 128u + used) << name;
        for (size_t entry = 128; entry + 3 <= index.size(); entry += 3) {
            const uint16_t address = wordAt(index, entry);
            const uint16_t end = entry + 6 <= index.size() ? wordAt(index, entry + 3) : uint16_t(load + used);
            EXPECT_EQ(index[entry + 2], bank);
            const size_t offset = address - load + 128u;
            EXPECT_LE(offset + (end - address), data.size());
            frames.push_back({std::vector<uint8_t>(data.begin() + offset, data.begin() + offset + (end - address)),
                              index[entry + 2]});
        }
    }
    return frames;
}

// (address, value) entries of a stored delta, checking its end marker.
std::vector<std::pair<uint16_t, uint8_t>> deltaEntries(const std::vector<uint8_t>& delta) {
    std::vector<std::pair<uint16_t, uint8_t>> entries;
    EXPECT_EQ(delta.size() % 3, 2u);
    for (size_t p = 0; p + 3 <= delta.size() - 2; p += 3) entries.emplace_back(wordAt(delta, p), delta[p + 2]);
    EXPECT_EQ(wordAt(delta, delta.size() - 2), 0);
    return entries;
}

// The groups of a compressed delta; the stored length, not the first 00 00,
// tells where it ends (a group of four at offset 0 starts with 00 00 too).
std::vector<std::pair<uint16_t, uint8_t>> unpackedEntries(const std::vector<uint8_t>& packed, uint16_t base) {
    std::vector<std::pair<uint16_t, uint8_t>> entries;
    size_t p = 0;
    while (p + 2 < packed.size()) {
        const int count = 4 - (packed[p + 1] >> 6);
        const int first = packed[p] | ((packed[p + 1] & 0x3F) << 8);
        for (int k = 0; k < count; ++k) entries.emplace_back(uint16_t(base + first + k), packed.at(p + 2 + k));
        p += 2 + count;
    }
    EXPECT_EQ(p, packed.size() - 2);
    EXPECT_EQ(wordAt(packed, p), 0);
    return entries;
}

// The bytes of the DB lines of the frame blocks, before the closing part.
std::vector<uint8_t> asmDataBytes(const std::string& text) {
    std::vector<uint8_t> bytes;
    const size_t closing = text.find("        DW      #0000\r\n");
    const std::string lead = "        DB      ";
    for (size_t line = 0; line < closing;) {
        const size_t end = text.find("\r\n", line);
        if (text.compare(line, lead.size(), lead) == 0)
            for (size_t p = line + lead.size(); p < end; p = text.find('#', p + 1))
                bytes.push_back(static_cast<uint8_t>(std::stoi(text.substr(p + 1, 2), nullptr, 16)));
        line = end + 2;
    }
    return bytes;
}

TEST(FrameExport, StoredDeltasReplayToTheScrImages) {
    const TestFolder folder;
    constexpr int Frames = 5;
    std::vector<std::vector<uint32_t>> frames;
    for (int k = 0; k < Frames; ++k) frames.push_back(blockFrame(10 + 2 * k, 50 + 2 * k, 20 + 3 * k, 80 + 3 * k, k % 3 + 1));

    // The same run twice, plain and compressed, from fresh screens.
    auto run = [&](const std::string& prefix, bool compress, CollectedLines& messages, ScreenImage& start) {
        FrameExport exporter;
        ExportFormat format = withBanks(true);
        format.frames = DeltaFrames{compress};
        exporter.openExport({prefix, true, true}, format, 0, 1, messages);
        exporter.exportFrame(framePicture(-1, frames[Frames - 1]), format, messages);
        start = exporter.images.previousImage;
        std::vector<int32_t> sizes;
        for (int k = 0; k < Frames; ++k) sizes.push_back(exporter.exportFrame(framePicture(k, frames[k]), format, messages));
        exporter.closeExport(messages);
        return sizes;
    };
    CollectedLines plainMessages, packedMessages;
    ScreenImage start, packedStart;
    const std::string plain = (folder / "plain").string(), packed = (folder / "packed").string();
    const auto plainSizes = run(plain, false, plainMessages, start);
    const auto packedSizes = run(packed, true, packedMessages, packedStart);
    ASSERT_EQ(plainMessages.lines.size(), size_t{Frames});
    ASSERT_EQ(packedMessages.lines.size(), size_t{Frames});
    for (int k = 0; k < Frames; ++k) {
        EXPECT_EQ(plainMessages.lines[k], formatLine("Frame %3d Taille=%d", k, plainSizes[k]));
        EXPECT_EQ(packedMessages.lines[k], formatLine("Frame %3d Taille=%d (cmp=%d)", k, plainSizes[k], packedSizes[k]));
    }

    const auto stored = readStoredFrames(plain);
    const auto storedPacked = readStoredFrames(packed);
    ASSERT_EQ(stored.size(), size_t{Frames});
    ASSERT_EQ(storedPacked.size(), size_t{Frames});
    EXPECT_EQ(stored[0].bank, 4);
    EXPECT_EQ(stored[Frames - 1].bank, 6);  // the run spreads over three banks

    ScreenImage screen = start;
    for (int k = 0; k < Frames; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(stored[k].bytes.size(), size_t(plainSizes[k]));
        EXPECT_EQ(storedPacked[k].bytes.size(), size_t(packedSizes[k]));
        const auto entries = deltaEntries(stored[k].bytes);
        EXPECT_EQ(unpackedEntries(storedPacked[k].bytes, 0xC000), entries);
        for (const auto& [address, value] : entries) {
            ASSERT_GE(address, 0xC000);
            screen[address - 0xC000] = value;
        }
        const auto scr = readBytes(frameScrPath(plain, k));
        ASSERT_EQ(scr.size(), 16512u);
        const ScreenImage written = [&] {
            ScreenImage image;
            std::copy(scr.begin() + 128, scr.end(), image.begin());
            return image;
        }();
        // Each .SCR adds the mode and inks at 0x17D0..0x17E0 to the image
        // after its delta was taken, so only the next delta carries them: the
        // first replay still holds the start screen there, the later ones
        // match the .SCR whole.
        if (k == 0) {
            for (int32_t offset = 0x17D0; offset <= 0x17E0; ++offset) {
                EXPECT_EQ(screen[offset], start[offset]) << offset;
                screen[offset] = written[offset];
            }
        }
        ASSERT_EQ(screen, written);
    }

    // The sources hold the very bytes of the data files.
    for (const char* bank : {".C4", ".C5", ".C6"}) {
        const auto data = readBytes(plain + bank);
        const std::string source = readText(plain + bank + ".asm");
        EXPECT_EQ(asmDataBytes(source), std::vector<uint8_t>(data.begin() + 128, data.end())) << bank;
        EXPECT_EQ(std::count(source.begin(), source.end(), '\n'), std::count(source.begin(), source.end(), '\r'));
    }
}

}  // namespace
}  // namespace volumix

namespace volumix {
namespace {

// Double buffering: frame k lies on screen k mod 2 (&0000, then &C000 with
// banks), its delta taken against the frame two earlier, the first frame of
// each screen against the start screen and that screen's pre-roll (the last
// frame drawn on it), so the loop closes on both screens.
TEST(FrameExport, DoubleBufferedDeltasTakeEachScreenFromTheFrameTwoEarlier) {
    const TestFolder folder;
    constexpr int Frames = 6;
    std::vector<std::vector<uint32_t>> frames;
    for (int k = 0; k < Frames; ++k) frames.push_back(blockFrame(5 + 3 * k, 40 + 2 * k, 10 + 7 * k, 90 + 5 * k, k % 3 + 1));
    const auto outsidePalette = [](int32_t offset) { return offset < 0x17D0 || offset > 0x17E0; };

    for (const bool compress : {false, true}) {
        SCOPED_TRACE(compress ? "compressed" : "plain");
        const std::string prefix = (folder / (compress ? "packed" : "plain")).string();
        CollectedLines messages;
        FrameExport exporter;
        ExportFormat format = withBanks(true);
        format.baseAddress = 0x0000;
        format.doubleBuffer = true;
        format.frames = DeltaFrames{compress};
        exporter.openExport({prefix, false, true}, format, 0, 1, messages);
        EXPECT_EQ(exporter.layout().secondScreen(), 0xC000);
        EXPECT_EQ(exporter.exportFrame(framePicture(-2, frames[Frames - 2]), format, messages), 0);
        EXPECT_EQ(exporter.exportFrame(framePicture(-1, frames[Frames - 1]), format, messages), 0);
        for (int k = 0; k < Frames; ++k) EXPECT_GT(exporter.exportFrame(framePicture(k, frames[k]), format, messages), 0);
        exporter.closeExport(messages);

        // The index says where it loads: &B300, below the second screen.
        EXPECT_EQ(loadAndLength(readBytes(prefix + ".C4.idx")).first, 0xB300);
        const auto stored = readStoredFrames(prefix);
        ASSERT_EQ(stored.size(), size_t{Frames});

        // Both screens start empty; the loop plays frames 0 and 1 again over
        // the last two frames.
        std::array<ScreenImage, 2> screens{};
        for (int position = 0; position < Frames + 2; ++position) {
            const int k = position % Frames;
            const int screen = position % 2;
            const uint16_t base = screen == 0 ? 0x0000 : 0xC000;
            SCOPED_TRACE(testing::Message() << "position " << position << ", frame " << k);
            const auto entries = compress ? unpackedEntries(stored[k].bytes, base) : deltaEntries(stored[k].bytes);
            for (const auto& [address, value] : entries) {
                ASSERT_EQ(address & 0xC000, base);
                screens[screen][address & 0x3FFF] = value;
            }
            const auto scr = readBytes(frameScrPath(prefix, k));
            ASSERT_EQ(scr.size(), 16512u);
            int32_t differences = 0;
            for (int32_t offset = 0; offset < ScreenBytes; ++offset)
                if (outsidePalette(offset) && screens[screen][offset] != scr[128 + offset]) ++differences;
            EXPECT_EQ(differences, 0);
        }
        // Frame 3 lists exactly the bytes where it differs from frame 1.
        const auto before = readBytes(frameScrPath(prefix, 1)), after = readBytes(frameScrPath(prefix, 3));
        std::vector<std::pair<uint16_t, uint8_t>> changed;
        for (int32_t offset = 0; offset < ScreenBytes; ++offset)
            if (outsidePalette(offset) && before[128 + offset] != after[128 + offset])
                changed.emplace_back(static_cast<uint16_t>(0xC000 + offset), after[128 + offset]);
        auto entries = compress ? unpackedEntries(stored[3].bytes, 0xC000) : deltaEntries(stored[3].bytes);
        std::erase_if(entries, [&](const auto& entry) { return !outsidePalette(entry.first - 0xC000); });
        EXPECT_EQ(entries, changed);
    }
}

}  // namespace
}  // namespace volumix
