#include "scenes/helix_tunnel.h"

#include <cmath>

#include "gfx/billboard.h"
#include "gfx/gl.h"
#include "gfx/textures.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

Vec3 tunnelSpriteCentre(int i, float t) {
    const auto angle = static_cast<double>(i);
    const auto ringX = static_cast<float>(5.0 * std::cos(angle));
    const auto ringY = static_cast<float>(5.0 * std::sin(angle));
    const auto depth = static_cast<float>(0.1 * angle);
    const double sway = std::sin(static_cast<double>(0.05f) * t + PhaseTable[i].x);
    return {static_cast<float>(ringX + 0.5 * sway), ringY, depth};
}

float tunnelSpriteHalfSize(int i, float t) {
    return static_cast<float>(0.1 * std::sin(static_cast<double>(t) + PhaseTable[i].z) +
                              static_cast<double>(0.8f));
}

float tunnelTranslationZ(float t) {
    return static_cast<float>((t - 267.0f) * 0.5 - 90.0);
}

void drawHelixTunnelScene(float t) {
    // No camera of its own: the viewer sits on the helix axis looking down -z.
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, tunnelTranslationZ(t));

    // The colour is the white the passes before leave.
    glEnable(GL_BLEND);
    glEnable(GL_TEXTURE_2D);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    bindTableTexture(kTunnelTexture);
    glDepthMask(GL_FALSE);
    // A fragment of alpha 0 adds nothing.
    beginDroppingAlphaZero();
    beginUnmodulatedTexels();
    beginBillboards();
    for (int i = 0; i < kTunnelSprites; ++i) {
        addBillboard(tunnelSpriteCentre(i, t), tunnelSpriteHalfSize(i, t));
    }
    endBillboards();
    endUnmodulatedTexels();
    endDroppingAlphaZero();
    glDepthMask(GL_TRUE);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
}
