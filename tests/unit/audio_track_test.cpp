// The music clock on real MP3 tracks encoded at test time: length, seeks checked against
// an independent decode, the spectrum of what is heard.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <numbers>
#include <thread>

#include "audio/clock_math.h"
#include "audio/music.h"
#include "audio/radix2_fft.h"
#include "audio/spectrum.h"
#include "support/mp3_tools.h"
#include "support/music_fixture.h"

namespace {

constexpr int kRate = 44100;

// A sine on every channel.
std::vector<int16_t> tone(double hz, double seconds, double amplitude, int rate = kRate,
                          int channels = 2) {
    std::vector<int16_t> pcm(static_cast<std::size_t>(seconds * rate) * channels);
    for (std::size_t i = 0; i < pcm.size(); ++i) {
        const double t = static_cast<double>(i / channels) / rate;
        pcm[i] = static_cast<int16_t>(
            std::lrint(amplitude * 32767.0 * std::sin(2.0 * std::numbers::pi * hz * t)));
    }
    return pcm;
}

int argmax(const float* v, int n) {
    return static_cast<int>(std::max_element(v, v + n) - v);
}

class Track : public MusicFixture {};

// What the spectrum analyses after a seek by hand is the decoded track ending exactly at
// the asked position: compared with a decode from the start, and with where clicks were
// put into the encoded PCM (one every 100 ms, each a little later in its slot).
TEST_F(Track, ManualSeekLandsOnTheDecodedSamples) {
    auto pcm = tone(300.0, 4.0, 0.02); // a quiet bed under the clicks
    std::vector<int> clicks;
    for (int k = 0; k < 39; ++k) {
        clicks.push_back(k * 4410 + 1000 + 13 * k);
        for (int i = 0; i < 6; ++i) {
            pcm[2 * static_cast<std::size_t>(clicks.back() - 1) + i] = i / 2 == 1 ? 30000 : 12000;
        }
    }
    const auto mp3 = encodeMp3(pcm, 2, kRate);
    const auto reference = decodeMp3(mp3);
    ASSERT_EQ(reference.size(), pcm.size()); // the LAME tag trims delay and padding
    ASSERT_TRUE(openMusic(writeTempFile("clicks.mp3", mp3)));
    EXPECT_EQ(musicLengthMs(), 4000);
    enableSpectrum();
    // Forward and backward jumps, small steps (decoded onwards) and big ones (seeks).
    for (int k : {5, 20, 21, 3, 3, 0, 36, 10, 11, 12}) {
        const int click = clicks[static_cast<std::size_t>(k)];
        const int askedMs = (click + 600) * 10 / 441; // the click lies in the last 1024
        setMusicPositionMs(askedMs);
        EXPECT_EQ(musicPositionMs(), askedMs);
        captureSpectrum();
        const float* heard = spectrumSamples();
        const int64_t start = framesFromMs(askedMs) - kSpectrumSamples;
        float worst = 0.0f;
        int loudest = 0;
        for (int i = 0; i < kSpectrumSamples; ++i) {
            const std::size_t f = static_cast<std::size_t>(start + i);
            const float mono = (reference[2 * f] + reference[2 * f + 1]) / 65536.0f;
            worst = std::max(worst, std::abs(heard[i] - mono));
            loudest = std::abs(heard[i]) > std::abs(heard[loudest]) ? i : loudest;
        }
        EXPECT_LT(worst, 1e-4f) << "at " << askedMs << " ms";
        // The loudest sample is the click, within 1 ms (44 frames) of where it was put.
        EXPECT_LE(std::abs(start + loudest - click), 44) << "at " << askedMs << " ms";
    }
}

// Tones peak in their bin at their level (0..1, full scale on a bin gives 1), also from
// a mono track at 22.05 kHz, which plays as 44.1 kHz stereo of the same length. Past the
// end the clock stops at the end, where the last 1024 frames are heard.
TEST_F(Track, TonesPeakInTheirBin) {
    const struct {
        double hz, amplitude;
        int rate, channels, bin;
        float level;
    } cases[] = {
        {1000.0, 0.9, kRate, 2, 23, 0.6f}, // between bins 23 and 24: a little lost
        {32 * kRate / 1024.0, 0.98, kRate, 2, 32, 0.93f},
        {1000.0, 0.8, 22050, 1, 23, 0.5f},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.hz);
        const auto pcm = tone(c.hz, 2.0, c.amplitude, c.rate, c.channels);
        ASSERT_TRUE(openMusic(writeTempFile("tone.mp3", encodeMp3(pcm, c.channels, c.rate))));
        EXPECT_NEAR(musicLengthMs(), 2000, 2);
        enableSpectrum();
        for (int ms : {500, 99999}) {
            setMusicPositionMs(ms);
            EXPECT_EQ(musicPositionMs(), std::min(ms, musicLengthMs()));
            captureSpectrum();
            const float* bins = spectrumBins();
            EXPECT_EQ(argmax(bins, kSpectrumBins), c.bin) << ms;
            EXPECT_GE(bins[c.bin], c.level);
            EXPECT_LE(bins[c.bin], 1.0f);
            EXPECT_LT(bins[c.bin / 2], 0.01f);
            EXPECT_TRUE(std::equal(SpectrumBuffer, SpectrumBuffer + kSpectrumBufferSize, bins));
        }
        setMusicPositionMs(0); // nothing heard yet
        captureSpectrum();
        EXPECT_EQ(*std::max_element(spectrumBins(), spectrumBins() + kSpectrumBins), 0.0f);
    }
}

