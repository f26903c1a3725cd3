// What the web build draws instead of the GL and GLU calls that emscripten's legacy-GL
// emulation lacks (the seam is gfx/gl_compat.h). Built natively too, so that the tests can hold
// each replacement against the call it stands for. Plain math where possible; the drawing uses
// only what the emulation has: the matrix stack, glGetFloatv(GL_MODELVIEW_MATRIX) and client
// arrays drawn by 16-bit indices.
#pragma once

#include <array>
#include <cstddef>
#include <unordered_map>
#include <vector>

#include "gfx/gl.h"

// --- The view: gluLookAt -------------------------------------------------------------------

// The rotation gluLookAt multiplies the current matrix by before it translates by -eye,
// column-major, worked out in single precision step by step as GLU does. A zero forward or
// side vector stays zero, as there.
std::array<GLfloat, 16> lookAtRotation(double eyeX, double eyeY, double eyeZ, double centreX,
                                       double centreY, double centreZ, double upX, double upY,
                                       double upZ);
// gluLookAt's two steps: multiplies the current matrix by that rotation, then translates it
// by -eye.
void multiplyLookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY,
                    double centreZ, double upX, double upY, double upZ);

// --- Sphere maps: glTexGen's GL_SPHERE_MAP --------------------------------------------------

// Sphere-map s and t for `count` vertices (positions and normals xyz, texCoords st), drawn
// under `modelview` (column-major, as glGetFloatv gives it), by the fixed-function formula:
// u the unit vector from the eye to the vertex, n' the normal through the inverse transpose
// of the modelview's upper 3 x 3, r = u - 2 n' (n' . u), m = 2 sqrt(rx^2 + ry^2 + (rz + 1)^2),
// s = rx / m + 1/2, t = ry / m + 1/2. GL normalises n' only with GL_NORMALIZE on
// (`normalizeNormals`): under a scaled modelview, n' keeps the scale's inverse. Without
// normals (null) every vertex has GL's initial normal, (0, 0, 1).
void sphereMapCoordinates(const GLfloat modelview[16], bool normalizeNormals,
                          const GLfloat* positions, const GLfloat* normals, std::size_t count,
                          GLfloat* texCoords);
// The same under the current modelview matrix, GL_NORMALIZE off (the demo never turns it on);
// texCoords is resized to 2 * count.
void sphereMapUnderCurrentModelview(const GLfloat* positions, const GLfloat* normals,
                                    std::size_t count, std::vector<GLfloat>& texCoords);

// --- Indexed triangles ----------------------------------------------------------------------

// Triangles as client arrays: per corner a position (xyz) and a normal (xyz), and texture
// coordinates (st) where texCoords is not null.
struct TriangleArrays {
    const GLfloat* positions = nullptr;
    const GLfloat* normals = nullptr;
    const GLfloat* texCoords = nullptr;
    std::size_t cornerCount = 0;
};

// The emulation draws client arrays by 16-bit indices only, uploads at most 2 MiB of vertices
// per draw (65,535 corners of 32 bytes) and, on WebGL 2, takes index 0xFFFF as a strip restart.
inline constexpr std::size_t kMaxBatchCorners = 65535;

// A run of 32-bit indices as one 16-bit draw: its distinct corners (in order of first use)
// and the indices into that list.
struct ShortIndexBatch {
    std::vector<GLuint> corners;
    std::vector<GLushort> indices;
};
// Splits `count` indices of GL_TRIANGLES into runs of at most maxCorners indices (rounded down
// to whole triangles, at least one; never above kMaxBatchCorners, so no local index reaches
// 0xFFFF). False, with no batches, when an index is not below cornerCount.
bool shortIndexBatches(const GLuint* indices, std::size_t count, std::size_t cornerCount,
                       std::vector<ShortIndexBatch>& batches,
                       std::size_t maxCorners = kMaxBatchCorners);
// glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_INT, indices) from the arrays, drawn batch
// by batch: each batch's corners gathered into one interleaved array (the emulation's fast
// layout) and drawn by 16-bit indices. Enables the client arrays it uses and disables them
// again. An index past the arrays draws nothing and says so on stderr, the first time.
void drawTrianglesInShortBatches(const TriangleArrays& arrays, const GLuint* indices,
                                 std::size_t count);

// --- gluSphere ------------------------------------------------------------------------------

struct TriangleMesh {
    std::vector<GLfloat> positions;
    std::vector<GLfloat> normals;
    std::vector<GLfloat> texCoords;
    std::vector<GLuint> indices;

    TriangleArrays arrays() const {
        return {positions.data(), normals.data(), texCoords.data(), positions.size() / 3};
    }
};
// The sphere gluSphere draws with a quadric of smooth normals and texture coordinates (outside
// orientation, filled): about the origin, its axis z, `stacks` bands from +z to -z of
// `slices` quads each, corner by corner the same positions, normals and texture coordinates
// (s = 1 - slice / slices, t = 1 - stack / stacks), each quad split into two triangles as Mesa
// splits the bands' quad strips. Slices and stacks above 239 are taken as 239; fewer than 2
// slices, no stacks or a negative radius give an empty mesh, as GLU draws nothing.
TriangleMesh sphereMesh(double radius, int slices, int stacks);

// --- Reading a texture's level 0 back -------------------------------------------------------

// Level-0 texels kept on the CPU when a texture is uploaded, for GLs that cannot read a
// texture back (glGetTexImage, glGetTexLevelParameteriv).
class LevelZeroCopies {
  public:
    // The upload's texels: width x height of 3 (RGB) or 4 (RGBA) bytes, rows packed. False,
    // nothing kept (an earlier copy dropped), when the sizes do not fit together.
    bool keep(GLuint texture, GLint width, GLint height, int channels,
              const std::vector<GLubyte>& pixels);
    // As glGetTexImage reads the level as GL_RGBA bytes: RGB texels with alpha 255. False for a
    // texture not kept.
    bool read(GLuint texture, GLint& width, GLint& height, std::vector<GLubyte>& rgba) const;
    void clear() { copies_.clear(); }

  private:
    struct Copy {
        GLint width;
        GLint height;
        int channels;
        std::vector<GLubyte> pixels;
    };
    std::unordered_map<GLuint, Copy> copies_;
};

// --- gluErrorString -------------------------------------------------------------------------

// gluErrorString's text for each error glGetError reports, null for any other code. Inline, so
// that shader/, which links no gfx library, can use it.
inline const char* glErrorText(GLenum error) {
    switch (error) {
    case GL_NO_ERROR:
        return "no error";
    case GL_INVALID_ENUM:
        return "invalid enumerant";
    case GL_INVALID_VALUE:
        return "invalid value";
    case GL_INVALID_OPERATION:
        return "invalid operation";
    case GL_STACK_OVERFLOW:
        return "stack overflow";
    case GL_STACK_UNDERFLOW:
        return "stack underflow";
    case GL_OUT_OF_MEMORY:
        return "out of memory";
    case GL_TABLE_TOO_LARGE:
        return "table too large";
    case GL_INVALID_FRAMEBUFFER_OPERATION_EXT:
        return "invalid framebuffer operation";
    default:
        return nullptr;
    }
}
