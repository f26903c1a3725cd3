#include "model/obj_draw.h"

#include <cmath>

#include "gfx/billboard.h"
#include "gfx/gl.h"

namespace {
// The phase shifts per unit of height, as single-precision values of 1/300 and 1/60.
constexpr float kTwistPerHeight = 0.0033333334f;
constexpr float kBobPerHeight = 0.016666668f;
constexpr double kSwirlRadius = 18.0;
constexpr double kBobHeight = 12.0;
constexpr float kSpriteSpread = 1.2f;

Vec3 swirl(float x, float y, float z, float s, float t) {
    const double a = static_cast<double>(s) + static_cast<double>(y) * kTwistPerHeight;
    return {static_cast<float>(x + kSwirlRadius * std::sin(a)),
            static_cast<float>(y + kBobHeight * std::sin(static_cast<double>(t) +
                                                         static_cast<double>(y) * kBobPerHeight)),
            static_cast<float>(z + kSwirlRadius * std::cos(a))};
}
} // namespace

Vec3 swirledVertex(float x, float y, float z, float t) {
    return swirl(x, y, z, t * 0.25f, t);
}

Vec3 triangleSpriteCentre(float x, float y, float z) {
    return {kSpriteSpread * x, kSpriteSpread * y, kSpriteSpread * z};
}

float triangleSpriteHalfSize(float x, float y, float t) {
    const double phase = static_cast<double>(t) + static_cast<double>(x) * static_cast<double>(y);
    return static_cast<float>(1000.0 + 300.0 * std::sin(phase));
}

void drawObjModelSwirled(const ObjModel& model, float t) {
    for (const ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        glBegin(GL_TRIANGLES);
        const float s = t * 0.25f;
        for (uint32_t i = 0; i < g->triangleCount; ++i) {
            const ObjTriangle& tri = model.triangles[g->triangleIndices[i]];
            for (int k = 0; k < 3; ++k) {
                if (model.texCoordCount != 0) {
                    glTexCoord2fv(model.texCoords[tri.texCoordIndex[k]]);
                }
                const int32_t v = tri.vertexIndex[k];
                glNormal3fv(model.normals[v]);
                const float* p = model.vertices[v];
                const Vec3 q = swirl(p[0], p[1], p[2], s, t);
                glVertex3f(q.x, q.y, q.z);
            }
        }
        glEnd();
    }
}

void drawObjModelSprites(const ObjModel& model, float t) {
    for (const ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        for (uint32_t i = 0; i < g->triangleCount; ++i) {
            const ObjTriangle& tri = model.triangles[g->triangleIndices[i]];
            const float* p = model.vertices[tri.vertexIndex[0]];
            drawBillboard(triangleSpriteCentre(p[0], p[1], p[2]),
                          triangleSpriteHalfSize(p[0], p[1], t));
        }
    }
}
