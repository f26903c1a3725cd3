// Models and GL set-up for the tests and benchmarks of the loader and the scenes: OBJ text
// made on the fly, the program's projection and fixed state, stand-in textures, the four
// ModelTable slots filled from the data set when it is built (else from made-up models), and
// scene frames drawn offscreen with the GL state they leave.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct ObjModel;
class OffscreenGl;

// A UV sphere of the given radius with v, vn, vt lines and v/t/n quads (degenerate at the
// poles), its faces split between the groups "north" and "south".
std::string sphereObjText(float radius, int rings, int segments);
// Writes text to a fresh file in this process's temporary folder; returns its path.
std::string writeTempFile(const std::string& name, const std::string& text);
// What every load must leave: triangle numbers 0 .. count - 1 shared out among the groups,
// each once; "default" last; every reference inside its array.
void expectObjModelConsistent(const ObjModel& m);

// The program's scene set-up: 512 x 512 viewport, gluPerspective(45, 800/600, 1, 100),
// depth test with GL_LEQUAL, sphere-map texture generation mode for s and t, white.
void setUpSceneGlState();
// A 32 x 32 stand-in texture: a round glow of colour (r, g, b) with alpha falling to 0 at
// the rim, a mask for multiplying (white at the rim, grey in the middle), or coloured spokes
// (an environment or a twirl). Returns the GL name.
enum class TextureLook { Glow, Mask, Spokes };
unsigned makeTestTexture(TextureLook look, float r = 1, float g = 1, float b = 1);
// Stand-in textures in every slot the scenes and the sprite field bind. The tunnel's glow
// (slot 24) is pure red, so a picture drawn with it alone has no green or blue.
void makeSceneTextures();
// Loads ModelTable 0-3 from QUORLITH_BUILD_DIR/data/3d when the data set is there,
// otherwise from generated spheres. Returns a word naming the source.
const char* loadSceneModels();
// The scene toolkit's random tables as the start-up leaves them.
void fillSceneTables();
// What start-up does before the first frame, in the parts the scenes rely on: the tables,
// the fixed state and the shared quadric.
void initialiseScenesLikeStartUp();

// The context the scene tests draw in (800 x 600), made once and never torn down: closing it
// unloads the GL driver, whose own allocations the leak checker could then no longer
// attribute. On first use it is initialised like start-up and gets the textures.
OffscreenGl& sceneContext();

inline constexpr int kSceneSize = 512;
// One scene frame in the 512 square as the composer sets it up (cleared to grey level
// `background`, texturing and blending off, opaque white): its pixels and depth, bottom row
// first, and the state the scene leaves.
struct SceneFrame {
    std::vector<uint8_t> rgb; // 3 bytes a pixel
    std::vector<float> depth;
    std::array<int, 6> flags; // blend, texturing, depth writes, texgen s, t, modelview depth
    std::array<float, 4> colour;
    std::array<int, 3> blend; // source and destination factors, bound texture
    std::array<float, 16> modelview;
};
SceneFrame drawSceneFrame(void (*scene)(float), float t, float background = 0.0f);
// Pixels off grey level `level` (b null) or off b's by more than `slack` in some channel.
int pixelsOff(const SceneFrame& a, const SceneFrame* b = nullptr, int slack = 8, int level = 0);
