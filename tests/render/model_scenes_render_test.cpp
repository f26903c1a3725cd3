// The four model scenes rendered offscreen the way the program sets up its 512 x 512
// scene square: each shows a picture, it moves from one second to the next, the model
// itself is part of it, and the scene leaves the GL state the next pass expects. The
// models come from the built data set when present, else from generated spheres.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <ostream>
#include <utility>
#include <vector>

#include "gfx/gl.h"
#include "model/obj_model.h"
#include "scenes/scenes.h"
#include "scenes/swirling_sea.h"
#include "scenes/toolkit.h"
#include "support/model_fixture.h"
#include "support/offscreen_gl.h"

namespace {

constexpr int kSquare = 512;
using Pixels = std::vector<uint8_t>;

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

OffscreenGl* gl = nullptr;
const char* modelSource = "";

Pixels readSquare() {
    Pixels rgba(static_cast<size_t>(kSquare) * kSquare * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kSquare, kSquare, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

template <typename Draw> Pixels render(float background, Draw draw) {
    setUpSceneGlState();
    glClearColor(background, background, background, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw();
    glFinish();
    return readSquare();
}

// Pixels whose colour differs from grey level `level` (0-255) by more than a little.
int pixelsOff(const Pixels& p, int level) {
    int n = 0;
    for (size_t i = 0; i < p.size(); i += 4) {
        for (int c = 0; c < 3; ++c) {
            if (std::abs(p[i + c] - level) > 8) {
                ++n;
                break;
            }
        }
    }
    return n;
}

int pixelsDiffering(const Pixels& a, const Pixels& b) {
    int n = 0;
    for (size_t i = 0; i < a.size(); i += 4) {
        if (a[i] != b[i] || a[i + 1] != b[i + 1] || a[i + 2] != b[i + 2]) {
            ++n;
        }
    }
    return n;
}

// Runs draw with ModelTable[slot] empty, as if its file had been missing at start-up.
template <typename Draw> auto withoutModel(int slot, const char* file, Draw draw) {
    ObjModel kept = ModelTable[slot];
    ModelTable[slot] = ObjModel{};
    EXPECT_EQ(loadObjModel(ModelTable[slot], file), 0);
    auto result = draw();
    ModelTable[slot] = kept;
    return result;
}

class ModelScenes : public testing::TestWithParam<SceneCase> {
  public:
    static void SetUpTestSuite() {
        // One context for the whole run, never torn down: closing it unloads the GL
        // driver, whose own start-up allocations the leak checker could then no longer
        // attribute (and so suppress).
        if (gl == nullptr) {
            gl = new OffscreenGl(800, 600);
        }
        if (!gl->ok()) {
            return;
        }
        setUpSceneGlState();
        makeSceneTextures();
        fillSceneTables();
        modelSource = loadSceneModels();
    }
    static void TearDownTestSuite() {
        if (gl->ok()) {
            releaseSceneModels();
            releaseSceneTextures();
        }
    }

  protected:
    void SetUp() override {
        ASSERT_TRUE(gl->ok()) << gl->error();
        RecordProperty("models", modelSource);
    }
};

TEST_P(ModelScenes, ShowsAMovingPictureWithTheModelInIt) {
    const SceneCase& s = GetParam();
    const int level = static_cast<int>(s.background * 255.0f + 0.5f);
    const Pixels now = render(s.background, [&] { s.draw(s.t); });
    const Pixels later = render(s.background, [&] { s.draw(s.t + 1.0f); });
    EXPECT_GT(pixelsOff(now, level), kSquare * kSquare / 50) << "blank picture";
    EXPECT_GT(pixelsDiffering(now, later), kSquare * kSquare / 200) << "no movement in a second";

    const Pixels bare = withoutModel(s.modelSlot, "/nonexistent/model.obj",
                                     [&] { return render(s.background, [&] { s.draw(s.t); }); });
    EXPECT_GT(pixelsDiffering(now, bare), 500) << "the model adds nothing (" << modelSource << ")";
}

TEST_P(ModelScenes, LeavesTheStateTheNextPassExpects) {
    const SceneCase& s = GetParam();
    render(s.background, [&] { s.draw(s.t); });
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    EXPECT_TRUE(depthWrites);
    std::array<float, 4> colour{};
    glGetFloatv(GL_CURRENT_COLOR, colour.data());
    EXPECT_EQ(colour, (std::array<float, 4>{1, 1, 1, 1}));
    GLint stackDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stackDepth);
    EXPECT_EQ(stackDepth, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

INSTANTIATE_TEST_SUITE_P(Render, ModelScenes, testing::ValuesIn(kScenes),
                         [](const testing::TestParamInfo<SceneCase>& info) {
                             return std::string(info.param.name);
                         });

// With sea1.obj missing, the sea scene draws only the sprite field over the background.
TEST_F(ModelScenes, SeaWithoutItsModelShowsOnlyTheSpriteField) {
    const float t = 250.0f;
    const Pixels sea = withoutModel(kSwirlingSeaModel, "/nonexistent/data/3d/sea1.obj",
                                    [&] { return render(0.0f, [&] { drawSwirlingSeaScene(t); }); });
    const Pixels field = render(0.0f, [&] {
        glLoadIdentity();
        const auto eye = swirlingSeaEye(t);
        gluLookAt(eye[0], eye[1], eye[2], 0, 0, 0, 0, 1, 1);
        drawSpriteField();
    });
    EXPECT_EQ(pixelsDiffering(sea, field), 0);
    EXPECT_GT(pixelsOff(field, 0), 100);
}

} // namespace
