// The start-up: everything the frames need, made once before the first frame.
#pragma once

#include <string>

class ShaderProgram;
struct FrameGeometry;

// The post-process program built last at start-up, or null.
extern ShaderProgram* PostProcessProgram;
// The same files built as the variants that share the post-process out: `farGlowMap` draws the
// far glow's small map, `picture` the picture with its far glow read from that map, and
// `pictureWithOverlays` that picture multiplied by the screen overlays too. All null where the
// files do not offer each of them, or without the post-process program.
struct PostProcessVariants {
    ShaderProgram* farGlowMap = nullptr;
    ShaderProgram* picture = nullptr;
    ShaderProgram* pictureWithOverlays = nullptr;
};
extern PostProcessVariants PostProcessVariantPrograms;

// Where the data folder is ("data" beside the executable unless told otherwise).
void setDataDirectory(const std::string& dir);
// A file of the data set by its name in the data folder, e.g. "textures/water1.png".
std::string dataPath(const std::string& relative);

// Random tables, models, GL state, textures, music (starts playing), spectrum, shader.
void initializeDemo();
void initializeGlState();
void loadTextures();

// Draws the frames at `geometry` from now on: the passes' boxes, and the title and credits
// images at the scale that size needs (loaded now when the start-up is done, else by it).
void applyFrameGeometry(const FrameGeometry& geometry);
