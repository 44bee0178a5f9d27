#include "cpc/screen_codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "platform/dib_surface.h"
#include "platform/file_io.h"
#include "testing/test_support.h"

namespace volumix {
namespace {

namespace fs = std::filesystem;
using test::TestFolder;
using test::writeBytes;
using test::writeText;

// Hardware colours 0..15 are sixteen different colours.
constexpr InkArray DistinctInks = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};

// Frames and images on the heap at their exact size, so ASan sees any access
// past them.
using Frame = std::vector<uint32_t>;
Frame blankFrame(uint32_t pixel = 0) { return Frame(FramePixelCount, pixel); }
std::unique_ptr<ScreenImage> filledImage(uint8_t value) {
    auto image = std::make_unique<ScreenImage>();
    image->fill(value);
    return image;
}

// Paints byte j of line y as screen byte `value` would show in `mode`.
void paintByte(Frame& frame, int32_t y, int32_t j, int32_t mode, uint8_t value, const InkArray& inks) {
    int32_t pixelInks[8];
    unpackScreenByte(mode, value, pixelInks);
    for (int32_t column = 0; column < 8; ++column)
        frame[y * FrameWidth + 8 * j + column] =
            hardwareColourPixel(inks[pixelInks[column / ScreenModes[mode].columnsPerPixel]]);
}

// The byte that encodes the first 8 columns of line 0, the rest of the frame
// being `background`.
uint8_t encodeFirstByte(const std::vector<uint32_t>& columns, int32_t mode, const InkArray& inks,
                        uint32_t background = 0) {
    Frame frame = blankFrame(background);
    std::copy(columns.begin(), columns.end(), frame.begin());
    auto image = filledImage(0xEE);
    encodeScreen(frame.data(), *image, mode, inks, 80, false);
    return (*image)[0];
}

uint32_t hw(int32_t colour) { return hardwareColourPixel(colour); }

TEST(ScreenEncoder, PacksPixelsByTheModeBitLayout) {
    // Mode 1, inks 0..3 = hardware 1, 24, 20, 6.
    EXPECT_EQ(encodeFirstByte({hw(1), hw(1), hw(24), hw(24), hw(20), hw(20), hw(6), hw(6)}, 1, DefaultInks, hw(1)),
              0x53);
    // Mode 0 samples columns 0 and 4.
    const auto mode0 = [](int32_t left, int32_t right, const InkArray& inks) {
        const uint32_t l = hw(inks[left]);
        const uint32_t r = hw(inks[right]);
        return encodeFirstByte({l, l, l, l, r, r, r, r}, 0, inks, hw(inks[0]));
    };
    EXPECT_EQ(mode0(15, 0, DistinctInks), 0xAA);
    EXPECT_EQ(mode0(0, 15, DistinctInks), 0x55);
    EXPECT_EQ(mode0(2, 0, DistinctInks), 0x08);
    // The starting inks give ink 15 the colour of ink 10: the first ink wins.
    EXPECT_EQ(mode0(15, 0, DefaultInks), 0x0A);

    // Mode 2: every column counts; an unknown colour is ink 0; only bit 0 of
    // an ink number is stored.
    const uint32_t one = hw(DistinctInks[1]);
    const uint32_t zero = hw(DistinctInks[0]);
    EXPECT_EQ(encodeFirstByte({one, one, one, one, one, one, one, one}, 2, DistinctInks), 0xFF);
    EXPECT_EQ(encodeFirstByte({one, 0x123456u, one, one, one, one, one, 0xFF000000u}, 2, DistinctInks), 0xBE);
    // Near misses of ink 1's colour (0x00007F) are no ink either.
    EXPECT_EQ(encodeFirstByte({one, 0x7Eu, 0x80u, 0x0100007Fu, 0x407Fu, 0x40007Fu, 0xFFu, one}, 2, DistinctInks), 0x81);
    EXPECT_EQ(encodeFirstByte({zero, hw(3), zero, zero, zero, zero, zero, zero}, 2, DistinctInks), 0x40);
}

// Encodes a frame whose line y shows byte value y + 1 everywhere (mode 2)
// into an image prefilled with 0xEE; returns the image.
std::unique_ptr<ScreenImage> encodeNumberedLines(int32_t bytesPerLine, bool linear) {
    Frame frame = blankFrame();
    for (int32_t y = 0; y < FrameHeight; ++y)
        for (int32_t j = 0; j < FrameBytesPerLine; ++j)
            paintByte(frame, y, j, 2, static_cast<uint8_t>(y + 1), DistinctInks);
    auto image = filledImage(0xEE);
    encodeScreen(frame.data(), *image, 2, DistinctInks, bytesPerLine, linear);
    return image;
}

TEST(ScreenEncoder, StoresLinesAtTheirLayoutAddresses) {
    {
        SCOPED_TRACE("CPC layout, R1 = 40");
        const auto image = encodeNumberedLines(80, false);
        EXPECT_EQ((*image)[0], 1);
        EXPECT_EQ((*image)[2048], 2);
        EXPECT_EQ((*image)[80], 9);
        EXPECT_EQ((*image)[16256], 200);
        EXPECT_EQ((*image)[16256 + 79], 200);
        // Only bytes 2000..2047 of each block keep the old content.
        for (int32_t block = 0; block < 8; ++block)
            EXPECT_EQ(std::count(image->begin() + block * 2048 + 2000, image->begin() + block * 2048 + 2048, 0xEE), 48);
        EXPECT_EQ(std::count(image->begin(), image->end(), 0xEE), 8 * 48);
    }
    {
        SCOPED_TRACE("linear layout, R1 = 40");
        const auto image = encodeNumberedLines(80, true);
        EXPECT_EQ((*image)[80], 2);
        EXPECT_EQ((*image)[15920], 200);
        EXPECT_EQ((*image)[15999], 200);
        EXPECT_EQ(std::count(image->begin() + 16000, image->end(), 0xEE), 384);
    }
    {
        SCOPED_TRACE("linear layout, R1 = 64: lines from 128 on are dropped");
        const auto image = encodeNumberedLines(128, true);
        for (int32_t y : {0, 1, 127}) {
            EXPECT_EQ((*image)[y * 128], y + 1);
            EXPECT_EQ((*image)[y * 128 + 95], y + 1);
            // Past column 767 there are no pixels: ink 0.
            EXPECT_EQ((*image)[y * 128 + 96], 0);
            EXPECT_EQ((*image)[y * 128 + 127], 0);
        }
    }
    {
        SCOPED_TRACE("CPC layout, R1 = 60: the image's end cuts line 143");
        const auto image = encodeNumberedLines(120, false);
        EXPECT_EQ((*image)[7 * 2048 + 16 * 120], 136);
        EXPECT_EQ((*image)[7 * 2048 + 17 * 120], 144);
        EXPECT_EQ((*image)[ScreenBytes - 1], 144);
    }
}

TEST(ScreenDecoder, ColoursEachPixelWithTheScreenInks) {
    CCpcScreen screen;
    screen.inks = DefaultInks;  // inks 0..3 = hardware 1, 24, 20, 6
    screen.image.fill(0);
    screen.image[0] = 0x53;
    Frame frame = blankFrame(0xABCDEFu);
    decodeToFrame(screen, frame.data(), 1, 80, false);
    const std::vector<uint32_t> expected = {hw(1), hw(1), hw(24), hw(24), hw(20), hw(20), hw(6), hw(6)};
    EXPECT_EQ(std::vector<uint32_t>(frame.begin(), frame.begin() + 8), expected);
    EXPECT_EQ(frame[8], hw(1));

    // Hardware numbers outside 0..26 (possible in an embedded palette) show
    // black.
    screen.inks[2] = 200;
    screen.inks[3] = -1;
    decodeToFrame(screen, frame.data(), 1, 80, false);
    EXPECT_EQ(frame[4], 0u);
    EXPECT_EQ(frame[6], 0u);
}

TEST(ScreenDecoder, BlackensLinesPastTheImageAndDropsColumnsPastTheFrame) {
    CCpcScreen screen;
    screen.inks = DistinctInks;
    screen.image.fill(0xFF);
    const uint32_t ink1 = hw(DistinctInks[1]);
    {
        SCOPED_TRACE("R1 = 48");
        Frame frame = blankFrame(0x123456u);
        decodeToFrame(screen, frame.data(), 2, 96, false);
        for (int32_t y : {0, 169}) EXPECT_EQ(std::count(&frame[y * 768], &frame[y * 768 + 768], ink1), 768) << y;
        for (int32_t y : {170, 199}) EXPECT_EQ(std::count(&frame[y * 768], &frame[y * 768 + 768], 0u), 768) << y;
    }
    {
        SCOPED_TRACE("R1 = 64");
        Frame frame = blankFrame(0x123456u);
        decodeToFrame(screen, frame.data(), 2, 128, false);
        EXPECT_EQ(std::count(&frame[127 * 768], &frame[128 * 768], ink1), 768);
        EXPECT_EQ(std::count(frame.begin() + 128 * 768, frame.end(), 0u), 72 * 768);
    }
    {
        SCOPED_TRACE("R1 = 40, mode 0: columns 640.. keep their content, filled by groups of 4");
        Frame frame = blankFrame();
        for (int32_t x = 0; x < FrameWidth; ++x) frame[x] = static_cast<uint32_t>(x);
        decodeToFrame(screen, frame.data(), 0, 80, false);
        EXPECT_EQ(frame[639], hw(DistinctInks[15]));
        EXPECT_EQ(frame[640], 640u);
        EXPECT_EQ(frame[643], 640u);
        EXPECT_EQ(frame[767], 764u);
    }
}

TEST(ScreenDecoder, TakesTheEmbeddedPaletteOnRequest) {
    CCpcScreen screen;
    screen.image.fill(0xFF);
    std::copy(PaletteSignature.begin(), PaletteSignature.end(), screen.image.begin() + PaletteSignatureOffset);
    screen.image[PaletteModeOffset] = 2;
    for (int32_t k = 0; k < InkCount; ++k) screen.image[PaletteInksOffset + k] = static_cast<uint8_t>(26 - k);
    screen.mode = 0;
    screen.inks = DistinctInks;
    ASSERT_TRUE(hasEmbeddedPalette(screen.image));

    Frame frame = blankFrame(0x123456u);
    decodeToFrame(screen, frame.data(), 0, 80, false);
    EXPECT_EQ(screen.mode, 0);
    EXPECT_EQ(frame[0], hw(15));

    decodeToFrame(screen, frame.data(), 2, 80, true);
    EXPECT_EQ(screen.mode, 2);
    EXPECT_EQ(screen.inks[1], 25);
    EXPECT_EQ(frame[0], hw(25));

    // An embedded mode outside 0..2 is kept as read but draws nothing; an
    // ink that names no hardware colour is taken as black (0), the colour
    // it shows, so no file written from these inks carries it.
    screen.image[PaletteModeOffset] = 7;
    screen.image[PaletteInksOffset + 1] = 99;
    Frame untouched = blankFrame(0x123456u);
    decodeToFrame(screen, untouched.data(), 1, 80, true);
    EXPECT_EQ(screen.mode, 7);
    EXPECT_EQ(screen.inks[1], 0);
    EXPECT_EQ(std::count(untouched.begin(), untouched.end(), 0x123456u), FramePixelCount);
    decodeToFrame(screen, untouched.data(), -3, 80, false);
    decodeToFrame(screen, untouched.data(), 3, 80, false);
    EXPECT_EQ(std::count(untouched.begin(), untouched.end(), 0x123456u), FramePixelCount);
}

// Image addresses of the lines the decoder decodes at this width.
std::vector<int32_t> decodedAddresses(int32_t bytesPerLine) {
    std::vector<int32_t> addresses;
    for (int32_t y = 0; y < FrameHeight; ++y) {
        if ((y + 1) * bytesPerLine > ScreenBytes) continue;
        for (int32_t j = 0; j < std::min(bytesPerLine, FrameBytesPerLine); ++j)
            addresses.push_back(screenLineAddress(y, bytesPerLine, false) + j);
    }
    return addresses;
}

// Decodes the image and encodes the frame again over zeros: every decoded
// byte must come back. Returns the number of mismatches.
int32_t roundTripMismatches(const ScreenImage& image, int32_t mode, int32_t bytesPerLine) {
    CCpcScreen screen;
    screen.image = image;
    screen.inks = DistinctInks;
    Frame frame = blankFrame();
    decodeToFrame(screen, frame.data(), mode, bytesPerLine, false);
    auto encoded = filledImage(0);
    encodeScreen(frame.data(), *encoded, mode, DistinctInks, bytesPerLine, false);
    int32_t mismatches = 0;
    for (int32_t address : decodedAddresses(bytesPerLine)) mismatches += (*encoded)[address] != image[address];
    return mismatches;
}

TEST(ScreenCodec, EncodingADecodedImageGivesItBack) {
    std::mt19937 rng(7);
    auto image = std::make_unique<ScreenImage>();
    for (auto& byte : *image) byte = static_cast<uint8_t>(rng());
    for (int32_t mode = 0; mode <= 2; ++mode)
        for (int32_t bytesPerLine : {2, 40, 64, 80})
            EXPECT_EQ(roundTripMismatches(*image, mode, bytesPerLine), 0) << mode << ' ' << bytesPerLine;
}

// --- MJH ---------------------------------------------------------------------

std::unique_ptr<ScreenImage> mjhImage(const std::vector<uint8_t>& bytes, uint8_t padding = 0) {
    auto image = filledImage(padding);
    std::copy_n(bytes.begin(), std::min<size_t>(bytes.size(), ScreenBytes), image->begin());
    return image;
}

void appendBlock(std::vector<uint8_t>& bytes, uint16_t length) {
    bytes.insert(bytes.end(), {'M', 'J', 'H', static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8)});
}

