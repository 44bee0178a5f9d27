#include "app/main_dialog_rules.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace volumix {
namespace {

using Box = std::string& (*)(ParameterBoxes&);
constexpr Box Px = [](ParameterBoxes& b) -> std::string& { return b.start[0]; };
constexpr Box Az = [](ParameterBoxes& b) -> std::string& { return b.start[6]; };
constexpr Box AyIncrement = [](ParameterBoxes& b) -> std::string& { return b.increments[5]; };
constexpr Box Count = [](ParameterBoxes& b) -> std::string& { return b.frameCount; };
constexpr Box Step = [](ParameterBoxes& b) -> std::string& { return b.frameStep; };
constexpr Box First = [](ParameterBoxes& b) -> std::string& { return b.firstFrame; };
constexpr Box Fill = [](ParameterBoxes& b) -> std::string& { return b.fillInk; };

// Every box shows exactly the number the run is given.
void expectBoxesShow(const ParameterBoxes& boxes, const DialogParameters& read) {
    for (int32_t k = 0; k < SequenceFrame::FieldCount; ++k) {
        EXPECT_EQ(boxes.start[k], std::to_string(read.start.field(k))) << "start " << k;
        EXPECT_EQ(boxes.increments[k], std::to_string(read.increments.field(k))) << "increment " << k;
    }
    EXPECT_EQ(boxes.frameCount, std::to_string(read.frameCount));
    EXPECT_EQ(boxes.frameStep, std::to_string(read.frameStep));
    EXPECT_EQ(boxes.firstFrame, std::to_string(read.firstFrame));
    EXPECT_EQ(boxes.lineInk, std::to_string(read.lineInk));
    EXPECT_EQ(boxes.fillInk, std::to_string(read.fillInk));
}

TEST(MainDialogRules, ReadParametersRewritesEachBoxWithWhatItUnderstood) {
    struct Typed {
        Box box;
        const char* text;
    };
    const struct {
        const char* what;
        std::vector<Typed> typed;
        int32_t mode;
        Box box;
        const char* shown;
    } cases[] = {
        {"trailing letters", {{Px, "12abc"}}, 0, Px, "12"},
        {"empty box", {{AyIncrement, ""}}, 0, AyIncrement, "0"},
        {"leading blanks", {{Az, "  -7"}}, 0, Az, "-7"},
        {"too many frames", {{Count, "500"}}, 0, Count, "359"},
        {"step past the count", {{Count, "60"}, {Step, "400"}}, 0, Step, "60"},
        {"first past the step", {{First, "3"}, {Step, "2"}}, 0, First, "2"},
        {"step below 1", {{Step, "0"}}, 0, Step, "1"},
        {"first below 0", {{First, "-4"}}, 0, First, "0"},
        {"fill ink, mode 0", {{Fill, "7"}}, 0, Fill, "7"},
        {"fill ink, mode 1", {{Fill, "7"}}, 1, Fill, "3"},
        {"fill ink, mode 2", {{Fill, "7"}}, 2, Fill, "1"},
    };
    const AnimationSequence noSequence;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ParameterBoxes boxes;
        for (const Typed& t : c.typed) t.box(boxes) = t.text;
        const DialogParameters read = readParameters(boxes, false, noSequence, c.mode);
        EXPECT_EQ(c.box(boxes), c.shown);
        expectBoxesShow(boxes, read);
    }
}

TEST(MainDialogRules, ReadParametersWithTheSequenceLeavesTheCountBoxesAlone) {
    AnimationSequence sequence;
    sequence.generate(SequenceFrame{}, SequenceFrame{0, 0, 0, 0, 0, 6, 0}, 5);
    ParameterBoxes boxes{.frameCount = "abc", .frameStep = "7", .firstFrame = "-3"};
    boxes.start[0] = "5x";

    const DialogParameters read = readParameters(boxes, true, sequence, 0);
    EXPECT_EQ(read.frameCount, 5);
    EXPECT_EQ(read.frameStep, 1);
    EXPECT_EQ(read.firstFrame, 0);
    EXPECT_EQ(boxes.frameCount, "abc");
    EXPECT_EQ(boxes.frameStep, "7");
    EXPECT_EQ(boxes.firstFrame, "-3");
    EXPECT_EQ(boxes.start[0], "5");  // the other boxes are still read
}

