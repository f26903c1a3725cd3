#include "preview.h"

#include <algorithm>
#include <cmath>

#include "detmath.h"

namespace assetgen {

namespace {

constexpr int kCell = 256;
constexpr int kColumns = 5;

// Reads one decoded pixel of a generated image as RGBA 0..255.
void pixelOf(const PngImage& image, int x, int y, double rgba[4]) {
    const int channels = pngChannels(image.color);
    const uint8_t* p = image.pixels.data() + (static_cast<size_t>(y) * image.width + x) * channels;
    switch (image.color) {
    case PngColor::Grey:
        rgba[0] = rgba[1] = rgba[2] = p[0];
        rgba[3] = 255;
        break;
    case PngColor::GreyAlpha:
        rgba[0] = rgba[1] = rgba[2] = p[0];
        rgba[3] = p[1];
        break;
    case PngColor::Palette: {
        const auto& entry = image.palette[p[0]];
        rgba[0] = entry[0];
        rgba[1] = entry[1];
        rgba[2] = entry[2];
        rgba[3] = 255;
        break;
    }
    case PngColor::Rgb:
        rgba[0] = p[0];
        rgba[1] = p[1];
        rgba[2] = p[2];
        rgba[3] = 255;
        break;
    case PngColor::Rgba:
        rgba[0] = p[0];
        rgba[1] = p[1];
        rgba[2] = p[2];
        rgba[3] = p[3];
        break;
    }
}

void drawTexture(std::vector<uint8_t>& sheet, int sheetWidth, int x0, int y0,
                 const PngImage& image) {
    if (image.width == 0) {
        return;
    }
    const double scale = std::min(static_cast<double>(kCell - 8) / image.width,
                                  static_cast<double>(kCell - 8) / image.height);
    const int w = static_cast<int>(image.width * scale);
    const int h = static_cast<int>(image.height * scale);
    const int ox = x0 + (kCell - w) / 2;
    const int oy = y0 + (kCell - h) / 2;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            double rgba[4] = {0, 0, 0, 0};
            pixelOf(image, std::min(image.width - 1, static_cast<int>(x / scale)),
                    std::min(image.height - 1, static_cast<int>(y / scale)), rgba);
            double checker = ((x / 8 + y / 8) % 2) ? 90.0 : 140.0;
            double a = rgba[3] / 255.0;
            uint8_t* out = &sheet[(static_cast<size_t>(oy + y) * sheetWidth + ox + x) * 3];
            for (int c = 0; c < 3; ++c) {
                out[c] = static_cast<uint8_t>(rgba[c] * a + checker * (1.0 - a));
            }
        }
    }
}

