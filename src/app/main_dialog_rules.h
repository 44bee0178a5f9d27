#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "app/run_defaults.h"
#include "app/run_setup.h"
#include "render/renderer.h"
#include "sequence/animation_sequence.h"

namespace volumix {

// The main window's controls in the groups its rules speak of; the window
// maps each group to its widgets.
enum ControlGroup : int32_t {
    ControlGroupStart = 0,        // "Démarrer"
    ControlGroupStop,             // "Arrêter"
    ControlGroupFiles,            // "Fichier Objet", "Fichiers CPC" and their path boxes
    ControlGroupRecentre,         // "Recentrer objet"
    ControlGroupFrameCounts,      // "Nb images", "Pas", "Première"
    ControlGroupAnimationValues,  // the seven start values and the seven increments
    ControlGroupSequence,         // "Editeur de séquence", "Utiliser Séquence"
    ControlGroupScreenModes,      // "Mode 0", "Mode 1", "Mode 2"
    ControlGroupBaseAddresses,    // "#0000" .. "#C000"
    ControlGroupCrtcR1Box,        // the "CRTC R1:" box
    ControlGroupApplyR1,          // "Appliquer"
    ControlGroupLinear,           // "Mémoire Linéaire (R9=0)"
    ControlGroupInkSwatches,      // the sixteen ink swatches
    ControlGroupBackground,       // "Ajouter image de fond", ".SCR" and the path box
    ControlGroupImportPalette,    // "Importer palette"
    ControlGroupRenderModes,      // the seven render-mode radios
    ControlGroupPenInks,          // "Stylo lignes/points", "Stylo Fill"
    ControlGroupExportOptions,    // the export check boxes, the sprite layouts, the GIF preview
    ControlGroupObjectEditor,     // "Editeur d'objets"
    ControlGroupSpriteEditor,     // "Editeur de sprites"
    ControlGroupMessages,         // the message list
    ControlGroupCpcPlayback,      // "Lecture CPC"
    ControlGroupCount
};

// Whether a run disables the group while it lasts: every input the run reads
// once at its start is locked. "Arrêter" and the sprite editor stay usable;
// the swatches, "Appliquer" and "Importer palette" change the following
// frames; the object editor suspends the run; the message list is read-only.
bool lockedForRun(ControlGroup group);

// The caption, from the compiler's __DATE__ ("Mmm dd yyyy", the day padded
// with a space) and __TIME__ ("hh:mm:ss").
std::string mainDialogCaption(const char* buildDate, const char* buildTime);

// The texts of the boxes readParameters reads; it rewrites them with what it
// understood.
// A new window's texts are the run's defaults.
std::array<std::string, 7> boxTexts(const SequenceFrame& values);

struct ParameterBoxes {
    std::array<std::string, 7> start = boxTexts(DefaultStartValues);
    std::array<std::string, 7> increments = boxTexts(DefaultIncrements);
    std::string frameCount = std::to_string(DefaultFrameCount);
    std::string frameStep = std::to_string(DefaultFrameStep);
    std::string firstFrame = std::to_string(DefaultFirstFrame);
    std::string lineInk = std::to_string(DefaultLineInk);
    std::string fillInk = std::to_string(DefaultFillInk);
};

struct DialogParameters {
    SequenceFrame start;
    SequenceFrame increments;
    int32_t frameCount = 0;
    int32_t frameStep = 1;
    int32_t firstFrame = 0;
    int32_t lineInk = 0;
    int32_t fillInk = 0;
};

// Reads every box as atoi does and writes the number back. The frame counts
// are clamped (at most 359 frames, a step no larger than the count, a first
// frame no larger than the step) and guarded as the run guards them (a step
// below 1 is 1, a first frame below 0 is 0), so the boxes show the counts
// the run uses; with the sequence they are its row count, 0 and 1 and the
// three boxes are neither read nor rewritten. Pen inks are masked by the mode.
DialogParameters readParameters(ParameterBoxes& boxes, bool useSequence, const AnimationSequence& sequence,
                                int32_t screenMode);

// The ticks and choices the dialog's enabling rules depend on.
struct DialogTicks {
    bool useSequence = false;
    bool backgroundTicked = false;
    bool spriteExport = false;  // Mode export "Sprites"
    bool pointsExport = false;  // Export mode "points"
    bool compress = false;      // "Activer compression"
    int32_t screenMode = 0;
    RenderMode renderMode = RenderPoints;
};

// Enabled states of the controls that follow others (outside a run).
struct DependentControls {
    bool backgroundControls = false;  // path box, ".SCR", "Importer palette"
    bool pointsExport = false;
    bool compress = true;
    bool spriteOptions = false;  // "Taille simple" and the three layouts
    bool parameterBoxes = true;  // the seventeen start, increment and count boxes
};

// Applies the dialog's rules: Export mode "points" is offered only in mode 1
// with a points render mode (and is unticked otherwise); compression only
// while neither export box is ticked (and is unticked otherwise); the sprite
// options only with the sprite export; the background controls only while
// "Ajouter image de fond" is ticked; the parameter boxes only without the
// sequence. Returns what is enabled; `ticks` loses what was unticked.
DependentControls applyDialogRules(DialogTicks& ticks);

// The export choice the ticks make.
ExportKind exportKindOf(const DialogTicks& ticks);

}  // namespace volumix
