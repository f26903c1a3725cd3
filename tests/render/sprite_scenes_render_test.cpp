#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <vector>

#include "render/sprite_scenes_gl.h"
#include "scenes/fire_helix.h"
#include "scenes/helix_tunnel.h"
#include "scenes/mirror_sphere.h"
#include "scenes/scenes.h"
#include "scenes/twin_knots.h"
#include "support/offscreen_gl.h"

namespace {

using namespace sprite_scenes_gl;

constexpr int kPixels = kSceneSize * kSceneSize;

struct StateAfter {
    bool blend;
    bool texture2d;
    bool depthWrite;
    bool texGenS;
    bool texGenT;
    float colour[4];
    GLint blendSrc;
    GLint blendDst;
    GLint boundTexture;
    float modelview[16];
};

StateAfter readState() {
    StateAfter s{};
    s.blend = glIsEnabled(GL_BLEND) == GL_TRUE;
    s.texture2d = glIsEnabled(GL_TEXTURE_2D) == GL_TRUE;
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    s.depthWrite = mask == GL_TRUE;
    s.texGenS = glIsEnabled(GL_TEXTURE_GEN_S) == GL_TRUE;
    s.texGenT = glIsEnabled(GL_TEXTURE_GEN_T) == GL_TRUE;
    glGetFloatv(GL_CURRENT_COLOR, s.colour);
    glGetIntegerv(GL_BLEND_SRC, &s.blendSrc);
    glGetIntegerv(GL_BLEND_DST, &s.blendDst);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &s.boundTexture);
    glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview);
    return s;
}

// The modelview a camera at eye looking at the origin (up (0, 1, 1)) sets, followed by
// the knots' two turns when asked for.
std::vector<float> lookAtMatrix(Vec3 eye, bool knotTurns) {
    glPushMatrix();
    glLoadIdentity();
    gluLookAt(eye.x, eye.y, eye.z, 0, 0, 0, 0, 1, 1);
    if (knotTurns) {
        glRotatef(180, 1, 0, 0);
        glRotatef(30, 0, 1, 0);
    }
    std::vector<float> m(16);
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    glPopMatrix();
    return m;
}

void expectMatrix(const float* actual, const std::vector<float>& expected) {
    for (int k = 0; k < 16; ++k) {
        EXPECT_NEAR(actual[k], expected[k], 1e-5f) << "element " << k;
    }
}

// The exit state every scene but the tunnel shares: the sprite field's.
void expectSpriteFieldExit(const StateAfter& s) {
    EXPECT_FALSE(s.blend);
    EXPECT_TRUE(s.texture2d);
    EXPECT_TRUE(s.depthWrite);
    EXPECT_FALSE(s.texGenS);
    EXPECT_FALSE(s.texGenT);
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(s.colour[k], 1.0f);
    }
    EXPECT_EQ(s.blendSrc, GL_DST_COLOR);
    EXPECT_EQ(s.blendDst, GL_ZERO);
    EXPECT_EQ(static_cast<GLuint>(s.boundTexture), TextureTable[kShadowTexture]);
}

struct Frame {
    std::vector<uint8_t> rgb; // the 512 square, 3 bytes a pixel
    std::vector<float> depth;
    StateAfter state;
};

class SpriteScenesRender : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        gl_ = new OffscreenGl(800, 600);
        if (gl_->ok()) {
            initialiseLikeStartUp();
            fillTextureSlots();
        }
    }
    static void TearDownTestSuite() {
        if (gl_->ok() && sharedQuadric != nullptr) {
            gluDeleteQuadric(sharedQuadric);
            sharedQuadric = nullptr;
        }
        delete gl_;
        gl_ = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(gl_->ok()) << gl_->error(); }

    static Frame draw(void (*scene)(float), float t) {
        beginSceneFrame();
        scene(t);
        Frame f;
        f.state = readState();
        glFinish();
        f.rgb.resize(kPixels * 3);
        f.depth.resize(kPixels);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadBuffer(GL_BACK);
        glReadPixels(0, 0, kSceneSize, kSceneSize, GL_RGB, GL_UNSIGNED_BYTE, f.rgb.data());
        glReadPixels(0, 0, kSceneSize, kSceneSize, GL_DEPTH_COMPONENT, GL_FLOAT, f.depth.data());
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
        return f;
    }

    static int litPixels(const Frame& f) {
        int n = 0;
        for (int p = 0; p < kPixels; ++p) {
            n += (f.rgb[p * 3] | f.rgb[p * 3 + 1] | f.rgb[p * 3 + 2]) > 8 ? 1 : 0;
        }
        return n;
    }

    static int differingPixels(const Frame& a, const Frame& b) {
        int n = 0;
        for (int p = 0; p < kPixels * 3; p += 3) {
            n += (a.rgb[p] != b.rgb[p] || a.rgb[p + 1] != b.rgb[p + 1] ||
                  a.rgb[p + 2] != b.rgb[p + 2])
                     ? 1
                     : 0;
        }
        return n;
    }

    static bool depthUntouched(const Frame& f) {
        for (float d : f.depth) {
            if (d != 1.0f) {
                return false;
            }
        }
        return true;
    }

    // Two frames a second apart: both show a picture, they differ, and drawing the first
    // time again gives the same picture (nothing carries over between frames).
    static void expectMovingPicture(void (*scene)(float), float t, Frame& first) {
        first = draw(scene, t);
        const Frame second = draw(scene, t + 1.0f);
        const Frame again = draw(scene, t);
        EXPECT_GT(litPixels(first), kPixels / 10);
        EXPECT_GT(litPixels(second), kPixels / 10);
        EXPECT_GT(differingPixels(first, second), kPixels / 100);
        EXPECT_EQ(differingPixels(first, again), 0);
    }

    static OffscreenGl* gl_;
};

