// The post-process pass as the frame composer runs it: a picture drawn into the 512 x 512
// corner, copied into a texture and stretched over 800 x 600, plain and through the shaders.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "postprocess_pass.h"
#include "shader/glsl_shaders.h"
#include "shader_test_support.h"
#include "support/offscreen_gl.h"

namespace {

struct Frame {
    std::vector<uint8_t> rgba; // 800 x 600, top row first
    // Luma of the screen pixel over a point of the 512 x 512 picture (x right, y up).
    int luma(float px, float py, int dx = 0) const {
        const long x = std::lround(-5.0f + px / postprocess::kSquare * 810.0f) + dx;
        const long y = std::lround(600.0f - py / postprocess::kSquare * 600.0f);
        const uint8_t* p = &rgba[(y * 800 + x) * 4];
        return (p[0] * 3 + p[1] * 6 + p[2]) / 10;
    }
};

// How many pixels differ by more than threshold in any channel.
int differingPixels(const Frame& a, const Frame& b, int threshold) {
    int count = 0;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
        count += std::abs(a.rgba[i] - b.rgba[i]) > threshold ||
                 std::abs(a.rgba[i + 1] - b.rgba[i + 1]) > threshold ||
                 std::abs(a.rgba[i + 2] - b.rgba[i + 2]) > threshold;
    }
    return count;
}

class ShaderRender : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok()) << gl.error();
        setGlProcLookup(OffscreenGl::lookup);
        setShaderMessageBox(recordBox);
        shownBoxes().clear();
    }

    Frame render(ShaderProgram* program, float slider2) {
        postprocess::drawPicture();
        pass.run(program, slider2, 100.0f);
        return Frame{gl.readPixels()};
    }

    OffscreenGl gl;
    postprocess::PostProcessPass pass;
    ShaderLibrary library;
};

} // namespace

// The shipped shaders build without a word and find all four uniforms every frame.
TEST_F(ShaderRender, ShaderBlursAndGlowsAndBreathesWithTheSpectrum) {
    StdoutCapture capture;
    ShaderProgram* program = library.createProgram(builtShaderPath("default.vert").c_str(),
                                                   builtShaderPath("blur.frag").c_str());
    ASSERT_NE(program, nullptr);
    const Frame plain = render(nullptr, 0.5f);
    const Frame silent = render(program, 0.5f);          // no spectrum: slider2 = 0.5
    const Frame loud = render(program, 1.0f * 3 + 0.5f); // bin 14 at 1.0
    EXPECT_EQ(capture.finish(), "");
    EXPECT_TRUE(shownBoxes().empty());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // The plain quad shows the picture: the white block's middle is white, black stays black.
    EXPECT_GE(plain.luma(256, 256), 250);
    EXPECT_LE(plain.luma(150, 150), 2);
    // Through the shader the picture is still there, but its edges soften.
    EXPECT_GE(silent.luma(256, 256), 230);
    EXPECT_LE(silent.luma(150, 150), 8);
    EXPECT_LE(plain.luma(320, 256, 3), 2);
    EXPECT_GE(silent.luma(320, 256, 3), 20);
    EXPECT_LT(silent.luma(320, 256, -3), plain.luma(320, 256, -3));
    EXPECT_GT(differingPixels(plain, silent, 24), 5000);

    // A strong bin makes the glow visibly stronger around bright parts, barely around the dim
    // block.
    EXPECT_GT(differingPixels(silent, loud, 24), 5000);
    EXPECT_GT(loud.luma(320, 256, 3), silent.luma(320, 256, 3) + 15);
    EXPECT_LE(std::abs(loud.luma(80, 420) - plain.luma(80, 420)), 12);
}

TEST_F(ShaderRender, WithoutItsFilesThePassShowsThePlainPicture) {
    ScratchDir dir;
    const Frame before = render(nullptr, 0.5f);
    ShaderProgram* program =
        library.createProgram(dir.pathOf("default.vert").c_str(), dir.pathOf("blur.frag").c_str());
    EXPECT_EQ(program, nullptr);
    EXPECT_EQ(shownBoxes(), std::vector<std::string>{"error: can't load vertex shader!"});
    EXPECT_EQ(differingPixels(before, render(program, 0.5f), 0), 0);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}
