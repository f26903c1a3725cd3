// GL set-up shared by the sprite scenes' render tests and benchmark: the program's fixed
// state, the shared quadric, the point tables and small made-up textures in the slots
// the scenes and the sprite field bind.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "gfx/gl.h"
#include "gfx/textures.h"
#include "scenes/toolkit.h"

namespace sprite_scenes_gl {

inline constexpr int kSceneSize = 512;

// What start-up does before the first frame, in the parts the scenes rely on.
inline void initialiseLikeStartUp() {
    resetDemoRand();
    destroyParticleCloud(createParticleCloud(400, {5, 5, 5}, {0, 0, 0}));
    fillPointTables();

    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    if (sharedQuadric == nullptr) {
        sharedQuadric = gluNewQuadric();
        gluQuadricNormals(sharedQuadric, GLU_SMOOTH);
        gluQuadricTexture(sharedQuadric, GL_TRUE);
    }
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 800.0 / 600.0, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// A 32 x 32 texture from a function of the distance to its centre (0 there, 1 at the
// middle of an edge) and the angle around it; returns the GL name.
template <typename Texel> GLuint makeTexture(Texel texel) {
    constexpr int size = 32;
    std::vector<uint8_t> rgba(size * size * 4);
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const float dx = (x + 0.5f - size / 2.0f) / (size / 2.0f);
            const float dy = (y + 0.5f - size / 2.0f) / (size / 2.0f);
            float out[4] = {0, 0, 0, 0};
            texel(std::sqrt(dx * dx + dy * dy), std::atan2(dy, dx), out);
            for (int k = 0; k < 4; ++k) {
                rgba[(y * size + x) * 4 + k] =
                    static_cast<uint8_t>(std::clamp(out[k], 0.0f, 1.0f) * 255.0f + 0.5f);
            }
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

// A round glow of the given colour, its alpha falling to 0 at the rim.
inline GLuint makeGlow(float r, float g, float b) {
    return makeTexture([=](float d, float, float* out) {
        const float f = std::max(0.0f, 1.0f - d);
        out[0] = r * f;
        out[1] = g * f;
        out[2] = b * f;
        out[3] = f;
    });
}

// A mask for multiplying: white at the rim, grey in the middle.
inline GLuint makeMask() {
    return makeTexture([](float d, float, float* out) {
        const float v = std::min(1.0f, 0.4f + 0.6f * d);
        out[0] = out[1] = out[2] = v;
        out[3] = 1.0f;
    });
}

// Coloured spokes, for the twirl plate and the mirror's environment.
inline GLuint makeSpokes() {
    return makeTexture([](float d, float angle, float* out) {
        const float s = 0.5f + 0.5f * std::sin(6.0f * angle + 4.0f * d);
        out[0] = s;
        out[1] = 0.6f * (1.0f - s);
        out[2] = 0.3f + 0.7f * d * s;
        out[3] = 1.0f;
    });
}

// Fills every slot the four sprite scenes and the sprite field bind. The tunnel's glow
// (slot 24) is pure red, so a picture drawn with it alone has no green or blue.
inline void fillTextureSlots() {
    TextureTable[2] = makeGlow(1.0f, 0.6f, 0.2f);  // fire
    TextureTable[5] = makeSpokes();                // twirl plate
    TextureTable[8] = makeGlow(0.6f, 0.8f, 1.0f);  // bubble
    TextureTable[9] = makeMask();                  // sprite-field shadow
    TextureTable[14] = makeGlow(1.0f, 1.0f, 1.0f); // sprite-field glow
    TextureTable[20] = makeSpokes();               // environment
    TextureTable[23] = makeMask();                 // knot mask
    TextureTable[24] = makeGlow(1.0f, 0.0f, 0.0f); // knot glow, tunnel
}

// The state the frame composer leaves before a scene: a cleared 512 square, texturing and
// blending off, opaque white, modelview current.
inline void beginSceneFrame() {
    glViewport(0, 0, kSceneSize, kSceneSize);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glColor4f(1, 1, 1, 1);
    glMatrixMode(GL_MODELVIEW);
}

} // namespace sprite_scenes_gl
