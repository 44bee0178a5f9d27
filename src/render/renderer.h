#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "cpc/palette.h"
#include "mesh/mesh_object.h"
#include "platform/device_context.h"
#include "render/helper_thread.h"
#include "render/projection.h"
#include "render/sprite_pixels.h"

namespace volumix {

enum RenderMode : int32_t {
    RenderPoints = 0,
    RenderHiddenPoints = 1,
    RenderWireframe = 2,
    RenderHiddenFaces = 3,
    RenderFilledFaces = 4,
    RenderSprites = 5,
    RenderHiddenSprites = 6,
};

inline constexpr int32_t RenderModeCount = 7;

// One sort record per face: the sum of its corners' depths, and the face.
struct FaceDepthKey {
    double key = 0.0;
    int32_t face = 0;
};

// Farthest first: a negative result puts p before q. Unlike a difference
// truncated to an integer, this is a strict total order (equal keys fall back
// to the face index, which keeps the table order stable) and cannot overflow.
int32_t compareFaceDepth(const FaceDepthKey& p, const FaceDepthKey& q);

inline constexpr int32_t FaceSortBucketsMax = 65536;

// A record of the depth sort: the key's bits, ordered farthest first, and
// what comes with it.
struct FaceSortEntry {
    uint64_t bits = 0;
    int32_t face = 0;
};

// The depth sort's working memory, kept from call to call.
struct FaceSortScratch {
    using BucketEnds = std::array<uint32_t, FaceSortBucketsMax>;
    std::vector<FaceSortEntry> entries;
    std::vector<FaceSortEntry> spread;
    std::vector<FaceSortEntry> spare;
    std::unique_ptr<BucketEnds> ends = std::make_unique<BucketEnds>();
};

// Sorts records farthest first with equal keys in their given order; the
// same order as sorting with compareFaceDepth, in linear time for keys spread
// over their range (n log n at worst). `scratch` is resized as needed.
void sortFaceDepthKeys(FaceDepthKey* keys, int32_t count, FaceSortScratch& scratch);

// A face of a hidden-mode frame in drawing order, with its corners when they
// fit 16 bits (face >= 0), so that drawing reads the faces one after the
// other instead of fetching each face's corners from all over the tables.
// Otherwise face is ~index and the corners are read from the projection.
struct SortedFace {
    uint64_t bits = 0;
    int16_t x[3] = {};
    int16_t y[3] = {};
    int32_t face = 0;
};

// Everything the renderer draws with besides the mesh and the surface.
struct RenderStyle {
    RenderMode mode = RenderPoints;
    const uint8_t* spriteBank = nullptr;  // the bank's 131072 bytes, sprite n at n * 512
    int32_t spriteSide = 4;
    int32_t spriteIndex = -1;       // negative: no sprite, a solid ink-1 block
    uint32_t pointColour = 0;       // GDI colour 0x00BBGGRR of corner pixels
    InkArray inks = DefaultInks;    // hardware colours that colour the sprites
};

// A drawing list and the memory its sort works in, kept from frame to frame.
struct FaceDrawList {
    std::vector<FaceSortEntry> keys;  // the faces to sort, table order
    std::vector<SortedFace> list;     // the faces to draw, farthest first
    std::vector<SortedFace> spare;
    std::unique_ptr<FaceSortScratch::BucketEnds> ends = std::make_unique<FaceSortScratch::BucketEnds>();
    int32_t count = 0;
};

// The renderer's working tables, allocated once: the projection of every
// vertex and the depth keys of every face.
//
// Large frames are drawn by two threads: the context's clip box is cut into
// an upper and a lower band, and each thread draws the faces that reach its
// band, in order, clipped to it. Clipping never moves a pixel, so the
// picture is the same as one thread's. In the hidden modes each thread sorts
// only its band's faces: the same order as the whole sort, less the faces
// that draw nothing there.
class FrameRenderer {
public:
    ProjectionBuffers projection;

    FrameRenderer();

    // Projects the mesh and draws it with the pen and brush selected into the
    // context, faces farthest first in the hidden modes. Faces naming a vertex
    // outside the mesh, or a vertex that could not be projected, are skipped.
    // A mode outside 0..6 draws nothing.
    void renderFrame(CDeviceContext& context, const MeshObject& mesh, const ProjectionParams& params,
                     const RenderStyle& style);

    // The faces of the last hidden-mode frame drawn on one thread, farthest
    // first (none after a frame shared by two threads, which sort by band).
    int32_t sortedFace(int32_t n) const {
        const SortedFace& sorted = lists_[0].list[static_cast<size_t>(n)];
        return sorted.face < 0 ? ~sorted.face : sorted.face;
    }
    int32_t sortedFaceCount() const { return sortedCount_; }

    // Threads a frame may use, 1 or 2 (other values are clamped). The default
    // is 2 when the machine has more than one core. The helper thread starts
    // with the first frame that shares its work and lasts as long as the
    // renderer; when it cannot start, frames are drawn on one thread.
    void setThreadCount(int32_t count);
    int32_t threadCount() const { return threadCount_; }
    // Frames with fewer faces stay on the calling thread: handing work over
    // costs more than drawing them.
    void setMinFacesToShare(int32_t faces) { minFacesToShare_ = faces; }

private:
    bool helperStarted();
    int32_t balancedSplitRow(const MeshObject& mesh, const ClipBox& box) const;

    std::unique_ptr<HelperThread> helper_;
    int32_t threadCount_ = 1;
    int32_t minFacesToShare_ = 2048;
    bool helperFailed_ = false;
    std::array<FaceDrawList, 2> lists_;  // the whole frame's or the upper band's, then the lower band's
    std::array<uint32_t, SpriteBytes> spritePixels_{};  // the frame's sprite in surface colours
    int32_t sortedCount_ = 0;
};

// Paints a sprite of side s centred on (x, y): 2s columns from x - s and s
// lines from y - s/2, every pixel opaque. Without a sprite the block is
// ink 1. A side outside 1..16 draws nothing.
void drawSpriteAt(CDibSurface& surface, int32_t x, int32_t y, const uint8_t* sprite, int32_t side,
                  const InkArray& inks);

// The object editor's highlight: with face -1, a 3x3 block around the
// vertex (nothing for a negative vertex); otherwise the face's triangle with
// the context's pen and brush. Projects into its own buffers.
void drawEditorMarker(CDeviceContext& context, const MeshObject& mesh, const ProjectionParams& params,
                      int32_t faceIndex, int32_t vertexIndex, uint32_t colourRef, ProjectionBuffers& markerBuffers);

}  // namespace volumix
