// The double helix of fire sprites (150 - 170 s): camera and sprite placement.
#pragma once

#include "gfx/vec3.h"

inline constexpr int kFireHelixTexture = 2; // fire2.png
inline constexpr int kFireHelixSteps = 1000;
inline constexpr int kFireHelixStrands = 2; // 0: strand A at +3.5, 1: strand B at -3.5

// One fire sprite: the centre lies in the frame turned by turnDegrees about the vertical
// axis. alpha is handed to GL as it is; GL clamps it to [0, 1], so a sprite is dark for
// the part of its pulse where alpha is negative.
struct FireSprite {
    float turnDegrees;
    Vec3 centre;
    float halfSize;
    float alpha;
};

// The eye circling the helix from above, looking at the origin (up (0, 1, 1)).
Vec3 fireHelixEye(float t);

// Sprite of one step (0 .. 999) on one strand (0 or 1) at demo time t.
FireSprite fireHelixSprite(int step, int strand, float t);
