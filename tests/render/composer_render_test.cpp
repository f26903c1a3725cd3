// Whole frames of the demo, composed offscreen on the real data set: what start-up loads, a
// missing texture, the black opening and the end of the program. (The picture itself is
// compared with recorded frames in reference_frames_test.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "audio/music.h"
#include "gfx/gl.h"
#include "gfx/textures.h"
#include "model/obj_model.h"
#include "scenes/swirling_sea.h"
#include "scenes/toolkit.h"
#include "shader/glsl_shaders.h"
#include "support/frame_checks.h"
#include "support/mp3_tools.h"
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
        OffscreenGl::startDemoHere(kDataDir);
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
    const fs::path partial = tempPath("missing-texture");
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
    EXPECT_GT(frame.countBrighter(0, 60, 800, 540, 30), 0);
    setDataDirectory(kDataDir);
    loadTextures();
    fs::remove_all(partial);
}

TEST_F(ComposerRender, OpeningIsBlackBeforeTheTitle) {
    const Frame frame = frameAt(0.5f);
    EXPECT_EQ(frame.countBrighter(0, 0, 800, 600, 0), 0);
}

// A model missing at start-up and a quadric GLU could not make leave their scenes drawing the
// rest of the picture.
TEST_F(ComposerRender, ScenesDrawOnWithoutTheirModelOrQuadric) {
    const ObjModel sea = ModelTable[kSwirlingSeaModel];
    ModelTable[kSwirlingSeaModel] = ObjModel{};
    EXPECT_EQ(loadObjModel(ModelTable[kSwirlingSeaModel], "/nonexistent/3d/sea1.obj"), 0);
    EXPECT_GT(frameAt(258.0f).countBrighter(0, 60, 800, 540, 90), 1000);
    ModelTable[kSwirlingSeaModel] = sea;
    GLUquadric* quadric = sharedQuadric;
    sharedQuadric = nullptr;
    EXPECT_GT(frameAt(230.0f).countBrighter(0, 60, 800, 540, 90), 1000);
    sharedQuadric = quadric;
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

} // namespace
