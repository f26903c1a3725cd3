// The sound device side of the music clock: an SDL2 audio device fed from its own
// decoder over the track in memory. Everything here is called from the main thread;
// decoding runs in SDL's audio callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int kFadeFrames = 220;          // 5 ms of fade out and in around a seek
inline constexpr int kDeviceBufferFrames = 1024; // frames per device buffer

// Opens the default device (44.1 kHz stereo 16-bit) and starts playing the track from
// its first frame. The bytes must stay unchanged until stopPlayback.
bool startPlayback(const unsigned char* data, std::size_t size, std::string& error);
// Closes the device (if open) and the decoder.
void stopPlayback();
bool playbackOpen();
// SDL's id of the open device (0 when none is open).
std::uint32_t playbackDevice();
// Closes a device that went away, keeping the decoder and SDL's audio (whose events tell
// when a device comes back).
void suspendPlayback();
// After suspendPlayback: opens the default device again and plays on from a frame.
bool resumePlayback(int64_t frame, std::string& error);
// Whether the open device has stopped by itself (unplugged, server gone).
bool playbackLost();
// The track frame being heard now: frames handed to the device less those still
// waiting in its buffer.
int64_t playbackFrame(double nowSeconds);
// Moves playback to a frame. The clock reports it at once; the device fades the old
// sound out and the new in.
void seekPlayback(int64_t frame, double nowSeconds);
