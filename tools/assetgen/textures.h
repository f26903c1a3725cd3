// The texture images of data/textures (the twenty the demo draws with, then the title and the
// credits again at two and four times the size) and the start dialog picture.
#pragma once

#include <string>
#include <vector>

#include "image_io.h"

namespace assetgen {

class TextRenderer;

struct NamedImage {
    std::string name; // file name under data/textures
    PngImage image;
};

// Every texture in table order; the text textures come out empty when no font is found.
std::vector<NamedImage> makeTextures(const TextRenderer& text);

// The start dialog picture: 484 x 240, rows top first, 3 bytes a pixel.
std::vector<uint8_t> makeStartPicture(int width, int height);

// The program's icon: the square of the start picture around its glow, averaged down to
// size x size pixels (size at most the picture's height), rows top first, 3 bytes a pixel.
std::vector<uint8_t> makeIcon(const std::vector<uint8_t>& picture, int width, int height, int size);

} // namespace assetgen
