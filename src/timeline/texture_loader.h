// PNG files to GL textures, on libpng.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gl.h"

// A PNG decoded the way the demo's textures need it: 8 bits per channel, grey and palette
// expanded to RGB, RGBA only where the file has alpha, gamma corrected, top row first,
// resampled (nearest) to power-of-two sides no larger than maxSide.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0; // 3 or 4
    std::vector<uint8_t> pixels;
};

// Screen gamma: 2.2, or 2.2 / VIEWING_GAMMA when that variable holds a positive number.
double screenGamma();

// False, with no message, for a missing, broken or absurdly large file.
bool decodePngTexture(const char* path, int maxSide, DecodedImage& image);

// One PNG file to a new GL texture (left bound): GL_REPEAT, GL_NEAREST filters and the
// whole mipmap chain. 0, with no message, when the file is missing or not a valid PNG.
GLuint loadTexture(const char* path);
