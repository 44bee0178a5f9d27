#include "cpc/amsdos_checksum.h"

namespace volumix {

uint16_t amsdosChecksum(const uint8_t* header) {
    uint32_t sum = 0;
    for (int32_t k = 0; k < AmsdosChecksummedBytes; ++k) sum += header[k];
    return static_cast<uint16_t>(sum);
}

bool amsdosChecksumValid(const uint8_t* header) {
    const int32_t at = AmsdosChecksummedBytes;
    const uint16_t stored = static_cast<uint16_t>(header[at] | (header[at + 1] << 8));
    return stored == amsdosChecksum(header);
}

}  // namespace volumix
