#include "timeline/schedule.h"

#include "gfx/gl.h"
#include "scenes/scenes.h"

namespace {
constexpr BackgroundEntry kBackgrounds[] = {
    {{0.0f, 170.0f}, 0, false},
    {{170.0f, 192.0f}, 3, false},
    {{192.0f, 300.0f}, 0, false},
    {{0.0f, 78.0f}, 1, true},
};

constexpr SceneEntry kScenes[] = {
    {{78.0f, 128.0f}, drawRisingRowScene, "rising row"},
    {{128.0f, 150.0f}, drawOrbitScene, "orbit"},
    {{150.0f, 170.0f}, drawFireHelixScene, "fire helix", false},
    {{170.0f, 192.0f}, drawSpriteCloudScene, "sprite cloud", false},
    {{192.0f, 215.0f}, drawTwinKnotsScene, "twin knots", false},
    {{215.0f, 248.0f}, drawMirrorSphereScene, "mirror sphere"},
    {{248.0f, 268.0f}, drawSwirlingSeaScene, "swirling sea"},
    {{268.0f, 290.0f}, drawHelixTunnelScene, "helix tunnel", false},
};

// Each darkens over 2 s from start, stays black until end, clears over 2 s: every cut
// happens under full black.
constexpr FadeEntry kFades[] = {
    {-5.0f, 7.0f},    {75.0f, 80.0f},   {125.0f, 130.0f}, {145.0f, 150.0f}, {168.0f, 173.0f},
    {189.0f, 194.0f}, {213.0f, 218.0f}, {246.0f, 251.0f}, {264.0f, 269.0f}, {288.0f, 300.0f},
};
} // namespace

std::span<const BackgroundEntry> backgroundSchedule() {
    return kBackgrounds;
}
std::span<const SceneEntry> sceneSchedule() {
    return kScenes;
}
std::span<const FadeEntry> fadeSchedule() {
    return kFades;
}

const SceneEntry* sceneAt(float t) {
    for (const SceneEntry& scene : kScenes) {
        if (scene.window.contains(t)) {
            return &scene;
        }
    }
    return nullptr;
}

void drawScene(const SceneEntry& scene, float t) {
    if (!scene.writesDepth) {
        glDisable(GL_DEPTH_TEST);
    }
    scene.draw(t);
    glEnable(GL_DEPTH_TEST);
}
