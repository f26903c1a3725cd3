// Pictures for the MP4 encoder: BT.601 limited-range 4:2:0 laid out as ffmpeg's "yuv420p".
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <vector>

#include "offline/yuv_frames.h"

namespace {

std::vector<std::uint8_t> picture(int width, int height,
                                  const std::function<std::array<int, 3>(int, int)>& colour) {
    std::vector<std::uint8_t> rgba;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto c = colour(x, y);
            rgba.insert(rgba.end(),
                        {static_cast<std::uint8_t>(c[0]), static_cast<std::uint8_t>(c[1]),
                         static_cast<std::uint8_t>(c[2]), 7});
        }
    }
    return rgba;
}

// The standard's own formulas, in real numbers.
std::array<double, 3> bt601(double r, double g, double b) {
    const double y = 0.299 * r + 0.587 * g + 0.114 * b;
    return {16 + 219 * y / 255, 128 + 224 * (b - y) / (1.772 * 255),
            128 + 224 * (r - y) / (1.402 * 255)};
}

TEST(YuvFrames, PrimariesTakeTheirStandardValuesAndEveryGreyIsNeutral) {
    const struct {
        YuvMatrix matrix;
        int r, g, b, y, u, v;
    } cases[] = {{YuvMatrix::Bt601, 0, 0, 0, 16, 128, 128},
                 {YuvMatrix::Bt601, 255, 255, 255, 235, 128, 128},
                 {YuvMatrix::Bt601, 255, 0, 0, 81, 90, 240},
                 {YuvMatrix::Bt601, 0, 255, 0, 145, 54, 34},
                 {YuvMatrix::Bt601, 0, 0, 255, 41, 240, 110},
                 {YuvMatrix::Bt601, 128, 128, 128, 126, 128, 128},
                 {YuvMatrix::Bt709, 0, 0, 0, 16, 128, 128},
                 {YuvMatrix::Bt709, 255, 255, 255, 235, 128, 128},
                 {YuvMatrix::Bt709, 255, 0, 0, 63, 102, 240},
                 {YuvMatrix::Bt709, 0, 255, 0, 173, 42, 26},
                 {YuvMatrix::Bt709, 0, 0, 255, 32, 240, 118},
                 {YuvMatrix::Bt709, 77, 77, 77, 82, 128, 128}};
    for (const auto& c : cases) {
        const auto rgba = picture(2, 2, [&](int, int) {
            return std::array<int, 3>{c.r, c.g, c.b};
        });
        std::vector<std::uint8_t> out(yuv420Bytes(2, 2));
        rgbaToYuv420(rgba.data(), 2, 2, out.data(), c.matrix);
        EXPECT_EQ(out, (std::vector<std::uint8_t>{std::uint8_t(c.y), std::uint8_t(c.y),
                                                  std::uint8_t(c.y), std::uint8_t(c.y),
                                                  std::uint8_t(c.u), std::uint8_t(c.v)}))
            << (c.matrix == YuvMatrix::Bt709 ? "BT.709 " : "BT.601 ") << c.r << "," << c.g << ","
            << c.b;
    }
}

// A 5 x 3 picture of distinct colours: luma per pixel and chroma per 2 x 2 block (the odd
// last column and row on their own) within a level of the formulas on the block's mean.
TEST(YuvFrames, OddSizesKeepTheLayoutAndChromaIsTheBlockMean) {
    const auto colour = [](int x, int y) {
        return std::array<int, 3>{(x * 53 + y * 97) % 256, (x * 151 + y * 29) % 256,
                                  (x * 7 + y * 211) % 256};
    };
    const int width = 5, height = 3;
    const auto rgba = picture(width, height, colour);
    std::vector<std::uint8_t> out(yuv420Bytes(width, height));
    ASSERT_EQ(out.size(), 15u + 2 * 3 * 2);
    rgbaToYuv420(rgba.data(), width, height, out.data());
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto c = colour(x, y);
            EXPECT_NEAR(out[y * width + x], bt601(c[0], c[1], c[2])[0], 0.5 + 1e-9) << x << y;
        }
    }
    for (int cy = 0; cy < 2; ++cy) {
        for (int cx = 0; cx < 3; ++cx) {
            double sum[3] = {0, 0, 0};
            for (int k = 0; k < 4; ++k) {
                const auto c = colour(std::min(2 * cx + k % 2, width - 1),
                                      std::min(2 * cy + k / 2, height - 1));
                for (int i = 0; i < 3; ++i) {
                    sum[i] += c[i] / 4.0;
                }
            }
            const auto want = bt601(sum[0], sum[1], sum[2]);
            EXPECT_NEAR(out[15 + cy * 3 + cx], want[1], 1.0) << cx << cy;
            EXPECT_NEAR(out[15 + 6 + cy * 3 + cx], want[2], 1.0) << cx << cy;
        }
    }
}

} // namespace
