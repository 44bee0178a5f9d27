#include "render/renderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <utility>

namespace volumix {

namespace {

using InkPixels = std::array<uint32_t, InkCount>;

InkPixels inkPixelsOf(const InkArray& inks) {
    InkPixels pixels{};
    for (int32_t k = 0; k < InkCount; ++k) pixels[k] = hardwareColourPixel(inks[k]);
    return pixels;
}


// A sprite's pixels in surface colours, 16 rows of 32, ready to copy: the
// conversion happens once per frame instead of once per corner.
using SpritePixels = std::array<uint32_t, SpriteBytes>;

void convertSprite(const uint8_t* sprite, const InkPixels& inkPixels, SpritePixels& pixels) {
    // Without a sprite every pixel is ink 1.
    if (sprite == nullptr) {
        pixels.fill(inkPixels[1]);
        return;
    }
    // Masked, so that a stray byte can never index past the inks.
    for (int32_t i = 0; i < SpriteBytes; ++i) pixels[i] = inkPixels[sprite[i] & SpriteInkMask];
}

void paintSprite(CDibSurface& surface, int32_t x, int32_t y, const SpritePixels& sprite, int32_t side) {
    if (side < 1 || side > SpriteSideMax || surface.bits == nullptr) return;
    const int64_t left = int64_t{x} - side;
    const int64_t top = int64_t{y} - (side >> 1);
    const int64_t columnBegin = std::max<int64_t>(0, -left);
    const int64_t columnEnd = std::min<int64_t>(2 * side, int64_t{surface.width} - left);
    const int64_t rowBegin = std::max<int64_t>(0, -top);
    const int64_t rowEnd = std::min<int64_t>(side, int64_t{surface.height} - top);
    if (columnBegin >= columnEnd || rowBegin >= rowEnd) return;
    for (int64_t r = rowBegin; r < rowEnd; ++r) {
        const uint32_t* source = sprite.data() + r * SpriteRowBytes;
        uint32_t* target = surface.row(static_cast<int32_t>(top + r)) + left;
        std::copy(source + columnBegin, source + columnEnd, target + columnBegin);
    }
}

// Maps a double onto an unsigned integer with the same order (negative values
// included), then inverts it so that an ascending sort puts the largest first.
uint64_t farthestFirstBits(double key) {
    const uint64_t bits = std::bit_cast<uint64_t>(key);
    const uint64_t ordered = (bits & 0x8000000000000000ull) ? ~bits : (bits | 0x8000000000000000ull);
    return ~ordered;
}

bool drawsSorted(RenderMode mode) {
    return mode == RenderHiddenPoints || mode == RenderHiddenFaces || mode == RenderFilledFaces ||
           mode == RenderHiddenSprites;
}

}  // namespace

int32_t compareFaceDepth(const FaceDepthKey& p, const FaceDepthKey& q) {
    if (p.key > q.key) return -1;
    if (p.key < q.key) return 1;
    if (p.face < q.face) return -1;
    if (p.face > q.face) return 1;
    return 0;
}

void sortFaceDepthKeys(FaceDepthKey* keys, int32_t count, std::vector<FaceDepthKey>& scratch) {
    if (count < 2) return;
    // Stable LSD radix sort over the 8 bytes of the order-preserving key;
    // bytes that are the same in every record need no pass.
    constexpr int Passes = 8;
    std::array<std::array<uint32_t, 256>, Passes> histogram{};
    for (int32_t i = 0; i < count; ++i) {
        const uint64_t bits = farthestFirstBits(keys[i].key);
        for (int pass = 0; pass < Passes; ++pass) ++histogram[pass][(bits >> (8 * pass)) & 0xFF];
    }
    scratch.resize(static_cast<size_t>(count));
    FaceDepthKey* source = keys;
    FaceDepthKey* target = scratch.data();
    for (int pass = 0; pass < Passes; ++pass) {
        auto& counts = histogram[pass];
        if (std::find(counts.begin(), counts.end(), static_cast<uint32_t>(count)) != counts.end()) continue;
        uint32_t offset = 0;
        for (uint32_t& bucket : counts) offset += std::exchange(bucket, offset);
        for (int32_t i = 0; i < count; ++i) {
            const uint64_t bits = farthestFirstBits(source[i].key);
            target[counts[(bits >> (8 * pass)) & 0xFF]++] = source[i];
        }
        std::swap(source, target);
    }
    if (source != keys) std::copy(source, source + count, keys);
}

void FrameRenderer::renderFrame(CDeviceContext& context, const MeshObject& mesh, const ProjectionParams& params,
                                const RenderStyle& style) {
    CDibSurface& surface = context.surface();
    const uint8_t* sprite = nullptr;
    if (style.spriteBank != nullptr && style.spriteIndex >= 0 && style.spriteIndex < SpriteCountMax)
        sprite = style.spriteBank + static_cast<size_t>(style.spriteIndex) * SpriteBytes;
    const bool drawsSprites = style.mode == RenderSprites || style.mode == RenderHiddenSprites;
    if (drawsSprites) convertSprite(sprite, inkPixelsOf(style.inks), spritePixels_);

    projectMesh(mesh, params, projection);
    sortedCount_ = 0;
    if (style.mode < 0 || style.mode >= RenderModeCount) return;

    const int32_t faceCount = std::clamp(mesh.faceCount, 0, MeshCapacity);
    const MeshFace* faces = mesh.faces.data();
    const int32_t* screenX = projection.screenX.data();
    const int32_t* screenY = projection.screenY.data();
    const double* depth = projection.depth.data();
    const uint8_t* usable = projection.usable.data();
    auto drawable = [&](const MeshFace& face) {
        return mesh.faceIsValid(face) && usable[face.a] && usable[face.b] && usable[face.c];
    };

    const bool sorted = drawsSorted(style.mode);
    int32_t drawCount = 0;
    if (sorted) {
        // The order only matters where faces cover each other; table-order
        // modes skip the sort altogether.
        for (int32_t i = 0; i < faceCount; ++i) {
            const MeshFace& face = faces[i];
            if (!drawable(face)) continue;
            keys_[drawCount++] = {(depth[face.a] + depth[face.c]) + depth[face.b], i};
        }
        sortFaceDepthKeys(keys_.data(), drawCount, scratch_);
        sortedCount_ = drawCount;
    } else {
        drawCount = faceCount;
    }

    for (int32_t n = 0; n < drawCount; ++n) {
        const MeshFace& face = faces[sorted ? keys_[n].face : n];
        if (!sorted && !drawable(face)) continue;
        const Point corners[3] = {{screenX[face.a], screenY[face.a]},
                                  {screenX[face.b], screenY[face.b]},
                                  {screenX[face.c], screenY[face.c]}};
        switch (style.mode) {
            case RenderPoints:
                for (const Point& corner : corners) context.setPixelV(corner.x, corner.y, style.pointColour);
                break;
            case RenderWireframe:
                context.polyline(corners, 3);
                break;
            case RenderSprites:
                for (const Point& corner : corners)
                    paintSprite(surface, corner.x, corner.y, spritePixels_, style.spriteSide);
                break;
            case RenderHiddenPoints:
            case RenderHiddenFaces:
            case RenderFilledFaces:
                context.polygon(corners, 3);
                for (const Point& corner : corners) context.setPixelV(corner.x, corner.y, style.pointColour);
                break;
            case RenderHiddenSprites:
                context.polygon(corners, 3);
                for (const Point& corner : corners)
                    paintSprite(surface, corner.x, corner.y, spritePixels_, style.spriteSide);
                break;
        }
    }
}

void drawSpriteAt(CDibSurface& surface, int32_t x, int32_t y, const uint8_t* sprite, int32_t side,
                  const InkArray& inks) {
    SpritePixels pixels;
    convertSprite(sprite, inkPixelsOf(inks), pixels);
    paintSprite(surface, x, y, pixels, side);
}

void drawEditorMarker(CDeviceContext& context, const MeshObject& mesh, const ProjectionParams& params,
                      int32_t faceIndex, int32_t vertexIndex, uint32_t colourRef, ProjectionBuffers& markerBuffers) {
    projectMesh(mesh, params, markerBuffers);
    if (faceIndex == -1) {
        if (vertexIndex < 0 || vertexIndex >= mesh.vertexCount || !markerBuffers.usable[vertexIndex]) return;
        const int32_t x = markerBuffers.screenX[vertexIndex];
        const int32_t y = markerBuffers.screenY[vertexIndex];
        for (int32_t dx = -1; dx <= 1; ++dx)
            for (int32_t dy = -1; dy <= 1; ++dy)
                context.setPixelV(static_cast<int32_t>(std::clamp<int64_t>(int64_t{x} + dx, INT32_MIN, INT32_MAX)),
                                  static_cast<int32_t>(std::clamp<int64_t>(int64_t{y} + dy, INT32_MIN, INT32_MAX)),
                                  colourRef);
        return;
    }
    if (faceIndex < 0 || faceIndex >= mesh.faceCount) return;
    const MeshFace& face = mesh.faces[faceIndex];
    if (!mesh.faceIsValid(face)) return;
    if (!markerBuffers.usable[face.a] || !markerBuffers.usable[face.b] || !markerBuffers.usable[face.c]) return;
    const Point corners[3] = {{markerBuffers.screenX[face.a], markerBuffers.screenY[face.a]},
                              {markerBuffers.screenX[face.b], markerBuffers.screenY[face.b]},
                              {markerBuffers.screenX[face.c], markerBuffers.screenY[face.c]}};
    context.polygon(corners, 3);
}

}  // namespace volumix
