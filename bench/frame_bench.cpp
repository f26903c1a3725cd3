// Whole frames of the demo, composed offscreen at 800 x 600 on the real data set with the
// post-process shader: one benchmark per stretch of the timeline, stepping a 60 fps frame
// at a time through it, finished with glFinish every frame.
#include <benchmark/benchmark.h>

#include <string>

#include "audio/music.h"
#include "gfx/gl.h"
#include "scenes/toolkit.h"
#include "shader/glsl_shaders.h"
#include "support/offscreen_gl.h"
#include "timeline/composer.h"
#include "timeline/startup.h"

namespace {

OffscreenGl* context() {
    static OffscreenGl* gl = [] {
        auto* made = new OffscreenGl();
        setGlProcLookup(OffscreenGl::lookup);
        setClockSource(ClockSource::Manual);
        setDataDirectory(std::string(QUORLITH_BUILD_DIR) + "/data");
        resetDemoRand();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 800.0 / 600.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        initializeDemo();
        return made;
    }();
    return gl;
}

void runStretch(benchmark::State& state, float start, float end) {
    if (!context()->ok()) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    float t = start;
    for (auto _ : state) {
        drawFrameAt(t);
        glFinish();
        t += 1.0f / 60.0f;
        if (t >= end) {
            t = start;
        }
    }
}

void BM_Backdrop(benchmark::State& s) {
    runStretch(s, 20.0f, 60.0f);
}
void BM_RisingRow(benchmark::State& s) {
    runStretch(s, 82.0f, 125.0f);
}
void BM_Orbit(benchmark::State& s) {
    runStretch(s, 132.0f, 145.0f);
}
void BM_FireHelix(benchmark::State& s) {
    runStretch(s, 152.0f, 168.0f);
}
void BM_SpriteCloud(benchmark::State& s) {
    runStretch(s, 175.0f, 189.0f);
}
void BM_TwinKnots(benchmark::State& s) {
    runStretch(s, 196.0f, 213.0f);
}
void BM_MirrorSphere(benchmark::State& s) {
    runStretch(s, 220.0f, 246.0f);
}
void BM_SwirlingSea(benchmark::State& s) {
    runStretch(s, 253.0f, 264.0f);
}
void BM_HelixTunnel(benchmark::State& s) {
    runStretch(s, 271.0f, 288.0f);
}
void BM_Credits(benchmark::State& s) {
    runStretch(s, 302.0f, 324.0f);
}

BENCHMARK(BM_Backdrop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RisingRow)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Orbit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FireHelix)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpriteCloud)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwinKnots)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MirrorSphere)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SwirlingSea)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_HelixTunnel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Credits)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
