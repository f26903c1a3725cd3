#include "gfx/billboard.h"

#include "gfx/gl.h"

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
    static const GLshort texCoords[4][2] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    glBegin(GL_QUADS);
    for (int i = 0; i < 4; ++i) {
        glTexCoord2s(texCoords[i][0], texCoords[i][1]);
        glVertex3fv(&quad.corners[i].x);
    }
    glEnd();
}
