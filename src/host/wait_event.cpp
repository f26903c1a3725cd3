#include "host/wait_event.h"

#include <SDL2/SDL_timer.h>

namespace {
constexpr Uint32 kPollPauseMs = 10;
}

bool waitForEvent(SDL_Event& event) {
    if (SDL_PollEvent(&event) != 0) {
        return true;
    }
    SDL_Delay(kPollPauseMs);
    return false;
}

void waitForEvent() {
    for (;;) {
        SDL_PumpEvents();
        if (SDL_PeepEvents(nullptr, 0, SDL_PEEKEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
            return;
        }
        SDL_Delay(kPollPauseMs);
    }
}
