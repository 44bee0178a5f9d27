#include "gui/monitor_playback.h"

#include <algorithm>

namespace volumix {

MonitorPlayback monitorPlaybackOf(const CpcMachine& machine, const std::vector<ScreenImage>& expected) {
    // Until the beam-timed replay is in (its body is then
    // `return replayWithBeam(machine, expected);`): each frame's screen, as
    // the run drew it, is shown from the sync its frame started at to the
    // sync the next one started at, the loop's frame 0 for its rate's syncs;
    // nothing is torn.
    MonitorPlayback playback;
    playback.report = replayFrames(machine, expected);
    const std::vector<ReplayFrame>& frames = playback.report.frames;
    const ScreenImage blank{};
    for (size_t k = 0; k < frames.size(); ++k) {
        const int32_t from = frames[k].sync;
        const int32_t to = k + 1 < frames.size() ? frames[k + 1].sync : from + playback.report.rate;
        const size_t frame = static_cast<size_t>(frames[k].frame);
        for (int32_t sync = std::max<int32_t>(from, static_cast<int32_t>(playback.pictures.size())); sync < to; ++sync)
            playback.pictures.push_back(frame < expected.size() ? expected[frame] : blank);
    }
    playback.torn.assign(playback.pictures.size(), 0);
    playback.tearLine.assign(playback.pictures.size(), -1);
    return playback;
}

std::vector<int32_t> frameOfEachPicture(const MonitorPlayback& playback) {
    const std::vector<ReplayFrame>& frames = playback.report.frames;
    std::vector<int32_t> positions(playback.pictures.size(), 0);
    size_t k = 0;
    for (size_t picture = 0; picture < positions.size(); ++picture) {
        while (k + 1 < frames.size() && frames[k + 1].sync <= static_cast<int32_t>(picture)) ++k;
        positions[picture] = frames.empty() ? -1 : static_cast<int32_t>(k);
    }
    return positions;
}

int32_t loopRestartPicture(const MonitorPlayback& playback) {
    const std::vector<ReplayFrame>& frames = playback.report.frames;
    if (frames.size() < 2 || playback.pictures.empty()) return 0;
    const int32_t restart = frames[1].sync - frames[0].sync;
    return std::clamp<int32_t>(restart, 0, static_cast<int32_t>(playback.pictures.size()) - 1);
}

}  // namespace volumix
