// The post-process pass as the frame composer runs it, for the render test and the benchmark:
// a test picture drawn into the 512 x 512 corner, copied into a texture and stretched over
// 800 x 600, plain or through a program with its four uniforms.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/gl.h"
#include "gfx/screen_projection.h"
#include "shader/glsl_shaders.h"

namespace postprocess {

inline constexpr int kSquare = 512;

inline void fillRect(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x0, y1);
    glVertex2f(x1, y1);
    glVertex2f(x1, y0);
    glEnd();
}

// A bright pattern on black, y up: a white block, a thin white bar, a red block and a dim grey
// block that is too dark to glow.
inline void drawPicture() {
    glViewport(0, 0, kSquare, kSquare);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kSquare, 0, kSquare, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    fillRect(192, 192, 320, 320);
    fillRect(64, 40, 448, 44);
    glColor3f(1, 0.1f, 0.1f);
    fillRect(380, 380, 460, 460);
    glColor3f(0.2f, 0.2f, 0.2f);
    fillRect(40, 380, 120, 460);
    glColor3f(1, 1, 1);
    glEnable(GL_DEPTH_TEST);
}

class PostProcessPass {
  public:
    PostProcessPass() {
        glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        std::vector<uint8_t> black(kSquare * kSquare * 4, 0);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, kSquare, kSquare, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     black.data());
    }
    ~PostProcessPass() { glDeleteTextures(1, &texture_); }

    // The composer's sequence: the program (if any) with its four uniforms around the copy and
    // the stretched quad.
    void run(ShaderProgram* program, float slider2, float time) {
        if (program != nullptr) {
            program->beginUse();
            program->setUniformInt("texture", 0);
            program->setUniformFloat("slider", 0.0055f);
            program->setUniformFloat("slider2", slider2);
            program->setUniformFloat("time", time);
        }
        glBindTexture(GL_TEXTURE_2D, texture_);
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, kSquare, kSquare, 0);
        glViewport(0, 0, 800, 600);
        beginBackdropProjection();
        glEnable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 1);
        glVertex2f(-5, 0);
        glTexCoord2f(0, 0);
        glVertex2f(-5, 600);
        glTexCoord2f(1, 0);
        glVertex2f(805, 600);
        glTexCoord2f(1, 1);
        glVertex2f(805, 0);
        glEnd();
        endScreenProjection();
        glEnable(GL_DEPTH_TEST);
        glDisable(GL_TEXTURE_2D);
        if (program != nullptr) {
            program->endUse();
        }
    }

  private:
    GLuint texture_ = 0;
};

} // namespace postprocess
