#include "host/frame_target.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

struct FramebufferApi {
    bool loaded = false;
    bool available = false;
    PFNGLGENFRAMEBUFFERSPROC genFramebuffers = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bindFramebuffer = nullptr;
    PFNGLGENRENDERBUFFERSPROC genRenderbuffers = nullptr;
    PFNGLBINDRENDERBUFFERPROC bindRenderbuffer = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC renderbufferStorage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC framebufferRenderbuffer = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC checkFramebufferStatus = nullptr;
    PFNGLBLITFRAMEBUFFERPROC blitFramebuffer = nullptr;
};

FramebufferApi api;
const FrameTarget* currentTarget = nullptr;

template <typename F> bool lookUp(F& function, const char* name) {
    function = reinterpret_cast<F>(SDL_GL_GetProcAddress(name));
    return function != nullptr;
}

// The core (GL 3.0 / ARB_framebuffer_object) entry points, or the EXT ones with the same
// signatures and enumerants.
bool loadFramebufferApi(std::string* error) {
    if (api.loaded) {
        if (!api.available && error) {
            *error = "the GL context offers no framebuffer objects";
        }
        return api.available;
    }
    api.loaded = true;
    const char* version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
    const bool core = (version != nullptr && std::atoi(version) >= 3) ||
                      SDL_GL_ExtensionSupported("GL_ARB_framebuffer_object");
    const bool ext = SDL_GL_ExtensionSupported("GL_EXT_framebuffer_object") &&
                     SDL_GL_ExtensionSupported("GL_EXT_framebuffer_blit");
    const char* suffix = core ? "" : ext ? "EXT" : nullptr;
    if (suffix != nullptr) {
        auto name = [suffix](const char* base) { return std::string(base) + suffix; };
        api.available =
            lookUp(api.genFramebuffers, name("glGenFramebuffers").c_str()) &&
            lookUp(api.bindFramebuffer, name("glBindFramebuffer").c_str()) &&
            lookUp(api.genRenderbuffers, name("glGenRenderbuffers").c_str()) &&
            lookUp(api.bindRenderbuffer, name("glBindRenderbuffer").c_str()) &&
            lookUp(api.renderbufferStorage, name("glRenderbufferStorage").c_str()) &&
            lookUp(api.framebufferRenderbuffer, name("glFramebufferRenderbuffer").c_str()) &&
            lookUp(api.checkFramebufferStatus, name("glCheckFramebufferStatus").c_str()) &&
            lookUp(api.blitFramebuffer, name("glBlitFramebuffer").c_str());
    }
    if (!api.available && error) {
        *error = "the GL context offers no framebuffer objects";
    }
    return api.available;
}

} // namespace

bool createFrameTarget(FrameTarget& target, int width, int height, std::string* error) {
    if (!loadFramebufferApi(error)) {
        return false;
    }
    target.width = width;
    target.height = height;
    api.genFramebuffers(1, &target.framebuffer);
    api.genRenderbuffers(1, &target.colorBuffer);
    api.genRenderbuffers(1, &target.depthBuffer);
    api.bindRenderbuffer(GL_RENDERBUFFER, target.colorBuffer);
    api.renderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, width, height);
    api.bindRenderbuffer(GL_RENDERBUFFER, target.depthBuffer);
    api.renderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT16, width, height);
    api.bindRenderbuffer(GL_RENDERBUFFER, 0);
    api.bindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
    api.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                target.colorBuffer);
    api.framebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER,
                                target.depthBuffer);
    const GLenum status = api.checkFramebufferStatus(GL_FRAMEBUFFER);
    api.bindFramebuffer(GL_FRAMEBUFFER, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE) {
        if (error) {
            *error = "the offscreen picture is incomplete (status " + std::to_string(status) + ")";
        }
        target = FrameTarget{};
        return false;
    }
    return true;
}

void bindFrameTarget(const FrameTarget& target) {
    api.bindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
}

void presentFrameTarget(const FrameTarget& target, int drawableWidth, int drawableHeight) {
    const PixelBox rect = fitRect(target.width, target.height, drawableWidth, drawableHeight);
    api.bindFramebuffer(GL_FRAMEBUFFER, 0);
    api.bindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);

    GLfloat clearColor[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    const GLboolean scissor = glIsEnabled(GL_SCISSOR_TEST);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    api.blitFramebuffer(0, 0, target.width, target.height, rect.x, rect.y, rect.x + rect.width,
                        rect.y + rect.height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
    if (scissor) {
        glEnable(GL_SCISSOR_TEST);
    }
    api.bindFramebuffer(GL_FRAMEBUFFER, 0);
}

std::vector<std::uint8_t> readFrameTargetRgb(const FrameTarget& target) {
    const std::size_t row = static_cast<std::size_t>(target.width) * 3;
    std::vector<std::uint8_t> bottomUp(row * target.height);
    api.bindFramebuffer(GL_READ_FRAMEBUFFER, target.framebuffer);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    GLint packAlignment = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, target.width, target.height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    glPixelStorei(GL_PACK_ALIGNMENT, packAlignment);
    std::vector<std::uint8_t> topDown(bottomUp.size());
    for (int y = 0; y < target.height; ++y) {
        std::memcpy(topDown.data() + static_cast<std::size_t>(y) * row,
                    bottomUp.data() + static_cast<std::size_t>(target.height - 1 - y) * row, row);
    }
    return topDown;
}

GlSizeLimits currentGlSizeLimits() {
    GlSizeLimits limits;
    GLint viewport[2] = {0, 0};
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    limits.viewportWidth = viewport[0];
    limits.viewportHeight = viewport[1];
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &limits.textureSize);
    if (loadFramebufferApi(nullptr)) {
        glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &limits.renderbufferSize);
    }
    return limits;
}

void setActiveFrameTarget(const FrameTarget* target) {
    currentTarget = target;
}
const FrameTarget* activeFrameTarget() {
    return currentTarget;
}
