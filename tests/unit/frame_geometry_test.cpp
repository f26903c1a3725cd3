// The frame's shape at any output size: where the 4:3 picture lies, the render target's side,
// the letterbox bars, the boxes the passes scissor to around the credits, the rows the scenes
// keep for the blur, the limits of the GL driver, and the text images' scale.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <vector>

#include "gfx/frame_geometry.h"
#include "timeline/passes.h"

namespace {

auto boxOf(const PixelBox& b) {
    return std::make_tuple(b.x, b.y, b.width, b.height);
}

bool inside(const PixelBox& b, int x, int y) {
    return x >= b.x && x < b.x + b.width && y >= b.y && y < b.y + b.height;
}

// The farthest the post-process reads from a pixel, in texture units, from the numbers in its
// shaders: the radius is at most 0.0055 x 1.5 (the music at its loudest) x 1.06 (the
// shimmer); the far glow reaches 2.2 x 1.4 radii, or through its map 2.2 x 1.2 radii plus a
// texel of the 128-texel map; a tap's filter adds one texel of the render target.
double blurReach(int renderTarget) {
    const double radius = 0.0055 * 1.5 * 1.06;
    return std::max(2.2 * 1.4 * radius, 2.2 * 1.2 * radius + 1.0 / 128.0) + 1.0 / renderTarget;
}

const struct Output {
    int width;
    int height;
    PixelBox picture;
    int renderTarget;
} kOutputs[] = {
    {800, 600, {0, 0, 800, 600}, 512},      {1024, 768, {0, 0, 1024, 768}, 655},
    {1440, 1080, {0, 0, 1440, 1080}, 922},  {1920, 1080, {240, 0, 1440, 1080}, 922},
    {1441, 1081, {0, 0, 1441, 1081}, 922},  {1600, 1200, {0, 0, 1600, 1200}, 1024},
    {1920, 1440, {0, 0, 1920, 1440}, 1229}, {2880, 2160, {0, 0, 2880, 2160}, 1843},
    {960, 1000, {0, 140, 960, 720}, 614},   {400, 300, {0, 0, 400, 300}, 256},
};

TEST(FrameGeometry, PictureRenderTargetBarsBoxesAndBlurMarginAtEverySize) {
    for (const Output& o : kOutputs) {
        SCOPED_TRACE(std::to_string(o.width) + "x" + std::to_string(o.height));
        const FrameGeometry frame = frameGeometryFor(o.width, o.height);
        EXPECT_EQ(boxOf(frame.picture), boxOf(o.picture));
        EXPECT_EQ(frame.renderTarget, o.renderTarget);
        const PixelBox& p = frame.picture;

        // The bars: a tenth of the picture's height each, at its bottom and top edges, as wide
        // as the picture; between them the rest of it.
        const PixelBox bottom = bottomBar(frame);
        const PixelBox top = topBar(frame);
        const PixelBox between = betweenTheBars(frame);
        for (const PixelBox& bar : {bottom, top}) {
            EXPECT_LE(std::abs(bar.height - p.height / 10.0), 0.5);
            EXPECT_EQ(bar.x, p.x);
            EXPECT_EQ(bar.width, p.width);
        }
        EXPECT_EQ(bottom.y, p.y);
        EXPECT_EQ(top.y + top.height, p.y + p.height);
        EXPECT_EQ(boxOf(between),
                  boxOf(PixelBox{p.x, bottom.y + bottom.height, p.width, top.y - between.y}));

        // The scenes keep every row the blur reads for a row between the bars: the bars
        // hide the square's rows up to (bar / height) of it.
        const PixelBox rows = visibleSceneRows(frame, frame.renderTarget);
        const double hidden = static_cast<double>(rows.y - p.y) / frame.renderTarget;
        const double firstShown = static_cast<double>(bottom.height) / p.height;
        EXPECT_LE(hidden, firstShown - blurReach(frame.renderTarget));
        EXPECT_EQ(rows.height, frame.renderTarget - 2 * (rows.y - p.y));
        EXPECT_GT(rows.y, p.y); // and still skips some

        // Around the credits at several instants: every pixel between the bars is in exactly
        // one box or in the cover, and every covered pixel's centre lies a pixel inside the
        // image (x 150 to 662, 1024 rows down from its top edge, in screen units).
        for (const float t : {290.0f, 300.0f, 310.5f, 325.0f}) {
            SCOPED_TRACE(t);
            const PixelBox cover = creditsCover(frame, 289.0f, t);
            PixelBox boxes[4];
            const int count = boxesBetweenTheBarsAround(frame, cover, boxes);
            const double sx = p.width / 800.0;
            const double sy = p.height / 600.0;
            const double imageTop = creditsTop(289.0f, t) * sy;
            int wrong = 0;
            for (int y = p.y - 1; y <= p.y + p.height; ++y) {
                for (int x = p.x - 1; x <= p.x + p.width; ++x) {
                    int hits = inside(cover, x, y) && inside(between, x, y) ? 1 : 0;
                    for (int i = 0; i < count; ++i) {
                        hits += inside(boxes[i], x, y) ? 1 : 0;
                    }
                    wrong += hits != (inside(between, x, y) ? 1 : 0);
                    if (inside(cover, x, y)) {
                        const double cx = x - p.x + 0.5;
                        const double cy = p.y + p.height - y - 0.5; // rows down from the top
                        wrong += cx < 150 * sx + 1 || cx > 662 * sx - 1 || cy < imageTop + 1 ||
                                 cy > imageTop + 1024 * sy - 1;
                    }
                }
            }
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(cover.height == 0, t == 290.0f);
        }
    }
}

TEST(FrameGeometry, EvenOriginsForVideoAndTheDemosOwnSize) {
    const struct {
        int width, height;
        bool even;
        PixelBox picture;
    } cases[] = {{1922, 1080, false, {241, 0, 1440, 1080}},
                 {1922, 1080, true, {240, 0, 1440, 1080}},
                 {1002, 600, false, {101, 0, 800, 600}},
                 {1002, 600, true, {100, 0, 800, 600}},
                 {800, 600, true, {0, 0, 800, 600}}};
    for (const auto& c : cases) {
        const FrameGeometry frame = frameGeometryFor(c.width, c.height, c.even);
        EXPECT_EQ(boxOf(frame.picture), boxOf(c.picture)) << c.width << "x" << c.height;
    }
}

TEST(FrameGeometry, DriverLimitsRefuseOrShrinkTheSize) {
    const GlSizeLimits limits{4096, 4096, 2048, 4096};
    const struct {
        int width, height;
        bool fits;
        int fittedWidth, fittedHeight;
    } cases[] = {
        {2880, 2160, true, 2880, 2160},  // render target 1843
        {3200, 2400, true, 3200, 2400},  // render target 2048, the largest texture
        {3204, 2403, false, 3200, 2400}, // render target 2051
        {4000, 3000, false, 3200, 2400}, // render target 2560
        {8000, 1000, false, 4096, 512},  // wider than the largest offscreen picture
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
        EXPECT_EQ(frameSizeBeyondLimits(c.width, c.height, limits) == nullptr, c.fits);
        int width = c.width;
        int height = c.height;
        fitFrameSizeToLimits(width, height, limits);
        EXPECT_EQ(width, c.fittedWidth);
        EXPECT_EQ(height, c.fittedHeight);
        EXPECT_EQ(frameSizeBeyondLimits(width, height, limits), nullptr);
    }
    // The picture, not the whole frame, must fit the viewport.
    EXPECT_EQ(frameSizeBeyondLimits(4000, 1000, {1400, 1400, 4096, 0}), nullptr);
    EXPECT_NE(frameSizeBeyondLimits(4000, 1500, {1400, 1400, 4096, 0}), nullptr);
}

TEST(FrameGeometry, TextImagesAreNeverMagnified) {
    // The 512-wide images are drawn 512 * H / 600 wide; the scale chosen is the smallest
    // whose image is at least that wide, the largest above that.
    for (const int height : {240, 600, 601, 768, 1080, 1200, 1201, 1440, 2160, 2400, 4320}) {
        const int scale = textScaleFor(height);
        const double drawn = 512.0 * height / 600.0;
        EXPECT_TRUE(scale == 1 || scale == 2 || scale == 4) << height;
        EXPECT_TRUE(512.0 * scale >= drawn - 1e-9 || scale == 4) << height;
        EXPECT_TRUE(scale == 1 || 512.0 * scale / 2 < drawn) << height;
    }
}

} // namespace
