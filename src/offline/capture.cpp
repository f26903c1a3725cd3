#include "offline/capture.h"

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string_view>
#include <thread>
#include <vector>

#include "audio/mp3_stream.h"
#include "audio/music.h"
#include "host/frame_target.h"
#include "host/gl_lookup.h"
#include "host/offscreen.h"
#include "offline/ffmpeg_process.h"
#include "offline/frame_readback.h"
#include "offline/yuv_frames.h"
#include "timeline/composer.h"
#include "timeline/startup.h"

namespace {

// x264 presets chosen for two cores, where the encoder shares them with the software
// renderer: the capture should take less than 1.3 times as long as rendering the frames
// alone (bench/capture_bench.cpp measures it). With the renderer as fast as it now is, the
// lighter sections leave the encoder little room, so the shareable video takes the fastest
// preset, at the cost of files about half as large again as superfast's.
constexpr const char* kMp4Preset = "ultrafast";
constexpr const char* kMkvPreset = "ultrafast";
constexpr int kQueuedFrames = 3;
constexpr int64_t kAudioChunkFrames = 4096;

std::atomic<int> stopSignal{0};
extern "C" void onStopSignal(int signal) {
    stopSignal.store(signal);
}

// Ctrl-C and termination requests stop the capture between frames; a pipe whose reader
// died fails its write (EPIPE) instead of killing us.
class SignalGuard {
  public:
    SignalGuard() {
        stopSignal.store(0);
        struct sigaction action {};
        action.sa_handler = onStopSignal;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &oldInt_);
        sigaction(SIGTERM, &action, &oldTerm_);
        struct sigaction ignore {};
        ignore.sa_handler = SIG_IGN;
        sigemptyset(&ignore.sa_mask);
        sigaction(SIGPIPE, &ignore, &oldPipe_);
    }
    ~SignalGuard() {
        sigaction(SIGINT, &oldInt_, nullptr);
        sigaction(SIGTERM, &oldTerm_, nullptr);
        sigaction(SIGPIPE, &oldPipe_, nullptr);
    }
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

  private:
    struct sigaction oldInt_ {};
    struct sigaction oldTerm_ {};
    struct sigaction oldPipe_ {};
};

// The file ffmpeg writes, beside the asked one; renamed onto it only when all went well.
class TemporaryFile {
  public:
    bool create(const std::filesystem::path& target, std::string& error) {
        const std::filesystem::path folder =
            target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
        std::string name = (folder / (target.filename().string() + ".part-XXXXXX")).string();
        const int fd = mkstemp(name.data());
        if (fd < 0) {
            error = "cannot create a file in the folder '" + folder.string() +
                    "': " + std::strerror(errno);
            return false;
        }
        const mode_t mask = umask(0);
        umask(mask);
        fchmod(fd, 0666 & ~mask);
        close(fd);
        path_ = name;
        return true;
    }
    ~TemporaryFile() {
        if (!path_.empty()) {
            unlink(path_.c_str());
        }
    }
    const std::string& path() const { return path_; }
    bool moveTo(const std::string& target, std::string& error) {
        if (std::rename(path_.c_str(), target.c_str()) != 0) {
            error = std::string("cannot rename the finished file onto it: ") + std::strerror(errno);
            return false;
        }
        path_.clear();
        return true;
    }

  private:
    std::string path_;
};

// Finished pictures on their way to ffmpeg: the renderer fills free buffers, the writer
// thread empties them into the pipe, so the next frame renders while one is encoded.
struct FrameQueue {
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::vector<std::uint8_t>> buffers;
    std::deque<int> free;
    std::deque<int> filled;
    bool closed = false;
    int writeError = 0; // errno of a failed write, 0 while all is well
};

