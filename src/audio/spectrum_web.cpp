#include "audio/spectrum.h"

#include "audio/radix2_fft.h"

// Without FFTW: the radix-2 transform works on its own stack buffer, so the analyser keeps
// only its window.
SpectrumAnalyser::SpectrumAnalyser() : input_(nullptr), output_(nullptr), plan_(nullptr) {
    for (int i = 0; i < kSpectrumWindow; ++i) {
        window_[i] = hannWindow(i);
    }
}

SpectrumAnalyser::~SpectrumAnalyser() = default;

void SpectrumAnalyser::analyse(const float* samples, float* bins) {
    spectrumBinsRadix2(samples, window_, bins);
}
