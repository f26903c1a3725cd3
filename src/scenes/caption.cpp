#include "scenes/caption.h"

#include "gfx/gl.h"
#include "gfx/ramp.h"
#include "gfx/screen_projection.h"
#include "gfx/textures.h"

float captionAlpha(float fadeInStart, float fadeOutStart, float t) {
    const float fadeIn = clampedRamp(fadeInStart, fadeInStart + 2.0f, t);
    const float fadeOut = clampedRamp(fadeOutStart, fadeOutStart + 2.0f, t);
    return (1.0f - fadeOut) * fadeIn;
}

void drawCaption(int width, int height, float x, float y, int textureIndex, float fadeInStart,
                 float fadeOutStart, float t) {
    beginScreenProjection();
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(textureIndex);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glColor4f(1.0f, 1.0f, 1.0f, captionAlpha(fadeInStart, fadeOutStart, t));
    glTranslatef(x, y, 0.0f);
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    // s runs from -1 to 0: with repeating textures the image shows once, left to right.
    glBegin(GL_QUADS);
    glTexCoord2f(-1.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(-1.0f, 1.0f);
    glVertex2f(0.0f, h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(w, h);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(w, 0.0f);
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    endScreenProjection();
}