// Writes each filled picture to the pipe, converted to 4:2:0 first where the encoder takes it.
void writeFrames(FrameQueue& queue, int fd, bool toYuv, YuvMatrix matrix, int width, int height) {
    bool failed = false;
    std::vector<std::uint8_t> yuv(toYuv ? yuv420Bytes(width, height) : 0);
    for (;;) {
        int index;
        {
            std::unique_lock lock(queue.mutex);
            queue.changed.wait(lock, [&] { return !queue.filled.empty() || queue.closed; });
            if (queue.filled.empty()) {
                break;
            }
            index = queue.filled.front();
            queue.filled.pop_front();
        }
        const std::vector<std::uint8_t>& frame = queue.buffers[static_cast<std::size_t>(index)];
        if (toYuv && !failed) {
            rgbaToYuv420(frame.data(), width, height, yuv.data(), matrix);
        }
        const std::vector<std::uint8_t>& bytes = toYuv ? yuv : frame;
        if (!failed && !writeAll(fd, bytes.data(), bytes.size())) {
            failed = true;
            std::lock_guard lock(queue.mutex);
            queue.writeError = errno;
        }
        std::lock_guard lock(queue.mutex);
        queue.free.push_back(index);
        queue.changed.notify_all();
    }
    close(fd);
}

// The music of [fromFrame, toFrame) as 16-bit stereo, silence past the end of the track.
void writeSoundtrack(Mp3Stream& stream, int64_t fromFrame, int64_t toFrame, int fd,
                     std::atomic<int>& writeError) {
    std::vector<int16_t> pcm(static_cast<std::size_t>(kAudioChunkFrames) * kOutputChannels);
    stream.seek(fromFrame);
    for (int64_t at = fromFrame; at < toFrame && stopSignal.load() == 0;) {
        const int64_t want = std::min(kAudioChunkFrames, toFrame - at);
        const int64_t got = stream.read(pcm.data(), want);
        std::fill(pcm.begin() + got * kOutputChannels, pcm.begin() + want * kOutputChannels, 0);
        if (!writeAll(fd, pcm.data(), static_cast<std::size_t>(want) * kOutputChannels * 2)) {
            writeError.store(errno);
            break;
        }
        at += want;
    }
    close(fd);
}

