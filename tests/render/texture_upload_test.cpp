// PNG files through loadTexture into a real GL context (llvmpipe): the texels, levels and
// parameters GL ends up holding.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "support/offscreen_gl.h"
#include "support/test_png.h"
#include "timeline/texture_loader.h"

namespace {

namespace fs = std::filesystem;

const std::string kSuiteDir = QUORLITH_TEST_DATA_DIR "/pngsuite";

class TextureUpload : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(gl_.ok()) << gl_.error();
        dir_ = fs::temp_directory_path() / ("quorlith_texture_upload_" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        const std::string path = (dir_ / name).string();
        EXPECT_TRUE(writeTestFile(path, bytes));
        return path;
    }

    OffscreenGl gl_;
    fs::path dir_;
};

GLint levelParameter(int level, GLenum name) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &value);
    return value;
}

GLint textureParameter(GLenum name) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, name, &value);
    return value;
}

GLint integer(GLenum name) {
    GLint value = -1;
    glGetIntegerv(name, &value);
    return value;
}

// The bound texture's level as tightly packed RGB or RGBA bytes, rows as GL stores them.
std::vector<uint8_t> texels(int level, int channels) {
    const size_t size = static_cast<size_t>(levelParameter(level, GL_TEXTURE_WIDTH)) *
                        levelParameter(level, GL_TEXTURE_HEIGHT) * channels;
    std::vector<uint8_t> out(size);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, level, channels == 4 ? GL_RGBA : GL_RGB, GL_UNSIGNED_BYTE,
                  out.data());
    return out;
}

// Every level from width x height down to 1 x 1 exists, and none below.
void expectFullChain(int width, int height) {
    int level = 0;
    for (;; ++level) {
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_WIDTH), width) << "level " << level;
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_HEIGHT), height) << "level " << level;
        if (width == 1 && height == 1) {
            break;
        }
        width = std::max(1, width / 2);
        height = std::max(1, height / 2);
    }
    EXPECT_EQ(levelParameter(level + 1, GL_TEXTURE_WIDTH), 0);
}

void expectRepeatAndNearest() {
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);
}

TestPng rgbImage(int width, int height, std::vector<uint8_t> rows) {
    TestPng png;
    png.width = width;
    png.height = height;
    png.rows = std::move(rows);
    return png;
}

// Rows of 6 bytes also prove the upload ignores the caller's unpack alignment, which is
// restored afterwards.
TEST_F(TextureUpload, TopRowFirstWithRepeatNearestAndTheWholeChain) {
    const std::vector<uint8_t> rows = {10,  20, 30,  30,  40,  50, //
                                       50,  60, 70,  70,  80,  91, //
                                       200, 0,  0,   0,   200, 0,  //
                                       0,   0,  200, 255, 255, 255};
    const std::string path = write("rgb.png", encodePng(rgbImage(2, 4, rows)));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);

    const GLuint texture = loadTexture(path.c_str());
    ASSERT_NE(texture, 0u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture));
    EXPECT_EQ(integer(GL_UNPACK_ALIGNMENT), 8);
    expectRepeatAndNearest();
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);
    expectFullChain(2, 4);

    EXPECT_EQ(texels(0, 3), rows);
    // Each deeper texel is the rounded mean of the 2 x 2 (then 1 x 2) block above it.
    EXPECT_EQ(texels(1, 3), (std::vector<uint8_t>{40, 50, 60, 114, 114, 114}));
    EXPECT_EQ(texels(2, 3), (std::vector<uint8_t>{77, 82, 87}));

    const GLuint second = loadTexture(path.c_str());
    EXPECT_NE(second, 0u);
    EXPECT_NE(second, texture);
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(second));
}

// Reference RGBA of a suite file, and the rounded mean of the 2 x 2 block at (x, y).
std::vector<uint8_t> reference(const std::string& name) {
    return readTestFile(kSuiteDir + "/ref/" + name + ".rgba");
}

std::vector<uint8_t> blockMean(const std::vector<uint8_t>& rgba, int width, int x, int y,
                               int channels) {
    std::vector<uint8_t> mean;
    for (int c = 0; c < channels; ++c) {
        int sum = 0;
        for (int dy = 0; dy < 2; ++dy) {
            for (int dx = 0; dx < 2; ++dx) {
                sum += rgba[((y + dy) * width + x + dx) * 4 + c];
            }
        }
        mean.push_back(static_cast<uint8_t>((sum + 2) / 4));
    }
    return mean;
}

std::vector<uint8_t> dropAlpha(const std::vector<uint8_t>& rgba, int channels) {
    if (channels == 4) {
        return rgba;
    }
    std::vector<uint8_t> rgb;
    for (size_t i = 0; i < rgba.size(); ++i) {
        if (i % 4 != 3) {
            rgb.push_back(rgba[i]);
        }
    }
    return rgb;
}

