// Float canvases and tileable noise for the procedural textures.
#pragma once

#include <cstdint>
#include <vector>

#include "image_io.h"

namespace assetgen {

struct Rgb {
    double r = 0;
    double g = 0;
    double b = 0;
};

inline Rgb operator+(Rgb a, Rgb b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}
inline Rgb operator*(Rgb a, double s) {
    return {a.r * s, a.g * s, a.b * s};
}
inline Rgb operator*(Rgb a, Rgb b) {
    return {a.r * b.r, a.g * b.g, a.b * b.b};
}
Rgb lerp(Rgb a, Rgb b, double t);
// Piecewise-linear colour ramp through stops at positions 0..1 (positions ascending).
struct RampStop {
    double at;
    Rgb color;
};
Rgb ramp(const std::vector<RampStop>& stops, double t);

// Four float channels per pixel, rows top first, values nominally 0..1.
struct Canvas {
    Canvas(int w, int h) : width(w), height(h), data(static_cast<size_t>(w) * h * 4, 0.0f) {}
    int width;
    int height;
    std::vector<float> data;
    float* at(int x, int y) { return &data[(static_cast<size_t>(y) * width + x) * 4]; }
    const float* at(int x, int y) const { return &data[(static_cast<size_t>(y) * width + x) * 4]; }
    void set(int x, int y, Rgb c, double a = 1.0);
};

uint8_t toByte(double v);
// Converts to the byte layout of the colour type (Grey takes the mean of r, g, b).
PngImage toPng(const Canvas& canvas, PngColor color);
// Palette image: each pixel's r channel (0..1) picks one of the palette's entries.
PngImage toPalettePng(const Canvas& canvas, const std::vector<Rgb>& palette);
// Separable box blur of the alpha channel, wrapping at the edges when wrap is set (else the
// edge pixels repeat).
void boxBlurAlpha(Canvas& canvas, int radius, bool wrap);

// Gradient noise with integer periods in both axes (tileable), result about -1..1.
double periodicNoise(double x, double y, int periodX, int periodY, uint32_t seed);
// Fractal sum of periodicNoise; the period doubles with each octave.
double periodicFbm(double x, double y, int periodX, int periodY, int octaves, uint32_t seed);

// Distances to the nearest and second nearest feature point of a tileable cell grid.
struct CellDistances {
    double f1;
    double f2;
    uint32_t id;
};
CellDistances periodicCells(double x, double y, int cellsX, int cellsY, uint32_t seed);

} // namespace assetgen
