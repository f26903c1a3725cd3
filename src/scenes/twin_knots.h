// The twin sprite knots (192 - 215 s): the knot curve, sprite sizes and camera.
#pragma once

#include "gfx/vec3.h"

inline constexpr int kKnotMaskTexture = 23; // org2_mask.png, multiplied
inline constexpr int kKnotGlowTexture = 24; // org2.png, added
inline constexpr int kFirstKnotPoints = 1900;
inline constexpr int kSecondKnotPoints = 3100;
inline constexpr float kFirstKnotScale = 0.5f;
inline constexpr float kSecondKnotScale = 0.8333333f;

// Point i of the closed knot curve at scale k (step 3.14 / 30 along the curve, so later
// laps fall between the points of earlier ones).
Vec3 knotPoint(int i, float k);

// Pulsing half-sizes of point i at demo time t: 0.317 .. 0.883 for the first knot,
// 0.476 .. 1.324 for the second.
float firstKnotHalfSize(int i, float t);
float secondKnotHalfSize(int i, float t);

// The eye drifting on a small ellipse inside the knots, looking at the origin.
Vec3 twinKnotsEye(float t);
