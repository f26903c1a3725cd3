// The post-process pass as the frame composer runs it, for the benchmark:
// a test picture drawn into the 512 x 512 corner, then the demo's own render target pass
// (copy, stretched over 800 x 600), plain or through a program with its four uniforms.
#pragma once

#include "gfx/gl.h"
#include "shader/glsl_shaders.h"
#include "timeline/passes.h"

namespace postprocess {

inline constexpr int kSquare = kLayoutRenderTarget;

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
    glRectf(192, 192, 320, 320);
    glRectf(64, 40, 448, 44);
    glColor3f(1, 0.1f, 0.1f);
    glRectf(380, 380, 460, 460);
    glColor3f(0.2f, 0.2f, 0.2f);
    glRectf(40, 380, 120, 460);
    glColor3f(1, 1, 1);
    glEnable(GL_DEPTH_TEST);
}

// The demo's render target, made in the current context and deleted with the pass.
class PostProcessPass {
  public:
    PostProcessPass() { createRenderTarget(); }
    ~PostProcessPass() {
        glDeleteTextures(1, &renderTargetTexture);
        renderTargetTexture = 0;
    }
    PostProcessPass(const PostProcessPass&) = delete;
    PostProcessPass& operator=(const PostProcessPass&) = delete;

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
        presentRenderTarget(kSquare);
        if (program != nullptr) {
            program->endUse();
        }
    }
};

} // namespace postprocess