TEST(Mjh, ExpandsRunsAndLiteralsBlockByBlock) {
    {
        std::vector<uint8_t> bytes;
        appendBlock(bytes, 0x4000);
        for (int i = 0; i < 64; ++i) bytes.insert(bytes.end(), {0x01, 0x00, 0xAA});
        auto image = mjhImage(bytes, 0x77);
        decompressMjh(*image);
        EXPECT_EQ(std::count(image->begin(), image->end(), 0xAA), ScreenBytes);
    }
    {
        // A run past n stops at n; an n = 0 block is followed by the next
        // header; a literal 0x01 is the run 01 01 01; "MJH" inside the
        // tokens ends a block early; the rest of the image is zeros.
        std::vector<uint8_t> bytes;
        appendBlock(bytes, 5);
        bytes.insert(bytes.end(), {0x07, 0x01, 0x10, 0x33});
        appendBlock(bytes, 0);
        appendBlock(bytes, 100);
        bytes.insert(bytes.end(), {0x01, 0x01, 0x01, 0x09});
        appendBlock(bytes, 2);
        bytes.insert(bytes.end(), {0x0A, 0x0B, 0x0C});
        auto image = mjhImage(bytes, 0x77);
        decompressMjh(*image);
        const std::vector<uint8_t> expected = {0x07, 0x33, 0x33, 0x33, 0x33, 0x01, 0x09, 0x0A, 0x0B, 0x00};
        EXPECT_EQ(std::vector<uint8_t>(image->begin(), image->begin() + 10), expected);
        EXPECT_EQ(std::count(image->begin(), image->end(), 0), ScreenBytes - 9);
    }
}

