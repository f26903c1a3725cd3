// The four model scenes' cameras and placements at the moments the scenes are known by.
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "scenes/orbit.h"
#include "scenes/rising_row.h"
#include "scenes/sprite_cloud.h"
#include "scenes/swirling_sea.h"
#include "support/model_fixture.h"

namespace {

void expectEye(const std::array<double, 3>& eye, double x, double y, double z, double tolerance) {
    EXPECT_NEAR(eye[0], x, tolerance);
    EXPECT_NEAR(eye[1], y, tolerance);
    EXPECT_NEAR(eye[2], z, tolerance);
}

TEST(ModelScenes, EyesAtTheirMoments) {
    expectEye(risingRowEye(80.0f), 1.0, 8.0, 2.0, 1e-12);
    expectEye(orbitEye(140.0f), 2.877, 2.564, 5.265, 1e-3);
    expectEye(spriteCloudEye(180.0f), -5.467, 0.0, 2.061, 1e-3);
    expectEye(swirlingSeaEye(258.0f), 10.282, 0.0, -9.502, 1e-3);
}

TEST(RisingRow, RowLiftAndCopyPlaces) {
    EXPECT_FLOAT_EQ(risingRowLift(80.0f), -2.0f);
    EXPECT_NEAR(risingRowLift(128.0f), 48.0 / (5.0 + 0.1 * std::sin(48.0)) - 2.0, 1e-5);
    const float expected[6][3] = {{-540, 49.454f, 9.978f},     {-360, -90.816f, 152.953f},
                                  {-180, 100.977f, -109.019f}, {0, 0, 0},
                                  {180, 100.977f, 109.019f},   {360, -90.816f, -152.953f}};
    for (int k = 0; k < kRisingRowCopies; ++k) {
        const Vec3 p = risingRowCopyOffset(k);
        EXPECT_FLOAT_EQ(p.x, expected[k][0]) << k;
        EXPECT_NEAR(p.y, expected[k][1], 5e-4) << k;
        EXPECT_NEAR(p.z, expected[k][2], 5e-4) << k;
    }
}

TEST(RisingRow, CopyTiltAndPhaseFromThePhaseTable) {
    fillSceneTables();
    EXPECT_FLOAT_EQ(risingRowCopyTilt(0).aboutY, -16.4f);
    EXPECT_FLOAT_EQ(risingRowCopyTilt(0).aboutZ, -8.2f);
    // The warp runs 45 seconds ahead of the scene clock.
    EXPECT_FLOAT_EQ(risingRowCopyWarpTime(0, 80.0f), 45.0f);
    EXPECT_FLOAT_EQ(risingRowCopyWarpTime(0, 100.0f), 65.0f);
    // Copy 5 from PhaseTable point 5 (5.8, -8.0, 0.4).
    EXPECT_FLOAT_EQ(risingRowCopyTilt(5).aboutY, 11.6f);
    EXPECT_FLOAT_EQ(risingRowCopyWarpTime(5, 80.0f), 2.0f);
}

} // namespace
