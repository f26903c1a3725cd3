// The four sprite scenes drawn offscreen into the program's 512 x 512 scene square: each
// shows a picture that moves from one second to the next and repeats at the same time,
// writes depth only where it should, and leaves the GL state its successor expects.
#include <gtest/gtest.h>

#include <array>
#include <ostream>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "gfx/textures.h"
#include "scenes/fire_helix.h"
#include "scenes/helix_tunnel.h"
#include "scenes/mirror_sphere.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"
#include "scenes/twin_knots.h"
#include "support/model_fixture.h"
#include "support/offscreen_gl.h"

namespace {

constexpr int kPixels = kSceneSize * kSceneSize;

struct SceneCase {
    const char* name;
    void (*draw)(float);
    float t;
    bool tunnel;
    bool writesDepth;
};

void PrintTo(const SceneCase& scene, std::ostream* out) {
    *out << scene.name;
}

const SceneCase kScenes[] = {
    {"FireHelix", drawFireHelixScene, 160.0f, false, false},
    {"TwinKnots", drawTwinKnotsScene, 200.0f, false, false},
    {"MirrorSphere", drawMirrorSphereScene, 230.0f, false, true},
    {"HelixTunnel", drawHelixTunnelScene, 279.0f, true, false},
};

// Every scene but the tunnel ends in the sprite field's state; the tunnel has texturing
// off and its own additive blending.
void expectExitState(const SceneFrame& f, bool tunnel) {
    EXPECT_EQ(f.flags, (std::array<int, 6>{0, !tunnel, 1, 0, 0, 1}));
    EXPECT_EQ(f.colour, (std::array<float, 4>{1, 1, 1, 1}));
    const std::array<int, 3> field = {GL_DST_COLOR, GL_ZERO,
                                      static_cast<int>(TextureTable[kShadowTexture])};
    const std::array<int, 3> own = {GL_SRC_ALPHA, GL_ONE,
                                    static_cast<int>(TextureTable[kTunnelTexture])};
    EXPECT_EQ(f.blend, tunnel ? own : field);
}

class SpriteScenes : public testing::TestWithParam<SceneCase> {
  protected:
    void SetUp() override { ASSERT_TRUE(sceneContext().ok()) << sceneContext().error(); }
};

TEST_P(SpriteScenes, MovingPictureDepthAndExitState) {
    const SceneCase& s = GetParam();
    const SceneFrame f = drawSceneFrame(s.draw, s.t);
    const SceneFrame later = drawSceneFrame(s.draw, s.t + 1.0f);
    const SceneFrame again = drawSceneFrame(s.draw, s.t);
    EXPECT_GT(pixelsOff(f), kPixels / 10);
    EXPECT_GT(pixelsOff(later), kPixels / 10);
    EXPECT_GT(pixelsOff(f, &later, 0), kPixels / 100);
    // Nothing carries over between frames. (Mesa's software GL rounds a level or two
    // differently where its faster path serves a frame, which can depend on what it drew
    // before.)
    EXPECT_EQ(pixelsOff(f, &again, 2), 0);

    // Only the sphere writes depth, where the camera looks: the middle of the square.
    EXPECT_EQ(f.depth[kPixels / 2 + kSceneSize / 2] < 1.0f, s.writesDepth);
    if (!s.writesDepth) {
        EXPECT_EQ(f.depth, std::vector<float>(kPixels, 1.0f));
    }
    expectExitState(f, s.tunnel);
    if (s.tunnel) {
        // The tunnel draws only its own sprites: its texture is pure red, the sprite
        // field's would bring green and blue.
        for (int p = 0; p < kPixels; ++p) {
            ASSERT_EQ(f.rgb[p * 3 + 1] | f.rgb[p * 3 + 2], 0) << "pixel " << p;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Render, SpriteScenes, testing::ValuesIn(kScenes),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SpriteScenes, MirrorSphereWithoutQuadricStillDrawsThePlate) {
    GLUquadric* saved = sharedQuadric;
    sharedQuadric = nullptr;
    const SceneFrame f = drawSceneFrame(drawMirrorSphereScene, 230.0f);
    sharedQuadric = saved;
    EXPECT_GT(pixelsOff(f), kPixels / 10);
    expectExitState(f, false);
}

} // namespace
