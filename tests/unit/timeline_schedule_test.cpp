#include <gtest/gtest.h>

#include <algorithm>
#include <string>

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

} // namespace
