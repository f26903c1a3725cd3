// The GL lookup of the web build: emscripten's own, plus three calls the shader module only
// asks about (never needs for drawing) that the browser's GL emulation does not offer.
#pragma once

void* lookUpWebGlEntryPoint(const char* name);
