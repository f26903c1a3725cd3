#include "audio/music.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <limits>
#include <memory>
#include <vector>

#include "audio/clock_math.h"
#include "audio/mp3_stream.h"
#include "audio/playback.h"
#include "audio/spectrum.h"

float SpectrumBuffer[kSpectrumBufferSize] = {};

namespace {

static_assert(kSpectrumSamples == kSpectrumWindow);
static_assert(kSpectrumBins == kSpectrumWindow / 2);

// Moving the spectrum decoder forward by up to this many frames is cheaper than a seek.
constexpr int64_t kSpectrumCatchUpFrames = 8192;

struct SpectrumState {
    bool enabled = false;
    std::unique_ptr<SpectrumAnalyser> analyser;    // made once, kept across tracks
    Mp3Stream stream;                              // the track again, for the analysis
    std::array<float, kSpectrumSamples> history{}; // frame f lives at f % kSpectrumSamples
    int64_t historyEnd = -1;                       // frame after the newest in history
    std::array<float, kSpectrumSamples> samples{};
    std::array<float, kSpectrumBins> bins{};
};

struct MusicState {
    ClockSource requested = ClockSource::Device;
    ClockSource active = ClockSource::Manual;
    std::vector<unsigned char> bytes; // the whole file, unchanged while a track is open
    bool trackOpen = false;
    int64_t lengthFrames = 0;
    ClockAnchor clock;       // the wall clock or the clock set by hand
    bool deviceLost = false; // silent since the device went away; plays again when one comes
    bool paused = false;
    int64_t pausedFrame = 0; // the position while paused
    int pictureDelayMs = 0;
    int runsAtLeastMs = 0;
    float heardTime = 0.0f; // the position heard at the last updateDemoTime, in seconds
    float demoTime = 0.0f;
    SpectrumState spectrum;
};

// Never destroyed: the process may end while the device still plays.
MusicState& music() {
    static MusicState* state = new MusicState;
    return *state;
}

// Where the clock stops: the track's end, or later where the demo needs more time (the
// device then plays silence past the end, and the clock follows it).
int64_t endFrame(const MusicState& m) {
    if (!m.trackOpen) {
        return kNoFrameLimit;
    }
    const int64_t needed = framesFromMs(int64_t{m.runsAtLeastMs} + std::max(m.pictureDelayMs, 0));
    return std::max(m.lengthFrames, m.runsAtLeastMs > 0 ? needed : 0);
}

// Starts the silent clock (wall or by hand) at a frame.
void startSilentClock(MusicState& m, ClockSource source, int64_t frame) {
    m.active = source;
    frame = std::clamp<int64_t>(frame, 0, endFrame(m));
    const bool wall = source == ClockSource::WallClock;
    m.clock = ClockAnchor{frame, steadySeconds(), wall ? kOutputRate : 0, frame,
                          wall ? endFrame(m) : frame};
}

// The device went away: the silent clock takes over at the frame last heard.
void loseDevice(MusicState& m) {
    const int64_t frame = std::min(playbackFrame(steadySeconds()), endFrame(m));
    std::fputs("quorlith: the sound device stopped; the music clock goes on silently\n", stderr);
    suspendPlayback();
    startSilentClock(m, ClockSource::WallClock, frame);
    m.deviceLost = true;
}

int64_t currentFrame(MusicState& m) {
    if (m.paused) {
        return m.pausedFrame;
    }
    if (m.active == ClockSource::Device) {
        if (!playbackLost()) {
            return std::min(playbackFrame(steadySeconds()), endFrame(m));
        }
        loseDevice(m);
    }
    return frameAt(m.clock, steadySeconds());
}

// The frame `ms` milliseconds before `frame` (after it for a negative `ms`).
int64_t framesBefore(int64_t frame, int ms) {
    return ms >= 0 ? frame - framesFromMs(ms) : frame + framesFromMs(-static_cast<int64_t>(ms));
}

void moveTo(MusicState& m, int64_t frame) {
    frame = std::clamp<int64_t>(frame, 0, endFrame(m));
    if (m.paused) {
        m.pausedFrame = frame;
    } else if (m.active == ClockSource::Device) {
        seekPlayback(frame, steadySeconds());
    } else {
        startSilentClock(m, m.active, frame);
    }
}

bool readWholeFile(const std::string& path, std::vector<unsigned char>& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    bytes.clear();
    unsigned char chunk[65536];
    bool ok = true;
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, file);
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (n < sizeof chunk) {
            ok = std::ferror(file) == 0; // a folder opens, but reading it fails
            break;
        }
    }
    std::fclose(file);
    return ok;
}

