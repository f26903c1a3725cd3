#include "gfx/billboard.h"

#include "gfx/gl.h"

#include <algorithm>
#include <climits>
#include <cmath>

BillboardQuad billboardCorners(const float m[16], Vec3 centre, float halfSize) {
    const Vec3 right{m[0] * halfSize, m[4] * halfSize, m[8] * halfSize};
    const Vec3 up{m[1] * halfSize, m[5] * halfSize, m[9] * halfSize};
    BillboardQuad quad;
    quad.corners[0] = vec3Subtract(vec3Subtract(centre, right), up);
    quad.corners[1] = vec3Subtract(vec3Add(centre, right), up);
    quad.corners[2] = vec3Add(vec3Add(centre, right), up);
    quad.corners[3] = vec3Add(vec3Subtract(centre, right), up);
    return quad;
}

void drawBillboard(Vec3 centre, float halfSize) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    const BillboardQuad quad = billboardCorners(m, centre, halfSize);
    static const GLfloat texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2f(texCoords[i][0], texCoords[i][1]);
        glVertex3fv(&quad.corners[i].x);
    }
    glEnd();
}

namespace {
constexpr int kBatchCapacity = kBillboardStore;

// A corner as the arrays hold it: position and texture coordinates side by side, in a stride
// that would also hold a second unit's coordinates (12 + 8 + 8 bytes). The web build's GL
// emulation draws such arrays as they are; from arrays of other strides it copies the corners,
// always from the first, whatever glDrawArrays' first says.
struct StoredCorner {
    Vec3 position;
    GLfloat texCoord[2];
    GLfloat unused[2];
};

struct BillboardBatch {
    float matrix[16];
    int count = 0;
    StoredCorner corners[kBatchCapacity * 4];
};

BillboardBatch& batch() {
    static BillboardBatch* store = [] {
        static BillboardBatch made;
        for (int i = 0; i < kBatchCapacity; ++i) {
            const GLfloat corners[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
            for (int k = 0; k < 4; ++k) {
                made.corners[i * 4 + k].texCoord[0] = corners[k][0];
                made.corners[i * 4 + k].texCoord[1] = corners[k][1];
            }
        }
        return &made;
    }();
    return *store;
}

void enableArrays(BillboardBatch& b) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(StoredCorner), &b.corners[0].position.x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(StoredCorner), b.corners[0].texCoord);
}

// Queued billboard `index`'s corners.
BillboardQuad storedQuad(int index) {
    BillboardQuad quad;
    for (int k = 0; k < 4; ++k) {
        quad.corners[k] = batch().corners[index * 4 + k].position;
    }
    return quad;
}

void disableArrays() {
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

void drawBatch(BillboardBatch& b) {
    if (b.count == 0) {
        return;
    }
    enableArrays(b);
    glDrawArrays(GL_QUADS, 0, b.count * 4);
    disableArrays();
    b.count = 0;
}
} // namespace

void beginBillboards() {
    BillboardBatch& b = batch();
    b.count = 0;
    glGetFloatv(GL_MODELVIEW_MATRIX, b.matrix);
}

void addBillboard(Vec3 centre, float halfSize) {
    BillboardBatch& b = batch();
    if (b.count == kBatchCapacity) {
        drawBatch(b);
    }
    const BillboardQuad quad = billboardCorners(b.matrix, centre, halfSize);
    for (int k = 0; k < 4; ++k) {
        b.corners[b.count * 4 + k].position = quad.corners[k];
    }
    ++b.count;
}

void endBillboards() {
    drawBatch(batch());
}

void beginQueuedDraws() {
    enableArrays(batch());
}

void drawQueuedBillboard(int index) {
    glDrawArrays(GL_QUADS, index * 4, 4);
}

void endQueuedDraws() {
    disableArrays();
    batch().count = 0;
}