TEST(MainDialogRules, DependentControlsFollowTheTicks) {
    const struct {
        const char* what;
        DialogTicks ticks;
        DependentControls enabled;
        bool pointsTicked, compressTicked;
    } cases[] = {
        {"points export in mode 1", {.pointsExport = true, .compress = true, .screenMode = 1},
         {.pointsExport = true, .compress = false}, true, false},
        {"points export with hidden points", {.pointsExport = true, .screenMode = 1, .renderMode = RenderHiddenPoints},
         {.pointsExport = true, .compress = false}, true, false},
        {"points export in mode 0", {.pointsExport = true, .compress = true, .screenMode = 0},
         {.pointsExport = false, .compress = true}, false, true},
        {"points export with wireframe", {.pointsExport = true, .screenMode = 1, .renderMode = RenderWireframe},
         {.pointsExport = false, .compress = true}, false, false},
        {"sprite export", {.spriteExport = true, .compress = true, .screenMode = 2, .renderMode = RenderFilledFaces},
         {.compress = false, .spriteOptions = true}, false, false},
        {"background and sequence", {.useSequence = true, .backgroundTicked = true, .compress = true},
         {.backgroundControls = true, .compress = true, .parameterBoxes = false}, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DialogTicks ticks = c.ticks;
        const DependentControls enabled = applyDialogRules(ticks);
        EXPECT_EQ(enabled.backgroundControls, c.enabled.backgroundControls);
        EXPECT_EQ(enabled.pointsExport, c.enabled.pointsExport);
        EXPECT_EQ(enabled.compress, c.enabled.compress);
        EXPECT_EQ(enabled.spriteOptions, c.enabled.spriteOptions);
        EXPECT_EQ(enabled.parameterBoxes, c.enabled.parameterBoxes);
        EXPECT_EQ(ticks.pointsExport, c.pointsTicked);
        EXPECT_EQ(ticks.compress, c.compressTicked);
        EXPECT_EQ(ticks.spriteExport, c.ticks.spriteExport);  // never unticked
    }
}

TEST(MainDialogRules, SpriteExportWinsOverPoints) {
    const auto kind = [](bool sprite, bool points) {
        return exportKindOf({.spriteExport = sprite, .pointsExport = points});
    };
    EXPECT_EQ(kind(true, true), ExportSprite);
    EXPECT_EQ(kind(true, false), ExportSprite);
    EXPECT_EQ(kind(false, true), ExportPoints);
    EXPECT_EQ(kind(false, false), ExportDelta);
}

TEST(MainDialogRules, RunLocksItsInputsButNotWhatStaysUsable) {
    // What the run reads once at its start is locked; what acts on the
    // following frames, waits for the run or stops it stays usable.
    const std::vector<ControlGroup> locked = {
        ControlGroupStart,       ControlGroupFiles,           ControlGroupRecentre,      ControlGroupFrameCounts,
        ControlGroupAnimationValues, ControlGroupSequence,    ControlGroupScreenModes,   ControlGroupBaseAddresses,
        ControlGroupCrtcR1Box,   ControlGroupLinear,          ControlGroupBackground,    ControlGroupRenderModes,
        ControlGroupPenInks,     ControlGroupExportOptions,   ControlGroupCpcPlayback};
    const std::vector<ControlGroup> usable = {ControlGroupStop,          ControlGroupApplyR1,
                                              ControlGroupInkSwatches,   ControlGroupImportPalette,
                                              ControlGroupObjectEditor,  ControlGroupSpriteEditor,
                                              ControlGroupMessages};
    EXPECT_EQ(locked.size() + usable.size(), static_cast<size_t>(ControlGroupCount));
    for (ControlGroup group : locked) EXPECT_TRUE(lockedForRun(group)) << group;
    for (ControlGroup group : usable) EXPECT_FALSE(lockedForRun(group)) << group;
    EXPECT_FALSE(lockedForRun(ControlGroupCount));
}

TEST(MainDialogRules, CaptionCarriesTheBuildDateAndTime) {
    EXPECT_EQ(mainDialogCaption("Dec  8 2026", "14:05:09"),
              "Volumix V1.10 - Kestrin & Morvel/QXV (Build Dec  8 2026 14:05:09)");
}

}  // namespace
}  // namespace volumix
