#include "cpc/frame_extraction.h"

#include <gtest/gtest.h>

#include <array>
#include <initializer_list>
#include <random>
#include <utility>
#include <vector>

#include "platform/dib_surface.h"
#include "cpc/screen_codec.h"

namespace volumix {
namespace {

using Bytes = std::vector<uint8_t>;

struct Frame {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(FramePixelCount, hardwareColourPixel(DefaultInks[0]));

    // Gives byte `column` of line y one ink per pixel of the mode, leftmost first.
    Frame& paint(int32_t mode, int32_t y, int32_t column, std::initializer_list<int32_t> inks) {
        const int32_t width = ScreenModes[mode].columnsPerPixel;
        int32_t x = y * FrameWidth + column * 8;
        for (int32_t ink : inks)
            for (int32_t c = 0; c < width; ++c) pixels[x++] = hardwareColourPixel(DefaultInks[ink]);
        return *this;
    }

    FrameEncoding encoding(int32_t mode = 1, bool linear = false) const {
        FrameEncoding e;
        e.framePixels = pixels.data();
        e.screenMode = mode;
        e.linear = linear;
        return e;
    }
};

Bytes bytesOf(const FrameRecord& record) { return Bytes(record.data.begin(), record.data.begin() + record.length); }

FrameRecord recordOf(const Bytes& bytes) {
    FrameRecord record;
    for (uint8_t b : bytes) record.appendByte(b);
    return record;
}

TEST(FrameRecord, RefusesAppendsWhenFull) {
    FrameRecord record;
    record.length = FrameRecordCapacity - 3;
    EXPECT_TRUE(record.appendWord(0x1234));
    EXPECT_EQ(record.data[FrameRecordCapacity - 3], 0x34);
    EXPECT_EQ(record.data[FrameRecordCapacity - 2], 0x12);
    EXPECT_FALSE(record.appendWord(0x5678));
    EXPECT_EQ(record.length, FrameRecordCapacity - 1);
    EXPECT_TRUE(record.appendByte(0x9A));
    EXPECT_FALSE(record.appendByte(0xBC));
    EXPECT_EQ(record.length, FrameRecordCapacity);
    EXPECT_EQ(record.data[FrameRecordCapacity - 1], 0x9A);
}

TEST(FrameExtraction, ScreenDeltaListsChangedBytesWithTheirAddresses) {
    ScreenImages images;
    // Offset 0x0123 is line 24, byte 51 with 80-byte lines.
    Frame frame;
    frame.paint(1, 0, 0, {2, 2, 2, 2}).paint(1, 24, 51, {1, 1, 1, 1});
    FrameRecord record;
    extractScreenDelta(images, frame.encoding(), &record, 0xC000, nullptr);
    EXPECT_EQ(bytesOf(record), (Bytes{0x00, 0xC0, 0x0F, 0x23, 0xC1, 0xF0, 0x00, 0x00}));
    EXPECT_EQ(images.previousImage, images.currentImage);

    FrameRecord same;
    extractScreenDelta(images, frame.encoding(), &same, 0xC000, nullptr);
    EXPECT_EQ(bytesOf(same), (Bytes{0x00, 0x00}));

    // With base 0 the entry for offset 0 starts like the end marker.
    frame.paint(1, 0, 0, {3, 3, 3, 3});
    FrameRecord atZero;
    extractScreenDelta(images, frame.encoding(), &atZero, 0x0000, nullptr);
    EXPECT_EQ(bytesOf(atZero), (Bytes{0x00, 0x00, 0xFF, 0x00, 0x00}));
}

TEST(FrameExtraction, FullScreenDeltaIsKeptWhole) {
    ScreenImages images;
    images.previousImage.fill(0xFF);  // every byte, written or not, differs
    FrameRecord record;
    extractScreenDelta(images, Frame().encoding(), &record, 0xC000, nullptr);
    ASSERT_EQ(record.length, 49154);
    EXPECT_EQ(Bytes(record.data.end() - 5, record.data.end()), (Bytes{0xFF, 0xFF, 0x00, 0x00, 0x00}));
    // 4096 groups of four: 2 + 4 bytes each, then the end marker.
    EXPECT_EQ(compressDelta(record), 4096 * 6 + 2);
}

TEST(FrameExtraction, SpriteBlockBoxAndLayouts) {
    auto sprite = [](const Frame& frame, bool sizeOnly, int32_t layout, bool linear = false) {
        ScreenImages images;
        FrameRecord record;
        extractSprite(images, frame.encoding(0, linear), &record, nullptr, sizeOnly, layout);
        EXPECT_EQ(images.previousImage, images.currentImage);
        return bytesOf(record);
    };
    EXPECT_EQ(sprite(Frame(), false, SpriteLayoutLines), (Bytes{0x4F, 0xC7, 0x00, 0x00}));
    EXPECT_EQ(sprite(Frame(), true, SpriteLayoutTwoColumns), (Bytes{0xB2, 0x3A}));

    const Frame single = Frame().paint(0, 5, 10, {5, 5});  // mode 0, ink 5: 0xF0
    EXPECT_EQ(sprite(single, false, SpriteLayoutOneColumn), (Bytes{0x0A, 0x05, 0x0A, 0x05, 0xF0}));
    EXPECT_EQ(sprite(single, true, SpriteLayoutLines), (Bytes{0x01, 0x01, 0xF0}));

    // The box uses 80-byte character rows even when the encoder was linear:
    // linear line 1 starts at offset 80, which is line 8 of the standard layout.
    EXPECT_EQ(sprite(Frame().paint(0, 1, 0, {3, 3}), false, 9, true), (Bytes{0x00, 0x08, 0x00, 0x08}));

    // Columns 10..12 of lines 2..3, six different values a..f.
    Frame box;
    box.paint(0, 2, 10, {1, 1}).paint(0, 2, 11, {2, 2}).paint(0, 2, 12, {3, 3});
    box.paint(0, 3, 10, {4, 4}).paint(0, 3, 11, {5, 5}).paint(0, 3, 12, {6, 6});
    const uint8_t a = 0xC0, b = 0x0C, c = 0xCC, d = 0x30, e = 0xF0, f = 0x3C;
    const Bytes header{0x0A, 0x02, 0x0C, 0x03};
    auto withHeader = [&](Bytes body) {
        body.insert(body.begin(), header.begin(), header.end());
        return body;
    };
    EXPECT_EQ(sprite(box, false, SpriteLayoutLines), withHeader({a, b, c, d, e, f}));
    EXPECT_EQ(sprite(box, false, SpriteLayoutOneColumn), withHeader({a, d, b, e, c, f}));
    EXPECT_EQ(sprite(box, false, SpriteLayoutTwoColumns), withHeader({a, b, d, e, c, 0, f, 0}));
}

TEST(FrameExtraction, PointWordsNameTheFirstLitPair) {
    ScreenImages images;
    images.previousImage.fill(0x77);
    Frame frame;
    frame.paint(1, 0, 5, {0, 3, 0, 0})   // 0x44
        .paint(1, 0, 6, {2, 2, 0, 0})    // 0x0C: bit 3 belongs to 0x88
        .paint(1, 0, 7, {0, 0, 3, 0})    // 0x22
        .paint(1, 0, 8, {0, 0, 0, 3});   // 0x11
    FrameRecord record;
    extractPoints(images, frame.encoding(), &record);
    EXPECT_EQ(bytesOf(record), (Bytes{0x05, 0x40, 0x06, 0x00, 0x07, 0x80, 0x08, 0xC0, 0x00, 0x00}));
    EXPECT_EQ(images.previousImage[5], 0x77);

    FrameRecord empty;
    extractPoints(images, Frame().encoding(), &empty);
    EXPECT_EQ(bytesOf(empty), (Bytes{0x00, 0x00}));
}

TEST(FrameExtraction, PreRollMarksBytesThatDifferFromTheReference) {
    const Frame preRoll = Frame().paint(1, 0, 0, {1, 1, 1, 1});  // 0xF0 at offset 0
    ScreenImages images;
    extractScreenDelta(images, preRoll.encoding(), nullptr, 0xC000, nullptr);
    EXPECT_EQ(images.currentImage[0], 0xF0 ^ 0xAA);
    EXPECT_EQ(images.currentImage[1], 0x00);
    EXPECT_EQ(images.previousImage, images.currentImage);
    // The first frame repeats the pre-roll byte and adds one: both are listed.
    Frame first = preRoll;
    first.paint(1, 0, 1, {2, 2, 2, 2});
    FrameRecord record;
    extractScreenDelta(images, first.encoding(), &record, 0xC000, nullptr);
    EXPECT_EQ(bytesOf(record), (Bytes{0x00, 0xC0, 0xF0, 0x01, 0xC0, 0x0F, 0x00, 0x00}));

    // Over a background, only bytes unlike the background are marked; the
    // sprite pre-roll marks the same way and the points pre-roll not at all.
    ScreenImage encoded{};
    encodeScreen(preRoll.pixels.data(), encoded, 1, DefaultInks, 80, false);
    ScreenImage background{};
    std::mt19937 rng(7);
    for (int32_t i = 0; i < ScreenBytes; ++i) background[i] = i % 2 ? static_cast<uint8_t>(rng()) : encoded[i];
    ScreenImage expected = encoded;
    for (int32_t i = 0; i < ScreenBytes; ++i)
        if (encoded[i] != background[i]) expected[i] ^= 0xAA;
    ScreenImages delta, sprite, points;
    extractScreenDelta(delta, preRoll.encoding(), nullptr, 0xC000, &background);
    extractSprite(sprite, preRoll.encoding(), nullptr, &background, false, SpriteLayoutLines);
    extractPoints(points, preRoll.encoding(), nullptr);
    EXPECT_EQ(delta.currentImage, expected);
    EXPECT_EQ(delta.previousImage, expected);
    EXPECT_EQ(sprite.previousImage, expected);
    EXPECT_EQ(points.currentImage, encoded);
    EXPECT_EQ(points.previousImage, ScreenImage{});
}

TEST(FrameExtraction, FirstDeltaListsWhatEitherStartNeeds) {
    // Frame 0 plays after the reference (background or empty screen) and,
    // on the loop, after the last frame, which the pre-roll is. It lists
    // every byte where the pre-roll or frame 0 differs from the reference:
    // also where frame 0 holds the pre-roll byte XOR 0xAA (offset 1) and
    // where frame 0 holds the reference while the pre-roll holds it XOR
    // 0xAA (offset 2); a byte equal to the reference in both is left out.
    ScreenImage background{};
    background[3] = 0x11;
    for (const ScreenImage* reference : std::array<const ScreenImage*, 2>{nullptr, &background}) {
        SCOPED_TRACE(reference ? "background" : "empty screen");
        Frame preRoll, first;
        preRoll.paint(2, 0, 1, {0, 0, 0, 0, 1, 1, 1, 1});        // 0x0F
        first.paint(2, 0, 1, {1, 0, 1, 0, 0, 1, 0, 1});          // 0x0F ^ 0xAA
        preRoll.paint(2, 0, 2, {1, 0, 1, 0, 1, 0, 1, 0});        // 0xAA, 0 in frame 0
        preRoll.paint(2, 0, 4, {1, 1, 1, 1, 1, 1, 1, 1});        // pre-roll only
        first.paint(2, 0, 5, {0, 1, 0, 0, 0, 0, 0, 0});          // frame 0 only
        ScreenImages images;
        extractScreenDelta(images, preRoll.encoding(2), nullptr, 0xC000, reference);
        FrameRecord record;
        extractScreenDelta(images, first.encoding(2), &record, 0xC000, reference);
        // Offset 3 holds 0 in both frames: listed only over the background,
        // where the pre-roll differs from it there.
        Bytes expected = {0x01, 0xC0, 0xA5, 0x02, 0xC0, 0x00};
        if (reference) expected.insert(expected.end(), {0x03, 0xC0, 0x00});
        expected.insert(expected.end(), {0x04, 0xC0, 0x00, 0x05, 0xC0, 0x40, 0x00, 0x00});
        EXPECT_EQ(bytesOf(record), expected);
        EXPECT_TRUE(images.preRollOffsets.empty());

        // Only the first delta after a pre-roll lists more than the changes.
        FrameRecord same;
        extractScreenDelta(images, first.encoding(2), &same, 0xC000, reference);
        EXPECT_EQ(bytesOf(same), (Bytes{0x00, 0x00}));
    }
}

TEST(CompressDelta, GroupsConsecutiveAddresses) {
    auto compressed = [](const Bytes& delta) {
        FrameRecord record = recordOf(delta);
        EXPECT_EQ(compressDelta(record), record.length);
        return bytesOf(record);
    };
    EXPECT_EQ(compressed({0x05, 0xC0, 0x11, 0x06, 0xC0, 0x22, 0x07, 0xC0, 0x33, 0x0A, 0xC0, 0x44, 0, 0}),
              (Bytes{0x05, 0x40, 0x11, 0x22, 0x33, 0x0A, 0xC0, 0x44, 0x00, 0x00}));
    EXPECT_EQ(compressed({0, 0xC0, 1, 1, 0xC0, 2, 2, 0xC0, 3, 3, 0xC0, 4, 4, 0xC0, 5, 0, 0}),
              (Bytes{0x00, 0x00, 0x01, 0x02, 0x03, 0x04, 0x04, 0xC0, 0x05, 0x00, 0x00}));
    EXPECT_EQ(compressed({0x23, 0x01, 0xAA, 0, 0}), (Bytes{0x23, 0xC1, 0xAA, 0x00, 0x00}));
    EXPECT_EQ(compressed({0, 0}), (Bytes{0x00, 0x00}));
    // Malformed lengths: too short to hold a marker is left alone; a partial
    // entry before the last two bytes is dropped.
    EXPECT_EQ(compressed({0x42}), (Bytes{0x42}));
    EXPECT_EQ(compressed({0x23, 0x01, 0xAA, 0x24, 0x01, 0, 0}), (Bytes{0x23, 0xC1, 0xAA, 0x00, 0x00}));
}

TEST(CompressDelta, DecompressesBackToTheDelta) {
    std::mt19937 rng(3);
    std::vector<std::pair<int32_t, uint8_t>> changes;
    FrameRecord record;
    for (int32_t offset = 0; offset < ScreenBytes; ++offset) {
        if (rng() % 3 == 0) continue;
        const auto value = static_cast<uint8_t>(rng());
        changes.emplace_back(offset, value);
        record.appendWord(static_cast<uint16_t>(0xC000 + offset));
        record.appendByte(value);
    }
    record.appendWord(0);
    const int32_t plainLength = record.length;
    ASSERT_LT(compressDelta(record), plainLength);

    std::vector<std::pair<int32_t, uint8_t>> decoded;
    int32_t pos = 0;
    while (pos + 2 < record.length) {
        const int32_t first = record.data[pos] | ((record.data[pos + 1] & 0x3F) << 8);
        const int32_t count = 4 - (record.data[pos + 1] >> 6);
        for (int32_t e = 0; e < count; ++e) decoded.emplace_back(first + e, record.data[pos + 2 + e]);
        pos += 2 + count;
    }
    EXPECT_EQ(pos, record.length - 2);
    EXPECT_EQ(decoded, changes);
}

}  // namespace
}  // namespace volumix
