#include "support/model_fixture.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <vector>

#include "gfx/gl.h"
#include "gfx/textures.h"
#include "model/obj_model.h"
#include "scenes/toolkit.h"
#include "support/offscreen_gl.h"

std::string sphereObjText(float radius, int rings, int segments) {
    std::ostringstream obj;
    obj << "# sphere made by the tests\n";
    // Vertex (i, j), i from the north pole (0) to the south (rings), j round the seam.
    for (int i = 0; i <= rings; ++i) {
        for (int j = 0; j <= segments; ++j) {
            const double theta = M_PI * i / rings;
            const double phi = 2.0 * M_PI * j / segments;
            const double n[3] = {std::sin(theta) * std::cos(phi), std::cos(theta),
                                 std::sin(theta) * std::sin(phi)};
            obj << "v " << radius * n[0] << ' ' << radius * n[1] << ' ' << radius * n[2] << "\nvn "
                << n[0] << ' ' << n[1] << ' ' << n[2] << "\nvt " << double(j) / segments << ' '
                << 1.0 - double(i) / rings << '\n';
        }
    }
    for (int i = 0; i < rings; ++i) {
        obj << (i == 0 ? "g north\n" : i == rings / 2 ? "g south\n" : "");
        for (int j = 0; j < segments; ++j) {
            obj << 'f';
            const int at = i * (segments + 1) + j + 1; // (i, j); the ring below is one row on
            for (const int k : {at, at + 1, at + segments + 2, at + segments + 1}) {
                obj << ' ' << k << '/' << k << '/' << k;
            }
            obj << '\n';
        }
    }
    return obj.str();
}

