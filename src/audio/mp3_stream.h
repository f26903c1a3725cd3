// An MP3 held in memory, decoded by libmpg123 to 44.1 kHz stereo 16-bit frames, with
// sample-exact seeking (gapless decoding and a full frame index).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

inline constexpr int kOutputRate = 44100;
inline constexpr int kOutputChannels = 2;

class Mp3Stream {
  public:
    Mp3Stream() = default;
    ~Mp3Stream();
    Mp3Stream(const Mp3Stream&) = delete;
    Mp3Stream& operator=(const Mp3Stream&) = delete;

    // Opens the encoded bytes, which must stay unchanged while the stream is open. On
    // failure the stream stays closed and `error` says why.
    bool open(const unsigned char* data, std::size_t size, std::string& error);
    void close();
    bool isOpen() const { return decoder_ != nullptr; }

    // Length in output frames (one frame = one left and one right sample).
    int64_t lengthFrames() const { return length_; }
    // The frame the next read starts at.
    int64_t positionFrames() const { return position_; }
    // Moves to a frame, clamped to [0, length]. Returns false if the decoder failed, in
    // which case reads give nothing until the next successful seek.
    bool seek(int64_t frame);
    // Decodes up to `frames` interleaved stereo frames into `out`; returns how many were
    // written (fewer only at the end of the track or after a decoding failure).
    int64_t read(int16_t* out, int64_t frames);

  private:
    // What turns the track into frames: libmpg123 over the bytes in memory natively, the
    // browser's own decoding on the web.
    struct Decoder;
    Decoder* decoder_ = nullptr;
    int64_t length_ = 0;
    int64_t position_ = 0;
    bool exhausted_ = false;
};
