// Models and GL set-up for the tests and benchmarks of the model scenes: OBJ text made
// on the fly, the program's projection and fixed state, stand-in textures, and the four
// ModelTable slots filled from the data set when it is built (else from made-up models).
#pragma once

#include <string>

// A UV sphere of the given radius with v, vn, vt lines and v/t/n faces (quads, triangles
// at the poles), its faces split between the groups "north" and "south".
std::string sphereObjText(float radius, int rings, int segments);
// Writes text to a fresh file in this process's temporary folder; returns its path.
std::string writeTempFile(const std::string& name, const std::string& text);

// The program's scene set-up: 512 x 512 viewport, gluPerspective(45, 800/600, 1, 100),
// depth test with GL_LEQUAL, sphere-map texture generation mode for s and t, white.
void setUpSceneGlState();

// Small stand-in textures in the slots the model scenes and the sprite field bind
// (6, 7, 8, 9, 14); released by releaseSceneTextures.
void makeSceneTextures();
void releaseSceneTextures();

// Loads ModelTable 0-3 from QUORLITH_BUILD_DIR/data/3d when the data set is there,
// otherwise from generated spheres. Returns a word naming the source.
const char* loadSceneModels();
void releaseSceneModels();

// The scene toolkit's random tables as the start-up leaves them.
void fillSceneTables();
