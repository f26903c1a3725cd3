#include "textures.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <string>

#include "detmath.h"
#include "raster.h"
#include "text_render.h"

namespace assetgen {

namespace {

using dm::clamp;
using dm::smoothstep;

struct Dir {
    double x, y, z;
};

Dir normalize(Dir d) {
    double len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / len, d.y / len, d.z / len};
}

double dot(Dir a, Dir b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Evaluates f at every pixel centre with u, v in [0, 1) (v = 0 at the top row).
template <typename F> void paint(Canvas& canvas, F f) {
    for (int y = 0; y < canvas.height; ++y) {
        double v = (y + 0.5) / canvas.height;
        for (int x = 0; x < canvas.width; ++x) {
            double u = (x + 0.5) / canvas.width;
            f(x, y, u, v);
        }
    }
}

// --- backgrounds -----------------------------------------------------------------------------

// Sunlight through a rippled surface: two warped cell webs whose thin edges are bright.
Canvas caustics(int size, uint32_t seed, const std::vector<RampStop>& colors) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double u, double v) {
        double wx = u + 0.035 * periodicFbm(u * 3, v * 3, 3, 3, 3, seed + 1);
        double wy = v + 0.035 * periodicFbm(u * 3, v * 3, 3, 3, 3, seed + 2);
        CellDistances a = periodicCells(wx * 5, wy * 5, 5, 5, seed + 3);
        CellDistances b = periodicCells(wy * 8 + 0.3, wx * 8 + 0.7, 8, 8, seed + 4);
        double lineA = dm::pow(clamp(1.0 - (a.f2 - a.f1) / 0.32, 0.0, 1.0), 4.0);
        double lineB = dm::pow(clamp(1.0 - (b.f2 - b.f1) / 0.30, 0.0, 1.0), 5.0);
        double shade = 0.5 + 0.5 * periodicFbm(u * 2, v * 2, 2, 2, 4, seed + 5);
        double value = 0.10 + 0.22 * shade + 0.55 * lineA + 0.35 * lineB + 0.5 * lineA * lineB;
        canvas.set(x, y, ramp(colors, clamp(value, 0.0, 1.0)));
    });
    return canvas;
}

// Living tissue: cells with glowing membranes and nuclei, tileable in both directions so the
// opening backdrop can scroll forever.
Canvas tissue(int width, int height, uint32_t seed) {
    Canvas canvas(width, height);
    const int cellsX = 5;
    const int cellsY = cellsX * height / width;
    const double ratio = static_cast<double>(height) / width;
    paint(canvas, [&](int x, int y, double u, double v) {
        double vy = v * ratio;
        int py = static_cast<int>(ratio);
        double wx = u + 0.06 * periodicFbm(u * 3, vy * 3, 3, 3 * py, 4, seed + 1);
        double wy = vy + 0.06 * periodicFbm(u * 3, vy * 3, 3, 3 * py, 4, seed + 2);
        CellDistances c = periodicCells(wx * cellsX, wy * cellsX, cellsX, cellsY, seed + 3);
        double membrane = dm::pow(clamp(1.0 - (c.f2 - c.f1) / 0.14, 0.0, 1.0), 2.0);
        double interior = smoothstep(0.75, 0.05, c.f1);
        double nucleus = smoothstep(0.17, 0.07, c.f1);
        double grain = 0.5 + 0.5 * periodicFbm(u * 8, vy * 8, 8, 8 * py, 4, seed + 4);
        double ridge = periodicFbm(u * 4 + 0.5, vy * 4, 4, 4 * py, 5, seed + 5);
        double vein = dm::pow(clamp(1.0 - std::fabs(ridge) * 5.0, 0.0, 1.0), 6.0);
        double hue = (c.id & 255) / 255.0;
        Rgb cell = lerp({0.06, 0.30, 0.10}, {0.22, 0.34, 0.05}, hue);
        Rgb color = Rgb{0.01, 0.04, 0.03} + cell * (interior * (0.35 + 0.65 * grain)) +
                    Rgb{0.55, 0.78, 0.16} * (membrane * (0.6 + 0.4 * grain)) +
                    Rgb{1.0, 0.82, 0.32} * (nucleus * (0.7 + 0.3 * hue)) +
                    Rgb{0.10, 0.45, 0.40} * (vein * (1.0 - membrane) * 0.6);
        canvas.set(x, y, color * 0.85);
    });
    return canvas;
}

// --- sprites ---------------------------------------------------------------------------------