void drawModel(std::vector<uint8_t>& sheet, int sheetWidth, int x0, int y0, int size,
               const Mesh& mesh) {
    // View from the front and a little above, turned by 30 degrees.
    const double yaw = 0.5;
    const double pitch = 0.35;
    auto view = [&](Vec p) {
        double x = p.x * dm::cos(yaw) + p.z * dm::sin(yaw);
        double z = -p.x * dm::sin(yaw) + p.z * dm::cos(yaw);
        double y = p.y * dm::cos(pitch) - z * dm::sin(pitch);
        z = p.y * dm::sin(pitch) + z * dm::cos(pitch);
        return Vec{x, y, z};
    };
    std::vector<Vec> projected;
    double lo[2] = {1e30, 1e30};
    double hi[2] = {-1e30, -1e30};
    for (const Vec& p : mesh.positions) {
        Vec v = view(p);
        projected.push_back(v);
        lo[0] = std::min(lo[0], v.x);
        hi[0] = std::max(hi[0], v.x);
        lo[1] = std::min(lo[1], v.y);
        hi[1] = std::max(hi[1], v.y);
    }
    const double extent = std::max(hi[0] - lo[0], hi[1] - lo[1]);
    const double scale = (size - 16) / extent;
    const double cx = (lo[0] + hi[0]) * 0.5;
    const double cy = (lo[1] + hi[1]) * 0.5;
    std::vector<double> depth(static_cast<size_t>(size) * size, -1e30);
    const Vec light = {-0.4, 0.6, 0.7};
    auto shade = [&](int vertex) {
        Vec n = view(mesh.normals[vertex]);
        double l = (n.x * light.x + n.y * light.y + n.z * light.z) / 1.0296;
        return 0.15 + 0.85 * std::max(0.0, l);
    };
    for (const Mesh::Group& g : mesh.groups) {
        for (const Mesh::Face& f : g.faces) {
            for (int k = 1; k + 1 < f.count; ++k) {
                int idx[3] = {f.corner[0], f.corner[k], f.corner[k + 1]};
                double sx[3], sy[3], sz[3], sh[3];
                for (int i = 0; i < 3; ++i) {
                    const Vec& v = projected[idx[i]];
                    sx[i] = (v.x - cx) * scale + size * 0.5;
                    sy[i] = size * 0.5 - (v.y - cy) * scale;
                    sz[i] = v.z;
                    sh[i] = shade(idx[i]);
                }
                double area = (sx[1] - sx[0]) * (sy[2] - sy[0]) - (sx[2] - sx[0]) * (sy[1] - sy[0]);
                if (std::fabs(area) < 1e-9) {
                    continue;
                }
                int minX =
                    std::max(0, static_cast<int>(std::floor(std::min({sx[0], sx[1], sx[2]}))));
                int maxX = std::min(size - 1,
                                    static_cast<int>(std::ceil(std::max({sx[0], sx[1], sx[2]}))));
                int minY =
                    std::max(0, static_cast<int>(std::floor(std::min({sy[0], sy[1], sy[2]}))));
                int maxY = std::min(size - 1,
                                    static_cast<int>(std::ceil(std::max({sy[0], sy[1], sy[2]}))));
                for (int y = minY; y <= maxY; ++y) {
                    for (int x = minX; x <= maxX; ++x) {
                        double px = x + 0.5;
                        double py = y + 0.5;
                        double w0 =
                            ((sx[1] - px) * (sy[2] - py) - (sx[2] - px) * (sy[1] - py)) / area;
                        double w1 =
                            ((sx[2] - px) * (sy[0] - py) - (sx[0] - px) * (sy[2] - py)) / area;
                        double w2 = 1.0 - w0 - w1;
                        if (w0 < 0 || w1 < 0 || w2 < 0) {
                            continue;
                        }
                        double z = w0 * sz[0] + w1 * sz[1] + w2 * sz[2];
                        double& d = depth[static_cast<size_t>(y) * size + x];
                        if (z <= d) {
                            continue;
                        }
                        d = z;
                        double s = w0 * sh[0] + w1 * sh[1] + w2 * sh[2];
                        uint8_t* out =
                            &sheet[(static_cast<size_t>(y0 + y) * sheetWidth + x0 + x) * 3];
                        out[0] = static_cast<uint8_t>(std::min(255.0, 230.0 * s));
                        out[1] = static_cast<uint8_t>(std::min(255.0, 225.0 * s));
                        out[2] = static_cast<uint8_t>(std::min(255.0, 200.0 * s));
                    }
                }
            }
        }
    }
}

} // namespace

PngImage contactSheet(const std::vector<NamedImage>& textures,
                      const std::vector<NamedMesh>& models) {
    const int rows = static_cast<int>((textures.size() + kColumns - 1) / kColumns);
    const int modelSize = kCell * kColumns / static_cast<int>(std::max<size_t>(1, models.size()));
    PngImage sheet;
    sheet.width = kCell * kColumns;
    sheet.height = kCell * rows + modelSize;
    sheet.color = PngColor::Rgb;
    sheet.pixels.assign(static_cast<size_t>(sheet.width) * sheet.height * 3, 30);
    for (size_t i = 0; i < textures.size(); ++i) {
        int col = static_cast<int>(i % kColumns);
        int row = static_cast<int>(i / kColumns);
        drawTexture(sheet.pixels, sheet.width, col * kCell, row * kCell, textures[i].image);
    }
    for (size_t i = 0; i < models.size(); ++i) {
        drawModel(sheet.pixels, sheet.width, static_cast<int>(i) * modelSize, kCell * rows,
                  modelSize, models[i].mesh);
    }
    return sheet;
}

} // namespace assetgen
