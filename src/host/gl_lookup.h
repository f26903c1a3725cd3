// The GL lookup the shader module finds its ARB entry points with. SDL's own lookup is not
// enough on its own: GLX hands out a callable stub for any "gl..." name, offered by the
// driver or not, and answers while no context is current. This one gives null in both cases,
// so a driver without the shader objects is seen as such.
#pragma once

// Whether `name` is one of the whole, space-separated names of the extension string (a null
// string lists nothing).
bool extensionListed(const char* extensions, const char* name);

// The extension an ARB entry point of the shader module belongs to: "GL_ARB_vertex_shader"
// for the three attribute calls, "GL_ARB_shader_objects" for every other name ending in
// "ARB"; null for names outside both.
const char* extensionOfEntryPoint(const char* name);

// The lookup's rule with its inputs given: null without a current context, and null for an
// ARB entry point whose extension is not listed; else whatever `find` gives.
void* lookUpEntryPoint(const char* name, bool contextCurrent, const char* extensions,
                       void* (*find)(const char* name));

// The rule on the current SDL GL context and its extension string.
void* lookUpGlEntryPoint(const char* name);
