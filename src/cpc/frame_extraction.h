#pragma once

#include <cstdint>
#include <vector>

#include "cpc/palette.h"
#include "cpc/screen_format.h"

namespace volumix {

// Room for the largest extraction there is: a screen delta listing every
// byte of the image (3 each) plus its end marker. A point list (2 a byte) and
// a sprite block (an 80 x 200 box) need less, so no extraction is ever cut.
inline constexpr int32_t FrameRecordCapacity = ScreenBytes * 3 + 2;

// One frame's export data.
struct FrameRecord {
    std::vector<uint8_t> data = std::vector<uint8_t>(FrameRecordCapacity);
    int32_t frameNumber = 0;
    int32_t length = 0;
    uint8_t bank = 0;  // 0 without banks, 4..8 with

    // Refused (false, record unchanged) when the record is full.
    bool appendByte(uint8_t value);
    bool appendWord(uint16_t value);  // low byte first
};

// The two screens an export keeps across frames and runs: the frame just
// encoded, and the one the next delta is taken against. Both start as zeros.
struct ScreenImages {
    ScreenImage currentImage{};
    ScreenImage previousImage{};
    // Offsets (ascending) where the pre-roll differs from its reference. The
    // first delta after it lists them whatever they hold: frame 0 plays both
    // after the start screen (the reference) and after the last frame (the
    // pre-roll), and the XOR mark alone misses a byte that frame 0 holds as
    // pre-roll XOR 0xAA.
    std::vector<uint16_t> preRollOffsets;
};

// What every extraction needs to encode the frame.
struct FrameEncoding {
    const uint32_t* framePixels = nullptr;  // 768 x 200
    int32_t screenMode = 1;
    InkArray inks = DefaultInks;
    int32_t bytesPerLine = 80;  // 2 x R1
    bool linear = false;
};

// How a sprite block's bytes follow its header: line by line, or down one
// or two byte columns at a time.
enum SpriteLayout : int32_t {
    SpriteLayoutLines = 1,
    SpriteLayoutOneColumn = 2,
    SpriteLayoutTwoColumns = 3,
};

// Each extraction encodes the frame into images.currentImage, then appends
// the frame's data to the record. Without a record (the pre-roll frame) it
// only prepares previousImage: bytes differing from the reference (the
// background, or zeros) are marked by XOR 0xAA first, for delta and sprite,
// and their offsets kept for the next delta.

// Changed bytes: (base + offset) word and value per change, then 00 00.
void extractScreenDelta(ScreenImages& images, const FrameEncoding& encoding, FrameRecord* record,
                        uint16_t baseAddress, const ScreenImage* background);

// Bounding box of the non-zero bytes on the standard 80-byte layout: XD, YD,
// XA, YA (or the two sizes with `sizeOnlyHeader`), then its bytes in the
// order of `layout` (lines, one column, two columns).
void extractSprite(ScreenImages& images, const FrameEncoding& encoding, FrameRecord* record,
                   const ScreenImage* background, bool sizeOnlyHeader, int32_t layout);

// One word per lit byte: offset plus 0x0000, 0x4000, 0x8000 or 0xC000 for the
// first of the bit pairs 0x88, 0x44, 0x22, 0x11 set; then 00 00.
// previousImage is not touched.
void extractPoints(ScreenImages& images, const FrameEncoding& encoding, FrameRecord* record);

// Packs a screen delta into groups of up to four consecutive addresses
// (low byte, then high bits 8..13 with 4 - n in the top two bits, then the
// n values), ended by 00 00. Returns and stores the new length.
int32_t compressDelta(FrameRecord& record);

}  // namespace volumix
