#include "audio/clock_math.h"

#include <algorithm>
#include <chrono>
#include <cmath>

#include "audio/music.h"

int64_t framesFromMs(int64_t ms) {
    if (ms <= 0) {
        return 0;
    }
    return (ms * 441 + 9) / 10;
}

int msFromFrames(int64_t frames) {
    if (frames <= 0) {
        return 0;
    }
    const int64_t ms = frames / 441 * 10 + frames % 441 * 10 / 441;
    return static_cast<int>(std::min<int64_t>(ms, std::numeric_limits<int>::max()));
}

int64_t frameAt(const ClockAnchor& anchor, double nowSeconds) {
    int64_t frame = anchor.frame;
    if (anchor.rate > 0 && nowSeconds > anchor.seconds) {
        // Capped at about 700 years of frames, far beyond any run.
        const double elapsed = std::floor((nowSeconds - anchor.seconds) * anchor.rate);
        frame += static_cast<int64_t>(std::min(elapsed, 1e15));
    }
    return std::clamp(frame, anchor.lowest, std::max(anchor.highest, anchor.lowest));
}

double steadySeconds() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

float demoTimeFromPositionMs(int positionMs) {
    return static_cast<float>(positionMs) * 0.001f;
}

int seekTargetMs(float baseDemoTime, float deltaMs) {
    const float target = baseDemoTime * 1000.0f + deltaMs;
    // Truncation toward zero; values outside the int range (or not a number) are pinned
    // instead of overflowing the conversion.
    if (std::isnan(target)) {
        return 0;
    }
    if (target >= 2147483648.0f) {
        return std::numeric_limits<int>::max();
    }
    if (target < -2147483648.0f) {
        return std::numeric_limits<int>::min();
    }
    return static_cast<int>(target);
}
