#include "audio/mp3_stream.h"

#include <mpg123.h>
#include <sys/types.h>

#include <algorithm>
#include <cstring>

namespace {

// Memory the decoder reads from; its address is handed to libmpg123.
struct Source {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    std::size_t offset = 0;
};

ssize_t readSource(void* handle, void* buffer, size_t bytes) {
    auto* source = static_cast<Source*>(handle);
    const std::size_t left = source->size - source->offset;
    const std::size_t n = std::min(bytes, left);
    if (n > 0) {
        std::memcpy(buffer, source->data + source->offset, n);
        source->offset += n;
    }
    return static_cast<ssize_t>(n);
}

off_t seekSource(void* handle, off_t offset, int whence) {
    auto* source = static_cast<Source*>(handle);
    off_t base = 0;
    switch (whence) {
    case SEEK_SET:
        base = 0;
        break;
    case SEEK_CUR:
        base = static_cast<off_t>(source->offset);
        break;
    case SEEK_END:
        base = static_cast<off_t>(source->size);
        break;
    default:
        return -1;
    }
    const off_t target = base + offset;
    if (target < 0 || target > static_cast<off_t>(source->size)) {
        return -1;
    }
    source->offset = static_cast<std::size_t>(target);
    return target;
}

std::string decoderError(mpg123_handle* handle, int code) {
    if (code == MPG123_DONE) {
        return "no MPEG audio data found";
    }
    if (handle != nullptr && code == MPG123_ERR) {
        return mpg123_strerror(handle);
    }
    return mpg123_plain_strerror(code);
}

} // namespace

struct Mp3Stream::Decoder {
    Source source;
    mpg123_handle* handle = nullptr;
};

Mp3Stream::~Mp3Stream() {
    close();
}

void Mp3Stream::close() {
    if (decoder_ != nullptr) {
        mpg123_close(decoder_->handle);
        mpg123_delete(decoder_->handle);
        delete decoder_;
        decoder_ = nullptr;
    }
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
    int code = MPG123_OK;
    mpg123_handle* handle = mpg123_new(nullptr, &code);
    if (handle == nullptr) {
        error = mpg123_plain_strerror(code);
        return false;
    }
    auto* decoder = new Decoder{{data, size, 0}, handle};
    // Always 44.1 kHz stereo 16-bit: a file at another rate is resampled, a mono one
    // doubled, so the device and the clock see one format.
    bool ok =
        mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0) == MPG123_OK &&
        mpg123_format_none(handle) == MPG123_OK &&
        mpg123_format(handle, kOutputRate, MPG123_STEREO, MPG123_ENC_SIGNED_16) == MPG123_OK &&
        mpg123_replace_reader_handle(handle, readSource, seekSource, nullptr) == MPG123_OK;
    if (!ok) {
        error = mpg123_strerror(handle);
        mpg123_delete(handle);
        delete decoder;
        return false;
    }
    const auto fail = [&](const std::string& why) {
        error = why;
        mpg123_close(handle);
        mpg123_delete(handle);
        delete decoder;
        return false;
    };
    if ((code = mpg123_open_handle(handle, &decoder->source)) != MPG123_OK) {
        return fail(decoderError(handle, code));
    }
    // The scan walks every frame once: exact length and a complete seek index.
    if ((code = mpg123_scan(handle)) != MPG123_OK) {
        return fail(decoderError(handle, code));
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    if ((code = mpg123_getformat(handle, &rate, &channels, &encoding)) != MPG123_OK) {
        return fail(decoderError(handle, code));
    }
    if (rate != kOutputRate || channels != kOutputChannels || encoding != MPG123_ENC_SIGNED_16) {
        return fail("unsupported audio format");
    }
    const off_t length = mpg123_length(handle);
    if (length <= 0) {
        return fail("no audio frames found");
    }
    if ((code = static_cast<int>(mpg123_seek(handle, 0, SEEK_SET))) < 0) {
        return fail(decoderError(handle, code));
    }
    decoder_ = decoder;
    length_ = static_cast<int64_t>(length);
    position_ = 0;
    exhausted_ = false;
    return true;
}

bool Mp3Stream::seek(int64_t frame) {
    if (decoder_ == nullptr) {
        return false;
    }
    frame = std::clamp<int64_t>(frame, 0, length_);
    const off_t reached = mpg123_seek(decoder_->handle, static_cast<off_t>(frame), SEEK_SET);
    position_ = frame;
    exhausted_ = reached < 0;
    return !exhausted_;
}

int64_t Mp3Stream::read(int16_t* out, int64_t frames) {
    if (decoder_ == nullptr || exhausted_ || frames <= 0) {
        return 0;
    }
    constexpr std::size_t kFrameBytes = sizeof(int16_t) * kOutputChannels;
    auto* bytes = reinterpret_cast<unsigned char*>(out);
    const std::size_t wanted = static_cast<std::size_t>(frames) * kFrameBytes;
    std::size_t got = 0;
    while (got < wanted) {
        std::size_t done = 0;
        const int code = mpg123_read(decoder_->handle, bytes + got, wanted - got, &done);
        got += done;
        if (code == MPG123_OK || code == MPG123_NEW_FORMAT) {
            if (done == 0 && code == MPG123_OK) {
                break;
            }
            continue;
        }
        if (code != MPG123_DONE) {
            exhausted_ = true;
        }
        break;
    }
    const int64_t framesGot = static_cast<int64_t>(got / kFrameBytes);
    position_ += framesGot;
    if (framesGot < frames) {
        exhausted_ = true;
    }
    return framesGot;
}
