#include "host/video_driver.h"

#include <SDL2/SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

bool userChoseDriver() {
    const char* named = std::getenv("SDL_VIDEODRIVER");
    return named != nullptr && named[0] != '\0';
}

bool environmentNames(const char* variable) {
    const char* value = std::getenv(variable);
    return value != nullptr && value[0] != '\0';
}

// Standard error sent nowhere while the display libraries are probed: some print their own
// complaints (Wayland's about XDG_RUNTIME_DIR) where SDL's error already says why a driver
// did not start, and that is the reason we give.
class QuietStandardError {
  public:
    QuietStandardError() {
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && nowhere >= 0) {
            dup2(nowhere, STDERR_FILENO);
        }
        if (nowhere >= 0) {
            close(nowhere);
        }
    }
    ~QuietStandardError() {
        std::fflush(stderr);
        if (saved_ >= 0) {
            dup2(saved_, STDERR_FILENO);
            close(saved_);
        }
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

  private:
    int saved_ = -1;
};

bool startWith(const char* driver) {
    SDL_SetHintWithPriority(SDL_HINT_VIDEODRIVER, driver, SDL_HINT_OVERRIDE);
    return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
}

bool startQuietlyWith(const char* driver) {
    const QuietStandardError quiet;
    return startWith(driver);
}

// The display a driver looks for, as the user would name it.
std::string displayOf(const std::string& driver) {
    const char* variable = driver == "x11"       ? "DISPLAY"
                           : driver == "wayland" ? "WAYLAND_DISPLAY"
                                                 : nullptr;
    if (variable == nullptr) {
        return driver;
    }
    const char* value = std::getenv(variable);
    return driver + " (" + variable +
           (value != nullptr && value[0] != '\0' ? std::string("=") + value
                                                 : std::string(" not set")) +
           ")";
}

bool startLive() {
    std::string reasons;
    for (const char* driver : kLiveVideoDrivers) {
        if (startQuietlyWith(driver)) {
            return true;
        }
        reasons += (reasons.empty() ? "" : "; ") + displayOf(driver) + ": " + SDL_GetError();
    }
    SDL_SetError("no display could be opened (%s)", reasons.c_str());
    return false;
}

// Nothing is shown, so a display that is named but cannot be reached (or a driver that
// does not start) is no reason to fail: the offscreen driver serves.
bool startOffline() {
    if (!userChoseDriver() && !environmentNames("DISPLAY") &&
        !environmentNames("WAYLAND_DISPLAY")) {
        return startWith("offscreen");
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        return true;
    }
    const char* hint = SDL_GetHint(SDL_HINT_VIDEODRIVER);
    return (hint == nullptr || std::string(hint) != "offscreen") && startWith("offscreen");
}

// Xlib's own reaction to a lost X server is to end the process through exit(), whose
// clean-ups then ask the dead server again (SDL closing its windows) and wait for it for
// ever. Ended at once instead, with the reason.
extern "C" int onDisplayLost(void*) {
    static const char message[] = "quorlith: the display went away\n";
    const ssize_t written = write(STDERR_FILENO, message, sizeof message - 1);
    (void)written;
    _exit(1);
}

void endAtOnceWhenTheDisplayGoesAway() {
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver == nullptr || std::string(driver) != "x11") {
        return;
    }
    // libX11 is loaded by SDL's driver already; this only finds it.
    void* xlib = SDL_LoadObject("libX11.so.6");
    if (xlib == nullptr) {
        return;
    }
    using Handler = int (*)(void*);
    using SetHandler = Handler (*)(Handler);
    if (auto set = reinterpret_cast<SetHandler>(SDL_LoadFunction(xlib, "XSetIOErrorHandler"))) {
        set(onDisplayLost);
    }
}

} // namespace

bool startVideo(VideoUse use) {
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
        return SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
    }
    if (use == VideoUse::Offline) {
        return startOffline();
    }
    const bool started = userChoseDriver() ? SDL_InitSubSystem(SDL_INIT_VIDEO) == 0 : startLive();
    if (started) {
        endAtOnceWhenTheDisplayGoesAway();
    }
    return started;
}
