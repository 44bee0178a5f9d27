#include "gui/monitor_playback.h"

#include <algorithm>

namespace volumix {

MonitorPlayback monitorPlaybackOf(const CpcMachine& machine, const std::vector<ScreenImage>& expected) {
    return replayWithBeam(machine, expected);
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