bool readWhole(const std::string& path, std::vector<unsigned char>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

std::string clockText(double seconds) {
    const long whole = std::lround(std::max(seconds, 0.0));
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

bool diskFull(const std::string& file) {
    const std::filesystem::path target(file);
    const std::string folder = target.has_parent_path() ? target.parent_path().string() : ".";
    struct statvfs info {};
    return statvfs(folder.c_str(), &info) == 0 &&
           static_cast<double>(info.f_bavail) * info.f_frsize < 1024.0 * 1024.0;
}

bool progressLineOpen = false; // a progress line on the terminal waits for its end

void fail(const CaptureRequest& request, const std::string& reason,
          const std::string& ffmpegSaid = "") {
    std::fprintf(stderr, "%squorlith: capture of '%s' failed: %s; no file written\n",
                 progressLineOpen ? "\n" : "", request.path.c_str(), reason.c_str());
    progressLineOpen = false;
    if (!ffmpegSaid.empty()) {
        std::string indented = "  " + ffmpegSaid;
        for (std::string::size_type at = 0; (at = indented.find('\n', at)) != std::string::npos;
             at += 3) {
            indented.insert(at + 1, "  ");
        }
        std::fprintf(stderr, "ffmpeg said:\n%s\n", indented.c_str());
    }
}

} // namespace

int captureFrameCount(double from, double to, int fps) {
    return static_cast<int>(std::llround((to - from) * fps));
}

double captureFrameTime(double from, int fps, int k) {
    return from + static_cast<double>(k) / fps;
}

float captureDemoTime(double from, int fps, int k) {
    // The clock's own conversion of a position in milliseconds, here a fractional one.
    return static_cast<float>(captureFrameTime(from, fps, k) * 1000.0) * 0.001f;
}

YuvMatrix captureMatrixFor(int height) {
    return height > kLayoutHeight ? YuvMatrix::Bt709 : YuvMatrix::Bt601;
}

int64_t musicFrameAt(double seconds) {
    return std::llround(seconds * kOutputRate);
}

std::string captureProgressLine(int done, int total, int fps, double elapsedSeconds) {
    const double rate = elapsedSeconds > 0.0 ? done / elapsedSeconds : 0.0;
    const double left = rate > 0.0 ? (total - done) / rate : 0.0;
    char line[160];
    std::snprintf(line, sizeof line,
                  "capture %3d%%  %d/%d frames  %.1f fps  %.2fx real time  %s left",
                  total > 0 ? static_cast<int>(100LL * done / total) : 100, done, total, rate,
                  rate / fps, clockText(left).c_str());
    return line;
}

void drawCaptureFrame(const CaptureRequest& request, int k) {
    // The spectrum live play would have captured at the end of the previous frame (none
    // before the start).
    const double previous = captureFrameTime(request.from, request.fps, k - 1);
    if (previous < 0.0) {
        std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
    } else {
        setMusicPositionMs(static_cast<int>(std::llround(previous * 1000.0)));
        captureSpectrum();
    }
    if (const FrameTarget* target = activeFrameTarget()) {
        bindFrameTarget(*target);
    }
    drawFrameAt(captureDemoTime(request.from, request.fps, k));
    glFlush();
}

int runCapture(const CaptureRequest& request) {
    const auto started = std::chrono::steady_clock::now();
    SignalGuard signals;
    Container container = Container::Mp4;
    containerForPath(request.path, container);
    std::error_code ignored;
    if (std::filesystem::is_directory(request.path, ignored)) {
        fail(request, "it is a folder");
        return 1;
    }
    TemporaryFile temporary;
    std::string error;
    if (!temporary.create(request.path, error)) {
        fail(request, error);
        return 1;
    }

    // The soundtrack: the same track and decoder the clock follows.
    const std::string trackPath = dataPath("music/track.mp3");
    std::vector<unsigned char> trackBytes;
    Mp3Stream track;
    std::string trackError;
    bool withAudio = readWhole(trackPath, trackBytes);
    if (!withAudio) {
        trackError = "cannot be read";
    } else if (!track.open(trackBytes.data(), trackBytes.size(), trackError)) {
        trackError = "cannot be decoded (" + trackError + ")";
        withAudio = false;
    }
    if (!withAudio) {
        std::fprintf(stderr,
                     "quorlith: warning: the music track '%s' %s: the video will have no "
                     "sound\n",
                     trackPath.c_str(), trackError.c_str());
    }

    EncoderSettings settings;
    settings.outputPath = temporary.path();
    settings.container = container;
    settings.width = request.width;
    settings.height = request.height;
    settings.matrix = captureMatrixFor(request.height);
    settings.fps = request.fps;
    settings.withAudio = withAudio;
    settings.preset = container == Container::Mp4 ? kMp4Preset : kMkvPreset;
    if (!request.preset.empty()) {
        settings.preset = request.preset;
    }
    FfmpegProcess ffmpeg;
    if (!ffmpeg.start("ffmpeg", settings, error)) {
        fail(request, error);
        return 1;
    }

    setOffscreenFrameSize(request.width, request.height, container == Container::Mp4);
    OffscreenDemo* demo = openOffscreenDemo();
    if (demo == nullptr) {
        ffmpeg.kill();
        ffmpeg.finish();
        fail(request, "no offscreen frames could be rendered");
        return offscreenFailureStatus();
    }
    const OffscreenDemo& run = *demo;
    FrameReadback readback;
    readback.init(run.target.width, run.target.height, lookUpGlEntryPoint);

    FrameQueue queue;
    const std::size_t frameBytes =
        static_cast<std::size_t>(run.target.width) * run.target.height * 4;
    for (int i = 0; i < kQueuedFrames; ++i) {
        queue.buffers.emplace_back(frameBytes);
        queue.free.push_back(i);
    }
    const bool toYuv = std::string_view(pictureFormat(container)) == "yuv420p";
    std::thread videoWriter(writeFrames, std::ref(queue), ffmpeg.takeVideoFd(), toYuv,
                            settings.matrix, run.target.width, run.target.height);
    std::atomic<int> audioError{0};
    std::thread audioWriter;
    if (withAudio) {
        audioWriter =
            std::thread(writeSoundtrack, std::ref(track), musicFrameAt(request.from),
                        musicFrameAt(request.to), ffmpeg.takeAudioFd(), std::ref(audioError));
    }

    // Hands the oldest frame read back to the writer; false once the writer failed or a
    // stop was asked for.
    bool readFailed = false;
    auto queueOldest = [&]() {
        int index = -1;
        {
            std::unique_lock lock(queue.mutex);
            while (queue.free.empty() && queue.writeError == 0 && stopSignal.load() == 0) {
                queue.changed.wait_for(lock, std::chrono::milliseconds(50));
            }
            if (queue.writeError != 0 || stopSignal.load() != 0) {
                return false;
            }
            index = queue.free.front();
            queue.free.pop_front();
        }
        readFailed = !readback.take(queue.buffers[static_cast<std::size_t>(index)].data());
        std::lock_guard lock(queue.mutex);
        if (readFailed) {
            queue.free.push_back(index);
            return false;
        }
        queue.filled.push_back(index);
        queue.changed.notify_all();
        return true;
    };

    const int total = captureFrameCount(request.from, request.to, request.fps);
    const bool terminal = isatty(STDERR_FILENO) != 0;
    const auto renderStart = std::chrono::steady_clock::now();
    auto lastShown = renderStart;
    int lastTenth = -1;
    bool running = true;
    int done = 0;
    for (int k = 0; k < total && running; ++k) {
        drawCaptureFrame(request, k);
        readback.start();
        if (readback.pending() == 2) {
            running = queueOldest();
            done += running ? 1 : 0;
        }
        const auto now = std::chrono::steady_clock::now();
        const double elapsed = std::chrono::duration<double>(now - renderStart).count();
        const int tenth = done * 10 / std::max(total, 1);
        if (terminal && now - lastShown > std::chrono::milliseconds(250)) {
            std::fprintf(stderr, "\r%s\033[K",
                         captureProgressLine(done, total, request.fps, elapsed).c_str());
            progressLineOpen = true;
            lastShown = now;
        } else if (!terminal && tenth > lastTenth) {
            std::fprintf(stderr, "%s\n",
                         captureProgressLine(done, total, request.fps, elapsed).c_str());
            lastTenth = tenth;
        }
    }
    while (running && readback.pending() > 0) {
        running = queueOldest();
        done += running ? 1 : 0;
    }
    if (!running) {
        ffmpeg.kill();
    }
    {
        std::lock_guard lock(queue.mutex);
        queue.closed = true;
        queue.changed.notify_all();
    }
    videoWriter.join();
    if (audioWriter.joinable()) {
        audioWriter.join();
    }
    const std::string ended = ffmpeg.finish();
    const double elapsed =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - renderStart).count();
    if (running) {
        std::fprintf(stderr, terminal ? "\r%s\033[K\n" : "%s\n",
                     captureProgressLine(done, total, request.fps, elapsed).c_str());
        progressLineOpen = false;
    }

    const int signal = stopSignal.load();
    if (signal != 0) {
        fail(request,
             std::string("interrupted by ") + (signal == SIGINT ? "Ctrl-C (SIGINT)" : "SIGTERM"));
        return 128 + signal;
    }
    if (readFailed) {
        fail(request, "a frame could not be read back from the GL driver");
        return 1;
    }
    // ffmpeg runs at the error log level: whatever it says is a failure, even where its
    // exit status is 0 (it is for a trailer that did not fit on a full disk).
    const std::string messages = ffmpeg.messages();
    if (!ended.empty() || !messages.empty() || queue.writeError != 0 || audioError.load() != 0) {
        std::string reason = "ffmpeg " + (!ended.empty()      ? ended
                                          : !messages.empty() ? std::string("reported an error")
                                                              : std::string("stopped reading"));
        if (diskFull(request.path)) {
            reason += "; the disk is full";
        }
        fail(request, reason, messages);
        return 1;
    }
    if (!temporary.moveTo(request.path, error)) {
        fail(request, error);
        return 1;
    }
    std::error_code sizeError;
    const auto bytes = std::filesystem::file_size(request.path, sizeError);
    const double seconds = static_cast<double>(total) / request.fps;
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("wrote %s: %d frames at %d fps (%.3f s of the demo from %.3f s)%s, %.1f MB, in "
                "%.1f s (%.2fx real time)\n",
                request.path.c_str(), total, request.fps, seconds, request.from,
                withAudio ? " with sound" : " without sound",
                sizeError ? 0.0 : static_cast<double>(bytes) / 1e6, wall, seconds / wall);
    return 0;
}
