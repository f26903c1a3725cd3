// Orbit around one warped model (128 - 150 s): the camera math, free of GL.
#pragma once

#include <array>

inline constexpr int kOrbitModel = 1;   // ModelTable slot (manet.obj)
inline constexpr int kOrbitTexture = 6; // TextureTable slot (env3.png)

// The scene's own clock, u = t - 125; also the time the model's swirl runs at.
float orbitClock(float t);
// The orbit angle u / 30, rounded to a float.
float orbitAngle(float t);
// Eye (6 sin a, 7 sin(0.025 u), 6 cos a), looking at the origin with up (0, 1, 1).
std::array<double, 3> orbitEye(float t);
