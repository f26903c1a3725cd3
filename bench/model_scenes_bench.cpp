// Frame time of each model scene rendered offscreen (Mesa's software GL unless a GPU is
// there), one glFinish per frame, the demo time stepping at 60 frames per second through
// ten seconds of the scene's window. The models come from the built data set when it is
// there, else from generated spheres (the label says which).
#include <benchmark/benchmark.h>

#include <cmath>

#include "gfx/gl.h"
#include "scene_setup.h"
#include "scenes/swirling_sea.h"
#include "scenes/toolkit.h"
#include "support/offscreen_gl.h"

namespace {

const char* modelSource = nullptr;

bool setUpOnce() {
    static OffscreenGl* gl = nullptr;
    if (gl == nullptr) {
        gl = new OffscreenGl(800, 600);
        if (gl->ok()) {
            setUpSceneGlState();
            makeSceneTextures();
            fillSceneTables();
            modelSource = loadSceneModels();
        }
    }
    return gl->ok();
}

void sceneFrames(benchmark::State& state, void (*draw)(float), float start, float background) {
    if (!setUpOnce()) {
        state.SkipWithError("no GL context");
        return;
    }
    int frame = 0;
    for (auto _ : state) {
        const float t = start + std::fmod(frame++ / 60.0f, 10.0f);
        setUpSceneGlState();
        glClearColor(background, background, background, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw(t);
        glFinish();
    }
    state.SetLabel(modelSource);
}

// The sprite field alone under the sea's camera: the share of every model scene's frame
// that is not the model.
void spriteFieldOnly(float t) {
    glLoadIdentity();
    const auto eye = swirlingSeaEye(t);
    gluLookAt(eye[0], eye[1], eye[2], 0, 0, 0, 0, 1, 1);
    drawSpriteField();
}

BENCHMARK_CAPTURE(sceneFrames, RisingRow, drawScheduledScene, 100.0f, 0.0f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, Orbit, drawScheduledScene, 135.0f, 0.0f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, SpriteCloud, drawScheduledScene, 175.0f, 0.5f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, SwirlingSea, drawScheduledScene, 252.0f, 0.0f)
    ->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(sceneFrames, SpriteFieldOnly, spriteFieldOnly, 252.0f, 0.0f)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
