// The web build's replacements (gfx/gl_replacements) against the GL and GLU calls they stand
// for, in a real GL context (llvmpipe): the matrix gluLookAt leaves, the coordinates glTexGen's
// sphere map makes (read back in feedback mode), the pixels of gluSphere, of 32-bit
// glDrawElements and of sphere-mapped models, and the texels glGetTexImage reads.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "gfx/gl.h"
#include "gfx/gl_replacements.h"
#include "gfx/textures.h"
#include "model/obj_model.h"
#include "scenes/toolkit.h"
#include "support/frame_checks.h"
#include "support/offscreen_gl.h"
#include "timeline/passes.h"
#include "timeline/png_decode.h"

namespace {

const std::string kDataDir = std::string(QUORLITH_BUILD_DIR) + "/data";
constexpr uint8_t kBackground[4] = {51, 102, 153, 255};

class GlReplacements : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { gl = new OffscreenGl(256, 256); }
    static void TearDownTestSuite() { delete gl; }
    void SetUp() override {
        ASSERT_TRUE(gl->ok()) << gl->error();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, 1.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_DEPTH_TEST);
        glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
        glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    }
    // The frame that `draw` makes on a cleared picture, texturing on.
    static Frame drawn(GLuint texture, const std::function<void()>& draw) {
        glClearColor(kBackground[0] / 255.0f, kBackground[1] / 255.0f, kBackground[2] / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        draw();
        glDisable(GL_TEXTURE_2D);
        return Frame{gl->width(), gl->height(), gl->readPixels()};
    }
    static OffscreenGl* gl;
};
OffscreenGl* GlReplacements::gl = nullptr;

std::array<GLfloat, 16> modelview() {
    std::array<GLfloat, 16> m{};
    glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
    return m;
}

// Pixels whose colour differs between a and b (b empty: from the background).
int differing(const Frame& a, const Frame& b = {}) {
    int count = 0;
    for (std::size_t i = 0; i < a.rgba.size(); i += 4) {
        count += std::memcmp(&a.rgba[i], b.rgba.empty() ? kBackground : &b.rgba[i], 3) != 0;
    }
    return count;
}

// 64 x 64 texels, each unlike its neighbours: a coordinate a texel off shows.
GLuint detailTexture() {
    std::vector<GLubyte> texels;
    for (int i = 0; i < 64 * 64; ++i) {
        const int x = i % 64, y = i / 64;
        texels.insert(texels.end(),
                      {static_cast<GLubyte>(x * 4), static_cast<GLubyte>(y * 4),
                       static_cast<GLubyte>((x ^ y) % 2 * 200 + (x + y) % 7 * 8), 255});
    }
    return makeNearestTexture(64, 64, texels);
}

// What the web build draws: the mesh in 16-bit batches, sphere mapped on the CPU if asked.
void drawOurs(const TriangleMesh& mesh, bool sphereMap) {
    TriangleArrays arrays = mesh.arrays();
    std::vector<GLfloat> mapped;
    if (sphereMap) {
        sphereMapUnderCurrentModelview(arrays.positions, arrays.normals, arrays.cornerCount,
                                       mapped);
        arrays.texCoords = mapped.data();
    }
    drawTrianglesInShortBatches(arrays, mesh.indices.data(), mesh.indices.size());
}

// What the native build draws: 32-bit indices, GL's sphere map if asked.
void drawNative(const TriangleMesh& mesh, bool sphereMap) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, mesh.positions.data());
    glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
    if (sphereMap) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, mesh.texCoords.data());
    }
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(mesh.indices.size()), GL_UNSIGNED_INT,
                   mesh.indices.data());
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

TEST_F(GlReplacements, LookAtLeavesTheMatrixGluLookAtLeaves) {
    const double cases[][9] = {
        {0, 0, 14, 0, 0, 0, 0, 1, 1},       // the scenes' up
        {9.1, 8, 2, -2, 0, 0, 0, 1, 1},     // rising row's, off centre
        {3.7, -2.2, 5.9, 0, 0, 0, 0, 1, 0}, // sprite cloud's
        {1e-3, 2e-3, -4e-3, 5e2, -7e2, 1e3, 0.3, -0.2, 0.9},
        {1, 2, 3, 1, 2, 3, 0, 1, 0},       // no direction: GLU's zero rows
        {0, 5, 0, 0, 0, 0, 0, 1, 0},       // up along the view
        {2, 1, -3, 0.5, 0.25, 0, 0, 0, 0}, // no up
    };
    const GLfloat start[16] = {0.8f, 0.1f,  -0.3f, 0, 0.2f, 1.3f,  0.4f, 0,
                               0.1f, -0.5f, 0.7f,  0, 2.5f, -1.0f, 3.0f, 1};
    for (const auto& c : cases) {
        for (const bool fromIdentity : {true, false}) {
            fromIdentity ? glLoadIdentity() : glLoadMatrixf(start);
            gluLookAt(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
            const std::array<GLfloat, 16> glu = modelview();
            fromIdentity ? glLoadIdentity() : glLoadMatrixf(start);
            multiplyLookAt(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8]);
            EXPECT_EQ(modelview(), glu) << "eye " << c[0] << " " << c[1] << " " << c[2];
        }
    }
}

