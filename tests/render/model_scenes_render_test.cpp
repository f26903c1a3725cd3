// The four model scenes rendered offscreen the way the program sets up its 512 x 512
// scene square: each shows a picture, it moves from one second to the next, the model
// itself is part of it, and the scene leaves the GL state the next pass expects. The
// models come from the built data set when present, else from generated spheres.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>

#include "gfx/gl.h"
#include "model/obj_model.h"
#include "scenes/scenes.h"
#include "scenes/swirling_sea.h"
#include "scenes/toolkit.h"
#include "support/model_fixture.h"
#include "support/offscreen_gl.h"

namespace {

constexpr int kPixels = kSceneSize * kSceneSize;

struct SceneCase {
    const char* name;
    void (*draw)(float);
    float t;
    int modelSlot;
    float background; // grey level cleared before the scene, standing in for the background pass
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const SceneCase& scene, std::ostream* out) {
    *out << scene.name;
}

const SceneCase kScenes[] = {
    {"RisingRow", drawRisingRowScene, 100.0f, 0, 0.0f},
    {"Orbit", drawOrbitScene, 140.0f, 1, 0.0f},
    {"SpriteCloud", drawSpriteCloudScene, 180.0f, 2, 0.5f},
    {"SwirlingSea", drawSwirlingSeaScene, 258.0f, 3, 0.0f},
};

const char* modelSource = "";

// Draws with ModelTable[slot] empty, as if its file had been missing at start-up.
SceneFrame withoutModel(int slot, const char* file, void (*draw)(float), float t, float grey) {
    const ObjModel kept = ModelTable[slot];
    ModelTable[slot] = ObjModel{};
    EXPECT_EQ(loadObjModel(ModelTable[slot], file), 0);
    const SceneFrame frame = drawSceneFrame(draw, t, grey);
    ModelTable[slot] = kept;
    return frame;
}

class ModelScenes : public testing::TestWithParam<SceneCase> {
  protected:
    void SetUp() override {
        ASSERT_TRUE(sceneContext().ok()) << sceneContext().error();
        static const char* loaded = modelSource = loadSceneModels();
        RecordProperty("models", loaded);
    }
};

TEST_P(ModelScenes, ShowsAMovingPictureWithTheModelInIt) {
    const SceneCase& s = GetParam();
    const int level = static_cast<int>(s.background * 255.0f + 0.5f);
    const SceneFrame now = drawSceneFrame(s.draw, s.t, s.background);
    const SceneFrame later = drawSceneFrame(s.draw, s.t + 1.0f, s.background);
    EXPECT_GT(pixelsOff(now, nullptr, 8, level), kPixels / 50) << "blank picture";
    EXPECT_GT(pixelsOff(now, &later, 0), kPixels / 200) << "no movement in a second";
    const SceneFrame bare =
        withoutModel(s.modelSlot, "/nonexistent/model.obj", s.draw, s.t, s.background);
    EXPECT_GT(pixelsOff(now, &bare, 0), 500) << "the model adds nothing (" << modelSource << ")";

    // The state the next pass expects: texture generation, blending off; texturing and depth
    // writes on; white; the modelview stack back at its base.
    EXPECT_EQ(now.flags, (std::array<int, 6>{0, 1, 1, 0, 0, 1}));
    EXPECT_EQ(now.colour, (std::array<float, 4>{1, 1, 1, 1}));
}

INSTANTIATE_TEST_SUITE_P(Render, ModelScenes, testing::ValuesIn(kScenes),
                         [](const auto& info) { return std::string(info.param.name); });

// With sea1.obj missing, the sea scene draws only the sprite field over the background.
TEST_F(ModelScenes, SeaWithoutItsModelShowsOnlyTheSpriteField) {
    const SceneFrame sea = withoutModel(kSwirlingSeaModel, "/nonexistent/data/3d/sea1.obj",
                                        drawSwirlingSeaScene, 250.0f, 0.0f);
    const SceneFrame field = drawSceneFrame(
        [](float t) {
            const auto eye = swirlingSeaEye(t);
            gluLookAt(eye[0], eye[1], eye[2], 0, 0, 0, 0, 1, 1);
            drawSpriteField();
        },
        250.0f);
    EXPECT_EQ(pixelsOff(sea, &field, 0), 0);
    EXPECT_GT(pixelsOff(field), 100);
}

} // namespace
