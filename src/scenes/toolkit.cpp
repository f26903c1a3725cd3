#include "scenes/toolkit.h"

#include <cmath>

#include "gfx/billboard.h"
#include "gfx/gl.h"
#include "gfx/textures.h"

namespace {
uint32_t randState = 1;

float tableComponent() {
    return static_cast<float>(demoRand() % 100 - 50) * 0.2f;
}

void fillTable(Vec3* table, int size) {
    for (int i = 0; i < size; ++i) {
        table[i].x = tableComponent();
        table[i].y = tableComponent();
        table[i].z = tableComponent();
    }
}
} // namespace

Vec3 PhaseTable[kPhaseTableSize];
Vec3 ShadowPoints[kShadowPointsSize];
Vec3 BubblePoints[kBubblePointsSize];
Vec3 GlowPoints[kGlowPointsSize];

int demoRand() {
    randState = randState * 214013u + 2531011u;
    return static_cast<int>((randState >> 16) & 0x7FFFu);
}

void resetDemoRand() {
    randState = 1;
}

Vec3* vec3RandomInBox(Vec3 box) {
    Vec3* v = new Vec3;
    v->x = static_cast<float>(demoRand() % 2000 - 1000) * box.x * 0.001f;
    v->y = static_cast<float>(demoRand() % 2000 - 1000) * box.y * 0.001f;
    v->z = static_cast<float>(demoRand() % 2000 - 1000) * box.z * 0.001f;
    return v;
}

ParticleCloud* createParticleCloud(int32_t count, Vec3 box, Vec3 origin) {
    auto* cloud = new ParticleCloud;
    cloud->count = count;
    cloud->origin = origin;
    cloud->box = box;
    cloud->points = new Vec3*[count > 0 ? count : 0];
    for (int32_t i = 0; i < count; ++i) {
        cloud->points[i] = vec3RandomInBox(box);
    }
    return cloud;
}

void destroyParticleCloud(ParticleCloud* cloud) {
    if (cloud == nullptr) {
        return;
    }
    for (int32_t i = 0; i < cloud->count; ++i) {
        delete cloud->points[i];
    }
    delete[] cloud->points;
    delete cloud;
}

void fillPointTables() {
    fillTable(PhaseTable, kPhaseTableSize);
    fillTable(ShadowPoints, kShadowPointsSize);
    fillTable(BubblePoints, kBubblePointsSize);
    fillTable(GlowPoints, kGlowPointsSize);
}

float bubbleSpriteHalfSize(int i) {
    return static_cast<float>(0.03 + 0.1 * std::sin(i));
}
float glowSpriteHalfSize(int i) {
    return static_cast<float>(0.025 + 0.15 * std::sin(3000 + i));
}
float shadowSpriteHalfSize(int i) {
    return static_cast<float>(0.04 + 0.05 * std::sin(i));
}

void drawSpriteField() {
    glPushMatrix();
    glEnable(GL_TEXTURE_2D);
    glDepthMask(GL_FALSE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);

    // Bubbles and glows add their colour weighted by alpha: a fragment of alpha 0 adds
    // nothing.
    beginDroppingAlphaZero();
    bindTableTexture(kBubbleTexture);
    beginUnmodulatedTexels();
    beginBillboards();
    for (int i = 0; i < 800; ++i) {
        addBillboard(BubblePoints[i], bubbleSpriteHalfSize(i));
    }
    endBillboards();
    endUnmodulatedTexels();

    glColor4f(1.0f, 1.0f, 1.0f, 0.1f);
    bindTableTexture(kGlowTexture);
    beginBillboards();
    for (int i = 0; i < 1000; ++i) {
        addBillboard(GlowPoints[i], glowSpriteHalfSize(i));
    }
    endBillboards();
    endDroppingAlphaZero();

    // The shadows multiply the picture: their white texels would leave it as it is.
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    beginWhiteKeyedSprites(kShadowTexture);
    beginUnmodulatedTexels();
    beginBillboards();
    for (int i = 0; i < 400; ++i) {
        addBillboard(ShadowPoints[i], shadowSpriteHalfSize(i));
    }
    endBillboards();
    endUnmodulatedTexels();
    endWhiteKeyedSprites();

    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glPopMatrix();
}
