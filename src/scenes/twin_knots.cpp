#include "scenes/twin_knots.h"

#include <cmath>
#include <utility>
#include <vector>

#include "gfx/billboard.h"
#include "gfx/gl.h"
#include "gfx/gl_compat.h"
#include "gfx/multitexture.h"
#include "gfx/textures.h"
#include "scenes/scenes.h"
#include "scenes/toolkit.h"

namespace {

// The nearest double to 3.14 / 30: deliberately not pi / 30.
constexpr double kKnotStep = 0.10466666666666667;

float knotHalfSize(int i, float t, float rate, float amplitude, float base) {
    const double b = static_cast<double>(rate) * t + static_cast<double>(static_cast<float>(i));
    return static_cast<float>((std::sin(b) + std::cos(b)) * amplitude + base);
}

static_assert(kSecondKnotPoints <= kBillboardStore);

// Both textures on two units: the second unit hands on the glow where the colour's alpha is
// 1 and the mask (from the first unit) where it is 0, so each draw of a pair only changes the
// colour and the blend, not the bound texture.
void beginPairedTextures() {
    bindTableTexture(kKnotMaskTexture);
    multitexture.activeTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(kKnotGlowTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_INTERPOLATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_PRIMARY_COLOR);
    multitexture.activeTexture(GL_TEXTURE0);
    multitexture.clientActiveTexture(GL_TEXTURE1);
    beginQueuedDraws();
    multitexture.clientActiveTexture(GL_TEXTURE0);
    beginQueuedDraws();
}

// Leaves what the one-unit drawing leaves: the glow texture bound on the first unit.
void endPairedTextures() {
    multitexture.clientActiveTexture(GL_TEXTURE1);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    multitexture.clientActiveTexture(GL_TEXTURE0);
    multitexture.activeTexture(GL_TEXTURE1);
    glTexEnvi(GL_TEXTURE_ENV, GL_SOURCE2_RGB, GL_CONSTANT);
    glTexEnvi(GL_TEXTURE_ENV, GL_COMBINE_RGB, GL_MODULATE);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    multitexture.activeTexture(GL_TEXTURE0);
    bindTableTexture(kKnotGlowTexture);
}

// Draws the queued billboards shown[first .. first + count - 1], each quad in a call of its
// own (quads drawn together may be split into triangles the other way, and round their
// texture coordinates differently).
void drawShown(const std::vector<int>& shown, int first, int count) {
    for (int k = first; k < first + count; ++k) {
        drawQueuedBillboard(shown[static_cast<std::size_t>(k)]);
    }
}

// Each point is drawn twice: the mask multiplies the picture, then the glow adds to it. The
// corners of all points are worked out first, under the one modelview matrix. Points whose
// quads share no pixel are drawn run by run, all masks then all glows: every pixel gets the
// same mask and glow in the same order, with far fewer changes between the two (a software
// renderer keeps a copy of its state for every change until the frame is done).
void drawKnot(int count, float scale, float (*halfSize)(int, float), float t) {
    beginBillboards();
    for (int i = 0; i < count; ++i) {
        addBillboard(knotPoint(i, scale), halfSize(i, t));
    }
    // A pair wholly outside the view volume draws nothing; skipping it saves its state changes.
    double clip[16];
    queuedClipMatrix(clip);
    int viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    std::vector<int> shown;
    std::vector<WindowBox> boxes;
    for (int i = 0; i < count; ++i) {
        if (!queuedBillboardOutsideView(i, clip)) {
            shown.push_back(i);
            boxes.push_back(queuedBillboardWindowBox(i, clip, viewport));
        }
    }
    const std::vector<std::pair<int, int>> runs = disjointRuns(boxes);
    if (multitexture.available()) {
        beginPairedTextures();
        for (const auto& [first, length] : runs) {
            glColor4f(1.0f, 1.0f, 1.0f, 0.0f);
            glBlendFunc(GL_DST_COLOR, GL_ZERO);
            drawShown(shown, first, length);
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            glBlendFunc(GL_ONE, GL_ONE);
            drawShown(shown, first, length);
        }
        // As the last pair leaves it.
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glBlendFunc(GL_ONE, GL_ONE);
        endQueuedDraws();
        endPairedTextures();
        return;
    }
    beginQueuedDraws();
    for (const auto& [first, length] : runs) {
        bindTableTexture(kKnotMaskTexture);
        glBlendFunc(GL_DST_COLOR, GL_ZERO);
        drawShown(shown, first, length);
        bindTableTexture(kKnotGlowTexture);
        glBlendFunc(GL_ONE, GL_ONE);
        drawShown(shown, first, length);
    }
    bindTableTexture(kKnotGlowTexture);
    glBlendFunc(GL_ONE, GL_ONE);
    endQueuedDraws();
}

} // namespace

Vec3 knotPoint(int i, float k) {
    const double w = i * kKnotStep;
    const auto w4 = static_cast<double>(static_cast<float>(4.0 * w));
    const double x =
        10.0 * (4.0 * (std::cos(w) + std::cos(3.0 * w)) + std::cos(2.0 * w) + std::cos(w4));
    const double y = 6.0 * (6.0 * std::sin(w) + 10.0 * std::sin(3.0 * w));
    const double z = 10.0 * (3.0 * std::sin(3.0 * w) * std::sin(2.5 * w) + 4.0 * std::sin(w4) -
                             2.0 * std::sin(6.0 * w));
    return {static_cast<float>(x * k), static_cast<float>(y * k), static_cast<float>(z * k)};
}

float firstKnotHalfSize(int i, float t) {
    return knotHalfSize(i, t, 0.5f, 0.2f, 0.6f);
}

float secondKnotHalfSize(int i, float t) {
    return knotHalfSize(i, t, 0.33333334f, 0.3f, 0.9f);
}

Vec3 twinKnotsEye(float t) {
    const float u = t - 100.0f;
    const auto a = static_cast<double>(static_cast<float>(0.02 * u));
    return {static_cast<float>(3.0 * std::cos(a)),
            static_cast<float>(3.0 * std::sin(0.0125 * u) + 2.0),
            static_cast<float>(4.0 * std::sin(a))};
}

void drawTwinKnotsScene(float t) {
    glLoadIdentity();
    const Vec3 eye = twinKnotsEye(t);
    lookAt(eye.x, eye.y, eye.z, 0.0, 0.0, 0.0, 0.0, 1.0, 1.0);

    glColor3f(1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);

    drawKnot(kFirstKnotPoints, kFirstKnotScale, firstKnotHalfSize, t);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(30.0f, 0.0f, 1.0f, 0.0f);
    drawKnot(kSecondKnotPoints, kSecondKnotScale, secondKnotHalfSize, t);

    glDepthMask(GL_TRUE);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    drawSpriteField();
}