// Real files of every kind, under VIEWING_GAMMA=2.2 (screen gamma 1.0, which cancels their
// gAMA of 1.0): GL holds the reference decode, with alpha only where the file has it.
TEST_F(TextureUpload, SuiteFilesKeepTheirPixelsAndAlphaOnlyWhereTheFileHasIt) {
    ScopedEnvironment env("VIEWING_GAMMA", "2.2");
    struct Case {
        const char* name;
        GLint format;
    };
    for (const Case& c :
         {Case{"basn0g08", GL_RGB}, Case{"basn0g01", GL_RGB}, Case{"basn3p08", GL_RGB},
          Case{"basi2c08", GL_RGB}, Case{"basn2c16", GL_RGB}, Case{"basn4a08", GL_RGBA},
          Case{"basn6a16", GL_RGBA}, Case{"basi6a08", GL_RGBA}, Case{"tbbn3p08", GL_RGBA},
          Case{"tbrn2c08", GL_RGBA}, Case{"tbbn0g04", GL_RGBA}}) {
        SCOPED_TRACE(c.name);
        const GLuint texture = loadTexture((kSuiteDir + "/" + c.name + ".png").c_str());
        ASSERT_NE(texture, 0u);
        EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(texture));
        EXPECT_EQ(levelParameter(0, GL_TEXTURE_INTERNAL_FORMAT), c.format);
        expectFullChain(32, 32);
        expectRepeatAndNearest();

        const int channels = c.format == GL_RGBA ? 4 : 3;
        const std::vector<uint8_t> rgba = reference(c.name);
        EXPECT_EQ(texels(0, channels), dropAlpha(rgba, channels));
        const std::vector<uint8_t> level1 = texels(1, channels);
        for (const auto& [x, y] : {std::pair{0, 0}, std::pair{7, 3}, std::pair{15, 15}}) {
            const std::vector<uint8_t> texel(level1.begin() + (y * 16 + x) * channels,
                                             level1.begin() + (y * 16 + x + 1) * channels);
            EXPECT_EQ(texel, blockMean(rgba, 32, 2 * x, 2 * y, channels)) << x << ", " << y;
        }
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(TextureUpload, NonPowerOfTwoFileIsResampledToTheNextPower) {
    ScopedEnvironment env("VIEWING_GAMMA", "2.2");
    const GLuint texture = loadTexture((kSuiteDir + "/s35n3p04.png").c_str());
    ASSERT_NE(texture, 0u);
    expectFullChain(64, 64);
    const std::vector<uint8_t> rgba = reference("s35n3p04");
    const std::vector<uint8_t> level0 = texels(0, 3);
    int mismatches = 0;
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 64; ++x) {
            const int sx = static_cast<int>(std::floor((x + 0.5) * 35 / 64));
            const int sy = static_cast<int>(std::floor((y + 0.5) * 35 / 64));
            for (int c = 0; c < 3; ++c) {
                mismatches += level0[(y * 64 + x) * 3 + c] != rgba[(sy * 35 + sx) * 4 + c];
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

// The variable is read at every load: 1.1 makes the screen gamma 2.0.
TEST_F(TextureUpload, ViewingGammaIsReadAtEachLoad) {
    const std::vector<uint8_t> rows = {0, 64, 128, 255, 200, 32};
    TestPng plain = rgbImage(2, 1, rows);
    const std::string defaultGamma = write("default.png", encodePng(plain));
    plain.gamma = 1.0;
    const std::string linear = write("linear.png", encodePng(plain));

    auto expectLevel0 = [&rows](const std::string& path, double exponent) {
        ASSERT_NE(loadTexture(path.c_str()), 0u);
        const std::vector<uint8_t> got = texels(0, 3);
        for (size_t i = 0; i < got.size(); ++i) {
            const double want = 255.0 * std::pow(rows[i] / 255.0, exponent);
            EXPECT_NEAR(got[i], want, 1.0) << path << " value " << int(rows[i]);
        }
    };
    ScopedEnvironment env("VIEWING_GAMMA", nullptr);
    expectLevel0(defaultGamma, 1.0);
    expectLevel0(linear, 1.0 / 2.2);
    env.set("1.1");
    expectLevel0(defaultGamma, 1.1);
    expectLevel0(linear, 0.5);
    env.set(nullptr);
    ASSERT_NE(loadTexture(defaultGamma.c_str()), 0u);
    EXPECT_EQ(texels(0, 3), rows);
}

// Runs f with stdout and stderr sent to a file; returns what was written there.
template <typename F> std::string captureOutput(const fs::path& file, F f) {
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(1);
    const int savedErr = dup(2);
    std::FILE* sink = std::fopen(file.c_str(), "w");
    dup2(fileno(sink), 1);
    dup2(fileno(sink), 2);
    f();
    std::fflush(stdout);
    std::fflush(stderr);
    dup2(savedOut, 1);
    dup2(savedErr, 2);
    close(savedOut);
    close(savedErr);
    std::fclose(sink);
    const std::vector<uint8_t> bytes = readTestFile(file.string());
    return {bytes.begin(), bytes.end()};
}

TEST_F(TextureUpload, MissingOrBrokenFilesGiveZeroWithoutAMessage) {
    std::vector<std::string> paths = {(dir_ / "missing.png").string(), dir_.string()};
    for (const auto& entry : fs::directory_iterator(kSuiteDir)) {
        if (entry.path().filename().string()[0] == 'x') {
            paths.push_back(entry.path().string());
        }
    }
    const std::vector<uint8_t> good = readTestFile(kSuiteDir + "/basn2c08.png");
    paths.push_back(write("truncated.png", {good.begin(), good.begin() + good.size() / 2}));
    paths.push_back(write("empty.png", {}));
    paths.push_back(write("text.png", {'n', 'o', 't', ' ', 'a', ' ', 'p', 'n', 'g'}));
    std::vector<uint8_t> huge = pngSignature();
    appendPngChunk(huge, "IHDR", pngHeader(100000, 100000, 8, PNG_COLOR_TYPE_RGB));
    appendPngChunk(huge, "IEND", {});
    paths.push_back(write("huge.png", huge));
    ASSERT_EQ(paths.size(), 20u);

    GLuint bound = 0;
    glGenTextures(1, &bound);
    glBindTexture(GL_TEXTURE_2D, bound);
    const std::string output = captureOutput(dir_ / "output.txt", [&] {
        for (const std::string& path : paths) {
            EXPECT_EQ(loadTexture(path.c_str()), 0u) << path;
        }
    });
    EXPECT_EQ(output, "");
    EXPECT_EQ(integer(GL_TEXTURE_BINDING_2D), static_cast<GLint>(bound));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

} // namespace
