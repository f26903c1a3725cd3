#include "raster.h"

#include <algorithm>
#include <cmath>

#include "detmath.h"

namespace assetgen {

Rgb lerp(Rgb a, Rgb b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb ramp(const std::vector<RampStop>& stops, double t) {
    if (t <= stops.front().at) {
        return stops.front().color;
    }
    for (size_t i = 1; i < stops.size(); ++i) {
        if (t <= stops[i].at) {
            double span = stops[i].at - stops[i - 1].at;
            return lerp(stops[i - 1].color, stops[i].color, (t - stops[i - 1].at) / span);
        }
    }
    return stops.back().color;
}

void Canvas::set(int x, int y, Rgb c, double a) {
    float* p = at(x, y);
    p[0] = static_cast<float>(c.r);
    p[1] = static_cast<float>(c.g);
    p[2] = static_cast<float>(c.b);
    p[3] = static_cast<float>(a);
}

uint8_t toByte(double v) {
    if (!(v > 0.0)) {
        return 0;
    }
    if (v >= 1.0) {
        return 255;
    }
    return static_cast<uint8_t>(std::floor(v * 255.0 + 0.5));
}

PngImage toPng(const Canvas& canvas, PngColor color) {
    PngImage image;
    image.width = canvas.width;
    image.height = canvas.height;
    image.color = color;
    const int channels = pngChannels(color);
    image.pixels.reserve(static_cast<size_t>(canvas.width) * canvas.height * channels);
    for (int y = 0; y < canvas.height; ++y) {
        for (int x = 0; x < canvas.width; ++x) {
            const float* p = canvas.at(x, y);
            double grey = (static_cast<double>(p[0]) + p[1] + p[2]) / 3.0;
            switch (color) {
            case PngColor::Grey:
                image.pixels.push_back(toByte(grey));
                break;
            case PngColor::GreyAlpha:
                image.pixels.push_back(toByte(grey));
                image.pixels.push_back(toByte(p[3]));
                break;
            case PngColor::Rgb:
            case PngColor::Rgba:
                image.pixels.push_back(toByte(p[0]));
                image.pixels.push_back(toByte(p[1]));
                image.pixels.push_back(toByte(p[2]));
                if (color == PngColor::Rgba) {
                    image.pixels.push_back(toByte(p[3]));
                }
                break;
            case PngColor::Palette:
                image.pixels.push_back(toByte(p[0]));
                break;
            }
        }
    }
    return image;
}

PngImage toPalettePng(const Canvas& canvas, const std::vector<Rgb>& palette) {
    PngImage image = toPng(canvas, PngColor::Palette);
    const int last = static_cast<int>(palette.size()) - 1;
    for (uint8_t& index : image.pixels) {
        index = static_cast<uint8_t>((index * last + 127) / 255);
    }
    for (const Rgb& c : palette) {
        image.palette.push_back({toByte(c.r), toByte(c.g), toByte(c.b)});
    }
    return image;
}

void boxBlurAlpha(Canvas& canvas, int radius, bool wrap) {
    // Rows first, then columns; the columns are summed a whole row at a time, which keeps
    // large canvases in the cache. Each output adds its 2 * radius + 1 inputs in order.
    const int w = canvas.width;
    const int h = canvas.height;
    const double taps = 2 * radius + 1;
    auto source = [&](int j, int length) {
        if (wrap) {
            return ((j % length) + length) % length;
        }
        return j < 0 ? 0 : (j >= length ? length - 1 : j);
    };
    std::vector<float> rows(static_cast<size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double sum = 0;
            for (int d = -radius; d <= radius; ++d) {
                sum += canvas.at(source(x + d, w), y)[3];
            }
            rows[static_cast<size_t>(y) * w + x] = static_cast<float>(sum / taps);
        }
    }
    std::vector<double> sums(static_cast<size_t>(w));
    for (int y = 0; y < h; ++y) {
        std::fill(sums.begin(), sums.end(), 0.0);
        for (int d = -radius; d <= radius; ++d) {
            const float* row = &rows[static_cast<size_t>(source(y + d, h)) * w];
            for (int x = 0; x < w; ++x) {
                sums[x] += row[x];
            }
        }
        for (int x = 0; x < w; ++x) {
            canvas.at(x, y)[3] = static_cast<float>(sums[x] / taps);
        }
    }
}

namespace {

double fade(double t) {
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

double gradientDot(int ix, int iy, double dx, double dy, uint32_t seed) {
    uint32_t h = dm::hash32(static_cast<uint32_t>(ix) * 73856093U ^
                            static_cast<uint32_t>(iy) * 19349663U ^ seed * 83492791U);
    // Sixteen unit directions.
    static const double kDirs[16][2] = {
        {1.0, 0.0},  {0.92388, 0.38268},   {0.70711, 0.70711},   {0.38268, 0.92388},
        {0.0, 1.0},  {-0.38268, 0.92388},  {-0.70711, 0.70711},  {-0.92388, 0.38268},
        {-1.0, 0.0}, {-0.92388, -0.38268}, {-0.70711, -0.70711}, {-0.38268, -0.92388},
        {0.0, -1.0}, {0.38268, -0.92388},  {0.70711, -0.70711},  {0.92388, -0.38268}};
    const double* g = kDirs[h & 15];
    return g[0] * dx + g[1] * dy;
}

int wrapIndex(int i, int period) {
    return ((i % period) + period) % period;
}

} // namespace

double periodicNoise(double x, double y, int periodX, int periodY, uint32_t seed) {
    double fx = std::floor(x);
    double fy = std::floor(y);
    int ix = static_cast<int>(fx);
    int iy = static_cast<int>(fy);
    double dx = x - fx;
    double dy = y - fy;
    int x0 = wrapIndex(ix, periodX);
    int x1 = wrapIndex(ix + 1, periodX);
    int y0 = wrapIndex(iy, periodY);
    int y1 = wrapIndex(iy + 1, periodY);
    double n00 = gradientDot(x0, y0, dx, dy, seed);
    double n10 = gradientDot(x1, y0, dx - 1.0, dy, seed);
    double n01 = gradientDot(x0, y1, dx, dy - 1.0, seed);
    double n11 = gradientDot(x1, y1, dx - 1.0, dy - 1.0, seed);
    double u = fade(dx);
    double v = fade(dy);
    double a = n00 + (n10 - n00) * u;
    double b = n01 + (n11 - n01) * u;
    return (a + (b - a) * v) * 1.41421356;
}

double periodicFbm(double x, double y, int periodX, int periodY, int octaves, uint32_t seed) {
    double sum = 0.0;
    double amplitude = 0.5;
    double norm = 0.0;
    for (int o = 0; o < octaves; ++o) {
        sum += amplitude * periodicNoise(x, y, periodX, periodY, seed + o * 1013U);
        norm += amplitude;
        x *= 2.0;
        y *= 2.0;
        periodX *= 2;
        periodY *= 2;
        amplitude *= 0.5;
    }
    return sum / norm;
}

CellDistances periodicCells(double x, double y, int cellsX, int cellsY, uint32_t seed) {
    double fx = std::floor(x);
    double fy = std::floor(y);
    int ix = static_cast<int>(fx);
    int iy = static_cast<int>(fy);
    CellDistances out{1e9, 1e9, 0};
    for (int oy = -1; oy <= 1; ++oy) {
        for (int ox = -1; ox <= 1; ++ox) {
            int cx = wrapIndex(ix + ox, cellsX);
            int cy = wrapIndex(iy + oy, cellsY);
            uint32_t h = dm::hash32(static_cast<uint32_t>(cx) * 2246822519U ^
                                    static_cast<uint32_t>(cy) * 3266489917U ^ seed);
            double px = (ix + ox) + 0.1 + 0.8 * ((h & 0xFFFF) / 65535.0);
            double py = (iy + oy) + 0.1 + 0.8 * ((h >> 16) / 65535.0);
            double ddx = px - x;
            double ddy = py - y;
            double d = std::sqrt(ddx * ddx + ddy * ddy);
            if (d < out.f1) {
                out.f2 = out.f1;
                out.f1 = d;
                out.id = h;
            } else if (d < out.f2) {
                out.f2 = d;
            }
        }
    }
    return out;
}

} // namespace assetgen
