#include "model/obj_draw.h"

#include <cmath>
#include <cstddef>
#include <iterator>
#include <unordered_map>
#include <vector>

#include "gfx/billboard.h"
#include "gfx/gl.h"
#include "gfx/gl_compat.h"

namespace {
// The phase shifts per unit of height, as single-precision values of 1/300 and 1/60.
constexpr float kTwistPerHeight = 0.0033333334f;
constexpr float kBobPerHeight = 0.016666668f;
constexpr double kSwirlRadius = 18.0;
constexpr double kBobHeight = 12.0;
constexpr float kSpriteSpread = 1.2f;

// The swirl's angles are a time part plus a height part; with the sine and cosine of each
// part known, the angle-sum identities give the swirl without a sine per vertex. In double
// precision they agree with the direct sines far below the float the result is rounded to.
// The sines and cosines of one part (time or height) of the twist and the bob angles.
struct SwirlTerms {
    double twistSin, twistCos, bobSin, bobCos;
};

SwirlTerms heightTermsOf(float y) {
    const double twist = static_cast<double>(y) * kTwistPerHeight;
    const double bob = static_cast<double>(y) * kBobPerHeight;
    return {std::sin(twist), std::cos(twist), std::sin(bob), std::cos(bob)};
}

SwirlTerms timeTermsOf(float s, float t) {
    return {std::sin(static_cast<double>(s)), std::cos(static_cast<double>(s)),
            std::sin(static_cast<double>(t)), std::cos(static_cast<double>(t))};
}

Vec3 swirlWithTerms(const float* p, const SwirlTerms& h, const SwirlTerms& k) {
    const double twistSin = k.twistSin * h.twistCos + k.twistCos * h.twistSin;
    const double twistCos = k.twistCos * h.twistCos - k.twistSin * h.twistSin;
    const double bobSin = k.bobSin * h.bobCos + k.bobCos * h.bobSin;
    return {static_cast<float>(p[0] + kSwirlRadius * twistSin),
            static_cast<float>(p[1] + kBobHeight * bobSin),
            static_cast<float>(p[2] + kSwirlRadius * twistCos)};
}

} // namespace

Vec3 swirledVertex(float x, float y, float z, float t) {
    const float p[3] = {x, y, z};
    return swirlWithTerms(p, heightTermsOf(y), timeTermsOf(t * 0.25f, t));
}

Vec3 triangleSpriteCentre(float x, float y, float z) {
    return {kSpriteSpread * x, kSpriteSpread * y, kSpriteSpread * z};
}

float triangleSpriteHalfSize(float x, float y, float t) {
    const double phase = static_cast<double>(t) + static_cast<double>(x) * static_cast<double>(y);
    return static_cast<float>(1000.0 + 300.0 * std::sin(phase));
}

