#pragma once

#include <cstdint>
#include <string>

#include "cpc/palette.h"
#include "cpc/screen_format.h"
#include "platform/file_io.h"

namespace volumix {

// "%s%03d.SCR" from the prefix and the frame index.
std::string frameScrPath(const std::string& prefix, int32_t frameIndex);

// Creates the frame's .SCR file, stores the mode at 0x17D0 and the 16 inks at
// 0x17D1.. in the image (they stay there), then writes the AMSDOS header
// (loaded at the firmware's screen block, the image's length) and the image.
// The file appears whole or not at all (written under a temporary name, then
// renamed); the result says whether it could be created or written.
FileWriteResult writeFrameScr(const std::string& prefix, int32_t frameIndex, int32_t screenMode, const InkArray& inks,
                   ScreenImage& currentImage);

}  // namespace volumix
