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

using postprocess::drawPicture;
using postprocess::kSquare;
using postprocess::PostProcessPass;

struct Frame {
    std::vector<uint8_t> rgba; // 800 x 600, top row first
    int at(int x, int y, int channel) const { return rgba[(y * 800 + x) * 4 + channel]; }
    int luma(int x, int y) const { return (at(x, y, 0) * 3 + at(x, y, 1) * 6 + at(x, y, 2)) / 10; }
    double meanLuma() const {
        double sum = 0;
        for (int y = 0; y < 600; ++y) {
            for (int x = 0; x < 800; ++x) {
                sum += luma(x, y);
            }
        }
        return sum / (800.0 * 600.0);
    }
};

// How many pixels differ by more than threshold in any channel.
int differingPixels(const Frame& a, const Frame& b, int threshold) {
    int count = 0;
    for (size_t i = 0; i < a.rgba.size(); i += 4) {
        for (size_t c = 0; c < 3; ++c) {
            if (std::abs(a.rgba[i + c] - b.rgba[i + c]) > threshold) {
                ++count;
                break;
            }
        }
    }
    return count;
}

// Screen position of a point of the 512 x 512 picture (x right, y up).
int screenX(float px) {
    return static_cast<int>(std::lround(-5.0f + px / kSquare * 810.0f));
}
int screenY(float py) {
    return static_cast<int>(std::lround(600.0f - py / kSquare * 600.0f));
}

class ShaderRender : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl.ok()) << gl.error();
        setGlProcLookup(OffscreenGl::lookup);
        setShaderMessageBox(recordBox);
        shownBoxes().clear();
    }

    Frame render(ShaderProgram* program, float slider2, float time = 100.0f) {
        drawPicture();
        pass.run(program, slider2, time);
        return Frame{gl.readPixels()};
    }

    OffscreenGl gl;
    PostProcessPass pass;
    ShaderLibrary library;
};

} // namespace

TEST_F(ShaderRender, ShaderBlursAndGlowsAndBreathesWithTheSpectrum) {
    ShaderProgram* program = library.createProgram(builtShaderPath("default.vert").c_str(),
                                                   builtShaderPath("blur.frag").c_str());
    ASSERT_NE(program, nullptr);

    const Frame plain = render(nullptr, 0.5f);
    const Frame silent = render(program, 0.5f);          // no spectrum: slider2 = 0.5
    const Frame loud = render(program, 1.0f * 3 + 0.5f); // bin 14 at 1.0
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // The plain quad shows the picture: the white block's middle is white, black stays black.
    const int blockX = screenX(256);
    const int blockY = screenY(256);
    EXPECT_GE(plain.luma(blockX, blockY), 250);
    EXPECT_LE(plain.luma(screenX(150), screenY(150)), 2);

    // Through the shader the picture is still there ...
    EXPECT_GE(silent.luma(blockX, blockY), 230);
    EXPECT_LE(silent.luma(screenX(150), screenY(150)), 8);
    // ... but the edges soften: just outside the block's right edge it is no longer black, and
    // just inside it is no longer full white.
    const int edgeX = screenX(320);
    EXPECT_LE(plain.luma(edgeX + 3, blockY), 2);
    EXPECT_GE(silent.luma(edgeX + 3, blockY), 20);
    EXPECT_LT(silent.luma(edgeX - 3, blockY), plain.luma(edgeX - 3, blockY));
    EXPECT_GT(differingPixels(plain, silent, 24), 5000);

    // A strong bin makes the glow visibly stronger, mostly around bright parts.
    EXPECT_GT(differingPixels(silent, loud, 24), 5000);
    EXPECT_GT(loud.meanLuma(), silent.meanLuma() + 1.5);
    EXPECT_GT(loud.luma(edgeX + 3, blockY), silent.luma(edgeX + 3, blockY) + 15);
    // The dim block barely glows, loud or not.
    const int dimX = screenX(80);
    const int dimY = screenY(420);
    EXPECT_LE(std::abs(loud.luma(dimX, dimY) - plain.luma(dimX, dimY)), 12);
}

TEST_F(ShaderRender, WithoutItsFilesThePassShowsThePlainPicture) {
    ScratchDir dir;
    const Frame before = render(nullptr, 0.5f);
    ShaderProgram* program =
        library.createProgram(dir.pathOf("default.vert").c_str(), dir.pathOf("blur.frag").c_str());
    EXPECT_EQ(program, nullptr);
    EXPECT_EQ(shownBoxes(), std::vector<std::string>{"error: can't load vertex shader!"});
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    const Frame after = render(program, 0.5f);
    EXPECT_EQ(differingPixels(before, after, 0), 0);
}
