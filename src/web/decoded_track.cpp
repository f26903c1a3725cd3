#include "web/decoded_track.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "audio/mp3_stream.h"

namespace {
std::vector<int16_t>& decodedSamples() {
    static std::vector<int16_t> samples;
    return samples;
}
} // namespace

void clearDecodedTrack() {
    decodedSamples().clear();
    decodedSamples().shrink_to_fit();
}

void appendDecodedTrack(const float* interleaved, int frames) {
    std::vector<int16_t>& samples = decodedSamples();
    const std::size_t count = static_cast<std::size_t>(std::max(frames, 0)) * kOutputChannels;
    samples.reserve(samples.size() + count);
    for (std::size_t i = 0; i < count; ++i) {
        const float scaled = std::clamp(interleaved[i] * 32768.0f, -32768.0f, 32767.0f);
        samples.push_back(static_cast<int16_t>(std::lrint(scaled)));
    }
}

int64_t decodedTrackFrames() {
    return static_cast<int64_t>(decodedSamples().size() / kOutputChannels);
}

// The stream reads the decoded frames; the bytes it is opened with only have to be there.
struct Mp3Stream::Decoder {
    const std::vector<int16_t>* samples = nullptr;
};

Mp3Stream::~Mp3Stream() {
    close();
}

void Mp3Stream::close() {
    delete decoder_;
    decoder_ = nullptr;
    length_ = 0;
    position_ = 0;
    exhausted_ = false;
}

bool Mp3Stream::open(const unsigned char* data, std::size_t size, std::string& error) {
    close();
    if (data == nullptr || size == 0) {
        error = "the file is empty";
        return false;
    }
    if (decodedTrackFrames() == 0) {
        error = "the browser did not decode the track";
        return false;
    }
    decoder_ = new Decoder{&decodedSamples()};
    length_ = decodedTrackFrames();
    return true;
}

bool Mp3Stream::seek(int64_t frame) {
    if (decoder_ == nullptr) {
        return false;
    }
    position_ = std::clamp<int64_t>(frame, 0, length_);
    exhausted_ = false;
    return true;
}

int64_t Mp3Stream::read(int16_t* out, int64_t frames) {
    if (decoder_ == nullptr || exhausted_ || frames <= 0) {
        return 0;
    }
    const int64_t got = std::min(frames, length_ - position_);
    std::memcpy(out, decoder_->samples->data() + position_ * kOutputChannels,
                static_cast<std::size_t>(got) * kOutputChannels * sizeof(int16_t));
    position_ += got;
    exhausted_ = got < frames;
    return got;
}
