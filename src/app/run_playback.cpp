#include "app/run_playback.h"

#include "export/disk_loader.h"
#include "export/dsk_image.h"

namespace volumix {

bool wroteRunFiles(const PlayableRun& run) {
    if (run.parameters.cpcPath.empty() || run.result.outputFailed) return false;
    switch (run.result.outcome) {
        case RunCompleted:
        case RunStopped:
        case RunExportFailed: return true;
        case RunNothingToDo:
        case RunLoadFailed:
        case RunOutputFailed: break;
    }
    return false;
}

PlaybackSettings playbackOfRun(const PlayableRun& run) {
    return playbackOf(run.parameters.format, run.parameters.screenMode, run.settings.inks,
                      run.hasBackground ? &run.background.image : nullptr);
}

Failure RunPlayback::open(const PlayableRun& run, int32_t rate) {
    opened_ = false;
    machine_ = CpcMachine{};
    data_ = RunData{};
    prefix_ = run.parameters.cpcPath;
    playback_ = playbackOfRun(run);
    if (Failure refusal = playbackRefusal(playback_); refusal.failed()) return refusal;
    if (Failure failure = readRunData(prefix_, data_); failure.failed()) return failure;
    return setRate(rate);
}

Failure RunPlayback::setRate(int32_t rate) {
    // The command line lays the snapshot out once its rate is known; doing it
    // again for each rate gives the same bytes.
    playback_.format.rate = rate;
    const Failure failure = buildCpcMachine(playback_, data_, true, machine_);
    opened_ = !failure.failed();
    return failure;
}

Failure RunPlayback::diskImage(std::vector<uint8_t>& image, std::string* runName) const {
    image.clear();
    std::vector<DiskFile> files;
    Failure failure = runDiskFiles(machine_, prefix_, files);
    if (!failure.failed()) failure = buildDataDiskImage(files, image);
    if (!failure.failed() && runName != nullptr) *runName = files.front().name.substr(0, files.front().name.find('.'));
    return failure;
}

}  // namespace volumix
