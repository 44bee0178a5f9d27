#pragma once

#include <cstdint>
#include <string>

#include "app/generation_run.h"
#include "cpc/screen_codec.h"

namespace volumix {

// What each frame's data is: the screen delta, a sprite block or a point list.
enum ExportKind : int32_t {
    ExportDelta = 0,
    ExportSprite = 1,
    ExportPoints = 2,
};

// A run as the user set it up, in the window's controls or on the command
// line, before the rules below make a run of it.
struct RunRequest {
    // lineInk and fillInk as typed; of the format, banks, linear and the
    // base address (the rules set its frame data and R1)
    RunParameters parameters;
    FrameSettings settings;  // crtcR1 as typed; no background yet
    ExportKind exportKind = ExportDelta;
    bool compress = false;  // as ticked; only a screen delta is compressed
    SpriteFrames sprite;    // the layout and header chosen for sprite blocks
};

// The CRTC R1 a box or option gives: 1..64 (text that is no number reads 0,
// hence 1).
int32_t clampCrtcR1(int32_t r1);

// A pen ink as a pixel of the mode can show it: masked to 15, 3 or 1.
int32_t maskPenInk(int32_t ink, int32_t screenMode);

// Point lists are offered in mode 1 with the points or hidden points render
// mode only.
bool pointsExportAllowed(int32_t screenMode, RenderMode renderMode);

// Only the screen delta is compressed.
bool compressionAllowed(ExportKind exportKind);

// The frame data a choice of export makes; compression is dropped where it
// does not apply.
FrameDataFormat frameDataOf(ExportKind exportKind, bool compress, const SpriteFrames& sprite);

// Loads a background screen. With `importPalette` and a palette in the file,
// `screenMode` and `inks` take the file's; otherwise they stay and colour the
// image. On success `inks` holds the background's inks; on failure nothing
// changes.
ScrLoadResult loadBackground(CCpcScreen& background, const std::string& path, int32_t& screenMode, InkArray& inks,
                             bool importPalette, Failure* failure = nullptr);

enum RunSetupResult : int32_t {
    RunSetupOk = 0,
    RunSetupPointsNeedMode1,
    RunSetupPointsNeedPointRender,
    RunSetupCompressNeedsDelta,
};

// Makes a run of a request whose screen mode and inks are final (a
// background's palette taken): pen inks masked by the mode, R1 clamped, the
// export format's frame data set. Refuses the combinations the window never
// offers.
RunSetupResult applyRunRules(RunRequest& request);

}  // namespace volumix
