// The command line: none runs the demo exactly as always (start dialog first); the rest
// skips the dialog, points at a data folder, starts later, mutes, or renders frames
// offscreen for export and timing.
#pragma once

#include <string>
#include <vector>

#include "gfx/frame_geometry.h"

enum class RunMode {
    Demo,      // the live demo
    Shots,     // --shot: render frames at given times to PNG files, no window, no sound
    Bench,     // --bench: render frames offscreen and report frame times
    Help,      // --help
    Capture,   // --capture: render every frame offscreen into a video file with the music
    Benchmark, // --benchmark: time frames in every section of the demo and print a table
    Version,   // --version
};

enum class DisplayChoice {
    Ask,        // the start dialog decides
    Windowed,   // --windowed
    FullScreen, // --fullscreen
};

struct Options {
    RunMode mode = RunMode::Demo;
    DisplayChoice display = DisplayChoice::Ask;
    std::string dataDirectory; // empty: looked up (host/data_directory.h)
    bool hasStart = false;
    int startMs = 0;
    bool mute = false;
    bool loop = false; // --loop: start again at 0 s instead of ending
    bool hasAvOffset = false;
    int avOffsetMs = 0; // the picture this much later than the sound (negative: earlier)
    std::vector<int> shotMs;
    std::string outDirectory;
    int benchFromMs = 0;
    int benchToMs = 0;
    int benchFrames = 0;
    std::string captureFile;
    int captureFps = 60;
    double captureFrom = 0.0;
    double captureTo = 325.0;
    int framesPerSection = 120;
    // --size: the output size; without it the demo's own 800 x 600.
    FrameSizeRequest size;
};

struct ParsedOptions {
    bool ok = false;
    Options options;
    std::string error; // set when !ok: what was wrong, in one line
};

inline constexpr int kDefaultBenchFrames = 100;
inline constexpr int kMaxBenchFrames = 100000;
inline constexpr double kMaxSeconds = 86400.0;
inline constexpr int kMaxCaptureFps = 240;
inline constexpr double kDemoSeconds = 325.0; // the capture's latest end

// The largest --size side.
inline constexpr int kLargestOutputSide = 16384;

// A --size value: "WxH" in pixels, "native", or "1080p", "1440p", "2160p" (the 4:3 picture at
// that height). False with the reason when it is none of these or out of range.
bool parseFrameSize(const std::string& text, FrameSizeRequest& size, std::string& error);

// Parses the arguments after the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);

// A demo time in seconds as a whole-millisecond position, rounded to the nearest
// millisecond (0.0005 s rounds up).
int secondsToPositionMs(double seconds);

// The text --help prints.
std::string usageText(const std::string& program);
