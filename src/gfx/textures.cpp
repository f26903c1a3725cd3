#include "gfx/textures.h"

#include "gfx/multitexture.h"

GLuint TextureTable[kTextureSlots] = {};
GLUquadric* sharedQuadric = nullptr;

void bindTableTexture(int index) {
    glBindTexture(GL_TEXTURE_2D, TextureTable[index]);
}

MultitextureCalls multitexture;
