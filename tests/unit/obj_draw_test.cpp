// Drawing a model: the swirl and sprite arithmetic with its roundings, and the GL calls
// the two drawing routines really make (recorded by wrapping glBegin, glVertex3f, ...
// around the GL library's own functions in a real offscreen context).
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
    int begins = 0;
    int ends = 0;
    std::vector<GLenum> modes;
    std::vector<Vec3> vertices;
    std::vector<Vec3> normals;
    std::vector<std::array<float, 2>> texCoords;
};
GlRecord rec;

template <typename Fn> Fn libraryGl(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {
void glBegin(GLenum mode) {
    static const auto real = libraryGl<void (*)(GLenum)>("glBegin");
    if (rec.on) {
        ++rec.begins;
        rec.modes.push_back(mode);
    }
    real(mode);
}
void glEnd() {
    static const auto real = libraryGl<void (*)()>("glEnd");
    if (rec.on) {
        ++rec.ends;
    }
    real();
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    static const auto real = libraryGl<void (*)(GLfloat, GLfloat, GLfloat)>("glVertex3f");
    if (rec.on) {
        rec.vertices.push_back({x, y, z});
    }
    real(x, y, z);
}
void glVertex3fv(const GLfloat* v) {
    static const auto real = libraryGl<void (*)(const GLfloat*)>("glVertex3fv");
    if (rec.on) {
        rec.vertices.push_back({v[0], v[1], v[2]});
    }
    real(v);
}
void glNormal3fv(const GLfloat* v) {
    static const auto real = libraryGl<void (*)(const GLfloat*)>("glNormal3fv");
    if (rec.on) {
        rec.normals.push_back({v[0], v[1], v[2]});
    }
    real(v);
}
void glTexCoord2fv(const GLfloat* v) {
    static const auto real = libraryGl<void (*)(const GLfloat*)>("glTexCoord2fv");
    if (rec.on) {
        rec.texCoords.push_back({v[0], v[1]});
    }
    real(v);
}
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

TEST(SwirledVertex, AtTimeZeroAHeightZeroVertexSitsEighteenUnitsAlongZ) {
    for (float x : {0.0f, 3.5f, -120.25f}) {
        for (float z : {0.0f, 7.0f, -44.5f}) {
            const Vec3 p = swirledVertex(x, 0.0f, z, 0.0f);
            EXPECT_EQ(p.x, x);
            EXPECT_EQ(p.y, 0.0f);
            EXPECT_EQ(p.z, z + 18.0f);
        }
    }
}

TEST(SwirledVertex, AtHalfPiItHasTurnedAnEighthOfPiAndRisenTwelve) {
    const float t = static_cast<float>(kPi / 2);
    const Vec3 p = swirledVertex(10.0f, 0.0f, -5.0f, t);
    EXPECT_NEAR(p.x, 10.0 + 18.0 * std::sin(kPi / 8), 1e-5);
    EXPECT_NEAR(p.y, 12.0, 1e-5);
    EXPECT_NEAR(p.z, -5.0 + 18.0 * std::cos(kPi / 8), 1e-5);
}

TEST(SwirledVertex, HeightTwistsAndShiftsTheBobWithEachCoordinateRoundedOnce) {
    // 300 units up the turn is one radian ahead and the bob five radians.
    const Vec3 p = swirledVertex(0.0f, 300.0f, 0.0f, 0.0f);
    EXPECT_NEAR(p.x, 18.0 * std::sin(1.0), 1e-4);
    EXPECT_NEAR(p.z, 18.0 * std::cos(1.0), 1e-4);
    EXPECT_NEAR(p.y, 300.0 + 12.0 * std::sin(5.0), 1e-4);
    // Sums and products in double, one rounding per coordinate, with the single-precision
    // factors 1/300 and 1/60.
    for (float t : {0.0f, 1.3f, 97.25f, 258.0f}) {
        for (float y : {-250.5f, -1.0f, 0.1f, 77.7f, 1234.5f}) {
            const float x = 3.25f;
            const float z = -8.125f;
            const double a =
                static_cast<double>(t * 0.25f) + static_cast<double>(y) * 0.0033333334f;
            const Vec3 p2 = swirledVertex(x, y, z, t);
            EXPECT_EQ(p2.x, static_cast<float>(x + 18.0 * std::sin(a)));
            EXPECT_EQ(p2.z, static_cast<float>(z + 18.0 * std::cos(a)));
            EXPECT_EQ(p2.y, static_cast<float>(y + 12.0 * std::sin(t + y * double{0.016666668f})));
        }
    }
}

TEST(TriangleSprite, HalfSizeStaysWithin700And1300AndCentreIsSpreadBy1Point2) {
    float lo = 2000.0f;
    float hi = 0.0f;
    for (int i = 0; i < 20000; ++i) {
        const float x = -300.0f + 0.037f * i;
        const float y = 150.0f - 0.011f * i;
        const float h = triangleSpriteHalfSize(x, y, 0.013f * i);
        lo = std::min(lo, h);
        hi = std::max(hi, h);
    }
    EXPECT_GE(lo, 700.0f);
    EXPECT_LE(hi, 1300.0f);
    EXPECT_LT(lo, 701.0f);
    EXPECT_GT(hi, 1299.0f);
    // With x y = 0 only the time moves it.
    EXPECT_FLOAT_EQ(triangleSpriteHalfSize(0.0f, 55.0f, 2.0f), 1000.0f + 300.0f * std::sin(2.0f));

    const Vec3 c = triangleSpriteCentre(10.0f, -20.0f, 0.5f);
    EXPECT_EQ(c.x, 10.0f * 1.2f);
    EXPECT_EQ(c.y, -20.0f * 1.2f);
    EXPECT_EQ(c.z, 0.5f * 1.2f);
}

TEST_F(ObjDrawGl, EveryGroupOpensAndClosesOnePrimitiveEvenWhenEmpty) {
    Model model("v 0 0 0\nv 1 0 0\nv 0 1 0\ng a\nf 1 2 3\ng b\ng c\nf 3 2 1\n");
    ASSERT_EQ(model.m.groupCount, 4u); // c, b, a, default; b and default are empty
    const GlRecord r = record([&] { drawObjModelSwirled(model.m, 0.0f); });
    EXPECT_EQ(r.begins, 4);
    EXPECT_EQ(r.ends, 4);
    EXPECT_TRUE(
        std::all_of(r.modes.begin(), r.modes.end(), [](GLenum m) { return m == GL_TRIANGLES; }));
    EXPECT_EQ(r.vertices.size(), 6u);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    ObjModel empty{};
    const GlRecord none = record([&] {
        drawObjModelSwirled(empty, 1.0f);
        drawObjModelSprites(empty, 1.0f);
    });
    EXPECT_EQ(none.begins, 0);
    EXPECT_TRUE(none.vertices.empty());
}

TEST_F(ObjDrawGl, SwirledCornersFollowGroupOrderWithUndisplacedNormals) {
    Model model("v 0 0 0\nv 10 0 0\nv 0 0 10\nv 5 60 5\nvn 0 1 0\nvn 1 0 0\nvn 0 0 1\n"
                "f 1 2 3\ng top\nf 4 1 2\n");
    const float t = 2.0f;
    const GlRecord r = record([&] { drawObjModelSwirled(model.m, t); });
    ASSERT_EQ(r.vertices.size(), 6u);
    // "top" was created last, so it comes first.
    const int order[6] = {4, 1, 2, 1, 2, 3};
    for (int i = 0; i < 6; ++i) {
        const float* v = model.m.vertices[order[i]];
        const Vec3 expected = swirledVertex(v[0], v[1], v[2], t);
        EXPECT_EQ(r.vertices[i].x, expected.x) << i;
        EXPECT_EQ(r.vertices[i].y, expected.y) << i;
        EXPECT_EQ(r.vertices[i].z, expected.z) << i;
        const float* n = model.m.normals[order[i]];
        EXPECT_EQ(r.normals[i].x, n[0]);
        EXPECT_EQ(r.normals[i].y, n[1]);
        EXPECT_EQ(r.normals[i].z, n[2]);
    }
    // No vt lines: no texture coordinates at all.
    EXPECT_TRUE(r.texCoords.empty());
}

TEST_F(ObjDrawGl, TextureCoordinatesComeFromTheTrianglesTextureNumbers) {
    Model model("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.25 0.5\nvt 0.75 1\nf 1/2 2/1 3/2\nf 3 2 1\n");
    const GlRecord r = record([&] { drawObjModelSwirled(model.m, 0.0f); });
    ASSERT_EQ(r.texCoords.size(), 6u);
    EXPECT_EQ(r.texCoords[0], (std::array<float, 2>{0.75f, 1.0f}));
    EXPECT_EQ(r.texCoords[1], (std::array<float, 2>{0.25f, 0.5f}));
    // A face written without texture references reads the zero slot.
    EXPECT_EQ(r.texCoords[3], (std::array<float, 2>{0.0f, 0.0f}));
}

TEST_F(ObjDrawGl, OneSpritePerTriangleAtItsFirstCorner) {
    // Vertex 1 is the first corner twice, vertex 3 never.
    Model model("v 10 20 30\nv -5 0 5\nv 7 7 7\nf 1 2 3\nf 1 3 2\nf 2 3 1\n");
    const float t = 0.5f;
    const GlRecord r = record([&] { drawObjModelSprites(model.m, t); });
    ASSERT_EQ(r.begins, 3);
    EXPECT_EQ(r.modes[0], static_cast<GLenum>(GL_QUADS));
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
