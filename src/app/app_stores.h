#pragma once

#include <memory>

#include "platform/dib_surface.h"
#include "cpc/screen_codec.h"
#include "export/frame_export.h"
#include "mesh/mesh_object.h"
#include "render/renderer.h"
#include "sequence/animation_sequence.h"
#include "sprites/sprite_bank.h"

namespace volumix {

// The stores that exist once for the program's life, with fixed capacities.
// The application owns one instance and hands it on by reference; each test
// builds its own. Large: allocate it on the heap (makeAppStores).
struct AppStores {
    MeshObject mesh;  // the object editor's
    // The mesh a run loads from the object file and draws to its end: the
    // object editor, which may be opened during a run, works on `mesh`.
    MeshObject runMesh;
    AnimationSequence sequence;
    SpriteBank sprites;
    FrameExport frameExport;
    FrameRenderer renderer;
    CDibSurface frameSurface;
    CCpcScreen background;

    AppStores() { frameSurface.create(FrameWidth, FrameHeight); }
};

inline std::unique_ptr<AppStores> makeAppStores() { return std::make_unique<AppStores>(); }

}  // namespace volumix