OffscreenGl* SpriteScenesRender::gl_ = nullptr;

TEST_F(SpriteScenesRender, FireHelixWritesNoDepthAndLeavesTheSpriteFieldState) {
    Frame f;
    expectMovingPicture(drawFireHelixScene, 160.0f, f);
    EXPECT_TRUE(depthUntouched(f));
    expectSpriteFieldExit(f.state);
    expectMatrix(f.state.modelview, lookAtMatrix(fireHelixEye(160.0f), false));
}

TEST_F(SpriteScenesRender, TwinKnotsEndInTheTurnedFrame) {
    Frame f;
    expectMovingPicture(drawTwinKnotsScene, 200.0f, f);
    EXPECT_TRUE(depthUntouched(f));
    expectSpriteFieldExit(f.state);
    expectMatrix(f.state.modelview, lookAtMatrix(twinKnotsEye(200.0f), true));
}

TEST_F(SpriteScenesRender, MirrorSphereWritesDepthAndSwitchesTexGenOff) {
    Frame f;
    expectMovingPicture(drawMirrorSphereScene, 230.0f, f);
    // The sphere sits where the camera looks: the middle of the square has depth.
    EXPECT_LT(f.depth[(kSceneSize / 2) * kSceneSize + kSceneSize / 2], 1.0f);
    expectSpriteFieldExit(f.state);
    expectMatrix(f.state.modelview, lookAtMatrix(mirrorSphereEye(230.0f), false));
}

TEST_F(SpriteScenesRender, MirrorSphereWithoutQuadricStillDrawsThePlate) {
    GLUquadric* saved = sharedQuadric;
    sharedQuadric = nullptr;
    const Frame f = draw(drawMirrorSphereScene, 230.0f);
    sharedQuadric = saved;
    EXPECT_GT(litPixels(f), kPixels / 10);
    expectSpriteFieldExit(f.state);
}

TEST_F(SpriteScenesRender, HelixTunnelDrawsOnlyItsOwnSprites) {
    Frame f;
    expectMovingPicture(drawHelixTunnelScene, 279.0f, f);
    EXPECT_TRUE(depthUntouched(f));
    // Its texture is pure red; the sprite field's textures would bring green and blue.
    int coloured = 0;
    for (int p = 0; p < kPixels; ++p) {
        coloured += (f.rgb[p * 3 + 1] | f.rgb[p * 3 + 2]) != 0 ? 1 : 0;
    }
    EXPECT_EQ(coloured, 0);

    const StateAfter& s = f.state;
    EXPECT_FALSE(s.blend);
    EXPECT_FALSE(s.texture2d);
    EXPECT_TRUE(s.depthWrite);
    EXPECT_FALSE(s.texGenS);
    for (int k = 0; k < 4; ++k) {
        EXPECT_FLOAT_EQ(s.colour[k], 1.0f);
    }
    EXPECT_EQ(s.blendSrc, GL_SRC_ALPHA);
    EXPECT_EQ(s.blendDst, GL_ONE);
    EXPECT_EQ(static_cast<GLuint>(s.boundTexture), TextureTable[kTunnelTexture]);
    const std::vector<float> translation = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -84.0f, 1};
    expectMatrix(s.modelview, translation);
}

} // namespace
