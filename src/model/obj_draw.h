// The two animated ways of drawing a model. Neither leaves GL state changed.
#pragma once

#include "gfx/vec3.h"
#include "model/obj_model.h"

// The swirl: each vertex circles its rest position in the horizontal plane (radius 18,
// 0.25 rad/s, phase shifted 1/300 rad per unit of height) and bobs (12 units, 1 rad/s,
// 1/60 rad per unit of height). Formed in double precision, each coordinate rounded once.
Vec3 swirledVertex(float x, float y, float z, float t);
// One sprite per triangle, at its first corner scaled by 1.2.
Vec3 triangleSpriteCentre(float x, float y, float z);
// 1000 + 300 sin(t + x y) from the unscaled corner: always within [700, 1300].
float triangleSpriteHalfSize(float x, float y, float t);

// One GL_TRIANGLES begin/end per group (also for an empty group), groups in list order;
// texture coordinates only when the model has any; normals of the undisplaced vertices.
void drawObjModelSwirled(const ObjModel& model, float t);
// One billboard per triangle, groups in list order.
void drawObjModelSprites(const ObjModel& model, float t);
