// The mirror sphere on a twirl plate (215 - 248 s): camera.
#pragma once

#include "gfx/vec3.h"

inline constexpr int kTwirlPlateTexture = 5; // twirl.png
inline constexpr int kMirrorTexture = 20;    // env5.png, sphere-mapped

// The eye on a circle of radius 8 about the vertical axis, sinking towards the plate,
// looking at the origin (up (0, 1, 1)).
Vec3 mirrorSphereEye(float t);
