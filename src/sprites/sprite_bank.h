#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/failure.h"
#include "render/sprite_pixels.h"

namespace volumix {

// 256 sprites of 16 rows x 32 ink bytes. Byte (r, c) of sprite n is
// bytes[n * 512 + r * 32 + c]; each byte is an ink number 0..15. A sprite of
// side s uses rows 0..s-1 and columns 0..2s-1.
struct SpriteBank {
    std::vector<uint8_t> bytes = std::vector<uint8_t>(SpriteBankBytes, 1);
    // Changed since last loaded from or saved to a .spt file: the editor sets
    // it with every change, loadSpt and saveSpt clear it.
    bool unsaved = false;

    const uint8_t* sprite(int32_t index) const { return bytes.data() + static_cast<size_t>(index) * SpriteBytes; }
    uint8_t* sprite(int32_t index) { return bytes.data() + static_cast<size_t>(index) * SpriteBytes; }
};

enum SptLoadResult : int32_t {
    SptOk = 0,
    SptOpenFailed = 1,
};

// Reads up to 131072 bytes of a .spt file over the start of the bank: a short
// file replaces only the leading part. Bytes above 15 have no ink and are
// masked to their low four bits. A file that cannot be read leaves the bank
// unchanged.
SptLoadResult loadSpt(SpriteBank& bank, const std::filesystem::path& path, Failure* failure = nullptr);

// Writes the 131072 bytes. The existing file is replaced only once the new one
// is complete; false on failure.
bool saveSpt(SpriteBank& bank, const std::filesystem::path& path);

// The sprite a run draws for the frame after one that used `spriteIndex`:
// -1 (the pre-roll's "no sprite") and each index step by one, wrapping to 0
// once the count is reached.
int32_t nextSpriteIndex(int32_t spriteIndex, int32_t spriteCount);

}  // namespace volumix
