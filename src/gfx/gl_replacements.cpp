#include "gfx/gl_replacements.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iostream>

// --- The view -------------------------------------------------------------------------------

namespace {
// GLU's steps, in floats: the length's square root in double precision, rounded once.
void normalizeInPlace(GLfloat v[3]) {
    const GLfloat length = static_cast<GLfloat>(
        std::sqrt(static_cast<double>(v[0] * v[0] + v[1] * v[1] + v[2] * v[2])));
    if (length == 0.0f) {
        return;
    }
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
}

void crossInto(const GLfloat a[3], const GLfloat b[3], GLfloat out[3]) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}
} // namespace

std::array<GLfloat, 16> lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX,
                                       double centreY, double centreZ, double upX, double upY,
                                       double upZ) {
    GLfloat forward[3] = {static_cast<GLfloat>(centreX - eyeX),
                          static_cast<GLfloat>(centreY - eyeY),
                          static_cast<GLfloat>(centreZ - eyeZ)};
    GLfloat up[3] = {static_cast<GLfloat>(upX), static_cast<GLfloat>(upY),
                     static_cast<GLfloat>(upZ)};
    normalizeInPlace(forward);
    GLfloat side[3];
    crossInto(forward, up, side);
    normalizeInPlace(side);
    crossInto(side, forward, up);
    // Rows: side, the corrected up, -forward.
    std::array<GLfloat, 16> m{};
    for (int column = 0; column < 3; ++column) {
        m[column * 4] = side[column];
        m[column * 4 + 1] = up[column];
        m[column * 4 + 2] = -forward[column];
    }
    m[15] = 1.0f;
    return m;
}

void multiplyLookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                    double centreZ, double upX, double upY, double upZ) {
    const std::array<GLfloat, 16> rotation =
        lookAtRotation(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
    glMultMatrixf(rotation.data());
    glTranslated(-eyeX, -eyeY, -eyeZ);
}

// --- Sphere maps ----------------------------------------------------------------------------

void sphereMapCoordinates(const GLfloat modelview[16], bool normalizeNormals,
                          const GLfloat* positions, const GLfloat* normals, std::size_t count,
                          GLfloat* texCoords) {
    // a[row][column] of the upper 3 x 3; normals go through the inverse's transpose, that is
    // n'_i = sum over j of inverse[j][i] n_j. A singular matrix gives n' = 0.
    double a[3][3];
    for (int r = 0; r < 3; ++r) {
        for (int c = 0; c < 3; ++c) {
            a[r][c] = modelview[c * 4 + r];
        }
    }
    double inverse[3][3] = {};
    const double cofactor00 = a[1][1] * a[2][2] - a[1][2] * a[2][1];
    const double cofactor01 = a[1][2] * a[2][0] - a[1][0] * a[2][2];
    const double cofactor02 = a[1][0] * a[2][1] - a[1][1] * a[2][0];
    const double determinant = a[0][0] * cofactor00 + a[0][1] * cofactor01 + a[0][2] * cofactor02;
    if (determinant != 0.0) {
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                // inverse[r][c] = cofactor of a[c][r] / determinant
                const int r1 = (c + 1) % 3, r2 = (c + 2) % 3, c1 = (r + 1) % 3, c2 = (r + 2) % 3;
                inverse[r][c] = (a[r1][c1] * a[r2][c2] - a[r1][c2] * a[r2][c1]) / determinant;
            }
        }
    }
    static constexpr GLfloat kInitialNormal[3] = {0.0f, 0.0f, 1.0f};
    for (std::size_t v = 0; v < count; ++v) {
        const GLfloat* p = positions + v * 3;
        const GLfloat* n = normals != nullptr ? normals + v * 3 : kInitialNormal;
        double u[3];
        for (int i = 0; i < 3; ++i) {
            u[i] = modelview[i] * static_cast<double>(p[0]) +
                   modelview[4 + i] * static_cast<double>(p[1]) +
                   modelview[8 + i] * static_cast<double>(p[2]) + modelview[12 + i];
        }
        const double uLength = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
        double e[3];
        for (int i = 0; i < 3; ++i) {
            u[i] = uLength > 0.0 ? u[i] / uLength : 0.0;
            e[i] = inverse[0][i] * n[0] + inverse[1][i] * n[1] + inverse[2][i] * n[2];
        }
        if (normalizeNormals) {
            const double eLength = std::sqrt(e[0] * e[0] + e[1] * e[1] + e[2] * e[2]);
            for (double& component : e) {
                component = eLength > 0.0 ? component / eLength : 0.0;
            }
        }
        const double twiceDot = 2.0 * (e[0] * u[0] + e[1] * u[1] + e[2] * u[2]);
        const double rx = u[0] - twiceDot * e[0];
        const double ry = u[1] - twiceDot * e[1];
        const double rz = u[2] - twiceDot * e[2];
        const double m = 2.0 * std::sqrt(rx * rx + ry * ry + (rz + 1.0) * (rz + 1.0));
        texCoords[v * 2] = static_cast<GLfloat>(rx / m + 0.5);
        texCoords[v * 2 + 1] = static_cast<GLfloat>(ry / m + 0.5);
    }
}

