// GL set-up for the sprite scenes' benchmark: start-up's tables, fixed state and shared
// quadric, stand-in textures, and the state the frame composer leaves before a scene.
#pragma once

#include "gfx/gl.h"
#include "scene_setup.h"

namespace sprite_scenes_gl {

inline void initialiseLikeStartUp() {
    initialiseScenesLikeStartUp();
}

inline void fillTextureSlots() {
    makeSceneTextures();
}

// A cleared 512 square, texturing and blending off, opaque white, modelview current.
inline void beginSceneFrame() {
    setUpSceneGlState();
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

} // namespace sprite_scenes_gl
