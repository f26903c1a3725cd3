// The seam in the web build, on emscripten's legacy-GL emulation: look-at, sphere and sphere
// map worked out here (gfx/gl_replacements), client arrays drawn by 16-bit indices, texels read
// back from copies kept at upload, and only the state the emulation knows.
#include "gfx/gl_compat.h"

#include <utility>

namespace {
bool sphereMapOn = false;
// The sphere-map coordinates of the arrays or sphere being drawn.
std::vector<GLfloat> sphereMapTexCoords;
TriangleArrays currentArrays;

struct SphereShape {
    double radius = -1.0;
    int slices = 0;
    int stacks = 0;
};
SphereShape lastSphereShape;
TriangleMesh lastSphere;

LevelZeroCopies levelZeroCopies;
// The pack and unpack alignments at each pushPixelStore.
std::vector<std::pair<GLint, GLint>> savedAlignments;

// The arrays' own texture coordinates, or with the sphere map on the map's, worked out under
// the current modelview matrix.
TriangleArrays withSphereMapWhereOn(TriangleArrays arrays) {
    if (sphereMapOn) {
        sphereMapUnderCurrentModelview(arrays.positions, arrays.normals, arrays.cornerCount,
                                       sphereMapTexCoords);
        arrays.texCoords = sphereMapTexCoords.data();
    }
    return arrays;
}
} // namespace

void setPerspectiveHint() {}

void prepareSphereMaps() {}

void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
            double upX, double upY, double upZ) {
    multiplyLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}

void beginSphereMap() {
    sphereMapOn = true;
}

void endSphereMap() {
    sphereMapOn = false;
}

void drawSphere(double radius, int slices, int stacks) {
    if (radius != lastSphereShape.radius || slices != lastSphereShape.slices ||
        stacks != lastSphereShape.stacks) {
        lastSphere = sphereMesh(radius, slices, stacks);
        lastSphereShape = {radius, slices, stacks};
    }
    drawTrianglesInShortBatches(withSphereMapWhereOn(lastSphere.arrays()),
                                lastSphere.indices.data(), lastSphere.indices.size());
}

void beginTriangleArrays(const TriangleArrays& arrays) {
    currentArrays = withSphereMapWhereOn(arrays);
}

void drawTriangles(const GLuint* indices, std::size_t count) {
    drawTrianglesInShortBatches(currentArrays, indices, count);
}

void endTriangleArrays() {
    currentArrays = {};
}

bool currentColourIsWhite() {
    return false;
}

bool readLevelZeroTexels(GLuint texture, GLint& width, GLint& height,
                         std::vector<GLubyte>& texels) {
    glBindTexture(GL_TEXTURE_2D, texture);
    return levelZeroCopies.read(texture, width, height, texels);
}

void keepLevelZero(GLuint texture, GLint width, GLint height, int channels,
                   const std::vector<GLubyte>& pixels) {
    levelZeroCopies.keep(texture, width, height, channels, pixels);
}

void pushPixelStore() {
    GLint pack = 4;
    GLint unpack = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &pack);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &unpack);
    savedAlignments.emplace_back(pack, unpack);
}

void setPixelStore(GLenum name, GLint value) {
    if (name == GL_PACK_ALIGNMENT || name == GL_UNPACK_ALIGNMENT) {
        glPixelStorei(name, value);
    }
}

void popPixelStore() {
    if (savedAlignments.empty()) {
        return;
    }
    const auto [pack, unpack] = savedAlignments.back();
    savedAlignments.pop_back();
    glPixelStorei(GL_PACK_ALIGNMENT, pack);
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpack);
}

const char* const kMultiTexCoord2fName = "glMultiTexCoord2fARB";
