// A hidden 800 x 600 window with a compatibility-profile GL context on SDL's offscreen
// driver, for tests that need real GL.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SDL_Window;

// Keeps the GL driver's libraries mapped once a context has been made, so that LeakSanitizer
// can still attribute the driver's process-lifetime allocations after the context is gone.
void pinGraphicsDrivers();

class OffscreenGl {
  public:
    OffscreenGl(int width = 800, int height = 600);
    ~OffscreenGl();
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;

    bool ok() const { return context_ != nullptr; }
    const std::string& error() const { return error_; }
    // Reads the back buffer as RGBA, rows top first.
    std::vector<uint8_t> readPixels() const;
    int width() const { return width_; }
    int height() const { return height_; }
    static void* lookup(const char* name);
    // The demo's whole start-up in this context, as the window runs it (its perspective
    // first), on the clock set by hand, with the data set in dataDirectory.
    static void startDemoHere(const std::string& dataDirectory);

  private:
    SDL_Window* window_ = nullptr;
    void* context_ = nullptr;
    int width_;
    int height_;
    std::string error_;
};