TEST(Mjh, StopsAtTheEndOfTheSourceAndOfTheImage) {
    {
        // Literals up to the end, then a run token cut after its count.
        std::vector<uint8_t> bytes;
        appendBlock(bytes, 0xFFFF);
        bytes.resize(ScreenBytes - 2, 0x22);
        bytes.insert(bytes.end(), {0x01, 0x05});
        auto image = mjhImage(bytes);
        decompressMjh(*image);
        EXPECT_EQ(std::count(image->begin(), image->end(), 0x22), ScreenBytes - 7);
        EXPECT_EQ(image->back(), 0);
    }
    {
        // Blocks that promise more than the image holds.
        std::vector<uint8_t> bytes;
        for (int block = 0; block < 3; ++block) {
            appendBlock(bytes, 0x3000);
            for (int i = 0; i < 48; ++i) bytes.insert(bytes.end(), {0x01, 0x00, static_cast<uint8_t>(0x40 + block)});
        }
        auto image = mjhImage(bytes);
        decompressMjh(*image);
        EXPECT_EQ(std::count(image->begin(), image->end(), 0x41), ScreenBytes - 0x3000);
    }
    {
        // Empty blocks up to a header cut by the end of the source.
        std::vector<uint8_t> bytes;
        appendBlock(bytes, 256);
        bytes.insert(bytes.end(), {0x01, 0x00, 0x11});
        appendBlock(bytes, 2);
        bytes.insert(bytes.end(), {0x22, 0x22});
        while (bytes.size() < ScreenBytes - 4) appendBlock(bytes, 0);
        bytes.insert(bytes.end(), {'M', 'J', 'H', 0x10});
        ASSERT_EQ(bytes.size(), static_cast<size_t>(ScreenBytes));
        auto image = mjhImage(bytes);
        decompressMjh(*image);
        EXPECT_EQ(std::count(image->begin(), image->begin() + 256, 0x11), 256);
        EXPECT_EQ((*image)[257], 0x22);
        EXPECT_EQ(std::count(image->begin(), image->end(), 0), ScreenBytes - 258);
    }
}