// 2000 vertices in view, normals of every direction and length up to 1.7, drawn as points in
// feedback mode under four transforms; GL's s and t against ours.
TEST_F(GlReplacements, SphereMapCoordinatesAreGlTexGens) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-100, 100, -100, 100, -100, 100);
    glMatrixMode(GL_MODELVIEW);
    const struct {
        const char* name;
        std::function<void()> transform;
        bool normalize;
        float positionScale;
    } cases[] = {
        {"none", [] {}, false, 1},
        {"a scene's view of a model scaled by 0.01",
         [] {
             gluLookAt(-1.8, 3.1, 5.7, 0, 0, 0, 0, 1, 1);
             glScalef(0.01f, 0.01f, 0.01f);
         },
         false, 100},
        {"turned, scaled unevenly",
         [] {
             glRotatef(-71.0f, 1.0f, 0.2f, 0.4f);
             glScalef(2.0f, 0.5f, 1.25f);
         },
         false, 1},
        {"scaled unevenly, GL_NORMALIZE on", [] { glScalef(2.0f, 0.5f, 1.25f); }, true, 1},
    };
    const GLuint texture = detailTexture();
    unsigned seed = 12345;
    const auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return static_cast<float>(seed >> 8 & 0xFFFF) / 32768 - 1;
    };
    for (const auto& c : cases) {
        std::vector<GLfloat> positions, normals;
        for (int i = 0; i < 6000; ++i) {
            positions.push_back(3 * c.positionScale * next());
            normals.push_back(next());
        }
        glLoadIdentity();
        c.transform();
        c.normalize ? glEnable(GL_NORMALIZE) : glDisable(GL_NORMALIZE);
        std::vector<GLfloat> feedback(2000 * 12);
        glFeedbackBuffer(static_cast<GLsizei>(feedback.size()), GL_3D_COLOR_TEXTURE,
                         feedback.data());
        glRenderMode(GL_FEEDBACK);
        // Texturing on: without it no texture coordinates are made.
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
        glBegin(GL_POINTS);
        for (std::size_t i = 0; i < positions.size(); i += 3) {
            glNormal3fv(&normals[i]);
            glVertex3fv(&positions[i]);
        }
        glEnd();
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glDisable(GL_TEXTURE_2D);
        // Each point: the token, x y z, r g b a, s t r q.
        ASSERT_EQ(glRenderMode(GL_RENDER), static_cast<GLint>(feedback.size())) << c.name;
        glDisable(GL_NORMALIZE);
        std::vector<GLfloat> ours(2000 * 2);
        sphereMapCoordinates(modelview().data(), c.normalize, positions.data(), normals.data(),
                             2000, ours.data());
        double worst = 0.0;
        for (std::size_t i = 0; i < ours.size(); ++i) {
            worst = std::max(worst, std::abs(double(ours[i]) - feedback[i / 2 * 12 + 8 + i % 2]));
        }
        // Seen: at most 2.3e-6, llvmpipe working in single precision. Normalising n' where
        // GL does not, or the other way round, is off by tenths.
        EXPECT_LT(worst, 1e-5) << c.name;
    }
}

