// The sprite helix tunnel (268 - 290 s): a helix of sprites along the line of sight.
// Reads PhaseTable, so the point tables must be filled first.
#pragma once

#include "gfx/vec3.h"

inline constexpr int kTunnelTexture = 24; // org2.png
inline constexpr int kTunnelSprites = 1200;

// Centre of sprite i (0 .. 1199) before the tunnel's translation: radius 5 about the
// z axis, 0.1 along it per radian, swaying sideways in its own phase.
Vec3 tunnelSpriteCentre(int i, float t);
// Half-size of sprite i, pulsing between 0.7 and 0.9 in its own phase.
float tunnelSpriteHalfSize(int i, float t);
// The z translation that carries the tunnel towards the viewer at half a unit per second.
float tunnelTranslationZ(float t);
