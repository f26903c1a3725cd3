// The music clock on real MP3 tracks encoded at test time: length, seeks checked against
// an independent decode, the spectrum of what is heard, the wall clock and the device
// fallback.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>

#include "audio/clock_math.h"
#include "audio/music.h"
#include "support/mp3_tools.h"

namespace {

constexpr int kRate = 44100;

// A sine on both channels.
std::vector<int16_t> tone(double hz, double seconds, double amplitude, int rate = kRate,
                          int channels = 2) {
    const int frames = static_cast<int>(seconds * rate);
    std::vector<int16_t> pcm(static_cast<std::size_t>(frames) * channels);
    for (int i = 0; i < frames; ++i) {
        const double v = amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * hz * i / rate);
        for (int c = 0; c < channels; ++c) {
            pcm[static_cast<std::size_t>(i) * channels + c] = static_cast<int16_t>(std::lrint(v));
        }
    }
    return pcm;
}

// Frames of the clicks in the click track: one every 100 ms, each a little later in its
// slot than the one before, so a window of 1024 frames holds at most one.
std::vector<int> clickFrames(double seconds) {
    std::vector<int> frames;
    for (int k = 0; (k + 1) * 4410 < seconds * kRate; ++k) {
        frames.push_back(k * 4410 + 1000 + 13 * k);
    }
    return frames;
}

std::vector<int16_t> clickTrack(double seconds) {
    // A quiet 300 Hz bed, and short full-scale clicks.
    std::vector<int16_t> pcm = tone(300.0, seconds, 0.02);
    for (int frame : clickFrames(seconds)) {
        for (int i = 0; i < 3; ++i) {
            const int16_t v = i == 1 ? 30000 : 12000;
            pcm[2 * static_cast<std::size_t>(frame + i - 1)] = v;
            pcm[2 * static_cast<std::size_t>(frame + i - 1) + 1] = v;
        }
    }
    return pcm;
}

std::string makeTrack(const std::string& name, const std::vector<int16_t>& pcm, int channels = 2,
                      int rate = kRate) {
    return writeTempFile(name, encodeMp3(pcm, channels, rate));
}

int argmax(const float* v, int n) {
    return static_cast<int>(std::max_element(v, v + n) - v);
}

class Track : public ::testing::Test {
  protected:
    void SetUp() override {
        closeMusic();
        setClockSource(ClockSource::Manual);
    }
    void TearDown() override {
        closeMusic();
        setClockSource(ClockSource::Device);
    }
};

// What the spectrum analyses after a seek by hand is the decoded track ending exactly at
// the asked position: compared with a decode from the start, and with where the clicks
// were put into the encoded PCM.
TEST_F(Track, ManualSeekLandsOnTheDecodedSamples) {
    const auto pcm = clickTrack(4.0);
    const auto mp3 = encodeMp3(pcm, 2, kRate);
    const auto reference = decodeMp3(mp3);
    ASSERT_EQ(reference.size(), pcm.size()); // the LAME tag trims delay and padding
    ASSERT_TRUE(openMusic(writeTempFile("clicks.mp3", mp3)));
    EXPECT_EQ(activeClockSource(), ClockSource::Manual);
    EXPECT_EQ(musicLengthMs(), 4000);
    enableSpectrum();

    const auto clicks = clickFrames(4.0);
    // Forward and backward jumps, small steps (decoded onwards) and big ones (seeks).
    const int clickOrder[] = {5, 20, 21, 3, 3, 0, 36, 10, 11, 12};
    for (int k : clickOrder) {
        const int click = clicks[static_cast<std::size_t>(k)];
        const int askedMs = (click + 600) * 10 / 441; // the click lies in the last 1024
        setMusicPositionMs(askedMs);
        EXPECT_EQ(musicPositionMs(), askedMs);
        captureSpectrum();
        const float* heard = spectrumSamples();
        const int64_t end = framesFromMs(askedMs);
        float worst = 0.0f;
        for (int i = 0; i < kSpectrumSamples; ++i) {
            const std::size_t f = static_cast<std::size_t>(end - kSpectrumSamples + i);
            const float mono = (reference[2 * f] + reference[2 * f + 1]) / 65536.0f;
            worst = std::max(worst, std::abs(heard[i] - mono));
        }
        EXPECT_LT(worst, 1e-4f) << "at " << askedMs << " ms";
        // The loudest sample is the click, within 1 ms (44 frames) of where it was put.
        std::vector<float> loudness(kSpectrumSamples);
        std::transform(heard, heard + kSpectrumSamples, loudness.begin(),
                       [](float v) { return std::abs(v); });
        const int64_t clickHeard =
            end - kSpectrumSamples + argmax(loudness.data(), kSpectrumSamples);
        EXPECT_LE(std::abs(clickHeard - click), 44) << "at " << askedMs << " ms";
    }
}

TEST_F(Track, ManualClockStaysInsideTheTrack) {
    ASSERT_TRUE(openMusic(makeTrack("short.mp3", tone(440.0, 1.5, 0.5))));
    EXPECT_EQ(musicLengthMs(), 1500);
    setMusicPositionMs(700);
    EXPECT_EQ(musicPositionMs(), 700);
    setMusicPositionMs(-40);
    EXPECT_EQ(musicPositionMs(), 0);
    setMusicPositionMs(99999);
    EXPECT_EQ(musicPositionMs(), 1500); // past the end stops at the end
    updateDemoTime();
    seekMusic(5000.0f);
    EXPECT_EQ(musicPositionMs(), 1500);
    enableSpectrum();
    captureSpectrum(); // the end of the track: the last 1024 frames
    EXPECT_GT(spectrumBins()[10], 0.3f);
}

