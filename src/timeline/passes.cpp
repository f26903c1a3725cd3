#include "timeline/passes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "gfx/multitexture.h"
#include "gfx/ramp.h"
#include "gfx/screen_projection.h"
#include "gfx/textures.h"
#include "shader/glsl_shaders.h"

GLuint renderTargetTexture = 0;
int renderTargetWidth = kRenderTargetSize;
int renderTargetHeight = kRenderTargetSize;

namespace {
// The side of the render target texture's square storage (0 when not square).
int targetStorageSize = 0;

// The height of each letterbox bar in pixels.
constexpr int kLetterboxBar = 60;

// The screen quad mirrored left to right, as the backgrounds and overlays draw it.
void drawMirroredScreenQuad() {
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(0.0f, kScreenHeight);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(kScreenWidth, kScreenHeight);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(kScreenWidth, 0.0f);
    glEnd();
}

// A texture the right way round on a quad the screen's height (y down), from x `left` to
// `right`.
void drawUnmirroredQuad(GLfloat left, GLfloat right) {
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(left, 0.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(left, kScreenHeight);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(right, kScreenHeight);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(right, 0.0f);
    glEnd();
}

void endTexturedPass() {
    endUnmodulatedTexels();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glDisable(GL_BLEND);
    glDisable(GL_TEXTURE_2D);
    endScreenProjection();
}
} // namespace

float fadeWindowAlpha(float start, float end, float t) {
    if (!(start < t && t < end + 5.0f)) {
        return -1.0f;
    }
    const float fadeIn = clampedRamp(start, start + 2.0f, t);
    const float fadeOut = clampedRamp(end, end + 2.0f, t);
    return (1.0f - fadeOut) * fadeIn;
}

float creditsTop(float startTime, float t) {
    return 700.0f - (t - startTime) * 45.0f;
}

void createRenderTarget() {
    const std::vector<unsigned char> black(
        static_cast<std::size_t>(renderTargetWidth) * renderTargetHeight * 4, 0);
    glGenTextures(1, &renderTargetTexture);
    glBindTexture(GL_TEXTURE_2D, renderTargetTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, renderTargetWidth, renderTargetHeight, 0, GL_RGB,
                 GL_UNSIGNED_BYTE, black.data());
    targetStorageSize = renderTargetWidth == renderTargetHeight ? renderTargetWidth : 0;
}

void setSceneViewport(int size) {
    glViewport(0, 0, size, size);
}

void presentRenderTarget(int size) {
    copyToRenderTarget(size);
    drawRenderTargetQuad();
}

void copyToRenderTarget(int size) {
    glBindTexture(GL_TEXTURE_2D, renderTargetTexture);
    if (size == targetStorageSize) {
        // Into the texture as it is, without making its storage anew.
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, size, size);
    } else {
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, 0, 0, size, size, 0);
        targetStorageSize = size;
    }
}

void drawRenderTargetQuad() {
    glViewport(0, 0, static_cast<GLsizei>(kScreenWidth), static_cast<GLsizei>(kScreenHeight));
    beginBackdropProjection();
    glEnable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, renderTargetTexture);
    beginUnmodulatedTexels();
    // 810 pixels wide: the outermost 5 columns of the copy fall off each side.
    drawUnmirroredQuad(-5.0f, kScreenWidth + 5.0f);
    endUnmodulatedTexels();
    endScreenProjection();
    glEnable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
}

void drawPlainBackground(int textureIndex) {
    beginBackdropProjection();
    glColor4f(0.6f, 0.6f, 0.6f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(textureIndex);
    drawMirroredScreenQuad();
    endTexturedPass();
}

void drawScrollingBackground(int textureIndex, float scroll) {
    beginScreenProjection();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(textureIndex);
    beginUnmodulatedTexels();
    // A strip 800 x 2048, mirrored; only y 0..600 is inside the projection.
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, scroll);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(1.0f, scroll + 1.0f);
    glVertex2f(0.0f, 2048.0f);
    glTexCoord2f(0.0f, scroll + 1.0f);
    glVertex2f(kScreenWidth, 2048.0f);
    glTexCoord2f(0.0f, scroll);
    glVertex2f(kScreenWidth, 0.0f);
    glEnd();
    endTexturedPass();
}

