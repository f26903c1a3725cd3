// Camera-facing textured quads.
#pragma once

#include "gfx/vec3.h"

struct BillboardQuad {
    Vec3 corners[4]; // lower left, lower right, upper right, upper left (as the viewer sees it)
};

// The corners of a billboard under the column-major modelview matrix m: the first two
// rows of its upper 3x3 part, unnormalised, give the viewer's right and up.
BillboardQuad billboardCorners(const float m[16], Vec3 centre, float halfSize);

// Draws one quad facing the viewer, with texture coordinates (0,0) (1,0) (1,1) (0,1),
// in the current modelview space. Uses whatever texture, colour and blending is set.
void drawBillboard(Vec3 centre, float halfSize);