bool quadOutsideView(const Vec3 corners[4], const double clip[16]) {
    // Each side as (row a) + sign * (row 3) of the clip matrix: -w <= x, y, z <= w inside.
    for (int plane = 0; plane < 6; ++plane) {
        const int row = plane / 2;
        const double sign = plane % 2 == 0 ? 1.0 : -1.0;
        bool allOutside = true;
        for (int k = 0; k < 4 && allOutside; ++k) {
            const double p[4] = {corners[k].x, corners[k].y, corners[k].z, 1.0};
            double a = 0.0;
            double w = 0.0;
            double size = 0.0;
            for (int j = 0; j < 4; ++j) {
                a += clip[j * 4 + row] * p[j];
                w += clip[j * 4 + 3] * p[j];
                size += std::fabs(clip[j * 4 + row] * p[j]) + std::fabs(clip[j * 4 + 3] * p[j]);
            }
            allOutside = w + sign * a < -1e-4 * size;
        }
        if (allOutside) {
            return true;
        }
    }
    return false;
}

namespace {
void clipMatrix(const float m[16], double clip[16]) {
    float projection[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    for (int col = 0; col < 4; ++col) {
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) {
                sum += static_cast<double>(projection[k * 4 + row]) * m[col * 4 + k];
            }
            clip[col * 4 + row] = sum;
        }
    }
}
} // namespace

void queuedClipMatrix(double clip[16]) {
    clipMatrix(batch().matrix, clip);
}

bool billboardOutsideView(Vec3 centre, float halfSize) {
    float m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    double clip[16];
    clipMatrix(m, clip);
    return quadOutsideView(billboardCorners(m, centre, halfSize).corners, clip);
}

bool queuedBillboardOutsideView(int index, const double clip[16]) {
    return quadOutsideView(storedQuad(index).corners, clip);
}

WindowBox queuedBillboardWindowBox(int index, const double clip[16], const int viewport[4]) {
    const BillboardQuad quad = storedQuad(index);
    const Vec3* corners = quad.corners;
    double x0 = 1e300;
    double y0 = 1e300;
    double x1 = -1e300;
    double y1 = -1e300;
    for (int k = 0; k < 4; ++k) {
        const double p[4] = {corners[k].x, corners[k].y, corners[k].z, 1.0};
        double c[4] = {0.0, 0.0, 0.0, 0.0};
        for (int row = 0; row < 4; ++row) {
            for (int j = 0; j < 4; ++j) {
                c[row] += clip[j * 4 + row] * p[j];
            }
        }
        if (!(c[3] > 1e-6)) {
            return {INT_MIN, INT_MIN, INT_MAX, INT_MAX};
        }
        const double x = viewport[0] + (c[0] / c[3] + 1.0) * 0.5 * viewport[2];
        const double y = viewport[1] + (c[1] / c[3] + 1.0) * 0.5 * viewport[3];
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
    }
    const auto edge = [](double v) { return static_cast<int>(std::clamp(v, -1e9, 1e9)); };
    return {edge(std::floor(x0)) - 2, edge(std::floor(y0)) - 2, edge(std::ceil(x1)) + 2,
            edge(std::ceil(y1)) + 2};
}

namespace {
bool overlap(const WindowBox& a, const WindowBox& b) {
    return a.x0 < b.x1 && b.x0 < a.x1 && a.y0 < b.y1 && b.y0 < a.y1;
}
} // namespace

std::vector<std::pair<int, int>> disjointRuns(const std::vector<WindowBox>& boxes) {
    std::vector<std::pair<int, int>> runs;
    std::vector<WindowBox> members;
    int first = 0;
    for (int i = 0; i < static_cast<int>(boxes.size()); ++i) {
        const WindowBox& box = boxes[static_cast<std::size_t>(i)];
        if (box.empty()) {
            continue;
        }
        const bool clash = std::any_of(members.begin(), members.end(),
                                       [&](const WindowBox& m) { return overlap(m, box); });
        if (clash) {
            runs.emplace_back(first, i - first);
            members.clear();
            first = i;
        }
        members.push_back(box);
    }
    if (static_cast<int>(boxes.size()) > first) {
        runs.emplace_back(first, static_cast<int>(boxes.size()) - first);
    }
    return runs;
}
