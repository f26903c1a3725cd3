#include "host/gl_lookup.h"

#include <SDL2/SDL.h>

#include <cstring>
#include <string_view>

#include "gfx/gl.h"

namespace {
void* findWithSdl(const char* name) {
    return SDL_GL_GetProcAddress(name);
}
} // namespace

bool extensionListed(const char* extensions, const char* name) {
    if (extensions == nullptr || name == nullptr || name[0] == '\0') {
        return false;
    }
    const std::string_view wanted = name;
    std::string_view rest = extensions;
    while (!rest.empty()) {
        const std::size_t space = rest.find(' ');
        if (rest.substr(0, space) == wanted) {
            return true;
        }
        if (space == std::string_view::npos) {
            break;
        }
        rest.remove_prefix(space + 1);
    }
    return false;
}

const char* extensionOfEntryPoint(const char* name) {
    static constexpr std::string_view kAttributeCalls[] = {
        "glBindAttribLocationARB", "glGetActiveAttribARB", "glGetAttribLocationARB"};
    const std::string_view entry = name != nullptr ? name : "";
    for (const std::string_view call : kAttributeCalls) {
        if (entry == call) {
            return "GL_ARB_vertex_shader";
        }
    }
    return entry.size() > 3 && entry.ends_with("ARB") ? "GL_ARB_shader_objects" : nullptr;
}

void* lookUpEntryPoint(const char* name, bool contextCurrent, const char* extensions,
                       void* (*find)(const char* name)) {
    if (!contextCurrent || name == nullptr) {
        return nullptr;
    }
    const char* extension = extensionOfEntryPoint(name);
    if (extension != nullptr && !extensionListed(extensions, extension)) {
        return nullptr;
    }
    return find(name);
}

void* lookUpGlEntryPoint(const char* name) {
    const bool current = SDL_GL_GetCurrentContext() != nullptr;
    const char* extensions =
        current ? reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)) : nullptr;
    return lookUpEntryPoint(name, current, extensions, findWithSdl);
}