void clearSpectrum(SpectrumState& s) {
    s.samples.fill(0.0f);
    s.bins.fill(0.0f);
    std::fill(std::begin(SpectrumBuffer), std::end(SpectrumBuffer), 0.0f);
}

// The kSpectrumSamples mono frames ending just before `end`, decoded from the track.
void fillSpectrumSamples(SpectrumState& s, int64_t end) {
    constexpr int64_t kMask = kSpectrumSamples - 1;
    if (s.historyEnd < 0 || end < s.historyEnd || end - s.historyEnd > kSpectrumCatchUpFrames) {
        const int64_t start = std::max<int64_t>(0, end - kSpectrumSamples);
        s.history.fill(0.0f);
        s.stream.seek(start);
        s.historyEnd = start;
    }
    int16_t pcm[kSpectrumSamples * kOutputChannels];
    while (s.historyEnd < end) {
        const int64_t want = std::min<int64_t>(end - s.historyEnd, kSpectrumSamples);
        const int64_t got = s.stream.read(pcm, want);
        for (int64_t i = 0; i < want; ++i) {
            const float mono = i < got ? (pcm[2 * i] + pcm[2 * i + 1]) * (1.0f / 65536.0f) : 0.0f;
            s.history[static_cast<std::size_t>((s.historyEnd + i) & kMask)] = mono;
        }
        s.historyEnd += want;
    }
    for (int64_t i = 0; i < kSpectrumSamples; ++i) {
        const int64_t frame = end - kSpectrumSamples + i;
        s.samples[static_cast<std::size_t>(i)] =
            frame < 0 ? 0.0f : s.history[static_cast<std::size_t>(frame & kMask)];
    }
}

} // namespace

void setClockSource(ClockSource source) {
    music().requested = source;
}
ClockSource clockSource() {
    return music().requested;
}
ClockSource activeClockSource() {
    return music().active;
}

void closeMusic() {
    MusicState& m = music();
    stopPlayback();
    m.spectrum.stream.close();
    m.spectrum.enabled = false;
    m.spectrum.historyEnd = -1;
    clearSpectrum(m.spectrum);
    m.bytes.clear();
    m.bytes.shrink_to_fit();
    m.trackOpen = false;
    m.lengthFrames = 0;
    m.active = ClockSource::Manual;
    m.clock = ClockAnchor{};
    m.deviceLost = false;
    m.paused = false;
    m.pausedFrame = 0;
    m.heardTime = 0.0f;
    m.demoTime = 0.0f;
}

bool openMusic(const std::string& path) {
    closeMusic();
    MusicState& m = music();
    const ClockSource silent =
        m.requested == ClockSource::Manual ? ClockSource::Manual : ClockSource::WallClock;

    if (!readWholeFile(path, m.bytes)) {
        std::fputs("Error!\n", stdout);
        std::fputs("File Not Found\n", stdout);
        std::fflush(stdout);
        m.bytes.clear();
        startSilentClock(m, silent, 0);
        return false;
    }
    std::string error;
    if (!m.spectrum.stream.open(m.bytes.data(), m.bytes.size(), error)) {
        std::fprintf(stderr, "quorlith: cannot decode music track %s: %s\n", path.c_str(),
                     error.c_str());
        m.bytes.clear();
        startSilentClock(m, silent, 0);
        return false;
    }
    m.trackOpen = true;
    m.lengthFrames = m.spectrum.stream.lengthFrames();

    if (m.requested == ClockSource::Device) {
        if (startPlayback(m.bytes.data(), m.bytes.size(), error)) {
            m.active = ClockSource::Device;
            return true;
        }
        std::fprintf(stderr, "quorlith: no sound device (%s); the music clock runs silently\n",
                     error.c_str());
    }
    startSilentClock(m, silent, 0);
    return true;
}

