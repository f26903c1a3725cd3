// Frame time of each sprite scene drawn offscreen into the program's 512 x 512 scene
// square of an 800 x 600 context, finished with glFinish every frame.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "scenes/toolkit.h"
#include "sprite_scenes_gl.h"
#include "support/offscreen_gl.h"

namespace {

using namespace sprite_scenes_gl;

// Draws the scene at times stepping a frame (1/60 s) at a time through its window.
void runScene(benchmark::State& state, void (*scene)(float), float start, float end) {
    float t = start;
    for (auto _ : state) {
        beginSceneFrame();
        scene(t);
        glFinish();
        t += 1.0f / 60.0f;
        if (t >= end) {
            t = start;
        }
    }
}

void spriteFieldOnly(float /*t*/) {
    glLoadIdentity();
    gluLookAt(0, 3, 6, 0, 0, 0, 0, 1, 1);
    drawSpriteField();
}

void BM_FireHelix(benchmark::State& s) {
    runScene(s, drawScheduledScene, 150.5f, 169.5f);
}
void BM_TwinKnots(benchmark::State& s) {
    runScene(s, drawScheduledScene, 192.5f, 214.5f);
}
void BM_MirrorSphere(benchmark::State& s) {
    runScene(s, drawScheduledScene, 215.5f, 247.5f);
}
void BM_HelixTunnel(benchmark::State& s) {
    runScene(s, drawScheduledScene, 268.5f, 289.5f);
}
// The 2200 billboards three of the scenes draw last, for comparison.
void BM_SpriteFieldOnly(benchmark::State& s) {
    runScene(s, spriteFieldOnly, 0.0f, 1.0f);
}

#define SCENE_BENCH(fn)                                                                            \
    BENCHMARK(fn)                                                                                  \
        ->Unit(benchmark::kMillisecond)                                                            \
        ->UseRealTime()                                                                            \
        ->Repetitions(5)                                                                           \
        ->ReportAggregatesOnly(true)

SCENE_BENCH(BM_FireHelix);
SCENE_BENCH(BM_TwinKnots);
SCENE_BENCH(BM_MirrorSphere);
SCENE_BENCH(BM_HelixTunnel);
SCENE_BENCH(BM_SpriteFieldOnly);

} // namespace

int main(int argc, char** argv) {
    OffscreenGl gl(800, 600);
    if (!gl.ok()) {
        std::fprintf(stderr, "no offscreen GL context: %s\n", gl.error().c_str());
        return 1;
    }
    initialiseLikeStartUp();
    fillTextureSlots();
    benchmark::AddCustomContext("renderer",
                                reinterpret_cast<const char*>(glGetString(GL_RENDERER)));
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
