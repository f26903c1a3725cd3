#include "host/main_loop.h"

#include <SDL2/SDL.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "audio/music.h"
#include "gfx/gl.h"
#include "host/frame_target.h"
#include "host/keys.h"
#include "host/wait_event.h"
#include "host/window.h"
#include "timeline/composer.h"
#include "timeline/startup.h"

int demoRunning = 0;
int fullScreenPreference = 0;

namespace {
DemoWindow* frameWindow = nullptr;
KeyState* frameKeys = nullptr;
bool loopPlay = false;

constexpr int kDemoLengthMs = static_cast<int>(kDemoEndTime * 1000.0f);

int postEvent(SDL_Event& event) {
    return SDL_PushEvent(&event) == 1 ? 1 : 0;
}
} // namespace

void bindFrameInput(DemoWindow* window, KeyState* keys) {
    frameWindow = window;
    frameKeys = keys;
}

int startDemo(DemoWindow& window, KeyState& keys) {
    bindFrameInput(&window, &keys);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glFlush();
    if (window.deviceContext != nullptr) {
        SDL_GL_SwapWindow(window.deviceContext);
    }
    initializeDemo();
    return 1;
}

void updateFrameInput(std::uint32_t) {
    if (frameWindow == nullptr || frameKeys == nullptr) {
        return;
    }
    static constexpr HostActions kActions{
        [] { requestQuit(*frameWindow); }, [] { requestFullscreenToggle(*frameWindow); },
        [](const char* title) {
            if (frameWindow->windowHandle != nullptr) {
                SDL_SetWindowTitle(frameWindow->windowHandle, title);
            }
        }};
    applyFrameInput(*frameKeys, kActions);
}

void renderFrame() {
    if (const FrameTarget* target = activeFrameTarget()) {
        bindFrameTarget(*target);
    }
    composeFrame();
    glFlush();
}

int requestQuit(DemoWindow&) {
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    const int posted = postEvent(quit);
    demoRunning = 0;
    return posted;
}

int requestFullscreenToggle(DemoWindow& window) {
    SDL_Event toggle{};
    toggle.type = toggleModeEventType();
    toggle.user.code = kToggleModeMessage;
    toggle.user.windowID = window.windowHandle ? SDL_GetWindowID(window.windowHandle) : 0;
    return postEvent(toggle);
}

void endProcess() {
    std::exit(0);
}

void setLoopPlay(bool loop) {
    loopPlay = loop;
}

void reachDemoEnd() {
    if (!loopPlay) {
        endProcess();
    }
    // Back by the demo's length: the time past its end carries over, and the device fades
    // across the jump.
    setMusicPositionMs(std::max(musicPositionMs() - kDemoLengthMs, 0));
}

void runMessageLoop(DemoWindow& window) {
    // While the music is paused frames are drawn only after an event: two, the first acting
    // on it (a seek) and the second showing its time in the title, which each frame writes
    // before it reads the clock.
    int framesOwed = 2;
    for (;;) {
        SDL_Event event;
        if (SDL_PollEvent(&event) != 0) {
            framesOwed = 2;
            if (event.type == SDL_QUIT) {
                endProcess();
            }
            if ((event.type == SDL_AUDIODEVICEREMOVED || event.type == SDL_AUDIODEVICEADDED) &&
                event.adevice.iscapture == 0) {
                if (event.type == SDL_AUDIODEVICEREMOVED) {
                    soundDeviceRemoved(event.adevice.which);
                } else {
                    soundDeviceAdded();
                }
                continue;
            }
            if (demoWindowProc(window, event) == WindowEvent::CloseAsked) {
                requestQuit(window);
            }
            continue;
        }
        if (window.visible != 0 && (!musicPaused() || framesOwed > 0)) {
            framesOwed = std::max(framesOwed - 1, 0);
            const Uint32 now = SDL_GetTicks();
            updateFrameInput(now - window.lastTick);
            window.lastTick = now;
            renderFrame();
            presentFrame(window);
            SDL_GL_SwapWindow(window.deviceContext);
        } else {
            waitForEvent();
        }
    }
}
