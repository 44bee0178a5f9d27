#include "cpc/screen_format.h"

namespace volumix {

namespace {

// Bit of the screen byte that holds bit `b` of pixel `p`, per mode.
constexpr int Mode0Bits[2][4] = {{7, 3, 5, 1}, {6, 2, 4, 0}};

}  // namespace

uint8_t packScreenByte(int32_t mode, const int32_t* pixelInks) {
    unsigned value = 0;
    switch (mode) {
        case 0:
            for (int p = 0; p < 2; ++p)
                for (int b = 0; b < 4; ++b) value |= ((pixelInks[p] >> b) & 1u) << Mode0Bits[p][b];
            break;
        case 1:
            for (int p = 0; p < 4; ++p) value |= ((pixelInks[p] & 1u) << (7 - p)) | (((pixelInks[p] >> 1) & 1u) << (3 - p));
            break;
        case 2:
            for (int p = 0; p < 8; ++p) value |= (pixelInks[p] & 1u) << (7 - p);
            break;
        default:
            break;
    }
    return static_cast<uint8_t>(value);
}

void unpackScreenByte(int32_t mode, uint8_t value, int32_t* pixelInks) {
    switch (mode) {
        case 0:
            for (int p = 0; p < 2; ++p) {
                pixelInks[p] = 0;
                for (int b = 0; b < 4; ++b) pixelInks[p] |= ((value >> Mode0Bits[p][b]) & 1) << b;
            }
            break;
        case 1:
            for (int p = 0; p < 4; ++p) pixelInks[p] = ((value >> (7 - p)) & 1) | (((value >> (3 - p)) & 1) << 1);
            break;
        case 2:
            for (int p = 0; p < 8; ++p) pixelInks[p] = (value >> (7 - p)) & 1;
            break;
        default:
            break;
    }
}

}  // namespace volumix
