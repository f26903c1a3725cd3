#include "scenes/rising_row.h"

#include <cmath>

#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/textures.h"
#include "model/obj_draw.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

float risingRowClock(float t) {
    return t - 80.0f;
}

std::array<double, 3> risingRowEye(float t) {
    const double u = risingRowClock(t);
    return {1.0 + 8.0 * std::sin(0.02 * u), 8.0, 2.0};
}

float risingRowLift(float t) {
    const double u = risingRowClock(t);
    return static_cast<float>(u / (5.0 + 0.1 * std::sin(u)) - 2.0);
}

Vec3 risingRowCopyOffset(int k) {
    const double b = k - 3;
    return {static_cast<float>(-540 + 180 * k), static_cast<float>(120.0 * std::sin(b * b)),
            static_cast<float>(70.0 * std::tan(b))};
}

RisingRowTilt risingRowCopyTilt(int k) {
    const float angle = PhaseTable[k].x;
    return {2.0f * angle, angle};
}

float risingRowCopyWarpTime(int k, float t) {
    return 5.0f * PhaseTable[k].z + risingRowClock(t);
}

void drawRisingRowScene(float t) {
    glLoadIdentity();
    const std::array<double, 3> eye = risingRowEye(t);
    lookAt(eye[0], eye[1], eye[2], -2.0, 0.0, 0.0, 0.0, 1.0, 1.0);

    glPushMatrix();
    glTranslatef(0.0f, risingRowLift(t), 0.0f);
    glScalef(0.01f, 0.01f, 0.01f);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(kRisingRowTexture);
    beginSphereMap();
    beginUnmodulatedTexels();
    for (int k = 0; k < kRisingRowCopies; ++k) {
        glPushMatrix();
        const Vec3 offset = risingRowCopyOffset(k);
        glTranslatef(offset.x, offset.y, offset.z);
        const RisingRowTilt tilt = risingRowCopyTilt(k);
        glRotatef(tilt.aboutY, 0.0f, 1.0f, 0.0f);
        glRotatef(tilt.aboutZ, 0.0f, 0.0f, 1.0f);
        drawObjModelSwirled(ModelTable[kRisingRowModel], risingRowCopyWarpTime(k, t));
        glPopMatrix();
    }
    endUnmodulatedTexels();
    endSphereMap();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPopMatrix();

    drawSpriteField();
}