void sphereMapUnderCurrentModelview(const GLfloat* positions, const GLfloat* normals,
                                    std::size_t count, std::vector<GLfloat>& texCoords) {
    GLfloat modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    texCoords.resize(count * 2);
    sphereMapCoordinates(modelview, false, positions, normals, count, texCoords.data());
}

// --- Indexed triangles ----------------------------------------------------------------------

bool shortIndexBatches(const GLuint* indices, std::size_t count, std::size_t cornerCount,
                       std::vector<ShortIndexBatch>& batches, std::size_t maxCorners) {
    batches.clear();
    for (std::size_t i = 0; i < count; ++i) {
        if (indices[i] >= cornerCount) {
            return false;
        }
    }
    const std::size_t perBatch =
        std::max<std::size_t>(3, std::min(maxCorners, kMaxBatchCorners) / 3 * 3);
    constexpr std::int32_t kUnused = -1;
    std::vector<std::int32_t> localOf(cornerCount, kUnused);
    for (std::size_t first = 0; first < count; first += perBatch) {
        const std::size_t end = std::min(count, first + perBatch);
        ShortIndexBatch& batch = batches.emplace_back();
        batch.indices.reserve(end - first);
        for (std::size_t i = first; i < end; ++i) {
            std::int32_t& local = localOf[indices[i]];
            if (local == kUnused) {
                local = static_cast<std::int32_t>(batch.corners.size());
                batch.corners.push_back(indices[i]);
            }
            batch.indices.push_back(static_cast<GLushort>(local));
        }
        for (const GLuint corner : batch.corners) {
            localOf[corner] = kUnused;
        }
    }
    return true;
}

void drawTrianglesInShortBatches(const TriangleArrays& arrays, const GLuint* indices,
                                 std::size_t count) {
    // Kept between draws: the demo draws the same models every frame.
    static std::vector<ShortIndexBatch> batches;
    static std::vector<GLfloat> interleaved;
    if (!shortIndexBatches(indices, count, arrays.cornerCount, batches)) {
        static bool said = false;
        if (!said) {
            std::cerr << "Triangles not drawn: an index lies past their " << arrays.cornerCount
                      << " corners (said once)\n";
            said = true;
        }
        return;
    }
    // Per corner: position, normal, texture coordinates; 8 floats, 32 bytes.
    constexpr std::size_t kStride = 8;
    const bool withNormals = arrays.normals != nullptr;
    const bool withTexCoords = arrays.texCoords != nullptr;
    glEnableClientState(GL_VERTEX_ARRAY);
    if (withNormals) {
        glEnableClientState(GL_NORMAL_ARRAY);
    }
    if (withTexCoords) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    for (const ShortIndexBatch& batch : batches) {
        interleaved.assign(batch.corners.size() * kStride, 0.0f);
        for (std::size_t c = 0; c < batch.corners.size(); ++c) {
            const std::size_t corner = batch.corners[c];
            GLfloat* out = &interleaved[c * kStride];
            std::copy_n(arrays.positions + corner * 3, 3, out);
            if (withNormals) {
                std::copy_n(arrays.normals + corner * 3, 3, out + 3);
            }
            if (withTexCoords) {
                std::copy_n(arrays.texCoords + corner * 2, 2, out + 6);
            }
        }
        constexpr GLsizei stride = kStride * sizeof(GLfloat);
        glVertexPointer(3, GL_FLOAT, stride, interleaved.data());
        if (withNormals) {
            glNormalPointer(GL_FLOAT, stride, interleaved.data() + 3);
        }
        if (withTexCoords) {
            glTexCoordPointer(2, GL_FLOAT, stride, interleaved.data() + 6);
        }
        glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(batch.indices.size()), GL_UNSIGNED_SHORT,
                       batch.indices.data());
    }
    if (withTexCoords) {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
    if (withNormals) {
        glDisableClientState(GL_NORMAL_ARRAY);
    }
    glDisableClientState(GL_VERTEX_ARRAY);
}

// --- gluSphere ------------------------------------------------------------------------------

