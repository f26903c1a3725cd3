// Scene set-up for the benchmarks: the program's projection and fixed state, stand-in textures,
// the point tables and the four ModelTable slots filled from the built data set.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "gfx/gl.h"
#include "gfx/textures.h"
#include "host/window.h"
#include "model/obj_model.h"
#include "scenes/toolkit.h"
#include "timeline/schedule.h"

// A 32 x 32 stand-in texture: a round glow of colour (r, g, b) with alpha falling to 0 at
// the rim, a mask for multiplying (white at the rim, grey in the middle), or coloured spokes
// (an environment or a twirl). Returns the GL name.
enum class TextureLook { Glow, Mask, Spokes };

inline void setUpSceneGlState() {
    // The window's projection, drawn into the 512 square as the demo draws its scenes.
    resizeView(800, 600);
    glViewport(0, 0, 512, 512);
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

inline unsigned makeTestTexture(TextureLook look, float r = 1, float g = 1, float b = 1) {
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

inline void makeSceneTextures() {
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

inline const char* loadSceneModels() {
    const std::filesystem::path dataSet = std::filesystem::path(QUORLITH_BUILD_DIR) / "data" / "3d";
    const char* const files[kModelCount] = {"manet2.obj", "manet.obj", "blob1.obj", "sea1.obj"};
    for (int i = 0; i < kModelCount; ++i) {
        loadObjModel(ModelTable[i], (dataSet / files[i]).c_str());
    }
    return "data set";
}

inline void fillSceneTables() {
    resetDemoRand();
    destroyParticleCloud(createParticleCloud(400, {5, 5, 5}, {0, 0, 0}));
    fillPointTables();
}

inline void initialiseScenesLikeStartUp() {
    fillSceneTables();
    setUpSceneGlState();
    if (sharedQuadric == nullptr) {
        sharedQuadric = gluNewQuadric();
        gluQuadricNormals(sharedQuadric, GLU_SMOOTH);
        gluQuadricTexture(sharedQuadric, GL_TRUE);
    }
}

// The scene the timeline shows at t, drawn as the frame composer draws it.
inline void drawScheduledScene(float t) {
    if (const SceneEntry* scene = sceneAt(t)) {
        drawScene(*scene, t);
    }
}
