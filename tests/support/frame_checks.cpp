#include "support/frame_checks.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

int Frame::maxBrightness(int x0, int y0, int x1, int y1) const {
    int best = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            best = std::max(best, brightness(x, y));
        }
    }
    return best;
}

int Frame::countBrighter(int x0, int y0, int x1, int y1, int threshold) const {
    int count = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            count += brightness(x, y) > threshold ? 1 : 0;
        }
    }
    return count;
}

double Frame::meanDifference(const Frame& other) const {
    if (other.rgba.size() != rgba.size() || rgba.empty()) {
        return -1.0;
    }
    double sum = 0.0;
    for (size_t i = 0; i < rgba.size(); ++i) {
        if (i % 4 != 3) {
            sum += std::abs(static_cast<int>(rgba[i]) - static_cast<int>(other.rgba[i]));
        }
    }
    return sum / (static_cast<double>(rgba.size()) * 3.0 / 4.0);
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
