#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "app/run_setup.h"
#include "render/renderer.h"
#include "sequence/animation_sequence.h"

namespace volumix {

// Control ids of the main dialog (resource 102).
enum ControlId : int32_t {
    IdStart = 1000,
    IdObjectFileButton = 1001,
    IdObjectPath = 1002,
    IdPx = 1003,  // 1003..1009: start values PX, PY, ZX, ZY, AX, AY, AZ
    IdPxIncrement = 1010,
    IdPyIncrement = 1013,
    IdZxIncrement = 1014,
    IdZyIncrement = 1015,
    IdAxIncrement = 1016,
    IdAyIncrement = 1017,
    IdAzIncrement = 1018,
    IdFrameCount = 1019,
    IdMessageList = 1020,
    IdCpcFilesButton = 1021,
    IdCpcPath = 1022,
    IdStop = 1023,
    IdBackgroundPath = 1024,
    IdRenderPoints = 1025,
    IdRenderWireframe = 1026,
    IdRenderFilledFaces = 1027,
    IdRenderHiddenFaces = 1028,
    IdMode0 = 1029,
    IdMode1 = 1030,
    IdMode2 = 1031,
    IdBackgroundTick = 1032,
    IdLoadScr = 1033,
    IdBanks = 1034,
    IdWriteAsm = 1035,
    IdImportPalette = 1036,
    IdBase4000 = 1037,
    IdBase8000 = 1038,
    IdBaseC000 = 1039,
    IdBase0000 = 1040,
    IdCrtcR1 = 1041,
    IdApplyR1 = 1042,
    IdRecentre = 1043,
    IdLinear = 1044,
    IdUseSequence = 1045,
    IdSequenceEditor = 1046,
    IdRenderHiddenPoints = 1047,
    IdRenderSprites = 1048,
    IdRenderHiddenSprites = 1049,
    IdWriteScr = 1050,
    IdCompress = 1052,
    IdPointsExport = 1053,
    IdFrameStep = 1054,
    IdFirstFrame = 1056,
    IdSpriteExport = 1058,
    IdSizeOnlyHeader = 1059,
    IdLineInk = 1063,
    IdFillInk = 1064,
    IdObjectEditor = 1066,
    IdSpriteEditor = 1067,
    IdLayoutLines = 1097,
    IdSpriteSizeLabel = 1098,
    IdSpriteCountLabel = 1099,
    IdLayoutOneColumn = 1100,
    IdLayoutTwoColumns = 1101,
    IdGifPreview = 1102,  // "Prévisualisation GIF"
    IdFirstSwatch = 1200,  // 1200..1215: ink swatches
};

// The seven start-value boxes and the seven increment boxes, PX .. AZ.
inline constexpr std::array<int32_t, 7> StartValueIds = {1003, 1004, 1005, 1006, 1007, 1008, 1009};
inline constexpr std::array<int32_t, 7> IncrementIds = {1010, 1013, 1014, 1015, 1016, 1017, 1018};

// Render-mode radios by render mode (0..6), screen-mode radios by mode, and
// base-address radios with their addresses.
inline constexpr std::array<int32_t, RenderModeCount> RenderModeIds = {1025, 1047, 1026, 1028, 1027, 1048, 1049};
inline constexpr std::array<int32_t, 3> ScreenModeIds = {IdMode0, IdMode1, IdMode2};
struct BaseAddressChoice {
    int32_t id;
    uint16_t address;
};
inline constexpr std::array<BaseAddressChoice, 4> BaseAddressChoices = {
    {{IdBase0000, 0x0000}, {IdBase4000, 0x4000}, {IdBase8000, 0x8000}, {IdBaseC000, 0xC000}}};
// Sprite-export layout radios for layouts 1, 2, 3.
inline constexpr std::array<int32_t, 3> LayoutIds = {IdLayoutLines, IdLayoutOneColumn, IdLayoutTwoColumns};

// The controls a run disables; it enables "Arrêter" and "Editeur de sprites"
// and leaves the object editor, "Importer palette", "Appliquer", the swatches
// and the message list as they are.
const std::vector<int32_t>& controlsLockedForRun();

// The caption, from the compiler's __DATE__ ("Mmm dd yyyy", the day padded
// with a space) and __TIME__ ("hh:mm:ss").
std::string mainDialogCaption(const char* buildDate, const char* buildTime);

// The texts of the boxes readParameters reads; it rewrites them with what it
// understood.
struct ParameterBoxes {
    std::array<std::string, 7> start{"160", "100", "1000", "1000", "90", "0", "0"};
    std::array<std::string, 7> increments{"0", "0", "0", "0", "0", "6", "0"};
    std::string frameCount = "60";
    std::string frameStep = "1";
    std::string firstFrame = "0";
    std::string lineInk = "1";
    std::string fillInk = "2";
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