TriangleMesh sphereMesh(double radius, int slices, int stacks) {
    // GLU keeps its sines in tables of 240.
    constexpr int kMaxDivisions = 239;
    slices = std::min(slices, kMaxDivisions);
    stacks = std::min(stacks, kMaxDivisions);
    TriangleMesh mesh;
    if (slices < 2 || stacks < 1 || !(radius >= 0.0)) {
        return mesh;
    }
    constexpr double kPi = 3.14159265358979323846;
    // Around the axis (slice i) and down it (stack j), each angle rounded to a float and its
    // sine and cosine too, as GLU's tables hold them; the last slice repeats the first.
    std::vector<GLfloat> sinAround(slices + 1), cosAround(slices + 1);
    for (int i = 0; i < slices; ++i) {
        const GLfloat angle = static_cast<GLfloat>(2 * kPi * i / slices);
        sinAround[i] = static_cast<GLfloat>(std::sin(angle));
        cosAround[i] = static_cast<GLfloat>(std::cos(angle));
    }
    sinAround[slices] = sinAround[0];
    cosAround[slices] = cosAround[0];
    std::vector<GLfloat> sinDown(stacks + 1), cosDown(stacks + 1);
    std::vector<GLfloat> ringRadius(stacks + 1), ringHeight(stacks + 1);
    for (int j = 0; j <= stacks; ++j) {
        const GLfloat angle = static_cast<GLfloat>(kPi * j / stacks);
        sinDown[j] = static_cast<GLfloat>(std::sin(angle));
        cosDown[j] = static_cast<GLfloat>(std::cos(angle));
        ringRadius[j] = static_cast<GLfloat>(radius * std::sin(angle));
        ringHeight[j] = static_cast<GLfloat>(radius * std::cos(angle));
    }
    // The poles come to a point.
    ringRadius[0] = 0.0f;
    ringRadius[stacks] = 0.0f;

    // Corner (i, j) is ring j's point at slice i.
    const int perRing = slices + 1;
    for (int j = 0; j <= stacks; ++j) {
        for (int i = 0; i <= slices; ++i) {
            mesh.positions.insert(
                mesh.positions.end(),
                {ringRadius[j] * sinAround[i], ringRadius[j] * cosAround[i], ringHeight[j]});
            mesh.normals.insert(mesh.normals.end(),
                                {sinAround[i] * sinDown[j], cosAround[i] * sinDown[j], cosDown[j]});
            mesh.texCoords.insert(mesh.texCoords.end(), {1 - static_cast<GLfloat>(i) / slices,
                                                         1 - static_cast<GLfloat>(j) / stacks});
        }
    }
    // Band j runs from ring j + 1 (high) to ring j (low), a quad strip in GLU. Each quad is
    // split as Mesa splits a quad strip's: along high i - low i + 1, into (high i + 1, high i,
    // low i + 1) and (high i, low i, low i + 1).
    for (int j = 0; j < stacks; ++j) {
        for (int i = 0; i < slices; ++i) {
            const GLuint high = static_cast<GLuint>((j + 1) * perRing + i);
            const GLuint low = static_cast<GLuint>(j * perRing + i);
            mesh.indices.insert(mesh.indices.end(), {high + 1, high, low + 1, high, low, low + 1});
        }
    }
    return mesh;
}

// --- Reading a texture's level 0 back -------------------------------------------------------

bool LevelZeroCopies::keep(GLuint texture, GLint width, GLint height, int channels,
                           const std::vector<GLubyte>& pixels) {
    copies_.erase(texture);
    if (width <= 0 || height <= 0 || (channels != 3 && channels != 4) ||
        pixels.size() != static_cast<std::size_t>(width) * height * channels) {
        return false;
    }
    copies_.emplace(texture, Copy{width, height, channels, pixels});
    return true;
}

bool LevelZeroCopies::read(GLuint texture, GLint& width, GLint& height,
                           std::vector<GLubyte>& rgba) const {
    const auto found = copies_.find(texture);
    if (found == copies_.end()) {
        return false;
    }
    const Copy& copy = found->second;
    width = copy.width;
    height = copy.height;
    const std::size_t texels = static_cast<std::size_t>(copy.width) * copy.height;
    rgba.resize(texels * 4);
    for (std::size_t i = 0; i < texels; ++i) {
        const GLubyte* in = &copy.pixels[i * copy.channels];
        rgba[i * 4] = in[0];
        rgba[i * 4 + 1] = in[1];
        rgba[i * 4 + 2] = in[2];
        rgba[i * 4 + 3] = copy.channels == 4 ? in[3] : 255;
    }
    return true;
}
