#include "support/offscreen_gl.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstring>

#include <dlfcn.h>
#include <link.h>

#include "audio/music.h"
#include "gfx/gl.h"
#include "host/gl_lookup.h"
#include "host/window.h"
#include "scenes/toolkit.h"
#include "shader/glsl_shaders.h"
#include "timeline/startup.h"

// Without this, closing the last context unloads the driver, and LeakSanitizer can no longer
// tell the driver's own process-lifetime allocations from ours.
void pinGraphicsDrivers() {
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void*) {
            const char* path = info->dlpi_name;
            if (path != nullptr && (std::strstr(path, "/dri/") || std::strstr(path, "mesa") ||
                                    std::strstr(path, "LLVM") || std::strstr(path, "gallium") ||
                                    std::strstr(path, "libGL") || std::strstr(path, "libEGL"))) {
                dlopen(path, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
            }
            return 0;
        },
        nullptr);
}

OffscreenGl::OffscreenGl(int width, int height) : width_(width), height_(height) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, "offscreen");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error_ = SDL_GetError();
        return;
    }
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
    window_ = SDL_CreateWindow("test", 0, 0, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (window_ == nullptr) {
        error_ = SDL_GetError();
        return;
    }
    context_ = SDL_GL_CreateContext(window_);
    if (context_ == nullptr) {
        error_ = SDL_GetError();
        return;
    }
    glViewport(0, 0, width, height);
    pinGraphicsDrivers();
}

OffscreenGl::~OffscreenGl() {
    if (context_ != nullptr) {
        SDL_GL_DeleteContext(context_);
    }
    if (window_ != nullptr) {
        SDL_DestroyWindow(window_);
    }
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

std::vector<uint8_t> OffscreenGl::readPixels() const {
    std::vector<uint8_t> rgba(static_cast<size_t>(width_) * height_ * 4);
    std::vector<uint8_t> flipped(rgba.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, flipped.data());
    const size_t row = static_cast<size_t>(width_) * 4;
    for (int y = 0; y < height_; ++y) {
        std::copy_n(flipped.data() + (height_ - 1 - y) * row, row, rgba.data() + y * row);
    }
    return rgba;
}

void* OffscreenGl::lookup(const char* name) {
    return lookUpGlEntryPoint(name);
}

void OffscreenGl::startDemoHere(const std::string& dataDirectory) {
    setGlProcLookup(lookup);
    setClockSource(ClockSource::Manual);
    setDataDirectory(dataDirectory);
    resetDemoRand();
    resizeView(800, 600);
    initializeDemo();
}
