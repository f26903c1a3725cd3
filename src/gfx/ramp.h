// The clamped linear ramp behind every timed fade.
#pragma once

// 0 below lo, 1 from hi on, linear between. Tested in that order, so lo == hi
// gives 0 below and 1 from lo on.
inline float clampedRamp(float lo, float hi, float x) {
    if (x < lo) {
        return 0.0f;
    }
    if (x >= hi) {
        return 1.0f;
    }
    return (x - lo) / (hi - lo);
}