// --- .SCR files ----------------------------------------------------------------

class ScrFileTest : public ::testing::Test {
protected:
    // Writes an AMSDOS header (checksum adjusted by `checksumError`) and the
    // given image bytes.
    fs::path writeScr(const std::string& name, const std::vector<uint8_t>& imageBytes, int checksumError = 0) {
        std::vector<uint8_t> bytes(128, 0);
        const std::string title = "TEST    SCR";
        std::copy(title.begin(), title.end(), bytes.begin() + 1);
        bytes[18] = 2;
        bytes[20] = 0x40;
        bytes[22] = 0xC0;
        bytes[65] = 0x40;
        uint32_t sum = 0;
        for (int i = 0; i < 67; ++i) sum += bytes[i];
        sum += checksumError;
        bytes[67] = static_cast<uint8_t>(sum);
        bytes[68] = static_cast<uint8_t>(sum >> 8);
        bytes.insert(bytes.end(), imageBytes.begin(), imageBytes.end());
        const fs::path path = directory_ / name;
        writeBytes(path, bytes);
        return path;
    }

    TestFolder directory_;
};

// One MJH block for the whole image: runs of 4 or more and every 0x01 as
// runs, the rest as literals.
std::vector<uint8_t> packMjh(const std::vector<uint8_t>& plain) {
    std::vector<uint8_t> packed = {'M', 'J', 'H', 0x00, 0x40};
    for (size_t at = 0; at < plain.size();) {
        const uint8_t value = plain[at];
        size_t run = 1;
        while (at + run < plain.size() && plain[at + run] == value && run < 256) ++run;
        if (run >= 4 || value == 0x01) packed.insert(packed.end(), {0x01, static_cast<uint8_t>(run), value});
        else packed.insert(packed.end(), run, value);
        at += run;
    }
    return packed;
}