// The web build's own transform against FFTW on the real track: at each instant, the
// samples the clock analysed give the same bins through both, to a few float steps.
TEST_F(Track, TheWebTransformGivesFftwsBinsOnTheRealTrack) {
    ASSERT_TRUE(openMusic(QUORLITH_BUILD_DIR "/data/music/track.mp3"));
    enableSpectrum();
    float window[kSpectrumWindow];
    for (int i = 0; i < kSpectrumWindow; ++i) {
        window[i] = hannWindow(i);
    }
    float peak = 0.0f;
    for (const int ms : {20, 9000, 64000, 131500, 199000, 250000, 299000, 324000}) {
        SCOPED_TRACE(ms);
        setMusicPositionMs(ms);
        captureSpectrum();
        float bins[kSpectrumBins];
        spectrumBinsRadix2(spectrumSamples(), window, bins);
        for (int k = 0; k < kSpectrumBins; ++k) {
            ASSERT_NEAR(bins[k], spectrumBins()[k], 2e-7f) << "bin " << k;
        }
        peak = std::max(peak, *std::max_element(bins, bins + kSpectrumBins));
    }
    EXPECT_GT(peak, 0.05f); // the instants hold music, not silence
}

// A track shorter than the demo: the clock runs on past its end, in silence, as far as the
// demo needs (its length plus the picture delay), set by hand or running on the wall clock;
// without that need it stops at the track's end, as always.
TEST_F(Track, AShortTrackRunsTheClockOnAsFarAsTheDemoNeeds) {
    const struct {
        ClockSource source;
        int runsAtLeastMs, delayMs, askedMs, expectedMs;
    } cases[] = {
        {ClockSource::Manual, 0, 0, 99999, 2000},
        {ClockSource::Manual, 5000, 0, 99999, 5000},
        {ClockSource::Manual, 5000, 300, 99999, 5300},
        {ClockSource::Manual, 5000, -300, 99999, 5000},
        {ClockSource::Manual, 5000, 0, 3000, 3000},
        {ClockSource::Manual, 1000, 0, 99999, 2000}, // the track is long enough
        {ClockSource::WallClock, 0, 0, 1900, 2000},
        {ClockSource::WallClock, 5000, 0, 1900, -1}, // -1: past 2000, still running
    };
    const auto mp3 = encodeMp3(tone(440.0, 2.0, 0.3), 2, kRate);
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.runsAtLeastMs) + " " + std::to_string(c.delayMs));
        setClockSource(c.source);
        setMusicRunsAtLeastMs(c.runsAtLeastMs);
        setPictureDelayMs(c.delayMs);
        ASSERT_TRUE(openMusic(writeTempFile("short.mp3", mp3)));
        EXPECT_EQ(musicLengthMs(), 2000);
        setMusicPositionMs(c.askedMs);
        if (c.source == ClockSource::WallClock) {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
        }
        const int position = musicPositionMs();
        if (c.expectedMs >= 0) {
            EXPECT_EQ(position, c.expectedMs);
        } else {
            EXPECT_GT(position, 2100);
            EXPECT_LT(position, 5000);
        }
        closeMusic();
    }
    setMusicRunsAtLeastMs(0);
    setPictureDelayMs(0);
}

} // namespace
