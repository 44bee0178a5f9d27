#include "cpc/frame_extraction.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>

#include "cpc/screen_codec.h"

namespace volumix {

bool FrameRecord::appendByte(uint8_t value) {
    // A negative length is a corrupt record: refusing keeps it from being
    // used as an index.
    if (length < 0 || length >= static_cast<int32_t>(data.size())) return false;
    data[static_cast<size_t>(length++)] = value;
    return true;
}

bool FrameRecord::appendWord(uint16_t value) {
    if (length < 0 || static_cast<int32_t>(data.size()) - length < 2) return false;
    data[static_cast<size_t>(length)] = static_cast<uint8_t>(value);
    data[static_cast<size_t>(length) + 1] = static_cast<uint8_t>(value >> 8);
    length += 2;
    return true;
}

namespace {

// The sprite box lies on the power-on layout of 80-byte lines, whatever R1
// and the linear option gave the encoder, over the frame's lines.
constexpr int32_t SpriteColumns = 2 * DefaultCrtcR1;
constexpr int32_t SpriteLines = FrameHeight;

constexpr int32_t spriteLineOffset(int32_t y) { return (y >> 3) * SpriteColumns + (y & 7) * ScreenRasterBlock; }

// The box's last byte lies in the image.
static_assert(spriteLineOffset(SpriteLines - 1) + SpriteColumns <= ScreenBytes);

// Worst cases of each extraction: every byte changed or lit, and the whole
// box (two columns pad only past an odd width, and the whole box's is even).
// The record holds each of them whole.
constexpr int32_t DeltaMaxBytes = FrameRecordCapacity;
constexpr int32_t PointsMaxBytes = ScreenBytes * 2 + 2;
constexpr int32_t SpriteMaxBytes = 4 + SpriteColumns * SpriteLines;
static_assert(SpriteColumns % 2 == 0);
static_assert(PointsMaxBytes <= FrameRecordCapacity && SpriteMaxBytes <= FrameRecordCapacity);

// Point lists are of mode-1 screens: the top two bits of a point word number
// the first of the byte's four pixels that is lit, the screen offset fills
// the fourteen below.
constexpr int32_t PointMode = 1;
constexpr int32_t PointTagShift = 14;
static_assert(ScreenBytes <= 1 << PointTagShift);
static_assert(ScreenModes[PointMode].pixelsPerByte << PointTagShift == 1 << 16);

// Writes straight into the record's buffer; only used when the worst case
// is known to fit, so no per-byte check is needed.
struct RawSink {
    uint8_t* out;
    void byte(uint8_t value) { *out++ = value; }
    void word(uint16_t value) {
        out[0] = static_cast<uint8_t>(value);
        out[1] = static_cast<uint8_t>(value >> 8);
        out += 2;
    }
};

// Goes through the record's own appends, refusals included, for a record
// that is already partly filled.
struct CheckedSink {
    FrameRecord& record;
    void byte(uint8_t value) { record.appendByte(value); }
    void word(uint16_t value) { record.appendWord(value); }
};

template <class Write>
void appendTo(FrameRecord& record, int32_t worstCase, Write&& write) {
    const int64_t size = static_cast<int64_t>(record.data.size());
    if (record.length >= 0 && record.length + static_cast<int64_t>(worstCase) <= size) {
        uint8_t* start = record.data.data();
        RawSink sink{start + record.length};
        write(sink);
        record.length = static_cast<int32_t>(sink.out - start);
    } else {
        CheckedSink sink{record};
        write(sink);
    }
}

void encodeFrame(ScreenImages& images, const FrameEncoding& encoding) {
    encodeScreen(encoding.framePixels, images.currentImage, encoding.screenMode, encoding.inks,
                 encoding.bytesPerLine, encoding.linear);
}

// Pre-roll: a byte that differs from the reference is flipped by 0xAA, so
// previousImage never holds the pre-roll byte there, and its offset is kept:
// the first frame lists it whatever it holds there.
void markPreRoll(ScreenImages& images, const ScreenImage* background) {
    static const ScreenImage zeros{};
    uint8_t* current = images.currentImage.data();
    const uint8_t* reference = (background != nullptr ? *background : zeros).data();
    images.preRollOffsets.clear();
    for (int32_t i = 0; i < ScreenBytes; ++i) {
        if (current[i] == reference[i]) continue;
        current[i] ^= 0xAA;
        images.preRollOffsets.push_back(static_cast<uint16_t>(i));
    }
    images.previousImage = images.currentImage;
}

uint64_t load8(const uint8_t* bytes) {
    uint64_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// Changed bytes, and the `listed` offsets (ascending) whether changed or not.
template <class Sink>
void writeDelta(Sink& sink, const ScreenImage& current, const ScreenImage& previous, uint16_t baseAddress,
                const std::vector<uint16_t>& listed) {
    const uint8_t* now = current.data();
    const uint8_t* before = previous.data();
    size_t next = 0;  // the next listed offset
    // Most frames change little: whole 8-byte runs are compared at once.
    for (int32_t block = 0; block < ScreenBytes; block += 8) {
        const bool anyListed = next < listed.size() && listed[next] < block + 8;
        if (!anyListed && load8(now + block) == load8(before + block)) continue;
        for (int32_t i = block; i < block + 8; ++i) {
            const bool isListed = next < listed.size() && listed[next] == i;
            if (isListed) ++next;
            if (!isListed && now[i] == before[i]) continue;
            sink.word(static_cast<uint16_t>(baseAddress + i));
            sink.byte(now[i]);
        }
    }
    sink.word(0);
}

// Top bits of a point word for each byte value: its first lit pixel, the
// first of the bit pairs 0x88, 0x44, 0x22, 0x11 that has a bit set
// (meaningless for 0, which gives no word).
constexpr std::array<uint16_t, 256> PointTags = [] {
    std::array<uint16_t, 256> tags{};
    for (int32_t v = 1; v < 256; ++v) {
        int32_t pixel = 0;
        while ((v & screenPixelBits(PointMode, pixel)) == 0) ++pixel;
        tags[v] = static_cast<uint16_t>(pixel << PointTagShift);
    }
    return tags;
}();

template <class Sink>
void writePoints(Sink& sink, const ScreenImage& current) {
    const uint8_t* bytes = current.data();
    for (int32_t block = 0; block < ScreenBytes; block += 8) {
        if (load8(bytes + block) == 0) continue;
        for (int32_t i = block; i < block + 8; ++i)
            if (bytes[i] != 0) sink.word(static_cast<uint16_t>(i | PointTags[bytes[i]]));
    }
    sink.word(0);
}

struct SpriteBox {
    int32_t left = SpriteColumns - 1;  // XD
    int32_t top = SpriteLines - 1;     // YD
    int32_t right = 0;                 // XA
    int32_t bottom = 0;                // YA
};

SpriteBox findSpriteBox(const ScreenImage& image) {
    SpriteBox box;
    bool found = false;
    for (int32_t y = 0; y < SpriteLines; ++y) {
        const uint8_t* line = image.data() + spriteLineOffset(y);
        int32_t first = 0;
        while (first < SpriteColumns && line[first] == 0) ++first;
        if (first == SpriteColumns) continue;
        int32_t last = SpriteColumns - 1;
        while (line[last] == 0) --last;
        box.left = std::min(box.left, first);
        box.right = std::max(box.right, last);
        if (!found) box.top = y;
        box.bottom = y;
        found = true;
    }
    // An empty image keeps the starting values (79, 199, 0, 0), as expected
    // by playback routines that read the header of an empty frame.
    return box;
}

template <class Sink>
void writeSprite(Sink& sink, const ScreenImage& image, const SpriteBox& box, bool sizeOnlyHeader, int32_t layout) {
    if (sizeOnlyHeader) {
        sink.byte(static_cast<uint8_t>(box.right - box.left + 1));
        sink.byte(static_cast<uint8_t>(box.bottom - box.top + 1));
    } else {
        sink.byte(static_cast<uint8_t>(box.left));
        sink.byte(static_cast<uint8_t>(box.top));
        sink.byte(static_cast<uint8_t>(box.right));
        sink.byte(static_cast<uint8_t>(box.bottom));
    }
    const uint8_t* bytes = image.data();
    auto at = [&](int32_t x, int32_t y) { return bytes[spriteLineOffset(y) + x]; };
    // Any other layout value gets the header alone.
    if (layout == SpriteLayoutLines) {
        for (int32_t y = box.top; y <= box.bottom; ++y)
            for (int32_t x = box.left; x <= box.right; ++x) sink.byte(at(x, y));
    } else if (layout == SpriteLayoutOneColumn) {
        for (int32_t x = box.left; x <= box.right; ++x)
            for (int32_t y = box.top; y <= box.bottom; ++y) sink.byte(at(x, y));
    } else if (layout == SpriteLayoutTwoColumns) {
        for (int32_t x = box.left; x <= box.right; x += 2) {
            const bool pair = x + 1 <= box.right;
            for (int32_t y = box.top; y <= box.bottom; ++y) {
                sink.byte(at(x, y));
                sink.byte(pair ? at(x + 1, y) : 0);
            }
        }
    }
}

}  // namespace

void extractScreenDelta(ScreenImages& images, const FrameEncoding& encoding, FrameRecord* record,
                        uint16_t baseAddress, const ScreenImage* background) {
    encodeFrame(images, encoding);
    if (record == nullptr) {
        markPreRoll(images, background);
        return;
    }
    appendTo(*record, DeltaMaxBytes, [&](auto& sink) {
        writeDelta(sink, images.currentImage, images.previousImage, baseAddress, images.preRollOffsets);
    });
    images.preRollOffsets.clear();
    images.previousImage = images.currentImage;
}

void extractSprite(ScreenImages& images, const FrameEncoding& encoding, FrameRecord* record,
                   const ScreenImage* background, bool sizeOnlyHeader, int32_t layout) {
    encodeFrame(images, encoding);
    if (record == nullptr) {
        markPreRoll(images, background);
        return;
    }
    const SpriteBox box = findSpriteBox(images.currentImage);
    appendTo(*record, SpriteMaxBytes,
             [&](auto& sink) { writeSprite(sink, images.currentImage, box, sizeOnlyHeader, layout); });
    images.preRollOffsets.clear();
    images.previousImage = images.currentImage;
}

void extractPoints(ScreenImages& images, const FrameEncoding& encoding, FrameRecord* record) {
    encodeFrame(images, encoding);
    if (record == nullptr) return;
    appendTo(*record, PointsMaxBytes, [&](auto& sink) { writePoints(sink, images.currentImage); });
}

int32_t compressDelta(FrameRecord& record) {
    // Shorter than an end marker: not a delta, and 00 00 would make it
    // longer, so it is left alone.
    if (record.length < 2) return record.length;
    const int32_t length = std::min(record.length, static_cast<int32_t>(record.data.size()));
    const uint8_t* in = record.data.data();
    // Each entry of 3 bytes becomes at most 3 (1 value + 2 header bytes
    // shared by up to four), so the output never outgrows the input.
    auto scratch = std::make_unique_for_overwrite<uint8_t[]>(static_cast<size_t>(length));
    uint8_t* out = scratch.get();

    int32_t groupStart = -1;  // position of the group's first entry
    int32_t first = 0;        // its address
    int32_t further = 0;      // entries after the first, 0..3
    auto writeGroup = [&] {
        *out++ = static_cast<uint8_t>(first);
        *out++ = static_cast<uint8_t>(((first >> 8) & 0x3F) | ((3 - further) << 6));
        for (int32_t e = 0; e <= further; ++e) *out++ = in[groupStart + 3 * e + 2];
    };
    // Whole entries before the last two bytes; a length that is not 3k + 2
    // leaves a partial entry, which is dropped with the old end marker.
    for (int32_t k = 0; k + 3 <= length - 2; k += 3) {
        const int32_t address = in[k] | (in[k + 1] << 8);
        if (groupStart >= 0 && further < 3 && address == first + further + 1) {
            ++further;
            continue;
        }
        if (groupStart >= 0) writeGroup();
        groupStart = k;
        first = address;
        further = 0;
    }
    if (groupStart >= 0) writeGroup();
    *out++ = 0;
    *out++ = 0;

    record.length = static_cast<int32_t>(out - scratch.get());
    std::copy(scratch.get(), out, record.data.begin());
    return record.length;
}

}  // namespace volumix
