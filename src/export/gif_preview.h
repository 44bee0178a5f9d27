#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "cpc/palette.h"
#include "cpc/show_frame.h"
#include "platform/dib_surface.h"
#include "platform/failure.h"

namespace volumix {

// The window's preview as an animated GIF: each frame as the preview shows it
// (columns from 16 x R1 on black, lines doubled), at the run's 20 ms pace,
// looping.
inline constexpr int32_t GifPreviewWidth = FrameWidth * FrameViewScaleX;
inline constexpr int32_t GifPreviewHeight = FrameHeight * FrameViewScaleY;
inline constexpr int32_t GifPreviewDelay = 2;  // hundredths of a second

// Colour table: inks 0..15, then black (the blackened columns); the rest is
// black too, since a GIF table holds a power of two entries.
inline constexpr int32_t GifPaletteSize = 32;
inline constexpr uint8_t GifBlackEntry = InkCount;
using GifPalette = std::array<uint32_t, GifPaletteSize>;  // 0x00RRGGBB

GifPalette gifPaletteOfInks(const InkArray& inks);

// Turns one widened frame into colour-table entries, one per frame pixel
// (768 x 200; the writer doubles the lines), after blackening it as the
// window does. `scratch` is the blackened copy (the frame itself is left as
// it is, since the export still reads it). A pixel takes the first entry of
// its colour; a colour that no entry holds (none is drawn today) takes the
// nearest one.
void previewEntries(const CDibSurface& frame, int32_t crtcR1, const GifPalette& palette, CDibSurface& scratch,
                    std::vector<uint8_t>& entries);

// False when this build has no GIF support (it was built without giflib).
bool gifPreviewAvailable();

// Writes the frames as they come, so no more than one is held. The file is
// written under a temporary name beside its path and renamed by `finish`;
// until then, and after any failure, no file of that name is made or
// replaced.
class GifPreviewWriter {
public:
    GifPreviewWriter();
    ~GifPreviewWriter();  // an unfinished file is removed
    GifPreviewWriter(const GifPreviewWriter&) = delete;
    GifPreviewWriter& operator=(const GifPreviewWriter&) = delete;

    bool open(const std::filesystem::path& path);
    // The first frame's inks make the global colour table; a frame whose
    // inks differ carries its own table.
    bool addFrame(const CDibSurface& frame, const InkArray& inks, int32_t crtcR1);
    bool finish();
    // Removes the temporary; nothing is left behind.
    void abandon();

    bool failed() const { return failure_.failed(); }
    // The first failure: errno, or the library's words.
    const Failure& failure() const { return failure_; }
    int32_t framesWritten() const { return framesWritten_; }

private:
    struct Encoder;
    std::unique_ptr<Encoder> encoder_;
    Failure failure_;
    int32_t framesWritten_ = 0;
};

}  // namespace volumix
