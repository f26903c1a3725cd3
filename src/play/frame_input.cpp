#include "play/frame_input.h"

#include <cstdio>

#include "audio/music.h"

namespace {
char titleBuffer[kTitleBufferSize] = {};
} // namespace

int formatTitle(char (&buffer)[kTitleBufferSize], float demoTimeSeconds) {
    return std::snprintf(buffer, sizeof buffer, "Quorlith Engine - Time: %f",
                         static_cast<double>(demoTimeSeconds));
}

const char* currentTitle() {
    return titleBuffer;
}

void applyFrameInput(KeyState& keys, const HostActions& host) {
    // Nonzero: held, or pressed since the last frame.
    if (keys[vk::Escape] != 0 && host.quit != nullptr) {
        host.quit();
    }
    if (keys[vk::F1] != 0 && host.toggleFullScreen != nullptr) {
        host.toggleFullScreen();
    }
    if ((keys[vk::Space] & kKeyPressedUnseen) != 0) {
        const bool pausing = !musicPaused();
        setMusicPaused(pausing);
        if (pausing) {
            // Held at the instant on screen (and in the title), not a frame's time later.
            seekMusic(0.0f);
        }
    }
    if (keys[vk::Left] != 0) {
        seekMusic(-500.0f);
    }
    if (keys[vk::Right] != 0) {
        seekMusic(500.0f);
    }
    if (keys[vk::Up] != 0) {
        seekMusic(5000.0f);
    }
    if (keys[vk::Down] != 0) {
        seekMusic(-5000.0f);
    }
    forgetKeyPresses(keys);
    formatTitle(titleBuffer, demoTime());
    if (host.showTitle != nullptr) {
        host.showTitle(titleBuffer);
    }
}
