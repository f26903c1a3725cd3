#include "timeline/passes.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <vector>

#include "gfx/gl_compat.h"
#include "gfx/multitexture.h"
#include "gfx/ramp.h"
#include "gfx/screen_projection.h"
#include "gfx/textures.h"
#include "shader/glsl_shaders.h"

GLuint renderTargetTexture = 0;
int renderTargetWidth = kLayoutRenderTarget;
int renderTargetHeight = kLayoutRenderTarget;

namespace {
// The side of the render target texture's square storage (0 when not square).
int targetStorageSize = 0;

FrameGeometry geometry;

// The screen's bars, y down: the top one ends and the bottom one begins here.
constexpr double kTopBarEnd = 60.0;
constexpr double kBottomBarStart = 540.0;

// The picture's viewport, which the 800 x 600 screen projection fills.
void setPictureViewport() {
    const PixelBox& picture = geometry.picture;
    glViewport(picture.x, picture.y, picture.width, picture.height);
}

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

void setFrameGeometry(const FrameGeometry& frame) {
    geometry = frame;
    renderTargetWidth = frame.renderTarget;
    renderTargetHeight = frame.renderTarget;
}

const FrameGeometry& frameGeometry() {
    return geometry;
}

void setSceneViewport(int size) {
    glViewport(geometry.picture.x, geometry.picture.y, size, size);
}

void presentRenderTarget(int size) {
    copyToRenderTarget(size);
    drawRenderTargetQuad();
}

void copyToRenderTarget(int size) {
    glBindTexture(GL_TEXTURE_2D, renderTargetTexture);
    if (size == targetStorageSize) {
        // Into the texture as it is, without making its storage anew.
        glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, geometry.picture.x, geometry.picture.y, size,
                            size);
    } else {
        glCopyTexImage2D(GL_TEXTURE_2D, 0, GL_RGB8, geometry.picture.x, geometry.picture.y, size,
                         size, 0);
        targetStorageSize = size;
    }
}

void drawRenderTargetQuad() {
    setPictureViewport();
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
        reinterpret_cast<decltype(found.multiTexCoord2f)>(lookup(kMultiTexCoord2fName));
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
    setPictureViewport();
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
    const PixelBox corner{geometry.picture.x, geometry.picture.y, kFarGlowMapSize, kFarGlowMapSize};
    glViewport(corner.x, corner.y, corner.width, corner.height);
    scissorTo(corner);
    glDisable(GL_DEPTH_TEST);
    beginScreenProjection();
    glBindTexture(GL_TEXTURE_2D, renderTargetTexture);
    // The whole render target over the corner: texel centres of the map fall on texture
    // coordinates (i + 0.5) / 128.
    drawUnmirroredQuad(0.0f, kScreenWidth);
    glBindTexture(GL_TEXTURE_2D, farGlowMapTexture);
    glCopyTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, corner.x, corner.y, kFarGlowMapSize,
                        kFarGlowMapSize);
    glBindTexture(GL_TEXTURE_2D, 0);
    endScreenProjection();
    glEnable(GL_DEPTH_TEST);
    setPictureViewport();
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

int blurMarginRows(int size) {
    // The blur reaches about 15 rows of 512 (in texture units, so in proportion at every
    // size): 27 of 512 are kept.
    return (27 * size + kLayoutRenderTarget - 1) / kLayoutRenderTarget;
}

PixelBox visibleSceneRows(const FrameGeometry& frame, int size) {
    // The bars hide a tenth of the square at the top and at the bottom; the margin keeps the
    // rows the blur reads from beyond them.
    const int hidden = size / 10 - blurMarginRows(size);
    return {frame.picture.x, frame.picture.y + hidden, size, size - 2 * hidden};
}

void beginVisibleSceneRows(int size) {
    scissorTo(visibleSceneRows(geometry, size));
    glEnable(GL_SCISSOR_TEST);
}

PixelBox betweenTheBars(const FrameGeometry& frame) {
    return frame.screenBox(0.0, kTopBarEnd, kLayoutWidth, kBottomBarStart);
}

PixelBox bottomBar(const FrameGeometry& frame) {
    return frame.screenBox(0.0, kBottomBarStart, kLayoutWidth, kLayoutHeight);
}

PixelBox topBar(const FrameGeometry& frame) {
    return frame.screenBox(0.0, 0.0, kLayoutWidth, kTopBarEnd);
}

void beginBetweenTheBars() {
    scissorTo(betweenTheBars(geometry));
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
    for (const PixelBox bar : {bottomBar(geometry), topBar(geometry)}) {
        scissorTo(bar);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    glDisable(GL_SCISSOR_TEST);
    glClearColor(clearColor[0], clearColor[1], clearColor[2], clearColor[3]);
}

PixelBox creditsCover(const FrameGeometry& frame, float startTime, float t) {
    // The image spans x 150 to 662 of the screen and 1024 rows down from its top edge (y
    // down). In the picture's pixels (sx, sy of them to a screen unit, rows counted down from
    // its top) column i has its centre at i + 0.5 and row r at r + 0.5; a pixel is surely
    // covered when its centre lies at least a pixel inside every edge.
    const PixelBox& picture = frame.picture;
    const double sx = static_cast<double>(picture.width) / kLayoutWidth;
    const double sy = static_cast<double>(picture.height) / kLayoutHeight;
    const double top = creditsTop(startTime, t);
    const auto left = static_cast<int>(std::ceil(150.0 * sx + 0.5));
    const auto right = static_cast<int>(std::floor(662.0 * sx - 1.5));
    // Rows counted down from the picture's top, then turned to GL's rows up from its bottom.
    const auto first = std::max(static_cast<int>(std::ceil(top * sy + 0.5)), 0);
    const auto last =
        std::min(static_cast<int>(std::floor((top + 1024.0) * sy - 1.5)), picture.height - 1);
    if (last < first || right < left) {
        return {};
    }
    return {picture.x + left, picture.y + picture.height - 1 - last, right - left + 1,
            last - first + 1};
}

int boxesBetweenTheBarsAround(const FrameGeometry& frame, PixelBox hole, PixelBox boxes[4]) {
    const PixelBox between = betweenTheBars(frame);
    const int left = between.x;
    const int right = between.x + between.width;
    const int low = between.y;
    const int high = between.y + between.height;
    const int x0 = std::max(hole.x, left);
    const int x1 = std::min(hole.x + hole.width, right);
    const int y0 = std::max(hole.y, low);
    const int y1 = std::min(hole.y + hole.height, high);
    if (x0 >= x1 || y0 >= y1) {
        boxes[0] = between;
        return 1;
    }
    int count = 0;
    const PixelBox around[4] = {{left, low, between.width, y0 - low},
                                {left, y1, between.width, high - y1},
                                {left, y0, x0 - left, y1 - y0},
                                {x1, y0, right - x1, y1 - y0}};
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
