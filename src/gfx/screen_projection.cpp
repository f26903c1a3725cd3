#include "gfx/screen_projection.h"

#include "gfx/gl.h"

namespace {
void beginProjection(double zFar) {
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, kScreenWidth, kScreenHeight, 0.0, -1.0, zFar);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
}
} // namespace

void beginScreenProjection() {
    beginProjection(1.0);
}

void beginBackdropProjection() {
    beginProjection(0.0);
}

void endScreenProjection() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}
