// Shared GPU resources made once at start-up and read by every pass and scene.
#pragma once

#include <vector>

#include "gfx/gl.h"

inline constexpr int kTextureSlots = 256;

// GL texture names by index; 0 for a slot never loaded or whose file failed.
extern GLuint TextureTable[kTextureSlots];

// The GLU quadric made at start-up (smooth normals, texture coordinates on).
extern GLUquadric* sharedQuadric;

// Binds TextureTable[index] to GL_TEXTURE_2D (0, the default texture, for an empty slot).
void bindTableTexture(int index);

// The full-size level of a texture as RGBA bytes in packed rows; false for an empty texture.
bool readTextureLevelZero(GLuint texture, GLint& width, GLint& height,
                          std::vector<GLubyte>& texels);
// Sets the bound GL_TEXTURE_2D to sample as the table's textures do: repeating, nearest.
void setTableTextureSampling();
// A new texture of RGBA texels that samples as the table's textures do: repeating, nearest,
// the full-size level only.
GLuint makeNearestTexture(GLint width, GLint height, const std::vector<GLubyte>& texels);

// Texturing with the texels as they are (GL_REPLACE) while the current colour is opaque white:
// nothing here is lit, so the default GL_MODULATE would multiply each texel by exactly one.
// The fragments are the same, and llvmpipe's fragment code no longer interpolates and
// multiplies the colour. With any other colour the mode stays GL_MODULATE. For drawing whose
// colour does not change before endUnmodulatedTexels (back to GL_MODULATE); on the active unit.
void beginUnmodulatedTexels();
void endUnmodulatedTexels();

// For sprites blended so that a fragment of alpha 0 leaves the picture as it is: the alpha
// test drops such fragments before blending. endDroppingAlphaZero turns it off again (its
// function back to GL_ALWAYS).
void beginDroppingAlphaZero();
void endDroppingAlphaZero();

// For sprites that multiply the picture by a texture in opaque white: where a texel is pure
// white such a sprite leaves the pixel as it is. Binds a copy of TextureTable[index] whose
// alpha is 0 at those texels and 1 elsewhere (made at the first call for each texture) and
// lets the alpha test drop those fragments before blending; with an empty slot it binds the
// default texture and leaves the alpha test off. End with endWhiteKeyedSprites.
void beginWhiteKeyedSprites(int index);
void endWhiteKeyedSprites();
// The copies belong to the GL context that made them: called when a context is set up, so
// that it makes its own (texture names of another context may stand for other images).
void forgetWhiteKeyedTextures();
