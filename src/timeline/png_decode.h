// PNG files decoded for use as textures, on libpng: no GL here.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
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
// How screenGammaFor reads its number: the whole text as one number in the form that
// std::from_chars reads by default. An optional '-' (no '+', no spaces), digits with an
// optional '.' and at least one digit, an optional exponent ('e' or 'E', an optional sign,
// digits); or "inf", "infinity", "nan", "nan(...)" of letters, digits and '_', in any case.
// The decimal point is '.' whatever the C locale says. False, value left as it was, for any
// other text and for a finite number too large for a double or so small that it rounds to
// zero (std::from_chars's result_out_of_range). std::from_chars itself has no double in
// every standard library the demo is built with.
bool parseDouble(std::string_view text, double& value);
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
