#include "support/frame_checks.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

int Frame::countBrighter(int x0, int y0, int x1, int y1, int threshold) const {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            count += brightness(x, y) > threshold ? 1 : 0;
        }
    }
    return count;
}

bool readPngFrame(const char* path, Frame& frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        return false;
    }
    image.format = PNG_FORMAT_RGBA;
    frame.width = static_cast<int>(image.width);
    frame.height = static_cast<int>(image.height);
    frame.rgba.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, frame.rgba.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

Frame shrinkFrame(const Frame& frame, int factor) {
    Frame small{frame.width / factor, frame.height / factor, {}};
    small.rgba.resize(static_cast<std::size_t>(small.width) * small.height * 4);
    const int area = factor * factor;
    for (int y = 0; y < small.height; ++y) {
        for (int x = 0; x < small.width; ++x) {
            for (int c = 0; c < 4; ++c) {
                int sum = 0;
                for (int dy = 0; dy < factor; ++dy) {
                    for (int dx = 0; dx < factor; ++dx) {
                        sum += frame.at(x * factor + dx, y * factor + dy)[c];
                    }
                }
                small.rgba[(static_cast<std::size_t>(y) * small.width + x) * 4 + c] =
                    static_cast<uint8_t>((sum + area / 2) / area);
            }
        }
    }
    return small;
}

int maxChannelDifference(const Frame& a, const Frame& b) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) {
        return -1;
    }
    int worst = 0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 != 3) {
            worst = std::max(worst, std::abs(int(a.rgba[i]) - int(b.rgba[i])));
        }
    }
    return worst;
}

double psnrDb(const Frame& a, const Frame& b) {
    if (a.width != b.width || a.height != b.height || a.rgba.size() != b.rgba.size()) {
        return -1.0;
    }
    double squares = 0.0;
    for (std::size_t i = 0; i < a.rgba.size(); ++i) {
        if (i % 4 != 3) {
            const double d = double(a.rgba[i]) - double(b.rgba[i]);
            squares += d * d;
        }
    }
    if (squares == 0.0) {
        return 1000.0;
    }
    const double mse = squares / (static_cast<double>(a.rgba.size()) * 3.0 / 4.0);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

bool writePngFrame(const char* path, const Frame& frame) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(frame.width);
    image.height = static_cast<png_uint_32>(frame.height);
    image.format = PNG_FORMAT_RGBA;
    std::vector<uint8_t> rgb;
    rgb.reserve(frame.rgba.size() / 4 * 3);
    for (std::size_t i = 0; i < frame.rgba.size(); ++i) {
        if (i % 4 != 3) {
            rgb.push_back(frame.rgba[i]);
        }
    }
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path, 0, rgb.data(), 0, nullptr) != 0;
}
