// The screen-space passes around the 3D scenes: the render target and its full-screen
// quad, backgrounds, multiply overlays, timed fades, credits and the letterbox. Between
// passes: texturing and blending off, colour opaque white, depth test on (GL_LEQUAL),
// modelview current.
#pragma once

#include "gfx/frame_geometry.h"
#include "gfx/gl.h"

// The shape of the frame the passes draw: 800 x 600 until the host says otherwise. Makes the
// render target the new size at the next copy.
void setFrameGeometry(const FrameGeometry& geometry);
const FrameGeometry& frameGeometry();

extern GLuint renderTargetTexture;
extern int renderTargetWidth;
extern int renderTargetHeight;

// Alpha of the black quad drawFadeWindow lays down at demo time t, or a negative value
// when the window draws nothing at all (outside start < t < end + 5).
float fadeWindowAlpha(float start, float end, float t);
// Top edge of the credits image at demo time t.
float creditsTop(float startTime, float t);

void createRenderTarget();
// Finds, through the GL lookup, the multitexture calls the one-pass overlays and the twin
// knots need (GL 1.3 and two texture units); without them both draw as before.
void prepareScreenPasses();
// The scenes' viewport: the size x size square at the picture's origin.
void setSceneViewport(int size);
void presentRenderTarget(int size);
// presentRenderTarget in two steps, so the quad can be drawn box by box after one copy.
void copyToRenderTarget(int size);
void drawRenderTargetQuad();
void drawPlainBackground(int textureIndex);
void drawScrollingBackground(int textureIndex, float scroll);
void drawMultiplyOverlay(int textureIndex);
// Both overlays in a row, as one pass multiplying by both textures where two texture units
// exist (the product rounded once: within a level of two passes), else as two passes.
void drawMultiplyOverlays(int firstIndex, int secondIndex);
// The product of two overlays (as drawMultiplyOverlays draws it) as one texture, or 0 where
// there is none: without two texture units, or where the two differ in size.
GLuint screenOverlayProduct(int firstIndex, int secondIndex);
// Which pixels a quad at the overlays' depth reaches: all (the test off), those where an
// overlay passes the depth test, or the others.
enum class OverlayDepth { Everywhere, Passing, Failing };
// The render target's picture laid as the overlays lay theirs (the screen, at their depth),
// multiplied by `product` on the second texture unit unless that is 0. Drawn through the
// program in use, if any; it must then multiply by "overlay" itself. Needs the multitexture
// calls (screenOverlayProduct is 0 without them).
void drawRenderTargetAsOverlay(GLuint product, OverlayDepth depth);
// The far glow map's side in texels: one for each 4 x 4 of the render target's.
inline constexpr int kFarGlowMapSize = 128;
// Whether programs can read the far glow map: the multitexture calls and three texture units.
bool farGlowMapAvailable();
// The far glow map drawn through the program in use (the post-process's map variant, reading
// the render target) into the picture's bottom-left corner, which the passes after it cover,
// and copied into the map's texture (made at the first frame that needs it). Leaves the
// scissor box at that corner.
void drawFarGlowMap();
// The far glow map bound on the third texture unit, where the program in use reads it; with
// false, unbound again.
void bindFarGlowMap(bool bound);

void drawFadeWindow(float start, float end, float t);
void drawCredits(float startTime, float t);
void drawLetterbox();
// Only rows of the render target near the middle reach the screen between the letterbox bars
// (with a margin for the post-process blur): the scene passes skip the others.
void beginVisibleSceneRows(int size);
// The margin of render-target rows kept beyond the bars for the blur: 27 at 512, in
// proportion at other sizes (the blur's reach is in texture units).
int blurMarginRows(int size);

// The passes between the render target's quad and the letterbox only need to reach the rows
// between the bars (the letterbox covers the rest): a scissor box skips the others.
void beginBetweenTheBars();
void endBetweenTheBars();

// The window pixels the credits image surely covers at demo time t: those whose centres lie
// at least a pixel inside its edges, within the picture (empty while it is out of view).
PixelBox creditsCover(const FrameGeometry& frame, float startTime, float t);
// The picture's rows between the bars less `hole`, as at most four boxes (below, above, left
// and right of it); returns how many were written. Without a hole: the one box between the
// bars.
int boxesBetweenTheBarsAround(const FrameGeometry& frame, PixelBox hole, PixelBox boxes[4]);
// The window pixels between the letterbox bars.
PixelBox betweenTheBars(const FrameGeometry& frame);
// The letterbox bars' window pixels: the bottom one, then the top one.
PixelBox bottomBar(const FrameGeometry& frame);
PixelBox topBar(const FrameGeometry& frame);
// The part of the scene square's window pixels beginVisibleSceneRows lets the scene draw in.
PixelBox visibleSceneRows(const FrameGeometry& frame, int size);
// The pixels in both boxes (empty where they do not meet).
PixelBox overlapOf(PixelBox a, PixelBox b);
// Narrows the passes' scissor box (after beginBetweenTheBars) to `box`.
void scissorTo(PixelBox box);
