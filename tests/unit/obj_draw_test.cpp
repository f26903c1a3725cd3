// The swirl that bends a model over time and the sprite each triangle carries.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "model/obj_draw.h"

namespace {

// At t = 0 a vertex at height 0 sits 18 units along z; at pi/2 it has turned an eighth of pi
// and risen 12; 300 units up, the turn is one radian ahead and the bob five radians.
TEST(SwirledVertex, TurnsAndBobsWithTimeAndHeight) {
    const double pi = std::acos(-1.0);
    const struct {
        float x, y, z, t;
        double ex, ey, ez;
    } cases[] = {
        {3.5f, 0, -44.5f, 0, 3.5, 0, -26.5},
        {10, 0, -5, static_cast<float>(pi / 2), 10 + 18 * std::sin(pi / 8), 12,
         -5 + 18 * std::cos(pi / 8)},
        {0, 300, 0, 0, 18 * std::sin(1.0), 300 + 12 * std::sin(5.0), 18 * std::cos(1.0)},
    };
    for (const auto& c : cases) {
        const Vec3 p = swirledVertex(c.x, c.y, c.z, c.t);
        EXPECT_NEAR(p.x, c.ex, 1e-4) << c.y << " at " << c.t;
        EXPECT_NEAR(p.y, c.ey, 1e-4) << c.y << " at " << c.t;
        EXPECT_NEAR(p.z, c.ez, 1e-4) << c.y << " at " << c.t;
    }
}

// The swirl is worked out from the sines of its time and height parts: over the heights and
// times the demo meets, each coordinate rounds to the same float as the direct sines give.
TEST(SwirledVertex, RoundsAsTheDirectSinesDo) {
    int differ = 0;
    for (int i = 0; i < 40000; ++i) {
        const float x = -150.0f + 0.0075f * i, y = -300.0f + 0.015f * i, z = 0.5f * x;
        const float t = 0.00813f * i;
        const double a = static_cast<double>(t * 0.25f) + static_cast<double>(y) * 0.0033333334f;
        const double b = static_cast<double>(t) + static_cast<double>(y) * 0.016666668f;
        const Vec3 p = swirledVertex(x, y, z, t);
        differ += p.x != static_cast<float>(x + 18.0 * std::sin(a)) ||
                  p.y != static_cast<float>(y + 12.0 * std::sin(b)) ||
                  p.z != static_cast<float>(z + 18.0 * std::cos(a));
    }
    EXPECT_EQ(differ, 0);
}

TEST(TriangleSprite, HalfSizeSpans700To1300AndCentreIsSpreadBy1Point2) {
    float lo = 2000.0f, hi = 0.0f;
    for (int i = 0; i < 20000; ++i) {
        const float h =
            triangleSpriteHalfSize(-300.0f + 0.037f * i, 150.0f - 0.011f * i, 0.013f * i);
        lo = std::min(lo, h);
        hi = std::max(hi, h);
    }
    EXPECT_NEAR(lo, 700.0f, 1.0f);
    EXPECT_NEAR(hi, 1300.0f, 1.0f);
    const Vec3 c = triangleSpriteCentre(10.0f, -20.0f, 0.5f);
    EXPECT_FLOAT_EQ(c.x, 12.0f);
    EXPECT_FLOAT_EQ(c.y, -24.0f);
    EXPECT_FLOAT_EQ(c.z, 0.6f);
}

} // namespace
