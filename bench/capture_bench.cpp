// The capture's cost over plain rendering: the same frames of a stretch rendered and read
// back alone, then captured through ffmpeg with the soundtrack, in turn, in one process.
// Prints the wall time of each and their ratio per round and the median ratio.
//
//   bench_capture_bench [fps] [from] [to] [rounds] [mp4|mkv] [x264 preset]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/offscreen.h"
#include "offline/capture.h"
#include "offline/frame_readback.h"
#include "timeline/startup.h"

namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Renders and reads back every frame of the capture, encoding nothing.
double renderAlone(const CaptureRequest& request, const FrameTarget& target) {
    FrameReadback readback;
    readback.init(target.width, target.height, offscreenGlFunction);
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
    const CaptureRequest request{path, fps, from, to, preset};
    std::vector<double> ratios;
    for (int round = 1; round <= rounds; ++round) {
        const double alone = renderAlone(request, demo->target);
        const auto start = std::chrono::steady_clock::now();
        if (runCapture(request) != 0) {
            return 1;
        }
        const double capture = secondsSince(start);
        ratios.push_back(capture / alone);
        std::printf("round %d: %d frames at %d fps from %.1f s: render alone %.2f s, capture "
                    "%.2f s, ratio %.3f\n",
                    round, captureFrameCount(from, to, fps), fps, from, alone, capture,
                    ratios.back());
    }
    std::sort(ratios.begin(), ratios.end());
    std::printf("median ratio %.3f (%s, preset %s)\n", ratios[ratios.size() / 2], container.c_str(),
                preset.empty() ? "default" : preset.c_str());
    std::remove(path.c_str());
    return 0;
}
