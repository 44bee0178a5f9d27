#include "platform/dib_surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace volumix {

namespace {
// Surfaces are frames and editor views; anything beyond this is a caller error.
constexpr int64_t MaxSurfacePixels = int64_t{1} << 26;
}  // namespace

CDibSurface::CDibSurface(CDibSurface&& other) noexcept { *this = std::move(other); }

CDibSurface& CDibSurface::operator=(CDibSurface&& other) noexcept {
    if (this != &other) {
        storage_ = std::move(other.storage_);
        width = std::exchange(other.width, 0);
        height = std::exchange(other.height, 0);
        bits = std::exchange(other.bits, nullptr);
        ready = std::exchange(other.ready, 0);
    }
    return *this;
}

bool CDibSurface::create(int32_t newWidth, int32_t newHeight) {
    if (newWidth <= 0 || newHeight <= 0) return false;
    if (static_cast<int64_t>(newWidth) * newHeight > MaxSurfacePixels) return false;
    try {
        storage_.assign(static_cast<size_t>(newWidth) * static_cast<size_t>(newHeight), 0u);
    } catch (const std::bad_alloc&) {
        return false;
    }
    width = newWidth;
    height = newHeight;
    bits = storage_.data();
    ready = 1;
    return true;
}

void CDibSurface::release() {
    storage_.clear();
    storage_.shrink_to_fit();
    bits = nullptr;
    width = 0;
    height = 0;
    ready = 0;
}

void CDibSurface::fill(uint32_t value) {
    if (bits == nullptr || pixelCount() <= 0) return;
    std::fill(bits, bits + pixelCount(), value);
}

void CDibSurface::blit(const PixelView& target, int32_t x, int32_t y, int32_t scaleX, int32_t scaleY) const {
    if (bits == nullptr) return;
    stretchCopy(bits, width, height, target, x, y, scaleX, scaleY);
}

namespace {

// One group: every column takes the largest value, compared as signed and
// starting from 0.
void widenGroup(uint32_t* group, int32_t size) {
    int32_t largest = 0;
    for (int32_t i = 0; i < size; ++i) largest = std::max(largest, static_cast<int32_t>(group[i]));
    std::fill(group, group + size, static_cast<uint32_t>(largest));
}

// True when a group of 2 or 4 columns already holds one colour that is not
// negative, so widening leaves it as it is: most of a frame is background.
// Read as 64-bit words, a few instructions a group, and nothing is written.
template <int32_t Size>
bool alreadyWide(const uint32_t* group) {
    uint64_t pair;
    std::memcpy(&pair, group, sizeof pair);
    if (static_cast<uint32_t>(pair) != static_cast<uint32_t>(pair >> 32) || (pair & 0x8000000080000000ull) != 0)
        return false;
    if constexpr (Size == 4) {
        uint64_t second;
        std::memcpy(&second, group + 2, sizeof second);
        return second == pair;
    }
    return true;
}

// A whole line, the group size fixed so that the group's loops unroll.
template <int32_t Size>
void widenLine(uint32_t* line, int32_t width) {
    int32_t x = 0;
    for (; x + Size <= width; x += Size) {
        if (!alreadyWide<Size>(line + x)) widenGroup(line + x, Size);
    }
    if (x < width) widenGroup(line + x, width - x);
}

}  // namespace

void CDibSurface::widenPixels(int32_t groupSize) {
    if (bits == nullptr || groupSize < 2) return;
    for (int32_t y = 0; y < height; ++y) {
        uint32_t* line = row(y);
        if (groupSize == 4)
            widenLine<4>(line, width);
        else if (groupSize == 2)
            widenLine<2>(line, width);
        else
            for (int32_t x = 0; x < width; x += groupSize) widenGroup(line + x, std::min(groupSize, width - x));
    }
}

}  // namespace volumix
