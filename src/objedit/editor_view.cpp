#include "objedit/editor_view.h"

#include "platform/device_context.h"

namespace volumix {

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
