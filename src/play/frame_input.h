// The per-frame update both hosts run before each frame: what the keys do to the music and
// the run, and the title. The host says how to quit, toggle and show the title.
#pragma once

#include "play/key_state.h"

inline constexpr int kTitleBufferSize = 100;

// "Quorlith Engine - Time: %f" of the demo time into the buffer, cut to fit whatever the
// time. Returns the length snprintf reports.
int formatTitle(char (&buffer)[kTitleBufferSize], float demoTimeSeconds);

// What a host does for the update; any of them may be null.
struct HostActions {
    void (*quit)();
    void (*toggleFullScreen)();
    void (*showTitle)(const char* title);
};

// Esc quits, F1 toggles, each press of Space pauses or resumes the music, Left/Right seek
// -/+0.5 s, Up/Down +/-5 s (each from the previous frame's demo time); then the presses are
// seen and the title is written and shown.
void applyFrameInput(KeyState& keys, const HostActions& host);

// The title the last applyFrameInput wrote.
const char* currentTitle();
