#include "export/scr_file.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "export/amsdos.h"

namespace volumix {

namespace {

// A screen file loads over the firmware's screen block; its whole image is
// one AMSDOS length.
constexpr uint16_t ScrLoadAddress = DefaultScreenBase;
static_assert(ScreenBytes <= UINT16_MAX, "an AMSDOS length is 16 bits");
constexpr uint16_t ScrLength = ScreenBytes;

}  // namespace

std::string frameScrPath(const std::string& prefix, int32_t frameIndex) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", frameIndex);
    return prefix + number + ".SCR";
}

FileWriteResult writeFrameScr(const std::string& prefix, int32_t frameIndex, int32_t screenMode, const InkArray& inks,
                              ScreenImage& currentImage) {
    const std::string path = frameScrPath(prefix, frameIndex);
    std::vector<uint8_t> bytes(AmsdosHeaderBytes + currentImage.size());
    const AmsdosHeader header = buildAmsdosHeader(path, ScrLoadAddress, ScrLength, 0);
    std::copy(header.begin(), header.end(), bytes.begin());
    uint8_t* image = bytes.data() + AmsdosHeaderBytes;
    std::copy(currentImage.begin(), currentImage.end(), image);
    image[PaletteModeOffset] = static_cast<uint8_t>(screenMode);
    for (int32_t k = 0; k < InkCount; ++k) image[PaletteInksOffset + k] = static_cast<uint8_t>(inks[k]);
    FileWriteResult written = writeFileReplacing(path, bytes);
    // The mode and inks stay in the image once the file is written: the next
    // frame's delta is taken against an image that already holds them (where
    // the encoder does not rewrite these spare bytes).
    if (written) std::copy(image, image + currentImage.size(), currentImage.begin());
    return written;
}

}  // namespace volumix
