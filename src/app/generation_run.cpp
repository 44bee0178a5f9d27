#include "app/generation_run.h"

#include <algorithm>

#include "mesh/mesh_import.h"
#include "platform/dib_surface.h"
#include "export/run_layout.h"
#include "platform/french_texts.h"

namespace volumix {

namespace {

int32_t doubled(int32_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value) * 2u); }

}  // namespace

void normaliseFrameCounts(RunParameters& parameters, const AnimationSequence& sequence) {
    if (parameters.useSequence) {
        parameters.frameCount = sequence.rowCount;
        parameters.firstFrame = 0;
        parameters.frameStep = 1;
        return;
    }
    parameters.frameCount = std::min(parameters.frameCount, MaxFrameCount);
    parameters.frameStep = std::min(parameters.frameStep, parameters.frameCount);
    parameters.firstFrame = std::min(parameters.firstFrame, parameters.frameStep);
    parameters.frameStep = std::max(parameters.frameStep, 1);
    parameters.firstFrame = std::max(parameters.firstFrame, 0);
}

int32_t framesToDraw(const RunParameters& parameters) {
    const int32_t preRolls = parameters.format.doubleBuffer ? 2 : 1;
    return preRolls + storedFrameCount(parameters.frameCount, parameters.firstFrame, parameters.frameStep);
}

SequenceFrame computeFrameParams(const RunParameters& parameters, const AnimationSequence& sequence,
                                 int32_t frameIndex) {
    int32_t index = frameIndex < 0 ? parameters.frameCount - 1 : frameIndex;
    if (frameIndex < 0 && parameters.format.doubleBuffer) {
        // Each screen's pre-roll is the last frame drawn on it: -1 the last
        // frame stored, -2 the one before.
        const int32_t stored =
            parameters.useSequence ? sequence.rowCount
                                   : storedFrameCount(parameters.frameCount, parameters.firstFrame, parameters.frameStep);
        const int32_t step = parameters.useSequence ? 1 : std::max(parameters.frameStep, 1);
        const int32_t first = parameters.useSequence ? 0 : parameters.firstFrame;
        index = std::max(0, first + (stored - 1 + (frameIndex + 1)) * step);
    }
    if (parameters.useSequence) {
        // An empty sequence leaves the pre-roll nothing to copy: it is drawn
        // with the start values.
        if (index < 0 || index >= sequence.rowCount) return parameters.start;
        return sequence.row(index);
    }
    return advanceFrame(parameters.start, parameters.increments, index);
}

FrameSettings fixedFrameSettings(const RunParameters& parameters, const InkArray& inks,
                                 CCpcScreen* background) {
    FrameSettings settings;
    settings.inks = inks;
    settings.crtcR1 = parameters.format.crtcR1;
    settings.background = background;
    return settings;
}

RunSteps::RunSteps(AppStores& stores, const MeshObject& mesh, RunParameters parameters, MessageSink& messages)
    : stores_(stores), mesh_(mesh), parameters_(std::move(parameters)), messages_(messages),
      context_(stores.frameSurface) {
    normaliseFrameCounts(parameters_, stores_.sequence);
}

bool RunSteps::begin(const InkArray& startInks) {
    CDibSurface& frame = stores_.frameSurface;
    if (!frame.ready) frame.create(FrameWidth, FrameHeight);
    // The pen and brush stay as chosen here for the whole run: the hidden
    // modes draw their triangles in the background colour so that they only
    // cover.
    const RenderMode mode = parameters_.renderMode;
    const uint32_t background = hardwareColourRef(startInks[0]);
    pointColour_ = hardwareColourRef(startInks[static_cast<size_t>(parameters_.lineInk & 15)]);
    const uint32_t fill = hardwareColourRef(startInks[static_cast<size_t>(parameters_.fillInk & 15)]);
    const bool coverOnly = mode == RenderHiddenPoints || mode == RenderHiddenSprites;
    context_.selectPen(coverOnly ? background : pointColour_);
    context_.selectBrush(mode == RenderFilledFaces ? fill : background);

    FrameExport& frameExport = stores_.frameExport;
    frameExport.openExport({parameters_.cpcPath, parameters_.writeAsm, parameters_.writeScr}, parameters_.format,
                           parameters_.firstFrame, parameters_.frameStep, messages_);
    frameIndex_ = firstPreRoll();
    spriteIndex_ = -1;
    result_ = RunResult{};
    result_.outcome = RunCompleted;
    finished_ = frameExport.outputFailed();
    // Files that could not be created end the run before its first frame.
    if (finished_) result_.outcome = RunOutputFailed;
    return !finished_;
}

