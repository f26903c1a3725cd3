#include "web/web_gl_lookup.h"

#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>

extern "C" void* emscripten_GetProcAddress(const char* name);

namespace {
// Handles of the current program and its attached shaders are never read back here.
GLhandleARB getHandle(GLenum) {
    return 0;
}
void getObjectParameterfv(GLhandleARB, GLenum, GLfloat* params) {
    if (params != nullptr) {
        *params = 0.0f;
    }
}
void getAttachedObjects(GLhandleARB, GLsizei, GLsizei* count, GLhandleARB*) {
    if (count != nullptr) {
        *count = 0;
    }
}
} // namespace

void* lookUpWebGlEntryPoint(const char* name) {
    if (std::strcmp(name, "glGetHandleARB") == 0) {
        return reinterpret_cast<void*>(&getHandle);
    }
    if (std::strcmp(name, "glGetObjectParameterfvARB") == 0) {
        return reinterpret_cast<void*>(&getObjectParameterfv);
    }
    if (std::strcmp(name, "glGetAttachedObjectsARB") == 0) {
        return reinterpret_cast<void*>(&getAttachedObjects);
    }
    return emscripten_GetProcAddress(name);
}
