#include "scenes/orbit.h"

#include <cmath>

#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/textures.h"
#include "model/obj_draw.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

float orbitClock(float t) {
    return t - 125.0f;
}

float orbitAngle(float t) {
    return orbitClock(t) * 0.033333335f;
}

std::array<double, 3> orbitEye(float t) {
    const double a = orbitAngle(t);
    const double u = orbitClock(t);
    return {6.0 * std::sin(a), 7.0 * std::sin(0.025 * u), 6.0 * std::cos(a)};
}

void drawOrbitScene(float t) {
    glLoadIdentity();
    const std::array<double, 3> eye = orbitEye(t);
    lookAt(eye[0], eye[1], eye[2], 0.0, 0.0, 0.0, 0.0, 1.0, 1.0);

    glPushMatrix();
    glScalef(0.01f, 0.01f, 0.01f);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(kOrbitTexture);
    beginSphereMap();
    beginUnmodulatedTexels();
    drawObjModelSwirled(ModelTable[kOrbitModel], orbitClock(t));
    endUnmodulatedTexels();
    endSphereMap();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();

    drawSpriteField();
}
