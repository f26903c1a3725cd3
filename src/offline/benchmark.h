// The benchmark mode: frame times in every section of the demo, rendered offscreen at
// 800 x 600 on the clock set by hand, as a table.
#pragma once

#include <string>
#include <vector>

struct BenchmarkSection {
    std::string name;
    double from; // the stretch of the section clear of the fades at its ends, seconds
    double to;
};

// The opening backdrop, the eight scenes by name and the credits, each over its window
// from the timeline's tables, narrowed to where no fade darkens the picture.
std::vector<BenchmarkSection> benchmarkSections();

// Renders a few untimed frames, then `framesPerSection` timed ones spread evenly over each
// section, and prints the table, the renderer, the start-up time, the peak resident memory
// and last the worst p99. Returns the exit status (0, or 1 without GL).
int runBenchmark(int framesPerSection);