// A flame, drawn tip down: billboards put the image's first row at the sprite's bottom.
Canvas flame(int size, uint32_t seed) {
    Canvas canvas(size, size);
    std::vector<RampStop> heat = {{0.0, {0, 0, 0}},
                                  {0.25, {0.45, 0.04, 0.0}},
                                  {0.5, {0.95, 0.35, 0.02}},
                                  {0.75, {1.0, 0.78, 0.2}},
                                  {1.0, {1.0, 1.0, 0.85}}};
    paint(canvas, [&](int x, int y, double u, double v) {
        double px = u * 2.0 - 1.0; // -1..1 across
        double fy = v;             // 0 = base (top row), 1 = tip (bottom row)
        double turb = periodicFbm(u * 4, v * 3 - 0.0, 4, 3, 4, seed);
        px += 0.18 * turb * fy;
        fy += 0.08 * periodicFbm(u * 5 + 0.3, v * 4, 5, 4, 3, seed + 1);
        const double base = 0.3;
        const double radius = 0.52;
        double d;
        if (fy < base) {
            double dy = (base - fy) / base * radius;
            d = std::sqrt(px * px + dy * dy) / radius;
        } else {
            double w = radius * dm::pow(clamp(1.0 - (fy - base) / 0.68, 0.0, 1.0), 0.7);
            d = w > 1e-6 ? std::fabs(px) / w : 2.0;
        }
        double body = clamp(1.0 - d, 0.0, 1.0);
        double along = smoothstep(1.0, 0.55, fy) * smoothstep(0.02, 0.18, fy + 0.1);
        double intensity = dm::pow(body, 0.8) * along;
        double core = dm::pow(body, 2.5) * smoothstep(0.75, 0.25, fy);
        double heatValue = clamp(intensity * 0.75 + core * 0.45, 0.0, 1.0);
        canvas.set(x, y, ramp(heat, heatValue), clamp(intensity * 1.4, 0.0, 1.0));
    });
    return canvas;
}

// A round glow; tint is the full-strength colour, alpha carries the shape.
Canvas glow(int size, Rgb tint, double falloff, double ring, double sparkle) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double u, double v) {
        double dx = u * 2.0 - 1.0;
        double dy = v * 2.0 - 1.0;
        double r = std::sqrt(dx * dx + dy * dy);
        double a = dm::exp(-r * r * falloff);
        a += ring * dm::exp(-(r - 0.62) * (r - 0.62) * 90.0);
        if (sparkle > 0.0) {
            double star = dm::exp(-std::fabs(dx) * 40.0) + dm::exp(-std::fabs(dy) * 40.0);
            a += sparkle * star * dm::exp(-r * r * 3.0);
        }
        a *= smoothstep(1.0, 0.85, r);
        double core = dm::exp(-r * r * falloff * 4.0);
        Rgb color = lerp(tint, {1.0, 1.0, 1.0}, core * 0.8);
        canvas.set(x, y, color, clamp(a, 0.0, 1.0));
    });
    return canvas;
}

// A soap bubble: thin iridescent rim, faint body, one highlight.
Canvas bubble(int size) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double u, double v) {
        double dx = u * 2.0 - 1.0;
        double dy = v * 2.0 - 1.0;
        double r = std::sqrt(dx * dx + dy * dy);
        double rim = dm::exp(-(r - 0.86) * (r - 0.86) * 260.0);
        double body = 0.12 * smoothstep(0.9, 0.2, r);
        double hx = dx + 0.35;
        double hy = dy + 0.38;
        double highlight = dm::exp(-(hx * hx + hy * hy) * 45.0);
        double angle = dm::atan2(dy, dx);
        Rgb film = {0.55 + 0.45 * dm::cos(angle * 2.0), 0.7 + 0.3 * dm::cos(angle * 2.0 + 2.1),
                    0.85 + 0.15 * dm::cos(angle * 2.0 + 4.2)};
        Rgb color = lerp(film, {1, 1, 1}, clamp(highlight * 1.5, 0.0, 1.0));
        double a = (rim * 0.9 + body + highlight) * smoothstep(1.0, 0.95, r);
        canvas.set(x, y, color, clamp(a, 0.0, 1.0));
    });
    return canvas;
}

// Drifting motes of dust, grey with alpha.
Canvas dust(int width, int height, uint32_t seed) {
    Canvas canvas(width, height);
    dm::Rng rng(seed);
    struct Mote {
        double x, y, r, a;
    };
    std::vector<Mote> motes;
    for (int i = 0; i < 70; ++i) {
        double angle = rng.range(0, dm::kTwoPi);
        double dist = 0.42 * dm::pow(rng.uniform(), 0.7);
        motes.push_back({0.5 + dist * dm::cos(angle), 0.5 + dist * dm::sin(angle),
                         rng.range(0.006, 0.03), rng.range(0.3, 1.0)});
    }
    paint(canvas, [&](int x, int y, double u, double v) {
        double a = 0.0;
        for (const Mote& s : motes) {
            double dx = u - s.x;
            double dy = v - s.y;
            a += s.a * dm::exp(-(dx * dx + dy * dy) / (s.r * s.r));
        }
        double grey = 0.75 + 0.25 * clamp(a, 0.0, 1.0);
        canvas.set(x, y, {grey, grey, grey}, clamp(a, 0.0, 1.0));
    });
    return canvas;
}

