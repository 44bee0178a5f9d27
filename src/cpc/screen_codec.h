#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "cpc/palette.h"
#include "cpc/screen_format.h"
#include "platform/failure.h"

namespace volumix {

// Encodes the 200 lines of a 768 x 200 frame into the image: each pixel's
// first column is mapped back to its ink (first ink of that colour, 0 when
// none) and packed by the mode's bit layout, byte j of line y going to
// screenLineAddress(y) + j. Addresses past the image are dropped; bytes whose
// columns lie past the frame's 768 encode as ink 0. Bytes no line reaches
// keep their content. Modes other than 0..2 encode nothing.
void encodeScreen(const uint32_t* framePixels, ScreenImage& target, int32_t screenMode, const InkArray& inks,
                  int32_t bytesPerLine, bool linear);

// One screen as loaded from a .SCR file: its video memory, the inks it is
// decoded with and its mode (set when an embedded palette is taken).
struct CCpcScreen {
    ScreenImage image{};
    InkArray inks = DefaultInks;
    int32_t mode = 0;
};

enum ScrLoadResult : int32_t {
    ScrOk = 0,
    ScrOpenFailed = 1,
    ScrBadHeader = 2,  // shorter than a header, its checksum is wrong, or it is
                       // all zeros (a headerless screen, not a header)
};

// True when the image carries the four palette signature bytes.
bool hasEmbeddedPalette(const ScreenImage& image);

// Reads a .SCR file: the AMSDOS header's checksum must hold, then up to
// ScreenBytes image bytes (a short file fills only the start), expanded when
// MJH compressed. A file of exactly ScreenBytes bytes is a bare image, read
// whole. The screen takes the caller's inks; with `takePalette` and an
// embedded palette, the image's mode and inks instead, and `modeResult` gets
// the mode. On failure the screen and the mode are unchanged, and `failure`
// (when given) says why.
ScrLoadResult loadScr(CCpcScreen& screen, const std::filesystem::path& path, int32_t& modeResult,
                      const InkArray& callerInks, bool takePalette, Failure* failure = nullptr);

// Expands an MJH-compressed image in place, block by block; stops at the end
// of the source image and at the end of the image, whatever they hold.
void decompressMjh(ScreenImage& image);

// Decodes the image (CPC line layout) into a 768 x 200 frame: lines whose end
// would pass the image are black, bytes past column 767 are dropped, and each
// group of the mode's columnsPerPixel columns takes the colour of its first
// column. With `takePalette` and an embedded palette, the screen's mode and
// inks come from the image first. The screen's own inks colour the pixels.
void decodeToFrame(CCpcScreen& screen, uint32_t* framePixels, int32_t screenMode, int32_t bytesPerLine,
                   bool takePalette);

}  // namespace volumix
