// The timed ramps behind every fade and caption, and the billboard square.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <utility>
#include <vector>

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

// Runs of consecutive quads that share no pixel: a run ends where the next quad's box meets
// any box of the run (boxes that only touch do not meet), and a quad that draws nothing joins
// any run.
TEST(Billboard, DisjointRunsEndWhereABoxMeetsOneOfTheRun) {
    using Runs = std::vector<std::pair<int, int>>;
    const WindowBox a{0, 0, 10, 10}, b{10, 0, 20, 10}, c{5, 5, 15, 15}, d{30, 30, 40, 40},
        e{0, 20, 10, 30}, none{5, 5, 5, 5}, all{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    const struct {
        std::vector<WindowBox> boxes;
        Runs runs;
    } cases[] = {
        {{}, {}},
        {{a}, {{0, 1}}},
        {{a, b, d, e}, {{0, 4}}},                // side by side, apart: one run
        {{a, c}, {{0, 1}, {1, 1}}},              // overlapping
        {{a, b, c}, {{0, 2}, {2, 1}}},           // c meets both
        {{a, d, b, e, c}, {{0, 4}, {4, 1}}},     // c meets a and b, earlier in the run
        {{c, a, d, b}, {{0, 1}, {1, 3}}},        // a meets c; then b meets neither a nor d
        {{a, none, b, none}, {{0, 4}}},          // nothing drawn joins the run
        {{a, all, b}, {{0, 1}, {1, 1}, {2, 1}}}, // unbounded: alone
        {{a, a}, {{0, 1}, {1, 1}}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(disjointRuns(c.boxes), c.runs) << c.boxes.size();
    }
}

} // namespace