CDibSurface& RunSteps::drawFrame(const FrameSettings& settings) {
    CDibSurface& frame = stores_.frameSurface;
    const int32_t bytesPerLine = 2 * std::clamp(settings.crtcR1, 0, 64);
    if (settings.background != nullptr)
        decodeToFrame(*settings.background, frame.bits, parameters_.screenMode, bytesPerLine, false);
    else
        frame.fill(hardwareColourPixel(settings.inks[0]));

    const SequenceFrame values = computeFrameParams(parameters_, stores_.sequence, frameIndex_);
    RenderStyle style;
    style.mode = parameters_.renderMode;
    style.spriteBank = stores_.sprites.bytes.data();
    style.spriteSide = settings.spriteSize;
    style.spriteIndex = spriteIndex_;
    style.pointColour = pointColour_;
    style.inks = settings.inks;
    stores_.renderer.renderFrame(
        context_, mesh_,
        {doubled(values.px), values.py, doubled(values.zx), values.zy, values.ax, values.ay, values.az}, style);
    frame.widenPixels(widenGroupOfMode(parameters_.screenMode));
    // The sprite the next frame draws, also when the count was lowered.
    spriteIndex_ = nextSpriteIndex(spriteIndex_, settings.spriteCount);
    return frame;
}

FrameReport RunSteps::exportFrame(const FrameSettings& settings) {
    FrameExport& frameExport = stores_.frameExport;
    FramePicture picture;
    picture.frameIndex = frameIndex_;
    picture.framePixels = stores_.frameSurface.bits;
    picture.background = settings.background != nullptr ? &settings.background->image : nullptr;
    picture.screenMode = parameters_.screenMode;
    picture.inks = settings.inks;
    // "Appliquer" may have changed R1 since the run began.
    ExportFormat format = parameters_.format;
    format.crtcR1 = settings.crtcR1;

    const int32_t storedBefore = frameExport.framesStored();
    const int32_t bytes = frameExport.exportFrame(picture, format, messages_);
    ++result_.framesDrawn;
    if (bytes != 0) {
        result_.totalBytes += bytes;
    } else if (frameIndex_ >= 0) {
        result_.outcome = RunExportFailed;
        finished_ = true;
    }
    // A file that failed ends the run after this frame, as a full memory does.
    if (frameExport.outputFailed()) {
        result_.outcome = RunOutputFailed;
        finished_ = true;
    }

    FrameReport report;
    report.framesDrawn = result_.framesDrawn;
    report.frameIndex = frameIndex_;
    report.totalBytes = result_.totalBytes;
    report.stored = frameExport.framesStored() > storedBefore;
    report.screen = &frameExport.drawnScreen();

    if (frameIndex_ < -1)
        ++frameIndex_;  // the second screen's pre-roll
    else
        frameIndex_ = frameIndex_ == -1 ? parameters_.firstFrame : frameIndex_ + parameters_.frameStep;
    if (frameIndex_ >= parameters_.frameCount) finished_ = true;
    return report;
}

void RunSteps::stop() {
    // A run that failed keeps its outcome.
    if (result_.outcome != RunCompleted) return;
    finished_ = true;
    result_.outcome = RunStopped;
}

RunResult RunSteps::end() {
    messages_.addLine(formatLine(french::TotalLine, result_.totalBytes));
    FrameExport& frameExport = stores_.frameExport;
    frameExport.closeExport(messages_);
    result_.outputFailed = frameExport.outputFailed();
    result_.outputError = frameExport.outputError();
    return result_;
}

RunResult runGeneration(AppStores& stores, RunParameters parameters, RunHost& host, RunPacing& pacing,
                        MessageSink& messages) {
    RunResult result;
    if (parameters.objectPath.empty()) return result;

    MeshObject& mesh = stores.runMesh;
    mesh.clear();
    const AscLoadResult loaded = loadMeshFile(mesh, parameters.objectPath, parameters.recentre, &result.loadError);
    if (loaded != AscOk) {
        messages.addLine(std::string(ascLoadMessage(loaded)));
        result.outcome = RunLoadFailed;
        return result;
    }

    RunSteps run(stores, mesh, std::move(parameters), messages);
    const InkArray startInks = host.frameSettings().inks;
    host.prepareOutput(mesh);
    run.begin(startInks);
    while (!run.finished()) {
        const FrameSettings settings = host.frameSettings();
        host.showFrame(run.drawFrame(settings), settings);
        const FrameReport report = run.exportFrame(settings);
        host.frameDone(report);
        pacing.endOfFrame();
        if (host.stopRequested()) run.stop();
    }
    return run.end();
}

}  // namespace volumix
