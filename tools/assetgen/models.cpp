#include "models.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <utility>

#include "detmath.h"
#include "raster.h"

namespace assetgen {

namespace {

Vec add(Vec a, Vec b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec sub(Vec a, Vec b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec scale(Vec a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
double dot(Vec a, Vec b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec cross(Vec a, Vec b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
Vec normalize(Vec a) {
    double len = std::sqrt(dot(a, a));
    return len > 0.0 ? scale(a, 1.0 / len) : Vec{0, 1, 0};
}

double gauss(double v, double centre, double width) {
    double d = (v - centre) / width;
    return dm::exp(-d * d);
}

// Prints a number with a fixed count of decimals and no negative zero.
void appendNumber(std::string& out, double v, int decimals) {
    double limit = decimals == 3 ? 0.0005 : 0.00005;
    if (std::fabs(v) < limit) {
        v = 0.0;
    }
    char buf[48];
    std::snprintf(buf, sizeof buf, decimals == 3 ? " %.3f" : " %.4f", v);
    out += buf;
}

Mesh::Face quad(int a, int b, int c, int d) {
    return {4, {a, b, c, d}};
}
Mesh::Face tri(int a, int b, int c) {
    return {3, {a, b, c, 0}};
}

} // namespace

int Mesh::triangleCount() const {
    int n = 0;
    for (const Group& g : groups) {
        for (const Face& f : g.faces) {
            n += f.count - 2;
        }
    }
    return n;
}

void Mesh::computeNormals() {
    std::map<std::array<double, 3>, Vec> shared;
    auto key = [&](int i) {
        return std::array<double, 3>{positions[i].x, positions[i].y, positions[i].z};
    };
    for (const Group& g : groups) {
        for (const Face& f : g.faces) {
            for (int k = 1; k + 1 < f.count; ++k) {
                Vec a = positions[f.corner[0]];
                Vec b = positions[f.corner[k]];
                Vec c = positions[f.corner[k + 1]];
                Vec n = cross(sub(b, a), sub(c, a));
                for (int i : {f.corner[0], f.corner[k], f.corner[k + 1]}) {
                    Vec& acc = shared[key(i)];
                    acc = add(acc, n);
                }
            }
        }
    }
    normals.assign(positions.size(), Vec{0, 1, 0});
    for (size_t i = 0; i < positions.size(); ++i) {
        auto it = shared.find(key(static_cast<int>(i)));
        if (it != shared.end()) {
            normals[i] = normalize(it->second);
        }
    }
}

void Mesh::orientOutwards() {
    double volume = 0.0;
    for (const Group& g : groups) {
        for (const Face& f : g.faces) {
            for (int k = 1; k + 1 < f.count; ++k) {
                volume += dot(positions[f.corner[0]],
                              cross(positions[f.corner[k]], positions[f.corner[k + 1]]));
            }
        }
    }
    if (volume < 0.0) {
        for (Group& g : groups) {
            for (Face& f : g.faces) {
                for (int i = 0, j = f.count - 1; i < j; ++i, --j) {
                    std::swap(f.corner[i], f.corner[j]);
                }
            }
        }
    }
}

std::string writeObj(const Mesh& mesh, FaceForm form, const std::string& title) {
    std::string out;
    out += "# " + title + "\n";
    out += "# Quorlith Engine data set, made by assetgen\n";
    out += "# " + std::to_string(mesh.positions.size()) + " vertices, " +
           std::to_string(mesh.triangleCount()) + " triangles\n";
    for (const Vec& p : mesh.positions) {
        out += "v";
        appendNumber(out, p.x, 3);
        appendNumber(out, p.y, 3);
        appendNumber(out, p.z, 3);
        out += "\n";
    }
    for (const Vec& n : mesh.normals) {
        out += "vn";
        appendNumber(out, n.x, 4);
        appendNumber(out, n.y, 4);
        appendNumber(out, n.z, 4);
        out += "\n";
    }
    const bool textured = form == FaceForm::VertexTexture || form == FaceForm::VertexTextureNormal;
    if (textured) {
        for (const auto& uv : mesh.uvs) {
            out += "vt";
            appendNumber(out, uv[0], 4);
            appendNumber(out, uv[1], 4);
            out += "\n";
        }
    }
    for (const Mesh::Group& g : mesh.groups) {
        out += "g " + g.name + "\n";
        for (const Mesh::Face& f : g.faces) {
            out += "f";
            for (int k = 0; k < f.count; ++k) {
                std::string n = std::to_string(f.corner[k] + 1);
                switch (form) {
                case FaceForm::Vertex:
                    out += " " + n;
                    break;
                case FaceForm::VertexTexture:
                    out += " " + n + "/" + n;
                    break;
                case FaceForm::VertexTextureNormal:
                    out += " " + n + "/" + n + "/" + n;
                    break;
                case FaceForm::VertexNormal:
                    out += " " + n + "//" + n;
                    break;
                }
            }
            out += "\n";
        }
    }
    return out;
}

// A standing figure turned on a lathe and then bent: pedestal, long twisting body, a small
// tilted head. About 300 units tall, centred on the origin.
Mesh makeFigure() {
    const int around = 64;
    const int rows = 96;
    const double height = 300.0;
    auto radiusAt = [](double v) {
        double r = 14.0 + 30.0 * gauss(v, 0.04, 0.06) + 26.0 * gauss(v, 0.40, 0.13) +
                   18.0 * gauss(v, 0.60, 0.07) - 8.0 * gauss(v, 0.73, 0.03) +
                   22.0 * gauss(v, 0.85, 0.055);
        return r * dm::pow(dm::sin(dm::kPi * v), 0.35);
    };
    auto centreAt = [&](double v) {
        double sway = dm::smoothstep(0.08, 0.3, v);
        return Vec{20.0 * dm::sin(3.0 * dm::kPi * v) * sway, (v - 0.5) * height,
                   12.0 * dm::sin(dm::kTwoPi * v + 1.0) * sway};
    };
    Mesh mesh;
    // Rings from just above the bottom pole to just below the top pole; the last column
    // repeats the first so the texture coordinates can run 0..1 around.
    for (int j = 1; j < rows; ++j) {
        double v = static_cast<double>(j) / rows;
        Vec c = centreAt(v);
        for (int i = 0; i <= around; ++i) {
            int column = i % around;
            double u = static_cast<double>(column) / around;
            double theta = u * dm::kTwoPi + 1.4 * v;
            double bulge = 1.0 + 0.2 * dm::cos(2.0 * theta) +
                           0.08 * dm::sin(3.0 * theta + 9.0 * v) +
                           0.07 * periodicNoise(u * 8.0, v * 12.0, 8, 12, 71);
            double r = radiusAt(v) * bulge;
            mesh.positions.push_back({c.x + r * dm::cos(theta), c.y, c.z + r * dm::sin(theta)});
            mesh.uvs.push_back({static_cast<double>(i) / around, v});
        }
    }
    const int bottom = static_cast<int>(mesh.positions.size());
    mesh.positions.push_back(centreAt(0.0));
    mesh.uvs.push_back({0.5, 0.0});
    const int top = bottom + 1;
    mesh.positions.push_back(centreAt(1.0));
    mesh.uvs.push_back({0.5, 1.0});

    const int stride = around + 1;
    auto at = [&](int ring, int i) { return ring * stride + i; };
    Mesh::Group pedestal{"pedestal", {}};
    Mesh::Group body{"body", {}};
    Mesh::Group head{"head", {}};
    for (int i = 0; i < around; ++i) {
        pedestal.faces.push_back(tri(bottom, at(0, i + 1), at(0, i)));
    }
    for (int ring = 0; ring + 1 < rows - 1; ++ring) {
        double v = static_cast<double>(ring + 1) / rows;
        Mesh::Group& g = v < 0.12 ? pedestal : (v < 0.76 ? body : head);
        for (int i = 0; i < around; ++i) {
            g.faces.push_back(
                quad(at(ring, i), at(ring, i + 1), at(ring + 1, i + 1), at(ring + 1, i)));
        }
    }
    for (int i = 0; i < around; ++i) {
        head.faces.push_back(tri(top, at(rows - 2, i), at(rows - 2, i + 1)));
    }
    mesh.groups = {pedestal, body, head};
    mesh.orientOutwards();
    mesh.computeNormals();
    return mesh;
}

// A (2, 3) torus knot stood on end, as a tube that swells and narrows along its length.
// About 330 units tall.
Mesh makeKnot() {
    const int along = 240;
    const int around = 24;
    const double scaleXY = 48.0;
    auto curve = [&](double phi) {
        double r = 2.0 + dm::cos(3.0 * phi);
        return Vec{scaleXY * r * dm::cos(2.0 * phi), scaleXY * 1.15 * r * dm::sin(2.0 * phi),
                   70.0 * dm::sin(3.0 * phi)};
    };
    auto core = [&](double phi) {
        return Vec{scaleXY * 2.0 * dm::cos(2.0 * phi), scaleXY * 1.15 * 2.0 * dm::sin(2.0 * phi),
                   0.0};
    };
    Mesh mesh;
    for (int k = 0; k < along; ++k) {
        double phi = dm::kTwoPi * k / along;
        double step = dm::kTwoPi / along;
        Vec p = curve(phi);
        Vec tangent = normalize(sub(curve(phi + step * 0.5), curve(phi - step * 0.5)));
        Vec outward = sub(p, core(phi));
        Vec normal = normalize(sub(outward, scale(tangent, dot(outward, tangent))));
        Vec binormal = cross(tangent, normal);
        double radius = 20.0 + 8.0 * dm::sin(5.0 * phi + 0.5) + 4.0 * dm::sin(13.0 * phi);
        for (int i = 0; i < around; ++i) {
            double a = dm::kTwoPi * i / around;
            double wobble = 1.0 + 0.12 * dm::sin(3.0 * a + 7.0 * phi);
            Vec offset = add(scale(normal, dm::cos(a) * radius * wobble),
                             scale(binormal, dm::sin(a) * radius * wobble));
            mesh.positions.push_back(add(p, offset));
        }
    }
    Mesh::Group lobes[3] = {{"lobe1", {}}, {"lobe2", {}}, {"lobe3", {}}};
    for (int k = 0; k < along; ++k) {
        int next = (k + 1) % along;
        Mesh::Group& g = lobes[k * 3 / along];
        for (int i = 0; i < around; ++i) {
            int i1 = (i + 1) % around;
            g.faces.push_back(
                quad(k * around + i, next * around + i, next * around + i1, k * around + i1));
        }
    }
    mesh.groups = {lobes[0], lobes[1], lobes[2]};
    mesh.orientOutwards();
    mesh.computeNormals();
    return mesh;
}

// A lumpy ball about 400 units across: a subdivided icosahedron pushed out by a few bumps.
Mesh makeBlob() {
    Mesh mesh;
    const double t = (1.0 + std::sqrt(5.0)) / 2.0;
    std::vector<Vec> dirs = {{-1, t, 0}, {1, t, 0}, {-1, -t, 0}, {1, -t, 0},
                             {0, -1, t}, {0, 1, t}, {0, -1, -t}, {0, 1, -t},
                             {t, 0, -1}, {t, 0, 1}, {-t, 0, -1}, {-t, 0, 1}};
    for (Vec& d : dirs) {
        d = normalize(d);
    }
    std::vector<std::array<int, 3>> faces = {
        {0, 11, 5},  {0, 5, 1},  {0, 1, 7},  {0, 7, 10}, {0, 10, 11}, {1, 5, 9}, {5, 11, 4},
        {11, 10, 2}, {10, 7, 6}, {7, 1, 8},  {3, 9, 4},  {3, 4, 2},   {3, 2, 6}, {3, 6, 8},
        {3, 8, 9},   {4, 9, 5},  {2, 4, 11}, {6, 2, 10}, {8, 6, 7},   {9, 8, 1}};
    for (int level = 0; level < 4; ++level) {
        std::map<std::pair<int, int>, int> midpoints;
        auto midpoint = [&](int a, int b) {
            std::pair<int, int> key = a < b ? std::make_pair(a, b) : std::make_pair(b, a);
            auto it = midpoints.find(key);
            if (it != midpoints.end()) {
                return it->second;
            }
            dirs.push_back(normalize(add(dirs[a], dirs[b])));
            int index = static_cast<int>(dirs.size()) - 1;
            midpoints[key] = index;
            return index;
        };
        std::vector<std::array<int, 3>> next;
        for (const auto& f : faces) {
            int ab = midpoint(f[0], f[1]);
            int bc = midpoint(f[1], f[2]);
            int ca = midpoint(f[2], f[0]);
            next.push_back({f[0], ab, ca});
            next.push_back({f[1], bc, ab});
            next.push_back({f[2], ca, bc});
            next.push_back({ab, bc, ca});
        }
        faces = next;
    }
    dm::Rng rng(4242);
    struct Bump {
        Vec centre;
        double height;
        double sharpness;
    };
    std::vector<Bump> bumps;
    for (int i = 0; i < 9; ++i) {
        Vec c = normalize({rng.range(-1, 1), rng.range(-1, 1), rng.range(-1, 1)});
        bumps.push_back({c, rng.range(0.15, 0.4), rng.range(4.0, 10.0)});
    }
    for (const Vec& d : dirs) {
        double r = 1.0;
        for (const Bump& b : bumps) {
            r += b.height * dm::exp(-(1.0 - dot(d, b.centre)) * b.sharpness);
        }
        double u = 0.5 + dm::atan2(d.z, d.x) / dm::kTwoPi;
        r += 0.06 * periodicNoise(u * 8.0, (d.y + 1.0) * 4.0, 8, 64, 93);
        mesh.positions.push_back(scale(d, 165.0 * r));
    }
    Mesh::Group blob{"blob", {}};
    for (size_t i = 0; i < faces.size(); ++i) {
        // Rotate the corners so that first corners, which become sprites, spread over all
        // vertices.
        int s = static_cast<int>(i % 3);
        const auto& f = faces[i];
        blob.faces.push_back(tri(f[s], f[(s + 1) % 3], f[(s + 2) % 3]));
    }
    mesh.groups = {blob};
    mesh.orientOutwards();
    mesh.computeNormals();
    return mesh;
}

// A wide dome of rolling swell, 1000 units across, its crest a little above the middle.
Mesh makeSeaDome() {
    const int rings = 48;
    const int segments = 160;
    const double radius = 500.0;
    auto heightAt = [](double x, double z) {
        double r2 = x * x + z * z;
        double dome = 170.0 - 0.0016 * r2;
        double swell =
            48.0 * dm::sin(0.012 * x + 0.007 * z) + 42.0 * dm::sin(-0.009 * x + 0.015 * z + 1.3) +
            18.0 * dm::sin(0.026 * x - 0.021 * z + 2.0) + 9.0 * dm::sin(0.05 * x + 0.043 * z + 0.7);
        double chop = 10.0 * periodicFbm(x / 250.0 + 8.0, z / 250.0 + 8.0, 16, 16, 3, 77);
        return dome + swell + chop;
    };
    Mesh mesh;
    mesh.positions.push_back({0.0, heightAt(0.0, 0.0), 0.0});
    mesh.uvs.push_back({0.5, 0.5});
    for (int j = 1; j <= rings; ++j) {
        double r = radius * j / rings;
        for (int i = 0; i < segments; ++i) {
            double a = dm::kTwoPi * i / segments;
            double x = r * dm::cos(a);
            double z = r * dm::sin(a);
            mesh.positions.push_back({x, heightAt(x, z), z});
            mesh.uvs.push_back({0.5 + x / (2.0 * radius), 0.5 + z / (2.0 * radius)});
        }
    }
    auto at = [&](int ring, int i) { return 1 + (ring - 1) * segments + (i % segments); };
    Mesh::Group sea{"sea", {}};
    Mesh::Group rim{"rim", {}};
    // Corners run clockwise seen from above (x right, z down the page), which is
    // counter-clockwise seen from above in a right-handed frame: normals point up.
    for (int i = 0; i < segments; ++i) {
        sea.faces.push_back(tri(0, at(1, i + 1), at(1, i)));
    }
    for (int ring = 1; ring < rings; ++ring) {
        Mesh::Group& g = ring < rings - 6 ? sea : rim;
        for (int i = 0; i < segments; ++i) {
            g.faces.push_back(
                quad(at(ring, i), at(ring, i + 1), at(ring + 1, i + 1), at(ring + 1, i)));
        }
    }
    mesh.groups = {sea, rim};
    mesh.computeNormals();
    // The normals must face the sky; turn the surface over if they do not.
    if (mesh.normals[0].y < 0.0) {
        for (Mesh::Group& g : mesh.groups) {
            for (Mesh::Face& f : g.faces) {
                for (int i = 0, k = f.count - 1; i < k; ++i, --k) {
                    std::swap(f.corner[i], f.corner[k]);
                }
            }
        }
        mesh.computeNormals();
    }
    return mesh;
}

std::vector<NamedMesh> makeModelMeshes() {
    return {
        {"manet2.obj", makeFigure(), FaceForm::VertexTextureNormal,
         "manet2: a twisting figure on a pedestal"},
        {"manet.obj", makeKnot(), FaceForm::VertexNormal,
         "manet: a swelling trefoil knot standing upright"},
        {"blob1.obj", makeBlob(), FaceForm::Vertex, "blob1: a lumpy ball"},
        {"sea1.obj", makeSeaDome(), FaceForm::VertexTexture, "sea1: a dome of rolling swell"},
    };
}

std::vector<NamedModel> makeModels() {
    std::vector<NamedModel> out;
    for (const NamedMesh& m : makeModelMeshes()) {
        out.push_back({m.name, writeObj(m.mesh, m.form, m.title)});
    }
    return out;
}

} // namespace assetgen
