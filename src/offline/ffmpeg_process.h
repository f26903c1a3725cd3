// The ffmpeg program as the capture's encoder: its command line for each container, and
// the child process fed on pipes (raw pictures on its standard input, raw PCM on fd 3),
// its messages kept for the report.
#pragma once

#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

#include "offline/yuv_frames.h"

enum class Container {
    Mp4, // H.264 yuv420p CRF 18 + AAC 192 kbit/s, ready to share
    Mkv, // lossless H.264 in full RGB + FLAC, a master to edit from
};

struct EncoderSettings {
    std::string outputPath; // written by ffmpeg as it is (the capture's temporary name)
    Container container = Container::Mp4;
    int width = 800;
    int height = 600;
    int fps = 60;
    YuvMatrix matrix = YuvMatrix::Bt601; // of the MP4's pictures, and so tagged
    bool withAudio = true;               // 44.1 kHz stereo s16le on fd 3
    std::string preset;                  // the x264 preset
};

// The container a file name asks for by its extension (.mp4 or .mkv), or false.
bool containerForPath(const std::string& path, Container& container);

// How pictures go down the pipe, in ffmpeg's names: "yuv420p" for an MP4 (converted by
// rgbaToYuv420 as the encoder would), "rgba" for the lossless MKV.
const char* pictureFormat(Container container);

// The arguments after the program name.
std::vector<std::string> ffmpegArguments(const EncoderSettings& settings);

class FfmpegProcess {
  public:
    FfmpegProcess() = default;
    ~FfmpegProcess();
    FfmpegProcess(const FfmpegProcess&) = delete;
    FfmpegProcess& operator=(const FfmpegProcess&) = delete;

    // Runs `program` (looked up on the PATH) in its own process group, so a Ctrl-C at the
    // terminal reaches only us. False with the reason when it cannot be started.
    bool start(const std::string& program, const EncoderSettings& settings, std::string& error);

    // Hand the writing ends of the pipes over to their writers, who close them when done
    // (ffmpeg sees the end of that input). -1 when there is none.
    int takeVideoFd();
    int takeAudioFd();

    // Ends the process at once (after a failure or an interruption).
    void kill();
    // Closes both pipes and waits for the end. Empty when ffmpeg succeeded, else what went
    // wrong ("exited with status 1", "was killed by signal 9").
    std::string finish();
    // The last lines ffmpeg wrote to its standard error (after finish).
    std::string messages();

  private:
    pid_t pid_ = -1;
    int video_ = -1;
    int audio_ = -1;
    int messagesFd_ = -1;
    std::thread reader_;
    std::string messages_;
};

// Writes all of `size` bytes, going on after interruptions. False (errno set) on failure,
// for example EPIPE when the reader has gone.
bool writeAll(int fd, const void* data, std::size_t size);
