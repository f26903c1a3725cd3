#include "text_render.h"

#include <SDL.h>
#include <SDL_ttf.h>
#include <cstdio>

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
    TextMask mask;
    if (!ok_) {
        return mask;
    }
    TTF_Font* font = TTF_OpenFont(fontPath.c_str(), pointSize);
    if (font == nullptr) {
        std::fprintf(stderr, "assetgen: cannot open font %s: %s\n", fontPath.c_str(),
                     TTF_GetError());
        return mask;
    }
    TTF_SetFontHinting(font, TTF_HINTING_NORMAL);
    TTF_SetFontKerning(font, 1);
    SDL_Surface* rendered = TTF_RenderUTF8_Blended(font, text.c_str(), {255, 255, 255, 255});
    TTF_CloseFont(font);
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

} // namespace assetgen
