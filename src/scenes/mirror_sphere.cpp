#include "scenes/mirror_sphere.h"

#include <cmath>

#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/textures.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace {

struct PlateCorner {
    float s;
    float t;
    Vec3 position;
};

// A 24-unit square in the plane y = 0, centred on the sphere.
constexpr PlateCorner kPlate[4] = {{1.0f, 1.0f, {-12.0f, 0.0f, -12.0f}},
                                   {0.0f, 1.0f, {12.0f, 0.0f, -12.0f}},
                                   {0.0f, 0.0f, {12.0f, 0.0f, 12.0f}},
                                   {1.0f, 0.0f, {-12.0f, 0.0f, 12.0f}}};

} // namespace

Vec3 mirrorSphereEye(float t) {
    const double a = 0.02 * t;
    return {static_cast<float>(8.0 * std::cos(a)),
            static_cast<float>(10.0 * std::sin(0.0125 * t) + 2.0),
            static_cast<float>(8.0 * std::sin(a))};
}

void drawMirrorSphereScene(float t) {
    glLoadIdentity();
    const Vec3 eye = mirrorSphereEye(t);
    lookAt(eye.x, eye.y, eye.z, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0);

    // The plate: each texel added weighted by itself, so bright parts glow. It writes depth.
    bindTableTexture(kTwirlPlateTexture);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_COLOR, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, 0.8f);
    glBegin(GL_QUADS);
    for (const PlateCorner& corner : kPlate) {
        glTexCoord2f(corner.s, corner.t);
        glVertex3f(corner.position.x, corner.position.y, corner.position.z);
    }
    glEnd();
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    // The opaque, sphere-mapped sphere, depth-tested against the plate.
    glPushMatrix();
    bindTableTexture(kMirrorTexture);
    beginSphereMap();
    beginUnmodulatedTexels();
    drawSphere(static_cast<double>(0.7f), 32, 32);
    endUnmodulatedTexels();
    endSphereMap();
    glPopMatrix();

    drawSpriteField();
}
