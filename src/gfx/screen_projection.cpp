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

void resizeView(int width, int height) {
    glViewport(0, 0, width, height);
    if (height == 0) {
        return;
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, static_cast<double>(width) / static_cast<double>(height), 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}
