// Frames without a window or sound: --shot renders the frame at given demo times into PNG
// files, --bench times frames evenly spaced over a stretch of the demo. Both draw into the
// host's offscreen 800 x 600 picture on the clock set by hand and never wait on a message
// box.
#pragma once

#include <string>
#include <vector>

// Writes <outDirectory>/shot-<ms>.png for every time. Returns the exit status: 0 when
// every file was written, 1 otherwise (no GL, a time past the end of the demo, a file not
// written).
int runFrameExport(const std::vector<int>& shotMs, const std::string& outDirectory);

// Prints the median and mean frame time of `frames` frames from fromMs to toMs. Returns
// the exit status (0, or 1 without GL).
int runFrameBench(int fromMs, int toMs, int frames);

// The evenly spaced positions of a benchmark: from, ..., to (from alone for one frame).
int benchPositionMs(int fromMs, int toMs, int frames, int index);
