#pragma once

#include <cstdint>

#include "cpc/palette.h"
#include "mesh/mesh_object.h"
#include "objedit/object_editing.h"
#include "platform/dib_surface.h"
#include "render/renderer.h"

namespace volumix {

// The object editor's view: 640 x 400 square pixels, the object centred.
inline constexpr int32_t EditorViewWidth = 640;
inline constexpr int32_t EditorViewHeight = 400;
inline constexpr int32_t EditorZoomMin = 1;
inline constexpr int32_t EditorZoomMax = 50000;
inline constexpr int32_t EditorAngleMax = 359;
// The five modes the editor offers: those without sprites.
inline constexpr int32_t EditorRenderModeCount = 5;

// How the view is drawn. Ink 0 is the background, ink 1 lines and points,
// ink 2 the faces of "faces pleines", ink 3 the selection.
struct EditorViewSettings {
    int32_t zoom = EditorZoomMin;
    int32_t angleX = 0;
    int32_t angleY = 0;
    int32_t angleZ = 0;
    RenderMode mode = RenderPoints;
    EditorSelection selection;
    InkArray inks = DefaultInks;
};

// Turning and zooming the view with the mouse; the sliders keep the values.
// A drag with the left button turns the view: across, about Y; down, about
// X; two pixels a degree. The wheel zooms by a factor per notch.
inline constexpr int32_t EditorDragPixelsPerDegree = 2;
inline constexpr double EditorZoomPerNotch = 1.25;

struct EditorDragAngles {
    int32_t angleX = 0;
    int32_t angleY = 0;
};

// The angles after a drag of (dx, dy) pixels from where the button went
// down, with the angles the sliders had then. Angles wrap around 0..359, so
// a long drag goes on turning.
EditorDragAngles anglesAfterDrag(int32_t startAngleX, int32_t startAngleY, int32_t dx, int32_t dy);

// The zoom after `notches` whole wheel notches (up, positive, zooms in):
// multiplied by EditorZoomPerNotch per notch, at least one step a notch so a
// small zoom still moves, and kept to EditorZoomMin..EditorZoomMax.
int32_t zoomAfterWheel(int32_t zoom, int32_t notches);

// The GDI colour of an ink through its frame pixel (an ink holding no
// hardware colour draws black).
uint32_t editorInkColourRef(const InkArray& inks, int32_t ink);

// Clears the surface to ink 0, renders the mesh, then marks the selection:
// the selected face's triangle outlined in ink 3 (filled with the mode's
// brush), or else the 3 x 3 pixels around the selected point. A surface
// that was never created is left alone.
void drawEditorView(CDibSurface& surface, FrameRenderer& renderer, const MeshObject& mesh,
                    const EditorViewSettings& settings);

}  // namespace volumix
