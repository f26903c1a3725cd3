// PNG files decoded for use as textures, on libpng: no GL here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A PNG decoded the way the demo's textures need it: 8 bits per channel, grey and palette
// expanded to RGB, RGBA only where the file has alpha, gamma corrected, top row first,
// resampled (nearest) to power-of-two sides no larger than maxSide.
struct DecodedImage {
    int width = 0;
    int height = 0;
    int channels = 0; // 3 or 4
    std::vector<uint8_t> pixels;
};

// Files larger than this are refused from their header, before any pixel memory is taken.
inline constexpr int kMaxPngSide = 16384;
inline constexpr int64_t kMaxPngPixels = int64_t{1} << 26;

// Screen gamma: 2.2, or 2.2 / VIEWING_GAMMA when that variable holds a positive number.
// Read again at each call.
double screenGamma();
// The same rule for a given VIEWING_GAMMA value (null: unset). Values that are not a
// number, not positive, or give a screen gamma outside [0.01, 100] leave it at 2.2.
double screenGammaFor(const char* viewingGamma);
// File gamma assumed for a PNG without a gAMA chunk.
inline constexpr double kDefaultFileGamma = 1.0 / 2.2;

// The texture side for an image side: the next power of two, at most the largest power of
// two not above maxSide.
int textureSide(int side, int maxSide);

// Nearest-neighbour resampling to width x height (each target pixel takes the source pixel
// under its centre).
DecodedImage resampleNearest(const DecodedImage& image, int width, int height);

// The next mipmap level of a power-of-two image: half each side (at least 1), each texel the
// rounded mean of the 2 x 2 (or 2 x 1) block it covers.
DecodedImage halveImage(const DecodedImage& image);

// False, with no message, for a missing, broken or absurdly large file.
bool decodePngTexture(const char* path, int maxSide, DecodedImage& image);
bool decodePngTextureFromMemory(const uint8_t* data, size_t size, int maxSide, DecodedImage& image);