std::vector<uint8_t> paletteImage(uint8_t mode) {
    std::vector<uint8_t> image(ScreenBytes, 0x5A);
    std::copy(PaletteSignature.begin(), PaletteSignature.end(), image.begin() + PaletteSignatureOffset);
    image[PaletteModeOffset] = mode;
    for (int32_t k = 0; k < InkCount; ++k) image[PaletteInksOffset + k] = static_cast<uint8_t>(k + 3);
    return image;
}

TEST_F(ScrFileTest, RefusesMissingFilesAndBadHeadersLeavingTheScreenAlone) {
    CCpcScreen screen;
    screen.image.fill(0x77);
    screen.inks = DistinctInks;
    screen.mode = 1;
    int32_t modeResult = 1;
    const std::vector<uint8_t> image = paletteImage(2);

    EXPECT_EQ(loadScr(screen, directory_ / "absent.scr", modeResult, DefaultInks, true), ScrOpenFailed);
    EXPECT_EQ(loadScr(screen, directory_.path(), modeResult, DefaultInks, true), ScrOpenFailed);
    EXPECT_EQ(loadScr(screen, writeScr("plus.scr", image, +1), modeResult, DefaultInks, true), ScrBadHeader);
    EXPECT_EQ(loadScr(screen, writeScr("minus.scr", image, -1), modeResult, DefaultInks, true), ScrBadHeader);
    // A headerless screen starting with 128 zero bytes has a zero sum and a
    // zero stored checksum: still no header.
    const fs::path zeros = directory_ / "zeros.scr";
    writeText(zeros, std::string(128 + ScreenBytes, '\0'));
    EXPECT_EQ(loadScr(screen, zeros, modeResult, DefaultInks, true), ScrBadHeader);
    const fs::path shortFile = directory_ / "short.scr";
    writeText(shortFile, std::string(127, '\0'));
    EXPECT_EQ(loadScr(screen, shortFile, modeResult, DefaultInks, true), ScrBadHeader);

    EXPECT_EQ(std::count(screen.image.begin(), screen.image.end(), 0x77), ScreenBytes);
    EXPECT_EQ(screen.inks, DistinctInks);
    EXPECT_EQ(screen.mode, 1);
    EXPECT_EQ(modeResult, 1);
}

