#include "app/run_setup.h"

#include <algorithm>

namespace volumix {

int32_t clampCrtcR1(int32_t r1) { return std::clamp(r1, 1, 64); }

int32_t maskPenInk(int32_t ink, int32_t screenMode) { return ink & inkMaskOfMode(screenMode); }

bool pointsExportAllowed(int32_t screenMode, RenderMode renderMode) {
    return screenMode == 1 && (renderMode == RenderPoints || renderMode == RenderHiddenPoints);
}

bool compressionAllowed(ExportKind exportKind) { return exportKind == ExportDelta; }

FrameDataFormat frameDataOf(ExportKind exportKind, bool compress, const SpriteFrames& sprite) {
    switch (exportKind) {
        case ExportSprite: return sprite;
        case ExportPoints: return PointFrames{};
        case ExportDelta: break;
    }
    return DeltaFrames{compress};
}


ScrLoadResult loadBackground(CCpcScreen& background, const std::string& path, int32_t& screenMode, InkArray& inks,
                             bool importPalette, Failure* failure) {
    const ScrLoadResult loaded = loadScr(background, path, screenMode, inks, importPalette, failure);
    if (loaded == ScrOk) inks = background.inks;
    return loaded;
}

RunSetupResult applyRunRules(RunRequest& request) {
    RunParameters& p = request.parameters;
    if (request.exportKind == ExportPoints) {
        if (p.screenMode != 1) return RunSetupPointsNeedMode1;
        if (!pointsExportAllowed(p.screenMode, p.renderMode)) return RunSetupPointsNeedPointRender;
    }
    if (request.compress && !compressionAllowed(request.exportKind)) return RunSetupCompressNeedsDelta;
    p.lineInk = maskPenInk(p.lineInk, p.screenMode);
    p.fillInk = maskPenInk(p.fillInk, p.screenMode);
    request.settings.crtcR1 = clampCrtcR1(request.settings.crtcR1);
    p.format.crtcR1 = request.settings.crtcR1;
    p.format.frames = frameDataOf(request.exportKind, request.compress, request.sprite);
    return RunSetupOk;
}

}  // namespace volumix
