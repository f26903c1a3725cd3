// PNG files made by tests: small RGB images through libpng's writer, raw chunk assembly for
// files libpng would refuse to write, and file helpers.
#pragma once

#include <png.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// An 8-bit RGB PNG file of width x height pixels, rows top first. Its only colour chunk is
// libpng's gAMA of 0.45455, the gamma a file without one is taken to have.
inline std::vector<uint8_t> encodeRgbPng(int width, int height, const std::vector<uint8_t>& rgb) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(width);
    image.height = static_cast<png_uint_32>(height);
    image.format = PNG_FORMAT_RGB;
    image.flags = PNG_IMAGE_FLAG_COLORSPACE_NOT_sRGB;
    png_alloc_size_t size = 0;
    png_image_write_to_memory(&image, nullptr, &size, 0, rgb.data(), 0, nullptr);
    std::vector<uint8_t> out(size);
    png_image_write_to_memory(&image, out.data(), &size, 0, rgb.data(), 0, nullptr);
    out.resize(size);
    return out;
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
    appendBigEndian(out,
                    static_cast<uint32_t>(crc32(0, typed.data(), static_cast<uInt>(typed.size()))));
}

// The signature and an IHDR chunk for width x height with the given depth and colour type.
inline std::vector<uint8_t> pngStart(uint32_t width, uint32_t height, int bitDepth, int colorType) {
    std::vector<uint8_t> out = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> header;
    appendBigEndian(header, width);
    appendBigEndian(header, height);
    header.insert(header.end(),
                  {static_cast<uint8_t>(bitDepth), static_cast<uint8_t>(colorType), 0, 0, 0});
    appendPngChunk(out, "IHDR", header);
    return out;
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

// Sets VIEWING_GAMMA (null: unsets it) for one scope, and unsets it afterwards.
struct ScopedViewingGamma {
    explicit ScopedViewingGamma(const char* value) {
        value != nullptr ? setenv("VIEWING_GAMMA", value, 1) : unsetenv("VIEWING_GAMMA");
    }
    ~ScopedViewingGamma() { unsetenv("VIEWING_GAMMA"); }
};
