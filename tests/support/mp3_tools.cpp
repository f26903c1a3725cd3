#include "support/mp3_tools.h"

#include <lame/lame.h>
#include <mpg123.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

std::vector<unsigned char> encodeMp3(const std::vector<int16_t>& pcm, int channels, int rate,
                                     int kbps) {
    lame_global_flags* lame = lame_init();
    if (lame == nullptr) {
        throw std::runtime_error("lame_init failed");
    }
    lame_set_num_channels(lame, channels);
    lame_set_in_samplerate(lame, rate);
    lame_set_out_samplerate(lame, rate);
    lame_set_mode(lame, channels == 1 ? MONO : STEREO);
    lame_set_brate(lame, kbps);
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, 1);
    if (lame_init_params(lame) < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_init_params failed");
    }
    const int frames = static_cast<int>(pcm.size()) / channels;
    std::vector<unsigned char> out(static_cast<std::size_t>(1.25 * frames + 7200 + 16384));
    std::vector<int16_t> samples = pcm;
    int written = 0;
    if (channels == 2) {
        written = lame_encode_buffer_interleaved(lame, samples.data(), frames, out.data(),
                                                 static_cast<int>(out.size()));
    } else {
        written = lame_encode_buffer(lame, samples.data(), nullptr, frames, out.data(),
                                     static_cast<int>(out.size()));
    }
    if (written < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_encode_buffer failed");
    }
    const int flushed =
        lame_encode_flush(lame, out.data() + written, static_cast<int>(out.size()) - written);
    if (flushed < 0) {
        lame_close(lame);
        throw std::runtime_error("lame_encode_flush failed");
    }
    out.resize(static_cast<std::size_t>(written + flushed));
    // The first frame was a placeholder for the tag that carries delay and padding.
    unsigned char tag[4096];
    const std::size_t tagSize = lame_get_lametag_frame(lame, tag, sizeof tag);
    if (tagSize > 0 && tagSize <= sizeof tag && tagSize <= out.size()) {
        std::memcpy(out.data(), tag, tagSize);
    }
    lame_close(lame);
    return out;
}

std::vector<int16_t> decodeMp3(const std::vector<unsigned char>& mp3) {
    mpg123_handle* handle = mpg123_new(nullptr, nullptr);
    if (handle == nullptr) {
        throw std::runtime_error("mpg123_new failed");
    }
    mpg123_param(handle, MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    mpg123_format_none(handle);
    mpg123_format(handle, 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(handle);
    std::vector<int16_t> pcm;
    std::vector<unsigned char> chunk(16384);
    std::size_t fed = 0;
    bool fedAll = false;
    for (;;) {
        std::size_t done = 0;
        const std::size_t feed = fedAll ? 0 : std::min<std::size_t>(4096, mp3.size() - fed);
        const int code = mpg123_decode(handle, feed ? mp3.data() + fed : nullptr, feed,
                                       chunk.data(), chunk.size(), &done);
        fed += feed;
        if (fed == mp3.size() && !fedAll) {
            fedAll = true;
            mpg123_set_filesize(handle, static_cast<off_t>(mp3.size()));
        }
        const auto* samples = reinterpret_cast<const int16_t*>(chunk.data());
        pcm.insert(pcm.end(), samples, samples + done / sizeof(int16_t));
        if (code == MPG123_NEED_MORE && fedAll) {
            break;
        }
        if (code == MPG123_DONE || code == MPG123_ERR) {
            break;
        }
    }
    mpg123_delete(handle);
    return pcm;
}

namespace {
// A folder for this process's files, removed when the process ends.
struct TempFolder {
    std::filesystem::path path;
    TempFolder() {
        path = std::filesystem::temp_directory_path() /
               ("quorlith_test_" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

const std::filesystem::path& tempFolder() {
    static const TempFolder folder;
    return folder.path;
}
} // namespace

std::string tempPath(const std::string& name) {
    return (tempFolder() / name).string();
}

std::string writeTempFile(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = tempPath(name);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path;
}

bool readFileBytes(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        bytes.clear();
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}
