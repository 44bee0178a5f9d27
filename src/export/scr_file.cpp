#include "export/scr_file.h"

#include <cstdio>

#include "export/amsdos.h"

namespace volumix {

namespace {

constexpr uint16_t ScrLoadAddress = 0xC000;
constexpr uint16_t ScrLength = 0x4000;

}  // namespace

std::string frameScrPath(const std::string& prefix, int32_t frameIndex) {
    char number[16];
    std::snprintf(number, sizeof number, "%03d", frameIndex);
    return prefix + number + ".SCR";
}

bool writeFrameScr(const std::string& prefix, int32_t frameIndex, int32_t screenMode, const InkArray& inks,
                   ScreenImage& currentImage) {
    const std::string path = frameScrPath(prefix, frameIndex);
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    // The mode and inks stay in the image: the next frame's delta is taken
    // against an image that already holds them (where the encoder does not
    // rewrite these spare bytes).
    currentImage[PaletteModeOffset] = static_cast<uint8_t>(screenMode);
    for (int32_t k = 0; k < InkCount; ++k) currentImage[PaletteInksOffset + k] = static_cast<uint8_t>(inks[k]);
    bool written = writeAmsdosHeader(file, path, ScrLoadAddress, ScrLength, 0, false);
    written = std::fwrite(currentImage.data(), 1, currentImage.size(), file) == currentImage.size() && written;
    written = std::fclose(file) == 0 && written;
    return written;
}

}  // namespace volumix
