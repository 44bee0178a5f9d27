#include "sprites/sprite_bank.h"

#include <algorithm>

#include "platform/file_io.h"

namespace volumix {

SptLoadResult loadSpt(SpriteBank& bank, const std::filesystem::path& path, Failure* failure) {
    const auto content = readFileBytes(path, SpriteBankBytes, failure);
    if (!content) return SptOpenFailed;
    std::transform(content->begin(), content->end(), bank.bytes.begin(),
                   [](uint8_t value) { return static_cast<uint8_t>(value & SpriteInkMask); });
    bank.unsaved = false;
    return SptOk;
}

bool saveSpt(SpriteBank& bank, const std::filesystem::path& path) {
    if (!writeFileReplacing(path, bank.bytes)) return false;
    bank.unsaved = false;
    return true;
}

int32_t nextSpriteIndex(int32_t spriteIndex, int32_t spriteCount) {
    const int64_t next = int64_t{spriteIndex} + 1;
    return next >= spriteCount ? 0 : static_cast<int32_t>(next);
}

}  // namespace volumix