// Organic outline used by the multiplied and glowing creatures: radius per angle.
double lobedRadius(double angle, double base, uint32_t seed) {
    double n = periodicFbm(angle / dm::kTwoPi * 6.0, 0.5, 6, 1, 3, seed);
    return base *
           (1.0 + 0.14 * dm::sin(angle * 5.0 + 0.4) + 0.07 * dm::sin(angle * 9.0) + 0.18 * n);
}

// A dark cell on white: multiplying by it darkens, its border stays white.
Canvas darkCell(int size, uint32_t seed) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double u, double v) {
        double dx = u * 2.0 - 1.0;
        double dy = v * 2.0 - 1.0;
        double r = std::sqrt(dx * dx + dy * dy);
        double angle = dm::atan2(dy, dx);
        double edge = lobedRadius(angle, 0.62, seed);
        double inside = smoothstep(edge + 0.08, edge - 0.12, r);
        double membrane = dm::exp(-(r - edge + 0.05) * (r - edge + 0.05) * 400.0);
        double grain = 0.5 + 0.5 * periodicFbm(u * 6, v * 6, 6, 6, 4, seed + 1);
        double nx = dx - 0.12;
        double ny = dy + 0.08;
        double nucleus = smoothstep(0.22, 0.12, std::sqrt(nx * nx + ny * ny));
        double dark = inside * (0.35 + 0.3 * grain) + membrane * 0.45 + nucleus * 0.35;
        dark = clamp(dark, 0.0, 0.92) * smoothstep(0.98, 0.85, r);
        Rgb tint = {0.45, 0.52, 0.32}; // darkest colour the cell multiplies by
        Rgb color = lerp({1, 1, 1}, tint * (1.0 - dark * 0.6), dark);
        canvas.set(x, y, color);
    });
    return canvas;
}

// Coverage of the glowing creature; shared by its colour image and its mask.
double creatureShape(double u, double v, uint32_t seed) {
    double dx = u * 2.0 - 1.0;
    double dy = v * 2.0 - 1.0;
    double r = std::sqrt(dx * dx + dy * dy);
    double angle = dm::atan2(dy, dx);
    double edge = lobedRadius(angle, 0.58, seed);
    double body = smoothstep(edge + 0.04, edge - 0.1, r);
    // Tendrils reaching out between the lobes.
    double tendril = dm::pow(clamp(dm::cos(angle * 7.0 + r * 6.0), 0.0, 1.0), 12.0) *
                     smoothstep(0.97, 0.6, r) * smoothstep(edge - 0.1, edge + 0.05, r);
    return clamp(body + tendril * 0.8, 0.0, 1.0) * smoothstep(1.0, 0.93, r);
}

Canvas creature(int size, uint32_t seed) {
    Canvas canvas(size, size);
    std::vector<RampStop> colors = {{0.0, {0.35, 0.05, 0.55}},
                                    {0.35, {0.85, 0.15, 0.55}},
                                    {0.65, {1.0, 0.6, 0.2}},
                                    {1.0, {1.0, 0.95, 0.55}}};
    paint(canvas, [&](int x, int y, double u, double v) {
        double shape = creatureShape(u, v, seed);
        double dx = u * 2.0 - 1.0;
        double dy = v * 2.0 - 1.0;
        double r = std::sqrt(dx * dx + dy * dy);
        double cells = periodicCells(u * 6, v * 6, 6, 6, seed + 2).f1;
        double heat = clamp(1.0 - r * 1.1 + 0.25 * (0.5 - cells), 0.0, 1.0);
        Rgb color = ramp(colors, heat) * shape;
        canvas.set(x, y, color, shape);
    });
    return canvas;
}

Canvas creatureMask(int size, uint32_t seed) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double u, double v) {
        double shape = creatureShape(u, v, seed);
        double value = 1.0 - 0.88 * shape;
        canvas.set(x, y, {value, value * 0.98, value});
    });
    return canvas;
}

