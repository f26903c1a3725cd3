#include "text_render.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <algorithm>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <utility>

namespace assetgen {

std::string findFont(const std::string& style) {
    const char* dirs[] = {"/usr/share/fonts/truetype/liberation2/",
                          "/usr/share/fonts/truetype/liberation/",
                          "/usr/share/fonts/liberation-sans/", "/usr/share/fonts/liberation/"};
    for (const char* dir : dirs) {
        std::string path = std::string(dir) + "LiberationSans-" + style + ".ttf";
        if (FILE* f = std::fopen(path.c_str(), "rb")) {
            std::fclose(f);
            return path;
        }
    }
    return "";
}

namespace {

TTF_Font* openFont(const std::string& fontPath, int pointSize) {
    TTF_Font* font = TTF_OpenFont(fontPath.c_str(), pointSize);
    if (font == nullptr) {
        std::fprintf(stderr, "assetgen: cannot open font %s: %s\n", fontPath.c_str(),
                     TTF_GetError());
        return nullptr;
    }
    TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
    TTF_SetFontKerning(font, 1);
    return font;
}

// The coverage of text drawn in font; empty mask on failure.
TextMask renderLine(TTF_Font* font, const std::string& text) {
    TextMask mask;
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, text.c_str(), {255, 255, 255, 255});
    if (rendered == nullptr) {
        std::fprintf(stderr, "assetgen: cannot render \"%s\": %s\n", text.c_str(), TTF_GetError());
        return mask;
    }
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(rendered, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(rendered);
    if (surface == nullptr) {
        return mask;
    }
    mask.width = surface->w;
    mask.height = surface->h;
    mask.coverage.resize(static_cast<size_t>(mask.width) * mask.height);
    SDL_LockSurface(surface);
    for (int y = 0; y < surface->h; ++y) {
        const auto* row = reinterpret_cast<const uint32_t*>(
            static_cast<const uint8_t*>(surface->pixels) + static_cast<size_t>(y) * surface->pitch);
        for (int x = 0; x < surface->w; ++x) {
            mask.coverage[static_cast<size_t>(y) * mask.width + x] =
                static_cast<uint8_t>(row[x] >> 24);
        }
    }
    SDL_UnlockSurface(surface);
    SDL_FreeSurface(surface);
    return mask;
}

// The characters of a UTF-8 string, each as its own string, with its code point.
std::vector<std::pair<std::string, uint32_t>> characters(const std::string& text) {
    std::vector<std::pair<std::string, uint32_t>> out;
    for (size_t i = 0; i < text.size();) {
        const auto lead = static_cast<uint8_t>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >= 0xF0 ? 4 : (lead >= 0xE0 ? 3 : 2));
        length = std::min(length, text.size() - i);
        uint32_t code = length == 1 ? lead : lead & (0x3F >> (length - 1));
        for (size_t j = 1; j < length; ++j) {
            code = (code << 6) | (static_cast<uint8_t>(text[i + j]) & 0x3F);
        }
        out.emplace_back(text.substr(i, length), code);
        i += length;
    }
    return out;
}

// A place in a mask, in pixels from its left-top corner.
struct Origin {
    int x = 0;
    int y = 0;
};

// Where a lone character's origin (the pen position on its baseline) lies in the mask
// renderLine draws for it: the surface starts at the glyph's left edge when the glyph reaches
// left of the pen, and at its top when it rises above the font's ascent.
Origin loneOrigin(TTF_Font* font, uint32_t code) {
    int minX = 0, maxX = 0, minY = 0, maxY = 0, advance = 0;
    if (TTF_GlyphMetrics32(font, code, &minX, &maxX, &minY, &maxY, &advance) != 0) {
        return {};
    }
    return {std::max(0, -minX), std::max(TTF_FontAscent(font), maxY)};
}

int advanceOf(TTF_Font* font, uint32_t code) {
    int advance = 0;
    TTF_GlyphMetrics32(font, code, nullptr, nullptr, nullptr, nullptr, &advance);
    return advance;
}

bool hasInk(const TextMask& mask) {
    return std::any_of(mask.coverage.begin(), mask.coverage.end(), [](uint8_t c) { return c; });
}

// Finds where glyph's mask sits in line, searching `reach` pixels around (x, y): the place
// where the two differ least, the nearest to (x, y) among equals.
Origin locate(const TextMask& line, const TextMask& glyph, int x, int y, int reach) {
    Origin best{x, y};
    long bestError = -1;
    for (int r = 0; r <= reach; ++r) {
        for (int dy = -r; dy <= r; ++dy) {
            for (int dx = -r; dx <= r; ++dx) {
                if (std::max(std::abs(dx), std::abs(dy)) != r) {
                    continue; // searched at a smaller r
                }
                long error = 0;
                for (int gy = 0; gy < glyph.height; ++gy) {
                    const int ly = y + dy + gy;
                    for (int gx = 0; gx < glyph.width; ++gx) {
                        const int lx = x + dx + gx;
                        const int inLine =
                            lx < 0 || ly < 0 || lx >= line.width || ly >= line.height
                                ? 0
                                : line.coverage[static_cast<size_t>(ly) * line.width + lx];
                        const int d =
                            inLine - glyph.coverage[static_cast<size_t>(gy) * glyph.width + gx];
                        error += static_cast<long>(d) * d;
                    }
                }
                if (bestError < 0 || error < bestError) {
                    bestError = error;
                    best = {x + dx, y + dy};
                }
            }
        }
    }
    return best;
}

// Glyphs drawn k times larger from the outlines FreeType hints for the small size (as SDL_ttf
// loads them), so that each large glyph averaged down k x k gives back the small one. Drawn at
// k times the point size instead, a glyph would be hinted for that size: its stems and bars
// would snap to other rows and the two pictures would disagree at every edge.
class LargeGlyphs {
  public:
    LargeGlyphs(const std::string& fontPath, int pointSize, int k) : k_(k) {
        ok_ = FT_Init_FreeType(&library_) == 0;
        ok_ = ok_ && FT_New_Face(library_, fontPath.c_str(), 0, &face_) == 0;
        ok_ = ok_ && FT_Set_Char_Size(face_, 0, pointSize * 64, 0, 0) == 0;
    }
    ~LargeGlyphs() {
        if (face_ != nullptr) {
            FT_Done_Face(face_);
        }
        if (library_ != nullptr) {
            FT_Done_FreeType(library_);
        }
    }
    LargeGlyphs(const LargeGlyphs&) = delete;
    LargeGlyphs& operator=(const LargeGlyphs&) = delete;
    bool ok() const { return ok_; }

