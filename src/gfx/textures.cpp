#include "gfx/textures.h"

#include "gfx/gl_compat.h"
#include "gfx/multitexture.h"

#include <cstddef>
#include <vector>

GLuint TextureTable[kTextureSlots] = {};
GLUquadric* sharedQuadric = nullptr;

void bindTableTexture(int index) {
    glBindTexture(GL_TEXTURE_2D, TextureTable[index]);
}

bool readTextureLevelZero(GLuint texture, GLint& width, GLint& height,
                          std::vector<GLubyte>& texels) {
    return readLevelZeroTexels(texture, width, height, texels);
}

void beginUnmodulatedTexels() {
    if (currentColourIsWhite()) {
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    }
}

void endUnmodulatedTexels() {
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}

void setTableTextureSampling() {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
}

GLuint makeNearestTexture(GLint width, GLint height, const std::vector<GLubyte>& texels) {
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    setTableTextureSampling();
    pushPixelStore();
    setPixelStore(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 texels.data());
    popPixelStore();
    return texture;
}

namespace {
struct WhiteKeyed {
    GLuint source = 0;
    GLuint keyed = 0;
};
WhiteKeyed whiteKeyed[4];

GLuint makeWhiteKeyed(GLuint source) {
    GLint width = 0;
    GLint height = 0;
    std::vector<GLubyte> texels;
    if (!readTextureLevelZero(source, width, height, texels)) {
        return 0;
    }
    for (std::size_t i = 0; i < texels.size(); i += 4) {
        const bool white = texels[i] == 255 && texels[i + 1] == 255 && texels[i + 2] == 255;
        texels[i + 3] = white ? 0 : 255;
    }
    return makeNearestTexture(width, height, texels);
}

GLuint whiteKeyedCopy(GLuint source) {
    for (const WhiteKeyed& known : whiteKeyed) {
        if (known.source == source && known.keyed != 0) {
            return known.keyed;
        }
    }
    for (WhiteKeyed& slot : whiteKeyed) {
        if (slot.keyed == 0) {
            slot = {source, makeWhiteKeyed(source)};
            return slot.keyed;
        }
    }
    return 0;
}
} // namespace

void beginWhiteKeyedSprites(int index) {
    const GLuint source = TextureTable[index];
    const GLuint keyed = source != 0 ? whiteKeyedCopy(source) : 0;
    if (keyed == 0) {
        glBindTexture(GL_TEXTURE_2D, source);
        return;
    }
    glBindTexture(GL_TEXTURE_2D, keyed);
    beginDroppingAlphaZero();
}

void forgetWhiteKeyedTextures() {
    for (WhiteKeyed& slot : whiteKeyed) {
        slot = {};
    }
}

void endWhiteKeyedSprites() {
    endDroppingAlphaZero();
}

void beginDroppingAlphaZero() {
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_GREATER, 0.0f);
}

void endDroppingAlphaZero() {
    glAlphaFunc(GL_ALWAYS, 0.0f);
    glDisable(GL_ALPHA_TEST);
}

MultitextureCalls multitexture;
