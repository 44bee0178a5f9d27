#include "app/main_dialog_rules.h"

#include <cstdio>

#include "app/version.h"
#include "platform/crt_numbers.h"

namespace volumix {

std::array<std::string, 7> boxTexts(const SequenceFrame& values) {
    std::array<std::string, 7> texts;
    for (int k = 0; k < SequenceFrame::FieldCount; ++k) texts[static_cast<size_t>(k)] = std::to_string(values.field(k));
    return texts;
}

bool lockedForRun(ControlGroup group) {
    switch (group) {
        case ControlGroupStop:
        case ControlGroupApplyR1:
        case ControlGroupInkSwatches:
        case ControlGroupImportPalette:
        case ControlGroupObjectEditor:
        case ControlGroupSpriteEditor:
        case ControlGroupMessages:
        case ControlGroupCount:
            return false;
        case ControlGroupStart:
        case ControlGroupFiles:
        case ControlGroupRecentre:
        case ControlGroupFrameCounts:
        case ControlGroupAnimationValues:
        case ControlGroupSequence:
        case ControlGroupScreenModes:
        case ControlGroupBaseAddresses:
        case ControlGroupCrtcR1Box:
        case ControlGroupLinear:
        case ControlGroupBackground:
        case ControlGroupRenderModes:
        case ControlGroupPenInks:
        case ControlGroupExportOptions:
        case ControlGroupCpcPlayback:
            return true;
    }
    return false;
}

std::string mainDialogCaption(const char* buildDate, const char* buildTime) {
    return programCaption(std::string(buildDate) + " " + buildTime);
}

namespace {

int32_t readBox(std::string& text) {
    const int32_t value = parseAtoi(text);
    text = std::to_string(value);
    return value;
}

}  // namespace

DialogParameters readParameters(ParameterBoxes& boxes, bool useSequence, const AnimationSequence& sequence,
                                int32_t screenMode) {
    DialogParameters read;
    for (int32_t k = 0; k < SequenceFrame::FieldCount; ++k) {
        read.start.field(k) = readBox(boxes.start[static_cast<size_t>(k)]);
        read.increments.field(k) = readBox(boxes.increments[static_cast<size_t>(k)]);
    }
    RunParameters counts;
    counts.useSequence = useSequence;
    if (!useSequence) {
        counts.frameCount = parseAtoi(boxes.frameCount);
        counts.frameStep = parseAtoi(boxes.frameStep);
        counts.firstFrame = parseAtoi(boxes.firstFrame);
    }
    normaliseFrameCounts(counts, sequence);
    if (!useSequence) {
        boxes.frameCount = std::to_string(counts.frameCount);
        boxes.frameStep = std::to_string(counts.frameStep);
        boxes.firstFrame = std::to_string(counts.firstFrame);
    }
    read.frameCount = counts.frameCount;
    read.frameStep = counts.frameStep;
    read.firstFrame = counts.firstFrame;
    read.lineInk = maskPenInk(parseAtoi(boxes.lineInk), screenMode);
    read.fillInk = maskPenInk(parseAtoi(boxes.fillInk), screenMode);
    boxes.lineInk = std::to_string(read.lineInk);
    boxes.fillInk = std::to_string(read.fillInk);
    return read;
}

DependentControls applyDialogRules(DialogTicks& ticks) {
    DependentControls enabled;
    enabled.backgroundControls = ticks.backgroundTicked;
    enabled.pointsExport = pointsExportAllowed(ticks.screenMode, ticks.renderMode);
    if (!enabled.pointsExport) ticks.pointsExport = false;
    enabled.compress = !ticks.spriteExport && !ticks.pointsExport;
    if (!enabled.compress) ticks.compress = false;
    enabled.spriteOptions = ticks.spriteExport;
    enabled.parameterBoxes = !ticks.useSequence;
    return enabled;
}

ExportKind exportKindOf(const DialogTicks& ticks) {
    if (ticks.spriteExport) return ExportSprite;
    if (ticks.pointsExport) return ExportPoints;
    return ExportDelta;
}

}  // namespace volumix