namespace {
// A model's corners as GL indexes them: each distinct (vertex, texture coordinate) pair once,
// and per group the pairs of its triangles' corners in drawing order. Made at a model's
// first draw (again if it was loaded anew), kept between frames.
struct IndexedModel {
    const ObjTriangle* triangles = nullptr;
    uint32_t triangleCount = 0;
    const ObjGroup* groups = nullptr;
    const float (*vertices)[3] = nullptr;
    uint32_t vertexCount = 0;
    std::vector<int32_t> cornerVertex;
    std::vector<int32_t> cornerTexCoord;
    std::vector<GLuint> indices; // group after group, in list order
    // Per vertex, the parts of the swirl that depend on its height alone.
    std::vector<SwirlTerms> heightTerms;
};
IndexedModel indexedModels[kModelCount + 1];
int nextIndexedSlot = 0;

const IndexedModel& indexedModel(const ObjModel& model) {
    for (const IndexedModel& known : indexedModels) {
        if (known.triangles == model.triangles && known.triangleCount == model.triangleCount &&
            known.groups == model.groups && known.vertices == model.vertices &&
            known.vertexCount == model.vertexCount) {
            return known;
        }
    }
    IndexedModel& made = indexedModels[nextIndexedSlot];
    nextIndexedSlot = (nextIndexedSlot + 1) % static_cast<int>(std::size(indexedModels));
    made = IndexedModel{model.triangles,
                        model.triangleCount,
                        model.groups,
                        model.vertices,
                        model.vertexCount,
                        {},
                        {},
                        {},
                        {}};
    for (uint32_t v = 0; v <= model.vertexCount && model.vertices != nullptr; ++v) {
        made.heightTerms.push_back(heightTermsOf(model.vertices[v][1]));
    }
    const bool textured = model.texCoordCount != 0;
    std::unordered_map<uint64_t, GLuint> seen;
    for (const ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        for (uint32_t i = 0; i < g->triangleCount; ++i) {
            const ObjTriangle& tri = model.triangles[g->triangleIndices[i]];
            for (int k = 0; k < 3; ++k) {
                const int32_t v = tri.vertexIndex[k];
                const int32_t vt = textured ? tri.texCoordIndex[k] : 0;
                const uint64_t key = (static_cast<uint64_t>(static_cast<uint32_t>(v)) << 32) |
                                     static_cast<uint32_t>(vt);
                const auto [at, added] =
                    seen.emplace(key, static_cast<GLuint>(made.cornerVertex.size()));
                if (added) {
                    made.cornerVertex.push_back(v);
                    made.cornerTexCoord.push_back(vt);
                }
                made.indices.push_back(at->second);
            }
        }
    }
    return made;
}

// Per-call scratch kept between frames: the swirled position of each vertex and the arrays
// of the model's distinct corners. They only grow (at the first frame of the largest model).
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
// alone), and each group is drawn from arrays indexed corner by corner in the order immediate
// mode would send them, so every distinct corner goes through the vertex stage once.
void drawObjModelSwirled(const ObjModel& model, float t) {
    const IndexedModel& indexed = indexedModel(model);
    const SwirlTerms now = timeTermsOf(t * 0.25f, t);
    if (swirledScratch.size() < model.vertexCount + 1u) {
        swirledScratch.resize(model.vertexCount + 1u);
    }
    for (uint32_t v = 0; v < indexed.heightTerms.size(); ++v) {
        swirledScratch[v] = swirlWithTerms(model.vertices[v], indexed.heightTerms[v], now);
    }
    const std::size_t corners = indexed.cornerVertex.size();
    const bool textured = model.texCoordCount != 0;
    growTo(positionScratch, corners * 3);
    growTo(normalScratch, corners * 3);
    growTo(texCoordScratch, corners * 2);
    for (std::size_t c = 0; c < corners; ++c) {
        const int32_t v = indexed.cornerVertex[c];
        const Vec3 q = swirledScratch[v];
        positionScratch[c * 3] = q.x;
        positionScratch[c * 3 + 1] = q.y;
        positionScratch[c * 3 + 2] = q.z;
        const float* n = model.normals[v];
        normalScratch[c * 3] = n[0];
        normalScratch[c * 3 + 1] = n[1];
        normalScratch[c * 3 + 2] = n[2];
        if (textured) {
            const float* uv = model.texCoords[indexed.cornerTexCoord[c]];
            texCoordScratch[c * 2] = uv[0];
            texCoordScratch[c * 2 + 1] = uv[1];
        }
    }
    beginTriangleArrays({positionScratch.data(), normalScratch.data(),
                         textured ? texCoordScratch.data() : nullptr, corners});
    std::size_t first = 0;
    for (const ObjGroup* g = model.groups; g != nullptr; g = g->next) {
        const std::size_t count = static_cast<std::size_t>(g->triangleCount) * 3;
        drawTriangles(indexed.indices.data() + first, count);
        first += count;
        // Immediate mode leaves the last corner's normal and texture coordinate current.
        if (count != 0) {
            const GLuint last = indexed.indices[first - 1];
            glNormal3fv(&normalScratch[last * 3]);
            if (textured) {
                glTexCoord2fv(&texCoordScratch[last * 2]);
            }
        }
    }
    endTriangleArrays();
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
