#pragma once

#include <cstdint>
#include <string>

#include "app/app_stores.h"
#include "export/message_sink.h"
#include "platform/pacing.h"
#include "render/renderer.h"
#include "sequence/animation_sequence.h"

namespace volumix {

// The values a run reads once, at its start (the window locks their controls
// while it lasts).
struct RunParameters {
    SequenceFrame start{160, 100, 1000, 1000, 90, 0, 0};
    SequenceFrame increments{0, 0, 0, 0, 0, 6, 0};
    int32_t frameCount = 60;
    int32_t frameStep = 1;
    int32_t firstFrame = 0;
    bool useSequence = false;
    RenderMode renderMode = RenderPoints;
    int32_t screenMode = 0;
    int32_t lineInk = 1;  // already masked by the mode
    int32_t fillInk = 2;
    std::string objectPath;
    bool recentre = false;
    std::string cpcPath;  // output prefix; empty: nothing written
    bool writeAsm = false;
    bool useBanks = false;
};

// The values a run reads again before every frame, so the window can change
// them while it goes on (inks, R1, export options, background, sprites).
struct FrameSettings {
    InkArray inks = DefaultInks;
    int32_t crtcR1 = 40;
    uint16_t baseAddress = 0xC000;
    CCpcScreen* background = nullptr;  // set when frames are drawn over it
    int32_t spriteLayout = 0;          // 0: no sprite export, else 1..3
    bool linear = false;
    bool sizeOnlyHeader = false;
    bool pointsExport = false;
    bool compress = false;
    bool writeScr = false;
    int32_t spriteSize = 4;
    int32_t spriteCount = 16;
};

// The run's window onto its owner: the main window, the command line, a test.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual FrameSettings frameSettings() = 0;
    // The mesh is loaded and the output files are about to be opened.
    virtual void prepareOutput() {}
    // The frame is drawn and widened; the window blackens and shows it.
    virtual void showFrame(CDibSurface& /*frame*/, const FrameSettings& /*settings*/) {}
    // After each frame is exported: frames drawn so far (pre-roll included),
    // the index just drawn and the running total.
    virtual void frameDone(int32_t /*framesDrawn*/, int32_t /*frameIndex*/, int32_t /*totalBytes*/) {}
    // Read after every frame ("Arrêter", closing the window).
    virtual bool stopRequested() { return false; }
};

enum RunOutcome : int32_t {
    RunNothingToDo = 0,  // no object file named
    RunLoadFailed,       // the mesh could not be read; its line is in the list
    RunCompleted,        // every frame drawn and exported
    RunStopped,          // stopped between frames on request
    RunExportFailed,     // a frame could not be stored (memory full)
    RunOutputFailed,     // an output file could not be created or written
};

struct RunResult {
    RunOutcome outcome = RunNothingToDo;
    int32_t totalBytes = 0;
    int32_t framesDrawn = 0;  // pre-roll included
    // A file of the run could not be created or written (its lines are in
    // the list); the first one, with the system's reason.
    bool outputFailed = false;
    std::string outputError;
    // Why the object file could not be used (RunLoadFailed).
    std::string loadError;
};

// The frame counts a run uses: the window's clamps (at most 359 frames, a
// step no larger than the count, a first frame no larger than the step) and
// our guards (a step below 1 is 1, a first frame below 0 is 0). With the
// sequence: its row count, from 0 by 1.
void normaliseFrameCounts(RunParameters& parameters, const AnimationSequence& sequence);

// Frame i's parameters (i = -1 for the pre-roll, which takes the last frame's).
SequenceFrame computeFrameParams(const RunParameters& parameters, const AnimationSequence& sequence,
                                 int32_t frameIndex);

// One generation run: loads the mesh, then draws, shows and exports the
// pre-roll and every frame, ending with "Total = %d octets".
RunResult runGeneration(AppStores& stores, RunParameters parameters, RunHost& host, RunPacing& pacing,
                        MessageSink& messages);

}  // namespace volumix
