#include "audio/playback.h"

#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <mutex>

#include "audio/clock_math.h"
#include "audio/mp3_stream.h"

namespace {

struct Playback {
    SDL_AudioDeviceID device = 0;
    bool audioStarted = false; // holds a reference on SDL's audio subsystem
    Mp3Stream stream;          // used only by the audio callback while the device is open

    // Owned by the audio callback.
    int64_t nextFrame = 0; // track frame of the next frame handed over (runs on as silence)
    int fadeInDone = kFadeFrames;

    // Shared between the callback and the main thread.
    std::mutex mutex;
    ClockAnchor anchor;
    int64_t pendingSeek = -1;
    uint64_t seekCount = 0;
    int64_t seekFloor = 0;
};

// Never destroyed: at process exit SDL's audio thread may still call in.
Playback& playback() {
    static Playback* p = new Playback;
    return *p;
}

void decodeInto(Playback& p, int16_t* out, int frames) {
    const int64_t got = p.stream.read(out, frames);
    std::fill(out + got * kOutputChannels, out + static_cast<int64_t>(frames) * kOutputChannels,
              int16_t{0});
    p.nextFrame += frames;
}

void scale(int16_t* frame, float gain) {
    for (int c = 0; c < kOutputChannels; ++c) {
        frame[c] = static_cast<int16_t>(std::lrint(frame[c] * gain));
    }
}

void audioCallback(void*, Uint8* bytes, int length) {
    Playback& p = playback();
    const double now = steadySeconds();
    auto* out = reinterpret_cast<int16_t*>(bytes);
    const int frames = length / static_cast<int>(sizeof(int16_t) * kOutputChannels);

    int64_t seekTo = -1;
    uint64_t seekCount = 0;
    {
        std::lock_guard lock(p.mutex);
        seekTo = p.pendingSeek;
        p.pendingSeek = -1;
        seekCount = p.seekCount;
    }

    // A seek: the old sound fades out over the first frames of the buffer, the new
    // position starts right after them and fades in.
    int jump = 0;
    if (seekTo >= 0) {
        jump = std::min(kFadeFrames, frames);
        decodeInto(p, out, jump);
        for (int i = 0; i < jump; ++i) {
            scale(out + i * kOutputChannels, static_cast<float>(jump - 1 - i) / jump);
        }
        p.stream.seek(seekTo);
        p.nextFrame = seekTo;
        p.fadeInDone = 0;
    }
    decodeInto(p, out + jump * kOutputChannels, frames - jump);
    for (int i = jump; i < frames && p.fadeInDone < kFadeFrames; ++i, ++p.fadeInDone) {
        scale(out + i * kOutputChannels, static_cast<float>(p.fadeInDone) / kFadeFrames);
    }

    // This buffer starts playing once the one before it (about as long) has played, so
    // what is heard now lies one buffer behind its start.
    const int64_t bufferStart = p.nextFrame - frames;
    std::lock_guard lock(p.mutex);
    if (p.seekCount == seekCount) {
        p.anchor.frame = bufferStart - frames;
        p.anchor.seconds = now;
        p.anchor.rate = kOutputRate;
        p.anchor.lowest = p.seekFloor;
        p.anchor.highest = std::max(bufferStart, p.seekFloor);
    }
}

} // namespace

namespace {

bool openDevice(Playback& p, int64_t frame, std::string& error) {
    SDL_AudioSpec want{};
    want.freq = kOutputRate;
    want.format = AUDIO_S16SYS;
    want.channels = kOutputChannels;
    want.samples = kDeviceBufferFrames;
    want.callback = audioCallback;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts if the hardware wants another format.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (device == 0) {
        error = SDL_GetError();
        return false;
    }
    p.nextFrame = frame;
    p.fadeInDone = kFadeFrames;
    {
        std::lock_guard lock(p.mutex);
        p.anchor = ClockAnchor{frame, steadySeconds(), 0, frame, frame};
        p.pendingSeek = -1;
        p.seekFloor = frame;
    }
    p.device = device;
    SDL_PauseAudioDevice(device, 0);
    return true;
}

} // namespace

bool startPlayback(const unsigned char* data, std::size_t size, std::string& error) {
    stopPlayback();
    Playback& p = playback();
    if (!p.stream.open(data, size, error)) {
        return false;
    }
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
        error = SDL_GetError();
        p.stream.close();
        return false;
    }
    p.audioStarted = true;
    if (!openDevice(p, 0, error)) {
        stopPlayback();
        return false;
    }
    return true;
}

void stopPlayback() {
    Playback& p = playback();
    suspendPlayback();
    if (p.audioStarted) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        p.audioStarted = false;
    }
    p.stream.close();
}

bool playbackOpen() {
    return playback().device != 0;
}

std::uint32_t playbackDevice() {
    return playback().device;
}

void suspendPlayback() {
    Playback& p = playback();
    if (p.device != 0) {
        SDL_CloseAudioDevice(p.device); // waits for the callback to finish
        p.device = 0;
    }
}

bool resumePlayback(int64_t frame, std::string& error) {
    Playback& p = playback();
    if (!p.audioStarted || p.device != 0) {
        error = "no suspended playback";
        return false;
    }
    p.stream.seek(frame); // no callback runs while the device is closed
    return openDevice(p, frame, error);
}

bool playbackLost() {
    const Playback& p = playback();
    return p.device != 0 && SDL_GetAudioDeviceStatus(p.device) == SDL_AUDIO_STOPPED;
}

int64_t playbackFrame(double nowSeconds) {
    Playback& p = playback();
    std::lock_guard lock(p.mutex);
    return frameAt(p.anchor, nowSeconds);
}

void seekPlayback(int64_t frame, double nowSeconds) {
    Playback& p = playback();
    std::lock_guard lock(p.mutex);
    p.pendingSeek = frame;
    ++p.seekCount;
    p.seekFloor = frame;
    p.anchor = ClockAnchor{frame, nowSeconds, 0, frame, frame};
}
