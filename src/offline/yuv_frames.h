// Pictures for the shareable video converted here rather than by the encoder: the pipe then
// carries 12 bits a pixel instead of 32, and the encoder skips its slower general converter.
#pragma once

#include <cstddef>
#include <cstdint>

// Bytes of a planar 4:2:0 picture: the full-size luma plane, then the two chroma planes of
// half the width and height (rounded up).
std::size_t yuv420Bytes(int width, int height);

// The coefficients of the conversion: BT.601 (standard definition) or BT.709 (HD).
enum class YuvMatrix { Bt601, Bt709 };

// RGBA rows top first to planar Y'CbCr 4:2:0 as ffmpeg's "yuv420p" lays it out, with the
// matrix's coefficients in limited range (luma 16-235, chroma 16-240, rounded to nearest).
// Each chroma sample is the mean of the 2 x 2 pixels it covers (an odd last column or row
// repeats). Alpha is ignored.
void rgbaToYuv420(const std::uint8_t* rgba, int width, int height, std::uint8_t* out,
                  YuvMatrix matrix = YuvMatrix::Bt601);
