#include "model/obj_draw.h"

Vec3 swirledVertex(float x, float y, float z, float) {
    return {x, y, z};
}
Vec3 triangleSpriteCentre(float x, float y, float z) {
    return {x, y, z};
}
float triangleSpriteHalfSize(float, float, float) {
    return 0.0f;
}
void drawObjModelSwirled(const ObjModel&, float) {}
void drawObjModelSprites(const ObjModel&, float) {}
