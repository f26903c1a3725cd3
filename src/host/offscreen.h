// The demo without a window on screen, for the offline modes: a hidden window (SDL's
// offscreen driver when there is no display) with the demo's GL context, an offscreen picture
// (800 x 600 unless set otherwise) bound for every frame, the start-up done on the clock set by
// hand, and no message boxes (their texts go to stderr).
#pragma once

#include "host/demo_window.h"
#include "host/frame_target.h"

struct OffscreenDemo {
    ApplicationInfo app{};
    KeyState keys{};
    DemoWindow window{};
    FrameTarget target;
};

// The size of the offscreen frames, set before the demo is opened; with evenOrigin the
// picture's offset in them is even (for 4:2:0 video).
void setOffscreenFrameSize(int width, int height, bool evenOrigin);

// The process's one offscreen demo: opens the context and runs the start-up on the first
// call, returns the same one after. Null, with the reason on stderr, when there is no
// video driver, window, GL context or offscreen picture.
OffscreenDemo* openOffscreenDemo();
// The exit status a failed openOffscreenDemo calls for: 2 when the asked size is beyond what
// the GL driver draws (the command line asked for the impossible), else 1.
int offscreenFailureStatus();

// Whether the composer asked to end the program since the last call (a frame past the end
// of the demo); the offline modes carry on instead.
bool takeDemoEndRequest();

// The renderer's name as the driver gives it.
const char* glRendererName();
