// Writes a picture as an 8-bit RGB PNG file (frame export, capture).
#pragma once

#include <cstdint>
#include <string>

// rgb holds width x height pixels of 3 bytes, top row first. False (with the reason in
// error, when given) for an empty or absurd size, a missing buffer, or a file that cannot
// be written.
bool writePngRgb(const std::string& path, int width, int height, const std::uint8_t* rgb,
                 std::string* error = nullptr);
