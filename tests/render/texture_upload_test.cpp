// PNG files through loadTexture into a real GL context (llvmpipe): the texels, levels and
// parameters GL ends up holding.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "support/mp3_tools.h"
#include "support/offscreen_gl.h"
#include "support/test_png.h"
#include "timeline/texture_loader.h"

namespace {

class TextureUpload : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(gl_.ok()) << gl_.error(); }
    OffscreenGl gl_;
};

GLint levelParameter(int level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

// The bound texture's level as tightly packed RGB or RGBA bytes, rows as GL stores them.
std::vector<uint8_t> texels(int level, int channels) {
    std::vector<uint8_t> out(static_cast<size_t>(levelParameter(level, GL_TEXTURE_WIDTH)) *
                             levelParameter(level, GL_TEXTURE_HEIGHT) * channels);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                  out.data());
    return out;
}

// The new texture is bound, repeats, samples nearest, and holds the given level 0 and every
// level below it down to 1 x 1 (each halved as the mipmap tests check), and none further.
void expectTexture(GLuint texture, DecodedImage level) {
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture));
    for (const auto& [name, want] : {std::pair<GLenum, GLint>{GL_TEXTURE_WRAP_S, GL_REPEAT},
                                     {GL_TEXTURE_WRAP_T, GL_REPEAT},
                                     {GL_TEXTURE_MIN_FILTER, GL_NEAREST},
                                     {GL_TEXTURE_MAG_FILTER, GL_NEAREST}}) {
        GLint value = -1;
        glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
        EXPECT_EQ(value, want) << name;
    }
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT),
              level.channels == 4 ? GL_RGBA : GL_RGB);
    for (int i = 0;; ++i) {
        EXPECT_EQ(levelParameter(i, GL_TEXTURE_WIDTH), level.width) << "level " << i;
        EXPECT_EQ(levelParameter(i, GL_TEXTURE_HEIGHT), level.height) << "level " << i;
        EXPECT_EQ(texels(i, level.channels), level.pixels) << "level " << i;
        if (level.width == 1 && level.height == 1) {
            EXPECT_EQ(levelParameter(i + 1, GL_TEXTURE_WIDTH), 0);
            break;
        }
        level = halveImage(level);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Rows of 6 bytes also prove the upload ignores the caller's unpack alignment, which is
// restored afterwards.
TEST_F(TextureUpload, TopRowFirstWithRepeatNearestAndTheWholeChain) {
    const std::vector<uint8_t> rows = {10,  20, 30,  30,  40,  50, //
                                       50,  60, 70,  70,  80,  91, //
                                       200, 0,  0,   0,   200, 0,  //
                                       0,   0,  200, 255, 255, 255};
    const std::string path = writeTempFile("rgb.png", encodeRgbPng(2, 4, rows));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    const GLuint texture = loadTexture(path.c_str());
    expectTexture(texture, {2, 4, 3, rows});
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 8);
    // Each deeper texel is the rounded mean of the 2 x 2 (then 1 x 2) block above it.
    EXPECT_EQ(texels(1, 3), (std::vector<uint8_t>{40, 50, 60, 114, 114, 114}));
    EXPECT_EQ(texels(2, 3), (std::vector<uint8_t>{77, 82, 87}));
    const GLuint second = loadTexture(path.c_str());
    EXPECT_NE(second, texture);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(second));
}

} // namespace
