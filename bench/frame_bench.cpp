// Whole frames of the demo, composed offscreen at 800 x 600 on the real data set with the
// post-process shader: one benchmark per stretch of the timeline, stepping a 60 fps frame
// at a time through it, finished with glFinish every frame.
#include <benchmark/benchmark.h>

#include <string>

#include "gfx/gl.h"
#include "support/offscreen_gl.h"
#include "timeline/composer.h"

namespace {

OffscreenGl* context() {
    static OffscreenGl* gl = [] {
        auto* made = new OffscreenGl();
        OffscreenGl::startDemoHere(std::string(QUORLITH_BUILD_DIR) + "/data");
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

struct Stretch {
    const char* name;
    float start;
    float end;
};

// One stretch inside each background or scene window, clear of the fades at its ends.
constexpr Stretch kStretches[] = {
    {"BM_Backdrop", 20.0f, 60.0f},       {"BM_RisingRow", 82.0f, 125.0f},
    {"BM_Orbit", 132.0f, 145.0f},        {"BM_FireHelix", 152.0f, 168.0f},
    {"BM_SpriteCloud", 175.0f, 189.0f},  {"BM_TwinKnots", 196.0f, 213.0f},
    {"BM_MirrorSphere", 220.0f, 246.0f}, {"BM_SwirlingSea", 253.0f, 264.0f},
    {"BM_HelixTunnel", 271.0f, 288.0f},  {"BM_Credits", 302.0f, 324.0f},
};

} // namespace

int main(int argc, char** argv) {
    for (const Stretch& stretch : kStretches) {
        benchmark::RegisterBenchmark(stretch.name, [stretch](benchmark::State& state) {
            runStretch(state, stretch.start, stretch.end);
        })->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