// The demo's sphere and others, with their own coordinates and sphere mapped, tilted so both
// poles show; sizes GLU clamps or refuses too.
TEST_F(GlReplacements, SphereMeshDrawsAsGluSphere) {
    GLUquadric* quadric = gluNewQuadric();
    gluQuadricTexture(quadric, GL_TRUE);
    const GLuint texture = detailTexture();
    const struct {
        double radius;
        int slices, stacks;
        bool seen;
    } cases[] = {{0.7, 32, 32, true},   {1.2, 7, 5, true},  {1.1, 3, 2, true},
                 {0.9, 300, 250, true}, {1.0, 2, 1, false}, // a line along the axis
                 {1.0, 1, 4, false},    {1.0, 8, 0, false}, {-1.0, 8, 8, false}};
    for (const auto& c : cases) {
        for (const bool sphereMap : {false, true}) {
            glLoadIdentity();
            glTranslatef(0.1f, -0.05f, -2.6f);
            glRotatef(-62.0f, 1.0f, 0.3f, 0.0f);
            const Frame glu = drawn(texture, [&] {
                if (sphereMap) {
                    glEnable(GL_TEXTURE_GEN_S);
                    glEnable(GL_TEXTURE_GEN_T);
                }
                gluSphere(quadric, c.radius, c.slices, c.stacks);
                glDisable(GL_TEXTURE_GEN_S);
                glDisable(GL_TEXTURE_GEN_T);
            });
            const Frame ours = drawn(
                texture, [&] { drawOurs(sphereMesh(c.radius, c.slices, c.stacks), sphereMap); });
            const std::string name = std::to_string(c.slices) + " x " + std::to_string(c.stacks) +
                                     (sphereMap ? ", sphere map" : "");
            EXPECT_EQ(differing(glu) > 2000, c.seen) << name;
            // Seen: 0 of 65536 pixels differ with the sphere's own coordinates, at most 1 with
            // the sphere map (a coordinate rounded either side of a texel's edge). A flipped t
            // or quads split the other way differ by hundreds.
            EXPECT_LE(differing(glu, ours), 4) << name;
        }
    }
    gluDeleteQuadric(quadric);
}

// A textured grid of rows x columns corners, its triangles in an order that jumps about the
// grid, so that each batch draws corners from all over the arrays.
TriangleMesh grid(int rows, int columns) {
    TriangleMesh g;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c) {
            const float x = 2.0f * c / (columns - 1) - 1, y = 2.0f * r / (rows - 1) - 1;
            g.positions.insert(g.positions.end(), {x, y, 0.3f * x * y});
            g.normals.insert(g.normals.end(), {0, 0, 1});
            g.texCoords.insert(g.texCoords.end(), {3.7f * x, 2.9f * y + 0.4f * x});
        }
    }
    const long long quads = (rows - 1) * (columns - 1);
    for (long long k = 0; k < quads; ++k) {
        const long long q = k * 7919 % quads;
        const GLuint corner = static_cast<GLuint>(q / (columns - 1) * columns + q % (columns - 1));
        const GLuint above = corner + static_cast<GLuint>(columns);
        g.indices.insert(g.indices.end(),
                         {corner, corner + 1, above, above, corner + 1, above + 1});
    }
    return g;
}

// The same pixels to the bit in one batch, just past 65,535 corners, and in 7 batches; an index
// past the arrays draws nothing.
TEST_F(GlReplacements, ShortBatchesDrawWhat32BitIndicesDraw) {
    const GLuint texture = detailTexture();
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -2.2f);
    glRotatef(25.0f, 1.0f, 0.5f, 0.0f);
    for (const auto& [rows, columns] :
         {std::pair{12, 9}, std::pair{256, 257}, std::pair{380, 400}}) {
        const TriangleMesh g = grid(rows, columns);
        const Frame native = drawn(texture, [&] { drawNative(g, false); });
        EXPECT_GT(differing(native), 20000);
        EXPECT_EQ(differing(native, drawn(texture, [&] { drawOurs(g, false); })), 0) << rows;
        EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    }
    TriangleMesh broken = grid(3, 3);
    broken.indices.back() = 9;
    EXPECT_EQ(differing(drawn(texture, [&] { drawOurs(broken, false); })), 0);
}

