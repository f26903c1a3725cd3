#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "audio/music.h"
#include "timeline/passes.h"
#include "timeline/schedule.h"

namespace {

std::string sceneNameAtMs(int positionMs) {
    const SceneEntry* scene = sceneAt(demoTimeFromPositionMs(positionMs));
    return scene ? scene->name : "none";
}

// Positions on a bound either land exactly on it (neither neighbour draws) or, where the
// float product rounds up, just inside the later window.
TEST(Schedule, ScenesAtAndAroundEveryBound) {
    EXPECT_EQ(sceneNameAtMs(77999), "none");
    EXPECT_EQ(sceneNameAtMs(78000), "none");
    EXPECT_EQ(sceneNameAtMs(78001), "rising row");
    EXPECT_EQ(sceneNameAtMs(127999), "rising row");
    EXPECT_EQ(sceneNameAtMs(128000), "none");
    EXPECT_EQ(sceneNameAtMs(128001), "orbit");
    EXPECT_EQ(sceneNameAtMs(150000), "none");
    EXPECT_EQ(sceneNameAtMs(150001), "fire helix");
    EXPECT_EQ(sceneNameAtMs(169999), "fire helix");
    EXPECT_EQ(sceneNameAtMs(170000), "sprite cloud"); // 170.0000153 s
    EXPECT_EQ(sceneNameAtMs(192000), "twin knots");
    EXPECT_EQ(sceneNameAtMs(215000), "mirror sphere");
    EXPECT_EQ(sceneNameAtMs(248000), "swirling sea");
    EXPECT_EQ(sceneNameAtMs(268000), "none");
    EXPECT_EQ(sceneNameAtMs(268001), "helix tunnel");
    EXPECT_EQ(sceneNameAtMs(290000), "none");
    EXPECT_EQ(sceneNameAtMs(300000), "none");
    EXPECT_EQ(sceneNameAtMs(0), "none");
    EXPECT_EQ(sceneNameAtMs(-300), "none");
}

// At every cut the screen is fully black, so no cut is ever seen.
TEST(Fades, EveryCutHappensUnderFullBlack) {
    for (float cut :
         {78.0f, 128.0f, 150.0f, 170.0f, 192.0f, 215.0f, 248.0f, 268.0f, 290.0f, 300.0f}) {
        float darkest = 0.0f;
        for (const FadeEntry& fade : fadeSchedule()) {
            darkest = std::max(darkest, fadeWindowAlpha(fade.start, fade.end, cut));
        }
        EXPECT_FLOAT_EQ(darkest, 1.0f) << "cut at " << cut;
    }
}

TEST(Fades, AlphaOverTheWindow) {
    EXPECT_FLOAT_EQ(fadeWindowAlpha(-5, 7, 0.5f), 1.0f);
    EXPECT_FLOAT_EQ(fadeWindowAlpha(-5, 7, 8), 0.5f);
    EXPECT_FLOAT_EQ(fadeWindowAlpha(-5, 7, 9), 0.0f); // still drawn, transparent
    EXPECT_LT(fadeWindowAlpha(-5, 7, 12), 0.0f);      // not drawn at all
    EXPECT_LT(fadeWindowAlpha(-5, 7, -5), 0.0f);
    EXPECT_FLOAT_EQ(fadeWindowAlpha(288, 300, 289), 0.5f);
    EXPECT_FLOAT_EQ(fadeWindowAlpha(288, 300, 295), 1.0f);
}

// The passes under the credits skip the pixels the image surely covers: every such pixel's
// centre lies inside the image, and the boxes around it hold every other pixel between the
// bars exactly once.
TEST(Credits, CoverAndTheBoxesAroundIt) {
    const struct {
        float t;
        PixelBox cover;
        int boxes;
    } cases[] = {{290.0f, {0, 0, 0, 0}, 1},
                 {300.0f, {151, 0, 510, 394}, 3},
                 {325.0f, {151, 497, 510, 103}, 3}};
    for (const auto& c : cases) {
        const PixelBox cover = creditsCover(FrameGeometry{}, 289, c.t);
        EXPECT_EQ(std::tie(cover.x, cover.y, cover.width, cover.height),
                  std::tie(c.cover.x, c.cover.y, c.cover.width, c.cover.height))
            << c.t;
        const float top = creditsTop(289, c.t);
        EXPECT_TRUE(cover.height == 0 ||
                    (cover.x + 0.5f >= 150.0f && cover.x + cover.width - 0.5f <= 662.0f &&
                     599.5f - (cover.y + cover.height - 1) >= top &&
                     599.5f - cover.y <= top + 1024.0f))
            << c.t;
        PixelBox boxes[4];
        ASSERT_EQ(boxesBetweenTheBarsAround(FrameGeometry{}, cover, boxes), c.boxes) << c.t;
        std::vector<int> hits(800 * 600, 0);
        for (int i = 0; i < c.boxes; ++i) {
            for (int y = boxes[i].y; y < boxes[i].y + boxes[i].height; ++y) {
                for (int x = boxes[i].x; x < boxes[i].x + boxes[i].width; ++x) {
                    ++hits[y * 800 + x];
                }
            }
        }
        for (int y = 60; y < 540; ++y) {
            for (int x = 0; x < 800; ++x) {
                const bool hidden = x >= cover.x && x < cover.x + cover.width && y >= cover.y &&
                                    y < cover.y + cover.height;
                ASSERT_EQ(hits[y * 800 + x], hidden ? 0 : 1) << c.t << " at " << x << "," << y;
            }
        }
    }
}

} // namespace
