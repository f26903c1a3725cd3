#include "image_io.h"

#include <SDL.h>
#include <png.h>

#include <cstdio>

namespace assetgen {

namespace {

void appendBytes(png_structp png, png_bytep data, png_size_t size) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + size);
}

void noFlush(png_structp) {}

} // namespace

int pngChannels(PngColor color) {
    switch (color) {
    case PngColor::Grey:
    case PngColor::Palette:
        return 1;
    case PngColor::GreyAlpha:
        return 2;
    case PngColor::Rgb:
        return 3;
    case PngColor::Rgba:
        return 4;
    }
    return 0;
}

std::vector<uint8_t> encodePng(const PngImage& image) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "assetgen: libpng could not encode a %d x %d image\n", image.width,
                     image.height);
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, appendBytes, noFlush);
    png_set_IHDR(png, info, static_cast<png_uint_32>(image.width),
                 static_cast<png_uint_32>(image.height), 8, static_cast<int>(image.color),
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.gamma > 0) {
        png_set_gAMA_fixed(png, info, image.gamma);
    }
    std::vector<png_color> palette;
    for (const auto& entry : image.palette) {
        palette.push_back({entry[0], entry[1], entry[2]});
    }
    if (image.color == PngColor::Palette) {
        png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    }
    const size_t stride = static_cast<size_t>(image.width) * pngChannels(image.color);
    std::vector<png_bytep> rows(static_cast<size_t>(image.height));
    for (size_t y = 0; y < rows.size(); ++y) {
        rows[y] = const_cast<png_bytep>(image.pixels.data() + stride * y);
    }
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

bool writeBmp24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb) {
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(
        const_cast<uint8_t*>(rgb.data()), width, height, 24, width * 3, SDL_PIXELFORMAT_RGB24);
    const bool ok = surface != nullptr && SDL_SaveBMP(surface, path.c_str()) == 0;
    if (!ok) {
        std::fprintf(stderr, "assetgen: cannot write %s: %s\n", path.c_str(), SDL_GetError());
    }
    SDL_FreeSurface(surface);
    return ok;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (bytes.empty()) {
        std::fprintf(stderr, "assetgen: nothing to write to %s\n", path.c_str());
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        std::fprintf(stderr, "assetgen: cannot write %s\n", path.c_str());
        return false;
    }
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    ok = std::fclose(file) == 0 && ok;
    if (!ok) {
        std::fprintf(stderr, "assetgen: error writing %s\n", path.c_str());
    }
    return ok;
}

} // namespace assetgen
