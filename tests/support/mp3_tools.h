// MP3 files made at test time: PCM encoded with libmp3lame (with the LAME tag, so
// decoders trim the encoder delay), and an independent reference decode with libmpg123
// fed from the start of the stream.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Encodes interleaved 16-bit PCM (`channels` 1 or 2) at `rate` Hz as CBR MP3.
std::vector<unsigned char> encodeMp3(const std::vector<int16_t>& pcm, int channels, int rate,
                                     int kbps = 192);

// Decodes a whole MP3 from the start to interleaved 44.1 kHz stereo 16-bit PCM
// (gapless: the first frame is the first frame of the encoded PCM).
std::vector<int16_t> decodeMp3(const std::vector<unsigned char>& mp3);

// Writes bytes to a file under a fresh per-process temporary folder and returns its path.
std::string writeTempFile(const std::string& name, const std::vector<unsigned char>& bytes);
// A path for a new file in that folder.
std::string tempPath(const std::string& name);
// Reads a whole file ("" and false if it cannot).
bool readFileBytes(const std::string& path, std::vector<unsigned char>& bytes);
