// Which SDL video driver the program runs on. Live play needs one that shows a picture:
// left to itself, SDL would fall back to a driver without any display (offscreen) when the
// X server cannot be reached, and the demo would play unseen. Offline rendering needs no
// display at all and takes the offscreen driver where none is there.
#pragma once

enum class VideoUse {
    Live,    // the start dialog and the demo window
    Offline, // frames rendered into files or timed, with no window shown
};

// The drivers tried in turn for live play when the user names none, each of them one that
// shows a picture.
inline constexpr const char* kLiveVideoDrivers[] = {"x11", "wayland", "kmsdrm"};

// Starts SDL's video (one more reference when it runs already). A driver the user sets in
// SDL_VIDEODRIVER is used as given. False when none starts; SDL_GetError then says why
// (for live play: each driver tried, with its reason).
bool startVideo(VideoUse use);
