#include "scenes/fire_helix.h"

#include <cmath>

#include "gfx/billboard.h"
#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/textures.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace {
constexpr Vec3 kStrandA{3.5f, 0.0f, 0.0f};
constexpr Vec3 kStrandB{-3.5f, 0.0f, 0.0f};
} // namespace

Vec3 fireHelixEye(float t) {
    const float u = t - 125.0f;
    const auto a = static_cast<double>(static_cast<float>(u * 0.02));
    return {static_cast<float>(13.0 * std::cos(a)), static_cast<float>(10.0 * std::sin(0.025 * u)),
            static_cast<float>(13.0 * std::sin(a))};
}

FireSprite fireHelixSprite(int step, int strand, float t) {
    const auto i = static_cast<double>(step);
    FireSprite sprite;
    sprite.turnDegrees = static_cast<float>(10 * step);
    const auto height = static_cast<float>(0.125 * i - 40.0);
    sprite.halfSize = static_cast<float>(0.5 + 0.05 * std::cos(i));
    // The pulse phase stays in double precision; only its factor is single precision.
    const double pulse = static_cast<double>(0.2f) * t + i;
    Vec3 centre = vec3Add(Vec3{0.0f, height, 0.0f}, strand == 0 ? kStrandA : kStrandB);
    centre.y = static_cast<float>(centre.y + 0.2 * std::sin(pulse));
    centre.x =
        static_cast<float>(centre.x + 0.5 * std::sin(static_cast<double>(0.16666667f) * t + i));
    sprite.centre = centre;
    sprite.alpha = static_cast<float>(static_cast<double>(0.7f) - 2.0 * std::sin(pulse));
    return sprite;
}

void drawFireHelixScene(float t) {
    glLoadIdentity();
    const Vec3 eye = fireHelixEye(t);
    lookAt(eye.x, eye.y, eye.z, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0);

    glEnable(GL_TEXTURE_2D);
    bindTableTexture(kFireHelixTexture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDepthMask(GL_FALSE);
    // A fragment of alpha 0 adds nothing.
    beginDroppingAlphaZero();

    for (int step = 0; step < kFireHelixSteps; ++step) {
        for (int strand = 0; strand < kFireHelixStrands; ++strand) {
            const FireSprite sprite = fireHelixSprite(step, strand, t);
            // The colour's alpha clamps to 0 there: the sprite would add nothing.
            if (sprite.alpha <= 0.0f) {
                continue;
            }
            glPushMatrix();
            glRotatef(sprite.turnDegrees, 0.0f, 1.0f, 0.0f);
            // One wholly outside the view volume draws nothing either.
            if (!billboardOutsideView(sprite.centre, sprite.halfSize)) {
                glColor4f(1.0f, 1.0f, 1.0f, sprite.alpha);
                drawBillboard(sprite.centre, sprite.halfSize);
            }
            glPopMatrix();
        }
    }

    endDroppingAlphaZero();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    drawSpriteField();
}