void enableSpectrum() {
    SpectrumState& s = music().spectrum;
    if (!s.analyser) {
        s.analyser = std::make_unique<SpectrumAnalyser>();
    }
    s.enabled = true;
}

void setPictureDelayMs(int ms) {
    music().pictureDelayMs = std::clamp(ms, -kMaxPictureDelayMs, kMaxPictureDelayMs);
}

void updateDemoTime() {
    MusicState& m = music();
    const int heard = musicPositionMs();
    const int64_t drawn = std::max<int64_t>(int64_t{heard} - m.pictureDelayMs, 0);
    m.heardTime = demoTimeFromPositionMs(heard);
    m.demoTime = demoTimeFromPositionMs(
        static_cast<int>(std::min<int64_t>(drawn, std::numeric_limits<int>::max())));
}
float demoTime() {
    return music().demoTime;
}

void seekMusic(float deltaMs) {
    setMusicPositionMs(seekTargetMs(music().heardTime, deltaMs));
}

void soundDeviceRemoved(unsigned device) {
    MusicState& m = music();
    if (m.active == ClockSource::Device && device != 0 && device == playbackDevice()) {
        loseDevice(m);
    }
}

void soundDeviceAdded() {
    MusicState& m = music();
    if (!m.deviceLost || m.active != ClockSource::WallClock || m.paused) {
        return; // a pause tries the device again when it ends
    }
    const int64_t frame = frameAt(m.clock, steadySeconds());
    std::string error;
    if (!resumePlayback(frame, error)) {
        std::fprintf(stderr, "quorlith: the sound device did not open again (%s)\n", error.c_str());
        return;
    }
    std::fputs("quorlith: a sound device is back; the music plays on\n", stderr);
    m.active = ClockSource::Device;
    m.deviceLost = false;
}

void setMusicPaused(bool paused) {
    MusicState& m = music();
    if (paused == m.paused) {
        return;
    }
    if (paused) {
        m.pausedFrame = currentFrame(m);
        if (m.active == ClockSource::Device) {
            suspendPlayback();
        }
        m.paused = true;
        return;
    }
    m.paused = false;
    const int64_t frame = m.pausedFrame;
    if (m.active == ClockSource::Device || m.deviceLost) {
        std::string error;
        if (resumePlayback(frame, error)) {
            m.active = ClockSource::Device;
            m.deviceLost = false;
            return;
        }
        if (m.active == ClockSource::Device) {
            std::fprintf(stderr,
                         "quorlith: the sound device did not open again (%s); the "
                         "music clock goes on silently\n",
                         error.c_str());
            m.deviceLost = true;
            m.active = ClockSource::WallClock;
        }
    }
    startSilentClock(m, m.active, frame);
}

bool musicPaused() {
    return music().paused;
}

int musicPositionMs() {
    return msFromFrames(currentFrame(music()));
}

void setMusicPositionMs(int ms) {
    moveTo(music(), framesFromMs(ms));
}

void setMusicRunsAtLeastMs(int ms) {
    music().runsAtLeastMs = std::max(ms, 0);
}

int musicLengthMs() {
    const MusicState& m = music();
    return m.trackOpen ? msFromFrames(m.lengthFrames) : 0;
}

void captureSpectrum() {
    MusicState& m = music();
    SpectrumState& s = m.spectrum;
    if (!s.enabled || !m.trackOpen) {
        clearSpectrum(s);
        return;
    }
    const int64_t drawn = framesBefore(currentFrame(m), m.pictureDelayMs);
    fillSpectrumSamples(s, std::clamp<int64_t>(drawn, 0, m.lengthFrames));
    s.analyser->analyse(s.samples.data(), s.bins.data());
    std::copy_n(s.bins.begin(), kSpectrumBufferSize, SpectrumBuffer);
}

void setMusicPositionForStillMs(int ms) {
    setMusicPositionMs(std::max(ms - kPreviousFrameMs, 0));
    captureSpectrum();
    setMusicPositionMs(ms);
}

const float* spectrumBins() {
    return music().spectrum.bins.data();
}
const float* spectrumSamples() {
    return music().spectrum.samples.data();
}
