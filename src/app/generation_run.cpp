#include "app/generation_run.h"

#include <algorithm>

#include "mesh/mesh_import.h"
#include "platform/dib_surface.h"

namespace volumix {

namespace {

constexpr int32_t MaxFrameCount = 359;

int32_t doubled(int32_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value) * 2u); }

const char* loadFailureLine(AscLoadResult result) {
    switch (result) {
        case AscTooManyVertices: return "Trop de points (>65536) dans l'objet !";
        case AscTooManyFaces: return "Trop de faces (>65536) dans l'objet !";
        default: return "Erreur d'ouverture du fichier objet.";
    }
}

// The run's pen and brush, fixed for the whole run: the hidden modes draw
// their triangles in the background colour so that they only cover.
void selectRunPenAndBrush(CDeviceContext& context, const RunParameters& parameters, const InkArray& inks) {
    const uint32_t background = hardwareColourRef(inks[0]);
    const uint32_t line = hardwareColourRef(inks[static_cast<size_t>(parameters.lineInk & 15)]);
    const uint32_t fill = hardwareColourRef(inks[static_cast<size_t>(parameters.fillInk & 15)]);
    const bool coverOnly = parameters.renderMode == RenderHiddenPoints || parameters.renderMode == RenderHiddenSprites;
    context.selectPen(coverOnly ? background : line);
    context.selectBrush(parameters.renderMode == RenderFilledFaces ? fill : background);
}

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

SequenceFrame computeFrameParams(const RunParameters& parameters, const AnimationSequence& sequence,
                                 int32_t frameIndex) {
    const int32_t index = frameIndex < 0 ? parameters.frameCount - 1 : frameIndex;
    if (parameters.useSequence) {
        // An empty sequence leaves the pre-roll nothing to copy: it is drawn
        // with the start values.
        if (index < 0 || index >= sequence.rowCount) return parameters.start;
        return sequence.row(index);
    }
    return advanceFrame(parameters.start, parameters.increments, index);
}

RunResult runGeneration(AppStores& stores, RunParameters parameters, RunHost& host, RunPacing& pacing,
                        MessageSink& messages) {
    RunResult result;
    normaliseFrameCounts(parameters, stores.sequence);
    if (parameters.objectPath.empty()) return result;

    stores.mesh.clear();
    const AscLoadResult loaded =
        loadMeshFile(stores.mesh, parameters.objectPath, parameters.recentre, &result.loadError);
    if (loaded != AscOk) {
        messages.addLine(loadFailureLine(loaded));
        if (loaded == AscTooManyVertices) result.loadError = "more than 65536 points";
        if (loaded == AscTooManyFaces) result.loadError = "more than 65536 faces";
        result.outcome = RunLoadFailed;
        return result;
    }

    CDibSurface& frame = stores.frameSurface;
    if (!frame.ready) frame.create(FrameWidth, FrameHeight);
    CDeviceContext context(frame);
    const InkArray startInks = host.frameSettings().inks;
    selectRunPenAndBrush(context, parameters, startInks);
    const uint32_t pointColour = hardwareColourRef(startInks[static_cast<size_t>(parameters.lineInk & 15)]);

    host.prepareOutput();
    FrameExport& frameExport = stores.frameExport;
    frameExport.openExport(parameters.cpcPath, parameters.writeAsm, parameters.useBanks, parameters.firstFrame,
                           parameters.frameStep, messages);

    int32_t frameIndex = -1;
    int32_t spriteIndex = -1;
    result.outcome = RunCompleted;
    // Files that could not be created end the run before its first frame.
    if (frameExport.outputFailed()) {
        result.outcome = RunOutputFailed;
        frameIndex = parameters.frameCount;
    }
    while (frameIndex < parameters.frameCount) {
        const FrameSettings settings = host.frameSettings();
        const int32_t bytesPerLine = 2 * std::clamp(settings.crtcR1, 0, 64);

        if (settings.background != nullptr)
            decodeToFrame(*settings.background, frame.bits, parameters.screenMode, bytesPerLine, false);
        else
            frame.fill(hardwareColourPixel(settings.inks[0]));

        const SequenceFrame values = computeFrameParams(parameters, stores.sequence, frameIndex);
        RenderStyle style;
        style.mode = parameters.renderMode;
        style.spriteBank = stores.sprites.bytes.data();
        style.spriteSide = settings.spriteSize;
        style.spriteIndex = spriteIndex;
        style.pointColour = pointColour;
        style.inks = settings.inks;
        stores.renderer.renderFrame(
            context, stores.mesh,
            {doubled(values.px), values.py, doubled(values.zx), values.zy, values.ax, values.ay, values.az}, style);
        frame.widenPixels(widenGroupOfMode(parameters.screenMode));
        host.showFrame(frame, settings);
        spriteIndex = nextSpriteIndex(spriteIndex, settings.spriteCount);

        ExportFrameRequest request;
        request.frameIndex = frameIndex;
        request.spriteLayout = settings.spriteLayout;
        request.linear = settings.linear;
        request.sizeOnlyHeader = settings.sizeOnlyHeader;
        request.pointsExport = settings.pointsExport;
        request.compress = settings.compress;
        request.writeScr = settings.writeScr && !parameters.cpcPath.empty();
        request.framePixels = frame.bits;
        request.background = settings.background != nullptr ? &settings.background->image : nullptr;
        request.screenMode = parameters.screenMode;
        request.inks = settings.inks;
        request.crtcR1 = settings.crtcR1;
        request.baseAddress = settings.baseAddress;
        const int32_t bytes = frameExport.exportFrame(request, messages);
        ++result.framesDrawn;
        bool stop = false;
        if (bytes != 0) {
            result.totalBytes += bytes;
        } else if (frameIndex >= 0) {
            result.outcome = RunExportFailed;
            stop = true;
        }
        // A file that failed ends the run after this frame, as a full memory does.
        if (frameExport.outputFailed()) {
            result.outcome = RunOutputFailed;
            stop = true;
        }
        host.frameDone(result.framesDrawn, frameIndex, result.totalBytes);

        frameIndex = frameIndex == -1 ? parameters.firstFrame : frameIndex + parameters.frameStep;
        pacing.endOfFrame();
        if (!stop && host.stopRequested()) {
            result.outcome = RunStopped;
            stop = true;
        }
        if (stop) break;
    }

    messages.addLine(formatLine("Total = %d octets", result.totalBytes));
    frameExport.closeExport(messages);
    result.outputFailed = frameExport.outputFailed();
    result.outputError = frameExport.outputError();
    return result;
}

}  // namespace volumix
