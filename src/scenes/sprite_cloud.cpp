#include "scenes/sprite_cloud.h"

#include <cmath>

#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/textures.h"
#include "model/obj_draw.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

std::array<double, 3> spriteCloudEye(float t) {
    const double a = 0.05 * t;
    return {6.0 * std::cos(a), 0.0, 5.0 * std::sin(a)};
}

void drawSpriteCloudScene(float t) {
    glLoadIdentity();
    const std::array<double, 3> eye = spriteCloudEye(t);
    lookAt(eye[0], eye[1], eye[2], 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);

    glPushMatrix();
    glScalef(0.01f, 0.01f, 0.01f);
    // Each sprite multiplies the picture behind it; none writes depth, so order is free.
    glEnable(GL_TEXTURE_2D);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    beginWhiteKeyedSprites(kSpriteCloudTexture);
    beginUnmodulatedTexels();
    drawObjModelSprites(ModelTable[kSpriteCloudModel], t);
    endUnmodulatedTexels();
    endWhiteKeyedSprites();
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();

    drawSpriteField();
}
