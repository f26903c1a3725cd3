// PNG files to GL textures.
#pragma once

#include "gfx/gl.h"
#include "timeline/png_decode.h"

// One PNG file to a new GL texture (left bound): GL_REPEAT, GL_NEAREST filters and the
// whole mipmap chain. 0, with no message, when the file is missing or not a valid PNG.
GLuint loadTexture(const char* path);