// The demo's models as its sphere-mapped scenes draw them: scaled by 0.01, seen from 4 to 14
// units, an environment texture of the data set.
TEST_F(GlReplacements, SphereMappedModelsLookAsWithTexGen) {
    const struct {
        const char* model;
        const char* texture;
        double eye[3];
    } cases[] = {{"sea1", "env4", {13.5, 0.0, 3.7}},
                 {"blob1", "env5", {5.2, 4.1, 2.7}},
                 {"manet2", "env3", {-2.0, 3.3, 1.1}}};
    for (const auto& c : cases) {
        ObjModel model{};
        ASSERT_EQ(loadObjModel(model, (kDataDir + "/3d/" + c.model + ".obj").c_str()), 1);
        TriangleMesh mesh;
        const std::size_t floats = (model.vertexCount + 1u) * 3u; // slot 0 unused
        mesh.positions.assign(model.vertices[0], model.vertices[0] + floats);
        mesh.normals.assign(model.normals[0], model.normals[0] + floats);
        for (uint32_t t = 0; t < model.triangleCount; ++t) {
            for (const int32_t v : model.triangles[t].vertexIndex) {
                mesh.indices.push_back(static_cast<GLuint>(v));
            }
        }
        freeObjModel(model);
        DecodedImage image;
        ASSERT_TRUE(
            decodePngTexture((kDataDir + "/textures/" + c.texture + ".png").c_str(), 1024, image));
        LevelZeroCopies asRgba;
        std::vector<GLubyte> texels;
        GLint width, height;
        asRgba.keep(1, image.width, image.height, image.channels, image.pixels);
        asRgba.read(1, width, height, texels);
        GLuint texture = makeNearestTexture(width, height, texels);
        glLoadIdentity();
        gluLookAt(c.eye[0], c.eye[1], c.eye[2], 0, 0, 0, 0, 1, 1);
        glScalef(0.01f, 0.01f, 0.01f);
        const Frame native = drawn(texture, [&] { drawNative(mesh, true); });
        const Frame ours = drawn(texture, [&] { drawOurs(mesh, true); });
        glDeleteTextures(1, &texture);
        // Seen: 0, 2 and 0 pixels differ, PSNR 67.6 dB where any do.
        EXPECT_GT(differing(native), 3000) << c.model;
        EXPECT_LE(differing(native, ours), differing(native) / 1000) << c.model;
        EXPECT_GE(psnrDb(native, ours), 45.0) << c.model;
    }
}

// The demo started as the program starts it; the textures it reads back, kept as the loader
// decodes them, read as glGetTexImage reads them, and the white-keyed copy and the overlays'
// product it makes from them.
TEST(KeptTexels, ReadAsGlReadsThemAndMakeTheSameCopies) {
    OffscreenGl gl;
    ASSERT_TRUE(gl.ok()) << gl.error();
    OffscreenGl::startDemoHere(kDataDir);
    struct Texels {
        GLint width = 0, height = 0;
        std::vector<GLubyte> rgba;
        bool operator==(const Texels&) const = default;
    };
    const auto readBack = [](GLuint texture) {
        Texels t;
        EXPECT_TRUE(readTextureLevelZero(texture, t.width, t.height, t.rgba));
        return t;
    };
    LevelZeroCopies copies;
    Texels kept[4];
    const std::pair<int, const char*> files[] = {
        {kShadowTexture, "org"}, {10, "overlay"}, {11, "overlay2"}, {8, "bubble"}};
    for (int i = 0; i < 4; ++i) {
        const GLuint texture = TextureTable[files[i].first];
        DecodedImage image;
        const std::string path = kDataDir + "/textures/" + files[i].second + ".png";
        ASSERT_TRUE(decodePngTexture(path.c_str(), 16384, image));
        ASSERT_TRUE(copies.keep(texture, image.width, image.height, image.channels, image.pixels));
        ASSERT_TRUE(copies.read(texture, kept[i].width, kept[i].height, kept[i].rgba));
        EXPECT_TRUE(kept[i] == readBack(texture)) << path;
    }
    // The shadows' copy: alpha 0 at pure white texels, 255 elsewhere.
    beginWhiteKeyedSprites(kShadowTexture);
    GLint keyed = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &keyed);
    endWhiteKeyedSprites();
    int white = 0;
    for (std::size_t i = 0; i < kept[0].rgba.size(); i += 4) {
        const bool isWhite = kept[0].rgba[i] + kept[0].rgba[i + 1] + kept[0].rgba[i + 2] == 765;
        white += isWhite;
        kept[0].rgba[i + 3] = isWhite ? 0 : 255;
    }
    EXPECT_GT(white, 0);
    EXPECT_TRUE(readBack(static_cast<GLuint>(keyed)) == kept[0]);
    // The overlays' product, texel by texel rounded to the nearest level.
    for (std::size_t i = 0; i < kept[2].rgba.size(); ++i) {
        kept[2].rgba[i] = static_cast<GLubyte>((kept[2].rgba[i] * kept[1].rgba[i] * 2 + 255) / 510);
    }
    EXPECT_TRUE(readBack(screenOverlayProduct(11, 10)) == kept[2]);
}

} // namespace