namespace {
// A screen pass that multiplies the picture by `texture` (on the active unit, its texels as
// they are); ends with endTexturedPass.
void beginMultiplyingPass(GLuint texture) {
    beginScreenProjection();
    glEnable(GL_BLEND);
    glBlendFunc(GL_DST_COLOR, GL_ZERO);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    beginUnmodulatedTexels();
}

void drawMultiplyingQuad(GLuint texture) {
    beginMultiplyingPass(texture);
    drawMirroredScreenQuad();
    endTexturedPass();
}
} // namespace

void drawMultiplyOverlay(int textureIndex) {
    drawMultiplyingQuad(TextureTable[textureIndex]);
}

namespace {
// Both overlays multiplied together once, texel by texel, rounded to the nearest level as the
// one-pass multitexture drawing rounds their product; made at the first frame that needs it.
struct OverlayProduct {
    GLuint first = 0;
    GLuint second = 0;
    GLuint product = 0;
};
OverlayProduct overlayProduct;

GLuint makeOverlayProduct(GLuint first, GLuint second) {
    GLint width = 0;
    GLint height = 0;
    GLint secondWidth = 0;
    GLint secondHeight = 0;
    std::vector<GLubyte> texels;
    std::vector<GLubyte> secondTexels;
    if (!readTextureLevelZero(first, width, height, texels) ||
        !readTextureLevelZero(second, secondWidth, secondHeight, secondTexels) ||
        width != secondWidth || height != secondHeight) {
        return 0;
    }
    for (std::size_t i = 0; i < texels.size(); ++i) {
        texels[i] = static_cast<GLubyte>((texels[i] * secondTexels[i] * 2 + 255) / 510);
    }
    return makeNearestTexture(width, height, texels);
}

// 0 where the two differ in size or a slot is empty.
GLuint overlayProductOf(GLuint first, GLuint second) {
    if (first == 0 || second == 0) {
        return 0;
    }
    if (overlayProduct.first != first || overlayProduct.second != second) {
        overlayProduct = {first, second, makeOverlayProduct(first, second)};
    }
    return overlayProduct.product;
}

GLuint farGlowMapTexture = 0;
int programTextureUnits = 0;
} // namespace

void prepareScreenPasses() {
    // A product or map made in another context names nothing here.
    overlayProduct = OverlayProduct{};
    farGlowMapTexture = 0;
    multitexture = MultitextureCalls{};
    programTextureUnits = 0;
    if (hasGlExtension("GL_ARB_fragment_shader")) {
        glGetIntegerv(GL_MAX_TEXTURE_IMAGE_UNITS_ARB, &programTextureUnits);
    }
    const GlProcLookup lookup = glProcLookup();
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    if (lookup == nullptr || units < 2) {
        return;
    }
    MultitextureCalls found;
    found.activeTexture =
        reinterpret_cast<decltype(found.activeTexture)>(lookup("glActiveTexture"));
    found.clientActiveTexture =
        reinterpret_cast<decltype(found.clientActiveTexture)>(lookup("glClientActiveTexture"));
    found.multiTexCoord2f =
        reinterpret_cast<decltype(found.multiTexCoord2f)>(lookup("glMultiTexCoord2f"));
    if (found.available()) {
        multitexture = found;
    }
}

void drawMultiplyOverlays(int firstIndex, int secondIndex) {
    if (!multitexture.available()) {
        drawMultiplyOverlay(firstIndex);
        drawMultiplyOverlay(secondIndex);
        return;
    }
    if (const GLuint product =
            overlayProductOf(TextureTable[firstIndex], TextureTable[secondIndex])) {
        drawMultiplyingQuad(product);
        return;
    }
    beginMultiplyingPass(TextureTable[firstIndex]);
    multitexture.activeTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(secondIndex);
    // The mirrored screen quad with both units' coordinates.
    const GLfloat corners[4][4] = {{1.0f, 0.0f, 0.0f, 0.0f},
                                   {1.0f, 1.0f, 0.0f, kScreenHeight},
                                   {0.0f, 1.0f, kScreenWidth, kScreenHeight},
                                   {0.0f, 0.0f, kScreenWidth, 0.0f}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) {
        multitexture.multiTexCoord2f(GL_TEXTURE0, c[0], c[1]);
        multitexture.multiTexCoord2f(GL_TEXTURE1, c[0], c[1]);
        glVertex2f(c[2], c[3]);
    }
    glEnd();
    glBindTexture(GL_TEXTURE_2D, 0);
    glDisable(GL_TEXTURE_2D);
    multitexture.activeTexture(GL_TEXTURE0);
    endTexturedPass();
}

