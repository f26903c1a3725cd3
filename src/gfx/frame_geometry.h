// The shape of one frame at any output size. The timeline is laid out in an 800 x 600
// screen; the picture is drawn at the largest 4:3 size that fits the output, centred, with
// black around it, and every pass draws at the picture's own size. What scales with the
// picture (viewports, scissor boxes, the letterbox bars) comes from its height, what is
// measured in render-target texels from the render target's side; the 800 x 600 projection
// of the screen-space passes stays as it is. At 800 x 600 every box is the one the demo has
// always used.
#pragma once

// A box of window pixels, x from the left, y up from the bottom row (as GL counts).
struct PixelBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// The screen the timeline is laid out in, and its render target's side at that size.
inline constexpr int kLayoutWidth = 800;
inline constexpr int kLayoutHeight = 600;
inline constexpr int kLayoutRenderTarget = 512;
// The smallest output --size accepts: the far glow map's 128-texel square must fit inside
// the picture.
inline constexpr int kSmallestOutputWidth = 320;
inline constexpr int kSmallestOutputHeight = 240;

// The largest box of the source's aspect that fits the destination, centred (the rest of the
// destination is the black around it).
PixelBox fitRect(int sourceWidth, int sourceHeight, int destWidth, int destHeight);

// The render target's side for a picture `pictureHeight` pixels tall: round(512 H / 600).
int renderTargetSizeFor(int pictureHeight);

struct FrameGeometry {
    int outputWidth = kLayoutWidth;
    int outputHeight = kLayoutHeight;
    // The 4:3 picture inside the output.
    PixelBox picture{0, 0, kLayoutWidth, kLayoutHeight};
    // The side of the square the scenes are drawn in (at the picture's lower-left corner)
    // and copied from.
    int renderTarget = kLayoutRenderTarget;

    // The window column of the screen's x (0 to 800), rounded to the nearest pixel edge.
    int columnAt(double x) const;
    // The window row edge of the screen's y (0 at the top to 600, y down), rounded.
    int rowAt(double y) const;
    // The window pixels of the screen's box from (left, top) to (right, bottom), each edge
    // rounded on its own, so boxes that share an edge share it in pixels too.
    PixelBox screenBox(double left, double top, double right, double bottom) const;
};

// The frame for an output of the given size. With evenOrigin the picture's offset is rounded
// down to even pixels (4:2:0 video keeps its chroma out of the black around it).
FrameGeometry frameGeometryFor(int outputWidth, int outputHeight, bool evenOrigin = false);

// The largest sizes the GL context draws and copies.
struct GlSizeLimits {
    int viewportWidth = 0;    // GL_MAX_VIEWPORT_DIMS
    int viewportHeight = 0;   //
    int textureSize = 0;      // GL_MAX_TEXTURE_SIZE (the render target)
    int renderbufferSize = 0; // GL_MAX_RENDERBUFFER_SIZE (an offscreen output), 0: not used
};

// Empty when an output of this size can be drawn within the limits, else why not, in words.
const char* frameSizeBeyondLimits(int outputWidth, int outputHeight, const GlSizeLimits& limits);
// The largest output of the same shape, no larger than asked, that fits the limits (the
// asked size when it fits).
void fitFrameSizeToLimits(int& outputWidth, int& outputHeight, const GlSizeLimits& limits);

// The scale of the title and credits images to draw a picture `pictureHeight` pixels tall
// from: the smallest of 1, 2 and 4 whose image is at least as large as it is drawn (4 above
// that), so the text is never magnified unevenly.
int textScaleFor(int pictureHeight);

// The output size asked for on the command line: none (the demo's own 800 x 600, as it has
// always drawn), a size in pixels, or the desktop's own (full screen) or the largest 4:3
// window that fits it.
struct FrameSizeRequest {
    enum class Kind { Layout, Pixels, Native };
    Kind kind = Kind::Layout;
    int width = 0;
    int height = 0;
};
