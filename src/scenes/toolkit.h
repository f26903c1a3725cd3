// The scene toolkit: the one random generator, the random point tables filled at
// start-up, and the three-layer sprite field most scenes draw last.
#pragma once

#include <cstdint>

#include "gfx/vec3.h"

// state = state * 214013 + 2531011; returns (state >> 16) & 0x7FFF. Starts at 1.
int demoRand();
// Puts the generator back to its starting state (tests and repeated start-ups only).
void resetDemoRand();

struct ParticleCloud {
    int32_t count;
    Vec3 origin;
    Vec3 box;
    Vec3** points;
};

// Three draws, x then y then z: (r mod 2000 - 1000) * box * 0.001 each.
Vec3* vec3RandomInBox(Vec3 box);
ParticleCloud* createParticleCloud(int32_t count, Vec3 box, Vec3 origin);
// The demo keeps its cloud for the whole run; tools and tests give theirs back.
void destroyParticleCloud(ParticleCloud* cloud);

inline constexpr int kPhaseTableSize = 2000;
inline constexpr int kShadowPointsSize = 2000;
inline constexpr int kBubblePointsSize = 3000;
inline constexpr int kGlowPointsSize = 3000;

extern Vec3 PhaseTable[kPhaseTableSize];
extern Vec3 ShadowPoints[kShadowPointsSize];
extern Vec3 BubblePoints[kBubblePointsSize];
extern Vec3 GlowPoints[kGlowPointsSize];

// Fills the four tables in order, each component (r mod 100 - 50) * 0.2f.
void fillPointTables();

// Texture slots the sprite field binds.
inline constexpr int kBubbleTexture = 8;
inline constexpr int kGlowTexture = 14;
inline constexpr int kShadowTexture = 9;

// Half-sizes of sprite i in each layer (fixed per sprite, never animated).
float bubbleSpriteHalfSize(int i);
float glowSpriteHalfSize(int i);
float shadowSpriteHalfSize(int i);

// Three billboard layers in the current modelview space: 800 bubbles (added, caller's
// colour), 1000 glows (added, alpha 0.1), 400 shadows (multiplied). Leaves texturing
// on, blending off, depth writes on, colour white, blend (DST_COLOR, ZERO).
void drawSpriteField();
