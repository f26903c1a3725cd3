// The command line: none runs the demo exactly as always (start dialog first); the rest
// skips the dialog, points at a data folder, starts later, mutes, or renders frames
// offscreen for export and timing.
#pragma once

#include <string>
#include <vector>

enum class RunMode {
    Demo,    // the live demo
    Shots,   // --shot: render frames at given times to PNG files, no window, no sound
    Bench,   // --bench: render frames offscreen and report frame times
    Help,    // --help
    Version, // --version
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
    std::vector<int> shotMs;
    std::string outDirectory;
    int benchFromMs = 0;
    int benchToMs = 0;
    int benchFrames = 0;
};

struct ParsedOptions {
    bool ok = false;
    Options options;
    std::string error; // set when !ok: what was wrong, in one line
};

inline constexpr int kDefaultBenchFrames = 100;
inline constexpr int kMaxBenchFrames = 100000;
inline constexpr double kMaxSeconds = 86400.0;

// Parses the arguments after the program name.
ParsedOptions parseOptions(const std::vector<std::string>& args);

// A demo time in seconds as a whole-millisecond position, rounded to the nearest
// millisecond (0.0005 s rounds up).
int secondsToPositionMs(double seconds);

// The text --help prints.
std::string usageText(const std::string& program);
