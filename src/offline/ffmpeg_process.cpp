#include "offline/ffmpeg_process.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

constexpr std::size_t kMessageTail = 4096;

// A pipe whose ends lie above fd 3 (so the child's dup2 onto 0 and 3 never meets them)
// and close on exec.
bool makePipe(int& readEnd, int& writeEnd) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) {
        return false;
    }
    readEnd = fcntl(ends[0], F_DUPFD_CLOEXEC, 10);
    writeEnd = fcntl(ends[1], F_DUPFD_CLOEXEC, 10);
    close(ends[0]);
    close(ends[1]);
    return readEnd >= 0 && writeEnd >= 0;
}

void closeFd(int& fd) {
    if (fd >= 0) {
        close(fd);
        fd = -1;
    }
}

std::string lowerExtension(const std::string& path) {
    const std::string::size_type slash = path.rfind('/');
    const std::string::size_type dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
        return "";
    }
    std::string extension = path.substr(dot);
    for (char& c : extension) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return extension;
}

} // namespace

bool containerForPath(const std::string& path, Container& container) {
    const std::string extension = lowerExtension(path);
    if (extension == ".mp4") {
        container = Container::Mp4;
    } else if (extension == ".mkv") {
        container = Container::Mkv;
    } else {
        return false;
    }
    return true;
}

const char* pictureFormat(Container container) {
    return container == Container::Mp4 ? "yuv420p" : "rgba";
}

std::vector<std::string> ffmpegArguments(const EncoderSettings& s) {
    const bool mp4 = s.container == Container::Mp4;
    std::vector<std::string> args = {
        "-hide_banner", "-nostats", "-loglevel", "error", "-y",
        // Pictures: rows top first, one per frame at the capture's rate.
        "-f", "rawvideo", "-pix_fmt", pictureFormat(s.container), "-video_size",
        std::to_string(s.width) + "x" + std::to_string(s.height), "-framerate",
        std::to_string(s.fps), "-i", "pipe:0"};
    if (s.withAudio) {
        args.insert(args.end(),
                    {"-f", "s16le", "-ar", "44100", "-ac", "2", "-i", "pipe:3", "-map", "1:a"});
    }
    args.insert(args.end(), {"-map", "0:v"});
    if (mp4) {
        const char* colours = s.matrix == YuvMatrix::Bt709 ? "bt709" : "smpte170m";
        args.insert(args.end(), {"-c:v", "libx264", "-preset", s.preset, "-crf", "18", "-pix_fmt",
                                 "yuv420p", "-colorspace", colours, "-color_primaries", colours,
                                 "-color_trc", colours, "-color_range", "tv"});
        if (s.withAudio) {
            // The AAC encoder's fast coder: at 192 kbit/s it takes 2.5 s of processor time
            // for the whole track instead of 6.3 s, time the renderer needs more.
            args.insert(args.end(), {"-c:a", "aac", "-aac_coder", "fast", "-b:a", "192k"});
        }
        args.insert(args.end(), {"-movflags", "+faststart", "-f", "mp4"});
    } else {
        args.insert(args.end(),
                    {"-c:v", "libx264rgb", "-preset", s.preset, "-qp", "0", "-pix_fmt", "rgb24"});
        if (s.withAudio) {
            args.insert(args.end(), {"-c:a", "flac"});
        }
        args.insert(args.end(), {"-f", "matroska"});
    }
    args.push_back(s.outputPath);
    return args;
}

FfmpegProcess::~FfmpegProcess() {
    if (pid_ > 0) {
        kill();
        finish();
    }
    closeFd(video_);
    closeFd(audio_);
    if (reader_.joinable()) {
        reader_.join();
    }
}

bool FfmpegProcess::start(const std::string& program, const EncoderSettings& settings,
                          std::string& error) {
    int videoRead = -1;
    int audioRead = -1;
    int messagesWrite = -1;
    bool piped = makePipe(videoRead, video_) && makePipe(messagesFd_, messagesWrite);
    if (piped && settings.withAudio) {
        piped = makePipe(audioRead, audio_);
    }
    if (!piped) {
        error = std::string("no pipe for ffmpeg: ") + std::strerror(errno);
        closeFd(videoRead);
        closeFd(audioRead);
        closeFd(messagesWrite);
        return false;
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, videoRead, 0);
    posix_spawn_file_actions_adddup2(&actions, messagesWrite, 1);
    posix_spawn_file_actions_adddup2(&actions, messagesWrite, 2);
    if (audioRead >= 0) {
        posix_spawn_file_actions_adddup2(&actions, audioRead, 3);
    }
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (const int signal : {SIGPIPE, SIGINT, SIGTERM}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);

    std::vector<std::string> args = ffmpegArguments(settings);
    args.insert(args.begin(), program);
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    const int code =
        posix_spawnp(&pid_, program.c_str(), &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    closeFd(videoRead);
    closeFd(audioRead);
    closeFd(messagesWrite);
    if (code != 0) {
        pid_ = -1;
        error = code == ENOENT ? "the ffmpeg program was not found on the PATH (install the "
                                 "ffmpeg package)"
                               : "the ffmpeg program could not be started: " +
                                     std::string(std::strerror(code));
        closeFd(video_);
        closeFd(audio_);
        closeFd(messagesFd_);
        return false;
    }
    reader_ = std::thread([this] {
        char chunk[1024];
        for (;;) {
            const ssize_t n = read(messagesFd_, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n <= 0) {
                break;
            }
            messages_.append(chunk, static_cast<std::size_t>(n));
            if (messages_.size() > 2 * kMessageTail) {
                messages_.erase(0, messages_.size() - kMessageTail);
            }
        }
    });
    return true;
}

int FfmpegProcess::takeVideoFd() {
    const int fd = video_;
    video_ = -1;
    return fd;
}
int FfmpegProcess::takeAudioFd() {
    const int fd = audio_;
    audio_ = -1;
    return fd;
}

void FfmpegProcess::kill() {
    if (pid_ > 0) {
        ::kill(pid_, SIGKILL);
    }
}

std::string FfmpegProcess::finish() {
    closeFd(video_);
    closeFd(audio_);
    if (pid_ <= 0) {
        return "was not running";
    }
    int status = 0;
    pid_t waited;
    do {
        waited = waitpid(pid_, &status, 0);
    } while (waited < 0 && errno == EINTR);
    pid_ = -1;
    if (reader_.joinable()) {
        reader_.join();
    }
    closeFd(messagesFd_);
    if (waited < 0) {
        return std::string("could not be waited for: ") + std::strerror(errno);
    }
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status) == 0
                   ? ""
                   : "exited with status " + std::to_string(WEXITSTATUS(status));
    }
    if (WIFSIGNALED(status)) {
        return "was killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
               strsignal(WTERMSIG(status)) + ")";
    }
    return "ended abnormally";
}

std::string FfmpegProcess::messages() {
    std::string tail = messages_.size() > kMessageTail
                           ? messages_.substr(messages_.size() - kMessageTail)
                           : messages_;
    while (!tail.empty() && (tail.back() == '\n' || tail.back() == '\r')) {
        tail.pop_back();
    }
    return tail;
}

bool writeAll(int fd, const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    while (size > 0) {
        const ssize_t n = write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}
