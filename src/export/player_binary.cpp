#include "export/player_binary.h"

namespace volumix {

std::vector<uint8_t> relocatedPlayer(uint16_t origin) {
    std::vector<uint8_t> code = PlayerCode;
    const auto page = static_cast<uint8_t>(origin >> 8);
    for (const uint16_t offset : PlayerRelocations) code[offset] = static_cast<uint8_t>(code[offset] + page);
    return code;
}

}  // namespace volumix
