#include "offline/yuv_frames.h"

namespace {
// A matrix's limited-range rows scaled by 2^16: luma 219/255 and chroma 224/255 of the
// full-range matrix, each chroma row summing to 0 so that greys stay neutral.
struct Coefficients {
    int yr, yg, yb;
    int ur, ug, ub;
    int vr, vg, vb;
};
constexpr Coefficients kBt601{16829, 33039, 6416, -9714, -19070, 28784, 28784, -24103, -4681};
constexpr Coefficients kBt709{11966, 40254, 4064, -6596, -22188, 28784, 28784, -26145, -2639};

std::uint8_t luma(const Coefficients& k, const std::uint8_t* p) {
    return static_cast<std::uint8_t>(
        (k.yr * p[0] + k.yg * p[1] + k.yb * p[2] + (16 << 16) + 32768) >> 16);
}

// From sums over four pixels: two more bits of scale.
std::uint8_t chroma(int r, int g, int b, int cr, int cg, int cb) {
    return static_cast<std::uint8_t>((cr * r + cg * g + cb * b + (128 << 18) + (1 << 17)) >> 18);
}
} // namespace

std::size_t yuv420Bytes(int width, int height) {
    const auto chromaWidth = static_cast<std::size_t>((width + 1) / 2);
    const auto chromaHeight = static_cast<std::size_t>((height + 1) / 2);
    return static_cast<std::size_t>(width) * height + 2 * chromaWidth * chromaHeight;
}

namespace {
// The matrix fixed at compile time: its coefficients stay constants in the inner loops.
template <const Coefficients& k>
void convert(const std::uint8_t* rgba, int width, int height, std::uint8_t* out) {
    const int chromaWidth = (width + 1) / 2;
    const int chromaHeight = (height + 1) / 2;
    std::uint8_t* uPlane = out + static_cast<std::size_t>(width) * height;
    std::uint8_t* vPlane = uPlane + static_cast<std::size_t>(chromaWidth) * chromaHeight;
    const std::size_t stride = static_cast<std::size_t>(width) * 4;
    // Two rows at a time: both rows' luma and their shared chroma row in one reading.
    for (int cy = 0; cy < chromaHeight; ++cy) {
        const int y0 = 2 * cy;
        const int y1 = y0 + 1 < height ? y0 + 1 : y0;
        const std::uint8_t* top = rgba + y0 * stride;
        const std::uint8_t* bottom = rgba + y1 * stride;
        std::uint8_t* yTop = out + static_cast<std::size_t>(y0) * width;
        std::uint8_t* yBottom = out + static_cast<std::size_t>(y1) * width;
        std::uint8_t* uRow = uPlane + static_cast<std::size_t>(cy) * chromaWidth;
        std::uint8_t* vRow = vPlane + static_cast<std::size_t>(cy) * chromaWidth;
        for (int x = 0; x < width; ++x) {
            yTop[x] = luma(k, top + 4 * x);
            yBottom[x] = luma(k, bottom + 4 * x);
        }
        for (int cx = 0; cx < chromaWidth; ++cx) {
            const int x0 = 8 * cx;
            const int x1 = 2 * cx + 1 < width ? x0 + 4 : x0;
            const int r = top[x0] + top[x1] + bottom[x0] + bottom[x1];
            const int g = top[x0 + 1] + top[x1 + 1] + bottom[x0 + 1] + bottom[x1 + 1];
            const int b = top[x0 + 2] + top[x1 + 2] + bottom[x0 + 2] + bottom[x1 + 2];
            uRow[cx] = chroma(r, g, b, k.ur, k.ug, k.ub);
            vRow[cx] = chroma(r, g, b, k.vr, k.vg, k.vb);
        }
    }
}
} // namespace

void rgbaToYuv420(const std::uint8_t* rgba, int width, int height, std::uint8_t* out,
                  YuvMatrix matrix) {
    if (matrix == YuvMatrix::Bt709) {
        convert<kBt709>(rgba, width, height, out);
    } else {
        convert<kBt601>(rgba, width, height, out);
    }
}
