#include "host/window.h"

#include <SDL2/SDL.h>

#include <cstdio>
#include <string>

#include "gfx/gl.h"
#include "host/frame_target.h"
#include "host/keys.h"
#include "host/message_box.h"
#include "host/video_driver.h"
#include "timeline/startup.h"

namespace {

std::string windowError;
FrameTarget fullScreenTarget;
FrameSizeRequest sizeRequest;

bool sizeRequested() {
    return sizeRequest.kind != FrameSizeRequest::Kind::Layout;
}

void releaseWindow(DemoWindow& window) {
    if (window.glContext != nullptr) {
        SDL_GL_MakeCurrent(window.windowHandle, nullptr);
        SDL_GL_DeleteContext(window.glContext);
        window.glContext = nullptr;
    }
    window.deviceContext = nullptr;
    if (window.windowHandle != nullptr) {
        SDL_DestroyWindow(window.windowHandle);
        window.windowHandle = nullptr;
    }
}

int fail(DemoWindow& window, const char* what) {
    windowError = std::string(what) + ": " + SDL_GetError();
    releaseWindow(window);
    return 0;
}

void reportModeSwitchFailure(const std::string& reason) {
    showErrorBox("Mode Switch Failed.\nRunning In Windowed Mode.", reason.c_str());
}

bool ownsWindowEvent(const DemoWindow& window, Uint32 windowId) {
    return window.windowHandle != nullptr && windowId == SDL_GetWindowID(window.windowHandle);
}

// The size the view covers: the offscreen picture in full screen, else the client area.
void currentViewSize(const DemoWindow& window, int& width, int& height) {
    if (activeFrameTarget() == &fullScreenTarget) {
        width = fullScreenTarget.width;
        height = fullScreenTarget.height;
    } else {
        SDL_GetWindowSize(window.windowHandle, &width, &height);
    }
}

GlSizeLimits liveSizeLimits(bool offscreen) {
    GlSizeLimits limits = currentGlSizeLimits();
    if (!offscreen) {
        limits.renderbufferSize = 0;
    }
    return limits;
}

// With a size asked for, the largest of that shape the GL driver draws, with a warning when
// it is smaller.
void fitToDriver(int& width, int& height, bool offscreen) {
    const GlSizeLimits limits = liveSizeLimits(offscreen);
    const char* beyond = frameSizeBeyondLimits(width, height, limits);
    if (beyond == nullptr) {
        return;
    }
    const int askedWidth = width;
    const int askedHeight = height;
    fitFrameSizeToLimits(width, height, limits);
    std::fprintf(stderr, "quorlith: warning: %d x %d cannot be drawn (%s): drawing at %d x %d\n",
                 askedWidth, askedHeight, beyond, width, height);
}

// The frames follow the window's drawable (with a size asked for and no offscreen picture
// between): the picture at the drawable's own resolution.
void followDrawable(const DemoWindow& window) {
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window.windowHandle, &width, &height);
    if (width <= 0 || height <= 0) {
        return;
    }
    FrameGeometry geometry = frameGeometryFor(width, height);
    int drawnWidth = width;
    int drawnHeight = height;
    fitToDriver(drawnWidth, drawnHeight, false);
    if (drawnWidth != width || drawnHeight != height) {
        // The smaller picture, centred in the drawable.
        const FrameGeometry smaller = frameGeometryFor(drawnWidth, drawnHeight);
        geometry.picture = smaller.picture;
        geometry.picture.x = (width - smaller.picture.width) / 2;
        geometry.picture.y = (height - smaller.picture.height) / 2;
        geometry.renderTarget = smaller.renderTarget;
    }
    applyFrameGeometry(geometry);
}

// The 4:3 window the size asks for: its pixels, or the largest that fits the desktop.
void requestedWindowSize(int& width, int& height) {
    if (sizeRequest.kind == FrameSizeRequest::Kind::Pixels) {
        width = sizeRequest.width;
        height = sizeRequest.height;
        return;
    }
    SDL_Rect usable{};
    if (SDL_GetDisplayUsableBounds(0, &usable) == 0 && usable.w > 0 && usable.h > 0) {
        const PixelBox fit = fitRect(kLayoutWidth, kLayoutHeight, usable.w, usable.h);
        width = fit.width;
        height = fit.height;
    }
}

