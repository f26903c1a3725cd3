// Drawing a model: the swirl and sprite arithmetic with its roundings, and the GL calls
// the two drawing routines really make (recorded by wrapping glBegin, glVertex3f, ... and
// the array draws, whose client arrays are read back, around the GL library's own functions in
// a real offscreen context).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "model/obj_draw.h"
#include "model/obj_model.h"
#include "support/offscreen_gl.h"

namespace {

struct GlRecord {
    bool on = false;
    bool inside = false; // between glBegin and glEnd
    int ends = 0;
    std::vector<GLenum> modes; // one per glBegin
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    std::vector<std::array<float, 2>> texCoords;
};
GlRecord rec;

} // namespace

// Each wrapper notes its call while recording, then calls the library's own function.
#define RECORD_GL(name, params, args, note)                                                        \
    void name params {                                                                             \
        static const auto real = reinterpret_cast<void(*) params>(dlsym(RTLD_NEXT, #name));        \
        if (rec.on) {                                                                              \
            note;                                                                                  \
        }                                                                                          \
        real args;                                                                                 \
    }
namespace {
// The vertices one array draw sends (corner numbers from `corner`), read from the enabled
// client arrays.
template <typename Corner> void noteArrays(GLenum mode, GLsizei count, Corner corner) {
    rec.modes.push_back(mode);
    ++rec.ends;
    auto read = [](GLenum array, GLenum pointer, auto push) {
        GLvoid* base = nullptr;
        if (glIsEnabled(array) == GL_TRUE) {
            glGetPointerv(pointer, &base);
            push(static_cast<const float*>(base));
        }
    };
    for (GLsizei n = 0; n < count; ++n) {
        const std::size_t i = corner(n);
        read(GL_VERTEX_ARRAY, GL_VERTEX_ARRAY_POINTER, [i](const float* a) {
            rec.vertices.push_back({a[i * 3], a[i * 3 + 1], a[i * 3 + 2]});
        });
        read(GL_NORMAL_ARRAY, GL_NORMAL_ARRAY_POINTER, [i](const float* a) {
            rec.normals.push_back({a[i * 3], a[i * 3 + 1], a[i * 3 + 2]});
        });
        read(GL_TEXTURE_COORD_ARRAY, GL_TEXTURE_COORD_ARRAY_POINTER, [i](const float* a) {
            rec.texCoords.push_back({a[i * 2], a[i * 2 + 1]});
        });
    }
}
} // namespace

extern "C" {
RECORD_GL(glBegin, (GLenum mode), (mode), (rec.modes.push_back(mode), rec.inside = true))
RECORD_GL(glEnd, (), (), (++rec.ends, rec.inside = false))
RECORD_GL(glDrawArrays, (GLenum mode, GLint first, GLsizei count), (mode, first, count),
          noteArrays(mode, count, [first](GLsizei n) { return std::size_t(first + n); }))
RECORD_GL(glDrawElements, (GLenum mode, GLsizei count, GLenum type, const void* indices),
          (mode, count, type, indices), noteArrays(mode, count, [indices](GLsizei n) {
              return std::size_t(static_cast<const GLuint*>(indices)[n]);
          }))
RECORD_GL(glVertex3f, (GLfloat x, GLfloat y, GLfloat z), (x, y, z),
          rec.vertices.push_back({x, y, z}))
RECORD_GL(glVertex3fv, (const GLfloat* v), (v), rec.vertices.push_back({v[0], v[1], v[2]}))
RECORD_GL(glNormal3fv, (const GLfloat* v), (v),
          if (rec.inside) rec.normals.push_back({v[0], v[1], v[2]}))
RECORD_GL(glTexCoord2fv, (const GLfloat* v), (v),
          if (rec.inside) rec.texCoords.push_back({v[0], v[1]}))
}

namespace {

constexpr double kPi = 3.14159265358979323846;

struct Model {
    ObjModel m{};
    explicit Model(const std::string& text) { loadObjModelFromMemory(m, text.data(), text.size()); }
    ~Model() { freeObjModel(m); }
};

template <typename Draw> GlRecord record(Draw draw) {
    rec = GlRecord{};
    rec.on = true;
    draw();
    rec.on = false;
    return rec;
}

void expectVec(Vec3 actual, Vec3 expected) {
    EXPECT_EQ((std::array<float, 3>{actual.x, actual.y, actual.z}),
              (std::array<float, 3>{expected.x, expected.y, expected.z}));
}

class ObjDrawGl : public testing::Test {
  protected:
    void SetUp() override {
        // One context for the whole run, never torn down: closing it unloads the GL
        // driver, whose own allocations the leak checker could then no longer suppress.
        static OffscreenGl* gl = new OffscreenGl;
        ASSERT_TRUE(gl->ok()) << gl->error();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
};

TEST(SwirledVertex, AtTimeZeroHalfPiAndHeightsWithEachCoordinateRoundedOnce) {
    // At t = 0 a vertex at height 0 sits 18 units along z.
    for (const float x : {0.0f, 3.5f, -120.25f}) {
        for (const float z : {0.0f, -44.5f}) {
            expectVec(swirledVertex(x, 0.0f, z, 0.0f), {x, 0.0f, z + 18.0f});
        }
    }
    // At pi/2 it has turned an eighth of pi and risen 12.
    const Vec3 p = swirledVertex(10.0f, 0.0f, -5.0f, static_cast<float>(kPi / 2));
    EXPECT_NEAR(p.x, 10.0 + 18.0 * std::sin(kPi / 8), 1e-5);
    EXPECT_NEAR(p.y, 12.0, 1e-5);
    EXPECT_NEAR(p.z, -5.0 + 18.0 * std::cos(kPi / 8), 1e-5);
    // 300 units up the turn is one radian ahead and the bob five radians.
    const Vec3 q = swirledVertex(0.0f, 300.0f, 0.0f, 0.0f);
    EXPECT_NEAR(q.x, 18.0 * std::sin(1.0), 1e-4);
    EXPECT_NEAR(q.y, 300.0 + 12.0 * std::sin(5.0), 1e-4);
    EXPECT_NEAR(q.z, 18.0 * std::cos(1.0), 1e-4);
    // Sums and products in double, one rounding per coordinate, with the single-precision
    // factors 1/300 and 1/60.
    for (const float t : {1.3f, 258.0f}) {
        for (const float y : {-250.5f, 0.1f, 1234.5f}) {
            const double a = double{t * 0.25f} + double{y} * 0.0033333334f;
            expectVec(swirledVertex(3.25f, y, -8.125f, t),
                      {static_cast<float>(3.25f + 18.0 * std::sin(a)),
                       static_cast<float>(y + 12.0 * std::sin(t + y * double{0.016666668f})),
                       static_cast<float>(-8.125f + 18.0 * std::cos(a))});
        }
    }
}

TEST(TriangleSprite, HalfSizeStaysWithin700And1300AndCentreIsSpreadBy1Point2) {
    float lo = 2000.0f;
    float hi = 0.0f;
    for (int i = 0; i < 20000; ++i) {
        const float h =
            triangleSpriteHalfSize(-300.0f + 0.037f * i, 150.0f - 0.011f * i, 0.013f * i);
        lo = std::min(lo, h);
        hi = std::max(hi, h);
    }
    EXPECT_GE(lo, 700.0f);
    EXPECT_LT(lo, 701.0f);
    EXPECT_LE(hi, 1300.0f);
    EXPECT_GT(hi, 1299.0f);
    // With x y = 0 only the time moves it.
    EXPECT_FLOAT_EQ(triangleSpriteHalfSize(0.0f, 55.0f, 2.0f), 1000.0f + 300.0f * std::sin(2.0f));
    expectVec(triangleSpriteCentre(10.0f, -20.0f, 0.5f),
              {10.0f * 1.2f, -20.0f * 1.2f, 0.5f * 1.2f});
}

TEST_F(ObjDrawGl, SwirledGroupsInListOrderEachOnePrimitiveEvenWhenEmpty) {
    // Groups "empty", "top", "default" in list order; normals and texture coordinates as
    // the file gives them, the vertices swirled.
    Model model("v 0 0 0\nv 10 0 0\nv 0 0 10\nv 5 60 5\nvn 0 1 0\nvn 1 0 0\nvn 0 0 1\n"
                "vt 0.25 0.5\nvt 0.75 1\nf 1/2 2/1 3/2\ng top\nf 4 1 2\ng empty\n");
    const float t = 2.0f;
    const GlRecord r = record([&] { drawObjModelSwirled(model.m, t); });
    EXPECT_EQ(r.modes, std::vector<GLenum>(3, GL_TRIANGLES));
    EXPECT_EQ(r.ends, 3);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    ASSERT_EQ(r.vertices.size(), 6u);
    ASSERT_EQ(r.normals.size(), 6u);
    const int order[6] = {4, 1, 2, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        const float* v = model.m.vertices[order[i]];
        const float* n = model.m.normals[order[i]];
        expectVec(r.vertices[i], swirledVertex(v[0], v[1], v[2], t));
        expectVec(r.normals[i], {n[0], n[1], n[2]});
    }
    // A face written without texture references reads the zero slot.
    using Tex = std::array<float, 2>;
    EXPECT_EQ(r.texCoords,
              (std::vector<Tex>{{0, 0}, {0, 0}, {0, 0}, {0.75f, 1}, {0.25f, 0.5f}, {0.75f, 1}}));

    ObjModel empty{}; // a model that failed to load draws nothing
    const GlRecord none = record([&] {
        drawObjModelSwirled(empty, 1.0f);
        drawObjModelSprites(empty, 1.0f);
    });
    EXPECT_TRUE(none.modes.empty());
    EXPECT_TRUE(none.vertices.empty());
}

TEST_F(ObjDrawGl, OneSpritePerTriangleAtItsFirstCorner) {
    // Vertex 1 is the first corner twice, vertex 3 never.
    Model model("v 10 20 30\nv -5 0 5\nv 7 7 7\nf 1 2 3\nf 1 3 2\nf 2 3 1\n");
    const float t = 0.5f;
    const GlRecord r = record([&] { drawObjModelSprites(model.m, t); });
    EXPECT_EQ(r.modes, std::vector<GLenum>(1, GL_QUADS)); // one run of three quads
    ASSERT_EQ(r.vertices.size(), 12u);
    const int first[3] = {1, 1, 2};
    for (int q = 0; q < 3; ++q) {
        const float* v = model.m.vertices[first[q]];
        const Vec3 centre = triangleSpriteCentre(v[0], v[1], v[2]);
        const float half = triangleSpriteHalfSize(v[0], v[1], t);
        // Identity modelview: the quad runs from centre - half to centre + half in x and y.
        EXPECT_FLOAT_EQ(r.vertices[q * 4].x, centre.x - half);
        EXPECT_FLOAT_EQ(r.vertices[q * 4].y, centre.y - half);
        EXPECT_FLOAT_EQ(r.vertices[q * 4 + 2].x, centre.x + half);
        EXPECT_FLOAT_EQ(r.vertices[q * 4 + 2].y, centre.y + half);
        EXPECT_FLOAT_EQ(r.vertices[q * 4 + 2].z, centre.z);
    }
}

} // namespace
