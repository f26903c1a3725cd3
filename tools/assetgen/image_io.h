// Writers for the data set's image files: PNG (own deflate, so the bytes do not depend on the
// zlib build) and the 24-bit BMP of the start dialog.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

// PNG colour types as the file format numbers them.
enum class PngColor : uint8_t { Grey = 0, Rgb = 2, Palette = 3, GreyAlpha = 4, Rgba = 6 };

int pngChannels(PngColor color);

struct PngImage {
    int width = 0;
    int height = 0;
    PngColor color = PngColor::Rgb;
    std::vector<uint8_t> pixels;                 // rows top first, pngChannels() bytes a pixel
    std::vector<std::array<uint8_t, 3>> palette; // only for PngColor::Palette
    int gamma = 0;                               // gAMA value x 100000, 0 writes no chunk
};

// zlib stream (deflate with fixed Huffman codes and greedy LZ77 matching).
std::vector<uint8_t> zlibCompress(const std::vector<uint8_t>& data);
uint32_t crc32(const uint8_t* data, size_t size, uint32_t crc = 0);

std::vector<uint8_t> encodePng(const PngImage& image);
// Writes rows top first as a bottom-up 24-bit BI_RGB bitmap; rgb holds width*height*3 bytes.
std::vector<uint8_t> encodeBmp24(int width, int height, const std::vector<uint8_t>& rgb);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace assetgen