// The view after a change of size: the client area's aspect as always, or with a size asked
// for the picture's own 4:3, whatever the window's shape.
void resizeViewFor(int width, int height) {
    if (sizeRequested()) {
        resizeView(kLayoutWidth, kLayoutHeight);
    } else {
        resizeView(width, height);
    }
}

} // namespace

Uint32 toggleModeEventType() {
    static const Uint32 type = SDL_RegisterEvents(1);
    return type;
}

int registerDemoClass(const ApplicationInfo&) {
    return 1;
}
void unregisterDemoClass(const ApplicationInfo&) {}

int setFullscreenMode(int, int, int) {
    SDL_DisplayMode desktop;
    return SDL_GetDesktopDisplayMode(0, &desktop) == 0 && desktop.w > 0 && desktop.h > 0 ? 1 : 0;
}

void setDemoGlAttributes(int colorBits) {
    const int pixelBits = colorBits & 0xFF;
    const int channelBits = pixelBits >= 24 ? 8 : pixelBits >= 15 ? 5 : 1;
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channelBits);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

void setLiveFrameSize(const FrameSizeRequest& request) {
    sizeRequest = request;
}

int createDemoWindow(DemoWindow& window) {
    windowError.clear();
    window.windowHandle = nullptr;
    window.deviceContext = nullptr;
    window.glContext = nullptr;
    if (!startVideo(VideoUse::Live)) {
        windowError = SDL_GetError();
        return 0;
    }
    setDemoGlAttributes(window.colorBits);
    if (sizeRequested() && window.fullScreen == 0) {
        requestedWindowSize(window.width, window.height);
    }

    const Uint32 windowedFlags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE;
    if (window.fullScreen != 0) {
        if (setFullscreenMode(window.width, window.height, window.colorBits) != 0) {
            window.windowHandle = SDL_CreateWindow(window.title, 0, 0, window.width, window.height,
                                                   SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN |
                                                       SDL_WINDOW_FULLSCREEN_DESKTOP);
            if (window.windowHandle == nullptr) {
                reportModeSwitchFailure(SDL_GetError());
                window.fullScreen = 0;
            }
        } else {
            reportModeSwitchFailure(std::string("no desktop to cover: ") + SDL_GetError());
            window.fullScreen = 0;
        }
    }
    if (window.windowHandle == nullptr) {
        window.windowHandle =
            SDL_CreateWindow(window.title, 0, 0, window.width, window.height, windowedFlags);
        if (window.windowHandle == nullptr) {
            return fail(window, "the window cannot be made");
        }
    }
    window.deviceContext = window.windowHandle;

    window.glContext = SDL_GL_CreateContext(window.windowHandle);
    if (window.glContext == nullptr) {
        return fail(window, "no OpenGL context");
    }
    if (SDL_GL_MakeCurrent(window.windowHandle, window.glContext) != 0) {
        return fail(window, "the OpenGL context cannot be made current");
    }

    setActiveFrameTarget(nullptr);
    // Full screen draws into a picture of the asked size (the demo's own without one) scaled
    // onto the screen; at the desktop's own size it draws straight onto the screen.
    const bool drawsOnScreen =
        window.fullScreen == 0 || sizeRequest.kind == FrameSizeRequest::Kind::Native;
    if (!drawsOnScreen) {
        int width = window.width;
        int height = window.height;
        if (sizeRequest.kind == FrameSizeRequest::Kind::Pixels) {
            width = sizeRequest.width;
            height = sizeRequest.height;
            fitToDriver(width, height, true);
        }
        std::string reason;
        if (createFrameTarget(fullScreenTarget, width, height, &reason)) {
            setActiveFrameTarget(&fullScreenTarget);
            SDL_ShowCursor(SDL_DISABLE);
        } else {
            reportModeSwitchFailure(reason);
            window.fullScreen = 0;
            SDL_SetWindowFullscreen(window.windowHandle, 0);
            SDL_SetWindowResizable(window.windowHandle, SDL_TRUE);
            SDL_SetWindowSize(window.windowHandle, window.width, window.height);
        }
    }
    if (activeFrameTarget() == &fullScreenTarget) {
        applyFrameGeometry(frameGeometryFor(fullScreenTarget.width, fullScreenTarget.height));
    } else if (sizeRequested()) {
        SDL_SetWindowMinimumSize(window.windowHandle, kSmallestOutputWidth, kSmallestOutputHeight);
        followDrawable(window);
    } else {
        applyFrameGeometry(FrameGeometry{});
    }

    SDL_GL_SetSwapInterval(1);
    SDL_DisableScreenSaver();
    SDL_ShowWindow(window.windowHandle);
    window.visible = 1;
    resizeViewFor(window.width, window.height);
    window.keyState->fill(0);
    window.lastTick = SDL_GetTicks();
    return 1;
}

