#include "timeline/texture_loader.h"

#include "gfx/gl_compat.h"
#include "gfx/textures.h"

GLuint loadTexture(const char* path, bool readBackLater) {
    GLint maxSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
    DecodedImage image;
    if (maxSize < 1 || !decodePngTexture(path, maxSize, image)) {
        return 0;
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    if (texture == 0) {
        return 0;
    }
    glBindTexture(GL_TEXTURE_2D, texture);
    setTableTextureSampling();

    // Tightly packed rows, whatever the caller's unpack state; restored afterwards.
    pushPixelStore();
    setPixelStore(GL_UNPACK_ALIGNMENT, 1);
    setPixelStore(GL_UNPACK_ROW_LENGTH, 0);
    setPixelStore(GL_UNPACK_SKIP_ROWS, 0);
    setPixelStore(GL_UNPACK_SKIP_PIXELS, 0);
    setPixelStore(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    setPixelStore(GL_UNPACK_LSB_FIRST, GL_FALSE);
    if (readBackLater) {
        keepLevelZero(texture, image.width, image.height, image.channels, image.pixels);
    }
    const GLenum format = image.channels == 4 ? GL_RGBA : GL_RGB;
    // Rows go up top first, so the image's top row is texture row 0 (t = 0).
    for (int level = 0;; ++level) {
        glTexImage2D(GL_TEXTURE_2D, level, static_cast<GLint>(format), image.width, image.height, 0,
                     format, GL_UNSIGNED_BYTE, image.pixels.data());
        if (image.width == 1 && image.height == 1) {
            break;
        }
        image = halveImage(image);
    }
    popPixelStore();
    return texture;
}
