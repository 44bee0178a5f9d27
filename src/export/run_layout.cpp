#include "export/run_layout.h"

namespace volumix {

namespace {

Failure refusal(FailureCode code, int64_t count = 0) {
    Failure failure;
    failure.code = code;
    failure.count = count;
    return failure;
}

}  // namespace

Failure runMemoryLayout(const ExportFormat& format, RunMemoryLayout& layout) {
    layout = RunMemoryLayout{};
    const uint16_t base = format.baseAddress & 0xC000;
    layout.screens = {base, base};
    layout.indexAddress = indexAddress(format.banks);
    if (!format.doubleBuffer) return {};

    if (format.points()) return refusal(FailurePointsNotPlayed);
    if (const SpriteFrames* sprite = format.sprite(); sprite != nullptr && sprite->sizeOnlyHeader)
        return refusal(FailureSizeHeaderNotPlayed);
    if (format.banks && base == BankWindowAddress) return refusal(FailureBanksHideScreen);
    if (!format.banks && base == 0x0000) {
        Failure none = refusal(FailureNoSecondScreen);
        none.begin = MainDataAddress;
        none.otherBegin = base;
        none.otherEnd = base + CpcPageBytes;
        return none;
    }

    // The large part starts at &0200 (main memory) or &4000 (bank 8) and
    // runs up to the first screen above it; the index and the player either
    // keep their place beyond that screen or move to the top of the part.
    const uint32_t start = format.banks ? BankWindowAddress : MainDataAddress;
    uint16_t second = 0;
    bool moved = false;
    if (!format.banks) {
        second = base == 0x4000 ? 0xC000 : static_cast<uint16_t>(base ^ 0x4000);  // C000 <-> 8000
        moved = base != 0x4000;
    } else {
        second = base == 0x8000 ? 0x0000 : static_cast<uint16_t>(base ^ 0xC000);  // 0000 <-> C000
        moved = base != 0x8000;
    }
    layout.doubleBuffer = true;
    layout.screens = {base, second};
    uint32_t end = 0x10000;
    for (const uint32_t screen : layout.screens)
        if (screen >= start && screen < end) end = screen;
    if (moved) {
        end -= MovedPlayerRoom + MovedIndexRoom;
        layout.indexAddress = static_cast<uint16_t>(end);
    }
    layout.largeCapacity = static_cast<int32_t>(end - start);
    return {};
}

int32_t storedFrameCount(int32_t frameCount, int32_t firstFrame, int32_t frameStep) {
    if (frameCount <= firstFrame || frameStep < 1) return 0;
    return (frameCount - 1 - firstFrame) / frameStep + 1;
}

Failure doubleBufferRefusal(const ExportFormat& format, int32_t storedFrames) {
    if (!format.doubleBuffer) return {};
    RunMemoryLayout layout;
    if (Failure failure = runMemoryLayout(format, layout); failure.failed()) return failure;
    if (storedFrames % 2 != 0) return refusal(FailureOddFrameCount, storedFrames);
    return {};
}

}  // namespace volumix
