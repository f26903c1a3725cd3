// PNG files to GL textures.
#pragma once

#include "gfx/gl.h"
#include "timeline/png_decode.h"

// One PNG file to a new GL texture (left bound): GL_REPEAT, GL_NEAREST filters and the
// whole mipmap chain. 0, with no message, when the file is missing or not a valid PNG.
// readBackLater: the texture's level 0 will be read back (readTextureLevelZero), so where GL
// cannot read textures back (the web) a copy is kept for it.
GLuint loadTexture(const char* path, bool readBackLater = false);
