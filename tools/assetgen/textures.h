// The twenty texture images of data/textures and the start dialog picture.
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

} // namespace assetgen
