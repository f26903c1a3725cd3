// Text to coverage masks through SDL2_ttf (FreeType), for the title and the credits.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

struct TextMask {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> coverage; // rows top first, 0..255
};

// Finds a Liberation Sans face ("Bold" or "Regular"); returns "" when none is installed.
std::string findFont(const std::string& style);

class TextRenderer {
  public:
    TextRenderer();
    ~TextRenderer();
    TextRenderer(const TextRenderer&) = delete;
    TextRenderer& operator=(const TextRenderer&) = delete;
    bool ok() const { return ok_; }
    // Renders one line of UTF-8 text at the given point size; empty mask on failure.
    TextMask render(const std::string& fontPath, int pointSize, const std::string& text) const;
    // The same line k times larger: k times render()'s mask in each direction, each glyph drawn
    // from its outline at pointSize (hinted as render() hints it) magnified k times, with its
    // origin at k times its place in render()'s mask; averaged down k x k, the large mask gives
    // back render()'s.
    TextMask renderScaled(const std::string& fontPath, int pointSize, const std::string& text,
                          int k) const;

  private:
    bool ok_ = false;
};

} // namespace assetgen