TEST_F(Track, ThousandHertzPeaksInBin23) {
    ASSERT_TRUE(openMusic(makeTrack("tone.mp3", tone(1000.0, 3.0, 0.9))));
    captureSpectrum(); // before enableSpectrum: zeros
    for (int i = 0; i < kSpectrumBins; ++i) {
        ASSERT_EQ(spectrumBins()[i], 0.0f);
    }
    enableSpectrum();
    const int expectedBin = static_cast<int>(std::lround(1000.0 / (44100.0 / 1024.0)));
    ASSERT_EQ(expectedBin, 23);
    for (int ms : {500, 1500, 2999}) {
        setMusicPositionMs(ms);
        captureSpectrum();
        const float* bins = spectrumBins();
        EXPECT_EQ(argmax(bins, kSpectrumBins), expectedBin) << ms;
        // 1000 Hz lies between bins 23 and 24: the Hann window loses a little there.
        EXPECT_GT(bins[23], 0.6f);
        EXPECT_LE(bins[23], 1.0f);
        EXPECT_LT(bins[14], 0.01f);
        EXPECT_LT(bins[100], 0.01f);
        EXPECT_EQ(SpectrumBuffer[23], bins[23]);
        EXPECT_EQ(SpectrumBuffer[31], bins[31]);
        for (int i = 0; i < kSpectrumBins; ++i) {
            ASSERT_GE(bins[i], 0.0f);
            ASSERT_LE(bins[i], 1.0f);
        }
    }
    setMusicPositionMs(0); // nothing heard yet
    captureSpectrum();
    EXPECT_EQ(*std::max_element(spectrumBins(), spectrumBins() + kSpectrumBins), 0.0f);
    closeMusic(); // back to zeros
    EXPECT_EQ(SpectrumBuffer[23], 0.0f);
}

// A full-scale sine exactly on a bin gives 1 there.
TEST_F(Track, FullScaleSineOnABinGivesOne) {
    const double hz = 32 * 44100.0 / 1024.0;
    ASSERT_TRUE(openMusic(makeTrack("bin32.mp3", tone(hz, 1.0, 0.98))));
    enableSpectrum();
    setMusicPositionMs(600);
    captureSpectrum();
    EXPECT_EQ(argmax(spectrumBins(), kSpectrumBins), 32);
    EXPECT_NEAR(spectrumBins()[32], 0.98f, 0.05f);
}

// A mono track at 22.05 kHz comes out at 44.1 kHz stereo: same length in time, same bins.
TEST_F(Track, OtherRatesAndMonoAreConverted) {
    ASSERT_TRUE(openMusic(makeTrack("mono22.mp3", tone(1000.0, 2.0, 0.8, 22050, 1), 1, 22050)));
    EXPECT_NEAR(musicLengthMs(), 2000, 2);
    enableSpectrum();
    setMusicPositionMs(1000);
    captureSpectrum();
    EXPECT_EQ(argmax(spectrumBins(), kSpectrumBins), 23);
    EXPECT_GT(spectrumBins()[23], 0.5f);
}

// The silent wall clock follows real time (generous bounds: this is no timing test),
// seeks, and stops at the end of the track.
TEST_F(Track, WallClockAdvancesAtTheRealRate) {
    setClockSource(ClockSource::WallClock);
    ASSERT_TRUE(openMusic(makeTrack("wall.mp3", tone(440.0, 2.0, 0.5))));
    EXPECT_EQ(activeClockSource(), ClockSource::WallClock);
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const int p0 = musicPositionMs();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const int p1 = musicPositionMs();
    const auto t1 = Clock::now();
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(t1 - t0).count();
    EXPECT_GE(p1 - p0, 250);
    EXPECT_LE(p1 - p0, elapsed + 2);

    setMusicPositionMs(1000);
    const int afterSeek = musicPositionMs();
    EXPECT_GE(afterSeek, 1000);
    EXPECT_LT(afterSeek, 1200);
    setMusicPositionMs(1950);
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    EXPECT_EQ(musicPositionMs(), 2000);
    setMusicPositionMs(-1);
    EXPECT_LT(musicPositionMs(), 200);
}

// With no usable sound device the demo still runs, on the wall clock.
TEST_F(Track, NoDeviceFallsBackToTheWallClock) {
    const std::string path = makeTrack("fallback.mp3", tone(440.0, 1.0, 0.5));
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    setClockSource(ClockSource::Device);
    ::testing::internal::CaptureStderr();
    EXPECT_TRUE(openMusic(path));
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("no sound device"), std::string::npos) << err;
    EXPECT_EQ(activeClockSource(), ClockSource::WallClock);
    EXPECT_EQ(musicLengthMs(), 1000);
}

// SDL's dummy driver opens like a device: the clock follows what it takes.
TEST_F(Track, DummyDevicePlays) {
    const std::string path = makeTrack("dummy.mp3", tone(440.0, 2.0, 0.5));
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    setClockSource(ClockSource::Device);
    ASSERT_TRUE(openMusic(path));
    ASSERT_EQ(activeClockSource(), ClockSource::Device);
    const int start = musicPositionMs();
    EXPECT_LT(start, 100);
    int now = start;
    for (int i = 0; i < 200 && now < start + 100; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        now = musicPositionMs();
    }
    EXPECT_GE(now, start + 100);
    setMusicPositionMs(1500);
    EXPECT_EQ(musicPositionMs(), 1500);
    setMusicPositionMs(5000);
    EXPECT_EQ(musicPositionMs(), 2000);
}

} // namespace