GLuint screenOverlayProduct(int firstIndex, int secondIndex) {
    if (!multitexture.available()) {
        return 0;
    }
    return overlayProductOf(TextureTable[firstIndex], TextureTable[secondIndex]);
}

void drawRenderTargetAsOverlay(GLuint product, OverlayDepth depth) {
    glViewport(0, 0, static_cast<GLsizei>(kScreenWidth), static_cast<GLsizei>(kScreenHeight));
    if (depth == OverlayDepth::Everywhere) {
        glDisable(GL_DEPTH_TEST);
    } else {
        glDepthMask(GL_FALSE);
        glDepthFunc(depth == OverlayDepth::Passing ? GL_LEQUAL : GL_GREATER);
    }
    beginScreenProjection();
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, renderTargetTexture);
    beginUnmodulatedTexels();
    if (product != 0) {
        multitexture.activeTexture(GL_TEXTURE1);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, product);
        multitexture.activeTexture(GL_TEXTURE0);
    }
    // The overlays' mirrored quad, corner for corner; the render target's coordinates are
    // those its own 810-pixel-wide quad gives at the screen's edges.
    constexpr GLfloat left = 5.0f / 810.0f;
    constexpr GLfloat right = 805.0f / 810.0f;
    const GLfloat corners[4][6] = {{left, 1.0f, 1.0f, 0.0f, 0.0f, 0.0f},
                                   {left, 0.0f, 1.0f, 1.0f, 0.0f, kScreenHeight},
                                   {right, 0.0f, 0.0f, 1.0f, kScreenWidth, kScreenHeight},
                                   {right, 1.0f, 0.0f, 0.0f, kScreenWidth, 0.0f}};
    glBegin(GL_QUADS);
    for (const auto& c : corners) {
        glTexCoord2f(c[0], c[1]);
        if (product != 0) {
            multitexture.multiTexCoord2f(GL_TEXTURE1, c[2], c[3]);
        }
        glVertex2f(c[4], c[5]);
    }
    glEnd();
    if (product != 0) {
        multitexture.activeTexture(GL_TEXTURE1);
        glBindTexture(GL_TEXTURE_2D, 0);
        glDisable(GL_TEXTURE_2D);
        multitexture.activeTexture(GL_TEXTURE0);
    }
    endTexturedPass();
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_TRUE);
    glEnable(GL_DEPTH_TEST);
}

bool farGlowMapAvailable() {
    return multitexture.available() && programTextureUnits >= 3;
}

void drawFarGlowMap() {
    if (farGlowMapTexture == 0) {
        glGenTextures(1, &farGlowMapTexture);
        glBindTexture(GL_TEXTURE_2D, farGlowMapTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, kFarGlowMapSize, kFarGlowMapSize, 0, GL_RGB,
                     GL_UNSIGNED_BYTE, nullptr);
    }
    glViewport(0, 0, kFarGlowMapSize, kFarGlowMapSize);
    scissorTo({0, 0, kFarGlowMapSize, kFarGlowMapSize});
    glDisable(GL_DEPTH_TEST);
    beginScreenProjection();
    glBindTexture(GL_TEXTURE_2D, renderTargetTexture);
    // The whole render target over the corner: texel centres of the map fall on texture
    // coordinates (i + 0.5) / 128.
    drawUnmirroredQuad(0.0f, kScreenWidth);
    glBindTexture(GL_TEXTURE_2D, farGlowMapTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 0, 0, kFarGlowMapSize, kFarGlowMapSize);
    glBindTexture(GL_TEXTURE_2D, 0);
    endScreenProjection();
    glEnable(GL_DEPTH_TEST);
    glViewport(0, 0, static_cast<GLsizei>(kScreenWidth), static_cast<GLsizei>(kScreenHeight));
}

void bindFarGlowMap(bool bound) {
    multitexture.activeTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, bound ? farGlowMapTexture : 0);
    multitexture.activeTexture(GL_TEXTURE0);
}

void drawFadeWindow(float start, float end, float t) {
    const float alpha = fadeWindowAlpha(start, end, t);
    if (alpha < 0.0f) {
        return;
    }
    beginScreenProjection();
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0.0f, 0.0f, 0.0f, alpha);
    glBegin(GL_QUADS);
    glVertex2f(0.0f, 0.0f);
    glVertex2f(0.0f, kScreenHeight);
    glVertex2f(kScreenWidth, kScreenHeight);
    glVertex2f(kScreenWidth, 0.0f);
    glEnd();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    endScreenProjection();
    glDisable(GL_BLEND);
}