TEST_F(ScrFileTest, LoadsTheImageAndOptionallyItsPalette) {
    CCpcScreen screen;
    int32_t modeResult = 1;
    const fs::path path = writeScr("palette.scr", paletteImage(2));

    ASSERT_EQ(loadScr(screen, path, modeResult, DistinctInks, false), ScrOk);
    EXPECT_EQ(screen.image[0], 0x5A);
    EXPECT_EQ(screen.inks, DistinctInks);
    EXPECT_EQ(modeResult, 1);
    EXPECT_EQ(screen.mode, 0);

    ASSERT_EQ(loadScr(screen, path, modeResult, DistinctInks, true), ScrOk);
    EXPECT_EQ(modeResult, 2);
    EXPECT_EQ(screen.mode, 2);
    EXPECT_EQ(screen.inks[0], 3);
    EXPECT_EQ(screen.inks[15], 18);

    // A short image replaces only the start.
    screen.image.fill(0x77);
    ASSERT_EQ(loadScr(screen, writeScr("short.scr", {1, 2, 3}), modeResult, DistinctInks, true), ScrOk);
    EXPECT_EQ(screen.image[2], 3);
    EXPECT_EQ(screen.image[3], 0x77);
    EXPECT_EQ(screen.inks, DistinctInks);  // no signature: the caller's inks
    EXPECT_EQ(modeResult, 2);

    // A compressed image is expanded before its palette is looked for.
    const std::vector<uint8_t> plain = paletteImage(1);
    ASSERT_EQ(loadScr(screen, writeScr("packed.scr", packMjh(plain)), modeResult, DistinctInks, true), ScrOk);
    EXPECT_TRUE(std::equal(plain.begin(), plain.end(), screen.image.begin()));
    EXPECT_EQ(modeResult, 1);
    EXPECT_EQ(screen.inks[0], 3);

    // An embedded mode byte that names no mode is not handed to the caller.
    ASSERT_EQ(loadScr(screen, writeScr("mode7.scr", paletteImage(7)), modeResult, DistinctInks, true), ScrOk);
    EXPECT_EQ(modeResult, 1);
    EXPECT_EQ(screen.mode, 7);
}

