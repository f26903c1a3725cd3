// The GL 1.3 multitexture calls the faster passes use, found through the GL lookup at
// start-up; null where the driver lacks them or has fewer than two texture units, and those
// passes then draw as they would without.
#pragma once

#include "gfx/gl.h"

struct MultitextureCalls {
    void(APIENTRY* activeTexture)(GLenum unit) = nullptr;
    void(APIENTRY* clientActiveTexture)(GLenum unit) = nullptr;
    void(APIENTRY* multiTexCoord2f)(GLenum unit, GLfloat s, GLfloat t) = nullptr;

    bool available() const {
        return activeTexture != nullptr && clientActiveTexture != nullptr &&
               multiTexCoord2f != nullptr;
    }
};

extern MultitextureCalls multitexture;
