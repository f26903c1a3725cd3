#include "host/message_box.h"

#include <SDL2/SDL.h>

#include <cstdio>

namespace {
bool boxesEnabled = true;
}

void setMessageBoxesEnabled(bool enabled) {
    boxesEnabled = enabled;
}
bool messageBoxesEnabled() {
    return boxesEnabled;
}

void showErrorBox(const char* text, const char* detail) {
    if (detail != nullptr && detail[0] != '\0') {
        std::fprintf(stderr, "quorlith: %s: %s (%s)\n", kErrorCaption, text, detail);
    } else {
        std::fprintf(stderr, "quorlith: %s: %s\n", kErrorCaption, text);
    }
    std::fflush(stderr);
    if (boxesEnabled) {
        // Fails without a display; the text is on stderr already.
        SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, kErrorCaption, text, nullptr);
    }
}