// --- Real screens --------------------------------------------------------------

fs::path realScreens() { return fs::path(VOLUMIX_REALDATA_DIR) / "scr"; }

// A raw MJH stream placed into an image as loadScr would place it.
std::unique_ptr<ScreenImage> expandedRealMjh(const std::string& name) {
    const auto bytes = readFileBytes(realScreens() / name, ScreenBytes);
    if (!bytes) return nullptr;
    auto image = mjhImage(*bytes);
    decompressMjh(*image);
    return image;
}

TEST(ScrRealFiles, LoadAmsdosScreensAndBareImages) {
    if (!fs::is_directory(realScreens())) GTEST_SKIP() << "no sample folder at " << realScreens();
    const std::pair<const char*, int32_t> known[] = {{"ACELOAD.SCR", 1},          {"DUMMY.SCR", 2},
                                                     {"TONY_ECR.SCR", 0},         {"martine_batman-n.scr", 0},
                                                     {"blinky_room1.scr", 0}};
    for (const auto& [name, mode] : known) {
        SCOPED_TRACE(name);
        const auto file = readFileBytes(realScreens() / name);
        ASSERT_TRUE(file.has_value());
        CCpcScreen screen;
        screen.image.fill(0x77);
        int32_t modeResult = mode;
        ASSERT_EQ(loadScr(screen, realScreens() / name, modeResult, DistinctInks, true), ScrOk);
        EXPECT_FALSE(hasEmbeddedPalette(screen.image));
        EXPECT_EQ(modeResult, mode);
        const size_t imageBytes = std::min<size_t>(file->size() - 128, ScreenBytes);
        EXPECT_TRUE(std::equal(screen.image.begin(), screen.image.begin() + imageBytes, file->begin() + 128));
        EXPECT_EQ(roundTripMismatches(screen.image, mode, 80), 0);
    }
    // Exactly 16384 bytes: a bare image, read whole from its first byte.
    CCpcScreen screen;
    int32_t modeResult = 0;
    const fs::path bare = realScreens() / "cataclysm_MODE2_noheader.SCR";
    ASSERT_EQ(loadScr(screen, bare, modeResult, DistinctInks, true), ScrOk);
    const auto file = readFileBytes(bare);
    ASSERT_TRUE(file.has_value());
    EXPECT_TRUE(std::equal(screen.image.begin(), screen.image.end(), file->begin()));
}

TEST(ScrRealFiles, MjhStreamsExpandToScreensWithTheirPalette) {
    if (!fs::is_directory(realScreens())) GTEST_SKIP() << "no sample folder at " << realScreens();
    const auto text = expandedRealMjh("xmas2007_mode1_text_MJH_noheader.scr");
    const auto silhouette = expandedRealMjh("xmas2007_mode2_frame0_MJH_noheader.scr");
    ASSERT_TRUE(text && silhouette);

    CCpcScreen screen;
    screen.image = *text;
    Frame frame = blankFrame();
    decodeToFrame(screen, frame.data(), 0, 80, true);
    EXPECT_EQ(screen.mode, 1);
    EXPECT_EQ(std::vector<int32_t>(screen.inks.begin(), screen.inks.begin() + 5),
              (std::vector<int32_t>{0, 25, 26, 2, 0}));
    EXPECT_EQ(roundTripMismatches(*text, 1, 80), 0);

    screen.image = *silhouette;
    decodeToFrame(screen, frame.data(), 1, 80, true);
    EXPECT_EQ(screen.mode, 2);
    EXPECT_EQ(screen.inks[0], 26);
    EXPECT_EQ(screen.inks[1], 0);
    EXPECT_EQ(roundTripMismatches(*silhouette, 2, 80), 0);
}

}  // namespace
}  // namespace volumix
