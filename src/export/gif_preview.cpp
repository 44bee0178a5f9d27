#include "export/gif_preview.h"

#include <algorithm>

#include "platform/device_context.h"

namespace volumix {

namespace {

int32_t componentDistance(uint32_t a, uint32_t b) {
    int32_t sum = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int32_t d = static_cast<int32_t>((a >> shift) & 0xFF) - static_cast<int32_t>((b >> shift) & 0xFF);
        sum += d * d;
    }
    return sum;
}

uint8_t entryOfColour(const GifPalette& palette, uint32_t pixel) {
    constexpr int32_t used = GifBlackEntry + 1;
    for (int32_t k = 0; k < used; ++k)
        if (palette[static_cast<size_t>(k)] == pixel) return static_cast<uint8_t>(k);
    int32_t best = 0;
    for (int32_t k = 1; k < used; ++k)
        if (componentDistance(palette[static_cast<size_t>(k)], pixel) <
            componentDistance(palette[static_cast<size_t>(best)], pixel))
            best = k;
    return static_cast<uint8_t>(best);
}

}  // namespace

GifPalette gifPaletteOfInks(const InkArray& inks) {
    GifPalette palette{};  // black beyond the inks
    for (int32_t k = 0; k < InkCount; ++k)
        palette[static_cast<size_t>(k)] = hardwareColourPixel(inks[static_cast<size_t>(k)]);
    return palette;
}

void previewEntries(const CDibSurface& frame, int32_t crtcR1, const GifPalette& palette, CDibSurface& scratch,
                    std::vector<uint8_t>& entries) {
    if (scratch.width != frame.width || scratch.height != frame.height || !scratch.ready)
        scratch.create(frame.width, frame.height);
    std::copy(frame.bits, frame.bits + frame.pixelCount(), scratch.bits);
    CDeviceContext context(scratch);
    blackenOutsidePicture(context, crtcR1);

    entries.resize(static_cast<size_t>(scratch.pixelCount()));
    // Frames are long runs of one colour: look up only where it changes.
    uint32_t lastPixel = palette[0];
    uint8_t lastEntry = 0;
    for (int64_t i = 0; i < scratch.pixelCount(); ++i) {
        const uint32_t pixel = scratch.bits[i];
        if (pixel != lastPixel) {
            lastPixel = pixel;
            lastEntry = entryOfColour(palette, pixel);
        }
        entries[static_cast<size_t>(i)] = lastEntry;
    }
}

#ifndef VOLUMIX_WITH_GIF
// Built without giflib: the writer refuses every file.
struct GifPreviewWriter::Encoder {};

bool gifPreviewAvailable() { return false; }
GifPreviewWriter::GifPreviewWriter() = default;
GifPreviewWriter::~GifPreviewWriter() = default;

bool GifPreviewWriter::open(const std::filesystem::path& path) {
    failure_ = fileFailure(FailureGifMissing, path.string());
    return false;
}
bool GifPreviewWriter::addFrame(const CDibSurface&, const InkArray&, int32_t) { return false; }
bool GifPreviewWriter::finish() { return false; }
void GifPreviewWriter::abandon() {}
#endif

}  // namespace volumix
