#pragma once

// For the tests: a GIF read back with giflib, each frame as 0x00RRGGBB
// pixels through its own colour table (or the global one).

#include <gif_lib.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace volumix::test {

struct GifReadBack {
    bool ok = false;
    std::string error;
    int32_t width = 0;
    int32_t height = 0;
    int32_t globalColours = 0;
    bool loopsForever = false;  // NETSCAPE2.0 with a count of 0
    std::vector<int32_t> delays;          // hundredths of a second, per frame
    std::vector<bool> ownTable;           // the frame carries its own colour table
    std::vector<std::vector<uint32_t>> frames;
};

inline GifReadBack readGifBack(const std::filesystem::path& path) {
    GifReadBack back;
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr) {
        back.error = GifErrorString(error);
        return back;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        back.error = GifErrorString(gif->Error);
        DGifCloseFile(gif, &error);
        return back;
    }
    back.width = gif->SWidth;
    back.height = gif->SHeight;
    back.globalColours = gif->SColorMap != nullptr ? gif->SColorMap->ColorCount : 0;
    for (int i = 0; i < gif->ImageCount; ++i) {
        const SavedImage& image = gif->SavedImages[i];
        for (int e = 0; e + 1 < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = image.ExtensionBlocks[e];
            const ExtensionBlock& next = image.ExtensionBlocks[e + 1];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::memcmp(block.Bytes, "NETSCAPE2.0", 11) == 0 && next.ByteCount == 3 && next.Bytes[0] == 1)
                back.loopsForever = next.Bytes[1] == 0 && next.Bytes[2] == 0;
        }
        GraphicsControlBlock control{};
        back.delays.push_back(DGifSavedExtensionToGCB(gif, i, &control) == GIF_OK ? control.DelayTime : -1);
        const ColorMapObject* map = image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : gif->SColorMap;
        back.ownTable.push_back(image.ImageDesc.ColorMap != nullptr);
        std::vector<uint32_t> pixels(static_cast<size_t>(image.ImageDesc.Width) * image.ImageDesc.Height);
        for (size_t k = 0; k < pixels.size(); ++k) {
            const int entry = image.RasterBits[k];
            if (map == nullptr || entry >= map->ColorCount) {
                pixels[k] = 0xFFFFFFFFu;  // no such colour: never a frame pixel
                continue;
            }
            const GifColorType& c = map->Colors[entry];
            pixels[k] = (uint32_t{c.Red} << 16) | (uint32_t{c.Green} << 8) | c.Blue;
        }
        back.frames.push_back(std::move(pixels));
    }
    DGifCloseFile(gif, &error);
    back.ok = true;
    return back;
}

}  // namespace volumix::test
