#include "shader/glsl_shaders.h"

namespace {
GlProcLookup procLookup = nullptr;
ShaderMessageBox messageBox = nullptr;
} // namespace

void setGlProcLookup(GlProcLookup lookup) {
    procLookup = lookup;
}
void setShaderMessageBox(ShaderMessageBox box) {
    messageBox = box;
}

void ShaderProgram::beginUse() {}
void ShaderProgram::endUse() {}
bool ShaderProgram::setUniformFloat(const char*, float) {
    return false;
}
bool ShaderProgram::setUniformInt(const char*, int) {
    return false;
}

ShaderProgram* ShaderLibrary::createProgram(const char*, const char*) {
    return nullptr;
}

ShaderLibrary& shaderLibrary() {
    static ShaderLibrary library;
    return library;
}
