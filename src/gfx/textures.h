// Shared GPU resources made once at start-up and read by every pass and scene.
#pragma once

#include "gfx/gl.h"

inline constexpr int kTextureSlots = 256;

// GL texture names by index; 0 for a slot never loaded or whose file failed.
extern GLuint TextureTable[kTextureSlots];

// The GLU quadric made at start-up (smooth normals, texture coordinates on).
extern GLUquadric* sharedQuadric;

// Binds TextureTable[index] to GL_TEXTURE_2D (0, the default texture, for an empty slot).
void bindTableTexture(int index);