// A swirl for an additive plate: bright spiral arms, black elsewhere. Stored as palette
// indices in the red channel.
Canvas swirl(int size, uint32_t seed) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double u, double v) {
        double dx = u * 2.0 - 1.0;
        double dy = v * 2.0 - 1.0;
        double r = std::sqrt(dx * dx + dy * dy);
        double angle = dm::atan2(dy, dx);
        double twist = angle * 4.0 + r * 13.0;
        double arms = dm::pow(0.5 + 0.5 * dm::cos(twist), 3.0);
        double fine = 0.5 + 0.5 * dm::cos(angle * 12.0 + r * 32.0);
        double n = 0.5 + 0.5 * periodicFbm(u * 5, v * 5, 5, 5, 4, seed);
        double fadeOut = smoothstep(1.0, 0.55, r);
        double centre = dm::exp(-r * r * 30.0);
        double value =
            (arms * (0.75 + 0.25 * fine) * (0.6 + 0.5 * n) * (0.35 + 0.65 * r)) * fadeOut + centre;
        value = clamp(value, 0.0, 1.0);
        canvas.set(x, y, {value, value, value});
    });
    return canvas;
}

std::vector<Rgb> swirlPalette() {
    std::vector<RampStop> stops = {{0.0, {0, 0, 0}},
                                   {0.25, {0.08, 0.02, 0.3}},
                                   {0.5, {0.45, 0.05, 0.6}},
                                   {0.75, {1.0, 0.35, 0.55}},
                                   {1.0, {1.0, 0.95, 0.7}}};
    std::vector<Rgb> palette;
    for (int i = 0; i < 256; ++i) {
        palette.push_back(ramp(stops, i / 255.0));
    }
    return palette;
}

// --- environment maps ------------------------------------------------------------------------

// A sphere map of env(direction): texture row 0 is t = 0, which is the downward side of the
// reflection (y up, z towards the viewer).
Canvas sphereMap(int size, const std::function<Rgb(Dir)>& env) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double s, double t) {
        double nx = s * 2.0 - 1.0;
        double ny = t * 2.0 - 1.0;
        double rr = nx * nx + ny * ny;
        if (rr > 0.999) { // outside the disc: the rim colour
            double len = std::sqrt(rr / 0.999);
            nx /= len;
            ny /= len;
            rr = 0.999;
        }
        double nz = std::sqrt(1.0 - rr);
        Dir reflected = {2.0 * nz * nx, 2.0 * nz * ny, 2.0 * nz * nz - 1.0};
        Rgb c = env(normalize(reflected));
        canvas.set(x, y, {clamp(c.r, 0, 1), clamp(c.g, 0, 1), clamp(c.b, 0, 1)});
    });
    return canvas;
}

double spot(Dir d, Dir centre, double sharp) {
    double c = dot(d, normalize(centre));
    return c > 0.0 ? dm::pow(c, sharp) : 0.0;
}

Rgb chromeBlue(Dir d) {
    double y = d.y;
    Rgb color;
    if (y >= 0.0) {
        color = lerp({0.82, 0.9, 1.0}, {0.08, 0.2, 0.55}, dm::pow(y, 0.55));
        double az = dm::atan2(d.z, d.x);
        double clouds = 0.5 + 0.5 * dm::sin(az * 3.0 + y * 6.0) * dm::sin(az * 7.0 - 1.0);
        color = color + Rgb{0.2, 0.22, 0.25} *
                            (clouds * smoothstep(0.0, 0.25, y) * smoothstep(0.8, 0.3, y));
    } else {
        color = lerp({0.3, 0.36, 0.45}, {0.01, 0.02, 0.06}, dm::pow(-y, 0.4));
        double gx = d.x / -y;
        double gz = d.z / -y;
        double grid =
            std::fabs(dm::sin(gx * 2.0)) < 0.08 || std::fabs(dm::sin(gz * 2.0)) < 0.08 ? 1.0 : 0.0;
        color = color + Rgb{0.1, 0.25, 0.4} * (grid * smoothstep(-1.0, -0.15, y));
    }
    color = color + Rgb{0.6, 0.7, 0.8} * dm::exp(-std::fabs(y) * 35.0);
    color = color + Rgb{1.0, 0.96, 0.85} * (spot(d, {0.5, 0.55, -0.65}, 300.0) * 2.0 +
                                            spot(d, {0.5, 0.55, -0.65}, 10.0) * 0.25);
    color = color + Rgb{0.7, 0.85, 1.0} * spot(d, {-0.6, 0.3, 0.7}, 60.0);
    return color;
}

