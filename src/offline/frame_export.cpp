#include "offline/frame_export.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "audio/music.h"
#include "gfx/gl.h"
#include "host/frame_target.h"
#include "host/main_loop.h"
#include "host/offscreen.h"
#include "timeline/composer.h"
#include "timeline/png_writer.h"

namespace {

bool pastTheEnd(int ms) {
    return demoTimeFromPositionMs(ms) > kDemoEndTime;
}

void reportPastTheEnd(int ms) {
    std::fprintf(stderr, "quorlith: %.3f s lies past the end of the demo (%g s): no frame there\n",
                 ms / 1000.0, static_cast<double>(kDemoEndTime));
}

} // namespace

int benchPositionMs(int fromMs, int toMs, int frames, int index) {
    if (frames <= 1) {
        return fromMs;
    }
    const double step = static_cast<double>(toMs - fromMs) / (frames - 1);
    return fromMs + static_cast<int>(std::lround(step * index));
}

int runFrameExport(const std::vector<int>& shotMs, const std::string& outDirectory) {
    std::error_code failure;
    std::filesystem::create_directories(outDirectory, failure);
    if (failure || !std::filesystem::is_directory(outDirectory)) {
        std::fprintf(stderr, "quorlith: cannot make the folder '%s': %s\n", outDirectory.c_str(),
                     failure ? failure.message().c_str() : "not a folder");
        return 1;
    }
    OffscreenDemo* demo = openOffscreenDemo();
    if (demo == nullptr) {
        return offscreenFailureStatus();
    }
    const OffscreenDemo& run = *demo;
    int status = 0;
    for (const int ms : shotMs) {
        if (pastTheEnd(ms)) {
            reportPastTheEnd(ms);
            status = 1;
            continue;
        }
        setMusicPositionForStillMs(ms);
        takeDemoEndRequest();
        renderFrame();
        glFinish();
        if (takeDemoEndRequest()) {
            reportPastTheEnd(ms);
            status = 1;
            continue;
        }
        const std::vector<std::uint8_t> rgb = readFrameTargetRgb(run.target);
        const std::string path =
            (std::filesystem::path(outDirectory) / ("shot-" + std::to_string(ms) + ".png"))
                .string();
        std::string error;
        if (!writePngRgb(path, run.target.width, run.target.height, rgb.data(), &error)) {
            std::fprintf(stderr, "quorlith: %s not written: %s\n", path.c_str(), error.c_str());
            status = 1;
            continue;
        }
        std::printf("wrote %s\n", path.c_str());
        std::fflush(stdout);
    }
    return status;
}

int runFrameBench(int fromMs, int toMs, int frames) {
    OffscreenDemo* demo = openOffscreenDemo();
    if (demo == nullptr) {
        return offscreenFailureStatus();
    }
    const OffscreenDemo& run = *demo;
    std::vector<double> frameMs;
    frameMs.reserve(frames);
    for (int i = 0; i < frames; ++i) {
        setMusicPositionMs(benchPositionMs(fromMs, toMs, frames, i));
        const auto start = std::chrono::steady_clock::now();
        renderFrame();
        glFinish();
        const auto end = std::chrono::steady_clock::now();
        frameMs.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    std::vector<double> sorted = frameMs;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    const double median = n % 2 == 1 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2.0;
    double sum = 0.0;
    for (const double value : frameMs) {
        sum += value;
    }
    std::printf("bench: %d frames from %.3f s to %.3f s at %d x %d on %s\n", frames,
                fromMs / 1000.0, toMs / 1000.0, run.target.width, run.target.height,
                glRendererName());
    std::printf("bench: median %.3f ms, mean %.3f ms per frame\n", median, sum / n);
    return 0;
}
