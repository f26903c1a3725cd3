// Magnitude spectrum of a block of mono samples: FFTW in single precision natively, our own
// radix-2 transform on the web; both give the same numbers to within a few float steps.
#pragma once

#include <cmath>
#include <numbers>

inline constexpr int kSpectrumWindow = 1024; // samples analysed, oldest first

// The periodic Hann window's value at sample i (its sum is exactly kSpectrumWindow / 2).
inline float hannWindow(int i) {
    return static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / kSpectrumWindow));
}

// A sine of amplitude A on a bin gives A * sum(window) / 2 there.
inline constexpr float kSpectrumScale = 4.0f / kSpectrumWindow;

class SpectrumAnalyser {
  public:
    SpectrumAnalyser();
    ~SpectrumAnalyser();
    SpectrumAnalyser(const SpectrumAnalyser&) = delete;
    SpectrumAnalyser& operator=(const SpectrumAnalyser&) = delete;

    // Hann-windowed magnitudes of `samples` (kSpectrumWindow values in -1..1) into
    // `bins` (kSpectrumWindow / 2 values, lowest frequency first), scaled so that a
    // full-scale sine gives about 1 in its bin, and clamped to 0..1.
    void analyse(const float* samples, float* bins);

  private:
    // The transform's buffers and plan, as its implementation keeps them.
    float* input_;
    void* output_;
    void* plan_;
    float window_[kSpectrumWindow];
};
