#include "export/beam_replay.h"

#include <algorithm>
#include <cstring>

namespace volumix {

namespace {

constexpr int64_t LineNops = 64;

// What a displayed line shows against the screen at the picture's start
// (older) and at its end (newer).
enum LineState : uint8_t {
    LineSame = 0,  // nothing changed there, or every change shows
    LineOld,       // shows the older state where the newer differs
    LineNew,       // shows the newer state where the older differs
    LineMixed,     // both, or a state that is neither
};

}  // namespace

MonitorPlayback replayWithBeam(const CpcMachine& machine, const std::vector<ScreenImage>& expected,
                               bool fromScrFiles) {
    MonitorPlayback playback;
    ReplayTrace trace;
    playback.report = replayFrames(machine, expected, fromScrFiles, &trace);
    if (playback.report.failure.failed() || trace.lastSync < trace.firstSync || trace.startMemory.size() < 0x10000)
        return playback;

    const int32_t width = 2 * std::clamp(machine.crtcR1, 0, 64);
    const int32_t lines = machine.linear ? FrameHeight : 8 * displayedRows(machine.crtcR1);
    std::vector<int32_t> lineStart(static_cast<size_t>(lines));
    for (int32_t y = 0; y < lines; ++y) lineStart[static_cast<size_t>(y)] = static_cast<int32_t>(screenLineAddress(y, width, machine.linear));

    std::vector<uint8_t> memory = trace.startMemory;
    size_t nextWrite = 0, nextR12 = 0;
    uint8_t r12 = trace.startR12;
    const std::vector<MemoryWrite>& writes = trace.writes;
    const auto applyBefore = [&](int64_t time) {  // the writes made before `time`
        while (nextWrite < writes.size() && writes[nextWrite].time < time) {
            memory[writes[nextWrite].address] = writes[nextWrite].value;
            ++nextWrite;
        }
    };

    const int64_t count = trace.lastSync - trace.firstSync + 1;
    playback.pictures.resize(static_cast<size_t>(count));
    playback.torn.assign(static_cast<size_t>(count), 0);
    playback.tearLine.assign(static_cast<size_t>(count), -1);
    playback.shownScreens.assign(static_cast<size_t>(count), 0);
    ScreenImage older{};
    ScreenImage newer{};
    for (int64_t k = 0; k < count; ++k) {
        const int64_t pictureStart = (trace.firstSync + k + 1) * NopsPerFrame;
        applyBefore(pictureStart);
        while (nextR12 < trace.r12Writes.size() && trace.r12Writes[nextR12].first < pictureStart)
            r12 = trace.r12Writes[nextR12++].second;
        const size_t screen = size_t{(r12 >> 4) & 3u} * 0x4000;
        playback.shownScreens[static_cast<size_t>(k)] = static_cast<uint16_t>(screen);
        std::memcpy(older.data(), memory.data() + screen, ScreenBytes);

        ScreenImage& picture = playback.pictures[static_cast<size_t>(k)];
        picture = older;
        for (int32_t y = 0; y < lines; ++y) {
            const int64_t lineTime = pictureStart + LineNops * y;
            const int32_t offset = lineStart[static_cast<size_t>(y)];
            const int32_t bytes = std::min<int32_t>(width, ScreenBytes - offset);
            if (bytes <= 0) continue;
            // Most lines see no write while the beam reads them.
            if (nextWrite >= writes.size() || writes[nextWrite].time >= lineTime + (bytes - 1) / 2 + 1) {
                applyBefore(lineTime);
                std::memcpy(picture.data() + offset, memory.data() + screen + offset, static_cast<size_t>(bytes));
                continue;
            }
            for (int32_t x = 0; x < bytes; ++x) {
                applyBefore(lineTime + x / 2 + 1);  // a write within the beam's µs shows
                picture[static_cast<size_t>(offset + x)] = memory[screen + static_cast<size_t>(offset + x)];
            }
        }
        applyBefore(pictureStart + LineNops * lines);
        std::memcpy(newer.data(), memory.data() + screen, ScreenBytes);

        // Each line's state, then where the picture changes state.
        LineState seen = LineSame;
        for (int32_t y = 0; y < lines; ++y) {
            const int32_t offset = lineStart[static_cast<size_t>(y)];
            const int32_t bytes = std::min<int32_t>(width, ScreenBytes - offset);
            bool oldShown = false, newShown = false, neither = false;
            for (int32_t x = 0; x < bytes; ++x) {
                const size_t at = static_cast<size_t>(offset + x);
                const uint8_t was = older[at], is = newer[at], got = picture[at];
                if (was == is) {
                    neither = neither || got != was;
                } else if (got == was) {
                    oldShown = true;
                } else if (got == is) {
                    newShown = true;
                } else {
                    neither = true;
                }
            }
            const LineState state = neither || (oldShown && newShown) ? LineMixed
                                    : oldShown                        ? LineOld
                                    : newShown                        ? LineNew
                                                                      : LineSame;
            if (state == LineSame) continue;
            if (state == LineMixed || (seen != LineSame && state != seen)) {
                playback.torn[static_cast<size_t>(k)] = 1;
                playback.tearLine[static_cast<size_t>(k)] = y;
                ++playback.tornCount;
                break;
            }
            seen = state;
        }
    }
    return playback;
}

}  // namespace volumix
