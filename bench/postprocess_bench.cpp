// Cost of the post-process pass per frame at 800 x 600 (offscreen GL, e.g. llvmpipe): the copy
// of the 512 x 512 square and the stretched quad, plain and through the post-process shaders
// with their per-frame uniform calls. glFinish ends every timed frame.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

#include "postprocess_pass.h"
#include "shader/glsl_shaders.h"
#include "support/offscreen_gl.h"

namespace {

struct Bench {
    OffscreenGl gl;
    ShaderProgram* program = nullptr;
    postprocess::PostProcessPass* pass = nullptr;
};

// Made once and kept to the end of the process, with its context current.
Bench& bench() {
    static Bench* b = [] {
        auto* made = new Bench;
        if (!made->gl.ok()) {
            std::fprintf(stderr, "no GL context: %s\n", made->gl.error().c_str());
            return made;
        }
        setGlProcLookup(OffscreenGl::lookup);
        const std::string dir = std::string(QUORLITH_BUILD_DIR) + "/data/shaders/";
        made->program = shaderLibrary().createProgram((dir + "default.vert").c_str(),
                                                      (dir + "blur.frag").c_str());
        made->pass = new postprocess::PostProcessPass;
        return made;
    }();
    return *b;
}

void runPass(benchmark::State& state, bool withShader) {
    Bench& b = bench();
    if (b.pass == nullptr || (withShader && b.program == nullptr)) {
        state.SkipWithError("no GL context or no post-process program");
        return;
    }
    ShaderProgram* program = withShader ? b.program : nullptr;
    float time = 100.0f;
    for (auto _ : state) {
        postprocess::drawPicture();
        b.pass->run(program, 0.5f, time);
        glFinish();
        time += 0.02f;
    }
}

void BM_PostProcessPlain(benchmark::State& state) {
    runPass(state, false);
}
void BM_PostProcessShader(benchmark::State& state) {
    runPass(state, true);
}

} // namespace

BENCHMARK(BM_PostProcessPlain)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_PostProcessShader)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
