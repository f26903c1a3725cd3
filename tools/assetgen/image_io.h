// Writers for the data set's image files: PNG through libpng and the 24-bit BMP of the start
// dialog through SDL. The compressed bytes may differ between zlib builds; what the files hold
// does not.
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

// The PNG file's bytes; empty when libpng fails.
std::vector<uint8_t> encodePng(const PngImage& image);
// Writes a 24-bit bitmap; rgb holds width*height*3 bytes, rows top first.
bool writeBmp24(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

} // namespace assetgen