std::string writeTempFile(const std::string& name, const std::string& text) {
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("quorlith-test-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    std::ofstream(dir / name, std::ios::binary) << text;
    return (dir / name).string();
}

void expectObjModelConsistent(const ObjModel& m) {
    std::multiset<int32_t> numbers;
    uint32_t groups = 0;
    const ObjGroup* last = nullptr;
    for (const ObjGroup* g = m.groups; g != nullptr; g = g->next, ++groups) {
        last = g;
        EXPECT_LE(g->triangleCount, g->triangleCapacity);
        numbers.insert(g->triangleIndices, g->triangleIndices + g->triangleCount);
    }
    EXPECT_EQ(groups, m.groupCount);
    ASSERT_NE(last, nullptr);
    EXPECT_STREQ(last->name, "default");
    ASSERT_EQ(numbers.size(), m.triangleCount);
    int32_t expected = 0;
    for (const int32_t n : numbers) {
        EXPECT_EQ(n, expected++);
    }
    for (uint32_t i = 0; i < m.triangleCount; ++i) {
        for (int k = 0; k < 3; ++k) {
            EXPECT_GE(m.triangles[i].vertexIndex[k], 1);
            EXPECT_LE(m.triangles[i].vertexIndex[k], static_cast<int32_t>(m.vertexCount));
            if (m.texCoordCount > 0) { // otherwise texture numbers are never read
                EXPECT_GE(m.triangles[i].texCoordIndex[k], 0);
                EXPECT_LE(m.triangles[i].texCoordIndex[k], static_cast<int32_t>(m.texCoordCount));
            }
        }
    }
}

void setUpSceneGlState() {
    glViewport(0, 0, 512, 512);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glDisable(GL_BLEND);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
}

unsigned makeTestTexture(TextureLook look, float r, float g, float b) {
    constexpr int size = 32;
    std::vector<uint8_t> rgba(size * size * 4);
    for (int i = 0; i < size * size; ++i) {
        const float dx = (i % size + 0.5f) / (size / 2.0f) - 1.0f;
        const float dy = (i / size + 0.5f) / (size / 2.0f) - 1.0f;
        const float d = std::sqrt(dx * dx + dy * dy);
        const float f = std::max(0.0f, 1.0f - d);
        const float m = std::min(1.0f, 0.4f + 0.6f * d);
        const float s = 0.5f + 0.5f * std::sin(6.0f * std::atan2(dy, dx) + 4.0f * d);
        const float texel[3][4] = {{r * f, g * f, b * f, f},
                                   {m, m, m, 1.0f},
                                   {s, 0.6f * (1.0f - s), 0.3f + 0.7f * d * s, 1.0f}};
        for (int k = 0; k < 4; ++k) {
            rgba[i * 4 + k] = static_cast<uint8_t>(
                std::clamp(texel[static_cast<int>(look)][k], 0.0f, 1.0f) * 255.0f + 0.5f);
        }
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, size, size, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return name;
}

void makeSceneTextures() {
    TextureTable[2] = makeTestTexture(TextureLook::Glow, 1.0f, 0.6f, 0.2f);  // fire
    TextureTable[5] = makeTestTexture(TextureLook::Spokes);                  // twirl plate
    TextureTable[6] = makeTestTexture(TextureLook::Spokes);                  // environments
    TextureTable[7] = makeTestTexture(TextureLook::Spokes);                  // of the models
    TextureTable[8] = makeTestTexture(TextureLook::Glow, 0.6f, 0.8f, 1.0f);  // bubble
    TextureTable[9] = makeTestTexture(TextureLook::Mask);                    // field shadow
    TextureTable[14] = makeTestTexture(TextureLook::Glow);                   // field glow
    TextureTable[20] = makeTestTexture(TextureLook::Spokes);                 // mirror
    TextureTable[23] = makeTestTexture(TextureLook::Mask);                   // knot mask
    TextureTable[24] = makeTestTexture(TextureLook::Glow, 1.0f, 0.0f, 0.0f); // knot glow, tunnel
}

const char* loadSceneModels() {
    const std::filesystem::path dataSet = std::filesystem::path(QUORLITH_BUILD_DIR) / "data" / "3d";
    const char* const files[kModelCount] = {"manet2.obj", "manet.obj", "blob1.obj", "sea1.obj"};
    const bool all = std::all_of(std::begin(files), std::end(files), [&](const char* f) {
        return std::filesystem::exists(dataSet / f);
    });
    const std::string sphere =
        all ? "" : writeTempFile("scene-sphere.obj", sphereObjText(150.0f, 12, 16));
    for (int i = 0; i < kModelCount; ++i) {
        loadObjModel(ModelTable[i], all ? (dataSet / files[i]).c_str() : sphere.c_str());
    }
    return all ? "data set" : "generated spheres";
}

void fillSceneTables() {
    resetDemoRand();
    destroyParticleCloud(createParticleCloud(400, {5, 5, 5}, {0, 0, 0}));
    fillPointTables();
}

void initialiseScenesLikeStartUp() {
    fillSceneTables();
    setUpSceneGlState();
    if (sharedQuadric == nullptr) {
        sharedQuadric = gluNewQuadric();
        gluQuadricNormals(sharedQuadric, GLU_SMOOTH);
        gluQuadricTexture(sharedQuadric, GL_TRUE);
    }
}

OffscreenGl& sceneContext() {
    static OffscreenGl* gl = [] {
        auto* context = new OffscreenGl(800, 600);
        if (context->ok()) {
            initialiseScenesLikeStartUp();
            makeSceneTextures();
        }
        return context;
    }();
    return *gl;
}

SceneFrame drawSceneFrame(void (*scene)(float), float t, float background) {
    setUpSceneGlState();
    glDepthMask(GL_TRUE);
    glClearColor(background, background, background, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    scene(t);
    SceneFrame f{};
    GLboolean depthWrites = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
    GLint stack = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &stack);
    f.flags = {glIsEnabled(GL_BLEND),         glIsEnabled(GL_TEXTURE_2D),    depthWrites,
               glIsEnabled(GL_TEXTURE_GEN_S), glIsEnabled(GL_TEXTURE_GEN_T), stack};
    glGetFloatv(GL_CURRENT_COLOR, f.colour.data());
    glGetIntegerv(GL_BLEND_SRC, &f.blend[0]);
    glGetIntegerv(GL_BLEND_DST, &f.blend[1]);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &f.blend[2]);
    glGetFloatv(GL_MODELVIEW_MATRIX, f.modelview.data());
    f.rgb.resize(kSceneSize * kSceneSize * 3);
    f.depth.resize(kSceneSize * kSceneSize);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, kSceneSize, kSceneSize, GL_RGB, GL_UNSIGNED_BYTE, f.rgb.data());
    glReadPixels(0, 0, kSceneSize, kSceneSize, GL_DEPTH_COMPONENT, GL_FLOAT, f.depth.data());
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    return f;
}

int pixelsOff(const SceneFrame& a, const SceneFrame* b, int slack, int level) {
    int n = 0;
    for (size_t p = 0; p < a.rgb.size(); p += 3) {
        for (size_t c = p; c < p + 3; ++c) {
            if (std::abs(a.rgb[c] - (b == nullptr ? level : b->rgb[c])) > slack) {
                ++n;
                break;
            }
        }
    }
    return n;
}
