// The sprite scenes' cameras and sprite placements at the moments the scenes are known by.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>

#include "scenes/fire_helix.h"
#include "scenes/helix_tunnel.h"
#include "scenes/mirror_sphere.h"
#include "scenes/toolkit.h"
#include "scenes/twin_knots.h"
#include "support/model_fixture.h"

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

TEST(SpriteScenes, EyesAtTheirMoments) {
    expectNear(fireHelixEye(160.0f), 9.943f, 7.675f, 8.375f, 1e-3f);
    expectNear(twinKnotsEye(200.0f), -1.248f, 4.847f, 3.637f, 1e-3f);
    expectNear(mirrorSphereEye(230.0f), -0.897f, 4.634f, -7.950f, 1e-3f);
    EXPECT_NEAR(std::hypot(mirrorSphereEye(247.5f).x, mirrorSphereEye(247.5f).z), 8.0f, 1e-5f);
}

TEST(FireHelix, FirstStepAt160IsDarkAndTheStrandsMirrorEachOther) {
    const FireSprite s = fireHelixSprite(0, 0, 160.0f);
    EXPECT_FLOAT_EQ(s.turnDegrees, 0.0f);
    expectNear(s.centre, 3.99966f, -39.88971f, 0.0f, 2e-5f);
    EXPECT_FLOAT_EQ(s.halfSize, 0.55f);
    // 0.7 - 2 sin(32): below zero, so GL clamps it and the sprite adds nothing.
    EXPECT_NEAR(s.alpha, 0.7 - 2.0 * std::sin(32.0), 1e-5);
    EXPECT_EQ(std::clamp(s.alpha, 0.0f, 1.0f), 0.0f);
    // Strand B mirrors it through the axis: same wobble, height, pulse and turn.
    const FireSprite b = fireHelixSprite(0, 1, 160.0f);
    EXPECT_NEAR(s.centre.x - b.centre.x, 7.0f, 1e-5f);
    EXPECT_EQ((std::array<float, 3>{b.centre.y, b.alpha, b.turnDegrees}),
              (std::array<float, 3>{s.centre.y, s.alpha, s.turnDegrees}));
    // The top step: 84.875 before the 0.2 wobble.
    EXPECT_NEAR(fireHelixSprite(999, 0, 150.5f).centre.y, 84.875f, 0.2f);
}

TEST(TwinKnots, KnotPointsAndHalfSizes) {
    expectNear(knotPoint(0, kFirstKnotScale), 50.0f, 0.0f, 0.0f, 0.0f);
    expectNear(knotPoint(1, kFirstKnotScale), 48.372f, 11.147f, 3.454f, 1e-3f);
    expectNear(knotPoint(0, kSecondKnotScale), 83.33333f, 0.0f, 0.0f, 1e-4f);
    // The curve closes after 4 pi, about 120 points; the 3.14 / 30 step leaves each lap
    // a little short, so point 120 lies close to, but not on, point 0.
    const float gap = distance(knotPoint(120, kFirstKnotScale), knotPoint(0, kFirstKnotScale));
    EXPECT_GT(gap, 0.01f);
    EXPECT_LT(gap, 0.2f * distance(knotPoint(1, kFirstKnotScale), knotPoint(0, kFirstKnotScale)));
    // The phase runs on the demo time itself: b = 0.5 t + i.
    EXPECT_NEAR(firstKnotHalfSize(0, 200.0f), (std::sin(100.0) + std::cos(100.0)) * 0.2 + 0.6,
                1e-6);
    // Over the scene the half sizes sweep base -+ amplitude * sqrt(2).
    float lo[2] = {10, 10}, hi[2] = {0, 0};
    for (const float t : {192.5f, 200.0f, 214.9f}) {
        for (int i = 0; i < kSecondKnotPoints; ++i) {
            const float h[2] = {firstKnotHalfSize(i % kFirstKnotPoints, t),
                                secondKnotHalfSize(i, t)};
            for (int k = 0; k < 2; ++k) {
                lo[k] = std::min(lo[k], h[k]);
                hi[k] = std::max(hi[k], h[k]);
            }
        }
    }
    EXPECT_NEAR(lo[0], 0.6f - 0.2f * std::sqrt(2.0f), 1e-3f);
    EXPECT_NEAR(hi[0], 0.6f + 0.2f * std::sqrt(2.0f), 1e-3f);
    EXPECT_NEAR(lo[1], 0.9f - 0.3f * std::sqrt(2.0f), 1e-3f);
    EXPECT_NEAR(hi[1], 0.9f + 0.3f * std::sqrt(2.0f), 1e-3f);
}

TEST(HelixTunnel, TranslationAndSpriteZeroAt279) {
    fillSceneTables(); // PhaseTable as start-up leaves it
    EXPECT_FLOAT_EQ(tunnelTranslationZ(279.0f), -84.0f);
    // Sprite 895 is level with the viewer at 268 s, sprite 785 at 290 s.
    EXPECT_NEAR(tunnelSpriteCentre(895, 268.0f).z + tunnelTranslationZ(268.0f), 0.0f, 1e-4f);
    EXPECT_NEAR(tunnelSpriteCentre(785, 290.0f).z + tunnelTranslationZ(290.0f), 0.0f, 1e-4f);
    // Sprite 0 sways on the x axis at radius 5 with PhaseTable[0].x = -8.2.
    expectNear(tunnelSpriteCentre(0, 279.0f),
               static_cast<float>(0.5 * std::sin(0.05 * 279.0 - 8.2) + 5.0), 0.0f, 0.0f, 1e-5f);
    // Every sprite stays within the sway of the radius-5 helix and pulses in 0.7 .. 0.9.
    for (int i = 0; i < kTunnelSprites; ++i) {
        const Vec3 c = tunnelSpriteCentre(i, 280.0f);
        EXPECT_NEAR(std::hypot(c.x, c.y), 5.0f, 0.5f + 1e-5f);
        EXPECT_NEAR(c.z, 0.1f * i, 1e-4f);
        EXPECT_NEAR(tunnelSpriteHalfSize(i, 280.0f), 0.8f, 0.1f + 1e-6f);
    }
    EXPECT_NEAR(tunnelSpriteHalfSize(0, 280.0f), 0.1 * std::sin(280.0 + 9.0) + 0.8, 1e-6);
}

} // namespace
