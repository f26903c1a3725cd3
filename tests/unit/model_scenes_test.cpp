// The four model scenes' cameras and placements at the moments the scenes are known by.
#include <gtest/gtest.h>

#include <cmath>

#include "scenes/orbit.h"
#include "scenes/rising_row.h"
#include "scenes/sprite_cloud.h"
#include "scenes/swirling_sea.h"
#include "scenes/toolkit.h"
#include "support/model_fixture.h"

namespace {

TEST(RisingRow, EyeAndRowAtEightySeconds) {
    const auto eye = risingRowEye(80.0f);
    EXPECT_DOUBLE_EQ(eye[0], 1.0);
    EXPECT_DOUBLE_EQ(eye[1], 8.0);
    EXPECT_DOUBLE_EQ(eye[2], 2.0);
    EXPECT_FLOAT_EQ(risingRowLift(80.0f), -2.0f);
    // The eye swings along x only, the row climbs about a unit every five seconds.
    EXPECT_NEAR(risingRowEye(78.0f)[0], 1.0 + 8.0 * std::sin(-0.04), 1e-12);
    EXPECT_NEAR(risingRowEye(128.0f)[0], 7.5535, 1e-3);
    EXPECT_NEAR(risingRowLift(128.0f), 48.0 / (5.0 + 0.1 * std::sin(48.0)) - 2.0, 1e-5);
    EXPECT_NEAR(risingRowLift(128.0f), 7.75, 0.05);
}

TEST(RisingRow, CopiesStandInTheirRow) {
    const float expected[6][3] = {{-540, 49.454f, 9.978f},     {-360, -90.816f, 152.953f},
                                  {-180, 100.977f, -109.019f}, {0, 0, 0},
                                  {180, 100.977f, 109.019f},   {360, -90.816f, -152.953f}};
    for (int k = 0; k < kRisingRowCopies; ++k) {
        const Vec3 p = risingRowCopyOffset(k);
        EXPECT_FLOAT_EQ(p.x, expected[k][0]) << k;
        EXPECT_NEAR(p.y, expected[k][1], 5e-4) << k;
        EXPECT_NEAR(p.z, expected[k][2], 5e-4) << k;
    }
    // Copies 2 and 4 share a height and lie at opposite depths.
    EXPECT_EQ(risingRowCopyOffset(2).y, risingRowCopyOffset(4).y);
    EXPECT_EQ(risingRowCopyOffset(2).z, -risingRowCopyOffset(4).z);
}

TEST(RisingRow, CopyZeroTiltAndPhaseFromThePhaseTable) {
    fillSceneTables();
    const RisingRowTilt tilt = risingRowCopyTilt(0);
    EXPECT_FLOAT_EQ(tilt.aboutY, -16.4f);
    EXPECT_FLOAT_EQ(tilt.aboutZ, -8.2f);
    // The warp runs 45 seconds ahead of the scene clock.
    EXPECT_FLOAT_EQ(risingRowCopyWarpTime(0, 80.0f), 45.0f);
    EXPECT_FLOAT_EQ(risingRowCopyWarpTime(0, 100.0f), 65.0f);
    // Copy 5 from PhaseTable point 5 (5.8, -8.0, 0.4).
    EXPECT_FLOAT_EQ(risingRowCopyTilt(5).aboutY, 11.6f);
    EXPECT_FLOAT_EQ(risingRowCopyWarpTime(5, 80.0f), 2.0f);
}

TEST(Orbit, EyeAtOneHundredFortySeconds) {
    EXPECT_EQ(orbitClock(140.0f), 15.0f);
    EXPECT_EQ(orbitAngle(140.0f), 15.0f * 0.033333335f);
    const auto eye = orbitEye(140.0f);
    EXPECT_NEAR(eye[0], 6.0 * std::sin(0.5), 1e-6);
    EXPECT_NEAR(eye[1], 7.0 * std::sin(0.375), 1e-6);
    EXPECT_NEAR(eye[2], 6.0 * std::cos(0.5), 1e-6);
    EXPECT_NEAR(eye[0], 2.877, 1e-3);
    EXPECT_NEAR(eye[1], 2.564, 1e-3);
    EXPECT_NEAR(eye[2], 5.265, 1e-3);
    // Within the window the eye rises from about 0.52 to about 4.1.
    EXPECT_NEAR(orbitEye(128.0f)[1], 0.52, 0.01);
    EXPECT_NEAR(orbitEye(150.0f)[1], 4.1, 0.05);
}

TEST(SpriteCloud, EyeAtOneHundredEightySeconds) {
    const auto eye = spriteCloudEye(180.0f);
    EXPECT_NEAR(eye[0], -5.467, 1e-3);
    EXPECT_EQ(eye[1], 0.0);
    EXPECT_NEAR(eye[2], 2.061, 1e-3);
}

TEST(SwirlingSea, EyeAtTwoHundredFiftyEightSeconds) {
    const auto eye = swirlingSeaEye(258.0f);
    EXPECT_NEAR(eye[0], 10.282, 1e-3);
    EXPECT_EQ(eye[1], 0.0);
    EXPECT_NEAR(eye[2], -9.502, 1e-3);
    EXPECT_NEAR(std::hypot(eye[0], eye[2]), 14.0, 1e-12);
}

} // namespace
