// The few GL and GLU calls that the web build's GL (emscripten's legacy-GL emulation on
// WebGL 2) lacks, behind one seam: shared code calls these instead. The build picks the
// implementation file: gl_compat_native.cpp makes exactly the calls the demo has always made;
// gl_compat_web.cpp, built only for the web, draws the same with gfx/gl_replacements.
// (A source file named *_native.cpp is built only natively, one named *_web.cpp only for the
// web.)
#pragma once

#include <cstddef>
#include <vector>

#include "gfx/gl.h"
#include "gfx/gl_replacements.h"

// At context set-up. The perspective-correction hint at its nicest (the web has no such hint).
void setPerspectiveHint();
// Sphere-map generation for s and t and the shared quadric (smooth normals, texture
// coordinates) that drawSphere uses; on the web, where both are drawn by hand, nothing.
void prepareSphereMaps();

// gluLookAt: multiplies the current matrix by the view from eye towards centre, up as given.
void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
            double upX, double upY, double upZ);

// Between these, drawSphere and the triangle arrays get their s and t from the sphere map
// (GL_TEXTURE_GEN_S and _T on) instead of their own texture coordinates.
void beginSphereMap();
void endSphereMap();

// gluSphere with the shared quadric: about the origin, its axis z (nothing natively before
// prepareSphereMaps has made the quadric).
void drawSphere(double radius, int slices, int stacks);

// Indexed triangles from client arrays. begin makes the arrays current (vertices and normals,
// and texture coordinates where given), drawTriangles draws `count` of the 32-bit indices as
// GL_TRIANGLES, end disables the arrays. The arrays must stay put until end.
void beginTriangleArrays(const TriangleArrays& arrays);
void drawTriangles(const GLuint* indices, std::size_t count);
void endTriangleArrays();

// True where the current colour is opaque white. The web cannot ask and says false: texturing
// then stays GL_MODULATE, which by white gives the same picture.
bool currentColourIsWhite();

// The texture's level 0 as RGBA bytes in packed rows, the texture left bound; false for an
// empty texture. On the web only textures whose upload was kept (keepLevelZero) can be read.
bool readLevelZeroTexels(GLuint texture, GLint& width, GLint& height, std::vector<GLubyte>& texels);
// The loader's level-0 upload of a texture that is read back later (3 or 4 channels, rows
// packed): kept on the CPU where GL cannot read textures back (the web); natively nothing.
void keepLevelZero(GLuint texture, GLint width, GLint height, int channels,
                   const std::vector<GLubyte>& pixels);

// glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT), glPixelStorei and glPopClientAttrib. The web
// has only the pack and unpack alignments: it sets, saves and restores those and no others.
void pushPixelStore();
void setPixelStore(GLenum name, GLint value);
void popPixelStore();

// The name the GL 1.3 call glMultiTexCoord2f is looked up by (the web finds it by its ARB name).
extern const char* const kMultiTexCoord2fName;