Rgb chromeGold(Dir d) {
    double y = d.y;
    double az = dm::atan2(d.z, d.x);
    Rgb color;
    if (y >= 0.0) {
        color = lerp({1.0, 0.78, 0.42}, {0.3, 0.12, 0.04}, dm::pow(y, 0.5));
        double windows = dm::pow(clamp(dm::cos(az * 5.0), 0.0, 1.0), 20.0) *
                         smoothstep(0.1, 0.2, y) * smoothstep(0.75, 0.6, y);
        color = color + Rgb{1.0, 0.92, 0.7} * (windows * 0.9);
    } else {
        color = lerp({0.4, 0.22, 0.08}, {0.03, 0.015, 0.0}, dm::pow(-y, 0.35));
        color = color + Rgb{0.35, 0.2, 0.05} * (0.5 + 0.5 * dm::sin(az * 11.0)) *
                            smoothstep(-0.5, 0.0, y) * 0.4;
    }
    color = color + Rgb{1.0, 0.85, 0.55} * dm::exp(-std::fabs(y) * 25.0) * 0.8;
    color = color + Rgb{1.0, 1.0, 0.9} * (spot(d, {-0.4, 0.7, -0.6}, 150.0) * 2.0);
    color = color + Rgb{1.0, 0.6, 0.3} * (spot(d, {0.7, 0.2, 0.7}, 25.0) * 0.6);
    return color;
}

Rgb chromeAurora(Dir d) {
    double y = d.y;
    double az = dm::atan2(d.z, d.x);
    double hue = az / dm::kTwoPi * 2.0 + y * 0.8;
    Rgb bands = {0.5 + 0.5 * dm::cos(dm::kTwoPi * hue),
                 0.5 + 0.5 * dm::cos(dm::kTwoPi * (hue + 0.33)),
                 0.5 + 0.5 * dm::cos(dm::kTwoPi * (hue + 0.67))};
    double stripes = 0.55 + 0.45 * dm::sin(y * 14.0 + dm::sin(az * 3.0) * 2.0);
    double light = y >= 0.0 ? 0.35 + 0.65 * smoothstep(-0.1, 0.6, y) : 0.15 + 0.2 * (1.0 + y);
    Rgb color =
        Rgb{bands.r * 0.5 + 0.15, bands.g * 0.9 + 0.1, bands.b * 0.8 + 0.15} * (stripes * light);
    color = color + Rgb{0.9, 1.0, 0.8} * dm::exp(-std::fabs(y) * 30.0) * 0.7;
    color = color + Rgb{1, 1, 1} * (spot(d, {0.3, 0.8, -0.5}, 200.0) * 2.0 +
                                    spot(d, {-0.7, 0.4, -0.4}, 80.0) * 1.2);
    return color;
}

// --- screen layers ---------------------------------------------------------------------------

Canvas vignette(int size) {
    Canvas canvas(size, size);
    paint(canvas, [&](int x, int y, double u, double v) {
        double dx = (u - 0.5) * 2.0;
        double dy = (v - 0.5) * 2.0;
        double d = std::sqrt(dx * dx * 0.85 + dy * dy);
        double value = 1.0 - 0.62 * smoothstep(0.45, 1.4, d);
        canvas.set(x, y, {value, value, value});
    });
    return canvas;
}

Canvas screenGrain(int size, uint32_t seed) {
    Canvas canvas(size, size);
    dm::Rng rng(seed);
    paint(canvas, [&](int x, int y, double u, double v) {
        double bands = 0.5 + 0.5 * dm::sin(v * dm::kTwoPi * 64.0);
        double mottling = periodicFbm(u * 6, v * 6, 6, 6, 3, seed);
        double grain = rng.uniform();
        double value = 0.93 - 0.035 * bands + 0.03 * mottling + 0.04 * grain;
        canvas.set(x, y, {value * 0.985, value, value * 0.99});
    });
    return canvas;
}

// --- text ------------------------------------------------------------------------------------

// Draws mask into canvas with its left-top corner at (x0, y0), adding colour x coverage.
void stamp(Canvas& canvas, const TextMask& mask, int x0, int y0, Rgb color) {
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            int cx = x0 + x;
            int cy = y0 + y;
            if (cx < 0 || cy < 0 || cx >= canvas.width || cy >= canvas.height) {
                continue;
            }
            double a = mask.coverage[static_cast<size_t>(y) * mask.width + x] / 255.0;
            float* p = canvas.at(cx, cy);
            p[0] = static_cast<float>(p[0] * (1.0 - a) + color.r * a);
            p[1] = static_cast<float>(p[1] * (1.0 - a) + color.g * a);
            p[2] = static_cast<float>(p[2] * (1.0 - a) + color.b * a);
            p[3] = static_cast<float>(p[3] + (1.0 - p[3]) * a);
        }
    }
}

