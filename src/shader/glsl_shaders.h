// GLSL through the ARB shader-object extensions: entry points, capability checks, GL error
// reports, shader stages, programs, uniforms and the library that owns the programs.
#pragma once

#include "gfx/gl.h"

// How the module finds GL entry points by name (null for a name the driver lacks).
using GlProcLookup = void* (*)(const char* name);
void setGlProcLookup(GlProcLookup lookup);

// How the module shows a modal message box (caption "Error"); by default stderr only.
using ShaderMessageBox = void (*)(const char* text);
void setShaderMessageBox(ShaderMessageBox box);

class ShaderProgram {
  public:
    void beginUse();
    void endUse();
    bool setUniformFloat(const char* name, float value);
    bool setUniformInt(const char* name, int value);
};

class ShaderLibrary {
  public:
    ShaderProgram* createProgram(const char* vertexPath, const char* fragmentPath);
};

// The one process-wide library, destroyed during the normal process exit.
ShaderLibrary& shaderLibrary();
