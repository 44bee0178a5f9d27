#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "cpc/palette.h"
#include "mesh/mesh_object.h"
#include "platform/device_context.h"
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

// Sorts records farthest first with equal keys in their given order; the
// same order as sorting with compareFaceDepth, in linear time. `scratch` is
// resized as needed.
void sortFaceDepthKeys(FaceDepthKey* keys, int32_t count, std::vector<FaceDepthKey>& scratch);

// Everything the renderer draws with besides the mesh and the surface.
struct RenderStyle {
    RenderMode mode = RenderPoints;
    const uint8_t* spriteBank = nullptr;  // the bank's 131072 bytes, sprite n at n * 512
    int32_t spriteSide = 4;
    int32_t spriteIndex = -1;       // negative: no sprite, a solid ink-1 block
    uint32_t pointColour = 0;       // GDI colour 0x00BBGGRR of corner pixels
    InkArray inks = DefaultInks;    // hardware colours that colour the sprites
};

// The renderer's working tables, allocated once: the projection of every
// vertex and the depth keys of every face.
class FrameRenderer {
public:
    ProjectionBuffers projection;

    // Projects the mesh and draws it with the pen and brush selected into the
    // context, faces farthest first in the hidden modes. Faces naming a vertex
    // outside the mesh, or a vertex that could not be projected, are skipped.
    // A mode outside 0..6 draws nothing.
    void renderFrame(CDeviceContext& context, const MeshObject& mesh, const ProjectionParams& params,
                     const RenderStyle& style);

    // The faces of the last hidden-mode frame, farthest first.
    const FaceDepthKey* sortedFaces() const { return keys_.data(); }
    int32_t sortedFaceCount() const { return sortedCount_; }

private:
    std::vector<FaceDepthKey> keys_ = std::vector<FaceDepthKey>(MeshCapacity);
    std::vector<FaceDepthKey> scratch_;
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
