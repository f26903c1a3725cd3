#include "support/mp3_tools.h"

#include <lame/lame.h>
#include <mpg123.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>

std::vector<unsigned char> encodeMp3(const std::vector<int16_t>& pcm, int channels, int rate,
                                     int kbps) {
    const std::unique_ptr<lame_global_flags, int (*)(lame_global_flags*)> lame(lame_init(),
                                                                               lame_close);
    lame_set_num_channels(lame.get(), channels);
    lame_set_in_samplerate(lame.get(), rate);
    lame_set_out_samplerate(lame.get(), rate);
    lame_set_mode(lame.get(), channels == 1 ? MONO : STEREO);
    lame_set_brate(lame.get(), kbps);
    lame_set_quality(lame.get(), 5);
    lame_set_bWriteVbrTag(lame.get(), 1);
    if (lame_init_params(lame.get()) < 0) {
        throw std::runtime_error("lame_init_params failed");
    }
    const int frames = static_cast<int>(pcm.size()) / channels;
    std::vector<unsigned char> out(static_cast<std::size_t>(1.25 * frames + 7200 + 16384));
    std::vector<int16_t> samples = pcm; // LAME's interleaved input is not const
    const int size = static_cast<int>(out.size());
    const int written =
        channels == 2
            ? lame_encode_buffer_interleaved(lame.get(), samples.data(), frames, out.data(), size)
            : lame_encode_buffer(lame.get(), samples.data(), nullptr, frames, out.data(), size);
    const int flushed =
        written < 0 ? -1 : lame_encode_flush(lame.get(), out.data() + written, size - written);
    if (flushed < 0) {
        throw std::runtime_error("LAME could not encode");
    }
    out.resize(static_cast<std::size_t>(written + flushed));
    // The first frame was a placeholder for the tag that carries delay and padding.
    unsigned char tag[4096];
    const std::size_t tagSize = lame_get_lametag_frame(lame.get(), tag, sizeof tag);
    if (tagSize > 0 && tagSize <= sizeof tag && tagSize <= out.size()) {
        std::memcpy(out.data(), tag, tagSize);
    }
    return out;
}

std::vector<int16_t> decodeMp3(const std::vector<unsigned char>& mp3) {
    const std::unique_ptr<mpg123_handle, void (*)(mpg123_handle*)> handle(
        mpg123_new(nullptr, nullptr), mpg123_delete);
    if (!handle) {
        throw std::runtime_error("mpg123_new failed");
    }
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0);
    mpg123_format_none(handle.get());
    mpg123_format(handle.get(), 44100, MPG123_STEREO, MPG123_ENC_SIGNED_16);
    mpg123_open_feed(handle.get());
    mpg123_feed(handle.get(), mp3.data(), mp3.size());
    mpg123_set_filesize(handle.get(), static_cast<off_t>(mp3.size()));
    std::vector<int16_t> pcm;
    int16_t chunk[8192];
    int code = MPG123_OK;
    while (code == MPG123_OK || code == MPG123_NEW_FORMAT) {
        std::size_t done = 0;
        code = mpg123_read(handle.get(), chunk, sizeof chunk, &done);
        pcm.insert(pcm.end(), chunk, chunk + done / sizeof(int16_t));
    }
    return pcm;
}

std::string tempPath(const std::string& name) {
    static const struct Folder {
        std::filesystem::path path = std::filesystem::temp_directory_path() /
                                     ("quorlith_test_" + std::to_string(::getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    return (folder.path / name).string();
}

std::string writeTempFile(const std::string& name, const std::vector<unsigned char>& bytes) {
    const std::string path = tempPath(name);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return path;
}
