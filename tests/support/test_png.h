// PNG files made by tests: a small encoder on libpng's writer, raw chunk assembly for files
// libpng would refuse to write, and file helpers.
#pragma once

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

struct TestPng {
    int width = 0;
    int height = 0;
    int colorType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    double gamma = 0.0; // gAMA value; 0 writes no gAMA chunk
    std::vector<png_color> palette;
    std::vector<uint8_t> paletteAlpha; // tRNS for palette images
    bool hasTransparentColor = false;  // tRNS for grey / RGB images
    png_color_16 transparentColor{};
    std::vector<uint8_t> rows; // height rows of PNG row bytes (16-bit samples big-endian)
};

namespace test_png_detail {
inline void append(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}
inline void flush(png_structp) {}
inline bool write(png_structp png, png_infop info, const TestPng& image,
                  std::vector<uint8_t>* out) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_write_fn(png, out, append, flush);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (image.gamma > 0.0) {
        png_set_gAMA(png, info, image.gamma);
    }
    if (!image.palette.empty()) {
        png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
    }
    if (!image.paletteAlpha.empty()) {
        png_set_tRNS(png, info, image.paletteAlpha.data(),
                     static_cast<int>(image.paletteAlpha.size()), nullptr);
    } else if (image.hasTransparentColor) {
        png_set_tRNS(png, info, nullptr, 0, &image.transparentColor);
    }
    png_write_info(png, info);
    const size_t rowBytes = image.rows.size() / image.height;
    std::vector<png_bytep> rows(image.height);
    for (int y = 0; y < image.height; ++y) {
        rows[y] = const_cast<png_bytep>(image.rows.data()) + rowBytes * y;
    }
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    return true;
}
} // namespace test_png_detail

// The PNG file for image; empty if libpng refused it.
inline std::vector<uint8_t> encodePng(const TestPng& image) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (!test_png_detail::write(png, info, image, &out)) {
        out.clear();
    }
    png_destroy_write_struct(&png, &info);
    return out;
}

inline uint32_t pngCrc(const uint8_t* data, size_t length, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < length; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
        }
    }
    return ~crc;
}

inline void appendBigEndian(std::vector<uint8_t>& out, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

// Appends one chunk (length, type, data, CRC) to a PNG byte stream.
inline void appendPngChunk(std::vector<uint8_t>& out, const char* type,
                           const std::vector<uint8_t>& data) {
    appendBigEndian(out, static_cast<uint32_t>(data.size()));
    std::vector<uint8_t> typed(type, type + 4);
    typed.insert(typed.end(), data.begin(), data.end());
    out.insert(out.end(), typed.begin(), typed.end());
    appendBigEndian(out, pngCrc(typed.data(), typed.size()));
}

inline std::vector<uint8_t> pngSignature() {
    return {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
}

// IHDR data for width x height with the given depth and colour type, no interlace.
inline std::vector<uint8_t> pngHeader(uint32_t width, uint32_t height, int bitDepth,
                                      int colorType) {
    std::vector<uint8_t> data;
    appendBigEndian(data, width);
    appendBigEndian(data, height);
    data.push_back(static_cast<uint8_t>(bitDepth));
    data.push_back(static_cast<uint8_t>(colorType));
    data.insert(data.end(), {0, 0, 0});
    return data;
}

inline std::vector<uint8_t> readTestFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool writeTestFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

// Sets (or, with null, clears) an environment variable for one scope.
class ScopedEnvironment {
  public:
    ScopedEnvironment(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            had_ = true;
            old_ = old;
        }
        set(value);
    }
    ~ScopedEnvironment() { set(had_ ? old_.c_str() : nullptr); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

    void set(const char* value) {
        if (value == nullptr) {
            unsetenv(name_.c_str());
        } else {
            setenv(name_.c_str(), value, 1);
        }
    }

  private:
    std::string name_;
    std::string old_;
    bool had_ = false;
};
