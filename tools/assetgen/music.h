// The soundtrack: a small synthesiser and step sequencer, and the MP3 encoding of its output.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace assetgen {

constexpr int kSampleRate = 44100;
constexpr double kTrackSeconds = 336.0;

// The whole track as interleaved stereo floats, peak at about -3 dBFS.
std::vector<float> renderTrack();

// Encodes interleaved stereo floats as CBR MP3 with a LAME Info frame and no ID3 tag.
bool encodeMp3(const std::vector<float>& stereo, std::vector<uint8_t>& mp3, std::string& error);

} // namespace assetgen
