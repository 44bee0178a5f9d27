#pragma once

// The main window's control ids: those of the dialog template it was laid
// out from. The layout tables use them, and each widget carries its id as
// its object name, so tests and tools find a control by it.
#include <array>
#include <cstdint>

#include "render/renderer.h"

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
    IdCpcPlayback = 1103,  // "Lecture CPC"
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

}  // namespace volumix