void drawCredits(float startTime, float t) {
    beginScreenProjection();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glTranslatef(150.0f, creditsTop(startTime, t), 0.0f);
    glEnable(GL_TEXTURE_2D);
    bindTableTexture(22);
    beginUnmodulatedTexels();
    // s from -1 to 0 shows the repeating image once, unmirrored.
    glBegin(GL_QUADS);
    glTexCoord2f(-1.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glTexCoord2f(-1.0f, 1.0f);
    glVertex2f(0.0f, 1024.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(512.0f, 1024.0f);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(512.0f, 0.0f);
    glEnd();
    endTexturedPass();
}

PixelBox visibleSceneRows(int size) {
    // The bars hide a tenth of the square at the top and at the bottom; the blur reaches
    // about 15 rows, so 27 rows more are kept on each side.
    const int hidden = size / 10 - 27;
    return {0, hidden, size, size - 2 * hidden};
}

void beginVisibleSceneRows(int size) {
    scissorTo(visibleSceneRows(size));
    glEnable(GL_SCISSOR_TEST);
}

PixelBox betweenTheBars() {
    return {0, kLetterboxBar, static_cast<int>(kScreenWidth),
            static_cast<int>(kScreenHeight) - 2 * kLetterboxBar};
}

void beginBetweenTheBars() {
    scissorTo(betweenTheBars());
    glEnable(GL_SCISSOR_TEST);
}

void endBetweenTheBars() {
    glDisable(GL_SCISSOR_TEST);
}

void drawLetterbox() {
    // Two opaque black bars over everything: cleared rather than drawn, the same pixels
    // for less work.
    GLfloat clearColor[4];
    glGetFloatv(GL_COLOR_CLEAR_VALUE, clearColor);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_SCISSOR_TEST);
    const int width = static_cast<int>(kScreenWidth);
    const int height = static_cast<int>(kScreenHeight);
    for (const PixelBox bar : {PixelBox{0, 0, width, kLetterboxBar},
                               PixelBox{0, height - kLetterboxBar, width, kLetterboxBar}}) {
        scissorTo(bar);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
}

PixelBox creditsCover(float startTime, float t) {
    // The image spans x 150 to 662 and 1024 rows down from its top edge (y down); a window
    // row y has its centre at 599.5 - y in those coordinates.
    const double top = creditsTop(startTime, t);
    const auto lowest = static_cast<int>(std::ceil(-423.5 - top));
    const auto highest = static_cast<int>(std::floor(598.5 - top));
    const int bottom = std::max(lowest, 0);
    const int height = std::min(highest, static_cast<int>(kScreenHeight) - 1) - bottom + 1;
    if (height <= 0) {
        return {};
    }
    return {151, bottom, 510, height};
}

int boxesBetweenTheBarsAround(PixelBox hole, PixelBox boxes[4]) {
    const int width = static_cast<int>(kScreenWidth);
    const int low = kLetterboxBar;
    const int high = static_cast<int>(kScreenHeight) - kLetterboxBar;
    const int x0 = std::max(hole.x, 0);
    const int x1 = std::min(hole.x + hole.width, width);
    const int y0 = std::max(hole.y, low);
    const int y1 = std::min(hole.y + hole.height, high);
    if (x0 >= x1 || y0 >= y1) {
        boxes[0] = {0, low, width, high - low};
        return 1;
    }
    int count = 0;
    const PixelBox around[4] = {{0, low, width, y0 - low},
                                {0, y1, width, high - y1},
                                {0, y0, x0, y1 - y0},
                                {x1, y0, width - x1, y1 - y0}};
    for (const PixelBox& box : around) {
        if (box.width > 0 && box.height > 0) {
            boxes[count++] = box;
        }
    }
    return count;
}

PixelBox overlapOf(PixelBox a, PixelBox b) {
    const int x0 = std::max(a.x, b.x);
    const int y0 = std::max(a.y, b.y);
    const int x1 = std::min(a.x + a.width, b.x + b.width);
    const int y1 = std::min(a.y + a.height, b.y + b.height);
    if (x0 >= x1 || y0 >= y1) {
        return {};
    }
    return {x0, y0, x1 - x0, y1 - y0};
}

void scissorTo(PixelBox box) {
    glScissor(box.x, box.y, box.width, box.height);
}
