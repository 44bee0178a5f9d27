#include "render/renderer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <exception>
#include <memory>
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

// Paints the sprite's pixels that fall in the clip box.
void paintSprite(CDibSurface& surface, const ClipBox& box, int32_t x, int32_t y, const SpritePixels& sprite,
                 int32_t side) {
    if (side < 1 || side > SpriteSideMax || surface.bits == nullptr) return;
    const int64_t left = int64_t{x} - side;
    const int64_t top = int64_t{y} - (side >> 1);
    const int64_t columnBegin = std::max<int64_t>(0, box.left - left);
    const int64_t columnEnd = std::min<int64_t>(2 * side, int64_t{box.right} - left);
    const int64_t rowBegin = std::max<int64_t>(0, box.top - top);
    const int64_t rowEnd = std::min<int64_t>(side, int64_t{box.bottom} - top);
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

namespace {

// The depth sort is a bucket sort on the order-preserving bits: one stable
// pass spreads the records over about half as many buckets as records (at
// most 65536) by their place between the smallest and the largest key, then
// the buckets are sorted: by one insertion sort over them all when every one
// is small (the usual case, a record or two each), otherwise each on its own,
// by a merge sort where keys crowd into one. A radix sort
// streams the whole table through the cache once for each byte of the key.
constexpr int32_t BucketBitsMax = 16;
static_assert(int32_t{1} << BucketBitsMax == FaceSortBucketsMax);
constexpr int32_t InsertionSortMax = 32;
using BucketEnds = FaceSortScratch::BucketEnds;

double keyOfBits(uint64_t sortBits) {
    const uint64_t ordered = ~sortBits;
    return std::bit_cast<double>((ordered & 0x8000000000000000ull) ? (ordered & 0x7FFFFFFFFFFFFFFFull) : ~ordered);
}

template <class Record>
void insertionSort(Record* records, int32_t count) {
    for (int32_t i = 1; i < count; ++i) {
        const Record record = records[i];
        int32_t j = i;
        for (; j > 0 && records[j - 1].bits > record.bits; --j) records[j] = records[j - 1];
        records[j] = record;
    }
}

// Stable, bottom-up over insertion-sorted runs; `spare` holds count records.
template <class Record>
void mergeSort(Record* records, Record* spare, int32_t count) {
    for (int32_t i = 0; i < count; i += InsertionSortMax)
        insertionSort(records + i, std::min(InsertionSortMax, count - i));
    Record* from = records;
    Record* to = spare;
    for (int64_t width = InsertionSortMax; width < count; width *= 2) {
        for (int64_t low = 0; low < count; low += 2 * width) {
            const int64_t middle = std::min<int64_t>(low + width, count);
            const int64_t high = std::min<int64_t>(low + 2 * width, count);
            int64_t i = low, j = middle, k = low;
            // The left run wins ties: equal keys keep their order.
            while (i < middle && j < high) to[k++] = from[j].bits < from[i].bits ? from[j++] : from[i++];
            k = std::copy(from + i, from + middle, to + k) - to;
            std::copy(from + j, from + high, to + k);
        }
        std::swap(from, to);
    }
    if (from != records) std::copy(from, from + count, records);
}

// Spreads entries [0, count), whose bits lie in [low, high], into `spread`
// as records made by `make`, stably, bucket b ending at ends[b]. Returns the
// number of buckets.
template <class Record, class Make>
int32_t spreadIntoBuckets(const FaceSortEntry* entries, int32_t count, uint64_t low, uint64_t high, BucketEnds& ends,
                          Record* spread, Make make) {
    // About two records a bucket.
    const int32_t bucketBits =
        std::clamp(static_cast<int32_t>(std::bit_width(static_cast<uint32_t>(count))) - 1, 1, BucketBitsMax);
    const int32_t shift = std::max(0, static_cast<int32_t>(std::bit_width(high - low)) - bucketBits);
    const int32_t buckets = static_cast<int32_t>((high - low) >> shift) + 1;
    std::fill(ends.begin(), ends.begin() + buckets, 0u);
    for (int32_t i = 0; i < count; ++i) ++ends[(entries[i].bits - low) >> shift];
    // Each entry becomes its bucket's start, and is its end once filled.
    uint32_t start = 0;
    for (int32_t b = 0; b < buckets; ++b) start += std::exchange(ends[b], start);
    for (int32_t i = 0; i < count; ++i) spread[ends[(entries[i].bits - low) >> shift]++] = make(entries[i]);
    return buckets;
}

// Sorts buckets [first, last) where they lie, each using the same stretch of
// `spare`.
template <class Record>
void sortBuckets(Record* spread, Record* spare, const BucketEnds& ends, int32_t first, int32_t last) {
    if (first >= last) return;
    // With every bucket small (the usual case) one insertion sort over them
    // all moves each record within its own bucket, and saves a loop per
    // bucket whose length the branches cannot foresee.
    const uint32_t rangeBegin = first == 0 ? 0 : ends[first - 1];
    uint32_t largest = 0;
    for (int32_t b = first, begin = static_cast<int32_t>(rangeBegin); b < last; begin = static_cast<int32_t>(ends[b++]))
        largest = std::max(largest, ends[b] - static_cast<uint32_t>(begin));
    if (largest <= InsertionSortMax) {
        insertionSort(spread + rangeBegin, static_cast<int32_t>(ends[last - 1] - rangeBegin));
        return;
    }
    for (int32_t b = first; b < last; ++b) {
        const uint32_t begin = b == 0 ? 0 : ends[b - 1];
        const int32_t count = static_cast<int32_t>(ends[b] - begin);
        if (count <= InsertionSortMax)
            insertionSort(spread + begin, count);
        else
            mergeSort(spread + begin, spare + begin, count);
    }
}

}  // namespace

void sortFaceDepthKeys(FaceDepthKey* keys, int32_t count, FaceSortScratch& scratch) {
    if (count < 2) return;
    scratch.entries.resize(static_cast<size_t>(count));
    scratch.spread.resize(static_cast<size_t>(count));
    scratch.spare.resize(static_cast<size_t>(count));
    uint64_t low = UINT64_MAX;
    uint64_t high = 0;
    for (int32_t i = 0; i < count; ++i) {
        const uint64_t bits = farthestFirstBits(keys[i].key);
        scratch.entries[i] = {bits, keys[i].face};
        low = std::min(low, bits);
        high = std::max(high, bits);
    }
    if (low == high) return;  // every key the same: the given order stands
    FaceSortEntry* spread = scratch.spread.data();
    const int32_t buckets = spreadIntoBuckets(scratch.entries.data(), count, low, high, *scratch.ends, spread,
                                              [](const FaceSortEntry& entry) { return entry; });
    sortBuckets(spread, scratch.spare.data(), *scratch.ends, 0, buckets);
    for (int32_t i = 0; i < count; ++i) keys[i] = {keyOfBits(spread[i].bits), spread[i].face};
}

FrameRenderer::FrameRenderer() { setThreadCount(2); }

void FrameRenderer::setThreadCount(int32_t count) {
    const bool severalCores = std::thread::hardware_concurrency() > 1;
    threadCount_ = count >= 2 && severalCores ? 2 : 1;
}

bool FrameRenderer::helperStarted() {
    if (helper_ != nullptr) return true;
    if (helperFailed_) return false;
    try {
        helper_ = std::make_unique<HelperThread>();
    } catch (const std::exception&) {
        helperFailed_ = true;  // no thread to be had: one thread draws
    }
    return helper_ != nullptr;
}

// Balances the bands by the projected vertices on each side of the split,
// which follow the faces closely enough; any row gives the same picture, and
// every eighth vertex places it as well as all of them.
int32_t FrameRenderer::balancedSplitRow(const MeshObject& mesh, const ClipBox& box) const {
    constexpr int32_t Bins = 64;
    std::array<int32_t, Bins> histogram{};
    const int64_t rows = int64_t{box.bottom} - box.top;
    const int32_t vertexCount = std::clamp(mesh.vertexCount, 0, MeshCapacity);
    const int32_t* screenY = projection.screenY.data();
    const uint8_t* usable = projection.usable.data();
    int32_t total = 0;
    for (int32_t i = 0; i < vertexCount; i += 8) {
        if (!usable[i]) continue;
        const int64_t row = std::clamp<int64_t>(int64_t{screenY[i]} - box.top, 0, rows - 1);
        ++histogram[static_cast<size_t>(row * Bins / rows)];
        ++total;
    }
    int32_t bin = 0;
    for (int32_t seen = 0; bin < Bins - 1; ++bin) {
        seen += histogram[static_cast<size_t>(bin)];
        if (2 * seen >= total) break;
    }
    const int64_t split = box.top + (bin + 1) * rows / Bins;
    return static_cast<int32_t>(std::clamp<int64_t>(split, int64_t{box.top} + 1, int64_t{box.bottom} - 1));
}

namespace {

// What drawing a frame's faces reads, shared by the threads.
struct FaceDrawing {
    const MeshObject* mesh;
    const SortedFace* order;  // null: table order, every face checked
    int32_t count;
    const int32_t* screenX;
    const int32_t* screenY;
    const uint8_t* usable;
    const RenderStyle* style;
    const SpritePixels* sprite;
};

// Sized on the calling thread, so that a failed allocation is thrown there
// and never from the helper.
void prepareDrawList(FaceDrawList& d, int32_t faceCount) {
    const size_t size = static_cast<size_t>(faceCount);
    if (d.keys.size() < size) d.keys.resize(size);
    if (d.list.size() < size) d.list.resize(size);
    if (d.spare.size() < size) d.spare.resize(size);
}

// The drawable faces that `reaches` takes (given a face's top and bottom
// rows), in table order, then spread into buckets with each face's corners,
// and the buckets sorted: farthest first, ties in table order. The list must
// have been prepared for faceCount faces.
template <class Reaches>
void sortFaces(const MeshObject& mesh, int32_t faceCount, const ProjectionBuffers& projection, FaceDrawList& d,
               Reaches reaches) {
    const MeshFace* faces = mesh.faces.data();
    const double* depth = projection.depth.data();
    const uint8_t* usable = projection.usable.data();
    const int32_t* screenX = projection.screenX.data();
    const int32_t* screenY = projection.screenY.data();
    FaceSortEntry* keys = d.keys.data();
    int32_t count = 0;
    uint64_t low = UINT64_MAX;
    uint64_t high = 0;
    for (int32_t i = 0; i < faceCount; ++i) {
        const MeshFace& face = faces[i];
        if (!mesh.faceIsValid(face) || !usable[face.a] || !usable[face.b] || !usable[face.c]) continue;
        const int32_t ya = screenY[face.a], yb = screenY[face.b], yc = screenY[face.c];
        if (!reaches(std::min({ya, yb, yc}), std::max({ya, yb, yc}))) continue;
        const uint64_t bits = farthestFirstBits((depth[face.a] + depth[face.c]) + depth[face.b]);
        keys[count++] = {bits, i};
        low = std::min(low, bits);
        high = std::max(high, bits);
    }
    d.count = count;
    if (count == 0) return;

    auto withCorners = [&](const FaceSortEntry& entry) {
        const MeshFace& face = faces[entry.face];
        const int32_t x[3] = {screenX[face.a], screenX[face.b], screenX[face.c]};
        const int32_t y[3] = {screenY[face.a], screenY[face.b], screenY[face.c]};
        SortedFace sorted;
        sorted.bits = entry.bits;
        sorted.face = entry.face;
        for (int32_t k = 0; k < 3; ++k) {
            if (x[k] < INT16_MIN || x[k] > INT16_MAX || y[k] < INT16_MIN || y[k] > INT16_MAX) sorted.face = ~entry.face;
            sorted.x[k] = static_cast<int16_t>(x[k]);
            sorted.y[k] = static_cast<int16_t>(y[k]);
        }
        return sorted;
    };
    SortedFace* list = d.list.data();
    const int32_t buckets = spreadIntoBuckets(keys, count, low, high, *d.ends, list, withCorners);
    if (low == high) return;  // every key the same: table order stands
    sortBuckets(list, d.spare.data(), *d.ends, 0, buckets);
}

// Draws faces with one context's clip. Faces whose rows all lie outside the
// clip box set no pixel and are passed over at once.
class FaceDrawer {
public:
    FaceDrawer(CDeviceContext& context, const FaceDrawing& d)
        : painter_(context), box_(painter_.box()), surface_(context.surface()), style_(*d.style), sprite_(*d.sprite) {
        pointPixel_ = colourRefToPixel(style_.pointColour);
        const RenderMode mode = style_.mode;
        const bool sprites = mode == RenderSprites || mode == RenderHiddenSprites;
        const int32_t side = style_.spriteSide;
        const bool validSide = side >= 1 && side <= SpriteSideMax;
        // Rows a corner's sprite reaches above and below the corner.
        const int32_t above = sprites && validSide ? side >> 1 : 0;
        const int32_t below = sprites && validSide ? side - 1 - (side >> 1) : 0;
        reachTop_ = int64_t{box_.top} - below;
        reachBottom_ = int64_t{box_.bottom} + above;
    }

    bool empty() const { return box_.empty(); }
    // False when a face over these rows sets no pixel in the clip box.
    bool reachesRows(int32_t top, int32_t bottom) const { return bottom >= reachTop_ && top < reachBottom_; }

    void draw(const Point (&corners)[3]) const {
        const int32_t top = std::min({corners[0].y, corners[1].y, corners[2].y});
        const int32_t bottom = std::max({corners[0].y, corners[1].y, corners[2].y});
        if (!reachesRows(top, bottom)) return;
        switch (style_.mode) {
            case RenderPoints:
                for (const Point& corner : corners) painter_.setPixel(corner.x, corner.y, pointPixel_);
                break;
            case RenderWireframe:
                painter_.polyline(corners, 3);
                break;
            case RenderSprites:
                for (const Point& corner : corners)
                    paintSprite(surface_, box_, corner.x, corner.y, sprite_, style_.spriteSide);
                break;
            case RenderHiddenPoints:
            case RenderHiddenFaces:
            case RenderFilledFaces:
                painter_.triangleWithCorners(corners, pointPixel_);
                break;
            case RenderHiddenSprites:
                painter_.polygon(corners, 3);
                for (const Point& corner : corners)
                    paintSprite(surface_, box_, corner.x, corner.y, sprite_, style_.spriteSide);
                break;
        }
    }

private:
    const BatchPainter painter_;
    const ClipBox box_;
    CDibSurface& surface_;
    const RenderStyle& style_;
    const SpritePixels& sprite_;
    uint32_t pointPixel_ = 0;
    int64_t reachTop_ = 0;
    int64_t reachBottom_ = 0;
};

void drawFaces(const FaceDrawer& drawer, const FaceDrawing& d) {
    if (drawer.empty()) return;
    if (d.order != nullptr) {
        for (int32_t n = 0; n < d.count; ++n) {
            const SortedFace& sorted = d.order[n];
            if (sorted.face >= 0) {
                drawer.draw({{sorted.x[0], sorted.y[0]}, {sorted.x[1], sorted.y[1]}, {sorted.x[2], sorted.y[2]}});
                continue;
            }
            const MeshFace& face = d.mesh->faces[~sorted.face];
            drawer.draw({{d.screenX[face.a], d.screenY[face.a]},
                         {d.screenX[face.b], d.screenY[face.b]},
                         {d.screenX[face.c], d.screenY[face.c]}});
        }
        return;
    }
    const MeshObject& mesh = *d.mesh;
    for (int32_t n = 0; n < d.count; ++n) {
        const MeshFace& face = mesh.faces[n];
        if (!mesh.faceIsValid(face) || !d.usable[face.a] || !d.usable[face.b] || !d.usable[face.c]) continue;
        drawer.draw({{d.screenX[face.a], d.screenY[face.a]},
                     {d.screenX[face.b], d.screenY[face.b]},
                     {d.screenX[face.c], d.screenY[face.c]}});
    }
}

}  // namespace

void FrameRenderer::renderFrame(CDeviceContext& context, const MeshObject& mesh, const ProjectionParams& params,
                                const RenderStyle& style) {
    const uint8_t* sprite = nullptr;
    if (style.spriteBank != nullptr && style.spriteIndex >= 0 && style.spriteIndex < SpriteCountMax)
        sprite = style.spriteBank + static_cast<size_t>(style.spriteIndex) * SpriteBytes;
    const bool drawsSprites = style.mode == RenderSprites || style.mode == RenderHiddenSprites;
    if (drawsSprites) convertSprite(sprite, inkPixelsOf(style.inks), spritePixels_);

    const int32_t faceCount = std::clamp(mesh.faceCount, 0, MeshCapacity);
    const bool shared = threadCount_ > 1 && faceCount >= minFacesToShare_ && helperStarted();
    if (shared) {
        const int32_t vertexCount = std::clamp(mesh.vertexCount, 0, MeshCapacity);
        const int32_t half = vertexCount / 2;
        auto upperHalf = [&] { projectVertices(mesh, params, projection, half, vertexCount); };
        helper_->runAlongside(upperHalf, [&] { projectVertices(mesh, params, projection, 0, half); });
    } else {
        projectMesh(mesh, params, projection);
    }
    sortedCount_ = 0;
    if (style.mode < 0 || style.mode >= RenderModeCount) return;

    FaceDrawing drawing{&mesh,
                        nullptr,
                        faceCount,
                        projection.screenX.data(),
                        projection.screenY.data(),
                        projection.usable.data(),
                        &style,
                        &spritePixels_};
    // The order only matters where faces cover each other; table-order modes
    // skip the sort altogether.
    const bool sorted = drawsSorted(style.mode);
    const ClipBox box = context.clipBox();
    if (!shared || box.bottom - box.top < 2) {
        if (sorted) {
            FaceDrawList& all = lists_[0];
            prepareDrawList(all, faceCount);
            sortFaces(mesh, faceCount, projection, all, [](int32_t, int32_t) { return true; });
            sortedCount_ = all.count;
            drawing.order = all.list.data();
            drawing.count = all.count;
        }
        drawFaces(FaceDrawer(context, drawing), drawing);
        return;
    }
    const int32_t split = balancedSplitRow(mesh, box);
    CDeviceContext upper = context;
    upper.intersectClipRect(INT32_MIN, INT32_MIN, INT32_MAX, split);
    CDeviceContext lower = context;
    lower.intersectClipRect(INT32_MIN, split, INT32_MAX, INT32_MAX);
    // Each thread sorts and draws the faces that reach its band: a thread
    // passing over the other band's faces would lose a good part of its time
    // to them.
    auto drawBand = [&](CDeviceContext& bandContext, FaceDrawList& bandList) {
        const FaceDrawer drawer(bandContext, drawing);
        if (drawer.empty()) return;
        FaceDrawing band = drawing;
        if (sorted) {
            sortFaces(mesh, faceCount, projection, bandList,
                      [&](int32_t top, int32_t bottom) { return drawer.reachesRows(top, bottom); });
            band.order = bandList.list.data();
            band.count = bandList.count;
        }
        drawFaces(drawer, band);
    };
    if (sorted)
        for (FaceDrawList& list : lists_) prepareDrawList(list, faceCount);
    auto lowerBand = [&] { drawBand(lower, lists_[1]); };
    helper_->runAlongside(lowerBand, [&] { drawBand(upper, lists_[0]); });
}

void drawSpriteAt(CDibSurface& surface, int32_t x, int32_t y, const uint8_t* sprite, int32_t side,
                  const InkArray& inks) {
    SpritePixels pixels;
    convertSprite(sprite, inkPixelsOf(inks), pixels);
    paintSprite(surface, {0, 0, surface.width, surface.height}, x, y, pixels, side);
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
