#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "scenes/fire_helix.h"
#include "scenes/helix_tunnel.h"
#include "scenes/mirror_sphere.h"
#include "scenes/toolkit.h"
#include "scenes/twin_knots.h"

namespace {

void expectNear(Vec3 v, float x, float y, float z, float tolerance) {
    EXPECT_NEAR(v.x, x, tolerance);
    EXPECT_NEAR(v.y, y, tolerance);
    EXPECT_NEAR(v.z, z, tolerance);
}

float distance(Vec3 a, Vec3 b) {
    const Vec3 d = vec3Subtract(a, b);
    return std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
}

TEST(FireHelix, EyeAt160) {
    expectNear(fireHelixEye(160.0f), 9.943f, 7.675f, 8.375f, 1e-3f);
}

TEST(FireHelix, FirstStepOfStrandAAt160IsDark) {
    const FireSprite s = fireHelixSprite(0, 0, 160.0f);
    EXPECT_FLOAT_EQ(s.turnDegrees, 0.0f);
    expectNear(s.centre, 3.99966f, -39.88971f, 0.0f, 2e-5f);
    EXPECT_FLOAT_EQ(s.halfSize, 0.55f);
    // 0.7 - 2 sin(32): below zero, so GL clamps it and the sprite adds nothing.
    EXPECT_NEAR(s.alpha, 0.7 - 2.0 * std::sin(32.0), 1e-5);
    EXPECT_LT(s.alpha, -0.4f);
    EXPECT_EQ(std::clamp(s.alpha, 0.0f, 1.0f), 0.0f);
}

TEST(FireHelix, StrandsAndStepsShareTheirPhases) {
    // The strands are mirrored through the axis: same wobble, same height, same pulse.
    for (int step : {0, 1, 500, 999}) {
        const FireSprite a = fireHelixSprite(step, 0, 163.5f);
        const FireSprite b = fireHelixSprite(step, 1, 163.5f);
        EXPECT_NEAR(a.centre.x - b.centre.x, 7.0f, 1e-5f);
        EXPECT_FLOAT_EQ(a.centre.y, b.centre.y);
        EXPECT_FLOAT_EQ(a.alpha, b.alpha);
        EXPECT_FLOAT_EQ(a.turnDegrees, b.turnDegrees);
    }
    // Step i and i + 36 face the same way, 4.5 units apart (give or take the 0.2 wobble).
    const FireSprite low = fireHelixSprite(100, 0, 155.0f);
    const FireSprite high = fireHelixSprite(136, 0, 155.0f);
    EXPECT_FLOAT_EQ(std::fmod(high.turnDegrees - low.turnDegrees, 360.0f), 0.0f);
    EXPECT_NEAR(high.centre.y - low.centre.y, 4.5f, 0.4f);
    // The top step: 84.875 before the wobble.
    EXPECT_NEAR(fireHelixSprite(999, 0, 150.5f).centre.y, 84.875f, 0.2f);
}

TEST(TwinKnots, KnotPoints) {
    expectNear(knotPoint(0, kFirstKnotScale), 50.0f, 0.0f, 0.0f, 0.0f);
    expectNear(knotPoint(0, kSecondKnotScale), 83.33333f, 0.0f, 0.0f, 1e-4f);
    expectNear(knotPoint(1, kFirstKnotScale), 48.372f, 11.147f, 3.454f, 1e-3f);
    // The curve closes after 4 pi, about 120 points; the 3.14 / 30 step leaves each lap
    // a little short, so point 120 lies close to, but not on, point 0.
    const float gap = distance(knotPoint(120, kFirstKnotScale), knotPoint(0, kFirstKnotScale));
    EXPECT_GT(gap, 0.01f);
    EXPECT_LT(gap, 0.2f * distance(knotPoint(1, kFirstKnotScale), knotPoint(0, kFirstKnotScale)));
}

TEST(TwinKnots, HalfSizesStayInTheirRanges) {
    float lo1 = 10, hi1 = 0, lo2 = 10, hi2 = 0;
    for (float t : {192.5f, 200.0f, 214.9f}) {
        for (int i = 0; i < kSecondKnotPoints; ++i) {
            if (i < kFirstKnotPoints) {
                lo1 = std::min(lo1, firstKnotHalfSize(i, t));
                hi1 = std::max(hi1, firstKnotHalfSize(i, t));
            }
            lo2 = std::min(lo2, secondKnotHalfSize(i, t));
            hi2 = std::max(hi2, secondKnotHalfSize(i, t));
        }
    }
    EXPECT_NEAR(lo1, 0.6f - 0.2f * std::sqrt(2.0f), 1e-3f);
    EXPECT_NEAR(hi1, 0.6f + 0.2f * std::sqrt(2.0f), 1e-3f);
    EXPECT_NEAR(lo2, 0.9f - 0.3f * std::sqrt(2.0f), 1e-3f);
    EXPECT_NEAR(hi2, 0.9f + 0.3f * std::sqrt(2.0f), 1e-3f);
    // The phase runs on the demo time itself: b = 0.5 t + i.
    EXPECT_NEAR(firstKnotHalfSize(0, 200.0f), (std::sin(100.0) + std::cos(100.0)) * 0.2 + 0.6,
                1e-6);
}

TEST(TwinKnots, EyeAt200StaysInsideTheKnots) {
    expectNear(twinKnotsEye(200.0f), -1.248f, 4.847f, 3.637f, 1e-3f);
    for (float t = 192.5f; t < 215.0f; t += 0.5f) {
        const float d = distance(twinKnotsEye(t), {0, 0, 0});
        EXPECT_GT(d, 5.0f);
        EXPECT_LT(d, 7.0f);
    }
}

TEST(MirrorSphere, EyeAt230AndItsCircle) {
    expectNear(mirrorSphereEye(230.0f), -0.897f, 4.634f, -7.950f, 1e-3f);
    for (float t : {215.5f, 247.5f}) {
        const Vec3 eye = mirrorSphereEye(t);
        EXPECT_NEAR(std::hypot(eye.x, eye.z), 8.0f, 1e-5f);
    }
    EXPECT_NEAR(mirrorSphereEye(215.0f).y, 6.39f, 1e-2f);
    EXPECT_NEAR(mirrorSphereEye(248.0f).y, 2.42f, 1e-2f);
}

class HelixTunnel : public ::testing::Test {
  protected:
    // The tables as start-up fills them: the cloud's draws come first.
    static void SetUpTestSuite() {
        resetDemoRand();
        destroyParticleCloud(createParticleCloud(400, {5, 5, 5}, {0, 0, 0}));
        fillPointTables();
    }
};

TEST_F(HelixTunnel, TranslationMovesHalfAUnitPerSecond) {
    EXPECT_FLOAT_EQ(tunnelTranslationZ(279.0f), -84.0f);
    EXPECT_FLOAT_EQ(tunnelTranslationZ(268.0f), -89.5f);
    EXPECT_FLOAT_EQ(tunnelTranslationZ(290.0f), -78.5f);
    // Sprite 895 is level with the viewer at 268 s, sprite 785 at 290 s.
    EXPECT_NEAR(tunnelSpriteCentre(895, 268.0f).z + tunnelTranslationZ(268.0f), 0.0f, 1e-4f);
    EXPECT_NEAR(tunnelSpriteCentre(785, 290.0f).z + tunnelTranslationZ(290.0f), 0.0f, 1e-4f);
}

TEST_F(HelixTunnel, SpriteZeroSwaysOnTheAxisAtRadiusFive) {
    ASSERT_FLOAT_EQ(PhaseTable[0].x, -8.2f);
    for (float t : {268.5f, 279.0f, 289.5f}) {
        const Vec3 c = tunnelSpriteCentre(0, t);
        expectNear(c, static_cast<float>(0.5 * std::sin(0.05 * t - 8.2) + 5.0), 0.0f, 0.0f, 1e-5f);
    }
    // Every sprite stays within the sway of the radius-5 helix and pulses in 0.7 .. 0.9.
    for (int i = 0; i < kTunnelSprites; ++i) {
        const Vec3 c = tunnelSpriteCentre(i, 280.0f);
        EXPECT_NEAR(std::hypot(c.x, c.y), 5.0f, 0.5f + 1e-5f);
        EXPECT_NEAR(c.z, 0.1f * i, 1e-4f);
        const float h = tunnelSpriteHalfSize(i, 280.0f);
        EXPECT_GE(h, 0.7f - 1e-6f);
        EXPECT_LE(h, 0.9f + 1e-6f);
    }
    EXPECT_NEAR(tunnelSpriteHalfSize(0, 280.0f), 0.1 * std::sin(280.0 + 9.0) + 0.8, 1e-6);
}

} // namespace
