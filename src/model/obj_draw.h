// The two animated ways of drawing a model, in immediate mode. Neither sets GL state.
#pragma once

#include "gfx/vec3.h"
#include "model/obj_model.h"

// The swirl: each vertex circles its rest position (radius 18) and bobs (12 units).
Vec3 swirledVertex(float x, float y, float z, float t);
// One sprite per triangle, at its first corner.
Vec3 triangleSpriteCentre(float x, float y, float z);
float triangleSpriteHalfSize(float x, float y, float t);

void drawObjModelSwirled(const ObjModel& model, float t);
void drawObjModelSprites(const ObjModel& model, float t);
