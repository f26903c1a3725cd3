// The swirling sea model (248 - 268 s): the camera math, free of GL.
#pragma once

#include <array>

inline constexpr int kSwirlingSeaModel = 3;   // ModelTable slot (sea1.obj)
inline constexpr int kSwirlingSeaTexture = 7; // TextureTable slot (env4.png)

// Eye (14 sin a, 0, 14 cos a) with a = t times the float 1/30 (the product unrounded),
// looking at the origin with up (0, 1, 1).
std::array<double, 3> swirlingSeaEye(float t);
