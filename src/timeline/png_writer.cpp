#include "timeline/png_writer.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

constexpr int kMaxSide = 1 << 16;

void setError(std::string* error, const std::string& text) {
    if (error != nullptr) {
        *error = text;
    }
}

struct ErrorText {
    char text[256] = {};
};

void onPngError(png_structp png, png_const_charp message) {
    auto* error = static_cast<ErrorText*>(png_get_error_ptr(png));
    std::snprintf(error->text, sizeof error->text, "%s", message);
    png_longjmp(png, 1);
}

void onPngWarning(png_structp, png_const_charp) {}

// Kept apart from writePngRgb so that no object with a destructor lives across setjmp.
bool writeRows(std::FILE* file, int width, int height, png_bytepp rows, ErrorText& errorText) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, &errorText, onPngError, onPngWarning);
    if (png == nullptr) {
        std::snprintf(errorText.text, sizeof errorText.text, "libpng cannot start");
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        std::snprintf(errorText.text, sizeof errorText.text, "libpng cannot start");
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(width), static_cast<png_uint_32>(height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb,
                 std::string* error) {
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) {
        setError(error, "a picture of " + std::to_string(width) + " x " + std::to_string(height) +
                            " pixels cannot be written");
        return false;
    }
    if (rgb == nullptr) {
        setError(error, "no pixels to write");
        return false;
    }
    std::vector<png_bytep> rows(static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        rows[y] = const_cast<png_bytep>(rgb + static_cast<std::size_t>(y) * width * 3);
    }
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        setError(error, std::string("cannot open for writing: ") + std::strerror(errno));
        return false;
    }
    ErrorText errorText;
    const bool written = writeRows(file, width, height, rows.data(), errorText);
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed) {
        setError(error, written ? std::string("cannot finish the file: ") + std::strerror(errno)
                                : std::string("libpng: ") + errorText.text);
        std::remove(path.c_str());
        return false;
    }
    return true;
}
