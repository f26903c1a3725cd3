#include "offline/benchmark.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <fstream>
#include <sstream>

#include "audio/music.h"
#include "gfx/gl.h"
#include "host/main_loop.h"
#include "host/offscreen.h"
#include "timeline/composer.h"
#include "timeline/passes.h"
#include "timeline/schedule.h"

namespace {

constexpr int kWarmUpFrames = 3;
constexpr double kScanStep = 0.01; // seconds between the probes of the fade scan

bool underFade(double t) {
    for (const FadeEntry& fade : fadeSchedule()) {
        if (fadeWindowAlpha(fade.start, fade.end, static_cast<float>(t)) > 0.0f) {
            return true;
        }
    }
    return false;
}

// The longest stretch of (lo, hi) where no fade darkens the picture.
BenchmarkSection clearStretch(const char* name, double lo, double hi) {
    BenchmarkSection best{name, lo, lo};
    bool inRun = false;
    double runStart = lo;
    for (int i = 1; lo + i * kScanStep < hi; ++i) {
        const double t = lo + i * kScanStep;
        if (underFade(t)) {
            inRun = false;
            continue;
        }
        if (!inRun) {
            inRun = true;
            runStart = t;
        }
        if (t - runStart > best.to - best.from) {
            best.from = runStart;
            best.to = t;
        }
    }
    return best;
}

// Seconds since the process started, from the kernel's record of its start.
double secondsSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string line;
    std::getline(stat, line);
    const std::string::size_type paren = line.rfind(')');
    timespec now{};
    if (paren == std::string::npos || clock_gettime(CLOCK_BOOTTIME, &now) != 0) {
        return -1.0;
    }
    std::istringstream fields(line.substr(paren + 2));
    std::string field;
    // Field 22 (starttime) is the 20th after the name.
    for (int i = 0; i < 20 && fields >> field; ++i) {
    }
    const double ticks = std::strtod(field.c_str(), nullptr);
    return now.tv_sec + now.tv_nsec * 1e-9 - ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

double renderTimedFrame(double t) {
    setMusicPositionMs(static_cast<int>(std::llround(t * 1000.0)));
    const auto start = std::chrono::steady_clock::now();
    renderFrame();
    glFinish();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

} // namespace

std::vector<BenchmarkSection> benchmarkSections() {
    std::vector<BenchmarkSection> sections;
    for (const BackgroundEntry& background : backgroundSchedule()) {
        if (background.scrolling) {
            sections.push_back(
                clearStretch("opening backdrop", background.window.lo, background.window.hi));
        }
    }
    for (const SceneEntry& scene : sceneSchedule()) {
        sections.push_back(clearStretch(scene.name, scene.window.lo, scene.window.hi));
    }
    sections.push_back(clearStretch("credits", kCreditsAfter, kDemoEndTime));
    return sections;
}

int runBenchmark(int framesPerSection) {
    OffscreenDemo* demo = openOffscreenDemo();
    if (demo == nullptr) {
        return offscreenFailureStatus();
    }
    const OffscreenDemo& run = *demo;
    const std::vector<BenchmarkSection> sections = benchmarkSections();
    // The first frame ends the start-up.
    renderTimedFrame(sections.front().from);
    const double startUp = secondsSinceProcessStart();

    std::printf("benchmark: %d timed frames per section at %d x %d on %s\n", framesPerSection,
                run.target.width, run.target.height, glRendererName());
    std::printf("%-17s %-15s %6s  %9s  %8s  %8s  %13s\n", "section", "window s", "frames",
                "median ms", "p99 ms", "max ms", "fps at median");
    double worstP99 = -1.0;
    std::string worstSection;
    for (const BenchmarkSection& section : sections) {
        const double span = section.to - section.from;
        for (int i = 0; i < kWarmUpFrames; ++i) {
            renderTimedFrame(section.from + span * (i + 0.5) / kWarmUpFrames);
        }
        std::vector<double> times;
        for (int i = 0; i < framesPerSection; ++i) {
            times.push_back(renderTimedFrame(section.from + span * (i + 0.5) / framesPerSection));
        }
        std::sort(times.begin(), times.end());
        const std::size_t n = times.size();
        const double median = n % 2 == 1 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
        const std::size_t rank = static_cast<std::size_t>(std::ceil(0.99 * n));
        const double p99 = times[std::max<std::size_t>(rank, 1) - 1];
        char window[32];
        std::snprintf(window, sizeof window, "%.2f-%.2f", section.from, section.to);
        std::printf("%-17s %-15s %6d  %9.2f  %8.2f  %8.2f  %13.1f\n", section.name.c_str(), window,
                    framesPerSection, median, p99, times.back(), 1000.0 / median);
        if (p99 > worstP99) {
            worstP99 = p99;
            worstSection = section.name;
        }
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("renderer: %s\n", glRendererName());
    std::printf("start-up to first frame: %.0f ms\n", startUp * 1000.0);
    std::printf("peak resident memory: %.1f MiB\n", usage.ru_maxrss / 1024.0);
    std::printf("worst p99 %.2f ms (%s)\n", worstP99, worstSection.c_str());
    return 0;
}