const char* lastWindowError() {
    return windowError.c_str();
}

WindowEvent demoWindowProc(DemoWindow& window, const SDL_Event& event) {
    if (event.type == SDL_WINDOWEVENT) {
        if (!ownsWindowEvent(window, event.window.windowID)) {
            return WindowEvent::NotTheWindows;
        }
        int width = 0;
        int height = 0;
        switch (event.window.event) {
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            window.visible = 1;
            currentViewSize(window, width, height);
            if (activeFrameTarget() != &fullScreenTarget) {
                width = event.window.data1;
                height = event.window.data2;
                if (sizeRequested()) {
                    followDrawable(window);
                }
            }
            resizeViewFor(width, height);
            return WindowEvent::Handled;
        case SDL_WINDOWEVENT_RESTORED:
        case SDL_WINDOWEVENT_MAXIMIZED:
            window.visible = 1;
            currentViewSize(window, width, height);
            resizeViewFor(width, height);
            return WindowEvent::Handled;
        case SDL_WINDOWEVENT_MINIMIZED:
            window.visible = 0;
            return WindowEvent::Handled;
        case SDL_WINDOWEVENT_CLOSE:
            return WindowEvent::CloseAsked;
        default:
            return WindowEvent::NotTheWindows;
        }
    }
    if (event.type == SDL_KEYDOWN || event.type == SDL_KEYUP) {
        if (window.keyState == nullptr ||
            (event.key.windowID != 0 && !ownsWindowEvent(window, event.key.windowID))) {
            return WindowEvent::NotTheWindows;
        }
        if (event.type == SDL_KEYDOWN && event.key.repeat != 0) {
            // The key is down already: a held key acts every frame, a press only once.
            return WindowEvent::Handled;
        }
        recordKey(*window.keyState, event.key.keysym.sym, event.key.keysym.mod,
                  event.type == SDL_KEYDOWN);
        if (window.visible == 0) {
            // No frame sees a key while minimised, not even once the window is back.
            forgetKeyPresses(*window.keyState);
        }
        return WindowEvent::Handled;
    }
    if (event.type == toggleModeEventType() && event.user.code == kToggleModeMessage) {
        fullScreenPreference = fullScreenPreference == 1 ? 0 : 1;
        SDL_Event quit{};
        quit.type = SDL_QUIT;
        SDL_PushEvent(&quit);
        return WindowEvent::Handled;
    }
    return WindowEvent::NotTheWindows;
}

void presentFrame(const DemoWindow& window) {
    const FrameTarget* target = activeFrameTarget();
    if (target == nullptr || target != &fullScreenTarget || window.windowHandle == nullptr) {
        return;
    }
    int width = 0;
    int height = 0;
    SDL_GL_GetDrawableSize(window.windowHandle, &width, &height);
    presentFrameTarget(*target, width, height);
}