    // Adds the glyph of code to mask with its origin at (x, y), keeping the larger coverage
    // where glyphs overlap. False when FreeType fails.
    bool draw(uint32_t code, TextMask& mask, int x, int y) {
        if (!ok_ || FT_Load_Char(face_, code, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0 ||
            face_->glyph->format != FT_GLYPH_FORMAT_OUTLINE) {
            return false;
        }
        FT_GlyphSlot slot = face_->glyph;
        FT_Outline& outline = slot->outline;
        for (int i = 0; i < outline.n_points; ++i) {
            outline.points[i].x *= k_; // exact: whole 1/64 pixels stay whole
            outline.points[i].y *= k_;
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
            return false;
        }
        const FT_Bitmap& bitmap = slot->bitmap;
        const int left = x + slot->bitmap_left;
        const int top = y - slot->bitmap_top;
        for (int row = 0; row < static_cast<int>(bitmap.rows); ++row) {
            for (int col = 0; col < static_cast<int>(bitmap.width); ++col) {
                const int mx = left + col;
                const int my = top + row;
                if (mx < 0 || my < 0 || mx >= mask.width || my >= mask.height) {
                    continue;
                }
                uint8_t& c = mask.coverage[static_cast<size_t>(my) * mask.width + mx];
                c = std::max(c, bitmap.buffer[static_cast<ptrdiff_t>(row) * bitmap.pitch + col]);
            }
        }
        return true;
    }

  private:
    int k_;
    bool ok_ = false;
    FT_Library library_ = nullptr;
    FT_Face face_ = nullptr;
};

} // namespace

TextRenderer::TextRenderer() {
    ok_ = TTF_Init() == 0;
    if (!ok_) {
        std::fprintf(stderr, "assetgen: TTF_Init failed: %s\n", TTF_GetError());
    }
}

TextRenderer::~TextRenderer() {
    if (ok_) {
        TTF_Quit();
    }
}

TextMask TextRenderer::render(const std::string& fontPath, int pointSize,
                              const std::string& text) const {
    if (!ok_) {
        return {};
    }
    TTF_Font* font = openFont(fontPath, pointSize);
    if (font == nullptr) {
        return {};
    }
    TextMask mask = renderLine(font, text);
    TTF_CloseFont(font);
    return mask;
}

TextMask TextRenderer::renderScaled(const std::string& fontPath, int pointSize,
                                    const std::string& text, int k) const {
    if (!ok_) {
        return {};
    }
    const std::unique_ptr<TTF_Font, decltype(&TTF_CloseFont)> font(openFont(fontPath, pointSize),
                                                                   TTF_CloseFont);
    LargeGlyphs large(fontPath, pointSize, k);
    const TextMask line = font && large.ok() ? renderLine(font.get(), text) : TextMask{};
    if (line.width == 0) {
        return {};
    }
    TextMask out;
    out.width = line.width * k;
    out.height = line.height * k;
    out.coverage.assign(static_cast<size_t>(out.width) * out.height, 0);
    // The layout of the line (kerning, advances rounded to whole pixels) is read off the line
    // itself: each character drawn alone is found in it near where the advances so far put it.
    const int reach = pointSize / 8 + 1;
    int penX = 0;
    for (const auto& [character, code] : characters(text)) {
        const TextMask alone = renderLine(font.get(), character);
        if (!hasInk(alone)) {
            penX += advanceOf(font.get(), code);
            continue;
        }
        const Origin lone = loneOrigin(font.get(), code);
        const Origin found = locate(line, alone, penX - lone.x, 0, reach);
        const Origin origin = {found.x + lone.x, found.y + lone.y};
        penX = origin.x + advanceOf(font.get(), code);
        if (!large.draw(code, out, k * origin.x, k * origin.y)) {
            std::fprintf(stderr, "assetgen: cannot draw \"%s\" %d times larger\n",
                         character.c_str(), k);
            return {};
        }
    }
    return out;
}

} // namespace assetgen
