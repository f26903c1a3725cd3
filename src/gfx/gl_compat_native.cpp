// The seam natively: the very GL and GLU calls the demo has always made.
#include "gfx/gl_compat.h"

#include "gfx/textures.h"

void setPerspectiveHint() {
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
}

void prepareSphereMaps() {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    sharedQuadric = gluNewQuadric();
    if (sharedQuadric != nullptr) {
        gluQuadricNormals(sharedQuadric, GLU_SMOOTH);
        gluQuadricTexture(sharedQuadric, GL_TRUE);
    }
}

void lookAt(double eyeX, double eyeY, double eyeZ, double centreX, double centreY, double centreZ,
            double upX, double upY, double upZ) {
    gluLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ);
}

void beginSphereMap() {
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
}

void endSphereMap() {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
}

void drawSphere(double radius, int slices, int stacks) {
    if (sharedQuadric != nullptr) {
        gluSphere(sharedQuadric, radius, slices, stacks);
    }
}

void beginTriangleArrays(const TriangleArrays& arrays) {
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, arrays.positions);
    glNormalPointer(GL_FLOAT, 0, arrays.normals);
    if (arrays.texCoords != nullptr) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, arrays.texCoords);
    }
}

void drawTriangles(const GLuint* indices, std::size_t count) {
    glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(count), GL_UNSIGNED_INT, indices);
}

void endTriangleArrays() {
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
}

bool currentColourIsWhite() {
    GLfloat colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    return colour[0] == 1.0f && colour[1] == 1.0f && colour[2] == 1.0f && colour[3] == 1.0f;
}

bool readLevelZeroTexels(GLuint texture, GLint& width, GLint& height,
                         std::vector<GLubyte>& texels) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width <= 0 || height <= 0) {
        return false;
    }
    texels.resize(static_cast<std::size_t>(width) * height * 4);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    glPopClientAttrib();
    return true;
}

void keepLevelZero(GLuint, GLint, GLint, int, const std::vector<GLubyte>&) {}

void pushPixelStore() {
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
}

void setPixelStore(GLenum name, GLint value) {
    glPixelStorei(name, value);
}

void popPixelStore() {
    glPopClientAttrib();
}

const char* const kMultiTexCoord2fName = "glMultiTexCoord2f";
