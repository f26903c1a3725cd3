#include "scenes/swirling_sea.h"

#include <cmath>

#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/textures.h"
#include "model/obj_draw.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

std::array<double, 3> swirlingSeaEye(float t) {
    const double a = static_cast<double>(t) * static_cast<double>(0.033333335f);
    return {14.0 * std::sin(a), 0.0, 14.0 * std::cos(a)};
}

void drawSwirlingSeaScene(float t) {
    glLoadIdentity();
    const std::array<double, 3> eye = swirlingSeaEye(t);
    lookAt(eye[0], eye[1], eye[2], 0.0, 0.0, 0.0, 0.0, 1.0, 1.0);

    // Blending and depth writes stay as the background pass left them (off, on).
    glPushMatrix();
    glScalef(0.01f, 0.01f, 0.01f);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(kSwirlingSeaTexture);
    beginSphereMap();
    beginUnmodulatedTexels();
    drawObjModelSwirled(ModelTable[kSwirlingSeaModel], t);
    endUnmodulatedTexels();
    endSphereMap();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();

    drawSpriteField();
}