// Renders text no wider than maxWidth: shrinks the point size until it fits, and leaves in
// pointSize the size it settled on.
TextMask fitText(const TextRenderer& text, const std::string& font, int& pointSize,
                 const std::string& line, int maxWidth) {
    TextMask mask = text.render(font, pointSize, line);
    while (mask.width > maxWidth && pointSize > 8) {
        pointSize -= 2;
        mask = text.render(font, pointSize, line);
    }
    return mask;
}

// The text pictures come in three sizes, k = 1, 2 and 4: the same picture drawn with every
// length k times longer. The layout is made at the base size (k = 1) and scaled, and each line
// of text is drawn by renderScaled, k times the base mask, at k times its base place; so the
// larger pictures averaged down k x k match the base one.

// The base picture's coordinate of the centre of pixel i of the picture k times larger
// (exactly i when k is 1).
double baseCoord(int i, int k) {
    return (i + 0.5) / k - 0.5;
}

// Weight of the title's rule at distance t (in base pixels) from its middle row: 1, 0.45 and
// 0.12 on the rows at 0, 1 and 2, straight lines between, nothing from 3 on.
double ruleWeight(double t) {
    constexpr double kProfile[] = {1.0, 0.45, 0.12, 0.0};
    if (t >= 3.0) {
        return 0.0;
    }
    const int i = static_cast<int>(t);
    const double f = t - i;
    return kProfile[i] * (1.0 - f) + kProfile[i + 1] * f;
}

// The title, "Quorlith Engine", on 512 x 256 pixels times k.
PngImage titleImage(const TextRenderer& text, int k) {
    constexpr int kWidth = 512;
    constexpr int kHeight = 256;
    const int width = kWidth * k;
    const int height = kHeight * k;
    Canvas canvas(width, height);
    std::string bold = findFont("Bold");
    if (bold.empty()) {
        return {};
    }
    const std::string words = "Quorlith Engine";
    int pointSize = 60;
    TextMask base = fitText(text, bold, pointSize, words, 460);
    if (base.width == 0) {
        return {};
    }
    const int baseX = (kWidth - base.width) / 2;
    const int baseY = (kHeight - base.height) / 2 - 8;
    TextMask title = k == 1 ? base : text.renderScaled(bold, pointSize, words, k);
    if (title.width == 0) {
        return {};
    }
    const int x0 = k * baseX;
    const int y0 = k * baseY;
    // A soft green halo under the letters.
    Canvas halo(width, height);
    stamp(halo, title, x0, y0, {1, 1, 1});
    boxBlurAlpha(halo, 6 * k, false);
    boxBlurAlpha(halo, 6 * k, false);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double h = halo.at(x, y)[3];
            canvas.set(x, y, Rgb{0.35, 0.75, 0.2} * (h * 0.9));
        }
    }
    // Letters shaded from warm white at the top to yellow-green at the bottom of their box in
    // the base picture.
    for (int y = 0; y < title.height; ++y) {
        double g = clamp((baseCoord(y0 + y, k) - baseY) / base.height, 0.0, 1.0);
        Rgb color = lerp({1.0, 0.98, 0.88}, {0.78, 0.96, 0.35}, g);
        for (int x = 0; x < title.width; ++x) {
            int cx = x0 + x;
            int cy = y0 + y;
            if (cx < 0 || cy < 0 || cx >= width || cy >= height) {
                continue;
            }
            double a = title.coverage[static_cast<size_t>(y) * title.width + x] / 255.0;
            float* p = canvas.at(cx, cy);
            p[0] = static_cast<float>(p[0] * (1.0 - a) + color.r * a);
            p[1] = static_cast<float>(p[1] * (1.0 - a) + color.g * a);
            p[2] = static_cast<float>(p[2] * (1.0 - a) + color.b * a);
        }
    }
    // A thin rule under the title, centred on the base picture's row ruleY.
    const int ruleY = baseY + base.height + 6;
    const double ruleMiddle = k * (ruleY + 0.5) - 0.5;
    const int ruleTop = static_cast<int>(std::ceil(ruleMiddle - 3.0 * k));
    const int ruleBottom = static_cast<int>(std::floor(ruleMiddle + 3.0 * k));
    for (int x = 0; x < width; ++x) {
        const double u = baseCoord(x, k) / kWidth;
        double fade = smoothstep(0.0, 0.35, u) * smoothstep(1.0, 0.65, u);
        for (int y = std::max(ruleTop, 0); y <= ruleBottom && y < height; ++y) {
            double w = ruleWeight(std::fabs(y - ruleMiddle) / k);
            if (w > 0.0) {
                float* p = canvas.at(x, y);
                p[0] = static_cast<float>(p[0] + 0.55 * w * fade);
                p[1] = static_cast<float>(p[1] + 0.85 * w * fade);
                p[2] = static_cast<float>(p[2] + 0.3 * w * fade);
            }
        }
    }
    return toPng(canvas, PngColor::Rgb);
}

