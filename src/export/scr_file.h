#pragma once

#include <cstdint>
#include <string>

#include "cpc/palette.h"
#include "cpc/screen_format.h"

namespace volumix {

// "%s%03d.SCR" from the prefix and the frame index.
std::string frameScrPath(const std::string& prefix, int32_t frameIndex);

// Creates the frame's .SCR file, stores the mode at 0x17D0 and the 16 inks at
// 0x17D1.. in the image (they stay there), then writes the AMSDOS header
// (load 0xC000, length 0x4000) and the 16384 image bytes, 16512 in all.
// False when the file cannot be created (the image is then left as it was)
// or written.
bool writeFrameScr(const std::string& prefix, int32_t frameIndex, int32_t screenMode, const InkArray& inks,
                   ScreenImage& currentImage);

}  // namespace volumix
