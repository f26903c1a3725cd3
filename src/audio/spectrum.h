// Magnitude spectrum of a block of mono samples (FFTW, single precision).
#pragma once

inline constexpr int kSpectrumWindow = 1024; // samples analysed, oldest first

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
    float* input_;
    void* output_;
    void* plan_;
    float window_[kSpectrumWindow];
};
