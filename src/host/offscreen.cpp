#include "host/offscreen.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/music.h"
#include "gfx/gl.h"
#include "host/gl_lookup.h"
#include "host/main_loop.h"
#include "host/message_box.h"
#include "host/video_driver.h"
#include "host/window.h"
#include "shader/glsl_shaders.h"
#include "timeline/composer.h"
#include "timeline/startup.h"

namespace {

bool endRequested = false;
int offscreenWidth = kDemoWidth;
int offscreenHeight = kDemoHeight;
bool offscreenEvenOrigin = false;
int failureStatus = 1;
void noteEnd() {
    endRequested = true;
}

void shaderBoxToStderr(const char* text) {
    showErrorBox(text);
}

} // namespace

const char* glRendererName() {
    const char* renderer = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
    return renderer != nullptr ? renderer : "an unknown renderer";
}

bool takeDemoEndRequest() {
    const bool requested = endRequested;
    endRequested = false;
    return requested;
}

void setOffscreenFrameSize(int width, int height, bool evenOrigin) {
    offscreenWidth = width;
    offscreenHeight = height;
    offscreenEvenOrigin = evenOrigin;
}

int offscreenFailureStatus() {
    return failureStatus;
}

OffscreenDemo* openOffscreenDemo() {
    static OffscreenDemo run;
    static bool opened = false;
    if (opened) {
        return &run;
    }
    setMessageBoxesEnabled(false);
    setShaderMessageBox(shaderBoxToStderr);
    // The offline modes handle Ctrl-C themselves.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (!startVideo(VideoUse::Offline)) {
        std::fprintf(stderr, "quorlith: no video driver for offscreen frames (%s)\n",
                     SDL_GetError());
        return nullptr;
    }
    fillDemoRecords(run.app, "", run.keys, run.window);
    run.window.fullScreen = 0;
    setDemoGlAttributes(run.window.colorBits);
    run.window.windowHandle =
        SDL_CreateWindow(run.window.title, 0, 0, run.window.width, run.window.height,
                         SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (run.window.windowHandle == nullptr) {
        std::fprintf(stderr, "quorlith: no window for offscreen frames (%s)\n", SDL_GetError());
        return nullptr;
    }
    run.window.glContext = SDL_GL_CreateContext(run.window.windowHandle);
    if (run.window.glContext == nullptr) {
        std::fprintf(stderr, "quorlith: no OpenGL context for offscreen frames (%s)\n",
                     SDL_GetError());
        return nullptr;
    }
    run.window.deviceContext = run.window.windowHandle;
    if (const char* beyond =
            frameSizeBeyondLimits(offscreenWidth, offscreenHeight, currentGlSizeLimits())) {
        std::fprintf(stderr, "quorlith: frames of %d x %d cannot be drawn here: %s\n",
                     offscreenWidth, offscreenHeight, beyond);
        failureStatus = 2;
        return nullptr;
    }
    std::string reason;
    if (!createFrameTarget(run.target, offscreenWidth, offscreenHeight, &reason)) {
        std::fprintf(stderr, "quorlith: no offscreen picture: %s\n", reason.c_str());
        return nullptr;
    }
    setGlProcLookup(lookUpGlEntryPoint);
    setEndProcessHook(noteEnd);
    setClockSource(ClockSource::Manual);
    setActiveFrameTarget(&run.target);
    bindFrameTarget(run.target);
    // The picture's 4:3 view whatever the frame's shape.
    resizeView(kDemoWidth, kDemoHeight);
    applyFrameGeometry(frameGeometryFor(offscreenWidth, offscreenHeight, offscreenEvenOrigin));
    run.window.visible = 1;
    startDemo(run.window, run.keys);
    opened = true;
    return &run;
}
