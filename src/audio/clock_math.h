// The arithmetic of the music clock, free of any device: frame and millisecond
// conversions and the position heard at a given moment.
#pragma once

#include <cstdint>
#include <limits>

inline constexpr int64_t kNoFrameLimit = std::numeric_limits<int64_t>::max();

// The first frame at or after `ms` milliseconds (44.1 frames per millisecond), so that
// msFromFrames(framesFromMs(ms)) == ms. Negative times give frame 0.
int64_t framesFromMs(int64_t ms);
// Whole milliseconds reached at a frame (rounded down), limited to the int range.
int msFromFrames(int64_t frames);

// The clock between two updates: `frame` was being heard at `seconds`; from then on the
// position runs at `rate` frames per second (0 for a clock set by hand) and stays within
// [lowest, highest].
struct ClockAnchor {
    int64_t frame = 0;
    double seconds = 0.0;
    int rate = 0;
    int64_t lowest = 0;
    int64_t highest = 0;
};

int64_t frameAt(const ClockAnchor& anchor, double nowSeconds);

// A monotonic clock in seconds (arbitrary origin) for the anchors.
double steadySeconds();
