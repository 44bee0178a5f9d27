#include <algorithm>
#include <array>
#include <cstring>
#include <string>

#include "platform/dib_surface.h"
#include "cpc/screen_codec.h"
#include "cpc/amsdos_checksum.h"
#include "platform/file_io.h"

namespace volumix {

namespace {

constexpr uint8_t MjhRunToken = 0x01;

bool startsWithMjh(const uint8_t* bytes, size_t available) {
    return available >= 3 && bytes[0] == 'M' && bytes[1] == 'J' && bytes[2] == 'H';
}

// The stored sum must match. An all-zero start also "matches", but no real
// header is all zeros (the name is space-padded, the type is set): it is a
// headerless screen whose top lines are black, and taking it would shift the
// whole image by 128 bytes.
bool headerChecksumHolds(const uint8_t* header) {
    const bool allZero = std::all_of(header, header + AmsdosChecksummedBytes, [](uint8_t byte) { return byte == 0; });
    return !allZero && amsdosChecksumValid(header);
}

// Takes the image's embedded mode and inks into the screen. The mode byte is
// kept as read, even outside 0..2; decoding then draws nothing with it.
void takeEmbeddedPalette(CCpcScreen& screen) {
    screen.mode = screen.image[PaletteModeOffset];
    // A byte that names no hardware colour shows black, so it is taken as
    // colour 0 (black): no file written from these inks carries a colour the
    // CPC does not have.
    for (int32_t k = 0; k < InkCount; ++k) {
        const int32_t colour = screen.image[PaletteInksOffset + k];
        screen.inks[k] = colour < HardwareColourCount ? colour : 0;
    }
}

// The frame columns of every byte value in one mode, so decoding a byte is a
// copy instead of unpacking and colouring each pixel.
using ByteColumns = std::array<std::array<uint32_t, FrameColumnsPerByte>, 256>;

void buildByteColumns(ByteColumns& table, int32_t mode, const InkArray& inks) {
    std::array<uint32_t, InkCount> colours{};
    // Hardware numbers outside 0..26 (possible from an embedded palette)
    // come out black.
    for (int32_t k = 0; k < InkCount; ++k) colours[k] = hardwareColourPixel(inks[k]);
    const ScreenModeTraits& traits = ScreenModes[mode];
    for (int32_t value = 0; value < 256; ++value) {
        int32_t pixelInks[8];
        unpackScreenByte(mode, static_cast<uint8_t>(value), pixelInks);
        for (int32_t column = 0; column < FrameColumnsPerByte; ++column)
            table[value][column] = colours[pixelInks[column / traits.columnsPerPixel]];
    }
}

// Gives each group of columns from `from` on the colour of its first column.
template <int32_t Group>
void fillGroups(uint32_t* line, int32_t from) {
    for (int32_t x = from; x < FrameWidth; x += Group)
        for (int32_t k = 1; k < Group; ++k) line[x + k] = line[x];
}

}  // namespace

bool hasEmbeddedPalette(const ScreenImage& image) {
    return std::equal(PaletteSignature.begin(), PaletteSignature.end(), image.begin() + PaletteSignatureOffset);
}

ScrLoadResult loadScr(CCpcScreen& screen, const std::filesystem::path& path, int32_t& modeResult,
                      const InkArray& callerInks, bool takePalette, Failure* failure) {
    const auto bytes = readFileBytes(path, AmsdosHeaderBytes + ScreenBytes, failure);
    if (!bytes) return ScrOpenFailed;
    // Exactly one screen of bytes is a bare image, as many tools write them;
    // anything else must start with a valid AMSDOS header.
    const bool headerless = bytes->size() == static_cast<size_t>(ScreenBytes);
    if (!headerless && (bytes->size() < AmsdosHeaderBytes || !headerChecksumHolds(bytes->data()))) {
        report(failure, fileFailure(FailureNotScreen, path.string()));
        return ScrBadHeader;
    }

    // A short file leaves the rest of the image as it was.
    std::copy(bytes->begin() + (headerless ? 0 : AmsdosHeaderBytes), bytes->end(), screen.image.begin());
    if (startsWithMjh(screen.image.data(), screen.image.size())) decompressMjh(screen.image);
    screen.inks = callerInks;
    if (takePalette && hasEmbeddedPalette(screen.image)) {
        takeEmbeddedPalette(screen);
        // A mode byte that names no screen mode is not handed on: the caller's
        // controls keep a mode they can show.
        if (isScreenMode(screen.mode)) modeResult = screen.mode;
    }
    return ScrOk;
}

void decompressMjh(ScreenImage& image) {
    const ScreenImage source = image;
    image.fill(0);
    constexpr size_t end = ScreenBytes;
    size_t s = 0;
    size_t o = 0;
    // Blocks follow each other until the image is full, the source runs out
    // or something other than a block header comes; a token cut by the end
    // of the source ends everything.
    while (o < end && s + 5 <= end && startsWithMjh(source.data() + s, end - s)) {
        const size_t n = source[s + 3] | (source[s + 4] << 8);
        s += 5;
        size_t produced = 0;
        while (produced < n && o < end) {
            if (s >= end) return;
            if (startsWithMjh(source.data() + s, end - s)) break;
            const uint8_t b = source[s++];
            if (b != MjhRunToken) {
                image[o++] = b;
                ++produced;
                continue;
            }
            if (s + 2 > end) return;
            const size_t count = source[s] == 0 ? 256 : source[s];
            const uint8_t value = source[s + 1];
            s += 2;
            // The rest of a run past the block's length or the image is skipped.
            const size_t written = std::min({count, n - produced, end - o});
            std::fill_n(image.begin() + o, written, value);
            o += written;
            produced += written;
        }
    }
}

void decodeToFrame(CCpcScreen& screen, uint32_t* framePixels, int32_t screenMode, int32_t bytesPerLine,
                   bool takePalette) {
    if (framePixels == nullptr) return;
    int32_t mode = screenMode;
    if (takePalette && hasEmbeddedPalette(screen.image)) {
        takeEmbeddedPalette(screen);
        mode = screen.mode;
    }
    // An unknown mode (from the caller or an embedded palette) leaves the
    // frame untouched rather than guessing a bit layout.
    if (!isScreenMode(mode)) return;

    ByteColumns table;
    buildByteColumns(table, mode, screen.inks);
    const int64_t lineBytes = std::max(bytesPerLine, 0);
    // Bytes past the frame's 768 columns are dropped.
    const int32_t shownBytes = static_cast<int32_t>(std::min<int64_t>(lineBytes, FrameBytesPerLine));
    // Decoded and blackened columns already hold whole pixels; only the
    // columns beyond them need the group fill. Its size follows the mode the
    // image is decoded in, so a taken palette cannot be smeared by a stale
    // caller mode.
    const int32_t group = ScreenModes[static_cast<size_t>(mode)].columnsPerPixel;
    const int32_t fillFrom = FrameColumnsPerByte * shownBytes;

    for (int32_t y = 0; y < FrameHeight; ++y) {
        uint32_t* line = framePixels + static_cast<int64_t>(y) * FrameWidth;
        const int64_t address = screenLineAddress(y, static_cast<int32_t>(lineBytes), false);
        // A line is decoded only when (y + 1) lines of its width fit the
        // image: conservative, but every line that passes lies inside it.
        if ((y + 1) * lineBytes > ScreenBytes || address + shownBytes > ScreenBytes) {
            std::fill(line, line + fillFrom, 0u);
        } else {
            const uint8_t* in = screen.image.data() + address;
            for (int32_t j = 0; j < shownBytes; ++j)
                std::memcpy(line + FrameColumnsPerByte * j, table[in[j]].data(), sizeof table[in[j]]);
        }
        if (group == 4) fillGroups<4>(line, fillFrom);
        if (group == 2) fillGroups<2>(line, fillFrom);
    }
}

}  // namespace volumix
