// The whole demo (or a stretch of it) into a video file with its soundtrack: every frame
// rendered offscreen at its exact time on the clock set by hand, read back, and fed with
// the music's samples of the same stretch to the ffmpeg program.
#pragma once

#include <cstdint>
#include <string>

#include "offline/yuv_frames.h"

struct CaptureRequest {
    std::string path; // .mp4 or .mkv
    int fps = 60;
    double from = 0.0; // seconds of demo time
    double to = 325.0;
    int width = 800; // the frames' size
    int height = 600;
    std::string preset; // the x264 preset; empty: the one chosen for the container
};

// (to - from) * fps, rounded to the nearest whole frame.
int captureFrameCount(double from, double to, int fps);
// The demo time of frame k: from + k / fps, computed from k alone.
double captureFrameTime(double from, int fps, int k);
// The colours of 4:2:0 video at a frame height: BT.709 above 600 lines (as players assume
// for HD pictures), BT.601 at the demo's own size and below.
YuvMatrix captureMatrixFor(int height);
// The demo time frame k is drawn at: its time as the clock turns a position in milliseconds
// into the demo time, so a frame at a whole millisecond is the one live play and --shot draw
// there.
float captureDemoTime(double from, int fps, int k);
// The music's sample frame heard at a demo time (44.1 per millisecond, rounded).
int64_t musicFrameAt(double seconds);

// The progress line: percent, frames done, frames per second, speed against real time,
// time left.
std::string captureProgressLine(int done, int total, int fps, double elapsedSeconds);

// Draws frame k of a capture into the offscreen picture (the offscreen demo must be open),
// after setting the spectrum live play would have captured at the end of frame k - 1.
void drawCaptureFrame(const CaptureRequest& request, int k);

// Returns the exit status: 0 when the file was written; 1 when it was not (the reason on
// stderr, nothing left under the asked name, an existing file there untouched); 130 or
// 143 after Ctrl-C or a termination request.
int runCapture(const CaptureRequest& request);
