// Per-frame cost of the spectrum capture on a real MP3 (made here with LAME), on the
// clock set by hand: frames advancing at 60 per second, and frames after a seek.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "audio/music.h"
#include "support/mp3_tools.h"

namespace {

void openBenchTrack() {
    static const std::string path = [] {
        constexpr int kRate = 44100;
        const int frames = 20 * kRate;
        std::vector<int16_t> pcm(2 * static_cast<std::size_t>(frames));
        for (int i = 0; i < frames; ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double v = 0.4 * std::sin(2 * std::numbers::pi * 110.0 * t) +
                             0.3 * std::sin(2 * std::numbers::pi * (600.0 + 200.0 * t) * t);
            pcm[2 * static_cast<std::size_t>(i)] = static_cast<int16_t>(std::lrint(20000.0 * v));
            pcm[2 * static_cast<std::size_t>(i) + 1] =
                static_cast<int16_t>(std::lrint(-20000.0 * v));
        }
        return writeTempFile("bench.mp3", encodeMp3(pcm, 2, kRate));
    }();
    closeMusic();
    setClockSource(ClockSource::Manual);
    openMusic(path);
    enableSpectrum();
}

// Playback as the demo sees it: the position moves on by one 60 Hz frame each time.
void BM_CaptureSpectrumPlaying(benchmark::State& state) {
    openBenchTrack();
    const int length = musicLengthMs();
    int frame = 0;
    for (auto _ : state) {
        setMusicPositionMs(1000 + (frame++ * 50 / 3) % (length - 2000));
        captureSpectrum();
        benchmark::DoNotOptimize(SpectrumBuffer[14]);
    }
    closeMusic();
}
BENCHMARK(BM_CaptureSpectrumPlaying);

// Every frame after a jump (seek keys held): the analysis decoder seeks each time.
void BM_CaptureSpectrumSeeking(benchmark::State& state) {
    openBenchTrack();
    const int length = musicLengthMs();
    int frame = 0;
    for (auto _ : state) {
        setMusicPositionMs(1000 + (frame++ * 5000) % (length - 2000));
        captureSpectrum();
        benchmark::DoNotOptimize(SpectrumBuffer[14]);
    }
    closeMusic();
}
BENCHMARK(BM_CaptureSpectrumSeeking);

} // namespace

BENCHMARK_MAIN();
