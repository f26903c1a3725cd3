// Whole frames of the demo, composed offscreen on the real data set, checked by pixel.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audio/music.h"
#include "gfx/gl.h"
#include "gfx/textures.h"
#include "scenes/toolkit.h"
#include "shader/glsl_shaders.h"
#include "support/frame_checks.h"
#include "support/offscreen_gl.h"
#include "timeline/composer.h"
#include "timeline/startup.h"

namespace {

const std::string kDataDir = std::string(QUORLITH_BUILD_DIR) + "/data";

class ComposerRender : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gl = new OffscreenGl();
        ASSERT_TRUE(gl->ok()) << gl->error();
        setGlProcLookup(OffscreenGl::lookup);
        setClockSource(ClockSource::Manual);
        setDataDirectory(kDataDir);
        resetDemoRand();
        // The perspective the window sets up, then the whole start-up.
        glViewport(0, 0, 800, 600);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 800.0 / 600.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        initializeDemo();
    }
    static void TearDownTestSuite() {
        delete gl;
        gl = nullptr;
    }

    static Frame frameAt(float t) {
        drawFrameAt(t);
        glFinish();
        Frame frame{gl->width(), gl->height(), gl->readPixels()};
        return frame;
    }

    static OffscreenGl* gl;
};

OffscreenGl* ComposerRender::gl = nullptr;

TEST_F(ComposerRender, StartUpFillsTheTextureSlots) {
    for (int slot = 0; slot < kTextureSlots; ++slot) {
        const bool expected = slot <= 15 || slot == 20 || (slot >= 22 && slot <= 24);
        EXPECT_EQ(TextureTable[slot] != 0, expected) << "slot " << slot;
    }
}

// A missing texture leaves its slot empty and the demo draws on: the first overlay then
// multiplies by white and leaves the picture as it was.
TEST_F(ComposerRender, MissingTextureLeavesItsSlotEmpty) {
    namespace fs = std::filesystem;
    const fs::path partial = fs::temp_directory_path() / "quorlith-missing-texture";
    fs::remove_all(partial);
    fs::create_directories(partial);
    fs::copy(kDataDir + "/textures", partial / "textures", fs::copy_options::recursive);
    fs::remove(partial / "textures" / "overlay2.png");
    setDataDirectory(partial.string());
    loadTextures();
    EXPECT_EQ(TextureTable[11], 0u);
    EXPECT_NE(TextureTable[10], 0u);
    EXPECT_NE(TextureTable[24], 0u);
    const Frame frame = frameAt(40.0f);
    EXPECT_GT(frame.maxBrightness(0, 60, 800, 540), 30);
    setDataDirectory(kDataDir);
    loadTextures();
    fs::remove_all(partial);
}

TEST_F(ComposerRender, OpeningIsBlackBeforeTheTitle) {
    const Frame frame = frameAt(0.5f);
    EXPECT_EQ(frame.maxBrightness(0, 0, 800, 600), 0);
}

TEST_F(ComposerRender, TitleShowsOnlyInsideItsRectangle) {
    const Frame frame = frameAt(4.0f);
    EXPECT_GT(frame.countBrighter(128, 128, 640, 384, 300), 500);
    EXPECT_EQ(frame.maxBrightness(0, 0, 800, 128), 0);
    EXPECT_EQ(frame.maxBrightness(0, 384, 800, 600), 0);
    EXPECT_EQ(frame.maxBrightness(0, 128, 128, 384), 0);
    EXPECT_EQ(frame.maxBrightness(640, 128, 800, 384), 0);
}

TEST_F(ComposerRender, LetterboxStaysBlackAtEveryTime) {
    for (float t : {0.5f, 4.0f, 40.0f, 100.0f, 140.0f, 160.0f, 180.0f, 200.0f, 230.0f, 258.0f,
                    280.0f, 295.0f, 310.0f}) {
        const Frame frame = frameAt(t);
        EXPECT_EQ(frame.maxBrightness(0, 0, 800, 60), 0) << "t = " << t;
        EXPECT_EQ(frame.maxBrightness(0, 540, 800, 600), 0) << "t = " << t;
    }
}

// The scrolling backdrop shows at 40 s, and the stretched 512 square covers every column.
TEST_F(ComposerRender, BackdropFillsTheScreenThroughThePresentQuad) {
    const Frame frame = frameAt(40.0f);
    for (int x = 0; x < 800; x += 8) {
        EXPECT_GT(frame.maxBrightness(x, 60, x + 8, 540), 30) << "column " << x;
    }
    const Frame later = frameAt(42.0f);
    EXPECT_GT(frame.meanDifference(later), 1.0); // it scrolls
}

// Every scene, seen through the whole frame (backgrounds, post-process, overlays), shows a
// lit picture inside the letterbox that moves within a second.
TEST_F(ComposerRender, EveryScenePlaysAMovingPictureInItsWindow) {
    for (float t : {100.0f, 140.0f, 160.0f, 180.0f, 200.0f, 230.0f, 258.0f, 279.0f}) {
        const Frame now = frameAt(t);
        const Frame later = frameAt(t + 1.0f);
        EXPECT_GT(now.countBrighter(0, 60, 800, 540, 90), 800 * 480 / 10) << "t = " << t;
        EXPECT_GT(now.meanDifference(later), 1.0) << "t = " << t;
    }
}

// Without a post-process program the quad still carries the picture, unblurred: the frame
// differs from the processed one but shows the same scene.
TEST_F(ComposerRender, WithoutTheShaderThePictureShowsUnprocessed) {
    ShaderProgram* program = PostProcessProgram;
    ASSERT_NE(program, nullptr);
    const Frame processed = frameAt(160.0f);
    PostProcessProgram = nullptr;
    const Frame plain = frameAt(160.0f);
    PostProcessProgram = program;
    EXPECT_GT(plain.countBrighter(0, 60, 800, 540, 90), 800 * 480 / 4);
    EXPECT_GT(processed.meanDifference(plain), 0.5);
    EXPECT_LT(processed.meanDifference(plain), 40.0);
}

// The program ends after the frame whose time passes 325 s, never before.
TEST_F(ComposerRender, TheDemoEndsOncePast325Seconds) {
    static int ends = 0;
    setEndProcessHook([] { ++ends; });
    setMusicPositionMs(324999);
    composeFrame();
    EXPECT_EQ(ends, 0);
    setMusicPositionMs(325000); // 325.0000153 s
    composeFrame();
    EXPECT_EQ(ends, 1);
    setEndProcessHook(nullptr);
}

TEST_F(ComposerRender, CreditsRiseOverBlack) {
    const Frame frame = frameAt(295.0f);
    EXPECT_GT(frame.countBrighter(150, 60, 662, 540, 300), 200);
    EXPECT_EQ(frame.maxBrightness(0, 60, 140, 540), 0);
    EXPECT_EQ(frame.maxBrightness(672, 60, 800, 540), 0);
}

} // namespace
