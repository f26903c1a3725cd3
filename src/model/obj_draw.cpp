#include "model/obj_draw.h"

#include <cmath>
#include <cstddef>
#include <vector>

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

namespace {
// Per-call scratch kept between frames: the swirled position of each vertex, and the corner
// arrays of one group. They only grow (at the first frame of the largest model).
std::vector<Vec3> swirledScratch;
std::vector<GLfloat> positionScratch;
std::vector<GLfloat> normalScratch;
std::vector<GLfloat> texCoordScratch;

void growTo(std::vector<GLfloat>& scratch, std::size_t size) {
    if (scratch.size() < size) {
        scratch.resize(size);
    }
}
} // namespace

// Each vertex is swirled once (the same values as per corner: the swirl depends on the vertex
// alone), and each group is drawn as arrays holding, corner by corner, what immediate mode
// would send.
void drawObjModelSwirled(const ObjModel& model, float t) {
    const float s = t * 0.25f;
    if (swirledScratch.size() < model.vertexCount + 1u) {
        swirledScratch.resize(model.vertexCount + 1u);
    }
    for (uint32_t v = 0; v <= model.vertexCount && model.vertices != nullptr; ++v) {
        const float* p = model.vertices[v];
        swirledScratch[v] = swirl(p[0], p[1], p[2], s, t);
    }
    const bool textured = model.texCoordCount != 0;
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    if (textured) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    for (const ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        const std::size_t corners = static_cast<std::size_t>(g->triangleCount) * 3;
        growTo(positionScratch, corners * 3);
        growTo(normalScratch, corners * 3);
        growTo(texCoordScratch, corners * 2);
        GLfloat* position = positionScratch.data();
        GLfloat* normal = normalScratch.data();
        GLfloat* texCoord = texCoordScratch.data();
        for (uint32_t i = 0; i < g->triangleCount; ++i) {
            const ObjTriangle& tri = model.triangles[g->triangleIndices[i]];
            for (int k = 0; k < 3; ++k) {
                if (textured) {
                    const float* uv = model.texCoords[tri.texCoordIndex[k]];
                    *texCoord++ = uv[0];
                    *texCoord++ = uv[1];
                }
                const int32_t v = tri.vertexIndex[k];
                const float* n = model.normals[v];
                *normal++ = n[0];
                *normal++ = n[1];
                *normal++ = n[2];
                const Vec3 q = swirledScratch[v];
                *position++ = q.x;
                *position++ = q.y;
                *position++ = q.z;
            }
        }
        glVertexPointer(3, GL_FLOAT, 0, positionScratch.data());
        glNormalPointer(GL_FLOAT, 0, normalScratch.data());
        if (textured) {
            glTexCoordPointer(2, GL_FLOAT, 0, texCoordScratch.data());
        }
        glDrawArrays(GL_TRIANGLES, 0, static_cast<GLsizei>(corners));
        // Immediate mode leaves the last corner's normal and texture coordinate current.
        if (corners != 0) {
            glNormal3fv(normal - 3);
            if (textured) {
                glTexCoord2fv(texCoord - 2);
            }
        }
    }
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void drawObjModelSprites(const ObjModel& model, float t) {
    beginBillboards();
    for (const ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        for (uint32_t i = 0; i < g->triangleCount; ++i) {
            const ObjTriangle& tri = model.triangles[g->triangleIndices[i]];
            const float* p = model.vertices[tri.vertexIndex[0]];
            addBillboard(triangleSpriteCentre(p[0], p[1], p[2]),
                         triangleSpriteHalfSize(p[0], p[1], t));
        }
    }
    endBillboards();
}
