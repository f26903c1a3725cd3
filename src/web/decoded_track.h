// The track as the browser decoded it. The page decodes the MP3 with the browser's own decoder
// at 44.1 kHz and hands the frames in; the web build's Mp3Stream reads these instead of
// decoding the file itself.
#pragma once

#include <cstdint>

// Forgets the frames handed in so far.
void clearDecodedTrack();
// Appends `frames` interleaved stereo frames (-1..1) as 16-bit samples, as the native decoder
// gives them.
void appendDecodedTrack(const float* interleaved, int frames);
int64_t decodedTrackFrames();
