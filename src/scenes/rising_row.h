// Rising row of warped models (78 - 128 s): the placement math, free of GL.
#pragma once

#include <array>

#include "gfx/vec3.h"

inline constexpr int kRisingRowModel = 0;   // ModelTable slot (manet2.obj)
inline constexpr int kRisingRowTexture = 7; // TextureTable slot (env4.png)
inline constexpr int kRisingRowCopies = 6;

// The scene's own clock, u = t - 80.
float risingRowClock(float t);
// Eye (1 + 8 sin(0.02 u), 8, 2); the camera looks at (-2, 0, 0) with up (0, 1, 1).
std::array<double, 3> risingRowEye(float t);
// How high the whole row has climbed: u / (5 + 0.1 sin u) - 2.
float risingRowLift(float t);
// Copy k's place in the row, in model units (before the 0.01 scale), with b = k - 3:
// (-540 + 180 k, 120 sin(b^2), 70 tan(b)).
Vec3 risingRowCopyOffset(int k);

// Copy k's fixed tilt (degrees) from PhaseTable point k: 2 x about y, then x about z.
struct RisingRowTilt {
    float aboutY;
    float aboutZ;
};
RisingRowTilt risingRowCopyTilt(int k);
// The time copy k's swirl runs at: 5 z + u, z from PhaseTable point k.
float risingRowCopyWarpTime(int k, float t);
