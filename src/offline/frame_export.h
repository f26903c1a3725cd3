// Frames without a window or sound: --shot renders the frame at given demo times into PNG
// files, --bench times frames evenly spaced over a stretch of the demo. Both draw into an
// offscreen 800 x 600 picture on a hidden window (SDL's offscreen driver when there is no
// display), on the clock set by hand, and never wait on a message box.
#pragma once

#include "app/options.h"

// The spectrum a live run at 60 frames per second would have captured one frame earlier
// is the one at this many milliseconds before the frame.
inline constexpr int kPreviousFrameMs = 17;

// Writes <out>/shot-<ms>.png for every time. Returns the exit status: 0 when every file
// was written, 1 otherwise (no GL, a time past the end of the demo, a file not written).
int runFrameExport(const Options& options);

// Prints the median and mean frame time. Returns the exit status (0, or 1 without GL).
int runFrameBench(const Options& options);

// The evenly spaced positions of a benchmark: from, ..., to (from alone for one frame).
int benchPositionMs(int fromMs, int toMs, int frames, int index);
