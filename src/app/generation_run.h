#pragma once

#include <cstdint>
#include <string>

#include "app/app_stores.h"
#include "app/run_defaults.h"
#include "export/export_format.h"
#include "export/message_sink.h"
#include "platform/pacing.h"
#include "render/renderer.h"
#include "sequence/animation_sequence.h"

namespace volumix {

// The values a run reads once, at its start (the window locks their controls
// while it lasts).
struct RunParameters {
    SequenceFrame start = DefaultStartValues;
    SequenceFrame increments = DefaultIncrements;
    int32_t frameCount = DefaultFrameCount;
    int32_t frameStep = DefaultFrameStep;
    int32_t firstFrame = DefaultFirstFrame;
    bool useSequence = false;
    RenderMode renderMode = DefaultRenderMode;
    int32_t screenMode = DefaultScreenMode;
    int32_t lineInk = DefaultLineInk;  // already masked by the mode
    int32_t fillInk = DefaultFillInk;
    std::string objectPath;
    bool recentre = false;
    std::string cpcPath;  // output prefix; empty: nothing written
    bool writeAsm = false;
    bool writeScr = false;
    // Its R1 is the one the run starts with: "Appliquer" may change it
    // between frames (FrameSettings::crtcR1).
    ExportFormat format;
};

// The values a run reads again before every frame, because the window keeps
// their controls usable while it goes on: inks, R1, the background (palette
// import), the sprites.
struct FrameSettings {
    InkArray inks = DefaultInks;
    int32_t crtcR1 = DefaultCrtcR1;
    CCpcScreen* background = nullptr;  // set when frames are drawn over it
    int32_t spriteSize = DefaultSpriteSize;
    int32_t spriteCount = DefaultSpriteCount;
};

// The settings a run of these parameters starts with, when nothing changes
// them during the run (the command line, tests).
FrameSettings fixedFrameSettings(const RunParameters& parameters, const InkArray& inks,
                                 CCpcScreen* background);

// One frame after its export, as the host sees it.
struct FrameReport {
    int32_t framesDrawn = 0;  // pre-roll included
    int32_t frameIndex = -1;  // -1 (and -2 with double buffering): a pre-roll
    int32_t totalBytes = 0;   // the running total
    bool stored = false;      // a frame of the animation went into the data files
    // The screen the frame leaves on the CPC, as drawn (a .SCR file stamps
    // the mode and inks into its own copy only).
    const ScreenImage* screen = nullptr;
};

// The run's window onto its owner: the main window, the command line, a test.
class RunHost {
public:
    virtual ~RunHost() = default;
    virtual FrameSettings frameSettings() = 0;
    // The mesh is loaded and the output files are about to be opened.
    virtual void prepareOutput(const MeshObject& /*mesh*/) {}
    // The frame is drawn and widened; the window blackens and shows it.
    virtual void showFrame(CDibSurface& /*frame*/, const FrameSettings& /*settings*/) {}
    // After each frame is exported.
    virtual void frameDone(const FrameReport& /*report*/) {}
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
    Failure outputError;
    // Why the object file could not be used (RunLoadFailed).
    Failure loadError;
};

// The frame counts a run uses: the window's clamps (at most 359 frames, a
// step no larger than the count, a first frame no larger than the step) and
// our guards (a step below 1 is 1, a first frame below 0 is 0). With the
// sequence: its row count, from 0 by 1.
void normaliseFrameCounts(RunParameters& parameters, const AnimationSequence& sequence);

// The frames a run of these (normalised) parameters draws: its pre-rolls
// (two when double buffered) and every stored frame.
int32_t framesToDraw(const RunParameters& parameters);

// Frame i's parameters (i = -1 for the pre-roll, which takes the last frame's;
// with double buffering -1 and -2 are the two screens' pre-rolls, which take
// the last and the next-to-last stored frame's).
SequenceFrame computeFrameParams(const RunParameters& parameters, const AnimationSequence& sequence,
                                 int32_t frameIndex);

// The steps of a run over a mesh already in memory: begin, then per frame
// drawFrame and exportFrame until finished, then end. runGeneration and the
// fuzzed run both go through them.
class RunSteps {
public:
    RunSteps(AppStores& stores, const MeshObject& mesh, RunParameters parameters, MessageSink& messages);

    // Chooses the pen and brush (fixed for the whole run) and opens the
    // output files. False when they could not be created: the run is over.
    bool begin(const InkArray& startInks);
    bool finished() const { return finished_; }
    int32_t frameIndex() const { return frameIndex_; }
    // -1, or -2 when a double-buffered run draws a pre-roll for each screen.
    int32_t firstPreRoll() const { return parameters_.format.doubleBuffer ? -2 : -1; }
    const RunParameters& parameters() const { return parameters_; }

    // Clears the frame (ink 0, or the background), draws the mesh with the
    // frame's parameters and widens it to whole CPC pixels.
    CDibSurface& drawFrame(const FrameSettings& settings);
    // Encodes, extracts, stores and reports the frame just drawn, then moves
    // on to the next index; after a full memory or a failed file the run is
    // finished.
    FrameReport exportFrame(const FrameSettings& settings);
    // Ends the run between frames ("Arrêter"); a run that failed keeps its
    // outcome.
    void stop();
    // "Total = %d octets", then the files are completed and closed.
    RunResult end();

private:
    AppStores& stores_;
    const MeshObject& mesh_;
    RunParameters parameters_;
    MessageSink& messages_;
    CDeviceContext context_;
    uint32_t pointColour_ = 0;
    int32_t frameIndex_ = -1;
    int32_t spriteIndex_ = -1;
    bool finished_ = false;
    RunResult result_;
};

// One generation run: loads the mesh into the run's own store, then draws,
// shows and exports the pre-roll and every frame, ending with "Total = %d
// octets".
RunResult runGeneration(AppStores& stores, RunParameters parameters, RunHost& host, RunPacing& pacing,
                        MessageSink& messages);

}  // namespace volumix
