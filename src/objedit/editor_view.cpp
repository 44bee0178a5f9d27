#include "objedit/editor_view.h"

#include <algorithm>
#include <cmath>

#include "platform/device_context.h"

namespace volumix {

namespace {

int32_t wrappedAngle(int64_t degrees) {
    const int64_t turn = EditorAngleMax + 1;
    return static_cast<int32_t>(((degrees % turn) + turn) % turn);
}

}  // namespace

EditorDragAngles anglesAfterDrag(int32_t startAngleX, int32_t startAngleY, int32_t dx, int32_t dy) {
    // Whole degrees from the drag's start, so no movement is lost to rounding
    // however the moves are sliced. A larger angle about Y carries the near
    // side of the object right, one about X carries it down: the object
    // follows the hand.
    return {wrappedAngle(int64_t{startAngleX} + dy / EditorDragPixelsPerDegree),
            wrappedAngle(int64_t{startAngleY} + dx / EditorDragPixelsPerDegree)};
}

int32_t zoomAfterWheel(int32_t zoom, int32_t notches) {
    const int32_t from = std::clamp(zoom, EditorZoomMin, EditorZoomMax);
    if (notches == 0) return from;
    // Past a few dozen notches every zoom is at an end of the range.
    const int32_t steps = std::clamp(notches, -64, 64);
    const double scaled = std::round(from * std::pow(EditorZoomPerNotch, steps));
    double moved = std::clamp(scaled, static_cast<double>(EditorZoomMin), static_cast<double>(EditorZoomMax));
    if (steps > 0) moved = std::max(moved, std::min<double>(from + steps, EditorZoomMax));
    if (steps < 0) moved = std::min(moved, std::max<double>(from + steps, EditorZoomMin));
    return static_cast<int32_t>(moved);
}

uint32_t editorInkColourRef(const InkArray& inks, int32_t ink) {
    return pixelToColourRef(hardwareColourPixel(inks[static_cast<size_t>(ink)]));
}

void drawEditorView(CDibSurface& surface, FrameRenderer& renderer, const MeshObject& mesh,
                    const EditorViewSettings& settings) {
    if (surface.bits == nullptr || surface.width <= 0 || surface.height <= 0) return;
    const InkArray& inks = settings.inks;
    surface.fill(hardwareColourPixel(inks[0]));

    CDeviceContext context(surface);
    // Hidden points draws its faces in the background colour: they only hide.
    context.selectPen(editorInkColourRef(inks, settings.mode == RenderHiddenPoints ? 0 : 1));
    context.selectBrush(editorInkColourRef(inks, settings.mode == RenderFilledFaces ? 2 : 0));

    const ProjectionParams params{EditorViewWidth / 2, EditorViewHeight / 2, settings.zoom, settings.zoom,
                                  settings.angleX, settings.angleY, settings.angleZ};
    RenderStyle style;
    style.mode = settings.mode;
    style.spriteSide = 4;
    style.spriteIndex = 1;  // no mode offered here draws sprites
    style.pointColour = editorInkColourRef(inks, 1);
    style.inks = inks;
    renderer.renderFrame(context, mesh, params, style);

    // The brush stays: a selected face is filled as the mode fills faces.
    const uint32_t highlight = editorInkColourRef(inks, 3);
    context.selectPen(highlight);
    drawEditorMarker(context, mesh, params, settings.selection.face, settings.selection.point, highlight,
                     renderer.projection);
}

}  // namespace volumix
