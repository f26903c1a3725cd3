// The browser's host: the page calls in to play or to draw one frame; the canvas gets the
// GL context, the html5 key events feed the key flags, and the browser's animation frames
// drive the same per-frame update and frame as the native main loop.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <cmath>

#include "audio/music.h"
#include "gfx/frame_geometry.h"
#include "gfx/gl.h"
#include "gfx/screen_projection.h"
#include "play/browser_keys.h"
#include "play/frame_input.h"
#include "play/key_state.h"
#include "shader/glsl_shaders.h"
#include "timeline/composer.h"
#include "timeline/startup.h"
#include "web/decoded_track.h"
#include "web/web_gl_lookup.h"

namespace {

KeyState keys{};
bool started = false; // the start-up has run
bool running = false; // the demo plays in the canvas
int framesOwed = 0;   // frames still to draw while paused
int outputWidth = 0;
int outputHeight = 0;

EM_JS(int, createCanvasContext, (), {
    const attributes = {
        majorVersion : 2,
        minorVersion : 0,
        alpha : false,
        depth : true,
        stencil : false,
        antialias : false,
        preserveDrawingBuffer : true
    };
    return Module.createContext(Module.canvas, true, true, attributes) ? 1 : 0;
});

// The canvas's drawing buffer: its CSS box in device pixels (at least the smallest output),
// or exactly the size asked. Returns width << 16 | height.
EM_JS(int, fitCanvas, (int width, int height, int smallestWidth, int smallestHeight), {
    const canvas = Module.canvas;
    if (width <= 0) {
        const ratio = window.devicePixelRatio || 1;
        width = Math.max(Math.round(canvas.clientWidth * ratio), smallestWidth);
        height = Math.max(Math.round(canvas.clientHeight * ratio), smallestHeight);
    }
    if (canvas.width != width)
        canvas.width = width;
    if (canvas.height != height)
        canvas.height = height;
    return (width << 16) | height;
});

EM_JS(void, showPageTitle, (const char* title), { document.title = UTF8ToString(title); });
EM_JS(void, tellPageTheDemoEnded, (), {
    if (Module.quorlith && typeof Module.quorlith.onEnd == "function")
        Module.quorlith.onEnd();
});

GlSizeLimits currentLimits() {
    GLint viewport[2] = {0, 0};
    GLint texture = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    return {viewport[0], viewport[1], texture, 0};
}

// Sizes the canvas (0: to its box on the page) and follows with the frame geometry. Returns
// whether the size changed.
bool fitOutput(int width, int height) {
    const int fitted = fitCanvas(width, height, kSmallestOutputWidth, kSmallestOutputHeight);
    int w = fitted >> 16;
    int h = fitted & 0xFFFF;
    if (w == outputWidth && h == outputHeight) {
        return false;
    }
    fitFrameSizeToLimits(w, h, currentLimits());
    if (w != (fitted >> 16) || h != (fitted & 0xFFFF)) {
        fitCanvas(w, h, w, h);
    }
    outputWidth = w;
    outputHeight = h;
    resizeView(kLayoutWidth, kLayoutHeight); // the picture's 4:3 view whatever the canvas's shape
    applyFrameGeometry(frameGeometryFor(w, h));
    return true;
}

void endRun() {
    if (!running) {
        return;
    }
    running = false;
    closeMusic(); // the sound stops
    emscripten_cancel_main_loop();
    keys.fill(0);
    tellPageTheDemoEnded();
}

bool actsOn(int code) {
    return code == vk::Escape || code == vk::F1 || code == vk::Space || code == vk::Left ||
           code == vk::Right || code == vk::Up || code == vk::Down;
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* event, void*) {
    if (!running) {
        return EM_FALSE;
    }
    const int code = browserKeyCode(event->code);
    if (type == EMSCRIPTEN_EVENT_KEYUP) {
        releaseKey(keys, code);
    } else if (!event->repeat && !event->altKey) {
        pressKey(keys, code); // a held key acts every frame; its repeats add nothing
    }
    framesOwed = 2;
    return actsOn(code) ? EM_TRUE : EM_FALSE;
}

void frame() {
    if (!running) {
        return;
    }
    if (fitOutput(0, 0)) {
        framesOwed = 2; // a paused picture is drawn again at the new size
    }
    // Esc or F1 ends the run within the update: the page's own title then stays.
    static constexpr HostActions kActions{endRun, endRun, [](const char* title) {
                                              if (running) {
                                                  showPageTitle(title);
                                              }
                                          }};
    if (musicPaused() && framesOwed == 0) {
        return; // the picture holds until a key
    }
    framesOwed = std::max(framesOwed - 1, 0);
    applyFrameInput(keys, kActions);
    if (!running) {
        return;
    }
    composeFrame();
}

// The start-up on the first call: the context, then everything the frames need.
bool startOnce(ClockSource clock) {
    if (started) {
        return true;
    }
    if (createCanvasContext() == 0) {
        return false;
    }
    setDataDirectory("/data");
    setGlProcLookup(lookUpWebGlEntryPoint);
    setEndProcessHook(endRun);
    setClockSource(clock);
    fitOutput(0, 0);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    initializeDemo();
    started = true;
    return true;
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE void quorlith_clear_track() {
    clearDecodedTrack();
}

EMSCRIPTEN_KEEPALIVE void quorlith_append_track(const float* interleaved, int frames) {
    appendDecodedTrack(interleaved, frames);
}

// Plays the demo from 0 s: through Web Audio, or silent on the wall clock. Returns 0 when the
// canvas has no WebGL 2.
EMSCRIPTEN_KEEPALIVE int quorlith_play(int mute) {
    const ClockSource clock = mute != 0 ? ClockSource::WallClock : ClockSource::Device;
    const bool first = !started;
    if (!startOnce(clock)) {
        return 0;
    }
    if (!first || activeClockSource() == ClockSource::Manual) {
        setClockSource(clock);
        openMusic(dataPath("music/track.mp3"));
        enableSpectrum();
    }
    keys.fill(0);
    framesOwed = 2;
    running = true;
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    emscripten_set_main_loop(frame, 0, 0);
    return 1;
}

// Draws the frame at demo time t in a canvas of width x height pixels, with the spectrum a
// live run would have captured the frame before, then titles the page "shot ready". Returns 0
// without WebGL 2, or for a time outside the demo or a size it cannot draw.
EMSCRIPTEN_KEEPALIVE int quorlith_shot(float t, int width, int height) {
    if (!(t >= 0.0f && t <= kDemoEndTime) || width < kSmallestOutputWidth ||
        height < kSmallestOutputHeight || width > 0x7FFF || height > 0x7FFF) {
        return 0;
    }
    if (!startOnce(ClockSource::Manual)) {
        return 0;
    }
    if (running) {
        endRun();
    }
    if (activeClockSource() != ClockSource::Manual) {
        setClockSource(ClockSource::Manual);
        openMusic(dataPath("music/track.mp3"));
        enableSpectrum();
    }
    fitOutput(width, height);
    const int ms = static_cast<int>(std::lround(static_cast<double>(t) * 1000.0));
    setMusicPositionForStillMs(ms);
    composeFrame();
    glFinish();
    showPageTitle("shot ready");
    return 1;
}

} // extern "C"
