// The capture's cost over plain rendering: the same frames of a stretch rendered and read
// back alone, captured through ffmpeg with the soundtrack, and rendered alone again, in one
// process. Prints per round the wall times and the ratio of the capture to the mean of the
// two plain runs around it, and the median ratio.
//
//   bench_capture_bench [fps] [from] [to] [rounds] [mp4|mkv] [x264 preset]
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/gl_lookup.h"
#include "host/offscreen.h"
#include "offline/capture.h"
#include "offline/frame_readback.h"
#include "timeline/startup.h"

namespace {

// CPU seconds of this process and of its waited-for children (ffmpeg).
double cpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
}

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Renders and reads back every frame of the capture, encoding nothing.
double renderAlone(const CaptureRequest& request, const FrameTarget& target) {
    FrameReadback readback;
    readback.init(target.width, target.height, lookUpGlEntryPoint);
    std::vector<std::uint8_t> frame(static_cast<std::size_t>(target.width) * target.height * 4);
    const auto start = std::chrono::steady_clock::now();
    const int total = captureFrameCount(request.from, request.to, request.fps);
    for (int k = 0; k < total; ++k) {
        drawCaptureFrame(request, k);
        readback.start();
        if (readback.pending() == 2) {
            readback.take(frame.data());
        }
    }
    while (readback.pending() > 0) {
        readback.take(frame.data());
    }
    return secondsSince(start);
}

} // namespace

int main(int argc, char** argv) {
    const int fps = argc > 1 ? std::atoi(argv[1]) : 30;
    const double from = argc > 2 ? std::atof(argv[2]) : 100.0;
    const double to = argc > 3 ? std::atof(argv[3]) : 115.0;
    const int rounds = argc > 4 ? std::atoi(argv[4]) : 3;
    const std::string container = argc > 5 ? argv[5] : "mp4";
    const std::string preset = argc > 6 ? argv[6] : "";
    setDataDirectory(std::string(QUORLITH_BUILD_DIR) + "/data");
    const OffscreenDemo* demo = openOffscreenDemo();
    if (demo == nullptr) {
        return 1;
    }
    const std::string path = "/tmp/quorlith-capture-bench." + container;
    const CaptureRequest request{path, fps, from, to, 800, 600, preset};
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        const double cpu0 = cpuSeconds(RUSAGE_SELF);
        const double alone = renderAlone(request, demo->target);
        const double cpu1 = cpuSeconds(RUSAGE_SELF);
        const double children1 = cpuSeconds(RUSAGE_CHILDREN);
        const auto start = std::chrono::steady_clock::now();
        if (runCapture(request) != 0) {
            return 1;
        }
        const double capture = secondsSince(start);
        const double cpu2 = cpuSeconds(RUSAGE_SELF);
        const double children2 = cpuSeconds(RUSAGE_CHILDREN);
        const double aloneAfter = renderAlone(request, demo->target);
        std::printf("cpu: render alone %.2f s, capture %.2f s (ours %.2f + ffmpeg %.2f), "
                    "ratio %.3f\n",
                    cpu1 - cpu0, cpu2 - cpu1 + children2 - children1, cpu2 - cpu1,
                    children2 - children1, (cpu2 - cpu1 + children2 - children1) / (cpu1 - cpu0));
        ratios.push_back(capture / ((alone + aloneAfter) / 2));
        std::printf("round %d: %d frames at %d fps from %.1f s: render alone %.2f s, capture "
                    "%.2f s, render alone %.2f s, ratio %.3f\n",
                    round, captureFrameCount(from, to, fps), fps, from, alone, capture, aloneAfter,
                    ratios.back());
        std::fflush(stdout);
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio %.3f (%s, preset %s)\n", ratios[ratios.size() / 2], container.c_str(),
                preset.empty() ? "default" : preset.c_str());
    std::remove(path.c_str());
    return 0;
}
