// Pixel checks on RGBA frames read back from GL (rows top first).
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;

    const uint8_t* at(int x, int y) const {
        return &rgba[(static_cast<std::size_t>(y) * width + x) * 4];
    }
    int brightness(int x, int y) const {
        const uint8_t* p = at(x, y);
        return p[0] + p[1] + p[2];
    }
    // Number of pixels inside the rectangle brighter than threshold (r + g + b).
    int countBrighter(int x0, int y0, int x1, int y1, int threshold) const;
};

// The frame shrunk by `factor` in both directions, each pixel the rounded mean of its block.
Frame shrinkFrame(const Frame& frame, int factor);
// Largest difference of one colour channel between two frames of the same size (-1 if not).
int maxChannelDifference(const Frame& a, const Frame& b);
// Peak signal-to-noise ratio of the colour channels in dB (1000 for equal frames, -1 if the
// sizes differ).
double psnrDb(const Frame& a, const Frame& b);
// Writes the frame's colour channels as an RGB PNG.
bool writePngFrame(const char* path, const Frame& frame);

// Loads an 8-bit RGB or RGBA PNG (as written by frame export) into an RGBA frame.
bool readPngFrame(const char* path, Frame& frame);
