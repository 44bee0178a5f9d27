#pragma once

#include <cstdint>
#include <variant>

#include "cpc/frame_extraction.h"
#include "cpc/screen_format.h"

namespace volumix {

// What each frame's data is. Only one of the three can be chosen, and each
// carries only the options that belong to it: a sprite block is never
// compressed, a screen delta has no layout.
struct DeltaFrames {
    bool compressed = false;  // groups of up to four consecutive bytes
};
struct SpriteFrames {
    SpriteLayout layout = SpriteLayoutLines;
    bool sizeOnlyHeader = false;  // the two sizes instead of the corners
};
struct PointFrames {};  // lit bytes of mode 1 with a points render mode
using FrameDataFormat = std::variant<DeltaFrames, SpriteFrames, PointFrames>;

// A run's export choice, as the window or the command line made it, handed
// by value to the run, the export, the snapshot and the replay check.
struct ExportFormat {
    FrameDataFormat frames = DeltaFrames{};
    bool banks = false;   // spread over the 128K banks
    bool linear = false;  // "Mémoire Linéaire (R9=0)"
    uint16_t baseAddress = DefaultScreenBase;
    int32_t crtcR1 = DefaultCrtcR1;
    // How the CPC plays it: vertical syncs per frame (frame k starts at sync
    // k x rate), and frames drawn into a hidden second screen that is shown
    // once whole.
    int32_t rate = 1;
    bool doubleBuffer = false;

    bool delta() const { return std::holds_alternative<DeltaFrames>(frames); }
    bool compressed() const {
        const DeltaFrames* d = std::get_if<DeltaFrames>(&frames);
        return d != nullptr && d->compressed;
    }
    const SpriteFrames* sprite() const { return std::get_if<SpriteFrames>(&frames); }
    bool points() const { return std::holds_alternative<PointFrames>(frames); }
    int32_t bytesPerLine() const { return 2 * crtcR1; }

    bool operator==(const ExportFormat&) const = default;
};

inline bool operator==(const DeltaFrames& a, const DeltaFrames& b) { return a.compressed == b.compressed; }
inline bool operator==(const SpriteFrames& a, const SpriteFrames& b) {
    return a.layout == b.layout && a.sizeOnlyHeader == b.sizeOnlyHeader;
}
inline bool operator==(const PointFrames&, const PointFrames&) { return true; }

}  // namespace volumix
