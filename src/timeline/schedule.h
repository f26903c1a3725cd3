// The fixed 325-second timeline as tables: which backgrounds, which scene and which fades
// are active at a demo time. Windows are open intervals: lo < t < hi.
#pragma once

#include <span>

struct TimeWindow {
    float lo;
    float hi;
    bool contains(float t) const { return lo < t && t < hi; }
};

struct BackgroundEntry {
    TimeWindow window;
    int textureIndex;
    bool scrolling; // the opening backdrop, scrolled by t * 0.005
};

using SceneFunction = void (*)(float t);

struct SceneEntry {
    TimeWindow window;
    SceneFunction draw;
    const char* name;
    bool writesDepth = true; // false: sprites only, drawn without depth writes
};

struct FadeEntry {
    float start;
    float end;
};

std::span<const BackgroundEntry> backgroundSchedule();
std::span<const SceneEntry> sceneSchedule();
std::span<const FadeEntry> fadeSchedule();

// The scene whose window holds t, or null (before 78 s, after 290 s, exactly on a bound).
const SceneEntry* sceneAt(float t);
// Draws the scene at t. One that writes no depth is drawn with the depth test off: over the
// backdrop, which leaves the far value everywhere, each of its fragments would pass the test,
// and without it the rasteriser never reads the depth buffer.
void drawScene(const SceneEntry& scene, float t);

inline constexpr float kCreditsStart = 289.0f;
inline constexpr float kCreditsAfter = 290.0f;
inline constexpr float kScrollRate = 0.005f;