// The scrolling credits, grey on black, on 512 x 1024 pixels times k.
PngImage creditsImage(const TextRenderer& text, int k) {
    std::string bold = findFont("Bold");
    std::string regular = findFont("Regular");
    if (bold.empty() || regular.empty()) {
        return {};
    }
    struct Line {
        bool heading;
        int size;
        const char* text;
        int gapAfter;
    };
    const Line lines[] = {
        {true, 40, "QUORLITH ENGINE", 6},
        {false, 20, "a real-time demo for Linux", 70},
        {true, 24, "Pictures, models and music", 4},
        {false, 20, "generated by the engine's own tools", 70},
        {true, 24, "Built with free software", 18},
        {false, 22, "SDL2 and SDL2_ttf", 12},
        {false, 22, "OpenGL, Mesa and GLU", 12},
        {false, 22, "libmpg123", 12},
        {false, 22, "LAME (libmp3lame)", 12},
        {false, 22, "FFTW3", 12},
        {false, 22, "libpng and zlib", 12},
        {false, 22, "FreeType", 12},
        {false, 22, "Liberation fonts", 12},
        {false, 22, "GoogleTest and CMake", 70},
        {true, 24, "Thanks to everyone who", 4},
        {true, 24, "writes and shares them", 110},
        {true, 32, "Thanks for watching", 0},
    };
    constexpr int kWidth = 512;
    Canvas canvas(kWidth * k, 1024 * k);
    int y = 70; // top of the line in the base picture
    for (const Line& line : lines) {
        const std::string& font = line.heading ? bold : regular;
        int pointSize = line.size;
        TextMask base = fitText(text, font, pointSize, line.text, 480);
        if (base.width == 0) {
            return {};
        }
        TextMask mask = k == 1 ? base : text.renderScaled(font, pointSize, line.text, k);
        if (mask.width == 0) {
            return {};
        }
        double level = line.heading ? 1.0 : 0.86;
        stamp(canvas, mask, k * ((kWidth - base.width) / 2), k * y, {level, level, level});
        y += base.height + line.gapAfter;
    }
    return toPng(canvas, PngColor::Grey);
}

} // namespace

std::vector<NamedImage> makeTextures(const TextRenderer& text) {
    std::vector<NamedImage> out;
    const std::vector<RampStop> blueWater = {{0.0, {0.0, 0.04, 0.1}},
                                             {0.3, {0.02, 0.22, 0.4}},
                                             {0.6, {0.12, 0.58, 0.72}},
                                             {0.85, {0.6, 0.92, 0.95}},
                                             {1.0, {1.0, 1.0, 1.0}}};
    const std::vector<RampStop> roseWater = {{0.0, {0.06, 0.01, 0.1}},
                                             {0.3, {0.28, 0.05, 0.34}},
                                             {0.6, {0.72, 0.28, 0.5}},
                                             {0.85, {1.0, 0.74, 0.45}},
                                             {1.0, {1.0, 1.0, 0.9}}};

    out.push_back({"water1.png", toPng(caustics(512, 101, blueWater), PngColor::Rgb)});
    out.push_back({"scrollpic.png", toPng(tissue(512, 1024, 202), PngColor::Rgb)});
    out.push_back({"fire2.png", toPng(flame(128, 303), PngColor::Rgba)});
    PngImage water2 = toPng(caustics(512, 404, roseWater), PngColor::Rgb);
    water2.gamma = 45455; // 1 / 2.2, the value a loader assumes without the chunk
    out.push_back({"water2.png", water2});
    out.push_back({"dust1.png", toPng(dust(128, 128, 505), PngColor::GreyAlpha)});
    out.push_back({"twirl.png", toPalettePng(swirl(256, 606), swirlPalette())});
    out.push_back({"env3.png", toPng(sphereMap(256, chromeGold), PngColor::Rgb)});
    out.push_back({"env4.png", toPng(sphereMap(256, chromeBlue), PngColor::Rgb)});
    out.push_back({"bubble.png", toPng(bubble(96), PngColor::Rgba)});
    out.push_back({"org.png", toPng(darkCell(128, 707), PngColor::Rgb)});
    out.push_back({"overlay.png", toPng(vignette(512), PngColor::Grey)});
    out.push_back({"overlay2.png", toPng(screenGrain(512, 808), PngColor::Rgb)});
    out.push_back({"part1.png", toPng(glow(64, {1.0, 0.55, 0.15}, 9.0, 0.0, 0.0), PngColor::Rgba)});
    out.push_back({"part2.png", toPng(glow(64, {0.3, 0.55, 1.0}, 14.0, 0.5, 0.0), PngColor::Rgba)});
    out.push_back({"part3.png", toPng(glow(64, {0.7, 1.0, 0.9}, 12.0, 0.0, 0.6), PngColor::Rgba)});
    out.push_back({"text1.png", titleImage(text, 1)});
    out.push_back({"env5.png", toPng(sphereMap(256, chromeAurora), PngColor::Rgb)});
    out.push_back({"credits.png", creditsImage(text, 1)});
    out.push_back({"org2_mask.png", toPng(creatureMask(128, 909), PngColor::Rgb)});
    out.push_back({"org2.png", toPng(creature(128, 909), PngColor::Rgba)});
    // The text pictures drawn again at twice and four times the size, for large screens.
    for (int k : {2, 4}) {
        const std::string suffix = "_" + std::to_string(k) + "x.png";
        out.push_back({"text1" + suffix, titleImage(text, k)});
        out.push_back({"credits" + suffix, creditsImage(text, k)});
    }
    return out;
}

