// The sound device of the web build: Web Audio plays the track the browser decoded, and its
// AudioContext's clock says which frame is heard. The JavaScript side lives in demo_api.js.
#include <emscripten.h>

#include <cmath>

#include "audio/playback.h"

namespace {
bool playing = false;

EM_JS(int, webAudioStart, (double frame), { return Module.quorlithAudio.start(frame); });
EM_JS(void, webAudioStop, (), { Module.quorlithAudio.stop(); });
EM_JS(double, webAudioFrame, (), { return Module.quorlithAudio.frame(); });

bool startAt(int64_t frame, std::string& error) {
    if (webAudioStart(static_cast<double>(frame)) == 0) {
        error = "no audio context";
        return false;
    }
    playing = true;
    return true;
}
} // namespace

bool startPlayback(const unsigned char*, std::size_t, std::string& error) {
    return startAt(0, error);
}

void stopPlayback() {
    webAudioStop();
    playing = false;
}

bool playbackOpen() {
    return playing;
}

std::uint32_t playbackDevice() {
    return playing ? 1 : 0;
}

void suspendPlayback() {
    stopPlayback();
}

bool resumePlayback(int64_t frame, std::string& error) {
    return startAt(frame, error);
}

bool playbackLost() {
    return false;
}

int64_t playbackFrame(double) {
    return static_cast<int64_t>(std::floor(webAudioFrame()));
}

void seekPlayback(int64_t frame, double) {
    std::string error;
    startAt(frame, error);
}
