#include "offline/frame_export.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/music.h"
#include "gfx/gl.h"
#include "host/frame_target.h"
#include "host/main_loop.h"
#include "host/message_box.h"
#include "host/window.h"
#include "shader/glsl_shaders.h"
#include "timeline/composer.h"
#include "timeline/png_writer.h"

namespace {

struct OffscreenRun {
    ApplicationInfo app{};
    KeyState keys{};
    DemoWindow window{};
    FrameTarget target;
};

bool endRequested = false;
void noteEnd() {
    endRequested = true;
}

void* lookUpGl(const char* name) {
    return SDL_GL_GetProcAddress(name);
}
void shaderBoxToStderr(const char* text) {
    showErrorBox(text);
}

bool noDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 == nullptr || x11[0] == '\0') && (wayland == nullptr || wayland[0] == '\0');
}

bool startVideo() {
    if (std::getenv("SDL_VIDEODRIVER") == nullptr && noDisplay()) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        return true;
    }
    const char* hint = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    if (hint != nullptr && std::string(hint) == "offscreen") {
        return false;
    }
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

// A hidden window with the demo's GL context, the offscreen picture bound for every frame,
// the start-up done on the clock set by hand.
bool openOffscreen(OffscreenRun& run) {
    setMessageBoxesEnabled(false);
    setShaderMessageBox(shaderBoxToStderr);
    if (!startVideo()) {
        std::fprintf(stderr, "quorlith: no video driver for offscreen frames (%s)\n",
                     SDL_GetError());
        return false;
    }
    fillDemoRecords(run.app, "", run.keys, run.window);
    run.window.fullScreen = 0;
    setDemoGlAttributes(run.window.colorBits);
    run.window.windowHandle =
        SDL_CreateWindow(run.window.title, 0, 0, run.window.width, run.window.height,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (run.window.windowHandle == nullptr) {
        std::fprintf(stderr, "quorlith: no window for offscreen frames (%s)\n", SDL_GetError());
        return false;
    }
    run.window.glContext = SDL_GL_CreateContext(run.window.windowHandle);
    if (run.window.glContext == nullptr) {
        std::fprintf(stderr, "quorlith: no OpenGL context for offscreen frames (%s)\n",
                     SDL_GetError());
        return false;
    }
    run.window.deviceContext = run.window.windowHandle;
    std::string reason;
    if (!createFrameTarget(run.target, run.window.width, run.window.height, &reason)) {
        std::fprintf(stderr, "quorlith: no offscreen picture: %s\n", reason.c_str());
        return false;
    }
    setGlProcLookup(lookUpGl);
    setEndProcessHook(noteEnd);
    setClockSource(ClockSource::Manual);
    setActiveFrameTarget(&run.target);
    bindFrameTarget(run.target);
    resizeView(run.window.width, run.window.height);
    run.window.visible = 1;
    startDemo(run.window, run.keys);
    return true;
}

bool pastTheEnd(int ms) {
    return demoTimeFromPositionMs(ms) > kDemoEndTime;
}

void reportPastTheEnd(int ms) {
    std::fprintf(stderr, "quorlith: %.3f s lies past the end of the demo (%g s): no frame there\n",
                 ms / 1000.0, static_cast<double>(kDemoEndTime));
}

} // namespace

int benchPositionMs(int fromMs, int toMs, int frames, int index) {
    if (frames <= 1) {
        return fromMs;
    }
    const double step = static_cast<double>(toMs - fromMs) / (frames - 1);
    return fromMs + static_cast<int>(std::lround(step * index));
}

int runFrameExport(const Options& options) {
    std::error_code failure;
    std::filesystem::create_directories(options.outDirectory, failure);
    if (failure || !std::filesystem::is_directory(options.outDirectory)) {
        std::fprintf(stderr, "quorlith: cannot make the folder '%s': %s\n",
                     options.outDirectory.c_str(),
                     failure ? failure.message().c_str() : "not a folder");
        return 1;
    }
    static OffscreenRun run;
    if (!openOffscreen(run)) {
        return 1;
    }
    int status = 0;
    for (const int ms : options.shotMs) {
        if (pastTheEnd(ms)) {
            reportPastTheEnd(ms);
            status = 1;
            continue;
        }
        setMusicPositionMs(std::max(ms - kPreviousFrameMs, 0));
        captureSpectrum();
        setMusicPositionMs(ms);
        endRequested = false;
        renderFrame();
        glFinish();
        if (endRequested) {
            reportPastTheEnd(ms);
            status = 1;
            continue;
        }
        const std::vector<std::uint8_t> rgb = readFrameTargetRgb(run.target);
        const std::string path =
            (std::filesystem::path(options.outDirectory) / ("shot-" + std::to_string(ms) + ".png"))
                .string();
        std::string error;
        if (!writePngRgb(path, run.target.width, run.target.height, rgb.data(), &error)) {
            std::fprintf(stderr, "quorlith: %s not written: %s\n", path.c_str(), error.c_str());
            status = 1;
            continue;
        }
        std::printf("wrote %s\n", path.c_str());
        std::fflush(stdout);
    }
    return status;
}

int runFrameBench(const Options& options) {
    static OffscreenRun run;
    if (!openOffscreen(run)) {
        return 1;
    }
    std::vector<double> frameMs;
    frameMs.reserve(options.benchFrames);
    for (int i = 0; i < options.benchFrames; ++i) {
        setMusicPositionMs(
            benchPositionMs(options.benchFromMs, options.benchToMs, options.benchFrames, i));
        const auto start = std::chrono::steady_clock::now();
        renderFrame();
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        frameMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::vector<double> sorted = frameMs;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    const double median = n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
    double sum = 0.0;
    for (const double value : frameMs) {
        sum += value;
    }
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    std::printf("bench: %d frames from %.3f s to %.3f s at %d x %d on %s\n", options.benchFrames,
                options.benchFromMs / 1000.0, options.benchToMs / 1000.0, run.target.width,
                run.target.height, renderer != nullptr ? renderer : "an unknown renderer");
    std::printf("bench: median %.3f ms, mean %.3f ms per frame\n", median, sum / n);
    return 0;
}
