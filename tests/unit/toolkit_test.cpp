#include <gtest/gtest.h>

#include <cmath>

#include <algorithm>

#include "gfx/billboard.h"
#include "gfx/ramp.h"
#include "scenes/caption.h"
#include "scenes/toolkit.h"

namespace {

void expectVec(Vec3 v, float x, float y, float z) {
    EXPECT_FLOAT_EQ(v.x, x);
    EXPECT_FLOAT_EQ(v.y, y);
    EXPECT_FLOAT_EQ(v.z, z);
}

TEST(DemoRand, FirstDrawsFromStateOne) {
    resetDemoRand();
    EXPECT_EQ(demoRand(), 41);
    EXPECT_EQ(demoRand(), 18467);
}

// The start-up order fixes every table: cloud (1200 draws) first, then the tables.
TEST(PointTables, ValuesAfterTheStartUpOrder) {
    resetDemoRand();
    ParticleCloud* cloud = createParticleCloud(400, {5, 5, 5}, {0, 0, 0});
    ASSERT_EQ(cloud->count, 400);
    expectVec(*cloud->points[0], -4.795f, -2.665f, -3.33f);
    fillPointTables();
    expectVec(PhaseTable[0], -8.2f, -10.0f, 9.0f);
    expectVec(PhaseTable[1], 4.6f, 7.8f, 2.2f);
    expectVec(PhaseTable[5], 5.8f, -8.0f, 0.4f);
    expectVec(ShadowPoints[0], -2.0f, -3.8f, 4.0f);
    expectVec(BubblePoints[0], 3.2f, 2.4f, 1.6f);
    expectVec(GlowPoints[0], -8.2f, -3.6f, 9.2f);
    destroyParticleCloud(cloud);
    for (const Vec3& p : GlowPoints) {
        for (float c : {p.x, p.y, p.z}) {
            EXPECT_GE(c, -10.0f);
            EXPECT_LE(c, 9.8f + 1e-5f);
        }
    }
}

TEST(PointTables, RandomInBoxNeverReachesThePositiveBound) {
    resetDemoRand();
    float lo = 0, hi = 0;
    for (int i = 0; i < 5000; ++i) {
        Vec3* v = vec3RandomInBox({5, 5, 5});
        for (float c : {v->x, v->y, v->z}) {
            lo = std::min(lo, c);
            hi = std::max(hi, c);
        }
        delete v;
    }
    EXPECT_FLOAT_EQ(lo, -5.0f);
    EXPECT_FLOAT_EQ(hi, 4.995f);
}

TEST(Billboard, CornersUnderIdentityAndUniformScale) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    BillboardQuad q = billboardCorners(identity, {0, 0, 0}, 1.0f);
    expectVec(q.corners[0], -1, -1, 0);
    expectVec(q.corners[1], 1, -1, 0);
    expectVec(q.corners[2], 1, 1, 0);
    expectVec(q.corners[3], -1, 1, 0);

    // Rows are not normalised: a uniform scale s gives s * halfSize in model space,
    // s^2 * halfSize in eye space.
    const float s = 3.0f;
    const float scaled[16] = {s, 0, 0, 0, 0, s, 0, 0, 0, 0, s, 0, 0, 0, 0, 1};
    q = billboardCorners(scaled, {1, 2, 3}, 0.5f);
    expectVec(q.corners[0], 1 - 1.5f, 2 - 1.5f, 3);
    expectVec(q.corners[2], 1 + 1.5f, 2 + 1.5f, 3);

    // A negative half-size mirrors the square through its centre.
    q = billboardCorners(identity, {0, 0, 0}, -1.0f);
    expectVec(q.corners[0], 1, 1, 0);
}

// A quad is dropped only when it lies wholly beyond one side of the view volume of the
// scenes' perspective (45 degrees, square, near 1, far 100); one touching any side is kept.
TEST(Billboard, QuadOutsideViewOnlyWhenWhollyBeyondOneSide) {
    const double f = 1.0 / std::tan(22.5 * 3.14159265358979 / 180.0);
    const double clip[16] = {f, 0, 0, 0, 0, f, 0, 0, 0, 0, -101.0 / 99.0, -1, 0, 0, -200.0 / 99.0,
                             0};
    const float edge = static_cast<float>(5.0 / f); // the left side at depth 5
    const struct {
        float x, z, half;
        bool outside;
    } cases[] = {{0, -5, 0.5f, false},
                 {0, 5, 0.5f, true}, // ahead, behind
                 {-100, -5, 0.5f, true},
                 {-edge - 0.6f, -5, 0.5f, true},
                 {-edge - 0.4f, -5, 0.5f, false},
                 {0, -99, 0.5f, false},
                 {0, -110, 0.5f, true}}; // the far side at 100
    for (const auto& c : cases) {
        const Vec3 corners[4] = {{c.x - c.half, -c.half, c.z},
                                 {c.x + c.half, -c.half, c.z},
                                 {c.x + c.half, c.half, c.z},
                                 {c.x - c.half, c.half, c.z}};
        EXPECT_EQ(quadOutsideView(corners, clip), c.outside) << c.x << " " << c.z;
    }
    // Straddling the near plane, seen edge on.
    const Vec3 across[4] = {{0, -1, -0.5f}, {0, 1, -0.5f}, {0, 1, -1.5f}, {0, -1, -1.5f}};
    EXPECT_FALSE(quadOutsideView(across, clip));
}

TEST(Ramp, ClampedRampAndCaptionAlpha) {
    EXPECT_FLOAT_EQ(clampedRamp(7, 9, 8), 0.5f);
    EXPECT_FLOAT_EQ(clampedRamp(7, 9, 6.9f), 0.0f);
    EXPECT_FLOAT_EQ(clampedRamp(7, 9, 9), 1.0f);
    EXPECT_FLOAT_EQ(clampedRamp(3, 3, 2.9f), 0.0f);
    EXPECT_FLOAT_EQ(clampedRamp(3, 3, 3), 1.0f);

    EXPECT_FLOAT_EQ(captionAlpha(1, 5, 1), 0.0f);
    EXPECT_FLOAT_EQ(captionAlpha(1, 5, 2), 0.5f);
    EXPECT_FLOAT_EQ(captionAlpha(1, 5, 4), 1.0f);
    EXPECT_FLOAT_EQ(captionAlpha(1, 5, 6), 0.5f);
    EXPECT_FLOAT_EQ(captionAlpha(1, 5, 7.5f), 0.0f);
    EXPECT_FLOAT_EQ(captionAlpha(1, 1, 2), 0.25f); // overlapping ramps multiply
}

TEST(SpriteField, HalfSizesSpanTheirRanges) {
    float lo = 1, hi = -1;
    for (int i = 0; i < 1000; ++i) {
        lo = std::min(lo, glowSpriteHalfSize(i));
        hi = std::max(hi, glowSpriteHalfSize(i));
    }
    EXPECT_NEAR(lo, -0.125f, 1e-3f);
    EXPECT_NEAR(hi, 0.175f, 1e-3f);
    EXPECT_FLOAT_EQ(bubbleSpriteHalfSize(0), 0.03f);
}

} // namespace
