// libFuzzer entry for the texture decoder: any bytes, decoded as a PNG texture and taken down
// its mipmap chain the way loadTexture does, must neither crash nor read out of bounds.
#include <cstddef>
#include <cstdint>

#include "timeline/png_decode.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    DecodedImage image;
    // A modest maximum side keeps each run quick and exercises the resampling cap.
    if (!decodePngTextureFromMemory(data, size, 256, image)) {
        return 0;
    }
    if (image.width < 1 || image.height < 1 || (image.channels != 3 && image.channels != 4) ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height * image.channels) {
        __builtin_trap();
    }
    while (image.width > 1 || image.height > 1) {
        image = halveImage(image);
    }
    return 0;
}
