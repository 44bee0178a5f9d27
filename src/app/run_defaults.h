#pragma once

#include <cstdint>

#include "cpc/palette.h"
#include "cpc/screen_format.h"
#include "export/export_format.h"
#include "export/frame_export.h"
#include "render/renderer.h"
#include "sequence/animation_sequence.h"
#include "sprites/sprite_bank.h"

namespace volumix {

// What a new window shows and what the command line assumes unless told
// otherwise: both read them from here, and the command line's help prints
// them. The inks are DefaultInks, the sprites' DefaultSpriteSize and
// DefaultSpriteCount; the export's defaults are ExportFormat's.
inline constexpr SequenceFrame DefaultStartValues{160, 100, 1000, 1000, 90, 0, 0};
inline constexpr SequenceFrame DefaultIncrements{0, 0, 0, 0, 0, 6, 0};
inline constexpr int32_t DefaultFrameCount = 60;
inline constexpr int32_t DefaultFrameStep = 1;
inline constexpr int32_t DefaultFirstFrame = 0;
inline constexpr RenderMode DefaultRenderMode = RenderPoints;
inline constexpr int32_t DefaultScreenMode = 0;
inline constexpr int32_t DefaultLineInk = 1;
inline constexpr int32_t DefaultFillInk = 2;
inline constexpr ExportFormat DefaultExportFormat{};

// "Nb images" takes at most 359 frames; a sequence of 360 rows makes 360.
// Every frame a run can draw has a record in the frame store.
inline constexpr int32_t MaxFrameCount = 359;
static_assert(MaxFrameCount < FrameStoreSize, "every typed frame count fits the frame store");
static_assert(SequenceCapacity <= FrameStoreSize, "every sequence row can be a frame of the run");

}  // namespace volumix
