#include "gfx/frame_geometry.h"

#include <algorithm>
#include <cmath>

namespace {
int roundToInt(double value) {
    return static_cast<int>(std::llround(value));
}
} // namespace

PixelBox fitRect(int sourceWidth, int sourceHeight, int destWidth, int destHeight) {
    if (sourceWidth <= 0 || sourceHeight <= 0 || destWidth <= 0 || destHeight <= 0) {
        return {0, 0, std::max(destWidth, 0), std::max(destHeight, 0)};
    }
    // Compare dest/source aspects without rounding: dW * sH against dH * sW.
    const long long wide = static_cast<long long>(destWidth) * sourceHeight;
    const long long tall = static_cast<long long>(destHeight) * sourceWidth;
    int width = destWidth;
    int height = destHeight;
    if (wide > tall) {
        width = static_cast<int>((tall + sourceHeight / 2) / sourceHeight);
    } else if (wide < tall) {
        height = static_cast<int>((wide + sourceWidth / 2) / sourceWidth);
    }
    return {(destWidth - width) / 2, (destHeight - height) / 2, width, height};
}

int renderTargetSizeFor(int pictureHeight) {
    return roundToInt(static_cast<double>(kLayoutRenderTarget) * pictureHeight / kLayoutHeight);
}

int FrameGeometry::columnAt(double x) const {
    return picture.x + roundToInt(x * picture.width / kLayoutWidth);
}

int FrameGeometry::rowAt(double y) const {
    return picture.y + roundToInt((kLayoutHeight - y) * picture.height / kLayoutHeight);
}

PixelBox FrameGeometry::screenBox(double left, double top, double right, double bottom) const {
    const int x0 = columnAt(left);
    const int x1 = columnAt(right);
    const int y0 = rowAt(bottom);
    const int y1 = rowAt(top);
    return {x0, y0, x1 - x0, y1 - y0};
}

FrameGeometry frameGeometryFor(int outputWidth, int outputHeight, bool evenOrigin) {
    FrameGeometry geometry;
    geometry.outputWidth = outputWidth;
    geometry.outputHeight = outputHeight;
    geometry.picture = fitRect(kLayoutWidth, kLayoutHeight, outputWidth, outputHeight);
    if (evenOrigin) {
        geometry.picture.x &= ~1;
        geometry.picture.y &= ~1;
    }
    geometry.renderTarget = renderTargetSizeFor(geometry.picture.height);
    return geometry;
}

const char* frameSizeBeyondLimits(int outputWidth, int outputHeight, const GlSizeLimits& limits) {
    const FrameGeometry geometry = frameGeometryFor(outputWidth, outputHeight);
    if (geometry.picture.width > limits.viewportWidth ||
        geometry.picture.height > limits.viewportHeight) {
        return "the picture is larger than the GL driver's largest viewport "
               "(GL_MAX_VIEWPORT_DIMS)";
    }
    if (geometry.renderTarget > limits.textureSize) {
        return "the scenes' render target would be larger than the GL driver's largest "
               "texture (GL_MAX_TEXTURE_SIZE)";
    }
    if (limits.renderbufferSize > 0 &&
        (outputWidth > limits.renderbufferSize || outputHeight > limits.renderbufferSize)) {
        return "the frame is larger than the GL driver's largest offscreen picture "
               "(GL_MAX_RENDERBUFFER_SIZE)";
    }
    return nullptr;
}

void fitFrameSizeToLimits(int& outputWidth, int& outputHeight, const GlSizeLimits& limits) {
    if (frameSizeBeyondLimits(outputWidth, outputHeight, limits) == nullptr) {
        return;
    }
    // Shrink the height a line at a time from the first estimate, the width with it.
    const double aspect = static_cast<double>(outputWidth) / outputHeight;
    const FrameGeometry asked = frameGeometryFor(outputWidth, outputHeight);
    double scale = 1.0;
    scale = std::min(scale, static_cast<double>(limits.viewportWidth) / asked.picture.width);
    scale = std::min(scale, static_cast<double>(limits.viewportHeight) / asked.picture.height);
    scale = std::min(scale, static_cast<double>(limits.textureSize) / asked.renderTarget);
    if (limits.renderbufferSize > 0) {
        scale = std::min(scale, static_cast<double>(limits.renderbufferSize) /
                                    std::max(outputWidth, outputHeight));
    }
    const int estimate = std::min(outputHeight, static_cast<int>(outputHeight * scale) + 2);
    for (int height = std::max(1, estimate); height > 1; --height) {
        const int width = std::max(1, roundToInt(height * aspect));
        if (frameSizeBeyondLimits(width, height, limits) == nullptr) {
            outputWidth = width;
            outputHeight = height;
            return;
        }
    }
    outputWidth = 1;
    outputHeight = 1;
}

int textScaleFor(int pictureHeight) {
    if (pictureHeight <= kLayoutHeight) {
        return 1;
    }
    return pictureHeight <= 2 * kLayoutHeight ? 2 : 4;
}