std::vector<uint8_t> makeStartPicture(int width, int height) {
    Canvas canvas(width, height);
    std::vector<RampStop> colors = {{0.0, {0.0, 0.0, 0.0}},
                                    {0.3, {0.05, 0.16, 0.02}},
                                    {0.55, {0.5, 0.68, 0.06}},
                                    {0.8, {0.92, 0.95, 0.22}},
                                    {1.0, {1.0, 1.0, 0.75}}};
    const double ratio = static_cast<double>(width) / height;
    paint(canvas, [&](int x, int y, double u, double v) {
        double px = u * ratio;
        double wx = px + 0.25 * periodicFbm(px * 2, v * 2, 8, 8, 4, 11);
        double wy = v + 0.25 * periodicFbm(px * 2 + 5, v * 2, 8, 8, 4, 12);
        CellDistances c = periodicCells(wx * 4, wy * 4, 64, 64, 13);
        double membrane = dm::pow(clamp(1.0 - (c.f2 - c.f1) / 0.18, 0.0, 1.0), 2.5);
        double nucleus = smoothstep(0.2, 0.05, c.f1);
        double tendril = dm::pow(
            clamp(1.0 - std::fabs(periodicFbm(px * 3, v * 3, 16, 16, 5, 14)) * 6.0, 0.0, 1.0), 4.0);
        double dx = (u - 0.42) * ratio;
        double dy = v - 0.5;
        double glowCentre = dm::exp(-(dx * dx + dy * dy) * 1.1);
        double value =
            (membrane * 0.75 + nucleus * 0.55 + tendril * 0.35) * glowCentre + 0.08 * glowCentre;
        canvas.set(x, y, ramp(colors, clamp(value, 0.0, 1.0)));
    });
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const float* p = canvas.at(x, y);
            rgb.push_back(toByte(p[0]));
            rgb.push_back(toByte(p[1]));
            rgb.push_back(toByte(p[2]));
        }
    }
    return rgb;
}

std::vector<uint8_t> makeIcon(const std::vector<uint8_t>& picture, int width, int height,
                              int size) {
    // Each icon pixel averages the picture's pixels under it, weighted by how much of each
    // one it covers.
    const int side = height;
    const int left =
        std::clamp(static_cast<int>(std::lround(0.42 * width)) - side / 2, 0, width - side);
    const double scale = static_cast<double>(side) / size;
    std::vector<uint8_t> rgb;
    rgb.reserve(static_cast<size_t>(size) * size * 3);
    auto overlap = [](double lo, double hi, int cell) {
        return std::max(0.0, std::min(hi, cell + 1.0) - std::max(lo, static_cast<double>(cell)));
    };
    for (int y = 0; y < size; ++y) {
        const double y0 = y * scale;
        const double y1 = y0 + scale;
        for (int x = 0; x < size; ++x) {
            const double x0 = x * scale;
            const double x1 = x0 + scale;
            double sum[3] = {0.0, 0.0, 0.0};
            for (int sy = static_cast<int>(y0); sy < y1 && sy < side; ++sy) {
                const double wy = overlap(y0, y1, sy);
                for (int sx = static_cast<int>(x0); sx < x1 && sx < side; ++sx) {
                    const double w = wy * overlap(x0, x1, sx);
                    const uint8_t* p = &picture[(static_cast<size_t>(sy) * width + left + sx) * 3];
                    for (int c = 0; c < 3; ++c) {
                        sum[c] += w * p[c];
                    }
                }
            }
            for (int c = 0; c < 3; ++c) {
                rgb.push_back(static_cast<uint8_t>(std::lround(sum[c] / (scale * scale))));
            }
        }
    }
    return rgb;
}

} // namespace assetgen
