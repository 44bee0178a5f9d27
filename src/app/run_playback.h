#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/generation_run.h"
#include "cpc/screen_codec.h"
#include "export/cpc_snapshot.h"
#include "export/z80_replay.h"
#include "platform/failure.h"

namespace volumix {

// What the window keeps of its last run to play the run's files again and to
// make them again with other export choices.
struct PlayableRun {
    RunParameters parameters;  // as the run took them: the rules applied, the prefix in cpcPath
    FrameSettings settings;    // at its start; `background` is not kept (see below)
    bool hasBackground = false;
    CCpcScreen background;             // the background it drew over, as it was at its start
    std::vector<ScreenImage> screens;  // every stored frame as drawn: what the replay checks
    RunResult result;
};

// The run left data and index files: it had a prefix, its mesh loaded and
// no output file failed. (A run stopped, or ended by a full memory, has
// written whole files for the frames it stored.)
bool wroteRunFiles(const PlayableRun& run);

// The player's settings for the run, as the command line makes them from the
// same options.
PlaybackSettings playbackOfRun(const PlayableRun& run);

// A run's files laid out in the CPC as its snapshot holds them, at a rate the
// caller may change afterwards: what `generate --snapshot/--dsk [--rate]`
// makes from the same files.
class RunPlayback {
public:
    // Reads the run's data and index files and lays them out at `rate`. On
    // failure (a file unread, a layout without room, settings the player
    // does not play) nothing is playable.
    Failure open(const PlayableRun& run, int32_t rate);
    bool opened() const { return opened_; }

    // Lays the same files out again for another rate (the player's
    // parameter); the rest of the memory is unchanged.
    Failure setRate(int32_t rate);
    int32_t rate() const { return machine_.rate; }

    // `--rate auto`: the fewest syncs per frame at which every frame fits,
    // measured on the emulated CPC. Leaves the rate as it was.
    RateChoice measureAutomaticRate(Failure* failure) const { return measureRate(machine_, failure); }

    const CpcMachine& machine() const { return machine_; }
    const PlaybackSettings& settings() const { return playback_; }
    const std::string& prefix() const { return prefix_; }

    std::vector<uint8_t> snapshot() const { return buildSnapshot(machine_); }
    // The data disk `--dsk` writes, and the name RUN" takes on it.
    Failure diskImage(std::vector<uint8_t>& image, std::string* runName = nullptr) const;

private:
    PlaybackSettings playback_;
    RunData data_;
    CpcMachine machine_;
    std::string prefix_;
    bool opened_ = false;
};

}  // namespace volumix
