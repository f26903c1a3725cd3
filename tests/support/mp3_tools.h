// MP3 files made at test time: PCM encoded with libmp3lame (with the LAME tag, so
// decoders trim the encoder delay), an independent reference decode with libmpg123, and
// a per-process temporary folder for the files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encodes interleaved 16-bit PCM (`channels` 1 or 2) at `rate` Hz as CBR MP3.
std::vector<unsigned char> encodeMp3(const std::vector<int16_t>& pcm, int channels, int rate,
                                     int kbps = 192);
// Decodes a whole MP3 from its start to interleaved 44.1 kHz stereo 16-bit PCM, gapless.
std::vector<int16_t> decodeMp3(const std::vector<unsigned char>& mp3);

// A path in a folder of this process's own, removed when the process ends.
std::string tempPath(const std::string& name);
// Writes bytes to tempPath(name) and returns that path.
std::string writeTempFile(const std::string& name, const std::vector<unsigned char>& bytes);
