// The running demo: the start-up hook, the per-frame update (keys as levels, the title),
// one frame, quitting, and the event loop that drives a frame per turn.
#pragma once

#include <cstdint>

#include "host/demo_window.h"
#include "play/frame_input.h"

// Remembers the window and the keys the per-frame update works on.
void bindFrameInput(DemoWindow* window, KeyState* keys);

// The start-up hook: remembers both records, presents one black frame, runs the start-up
// initialisation (the music is playing when it returns). Always 1.
int startDemo(DemoWindow& window, KeyState& keys);

// The per-frame update: Esc quits, F1 toggles (which ends the program), each press of Space
// pauses or resumes the music, Left/Right seek -/+0.5 s, Up/Down +/-5 s (each from the
// previous frame's demo time), then the title.
void updateFrameInput(std::uint32_t elapsedMs);

// With `loop`, the end of the demo starts it again from 0 s (the picture's offset from the
// sound kept) instead of ending the program. Set before startDemo's first frame.
void setLoopPlay(bool loop);
// What the composer does at the end of the demo: the end of the program, or with loop play
// the jump back to its start.
void reachDemoEnd();

// One frame (into the offscreen picture when one is active), then glFlush.
void renderFrame();

// Posts the quit message (SDL_QUIT) and clears demoRunning. Returns 1 when posted.
int requestQuit(DemoWindow& window);
// Posts the toggle message. Returns 1 when posted.
int requestFullscreenToggle(DemoWindow& window);

// Ends the process with status 0 through the standard exit, so the static clean-ups run
// while the GL context is still current.
[[noreturn]] void endProcess();

// Takes every waiting event; when none waits draws one frame if the window is visible and
// the music plays (paused, only after an event: a seek, a key, the window's own), else
// waits. Never returns: the quit message ends the process.
[[noreturn]] void runMessageLoop(DemoWindow& window);
