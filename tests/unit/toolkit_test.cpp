// The timed ramps behind every fade and caption, and the billboard square.
#include <gtest/gtest.h>

#include "gfx/billboard.h"
#include "gfx/ramp.h"
#include "scenes/caption.h"

namespace {

TEST(Ramp, ClampedRampAndCaptionAlpha) {
    const struct {
        float value, expected;
    } cases[] = {
        {clampedRamp(7, 9, 8), 0.5f},   {clampedRamp(7, 9, 6.9f), 0.0f},
        {clampedRamp(7, 9, 9), 1.0f},   {clampedRamp(3, 3, 2.9f), 0.0f},
        {clampedRamp(3, 3, 3), 1.0f},   {captionAlpha(1, 5, 1), 0.0f},
        {captionAlpha(1, 5, 2), 0.5f},  {captionAlpha(1, 5, 4), 1.0f},
        {captionAlpha(1, 5, 6), 0.5f},  {captionAlpha(1, 5, 7.5f), 0.0f},
        {captionAlpha(1, 1, 2), 0.25f}, // overlapping ramps multiply
    };
    for (const auto& c : cases) {
        EXPECT_FLOAT_EQ(c.value, c.expected);
    }
}

// The square's corners go round counter-clockwise from the bottom left; rows of the matrix
// are not normalised, so a uniform scale s gives s * halfSize.
TEST(Billboard, CornersUnderIdentityAndUniformScale) {
    const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    const float scaled[16] = {3, 0, 0, 0, 0, 3, 0, 0, 0, 0, 3, 0, 0, 0, 0, 1};
    const BillboardQuad a = billboardCorners(identity, {0, 0, 0}, 1.0f);
    const BillboardQuad b = billboardCorners(scaled, {1, 2, 3}, 0.5f);
    const float expected[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(a.corners[i].x, expected[i][0]) << i;
        EXPECT_EQ(a.corners[i].y, expected[i][1]) << i;
        EXPECT_EQ(b.corners[i].x, 1 + 1.5f * expected[i][0]) << i;
        EXPECT_EQ(b.corners[i].y, 2 + 1.5f * expected[i][1]) << i;
        EXPECT_EQ(b.corners[i].z, 3.0f) << i;
    }
}

} // namespace
