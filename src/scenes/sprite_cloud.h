// The model as a cloud of multiplied sprites (170 - 192 s): the camera math, free of GL.
#pragma once

#include <array>

inline constexpr int kSpriteCloudModel = 2;   // ModelTable slot (blob1.obj)
inline constexpr int kSpriteCloudTexture = 9; // TextureTable slot (org.png)

// Eye on the flat ellipse (6 cos a, 0, 5 sin a), a = 0.05 t, looking at the origin, y up.
std::array<double, 3> spriteCloudEye(float t);
